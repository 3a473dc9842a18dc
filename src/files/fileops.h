#pragma once
// Whole-file operations in the working folder. Every file that is replaced is replaced
// atomically: written under a temporary name beside it and renamed over the old one, so a
// companion program never reads half a file and a failed write leaves the old file whole.
// Failures throw FileError with the error number and a reason naming the file.
#include "errors.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

class QFile;

namespace kess {

// Whether a replaced file is flushed to the disk before it is renamed into place. The user's own
// data (settings, site files) is; the run's working copies, which every run writes afresh and
// which the companions read straight from the system's cache, need only the atomic rename.
enum class Flush { ToDisk, Cached };

// The scratch file a write of `name` goes through ("kessinit.txt.tmp"). A program stopped in
// the middle of a write leaves at most this one; the next write of `name` takes it over.
QString scratchFileName(const QString &name);
// Replaces `name` with the lines given, each ended by CR LF.
void writeLines(const QString &name, const QStringList &lines);
// Replaces `name` with exactly these bytes.
void writeBytes(const QString &name, const QByteArray &bytes, Flush flush = Flush::ToDisk);
// Writes a numeric record ("5" CR LF) as the whole file.
void writeRecord(const QString &name, double value);
// Every read takes regular files only: a FIFO, a device or a folder under the name is refused
// (FileError 75) without waiting on it, as a file that cannot be read.
// Reads a whole file (FileError 53 and the like when it cannot be opened); a file larger than
// WholeFileReadLimit is refused (57) rather than read into memory.
QByteArray readBytes(const QString &name);
// Reads at most the first `maxBytes` bytes of a file: the readers of the small settings and
// handshake files take no more than their layout needs, however large the file has grown.
QByteArray readBytes(const QString &name, qint64 maxBytes);
// Reads at most the last `maxBytes` bytes of a file (a record that grows at its end: its newest
// lines, however large the file has grown). `fileSize`, when given, receives the file's size.
QByteArray readTail(const QString &name, qint64 maxBytes, qint64 *fileSize = nullptr);
// Far more than any settings or handshake file holds (the largest is a few kilobytes).
constexpr qint64 SettingsReadLimit = 1 << 20;
// Far more than any companion output, saved site file or run record holds.
constexpr qint64 WholeFileReadLimit = 64 << 20;
// Opens `file` on `name`, a file written as the run goes (a run log, the collected forecast text),
// as a new regular file in its folder: whatever held the name (a symbolic or hard link, a FIFO,
// a device, an old file) is removed first, never written through. Throws FileError when it cannot be created.
void openFreshForWriting(QFile &file, const QString &name);
// Copies `source` over `destination` (atomic replace of the destination).
void copyFile(const QString &source, const QString &destination, Flush flush = Flush::ToDisk);
// Renames `source` over `destination`, replacing it in one step (the journal of a rewrite of
// many files: every new file written beside its target first, then each renamed into place).
void moveOver(const QString &source, const QString &destination);
// Deletes a file; a file that is not there counts as deleted.
void removeFile(const QString &name);

// Reads the single numeric value of a small file (a flag file, "imcode.txt", a missing-data
// file); empty when the file cannot be read or does not begin with a number.
std::optional<double> readNumberFile(const QString &name);
// The same for bytes held in memory: the first item, when it is a number.
std::optional<double> parseNumberRecord(const QByteArray &bytes);

} // namespace kess
