#pragma once
// Tells the desktop when a run lost a site or was aborted: one notification per such run through
// the desktop's notification service (org.freedesktop.Notifications on the session bus), whose
// action opens the run history. Where no service answers, the tray icon shows the message; where
// there is no tray either, a line on the program's log output says it. Never a box to click, and
// nothing at all for a clean run.
#include "run/runrecord.h"

#include <QObject>
#include <functional>

class QSystemTrayIcon;

namespace kess {

class RunNotifier : public QObject {
    Q_OBJECT
public:
    // `tray` is the fallback (may be null); `openHistory` is what the notification's action does.
    RunNotifier(QSystemTrayIcon *tray, std::function<void()> openHistory, QObject *parent = nullptr);

    void runEnded(const RunRecord &run);
    // Any other notification; `withHistory` gives it the action that opens the run history.
    void tell(const RunNotice &notice, bool withHistory);

    // How the last notice went out: "dbus", "tray", "log"; empty when there was none.
    QString lastChannel() const { return m_lastChannel; }

private slots:
    void actionInvoked(uint id, const QString &action);

private:
    void fallBack(const RunNotice &notice);

    QSystemTrayIcon *m_tray;
    std::function<void()> m_openHistory;
    QList<uint> m_sent; // ids the service gave our notifications
    QString m_lastChannel;
};

} // namespace kess
