#pragma once
// The record of a forecast or learning run for the people who look at the window: when it
// started, which site it is at, which sites it forecast and which it skipped and why, or why it
// was aborted. The run reports to it at a few points; at the end it adds one row per site to
// "kessruns.csv", and a forecast run makes the one-line summary that the window shows and that
// is kept in "kesshistory.txt".
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>

namespace kess {

struct AppState;

enum class RunKind { Forecast, Learning };
enum class RunStart { Immediate, Scheduled };

// What became of one site in a run.
enum class SiteOutcome {
    Done,       // forecast (a learning run: learned)
    Skipped,    // lost on its way through the run, with the reason
    NotInRun,   // not in the run list (learning: not marked for learning)
    NotReached, // the run was aborted before it came to the site
};

struct SiteResult {
    int site = 0;
    QString code;
    QString name;
    SiteOutcome outcome = SiteOutcome::NotInRun;
    QString reason; // as the log and the last-run line say it; empty for a site done or not in the run
};

// One run, as the summary line tells it.
struct RunRecord {
    RunKind kind = RunKind::Forecast;
    RunStart how = RunStart::Immediate;
    QDateTime started;
    qint64 lastedMs = 0;
    int sitesIncluded = 0;   // sites in the run list when the run started
    int sitesForecast = 0;
    QList<QString> skipped;  // "KATL Atlanta (why)", in site order
    QList<QString> troubles; // what went wrong beside the forecasts ("PNG conversion after site 2 failed ...")
    QString abortReason;     // empty unless the run was aborted
    bool completed = false;  // the run reached its end
    QList<SiteResult> sites; // every site of the list, in site order

    int lostSites() const; // skipped or not reached
};

// "started 2026-12-09 06:15:01, lasted 2 min 05 s, 3 of 4 sites forecast, skipped: KATL Atlanta
// (why), troubles: what"; an aborted run says "aborted: why" instead of the count, unless it had reached sites.
QString summaryLine(const RunRecord &record);
// 45 s -> "45 s", 125 s -> "2 min 05 s", 3720 s -> "1 h 02 min".
QString durationText(qint64 ms);

// "kesshistory.txt" in the working folder: one summary line per run, CR LF, the last
// `historyLimit` lines kept.
inline constexpr int historyLimit = 1000;
QString historyFileName();
// Appends a line and drops the oldest beyond `limit` (the file is replaced whole, atomically).
// Throws FileError when it cannot be written.
void appendHistory(const QString &line, int limit = historyLimit);
// The last line of the history; empty when there is none.
QString lastHistoryLine();

class RunStatus : public QObject {
    Q_OBJECT
public:
    explicit RunStatus(const AppState &state, RunKind kind = RunKind::Forecast);

    // The points of the run that report here.
    void begin(RunStart how = RunStart::Immediate);
    void site(int site);
    void forecast(int site);
    void skipped(int site, const QString &why);
    void trouble(const QString &what) { m_record.troubles << what; }
    void aborted(const QString &why);
    void completed();
    void end();

    bool running() const { return m_running; }
    int position() const { return m_position; }     // k of "site k of n"
    int total() const { return m_record.sitesIncluded; }
    QString currentSite() const { return m_currentSite; }
    qint64 elapsedMs() const;
    const RunRecord &record() const { return m_record; }
    // The summary of the last run that ended here; empty before the first.
    QString lastLine() const { return m_lastLine; }
    // Why the history or the run record could not be written at the last end; empty when they were.
    QString historyTrouble() const { return m_historyTrouble; }
    RunKind kind() const { return m_kind; }

signals:
    void started();
    void movedOn();
    // The summary line and the whole record of the run that has just ended.
    void finished(const QString &line);
    void ended(const kess::RunRecord &record);

private:
    QString siteText(int site) const;
    SiteResult *result(int site);

    const AppState &s;
    const RunKind m_kind;
    RunRecord m_record;
    bool m_running = false;
    int m_position = 0;
    QString m_currentSite;
    qint64 m_startMs = 0;
    QString m_lastLine;
    QString m_historyTrouble;
};

} // namespace kess
