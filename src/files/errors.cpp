#include "errors.h"

#include <QDir>
#include <QFileDevice>
#include <QFileInfo>
#include <QSaveFile>

namespace kess {

QString errorReport(int number, int lastFileNumber, const QString &lastFileName)
{
    return QStringLiteral("Error occurred: number%1, last file number = %2, last file name = %3")
        .arg(number)
        .arg(lastFileNumber)
        .arg(lastFileName);
}

int errorNumberFor(const QFileDevice &file, const QString &path)
{
    const QFileInfo info(path);
    switch (file.error()) {
    case QFileDevice::OpenError:
        if (!info.absoluteDir().exists())
            return ErrPathNotFound;
        if (info.exists() && !info.isWritable() && !info.isReadable())
            return ErrPermission;
        // A failed open leaves the device not open, so its mode no longer tells a write from a
        // read; a QSaveFile only ever writes. A file missing for a write is a folder problem.
        if (!info.exists() && !(file.openMode() & QIODevice::WriteOnly)
            && !qobject_cast<const QSaveFile *>(&file))
            return ErrFileNotFound;
        return ErrPermission;
    case QFileDevice::PermissionsError:
        return ErrPermission;
    case QFileDevice::ResourceError:
        return ErrDiskFull;
    case QFileDevice::WriteError:
        return file.errorString().contains(QLatin1String("space"), Qt::CaseInsensitive) ? ErrDiskFull
                                                                                         : ErrDeviceIO;
    case QFileDevice::ReadError:
        return ErrDeviceIO;
    case QFileDevice::CopyError:
    case QFileDevice::RenameError:
    case QFileDevice::RemoveError:
        return ErrPathAccess;
    default:
        return ErrPathAccess;
    }
}

} // namespace kess
