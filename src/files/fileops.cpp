#include "fileops.h"

#include "listreader.h"
#include "records.h"

#include <QFile>
#include <QDir>
#include <QFileInfo>

#include <filesystem>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace kess {

namespace {

// A scratch file that cannot be made is a folder problem, whatever the file it replaces holds.
int scratchErrorNumber(const QFile &scratch, const QString &name)
{
    if (scratch.error() != QFileDevice::OpenError)
        return errorNumberFor(scratch, name);
    return QFileInfo(name).absoluteDir().exists() ? ErrPermission : ErrPathNotFound;
}

bool syncToDisk(QFile &f)
{
#ifdef Q_OS_WIN
    return _commit(f.handle()) == 0;
#else
    return ::fsync(f.handle()) == 0;
#endif
}

} // namespace

QString scratchFileName(const QString &name)
{
    return name + QStringLiteral(".tmp");
}

void writeBytes(const QString &name, const QByteArray &bytes, Flush flush)
{
    // A fixed scratch name rather than a random one: a program killed while writing leaves
    // at most one scratch file per file, and the next write of that file takes it over.
    const QString scratchName = scratchFileName(name);
    QFile scratch(scratchName);
    QFile::remove(scratchName); // one orphaned with a read-only file's permissions
    if (!scratch.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw FileError(scratchErrorNumber(scratch, name), name + QStringLiteral(": ") + scratch.errorString());
    if (scratch.write(bytes) != bytes.size() || !scratch.flush()) {
        const int n = scratchErrorNumber(scratch, name);
        const QString why = name + QStringLiteral(": ") + scratch.errorString();
        scratch.close();
        QFile::remove(scratchName);
        throw FileError(n, why);
    }
    if (flush == Flush::ToDisk)
        syncToDisk(scratch); // best effort, as not every file system can
    scratch.close();
    if (QFile::exists(name))
        scratch.setPermissions(QFile::permissions(name));
    try {
        moveOver(scratchName, name);
    } catch (const FileError &) {
        QFile::remove(scratchName);
        throw;
    }
}

void writeLines(const QString &name, const QStringList &lines)
{
    QByteArray bytes;
    for (const QString &l : lines) {
        bytes += encodeText(l);
        bytes += "\r\n";
    }
    writeBytes(name, bytes);
}

void writeRecord(const QString &name, double value)
{
    writeLines(name, {recordForm(value)});
}

QByteArray readBytes(const QString &name, qint64 maxBytes)
{
    QFile f(name);
    if (!f.open(QIODevice::ReadOnly))
        throw FileError(errorNumberFor(f, name), name + QStringLiteral(": ") + f.errorString());
    QByteArray bytes = f.read(maxBytes);
    if (f.error() != QFileDevice::NoError)
        throw FileError(ErrDeviceIO, name + QStringLiteral(": ") + f.errorString());
    return bytes;
}

QByteArray readBytes(const QString &name)
{
    QFile f(name);
    if (!f.open(QIODevice::ReadOnly))
        throw FileError(errorNumberFor(f, name), name + QStringLiteral(": ") + f.errorString());
    QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError)
        throw FileError(ErrDeviceIO, name + QStringLiteral(": ") + f.errorString());
    return bytes;
}

void copyFile(const QString &source, const QString &destination, Flush flush)
{
    writeBytes(destination, readBytes(source), flush);
}

void moveOver(const QString &source, const QString &destination)
{
    std::error_code error;
    std::filesystem::rename(std::filesystem::path(source.toStdU16String()),
                            std::filesystem::path(destination.toStdU16String()), error);
    if (error)
        throw FileError(error == std::errc::no_such_file_or_directory ? ErrFileNotFound : ErrPathAccess,
                        destination + QStringLiteral(": ") + QString::fromStdString(error.message()));
}

void removeFile(const QString &name)
{
    QFile f(name);
    if (f.exists() && !f.remove())
        throw FileError(errorNumberFor(f, name), name + QStringLiteral(": ") + f.errorString());
}

std::optional<double> parseNumberRecord(const QByteArray &bytes)
{
    try {
        ListReader r(bytes);
        return r.readNumber();
    } catch (const FileError &) {
        return std::nullopt;
    }
}

std::optional<double> readNumberFile(const QString &name)
{
    try {
        return parseNumberRecord(readBytes(name, SettingsReadLimit));
    } catch (const FileError &) {
        return std::nullopt;
    }
}

} // namespace kess
