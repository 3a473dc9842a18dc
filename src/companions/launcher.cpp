#include "launcher.h"

#include "companions/drivepaths.h"
#include "files/errors.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#ifdef Q_OS_WIN
#include <QHash>
#include <string>
#include <windows.h>
#include <tlhelp32.h>
#else
#include <QHash>
#include <QList>
#include <QPointer>
#include <QTimer>
#include <cerrno>
#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
extern char **environ;
#endif

namespace kess {

namespace {

QString resolve(const QString &name, QString *why = nullptr)
{
    if (hasDriveLetter(name)) {
        const HostPath mapped = hostPath(name);
        if (!mapped.ok()) {
            if (why)
                *why = mapped.problem;
            return {};
        }
        const QFileInfo here(mapped.path);
        return here.isFile() ? here.absoluteFilePath() : QString();
    }
    const QFileInfo direct(name);
    if (name.contains(u'/') || name.contains(u'\\'))
        return direct.isFile() ? direct.absoluteFilePath() : QString(); // a FIFO would hold the look at it
    const QFileInfo here(QDir::current().filePath(name));
    if (here.exists() && here.isFile())
        return here.absoluteFilePath();
#ifndef Q_OS_WIN
    // A working folder whose name is not text cannot be spelt as text: the program is named
    // relative to it.
    if (const QFileInfo local(name); local.exists() && local.isFile())
        return QStringLiteral("./") + name;
#endif
    return QStandardPaths::findExecutable(name);
}

bool isWindowsExecutable(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) && f.read(2) == "MZ";
}

bool isBatchFile(const QString &path)
{
    return path.endsWith(QLatin1String(".bat"), Qt::CaseInsensitive) ||
           path.endsWith(QLatin1String(".cmd"), Qt::CaseInsensitive);
}

#ifdef Q_OS_WIN
// The handles of the programs started here, by task id: liveness and the exit code are asked of
// the handle, which also keeps a task id from being given to another process meanwhile. Handles
// of ended programs are closed once their exit code has been asked for, or when too many pile up.
QHash<qint64, HANDLE> g_handles;

void forgetEnded()
{
    if (g_handles.size() < 64)
        return;
    for (auto it = g_handles.begin(); it != g_handles.end();) {
        if (WaitForSingleObject(it.value(), 0) == WAIT_OBJECT_0) {
            CloseHandle(it.value());
            it = g_handles.erase(it);
        } else {
            ++it;
        }
    }
}

// One argument as the C runtime's parser reads it back: quoted when it holds a space, tab or
// quote; a quote escaped, and backslashes doubled where they come before a quote.
QString quoted(const QString &arg)
{
    if (!arg.isEmpty() && !arg.contains(u' ') && !arg.contains(u'\t') && !arg.contains(u'"'))
        return arg;
    QString out = QStringLiteral("\"");
    int slashes = 0;
    for (const QChar c : arg) {
        if (c == u'\\') {
            ++slashes;
            continue;
        }
        out += QString(c == u'"' ? slashes * 2 + 1 : slashes, u'\\');
        slashes = 0;
        out += c;
    }
    out += QString(slashes * 2, u'\\');
    return out + u'"';
}

// Starts `program` with `commandLine` in the current folder, in a normal window that takes the
// focus; 0 on failure.
qint64 spawn(const QString &program, const QString &commandLine)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION info{};
    std::wstring line = commandLine.toStdWString(); // CreateProcessW may write into it
    const std::wstring app = QDir::toNativeSeparators(program).toStdWString();
    const std::wstring folder = QDir::toNativeSeparators(QDir::currentPath()).toStdWString();
    if (!CreateProcessW(app.c_str(), line.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                        nullptr, folder.c_str(), &startup, &info))
        return 0;
    CloseHandle(info.hThread);
    AllowSetForegroundWindow(info.dwProcessId);
    forgetEnded();
    g_handles.insert(info.dwProcessId, info.hProcess);
    return info.dwProcessId;
}
#else
// Programs started here that may not have been reaped yet. A start is a direct child in its own
// session (the caller waits only until the program is running, not for a second fork, which is
// what a start costs between two sites); a child that has ended is reaped every few seconds
// while any is left, and at the next start or the next look at it, so none stays a zombie.
QList<pid_t> g_children;
// Exit codes of the children reaped lately, for exitCode().
QHash<pid_t, int> g_exitCodes;

void keepExitCode(pid_t pid, int status)
{
    if (g_exitCodes.size() > 256)
        g_exitCodes.clear();
    g_exitCodes.insert(pid, WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
}

// Reaps `pid` when it has ended; true when it is no longer a child to look at.
bool reaped(pid_t pid)
{
    int status = 0;
    const pid_t r = ::waitpid(pid, &status, WNOHANG);
    if (r == pid)
        keepExitCode(pid, status);
    return r == pid || (r < 0 && errno == ECHILD);
}

void reapEnded()
{
    g_children.removeIf(reaped);
}

// Looks for ended children every 3 seconds while there are any (needs the event loop).
void reapSoon()
{
    static QPointer<QTimer> timer;
    if (!timer && QCoreApplication::instance()) {
        timer = new QTimer(QCoreApplication::instance());
        timer->setInterval(3000);
        QObject::connect(timer, &QTimer::timeout, [] {
            reapEnded();
            if (g_children.isEmpty())
                timer->stop();
        });
    }
    if (timer && !timer->isActive())
        timer->start();
}

// Starts `program` (searched on PATH when it has no folder) in the current folder; 0 on failure.
pid_t spawn(const QString &program, const QStringList &args)
{
    QList<QByteArray> bytes{QFile::encodeName(program)};
    for (const QString &a : args)
        bytes << QFile::encodeName(a);
    QList<char *> argv;
    for (QByteArray &b : bytes)
        argv << b.data();
    argv << nullptr;

    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = 0;
    const int failed = posix_spawnp(&pid, argv[0], nullptr, &attr, argv.data(), environ);
    posix_spawnattr_destroy(&attr);
    if (failed)
        return 0;
    g_children << pid;
    reapSoon();
    return pid;
}
#endif

} // namespace

LaunchResult launchProgram(const QString &name, const QStringList &arguments)
{
    LaunchResult result;
    QString why;
    const QString path = resolve(name, &why);
    if (path.isEmpty()) {
        result.error = ErrFileNotFound;
        result.reason = name + (why.isEmpty() ? QStringLiteral(" was not found") : QStringLiteral(" cannot be found: ") + why);
        return result;
    }
    QString program = path;
    QStringList args = arguments;
    result.via = QStringLiteral("directly");
#ifdef Q_OS_WIN
    // The command line the program is given: its own name first, then each argument whole. A
    // batch file goes to the system's cmd (never one in the working folder): /s takes the outer
    // quotes off, the path stays quoted, so its spaces and "&" are not read as commands.
    const bool batch = isBatchFile(path);
    QString line = batch ? u'"' + QDir::toNativeSeparators(path) + u'"' : quoted(QDir::toNativeSeparators(path));
    for (const QString &a : args)
        line += u' ' + quoted(a);
    if (!batch && !isWindowsExecutable(path)) {
        // Not a program (Wine would even run a script under an .exe name).
        result.error = ErrFileNotFound;
        result.reason = name + QStringLiteral(" could not be started");
        return result;
    }
    if (batch) {
        wchar_t system[MAX_PATH];
        const UINT n = GetSystemDirectoryW(system, MAX_PATH);
        program = QString::fromWCharArray(system, int(n)) + QStringLiteral("\\cmd.exe");
        line = QStringLiteral("cmd.exe /d /s /c \"") + line + u'"';
        result.via = QStringLiteral("cmd /c");
    }
#else
    if (isBatchFile(path)) {
        const QString wine = QStandardPaths::findExecutable(QStringLiteral("wine"));
        if (!wine.isEmpty()) {
            // cmd reads its command line itself: a path it would take for more than a file name
            // is not handed to it.
            const QString windows = windowsPath(path);
            static const QRegularExpression special(QStringLiteral("[\"%&<>^|\\x00-\\x1f]"));
            if (windows.contains(special)) {
                result.error = ErrBadFileName;
                result.reason = name + QStringLiteral(" holds a character that cmd would not take as part of a file name");
                return result;
            }
            program = wine;
            args = {QStringLiteral("cmd"), QStringLiteral("/c"), windows};
            result.via = QStringLiteral("Wine's cmd /c");
        } else {
            // Batch files end their lines with CR LF; the shell gets them without the CRs.
            program = QStringLiteral("/bin/sh");
            args = {QStringLiteral("-c"), QStringLiteral("tr -d '\\r' < \"$0\" | /bin/sh"), path};
            result.via = QStringLiteral("/bin/sh (Wine is not installed)");
        }
    } else if (isWindowsExecutable(path)) {
        program = QStringLiteral("wine");
        args.prepend(path);
        result.via = QStringLiteral("wine");
    }
#endif
    qint64 pid = 0;
#ifdef Q_OS_WIN
    pid = spawn(program, line);
    const bool started = pid > 0;
#else
    reapEnded();
    pid = spawn(program, args);
    const bool started = pid > 0;
#endif
    if (!started) {
        result.error = ErrFileNotFound;
        result.reason = name + QStringLiteral(" could not be started");
        return result;
    }
    result.pid = pid;
    return result;
}

bool startsUnderWine(const QString &name)
{
#ifdef Q_OS_WIN
    Q_UNUSED(name);
    return false;
#else
    const QString path = resolve(name);
    return !path.isEmpty() && !isBatchFile(path) && isWindowsExecutable(path);
#endif
}

bool processAlive(qint64 pid)
{
    if (pid <= 0)
        return false;
#ifdef Q_OS_WIN
    if (const HANDLE own = g_handles.value(pid))
        return WaitForSingleObject(own, 0) == WAIT_TIMEOUT;
    HANDLE h = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    if (!h)
        return false;
    const bool alive = WaitForSingleObject(h, 0) == WAIT_TIMEOUT;
    CloseHandle(h);
    return alive;
#else
    if (g_children.contains(static_cast<pid_t>(pid))) {
        if (!reaped(static_cast<pid_t>(pid)))
            return true;
        g_children.removeAll(static_cast<pid_t>(pid));
        return false;
    }
    if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM) {
        // Not a child of ours (started before, or by another program): a zombie still answers
        // kill, so look at its state where /proc tells it.
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

std::optional<int> exitCode(qint64 pid)
{
#ifdef Q_OS_WIN
    const HANDLE own = g_handles.value(pid);
    HANDLE h = own ? own : OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
    if (!h)
        return std::nullopt;
    DWORD code = STILL_ACTIVE;
    // An ended program's code is asked of its handle, not of the code: STILL_ACTIVE (259) is a
    // code a program may end with.
    const bool known = WaitForSingleObject(h, 0) == WAIT_OBJECT_0 && GetExitCodeProcess(h, &code);
    if (!own)
        CloseHandle(h);
    return known ? std::optional<int>(int(code)) : std::nullopt;
#else
    if (processAlive(pid))
        return std::nullopt;
    const auto found = g_exitCodes.constFind(static_cast<pid_t>(pid));
    return found == g_exitCodes.constEnd() ? std::nullopt : std::optional<int>(*found);
#endif
}

bool programRunning(const QString &fileName)
{
#ifdef Q_OS_WIN
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return false;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    bool found = false;
    for (bool more = Process32FirstW(snapshot, &entry); more && !found; more = Process32NextW(snapshot, &entry))
        found = QString::fromWCharArray(entry.szExeFile).compare(fileName, Qt::CaseInsensitive) == 0;
    CloseHandle(snapshot);
    return found;
#else
    // Linux: the name the kernel keeps (15 characters at most) or the program named first on
    // the command line, with a Windows or a Unix folder in front (wine shows "C:\...\vantro.exe").
    const QString here = QDir::current().canonicalPath();
    QDirIterator entries(QStringLiteral("/proc"), QDir::Dirs | QDir::NoDotAndDotDot);
    while (entries.hasNext()) {
        const QString dir = entries.next();
        bool isPid = false;
        const qint64 pid = entries.fileName().toLongLong(&isPid);
        if (!isPid || pid == QCoreApplication::applicationPid() || !processAlive(pid))
            continue;
        // A copy started by hand (a desktop icon, a file manager) works in any folder; only one
        // working in another KESSAMIR working folder, which holds its own settings, is left out.
        const QString folder = QFileInfo(dir + QStringLiteral("/cwd")).canonicalFilePath();
        if (!folder.isEmpty() && folder != here && QFileInfo::exists(folder + QStringLiteral("/kessinit.txt")))
            continue;
        QFile comm(dir + QStringLiteral("/comm"));
        if (comm.open(QIODevice::ReadOnly) &&
            QString::fromLocal8Bit(comm.read(64)).trimmed().compare(fileName.left(15), Qt::CaseInsensitive) == 0)
            return true;
        QFile cmdline(dir + QStringLiteral("/cmdline"));
        if (!cmdline.open(QIODevice::ReadOnly))
            continue;
        QString first = QString::fromLocal8Bit(cmdline.read(4096).split('\0').value(0));
        first = first.mid(std::max(first.lastIndexOf(u'/'), first.lastIndexOf(u'\\')) + 1);
        if (first.compare(fileName, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
#endif
}

} // namespace kess
