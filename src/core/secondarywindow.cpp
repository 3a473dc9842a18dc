#include "secondarywindow.h"

#include <QKeySequence>
#include <QScreen>
#include <QShortcut>
#include <QWidget>

namespace kess {

void closeByKeyboard(QWidget *window)
{
    // Ctrl+W itself, whatever the platform theme binds to Close (some bind only Ctrl+F4), and
    // the theme's other Close keys beside it; one shortcut per key, so none is ambiguous.
    QList<QKeySequence> keys{QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)};
    for (const QKeySequence &close : QKeySequence::keyBindings(QKeySequence::Close))
        if (!keys.contains(close))
            keys << close;
    for (const QKeySequence &key : keys) {
        auto *shortcut = new QShortcut(key, window);
        QObject::connect(shortcut, &QShortcut::activated, window, &QWidget::close);
    }
}

void placeOverOwner(QWidget *window)
{
    QWidget *owner = window->parentWidget() ? window->parentWidget()->window() : nullptr;
    QScreen *screen = owner ? owner->screen() : window->screen();
    if (!screen)
        return;
    const QRect free = screen->availableGeometry();
    if (!window->testAttribute(Qt::WA_Resized))
        window->adjustSize(); // a window that chose no size of its own takes the one its layout needs
    // The frame is not known before the window is shown; the owner's is a fair guess.
    const bool ownerShown = owner && owner->isVisible();
    const QSize frame = ownerShown ? owner->frameGeometry().size() - owner->geometry().size() : QSize(0, 0);
    const QSize inner = window->size().boundedTo(free.size() - frame);
    window->resize(inner.expandedTo(window->minimumSize()));

    QRect outer(QPoint(0, 0), window->size() + frame);
    outer.moveCenter(ownerShown ? owner->frameGeometry().center() : free.center());
    outer.moveLeft(qMax(free.left(), qMin(outer.left(), free.right() + 1 - outer.width())));
    outer.moveTop(qMax(free.top(), qMin(outer.top(), free.bottom() + 1 - outer.height())));
    window->move(outer.topLeft());
}

} // namespace kess
