#include "runstatus.h"

#include "core/appstate.h"
#include "core/clock.h"
#include "files/errors.h"
#include "files/fileops.h"
#include "files/listreader.h"
#include "files/records.h"
#include "run/runrecord.h"

#include <QFile>

namespace kess {

QString durationText(qint64 ms)
{
    const qint64 seconds = (ms + 500) / 1000;
    const auto two = [](qint64 v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
    if (seconds < 60)
        return QStringLiteral("%1 s").arg(seconds);
    if (seconds < 3600)
        return QStringLiteral("%1 min %2 s").arg(seconds / 60).arg(two(seconds % 60));
    return QStringLiteral("%1 h %2 min").arg(seconds / 3600).arg(two(seconds % 3600 / 60));
}

QString summaryLine(const RunRecord &r)
{
    QString line = QStringLiteral("started %1, lasted %2")
                       .arg(r.started.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), durationText(r.lastedMs));
    const bool reachedSites = r.sitesForecast > 0 || !r.skipped.isEmpty();
    if (r.abortReason.isEmpty() || reachedSites)
        line += QStringLiteral(", %1 of %2 sites forecast").arg(r.sitesForecast).arg(r.sitesIncluded);
    if (!r.skipped.isEmpty())
        line += QStringLiteral(", skipped: ") + r.skipped.join(QStringLiteral("; "));
    if (!r.troubles.isEmpty())
        line += QStringLiteral(", troubles: ") + r.troubles.join(QStringLiteral("; "));
    if (!r.abortReason.isEmpty())
        line += QStringLiteral(", aborted: ") + r.abortReason;
    return line;
}

QString historyFileName() { return QStringLiteral("kesshistory.txt"); }

namespace {

// Longer than the line of a run that lost all 99 sites, each with its reason; a longer line is cut.
constexpr qint64 HistoryLineLimit = 16 << 10;
// The history is read from its end, this far: its newest lines, however large the file has grown.
constexpr qint64 HistoryReadLimit = 4 << 20;
// How far back the last line is looked for behind the zeros a power cut can leave at the end.
constexpr qint64 ZeroTailLimit = 16 << 20;

QByteArray withoutZeroTail(QByteArray bytes)
{
    qsizetype end = bytes.size();
    while (end > 0 && (bytes[end - 1] == '\0' || bytes[end - 1] == '\r' || bytes[end - 1] == '\n'))
        --end;
    bytes.truncate(end);
    return bytes;
}

} // namespace

void appendHistory(const QString &line, int limit)
{
    QList<QByteArray> lines;
    if (QFile::exists(historyFileName())) {
        qint64 size = 0;
        const QByteArray bytes = readTail(historyFileName(), HistoryReadLimit, &size);
        lines = bytes.split('\n');
        if (size > bytes.size())
            lines.removeFirst(); // begins inside a line
        for (QByteArray &l : lines)
            if (l.endsWith('\r'))
                l.chop(1);
        lines.removeIf([](const QByteArray &l) { return l.count('\0') == l.size(); }); // blank, or zeros
    }
    // One run, one line, whatever its sites' names hold.
    QString added = withoutControls(line);
    if (added.size() > HistoryLineLimit)
        added = added.left(HistoryLineLimit - 1) + QChar(0x2026);
    lines << encodeText(added);
    if (lines.size() > limit)
        lines.remove(0, lines.size() - limit);
    writeBytes(historyFileName(), lines.join("\r\n") + "\r\n");
}

QString lastHistoryLine()
{
    try {
        qint64 size = 0;
        QByteArray bytes = withoutZeroTail(readTail(historyFileName(), HistoryLineLimit, &size));
        qint64 read = HistoryLineLimit;
        if (bytes.isEmpty() && size > HistoryLineLimit) {
            bytes = withoutZeroTail(readTail(historyFileName(), ZeroTailLimit));
            read = ZeroTailLimit;
        }
        const qsizetype lineStart = bytes.lastIndexOf('\n') + 1;
        QString last = withoutControls(decodeText(bytes.sliced(lineStart).right(HistoryLineLimit)));
        if (lineStart == 0 && size > read) // a line longer than the limit: its end is shown
            last.prepend(QChar(0x2026));
        return last;
    } catch (const FileError &) {
        return {};
    }
}

int RunRecord::lostSites() const
{
    int lost = 0;
    for (const SiteResult &r : sites)
        lost += r.outcome == SiteOutcome::Skipped || r.outcome == SiteOutcome::NotReached;
    return lost;
}

RunStatus::RunStatus(const AppState &state, RunKind kind) : s(state), m_kind(kind) {}

SiteResult *RunStatus::result(int site)
{
    for (SiteResult &r : m_record.sites)
        if (r.site == site)
            return &r;
    return nullptr;
}

QString RunStatus::siteText(int site) const
{
    return s.siteCodes[site] + QLatin1Char(' ') + s.siteNames[site];
}

qint64 RunStatus::elapsedMs() const
{
    return m_running ? Clock::monotonicMs() - m_startMs : m_record.lastedMs;
}

void RunStatus::begin(RunStart how)
{
    m_record = RunRecord{};
    m_record.kind = m_kind;
    m_record.how = how;
    m_record.started = Clock::now();
    const bool learning = m_kind == RunKind::Learning;
    const int count = learning ? std::min(s.learningListLength, MaxSites) : s.siteCount;
    for (int n = 1; n <= count; ++n) {
        const bool included = (learning ? s.learningIncludeFlags[n] : s.runListFlags[n]) == 1;
        m_record.sitesIncluded += included;
        m_record.sites << SiteResult{n, s.siteCodes[n], s.siteNames[n],
                                     included ? SiteOutcome::NotReached : SiteOutcome::NotInRun, {}};
    }
    m_startMs = Clock::monotonicMs();
    m_position = 0;
    m_currentSite.clear();
    m_running = true;
    emit started();
}

void RunStatus::site(int site)
{
    ++m_position;
    m_currentSite = siteText(site);
    emit movedOn();
}

void RunStatus::forecast(int site)
{
    ++m_record.sitesForecast;
    if (SiteResult *r = result(site))
        r->outcome = SiteOutcome::Done;
}

void RunStatus::skipped(int site, const QString &why)
{
    m_record.skipped << siteText(site) + QStringLiteral(" (") + why + QLatin1Char(')');
    if (SiteResult *r = result(site)) {
        r->outcome = SiteOutcome::Skipped;
        r->reason = why;
    }
}

void RunStatus::aborted(const QString &why)
{
    if (m_record.abortReason.isEmpty())
        m_record.abortReason = why;
}

void RunStatus::completed() { m_record.completed = true; }

void RunStatus::end()
{
    if (!m_running)
        return;
    m_running = false;
    m_record.lastedMs = Clock::monotonicMs() - m_startMs;
    const QString log = m_kind == RunKind::Learning ? QStringLiteral("mirrixlog.txt") : QStringLiteral("kesslog.txt");
    if (!m_record.completed && m_record.abortReason.isEmpty())
        m_record.abortReason = QStringLiteral("the run ended early, see ") + log;
    // The sites the run never came to. A run that reached its end came to every site of its list;
    // one it left without a word for a site still counts that site as lost.
    for (SiteResult &r : m_record.sites) {
        if (r.outcome != SiteOutcome::NotReached)
            continue;
        if (m_record.completed) {
            r.outcome = SiteOutcome::Skipped;
            r.reason = (m_kind == RunKind::Learning ? QStringLiteral("not learned, see ")
                                                    : QStringLiteral("no forecast made, see ")) + log;
        } else {
            r.reason = m_record.abortReason;
        }
    }
    m_lastLine = summaryLine(m_record);
    m_historyTrouble.clear();
    QStringList trouble;
    if (m_kind == RunKind::Forecast) {
        try {
            appendHistory(m_lastLine);
        } catch (const FileError &e) {
            trouble << e.reason;
        }
    }
    try {
        appendRunRecord(m_record);
    } catch (const FileError &e) {
        trouble << e.reason;
    }
    m_historyTrouble = trouble.join(QStringLiteral("; "));
    emit finished(m_lastLine);
    emit ended(m_record);
}

} // namespace kess
