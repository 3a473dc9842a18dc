#include "dialogs.h"

#include <QDebug>

namespace kess {

Dialogs::Backend &Dialogs::backend()
{
    static Backend b;
    return b;
}

int &Dialogs::depth()
{
    static int d = 0;
    return d;
}

void Dialogs::notify(const QString &text)
{
    if (!noticesBlock()) {
        notifyNonBlocking(text);
        return;
    }
    if (backend().notify)
        backend().notify(text);
    else
        qWarning().noquote() << "KESSAMIR:" << text;
}

bool Dialogs::askYesNo(const QString &text)
{
    if (backend().ask)
        return backend().ask(text);
    qWarning().noquote() << "KESSAMIR (answered No):" << text;
    return false;
}

bool Dialogs::askYesNoDefaultNo(const QString &text)
{
    if (backend().askDefaultNo)
        return backend().askDefaultNo(text);
    return askYesNo(text);
}

void Dialogs::notifyNonBlocking(const QString &text)
{
    if (backend().notifyNonBlocking)
        backend().notifyNonBlocking(text);
    else
        notify(text);
}

void Dialogs::install(Backend b)
{
    backend() = std::move(b);
}

Dialogs::Script::Script() : m_previous(backend())
{
    backend().notify = [this](const QString &t) {
        m_shown << t;
        m_blocking << t;
    };
    backend().notifyNonBlocking = [this](const QString &t) { m_shown << t; };
    backend().ask = [this](const QString &t) {
        m_shown << t;
        if (m_answers.empty()) {
            ++m_unexpected;
            qWarning().noquote() << "unexpected question:" << t;
            return false;
        }
        const bool yes = m_answers.front();
        m_answers.pop_front();
        return yes;
    };
    backend().askDefaultNo = [this](const QString &t) {
        m_defaultNo << t;
        return backend().ask(t);
    };
}

Dialogs::Script::~Script()
{
    backend() = m_previous;
}

QStringList Dialogs::Script::takeShown()
{
    QStringList s = m_shown;
    m_shown.clear();
    return s;
}

} // namespace kess
