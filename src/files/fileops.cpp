#include "fileops.h"

#include "listreader.h"
#include "records.h"

#include <QFile>
#include <QSaveFile>

#include <filesystem>

namespace kess {

void writeBytes(const QString &name, const QByteArray &bytes)
{
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

void copyFile(const QString &source, const QString &destination)
{
    writeBytes(destination, readBytes(source));
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
