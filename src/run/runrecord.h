#pragma once
// "kessruns.csv" in the working folder: one row per site for every forecast and learning run, for
// a spreadsheet and for the run history window. RFC 4180 (commas, double quotes, CR LF), UTF-8
// with a byte order mark so that a spreadsheet takes the names as UTF-8, a header row first.
// Only the last `runRecordLimit` rows are kept, and no more than 8 MiB of them; the file is replaced
// whole, atomically. Each row is one line; the rows already there are written back as they were.
#include "run/runstatus.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace kess {

inline constexpr int runRecordLimit = 20000;
QString runRecordFileName();
QStringList runRecordHeader();

// "forecast" or "learning".
QString kindWord(RunKind kind);
// "scheduled forecast run of 2026-12-10 06:15".
QString runName(const RunRecord &run);
// "forecast", "skipped", "not in run", "not reached"; a learning run's site done is "learned".
QString outcomeWord(RunKind kind, SiteOutcome outcome);
// 2026-12-10 06:15:01 at UTC+1 -> "2026-12-10T06:15:01+01:00".
QString isoLocalTime(const QDateTime &time);

// One line of fields, quoted where a field needs it, ended by CR LF.
QByteArray csvLine(const QStringList &fields);
// Every record of a CSV text, one a line (a leading byte order mark dropped; CR LF or LF between
// records); a line with a quote left open is no record, and the lines after it are read on.
QList<QStringList> parseCsv(const QByteArray &bytes);

// The rows of one run, one per site, in the columns of the header.
QList<QStringList> runRows(const RunRecord &run);
// Adds the run's rows and keeps the last `limit` (of a file grown too large, its newest rows). Throws FileError when the file cannot be written.
void appendRunRecord(const RunRecord &run, int limit = runRecordLimit);
// The runs of the record, oldest first, as far as the rows tell them (start, kind, how, duration
// and every site's outcome and reason). An unreadable or missing file gives none.
QList<RunRecord> readRunRecord();

// What a desktop notification says of a run: nothing for a run that lost no site and was not
// aborted; otherwise a summary naming the run and the number of sites lost, and one body line
// per lost site with its reason.
struct RunNotice {
    QString summary;
    QString body;
    bool empty() const { return summary.isEmpty(); }
};
RunNotice runNotice(const RunRecord &run);

} // namespace kess
