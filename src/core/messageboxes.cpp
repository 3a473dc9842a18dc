#include "messageboxes.h"

#include "core/dialogs.h"

#include <QApplication>
#include <QMessageBox>

namespace kess {

namespace {
// Some messages separate their lines with carriage returns alone.
QString displayText(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text;
}
} // namespace

void installMessageBoxes()
{
    Dialogs::Backend b;
    b.notify = [](const QString &text) {
        QMessageBox::information(QApplication::activeWindow(), QStringLiteral("KESSAMIR"), displayText(text));
    };
    b.ask = [](const QString &text) {
        return QMessageBox::question(QApplication::activeWindow(), QStringLiteral("KESSAMIR"), displayText(text),
                                     QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    };
    b.notifyNonBlocking = [](const QString &text) {
        auto *box = new QMessageBox(QMessageBox::Information, QStringLiteral("KESSAMIR"), displayText(text),
                                    QMessageBox::Ok, QApplication::activeWindow());
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setModal(false);
        box->show();
    };
    Dialogs::install(b);
}

} // namespace kess
