#include "runrecord.h"

#include "files/errors.h"
#include "files/fileops.h"
#include "files/listreader.h"
#include "files/records.h"

#include <QFile>
#include <QtDebug>
#include <optional>

namespace kess {

namespace {

// Twice what 20,000 rows of long names and reasons take: the record never grows beyond it, and of
// a file grown beyond it (edited, or not ours) only its last 8 MiB, its newest rows, count.
constexpr qint64 RunRecordByteLimit = 8 << 20;
const QByteArray kByteOrderMark("\xEF\xBB\xBF");

QString startWord(RunStart how) { return how == RunStart::Scheduled ? QStringLiteral("scheduled") : QStringLiteral("immediate"); }

SiteOutcome outcomeFromWord(const QString &word)
{
    if (word == QLatin1String("skipped"))
        return SiteOutcome::Skipped;
    if (word == QLatin1String("not in run"))
        return SiteOutcome::NotInRun;
    if (word == QLatin1String("not reached"))
        return SiteOutcome::NotReached;
    return SiteOutcome::Done;
}

// A site's code and name come from its settings file: one that starts like a formula (=, +, -, @)
// would be run by a spreadsheet that opens the record, so it is stored behind an apostrophe,
// which the spreadsheet shows as text and readRunRecord takes off again. A value that starts with
// an apostrophe itself gets one more, so that it comes back whole too.
bool needsApostrophe(const QString &text)
{
    return !text.isEmpty() && QStringLiteral("=+-@\t\r'").contains(text.front());
}

QString asText(const QString &text) { return needsApostrophe(text) ? u'\'' + text : text; }

QString fromText(const QString &field)
{
    return field.startsWith(u'\'') && needsApostrophe(field.mid(1)) ? field.mid(1) : field;
}

// The fields of one line, or nothing when a quote is left open in it. A field that is not UTF-8
// (written by another program) is read as Latin-1.
std::optional<QStringList> parseCsvLine(QByteArrayView line)
{
    QStringList record;
    QByteArray field;
    bool quoted = false;
    bool fieldStarted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c != '"')
                field += c;
            else if (i + 1 < line.size() && line[i + 1] == '"')
                field += line[++i];
            else
                quoted = false;
        } else if (c == '"' && !fieldStarted) {
            quoted = fieldStarted = true;
        } else if (c == ',') {
            record << decodeText(field);
            field.clear();
            fieldStarted = false;
        } else {
            field += c;
            fieldStarted = true;
        }
    }
    if (quoted)
        return std::nullopt;
    record << decodeText(field);
    return record;
}

// The lines of a CSV text without their line ends (a leading byte order mark dropped); a file cut
// off after its last line end has no empty line after it.
QList<QByteArray> recordLines(const QByteArray &bytes)
{
    QList<QByteArray> lines;
    qsizetype at = bytes.startsWith(kByteOrderMark) ? kByteOrderMark.size() : 0;
    while (at < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', at);
        if (end < 0)
            end = bytes.size();
        QByteArray line = bytes.sliced(at, end - at);
        if (line.endsWith('\r'))
            line.chop(1);
        lines << line;
        at = end + 1;
    }
    return lines;
}

} // namespace

QString kindWord(RunKind kind) { return kind == RunKind::Learning ? QStringLiteral("learning") : QStringLiteral("forecast"); }

QString runName(const RunRecord &run)
{
    return QStringLiteral("%1 %2 run of %3")
        .arg(startWord(run.how), kindWord(run.kind), run.started.toString(QStringLiteral("yyyy-MM-dd HH:mm")));
}

QString runRecordFileName() { return QStringLiteral("kessruns.csv"); }

QStringList runRecordHeader()
{
    return {QStringLiteral("run start"), QStringLiteral("run kind"), QStringLiteral("started by"),
            QStringLiteral("duration s"), QStringLiteral("site number"), QStringLiteral("site code"),
            QStringLiteral("site name"), QStringLiteral("outcome"), QStringLiteral("reason")};
}

QString outcomeWord(RunKind kind, SiteOutcome outcome)
{
    switch (outcome) {
    case SiteOutcome::Done:
        return kind == RunKind::Learning ? QStringLiteral("learned") : QStringLiteral("forecast");
    case SiteOutcome::Skipped:
        return QStringLiteral("skipped");
    case SiteOutcome::NotInRun:
        return QStringLiteral("not in run");
    case SiteOutcome::NotReached:
        break;
    }
    return QStringLiteral("not reached");
}

QString isoLocalTime(const QDateTime &time)
{
    const int offset = time.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return time.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) + (offset < 0 ? u'-' : u'+') +
           QStringLiteral("%1:%2").arg(minutes / 60, 2, 10, QLatin1Char('0')).arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QByteArray csvLine(const QStringList &fields)
{
    QByteArray line;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += ',';
        QByteArray field = fields[i].toUtf8();
        if (field.contains(',') || field.contains('"') || field.contains('\r') || field.contains('\n'))
            field = '"' + field.replace("\"", "\"\"") + '"';
        line += field;
    }
    return line + "\r\n";
}

QList<QStringList> parseCsv(const QByteArray &bytes)
{
    QList<QStringList> records;
    for (const QByteArray &line : recordLines(bytes))
        if (const auto record = parseCsvLine(line))
            records << *record;
    return records;
}

QList<QStringList> runRows(const RunRecord &run)
{
    QList<QStringList> rows;
    const QString start = isoLocalTime(run.started);
    const QString seconds = QString::number((run.lastedMs + 500) / 1000);
    // One row, one line: a line break in a site's code, name or reason would start a forged row.
    for (const SiteResult &r : run.sites)
        rows << QStringList{start, kindWord(run.kind), startWord(run.how), seconds, QString::number(r.site),
                            asText(withoutControls(r.code)), asText(withoutControls(r.name)),
                            outcomeWord(run.kind, r.outcome), withoutControls(r.reason)};
    return rows;
}

namespace {

// The stored rows exactly as the file holds them, one a line without its line end: the newest
// `runRecordLimit` of the last RunRecordByteLimit bytes. A row cut by that limit is left out whole.
QList<QByteArray> storedLines()
{
    if (!QFile::exists(runRecordFileName()))
        return {};
    qint64 size = 0;
    const QByteArray bytes = readTail(runRecordFileName(), RunRecordByteLimit, &size);
    QList<QByteArray> lines = recordLines(bytes);
    if (size > bytes.size() && !lines.isEmpty())
        lines.removeFirst();
    else if (!lines.isEmpty() && lines.first().startsWith(csvLine({runRecordHeader().first()}).chopped(2) + ','))
        lines.removeFirst();
    // Blank lines, and the zeros a power cut can leave at the end of a file.
    lines.removeIf([](const QByteArray &line) { return line.count('\0') == line.size(); });
    if (lines.size() > runRecordLimit)
        lines.remove(0, lines.size() - runRecordLimit);
    return lines;
}

} // namespace

void appendRunRecord(const RunRecord &run, int limit)
{
    QList<QByteArray> lines;
    try {
        lines = storedLines();
    } catch (const FileError &) {
        // A record that cannot be read is started afresh rather than losing this run too.
    }
    // The rows already there go back byte for byte, even those that do not parse.
    for (const QStringList &row : runRows(run))
        lines << csvLine(row).chopped(2);
    if (lines.size() > limit)
        lines.remove(0, lines.size() - limit);
    QByteArray bytes = kByteOrderMark + csvLine(runRecordHeader());
    qint64 total = bytes.size();
    qsizetype first = lines.size();
    while (first > 0 && total + lines[first - 1].size() + 2 <= RunRecordByteLimit)
        total += lines[--first].size() + 2;
    bytes.reserve(total);
    for (qsizetype i = first; i < lines.size(); ++i)
        bytes += lines[i] + "\r\n";
    writeBytes(runRecordFileName(), bytes);
}

QList<RunRecord> readRunRecord()
{
    QList<QStringList> rows;
    try {
        int unreadable = 0;
        for (const QByteArray &line : storedLines()) {
            if (auto row = parseCsvLine(line))
                rows << *row;
            else
                ++unreadable;
        }
        if (unreadable > 0)
            qWarning().noquote() << QStringLiteral("%1: %2 row(s) with a quote left open are not shown")
                                        .arg(runRecordFileName())
                                        .arg(unreadable);
    } catch (const FileError &) {
        return {};
    }
    QList<RunRecord> runs;
    QString runKey;
    int lastSite = 0;
    for (const QStringList &row : rows) {
        if (row.size() < 8)
            continue;
        // A run's rows go up by site number: two short runs started within one second differ
        // only there.
        const QString key = row[0] + u'|' + row[1] + u'|' + row[2];
        const int siteNumber = row[4].toInt();
        const bool sameRun = !runs.isEmpty() && key == runKey && siteNumber > lastSite;
        lastSite = siteNumber;
        if (!sameRun) {
            runKey = key;
            RunRecord run;
            run.started = QDateTime::fromString(row[0], Qt::ISODate);
            run.kind = row[1] == QLatin1String("learning") ? RunKind::Learning : RunKind::Forecast;
            run.how = row[2] == QLatin1String("scheduled") ? RunStart::Scheduled : RunStart::Immediate;
            run.lastedMs = row[3].toLongLong() * 1000;
            runs << run;
        }
        RunRecord &run = runs.last();
        SiteResult site{siteNumber, fromText(row[5]), fromText(row[6]), outcomeFromWord(row[7]), row.value(8)};
        if (site.outcome == SiteOutcome::NotReached && run.abortReason.isEmpty())
            run.abortReason = site.reason;
        run.sites << site;
    }
    return runs;
}

RunNotice runNotice(const RunRecord &run)
{
    const int lost = run.lostSites();
    if (lost == 0 && run.abortReason.isEmpty())
        return {};
    RunNotice notice;
    notice.summary = QStringLiteral("KESSAMIR: %1 %2 %3 site%4")
                         .arg(runName(run), run.abortReason.isEmpty() ? QStringLiteral("lost") : QStringLiteral("aborted, lost"))
                         .arg(lost)
                         .arg(lost == 1 ? QString() : QStringLiteral("s"));
    // One body line per lost site: a NUL or line break in a value would cut or split it.
    QStringList lines;
    if (!run.abortReason.isEmpty())
        lines << QStringLiteral("Aborted: ") + withoutControls(run.abortReason);
    for (const SiteResult &r : run.sites)
        if (r.outcome == SiteOutcome::Skipped)
            lines << withoutControls(QStringLiteral("%1 %2: %3").arg(r.code, r.name, r.reason));
    QStringList notReached;
    for (const SiteResult &r : run.sites)
        if (r.outcome == SiteOutcome::NotReached)
            notReached << withoutControls(r.code + u' ' + r.name);
    if (!notReached.isEmpty())
        lines << QStringLiteral("Not reached: ") + notReached.join(QStringLiteral(", "));
    notice.body = lines.join(u'\n');
    return notice;
}

} // namespace kess
