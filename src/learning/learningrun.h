#pragma once
// The learning program's buttons of the main window: "Set up mirrix.exe for all sites" makes sure
// the learning files exist and opens the setup window; "Run mirrix immediately", also started by
// the learning timer once a day, runs mirrix.exe for every site marked for learning.
#include "run/forecastrun.h"
#include "run/waits.h"
#include "learning/mirrixsetup.h"

#include <QPointer>

namespace kess {

class MainWindow;

struct AppState;

class LearningRun {
public:
    explicit LearningRun(MainWindow &window);

    // "Set up mirrix.exe for all sites".
    void setUpForAllSites();
    // The learning run. While a forecast or learning run is under way it only says so.
    // `delayNote`, when given, goes into the run log.
    void run(RunStart how = RunStart::Immediate, const QString &delayNote = {});

    // What the learning run is doing now and how the last one went.
    RunStatus &status() { return m_status; }

    // The setup window while it is open.
    MirrixSetup *setupWindow() const { return m_setup && m_setup->isVisible() ? m_setup.data() : nullptr; }

private:
    void showSetupWindow();
    void learnSite(int site);
    bool stage(int site);
    void lose(int site, const QString &why);
    void finish();
    void notice(const QString &text);

    MainWindow &w;
    AppState &s;
    QPointer<MirrixSetup> m_setup;
    RunLog m_log{QStringLiteral("mirrixlog.txt")};
    CompanionWatch m_mirrix;
    bool m_staged = false; // the run has put a site's files in place
    RunStatus m_status{s, RunKind::Learning};
};

} // namespace kess
