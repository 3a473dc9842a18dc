#include "fileops.h"

#include "listreader.h"
#include "records.h"

#include <QFile>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <filesystem>

#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
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

// Opens `name` for reading when it is a regular file. Anything else (a FIFO, a device, a folder,
// a link to one of them) is refused without waiting on it, as an unreadable file.
void openRegular(QFile &f, const QString &name)
{
#ifdef Q_OS_WIN
    // Opened as it is (a folder cannot be opened without backup semantics), then looked at: a
    // pipe or a device ("COM1", "NUL", "\\.\pipe\...") is not a disk file. Others may go on
    // writing and renaming the file meanwhile, as they may on Linux.
    const HANDLE h = CreateFileW(reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(name).utf16()),
                                 GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        if (!QFileInfo(name).isDir() && !f.open(QIODevice::ReadOnly)) // for Qt's error number and text
            throw FileError(errorNumberFor(f, name), name + QStringLiteral(": ") + f.errorString());
        f.close();
        throw FileError(ErrPathAccess, name + QStringLiteral(": not a regular file"));
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileType(h) != FILE_TYPE_DISK || !GetFileInformationByHandle(h, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        CloseHandle(h);
        throw FileError(ErrPathAccess, name + QStringLiteral(": not a regular file"));
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_RDONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(h);
        throw FileError(ErrDeviceIO, name + QStringLiteral(": cannot be opened"));
    }
    if (!f.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        _close(fd);
        throw FileError(ErrDeviceIO, name + QStringLiteral(": ") + f.errorString());
    }
#else
    // Opened without blocking (a FIFO would hold the open until a writer came), then looked at.
    const int fd = ::open(QFile::encodeName(name).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (!f.open(QIODevice::ReadOnly)) // for Qt's error number and text
            throw FileError(errorNumberFor(f, name), name + QStringLiteral(": ") + f.errorString());
        f.close();
        throw FileError(ErrPathAccess, name + QStringLiteral(": cannot be opened"));
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        throw FileError(ErrPathAccess, name + QStringLiteral(": not a regular file"));
    }
    if (!f.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw FileError(ErrDeviceIO, name + QStringLiteral(": ") + f.errorString());
    }
#endif
}

QByteArray readBytes(const QString &name, qint64 maxBytes)
{
    QFile f(name);
    openRegular(f, name);
    // QIODevice::read(n) sets n bytes aside before it reads and keeps them: asked for the limit
    // itself, every read of a small file would hold the whole limit. So it asks for what the
    // file holds, and then in small steps for whatever it has grown by meanwhile.
    QByteArray bytes;
    qint64 want = std::min(maxBytes, std::max<qint64>(f.size(), 1));
    while (want > 0) {
        const QByteArray chunk = f.read(want);
        if (f.error() != QFileDevice::NoError)
            throw FileError(ErrDeviceIO, name + QStringLiteral(": ") + f.errorString());
        if (chunk.isEmpty())
            break;
        bytes += chunk;
        want = std::min<qint64>(maxBytes - bytes.size(), 64 * 1024);
    }
    return bytes;
}

QByteArray readTail(const QString &name, qint64 maxBytes, qint64 *fileSize)
{
    QFile f(name);
    openRegular(f, name);
    const qint64 size = f.size();
    if (fileSize)
        *fileSize = size;
    if (size > maxBytes && !f.seek(size - maxBytes))
        throw FileError(ErrDeviceIO, name + QStringLiteral(": ") + f.errorString());
    const QByteArray bytes = f.read(std::min(maxBytes, std::max<qint64>(size, 0)));
    if (f.error() != QFileDevice::NoError)
        throw FileError(ErrDeviceIO, name + QStringLiteral(": ") + f.errorString());
    return bytes;
}

QByteArray readBytes(const QString &name)
{
    QByteArray bytes = readBytes(name, WholeFileReadLimit + 1);
    if (bytes.size() > WholeFileReadLimit)
        throw FileError(ErrDeviceIO, name + QStringLiteral(": larger than %1 MiB").arg(WholeFileReadLimit >> 20));
    return bytes;
}

void openFreshForWriting(QFile &file, const QString &name)
{
    file.close();
    file.setFileName(name);
    // Whatever holds the name is removed, not written through: a link, a FIFO, a device, and a
    // regular file too, which may be a hard link to a file outside the folder.
    const QFileInfo info(name);
    if (info.isSymLink() || (info.exists() && !info.isDir()))
        QFile::remove(name);
#ifdef Q_OS_WIN
    const bool opened = file.open(QIODevice::WriteOnly | QIODevice::Truncate);
#else
    // O_EXCL: a file or link put there between the removal and the open is refused, not used.
    const int fd = ::open(QFile::encodeName(name).constData(),
                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
    bool opened = fd >= 0;
    if (opened && !(opened = file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)))
        ::close(fd);
#endif
    if (!opened)
        throw FileError(info.isDir() ? ErrPathAccess : ErrPermission, name + QStringLiteral(": cannot be written"));
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
