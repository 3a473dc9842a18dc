#pragma once
// The main window: every control under its own name (also its objectName), the application
// state, and the handlers of the options. The handlers of the bigger buttons live with their
// subsystems (sites/, run/, scheduler/, companions/) and are wired up here.
#include "core/appstate.h"
#include "core/rungate.h"
#include "run/runstatus.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>
#include <QWidget>
#include <array>
#include <memory>

namespace kess {

class SiteList;
class ForecastRun;
class SchedulerPanel;
class CompanionOpen;
class Shutdown;
class SiteSettings;
class DstButtons;
class LearningRun;
class AuxWindows;
class RunStatusPanel;
class RunTray;
class EmptyFolderPanel;

class MainWindow : public QWidget {
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // Runs start-up (reads the settings files of the current folder and restores the window).
    void startUp();

    AppState state;
    RunGate runGate;

    // Site list
    QListWidget *List1;
    QLabel *Label6, *Label15, *Label4, *Label3, *Label16;
    QPushButton *Command8, *Command9, *Command18, *Command19;
    // Site settings
    QPushButton *Command5, *Command6, *Command12, *Command4, *Command13;
    QRadioButton *Option1, *Option2;
    QLabel *Label11, *Label12;
    // Schedule
    std::array<QCheckBox *, 24> tm;
    QLabel *Label5;
    QLineEdit *mintx;
    QScrollBar *minscrl;
    QPushButton *Command1;
    QLabel *offon, *Label18;
    QLabel *nextRun; // "next run 18:15" beside "Scheduler ON"
    // Run
    QPushButton *Command2, *Command7;
    QPushButton *runHistoryButton; // "Run history"
    QLabel *Label1, *Label2, *Label7, *Label8;
    QLabel *Label13, *Label14, *omlbl;
    QLineEdit *mintowaittx;
    QCheckBox *exmodchk, *locchk;
    // Options
    QCheckBox *boothr, *usedefst, *skipmsg, *bmppng, *exbat;
    QLineEdit *ivtx, *pngtar, *exbattx;
    QLabel *Label9;
    // Daylight saving and learning
    QLabel *Label10;
    QPushButton *Command14, *Command15, *Command20, *Command21;
    // Help, about, close
    QPushButton *Command10, *Command11, *Command3;
    QLabel *Label17;
    // Hidden launch buttons of the run
    QPushButton *Command16, *Command17;
    // Reply poll, scheduling and learning timers
    QTimer *Timer1, *Timer2, *Timer3;
    // Progress of the run under way and the summary of the last one
    RunStatusPanel *runStatusPanel = nullptr;
    // In place of the site list when the folder holds no sites at all
    EmptyFolderPanel *emptyFolderPanel = nullptr;
    void showEmptyFolder(bool empty);

    SiteList &siteList() { return *m_siteList; }
    ForecastRun &forecastRun() { return *m_forecastRun; }
    SchedulerPanel &scheduler() { return *m_scheduler; }
    CompanionOpen &companionOpen() { return *m_companionOpen; }
    Shutdown &shutdown() { return *m_shutdown; }
    SiteSettings &siteSettings() { return *m_siteSettings; }
    LearningRun &learningRun() { return *m_learningRun; }
    AuxWindows &auxWindows() { return *m_auxWindows; }
    RunTray &runTray() { return *m_runTray; }

    // Offered before most actions when a companion program was opened for a site's settings
    // and not saved.
    void unsavedSettingsCheck();
    // The learning run ("Run mirrix immediately"), started by the learning timer.
    void runLearning(RunStart how = RunStart::Immediate, const QString &delayNote = {});

    static QColor darkGreen();
    static QColor darkRed();
    static void setTextColor(QLabel *label, const QColor &colour);

protected:
    // Closing the window through its frame saves nothing; it asks first.
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void arrangeControls();
    void connectOptions();
    void explainOptions();
    void writeOptionFile(const QString &name, int value);

    bool m_startingUp = false;
    std::unique_ptr<SiteList> m_siteList;
    std::unique_ptr<ForecastRun> m_forecastRun;
    std::unique_ptr<SchedulerPanel> m_scheduler;
    std::unique_ptr<CompanionOpen> m_companionOpen;
    std::unique_ptr<Shutdown> m_shutdown;
    std::unique_ptr<SiteSettings> m_siteSettings;
    std::unique_ptr<DstButtons> m_dstButtons;
    std::unique_ptr<LearningRun> m_learningRun;
    std::unique_ptr<AuxWindows> m_auxWindows;
    RunTray *m_runTray = nullptr; // a child of the window
};

} // namespace kess
