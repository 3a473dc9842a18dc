#pragma once
// What a glance tells of the runs without opening the window: the tray icon (where the desktop
// has a tray) with its tool tip (idle or "running site k of n", the last run's result, the next
// scheduled start) and its menu, the next start beside "Scheduler ON", and the notification
// when a run lost a site or was aborted.
#include "run/runstatus.h"

#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>

namespace kess {

class MainWindow;
class RunNotifier;

class RunTray : public QObject {
    Q_OBJECT
public:
    explicit RunTray(MainWindow &window);
    ~RunTray() override;

    QSystemTrayIcon *icon() { return m_icon; }
    RunNotifier &notifier() { return *m_notifier; }
    // Whether the last run lost a site (the icon shows it).
    bool lastRunLost() const { return m_lastLost; }

    // The tool tip, the icon and the next start shown afresh.
    void refresh();

    // Whether closing the window through its frame hides it here instead: the scheduler is on,
    // the desktop has a tray, and the tray menu's setting allows it.
    bool hidesOnClose() const;
    // The window was hidden to the tray: the first time, a notification says so.
    void hiddenToTray();
    QAction *keepInTrayAction() { return m_keepInTray; }

    // Tests decide whether the desktop has a tray for the life of this object.
    class AssumeTray {
    public:
        explicit AssumeTray(bool available);
        ~AssumeTray();
        AssumeTray(const AssumeTray &) = delete;
        AssumeTray &operator=(const AssumeTray &) = delete;
    };
    static bool trayAvailable();

private:
    void watch(RunStatus &status);
    void ended(const RunRecord &run);
    void showWindow();

    MainWindow &w;
    QSystemTrayIcon *m_icon;
    QMenu m_menu;
    RunNotifier *m_notifier;
    const RunStatus *m_running = nullptr;
    QString m_lastResult;
    bool m_lastLost = false;
    QAction *m_keepInTray = nullptr;
    bool m_toldHidden = false;
};

} // namespace kess
