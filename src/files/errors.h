#pragma once
// Run-time error numbers as users know them from the error report, and the report text itself.
#include <QString>
#include <stdexcept>

class QFileDevice;

namespace kess {

enum ErrorNumber : int {
    ErrOverflow = 6,
    ErrSubscript = 9,
    ErrTypeMismatch = 13,
    ErrBadFileName = 52,
    ErrFileNotFound = 53,
    ErrDeviceIO = 57,
    ErrDiskFull = 61,
    ErrPastEnd = 62,
    ErrPermission = 70,
    ErrPathAccess = 75,
    ErrPathNotFound = 76,
};

// Thrown by the file helpers; carries the error number and a readable reason.
struct FileError : std::runtime_error {
    FileError(int errorNumber, const QString &why)
        : std::runtime_error(why.toStdString()), number(errorNumber), reason(why) {}
    int number;
    QString reason;
};

// "Error occurred: number53, last file number = 18, last file name = dorliqopen.txt"
QString errorReport(int number, int lastFileNumber, const QString &lastFileName);

// Best error number for a failed open/write of `file` (which names `path`).
int errorNumberFor(const QFileDevice &file, const QString &path);

} // namespace kess
