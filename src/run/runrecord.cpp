#include "runrecord.h"

#include "files/errors.h"
#include "files/fileops.h"

#include <QFile>

namespace kess {

namespace {

// Twice what 20,000 rows of long names and reasons take; a file grown beyond it (edited, or not
// ours) is read only this far, and only its last 20,000 rows count.
constexpr qint64 RunRecordReadLimit = 8 << 20;
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
// which the spreadsheet shows as text and readRunRecord takes off again.
bool looksLikeFormula(const QString &text)
{
    return !text.isEmpty() && QStringLiteral("=+-@\t\r").contains(text.front());
}

QString asText(const QString &text) { return looksLikeFormula(text) ? u'\'' + text : text; }

QString fromText(const QString &field)
{
    return field.startsWith(u'\'') && looksLikeFormula(field.mid(1)) ? field.mid(1) : field;
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
    QStringList record;
    QByteArray field;
    bool quoted = false;
    bool fieldStarted = false;
    const auto endField = [&] {
        record << QString::fromUtf8(field);
        field.clear();
        fieldStarted = false;
    };
    qsizetype i = bytes.startsWith(kByteOrderMark) ? kByteOrderMark.size() : 0;
    for (; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (quoted) {
            if (c != '"')
                field += c;
            else if (i + 1 < bytes.size() && bytes[i + 1] == '"')
                field += bytes[++i];
            else
                quoted = false;
        } else if (c == '"' && !fieldStarted) {
            quoted = fieldStarted = true;
        } else if (c == ',') {
            endField();
        } else if (c == '\n' || c == '\r') {
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
            endField();
            records << record;
            record.clear();
        } else {
            field += c;
            fieldStarted = true;
        }
    }
    if (fieldStarted || !field.isEmpty() || !record.isEmpty()) {
        endField();
        records << record;
    }
    return records;
}

QList<QStringList> runRows(const RunRecord &run)
{
    QList<QStringList> rows;
    const QString start = isoLocalTime(run.started);
    const QString seconds = QString::number((run.lastedMs + 500) / 1000);
    for (const SiteResult &r : run.sites)
        rows << QStringList{start, kindWord(run.kind), startWord(run.how), seconds, QString::number(r.site),
                            asText(r.code), asText(r.name), outcomeWord(run.kind, r.outcome), r.reason};
    return rows;
}

namespace {

QList<QStringList> storedRows()
{
    if (!QFile::exists(runRecordFileName()))
        return {};
    QList<QStringList> rows = parseCsv(readBytes(runRecordFileName(), RunRecordReadLimit));
    if (!rows.isEmpty() && rows.first().value(0) == runRecordHeader().first())
        rows.removeFirst();
    rows.removeIf([](const QStringList &row) { return row.size() < 2; }); // blank lines
    if (rows.size() > runRecordLimit)
        rows = rows.mid(rows.size() - runRecordLimit);
    return rows;
}

} // namespace

void appendRunRecord(const RunRecord &run, int limit)
{
    QList<QStringList> rows;
    try {
        rows = storedRows();
    } catch (const FileError &) {
        // A record that cannot be read is started afresh rather than losing this run too.
    }
    rows += runRows(run);
    if (rows.size() > limit)
        rows = rows.mid(rows.size() - limit);
    QByteArray bytes = kByteOrderMark + csvLine(runRecordHeader());
    for (const QStringList &row : rows)
        bytes += csvLine(row);
    writeBytes(runRecordFileName(), bytes);
}

QList<RunRecord> readRunRecord()
{
    QList<QStringList> rows;
    try {
        rows = storedRows();
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
    QStringList lines;
    if (!run.abortReason.isEmpty())
        lines << QStringLiteral("Aborted: ") + run.abortReason;
    for (const SiteResult &r : run.sites)
        if (r.outcome == SiteOutcome::Skipped)
            lines << QStringLiteral("%1 %2: %3").arg(r.code, r.name, r.reason);
    QStringList notReached;
    for (const SiteResult &r : run.sites)
        if (r.outcome == SiteOutcome::NotReached)
            notReached << r.code + u' ' + r.name;
    if (!notReached.isEmpty())
        lines << QStringLiteral("Not reached: ") + notReached.join(QStringLiteral(", "));
    notice.body = lines.join(u'\n');
    return notice;
}

} // namespace kess
