#pragma once
// The forecast run: every site of the site list in turn, driven by "Run immediately" and by the
// scheduling timer. Companion programs are started and answered through the working files.
#include "companions/launcher.h"
#include "files/errors.h"
#include "run/companionwatch.h"
#include "run/runstatus.h"
#include "run/waits.h"

#include <QDateTime>
#include <QFile>
#include <QList>
#include <QPair>
#include <QStringList>
#include <QString>

namespace kess {

class MainWindow;
struct AppState;

// A run log: one progress mark per line, kept open for the run. The forecast run keeps
// "kesslog.txt".
class RunLog {
public:
    explicit RunLog(const QString &name = QStringLiteral("kesslog.txt")) : m_name(name) {}
    bool create();
    void mark(const QString &line);
    void close() { m_file.close(); }
private:
    QString m_name;
    QFile m_file;
};

class ForecastRun {
public:
    explicit ForecastRun(MainWindow &window);

    // "Run immediately", and the scheduling timer's start (nobody may be at the desk: the run
    // asks nothing that would hold it). While a forecast or learning run is under way it only
    // says so. `delayNote`, when given, goes into the run log.
    void run(RunStart how = RunStart::Immediate, const QString &delayNote = {});
    // Why a run in a folder without sites does not start.
    static QString noSitesNotice();

    // The hidden launch buttons "vantro" and "dorliq".
    LaunchResult startVantro();
    LaunchResult startDorliq();

    // The site code prefix: the first three characters of the code, leading blanks removed.
    static QString codePrefix(const QString &siteCode);
    // The converter of the PNG step and what it is given, built from the settings' folders.
    struct PngConversion {
        QString program;       // the IrfanView folder and "i_view32.exe"
        QStringList arguments; // the BMP pattern, then "/convert=" and the PNG pattern
        QString commandLine() const; // the line of "bmppng.bat"
    };
    static PngConversion pngConversion(const QString &irfanViewFolder, const QString &workingFolder,
                                       const QString &pngTargetFolder);
    // The IrfanView command line of the PNG step.
    static QString pngCommandLine(const QString &irfanViewFolder, const QString &workingFolder,
                                  const QString &pngTargetFolder)
    {
        return pngConversion(irfanViewFolder, workingFolder, pngTargetFolder).commandLine();
    }
    // Whether a site code can make the per-site file names: empty when it can, else why not.
    static QString unusableSiteCode(const QString &siteCode);

    // What the run is doing now and how the last one went, for the window.
    RunStatus &status() { return m_status; }

private:
    enum class Outcome { Done, Abandoned };

    void runSequence(const QString &delayNote, bool editsKeptAside);
    bool checkNotOpen(int fileNumber, const QString &flagFile, const QString &mark, const QString &question,
                      const QString &program);
    // Writes 0 into the flag of a companion this run started that has been seen to end with it
    // still at 1 (and not written since).
    void clearStaleFlag(int fileNumber, const QString &flagFile, const QString &program,
                        const CompanionWatch &watch);
    // At the end of a site: the flags of the DORLIQ and VANTRO this run started that have ended
    // are cleared when they still say open, and their records dropped. A record of one still
    // running is kept for the next site's wait. With `all` (the end of a run) every record goes.
    void settleCompanionRecords(bool all);
    // Waits, bounded, until the PELTHOR started for the last site shows it has read its settings
    // (its flag raised since the start, or its process gone), so the next staging cannot
    // replace them under it.
    void waitForPelthorStart();
    bool initialDorliqWait();
    void seaTemperatureCheck();
    void restoreGenericSettings();
    void releaseAfterAbort();

    // The per-site cycle.
    void siteCycle(int site);
    Outcome forecastSite(int site);
    bool stage(int site);
    enum class FlagWait { Closed, TimeLimit, Gone, Deadline };
    // Reads the flag once a second while it holds 1, until `watch`'s companion has gone or its
    // deadline (or, for a holder the run did not start, `boundMs`) has passed.
    // Reads the flag until it is no longer 1; with `answerPoll`, the companion's answer comes by
    // that poll and the flag is read once before each of its ticks (see paceBeforeTick()).
    FlagWait waitWhileOpen(int fileNumber, const QString &flagFile, CompanionWatch &watch, qint64 boundMs,
                           const QTimer *answerPoll = nullptr);
    void dorliqClosedWait();
    // DORLIQ's time-limit answer for the site: taken, so it can never count for a later site.
    void takeTimeLimitAnswer();
    // Gives the site up because its companion did not answer; a companion still running is ended
    // first, so that nothing it writes later lands in the next site's cycle.
    void loseSite(int site, CompanionWatch &watch, const QString &what, WaitEnd why);
    bool outputCopies(int site, const QString &prefix);
    void appendForecastText(int site);
    // A copy of a site's output that failed: a log line, and a trouble on the run's line (nothing
    // when the source was not there).
    void outputLost(int site, const QString &from, const QString &to, const FileError &e);
    void pngStep(int site);
    // Looks at the conversions started so far: a failed one leaves a log line and a trouble on
    // the run's line. With `waitMs`, waits that long at most for those still running.
    void checkConversions(int waitMs = 0);
    void pngFailed(int site, const QString &why);
    // Logs a site whose PELTHOR folder lies outside the working folder (a copied folder).
    void checkPelthorFolder(int site);
    void batchStep(int site);

    // A failure the user may silence with "Skip non-critical error messages".
    void notice(const QString &text);
    void abandon(int site, const QString &why);
    void trapReport(int where, int error, double openValue);
    void fileTrouble(const FileError &e);

    MainWindow &w;
    AppState &s;
    RunLog m_log;
    QFile m_textAll;
    CompanionWatch m_dorliq;
    CompanionWatch m_vantro;
    CompanionWatch m_pelthor;
    bool m_pelthorStarting = false;  // started for a site; not yet seen to have started
    QDateTime m_pelthorFlagBefore;   // when "pelthoropen.txt" was written last before that start
    RunStatus m_status{s};
    QList<QPair<int, qint64>> m_conversions; // site and process of each conversion not yet seen ending
    bool m_scheduled = false;
    bool m_workingFilesChanged = false; // the run has put other settings into the working files
};

} // namespace kess
