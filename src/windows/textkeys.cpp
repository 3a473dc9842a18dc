#include "textkeys.h"

#include <QBoxLayout>
#include <QKeySequence>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <functional>

namespace kess {

namespace {

// The key itself, whatever the platform theme binds, and the theme's own keys beside it.
void onKeys(QWidget *window, QKeySequence::StandardKey standard, const QKeySequence &own, const std::function<void()> &act)
{
    QList<QKeySequence> keys{own};
    for (const QKeySequence &key : QKeySequence::keyBindings(standard))
        if (!keys.contains(key))
            keys << key;
    for (const QKeySequence &key : keys)
        QObject::connect(new QShortcut(key, window), &QShortcut::activated, window, act);
}

} // namespace

QLineEdit *addFindBox(QPlainTextEdit *box, QBoxLayout *layout)
{
    auto *find = new QLineEdit(box->parentWidget());
    find->setObjectName(QStringLiteral("findBox"));
    find->setPlaceholderText(QStringLiteral("Find (Enter: next)"));
    find->setAccessibleName(QStringLiteral("Find in the text"));
    find->setClearButtonEnabled(true);
    find->hide();
    layout->addWidget(find);
    auto findNext = [box, find] {
        if (find->text().isEmpty())
            return;
        if (!box->find(find->text())) {
            box->moveCursor(QTextCursor::Start); // on from the top
            box->find(find->text());
        }
    };
    QObject::connect(find, &QLineEdit::returnPressed, box, findNext);
    QObject::connect(find, &QLineEdit::textEdited, box, [box, findNext] {
        // The first match from where the last one began, so the match grows as one types.
        QTextCursor at = box->textCursor();
        at.setPosition(at.selectionStart());
        box->setTextCursor(at);
        findNext();
    });
    onKeys(box->window(), QKeySequence::Find, QKeySequence(Qt::CTRL | Qt::Key_F), [find] {
        find->show();
        find->setFocus();
        find->selectAll();
    });
    return find;
}

void printByKeyboard(QPushButton *print)
{
    onKeys(print->window(), QKeySequence::Print, QKeySequence(Qt::CTRL | Qt::Key_P), [print] { print->click(); });
}

} // namespace kess
