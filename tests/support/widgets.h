#pragma once
// Driving widgets as a user does.
#include <QListWidget>
#include <QTest>
#include <QWidget>

namespace kess::test {

// Shows a window as a desktop does: shown, activated, with the keyboard focus.
inline bool showActive(QWidget &window)
{
    window.show();
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
}

// Clicks a row of a list with the mouse (the row may already be the highlighted one).
inline void clickRow(QListWidget *list, int row)
{
    list->scrollToItem(list->item(row));
    const QRect r = list->visualItemRect(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
}

} // namespace kess::test
