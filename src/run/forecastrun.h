#pragma once
// The forecast run: every site of the site list in turn, driven by "Run immediately" and by the
// scheduling timer. Companion programs are started and answered through the working files.
#include "companions/launcher.h"
#include "files/errors.h"
#include "run/runstatus.h"
#include "run/waits.h"

#include <QFile>
#include <QString>

namespace kess {

class MainWindow;
struct AppState;

// The run log "kesslog.txt": one progress mark per line, kept open for the run.
class RunLog {
public:
    bool create();
    void mark(const QString &line);
    void close() { m_file.close(); }
private:
    QFile m_file{QStringLiteral("kesslog.txt")};
};

class ForecastRun {
public:
    explicit ForecastRun(MainWindow &window);

    // "Run immediately". While a forecast or learning run is under way it only says so.
    void run();

    // The hidden launch buttons "vantro" and "dorliq".
    LaunchResult startVantro();
    LaunchResult startDorliq();

    // The site code prefix: the first three characters of the code, leading blanks removed.
    static QString codePrefix(const QString &siteCode);
    // The IrfanView command line of the PNG step.
    static QString pngCommandLine(const QString &irfanViewFolder, const QString &workingFolder,
                                  const QString &pngTargetFolder);

    // What the run is doing now and how the last one went, for the window.
    RunStatus &status() { return m_status; }

private:
    enum class Outcome { Done, Abandoned };

    void runSequence();
    bool checkNotOpen(int fileNumber, const QString &flagFile, const QString &mark, const QString &question);
    bool initialDorliqWait();
    void seaTemperatureCheck();
    void restoreGenericSettings();

    // The per-site cycle.
    void siteCycle(int site);
    Outcome forecastSite(int site);
    bool stage(int site);
    bool waitWhileOpen(int fileNumber, const QString &flagFile, CompanionWatch &watch, const QString &what,
                       bool &sawTimeLimit);
    bool waitForReply(int awaited, CompanionWatch &watch, const QString &what, bool watchDorliqFlag);
    void dorliqClosedWait();
    bool outputCopies(int site, const QString &prefix);
    void appendForecastText();
    void pngStep();
    void batchStep(int site);

    // A failure the user may silence with "Skip non-critical error messages".
    void notice(const QString &text);
    void abandon(int site, const QString &why);
    void trapReport(int where, int error, double openValue);
    void fileTrouble(const FileError &e);

    MainWindow &w;
    AppState &s;
    RunLog m_log;
    QFile m_textAll{QStringLiteral("textall.txt")};
    CompanionWatch m_dorliq;
    CompanionWatch m_vantro;
    RunStatus m_status{s};
};

} // namespace kess
