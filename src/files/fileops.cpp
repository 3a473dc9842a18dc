#include "fileops.h"

#include "listreader.h"
#include "records.h"

#include <QFile>
#include <QSaveFile>

#include <filesystem>

namespace kess {

namespace {

// Writes beside the target, unflushed, and renames over it.
void writeCached(const QString &name, const QByteArray &bytes)
{
    const QString scratch = name + QStringLiteral(".kessnew");
    QFile f(scratch);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw FileError(errorNumberFor(f, name), name + QStringLiteral(": ") + f.errorString());
    const bool written = f.write(bytes) == bytes.size() && f.flush();
    f.close();
    if (!written || f.error() != QFileDevice::NoError) {
        const FileError e(errorNumberFor(f, name), name + QStringLiteral(": ") + f.errorString());
        QFile::remove(scratch);
        throw e;
    }
    try {
        moveOver(scratch, name);
    } catch (const FileError &) {
        QFile::remove(scratch);
        throw;
    }
}

} // namespace

void writeBytes(const QString &name, const QByteArray &bytes, Flush flush)
{
    if (flush == Flush::Cached)
        return writeCached(name, bytes);
    QSaveFile f(name);
    f.setDirectWriteFallback(false);
    if (!f.open(QIODevice::WriteOnly))
        throw FileError(errorNumberFor(f, name), name + QStringLiteral(": ") + f.errorString());
    if (f.write(bytes) != bytes.size()) {
        const int n = errorNumberFor(f, name);
        const QString why = name + QStringLiteral(": ") + f.errorString();
        f.cancelWriting();
        throw FileError(n, why);
    }
    if (!f.commit())
        throw FileError(errorNumberFor(f, name), name + QStringLiteral(": ") + f.errorString());
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

std::optional<double> readNumberFile(const QString &name)
{
    try {
        ListReader r = ListReader::open(name);
        return r.readNumber();
    } catch (const FileError &) {
        return std::nullopt;
    }
}

} // namespace kess
