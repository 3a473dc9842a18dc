#pragma once
// The record of a forecast run for the people who look at the window: when it started, which
// site it is at, which sites it forecast and which it skipped and why, or why it was aborted.
// The run reports to it at a few points; at the end it makes the one-line summary that the
// window shows and that is kept in "kesshistory.txt".
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>

namespace kess {

struct AppState;

// One run, as the summary line tells it.
struct RunRecord {
    QDateTime started;
    qint64 lastedMs = 0;
    int sitesIncluded = 0;   // sites in the run list when the run started
    int sitesForecast = 0;
    QList<QString> skipped;  // "KATL Atlanta (why)", in site order
    QList<QString> troubles; // what went wrong beside the forecasts ("PNG conversion after site 2 failed ...")
    QString abortReason;     // empty unless the run was aborted
    bool completed = false;  // the run reached its end
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
    explicit RunStatus(const AppState &state);

    // The points of the run that report here.
    void begin();
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
    // Why the history could not be written at the last end; empty when it was.
    QString historyTrouble() const { return m_historyTrouble; }

signals:
    void started();
    void movedOn();
    void finished(const QString &line);

private:
    QString siteText(int site) const;

    const AppState &s;
    RunRecord m_record;
    bool m_running = false;
    int m_position = 0;
    QString m_currentSite;
    qint64 m_startMs = 0;
    QString m_lastLine;
    QString m_historyTrouble;
};

} // namespace kess
