#pragma once
// Opening VANTRO, DORLIQ or PELTHOR on the settings of the selected site.
#include <QHash>
#include <QString>

namespace kess {

class MainWindow;

class CompanionOpen {
public:
    explicit CompanionOpen(MainWindow &window);
    void openVantro();
    void openDorliq();
    // Also pressed by the forecast run after each site; during a run it leaves the save and
    // "Don't save" buttons disabled.
    void openPelthor();

    // True while the copy of the program ("vantro.exe") last opened by these buttons still runs.
    bool openedStillRunning(const QString &program);

private:
    void openForSettings(int which);
    MainWindow &w;
    QHash<QString, qint64> m_opened; // program file name and the task id it was last opened as
};

} // namespace kess
