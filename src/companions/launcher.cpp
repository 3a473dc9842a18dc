#include "launcher.h"

#include "files/errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <cerrno>
#include <csignal>
#endif

namespace kess {

namespace {

QString resolve(const QString &name)
{
    const QFileInfo direct(name);
    if (name.contains(u'/') || name.contains(u'\\'))
        return direct.exists() ? direct.absoluteFilePath() : QString();
    const QFileInfo here(QDir::current().filePath(name));
    if (here.exists() && here.isFile())
        return here.absoluteFilePath();
    return QStandardPaths::findExecutable(name);
}

bool isWindowsExecutable(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) && f.read(2) == "MZ";
}

} // namespace

LaunchResult launchProgram(const QString &name)
{
    LaunchResult result;
    const QString path = resolve(name);
    if (path.isEmpty()) {
        result.error = ErrFileNotFound;
        result.reason = name + QStringLiteral(" was not found");
        return result;
    }
    QString program = path;
    QStringList args;
#ifdef Q_OS_WIN
    if (path.endsWith(QLatin1String(".bat"), Qt::CaseInsensitive)) {
        program = QStringLiteral("cmd");
        args = {QStringLiteral("/c"), QDir::toNativeSeparators(path)};
    }
#else
    if (path.endsWith(QLatin1String(".bat"), Qt::CaseInsensitive)) {
        // Batch files end their lines with CR LF; the shell gets them without the CRs.
        program = QStringLiteral("/bin/sh");
        args = {QStringLiteral("-c"), QStringLiteral("tr -d '\\r' < \"$0\" | /bin/sh"), path};
    } else if (isWindowsExecutable(path)) {
        program = QStringLiteral("wine");
        args = {path};
    }
#endif
    qint64 pid = 0;
    if (!QProcess::startDetached(program, args, QDir::currentPath(), &pid)) {
        result.error = ErrFileNotFound;
        result.reason = name + QStringLiteral(" could not be started");
        return result;
    }
    result.pid = pid;
    return result;
}

bool processAlive(qint64 pid)
{
    if (pid <= 0)
        return false;
#ifdef Q_OS_WIN
    HANDLE h = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    if (!h)
        return false;
    const bool alive = WaitForSingleObject(h, 0) == WAIT_TIMEOUT;
    CloseHandle(h);
    return alive;
#else
    if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM) {
        // A finished child of a detached start is reaped by init; a zombie still answers kill,
        // so look at its state where /proc tells it.
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (stat.open(QIODevice::ReadOnly)) {
            const QByteArray s = stat.readAll();
            const qsizetype close = s.lastIndexOf(')');
            if (close > 0 && close + 2 < s.size() && s[close + 2] == 'Z')
                return false;
        }
        return true;
    }
    return false;
#endif
}

} // namespace kess
