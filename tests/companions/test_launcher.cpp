// Starting programs by bare name: the working folder before the search path, batch files
// through the shell, Windows executables through wine, 53 for what cannot be started, and
// whether a started program is still running.
#include "companions/drivepaths.h"
#include "companions/launcher.h"
#include "files/errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace kess;

namespace {

const QFileDevice::Permissions kExecutable = QFileDevice::ReadOwner | QFileDevice::WriteOwner
    | QFileDevice::ExeOwner | QFileDevice::ReadGroup | QFileDevice::ExeGroup;
const QFileDevice::Permissions kPlain = QFileDevice::ReadOwner | QFileDevice::WriteOwner
    | QFileDevice::ReadGroup;

bool writeFile(const QString &path, const QByteArray &bytes, QFileDevice::Permissions perms)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        return false;
    f.close();
    return f.setPermissions(perms);
}

QByteArray contents(const QString &name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestLauncher : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void scriptByBareName();
    void workingFolderBeforeSearchPath();
    void batchFileThroughShell_data();
    void batchFileThroughShell();
    void windowsExecutableThroughWine();
    void driveLettersThroughTheWinePrefix();
    void searchPath();
    void cannotStart_data();
    void cannotStart();
    void processAliveFollowsTheProcess();
    void programRunningCountsCopiesStartedElsewhere();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_oldCurrent;
    QByteArray m_oldPath;
};

void TestLauncher::init()
{
    m_oldCurrent = QDir::currentPath();
    m_oldPath = qgetenv("PATH");
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir::setCurrent(m_dir->path()));
}

void TestLauncher::cleanup()
{
    qputenv("PATH", m_oldPath);
    qunsetenv("WINEPREFIX");
    QDir::setCurrent(m_oldCurrent);
    m_dir.reset();
}

#ifdef Q_OS_WIN
#define SKIP_ON_WINDOWS() QSKIP("the scripts of this test are POSIX shell scripts")
#else
#define SKIP_ON_WINDOWS()
#endif

void TestLauncher::scriptByBareName()
{
    SKIP_ON_WINDOWS();
    // A native stand-in under a companion program's name, started from the working folder.
    QVERIFY(writeFile(QStringLiteral("vantro.exe"), "#!/bin/sh\necho started > started.txt\n", kExecutable));
    const LaunchResult r = launchProgram(QStringLiteral("vantro.exe"));
    QVERIFY2(r.ok(), qPrintable(r.reason));
    QCOMPARE(r.error, 0);
    QVERIFY(r.pid > 0);
    // It runs in the working folder: the file it writes by bare name lands here.
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(QStringLiteral("started.txt")), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(contents(QStringLiteral("started.txt")), QByteArray("started\n"), 10000);
}

void TestLauncher::workingFolderBeforeSearchPath()
{
    SKIP_ON_WINDOWS();
    // "true" is also on the search path; the copy in the working folder wins.
    QVERIFY(writeFile(QStringLiteral("true"), "#!/bin/sh\necho mine > mine.txt\n", kExecutable));
    const LaunchResult r = launchProgram(QStringLiteral("true"));
    QVERIFY2(r.ok(), qPrintable(r.reason));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(QStringLiteral("mine.txt")), 10000);
}

void TestLauncher::batchFileThroughShell_data()
{
    QTest::addColumn<bool>("absolute");
    QTest::newRow("bare name") << false;
    QTest::newRow("full path") << true; // the user's batch file is given with its folder
}

void TestLauncher::batchFileThroughShell()
{
    QFETCH(bool, absolute);
    // Not executable: only the shell (cmd on Windows) can run it. A folder name that a shell
    // would split or read as a second command.
    QVERIFY(QDir().mkdir(QStringLiteral("user & co")));
    const QString bat = absolute ? QDir::current().absoluteFilePath(QStringLiteral("user & co/after.bat"))
                                 : QStringLiteral("bmppng.bat");
    QVERIFY(writeFile(bat, "echo started > started.txt\n", kPlain));
    // Without wine on the search path.
    QVERIFY(QDir().mkdir(QStringLiteral("bin")) && QFile::link(QStringLiteral("/usr/bin/tr"), QStringLiteral("bin/tr")));
    qputenv("PATH", QDir::current().absoluteFilePath(QStringLiteral("bin")).toLocal8Bit());
    const LaunchResult r = launchProgram(bat);
    QVERIFY2(r.ok(), qPrintable(r.reason));
    QVERIFY(r.pid > 0);
#ifdef Q_OS_WIN
    QCOMPARE(r.via, QStringLiteral("cmd /c"));
#else
    QCOMPARE(r.via, QStringLiteral("/bin/sh (Wine is not installed)"));
#endif
    // Started in the working folder, not in the folder of the batch file.
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(QStringLiteral("started.txt")), 10000);
}

void TestLauncher::windowsExecutableThroughWine()
{
    SKIP_ON_WINDOWS();
    // A stand-in "wine" first on the search path records what it was asked to run.
    QVERIFY(QDir().mkdir(QStringLiteral("bin")));
    QVERIFY(writeFile(QStringLiteral("bin/wine"), "#!/bin/sh\necho \"$@\" > wine-args.txt\n", kExecutable));
    qputenv("PATH", QDir::current().absoluteFilePath(QStringLiteral("bin")).toLocal8Bit() + ':' + m_oldPath);

    // Executable bit set, so only the "MZ" signature can send it to wine.
    QByteArray exe("MZ\x90\0\x03\0\0\0", 8);
    exe += QByteArray(200, '\0');
    QVERIFY(writeFile(QStringLiteral("dorliq.exe"), exe, kExecutable));
    const LaunchResult r = launchProgram(QStringLiteral("dorliq.exe"));
    QVERIFY2(r.ok(), qPrintable(r.reason));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(QStringLiteral("wine-args.txt")), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(contents(QStringLiteral("wine-args.txt")).trimmed(),
                              QDir::current().absoluteFilePath(QStringLiteral("dorliq.exe")).toLocal8Bit(),
                              10000);
}

void TestLauncher::driveLettersThroughTheWinePrefix()
{
    SKIP_ON_WINDOWS();
    // A prefix whose C: holds "Vantro/After.BAT"; matched without regard to case, as Wine does.
    QVERIFY(QDir().mkpath(QStringLiteral("prefix/dosdevices")) && QDir().mkpath(QStringLiteral("prefix/drive_c/Vantro")));
    QVERIFY(QFile::link(QStringLiteral("../drive_c"), QStringLiteral("prefix/dosdevices/c:")));
    QVERIFY(writeFile(QStringLiteral("prefix/drive_c/Vantro/After.BAT"), "echo x\r\n", kPlain));
    qputenv("WINEPREFIX", QDir::current().absoluteFilePath(QStringLiteral("prefix")).toLocal8Bit());
    QCOMPARE(hostPath(QStringLiteral("C:\\VANTRO\\pelthor\\lastpel.txt")).path,
             QFileInfo(QStringLiteral("prefix/drive_c/Vantro")).canonicalFilePath() + QStringLiteral("/pelthor/lastpel.txt"));
    QCOMPARE(windowsPath(QStringLiteral("/usr/bin/")), QStringLiteral("Z:\\usr\\bin\\"));
    QVERIFY(hostPath(QStringLiteral("d:\\data\\")).problem.contains(QStringLiteral("drive D:")));
    // A batch file goes to Wine's cmd /c, named as Windows programs name it; not when cmd would split the name.
    QVERIFY(QDir().mkdir(QStringLiteral("bin")) &&
            writeFile(QStringLiteral("bin/wine"), "#!/bin/sh\necho \"$@\" > wine-args.txt\n", kExecutable));
    qputenv("PATH", QDir::current().absoluteFilePath(QStringLiteral("bin")).toLocal8Bit() + ':' + m_oldPath);
    QCOMPARE(launchProgram(QStringLiteral("c:\\vantro\\after.bat")).via, QStringLiteral("Wine's cmd /c"));
    QTRY_COMPARE_WITH_TIMEOUT(contents(QStringLiteral("wine-args.txt")), QByteArray("cmd /c C:\\Vantro\\After.BAT\n"), 10000);
    QVERIFY(writeFile(QStringLiteral("prefix/drive_c/a&b.cmd"), "echo x\r\n", kPlain));
    QCOMPARE(launchProgram(QStringLiteral("c:\\a&b.cmd")).error, int(ErrBadFileName));
}

void TestLauncher::searchPath()
{
    SKIP_ON_WINDOWS();
    // Nothing of that name in the working folder: found on the search path.
    const LaunchResult r = launchProgram(QStringLiteral("true"));
    QVERIFY2(r.ok(), qPrintable(r.reason));
    QVERIFY(r.pid > 0);
    QTRY_VERIFY_WITH_TIMEOUT(!processAlive(r.pid), 10000);
#ifdef Q_OS_LINUX
    // Ended and reaped: no zombie is left behind.
    QVERIFY(!QFile::exists(QStringLiteral("/proc/%1").arg(r.pid)));
#endif
}

void TestLauncher::cannotStart_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes"); // written under that name when not empty
    QTest::newRow("missing") << "pelthor.exe" << QByteArray();
    QTest::newRow("empty name") << "" << QByteArray();
    QTest::newRow("missing with a folder") << "c:\\Program Files\\IrfanView\\i_view32.exe" << QByteArray();
    QTest::newRow("not executable") << "mirrix.exe" << QByteArray("#!/bin/sh\necho started > started.txt\n");
}

void TestLauncher::cannotStart()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    if (!bytes.isEmpty())
        QVERIFY(writeFile(name, bytes, kPlain));
    const LaunchResult r = launchProgram(name);
    QVERIFY(!r.ok());
    QCOMPARE(r.error, int(ErrFileNotFound));
    QCOMPARE(r.pid, qint64(0));
    QVERIFY(!r.reason.isEmpty());
    QTest::qWait(200);
    QVERIFY(!QFile::exists(QStringLiteral("started.txt")));
}

void TestLauncher::processAliveFollowsTheProcess()
{
    QVERIFY(!processAlive(0));
    QVERIFY(!processAlive(-1));
    QVERIFY(processAlive(QCoreApplication::applicationPid()));

    // Running while it waits for its go file, gone soon after it gets it.
#ifdef Q_OS_WIN
    const QString program = QStringLiteral("pelthor.bat");
    QVERIFY(writeFile(program, "echo up > up.txt\r\n:wait\r\nif not exist go.txt goto wait\r\nexit 7\r\n", kPlain));
#else
    const QString program = QStringLiteral("pelthor.exe");
    QVERIFY(writeFile(program,
                      "#!/bin/sh\n"
                      "echo up > up.txt\n"
                      "n=0\n"
                      "while [ ! -f go.txt ] && [ $n -lt 300 ]; do sleep 0.1; n=$((n+1)); done\n",
                      kExecutable));
#endif
    const LaunchResult r = launchProgram(program);
    QVERIFY2(r.ok(), qPrintable(r.reason));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(QStringLiteral("up.txt")), 10000);
    QVERIFY(processAlive(r.pid));
    QTest::qWait(300);
    QVERIFY(processAlive(r.pid));
    QVERIFY(!exitCode(r.pid));
    QVERIFY(writeFile(QStringLiteral("go.txt"), "1\n", kPlain));
    QTRY_VERIFY_WITH_TIMEOUT(!processAlive(r.pid), 10000);
#ifdef Q_OS_WIN
    QCOMPARE(exitCode(r.pid), std::optional<int>(7)); // asked of the kept handle after the end
#endif
}

void TestLauncher::programRunningCountsCopiesStartedElsewhere()
{
    SKIP_ON_WINDOWS();
    // A copy started by hand in another folder counts. (That one working in another KESSAMIR
    // working folder does not is left untested: a test beside it may run such a copy.)
    QVERIFY(QDir().mkdir(QStringLiteral("desk")) && QDir::setCurrent(QStringLiteral("desk")));
    QVERIFY(writeFile(QStringLiteral("dorliq.exe"),
                      "#!/bin/sh\nn=0\nwhile [ ! -f go.txt ] && [ $n -lt 300 ]; do sleep 0.1; n=$((n+1)); done\n",
                      kExecutable));
    const LaunchResult r = launchProgram(QStringLiteral("dorliq.exe"));
    QVERIFY(QDir::setCurrent(m_dir->path()));
    QVERIFY2(r.ok(), qPrintable(r.reason));
    QTRY_VERIFY_WITH_TIMEOUT(programRunning(QStringLiteral("DORLIQ.EXE")), 5000);
    QVERIFY(writeFile(QStringLiteral("desk/go.txt"), "1\n", kPlain));
    QTRY_VERIFY_WITH_TIMEOUT(!processAlive(r.pid), 10000);
}

QTEST_GUILESS_MAIN(TestLauncher)
#include "test_launcher.moc"
