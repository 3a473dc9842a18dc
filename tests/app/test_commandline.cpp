// The command line of the real program (--help, --version, --folder), the remembered working
// folder of the desktop entry's --last-folder, and the version in one place.
#include "app/commandline.h"
#include "app/firststart.h"
#include "app/mainwindow.h"
#include "demofolder.h"
#include "core/version.h"
#include "run/waits.h"
#include "workfolder.h"

#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

using namespace kess;
using kess::test::WorkFolder;

namespace {

struct Result {
    int exitCode = -1;
    QString out, err;
};

// The program, run to its end (it must end by itself within 20 s).
Result runProgram(const QStringList &arguments, const QString &configHome)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_CONFIG_HOME", configHome);
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(KESSAMIR_BINARY), arguments);
    if (!p.waitForFinished(20000)) {
        p.kill();
        p.waitForFinished(5000);
        return {};
    }
    Result r{p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromLocal8Bit(p.readAllStandardOutput()),
             QString::fromLocal8Bit(p.readAllStandardError())};
#ifdef Q_OS_WIN
    r.out.remove(u'\r'); // the C runtime's text mode ends lines with CR LF
    r.err.remove(u'\r');
#endif
    return r;
}

// The folder a running program works in (Linux: /proc/<pid>/cwd); empty while it is unknown.
QString folderOf(qint64 pid)
{
    return QFileInfo(QStringLiteral("/proc/%1/cwd").arg(pid)).canonicalFilePath();
}

// Starts the program with its window and returns the folder it settled in, then ends it.
// (A start ends at a folder dialog when it has no folder, so the test does not wait for ever.)
QString openedFolder(const QStringList &arguments, const QString &configHome, const QString &expected)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_CONFIG_HOME", configHome);
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(KESSAMIR_BINARY), arguments);
    if (!p.waitForStarted(10000))
        return {};
    QString folder;
    for (int i = 0; i < 200 && p.state() == QProcess::Running; ++i) {
        folder = folderOf(p.processId());
        // Settled once it is in the folder and has remembered it.
        if (folder == expected && QFile::exists(configHome + "/kessamir/kessamir.conf"))
            break;
        QTest::qWait(50);
    }
    p.kill();
    p.waitForFinished(10000);
    return folder;
}

QString canonical(const QString &path) { return QFileInfo(path).canonicalFilePath(); }

} // namespace

class TestCommandLine : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // The settings of this test program stay in a folder of its own.
        QVERIFY(m_config.isValid());
        qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
    }

    void helpVersionAndBadArguments()
    {
        const Result version = runProgram({"--version"}, m_config.path());
        QCOMPARE(version.exitCode, 0);
        QCOMPARE(version.out, QStringLiteral("kessamir 3.0.1\n"));
        QCOMPARE(QLatin1String(Version), QLatin1String("3.0.1"));
        // The caption states the same version.
        MainWindow w;
        QVERIFY(w.windowTitle().contains(QStringLiteral("Version ") + QLatin1String(Version) + QStringLiteral(" - ")));
        // Qt's own options are taken as in every Qt program.
        QCOMPARE(runProgram({"-style", "fusion", "-reverse", "-platform", "offscreen", "--version"}, m_config.path()).out, version.out);

        const Result help = runProgram({"--help"}, m_config.path());
        QCOMPARE(help.exitCode, 0);
        for (const char *option : {"--folder <DIR>", "--last-folder", "--version", "--help"})
            QVERIFY2(help.out.contains(QLatin1String(option)), option);

        QCOMPARE(runProgram({"--help-all"}, m_config.path()).out, help.out); // no window either

        const Result unknown = runProgram({"--colour"}, m_config.path());
        QCOMPARE(unknown.exitCode, badFolderExitCode);
        QVERIFY(unknown.err.contains("colour"));
        QCOMPARE(runProgram({"somewhere"}, m_config.path()).exitCode, badFolderExitCode);
        // The companion deadline in minutes, without a rebuild.
        RunTimingOverride keep(RunTiming::current());
        QVERIFY(!readCommandLine({"kessamir", "--companion-deadline", "45"}).exitCode);
        QCOMPARE(RunTiming::current().companionDeadlineMs, 45 * 60000);
        QVERIFY(!readCommandLine({"kessamir", "--pelthor-start-wait", "30"}).exitCode);
        QCOMPARE(RunTiming::current().pelthorStartWaitMs, 30000);
        QSettings(QStringLiteral("kessamir"), QStringLiteral("kessamir")).remove(QStringLiteral("lastFolder"));
        QCOMPARE(runProgram({"--companion-deadline", "soon"}, m_config.path()).exitCode, badFolderExitCode);
    }

    void aFolderThatCannotBeOpenedEndsTheProgramWithCode2()
    {
        WorkFolder f;
        const QString missing = f.path() + "/no-such-folder";
        const Result gone = runProgram({"--folder", missing}, m_config.path());
        QCOMPARE(gone.exitCode, 2);
        QCOMPARE(gone.err, QStringLiteral("kessamir: the working folder \"%1\" does not exist.\n").arg(missing));

        f.write("runlist.txt", QStringList{"1"});
        const QString file = f.path() + "/runlist.txt";
        const Result notFolder = runProgram({"--folder", file}, m_config.path());
        QCOMPARE(notFolder.exitCode, 2);
        QCOMPARE(notFolder.err, QStringLiteral("kessamir: \"%1\" is not a folder.\n").arg(file));

        QCOMPARE(runProgram({"--folder"}, m_config.path()).exitCode, 2); // the folder is missing
        QVERIFY(rememberedFolder().isEmpty()); // nothing remembered from a start that failed
    }

    void theGoodFolderIsOpenedAndRememberedForTheDesktopEntry()
    {
#ifdef Q_OS_WIN
        QSKIP("the remembered folder is in the registry on Windows: XDG_CONFIG_HOME cannot keep it apart");
#endif
        if (!QFileInfo::exists(QStringLiteral("/proc/self/cwd")))
            QSKIP("needs /proc to see a program's folder");
        QTemporaryDir config;
        QTemporaryDir folder;
        const QString dir = canonical(folder.path());
        QCOMPARE(openedFolder({"--folder", folder.path()}, config.path(), dir), dir);

        // Started from the desktop entry (from the test's own folder), it opens the same folder.
        QCOMPARE(openedFolder({"--last-folder"}, config.path(), dir), dir);
        QVERIFY(QFile::exists(config.path() + "/kessamir/kessamir.conf"));
    }

    void theFirstStartFromTheDesktopAsksForAFolder()
    {
#ifdef Q_OS_WIN
        QSKIP("the remembered folder is in the registry on Windows: XDG_CONFIG_HOME cannot keep it apart");
#endif
        WorkFolder start;
        QTemporaryDir chosen;
        QVERIFY(rememberedFolder().isEmpty());
        StartRequest request = readCommandLine({"kessamir", "--last-folder"});
        QVERIFY(!request.exitCode);
        QVERIFY(request.askForFolder);

        // A folder that is gone by the time it is given is asked for again; then the good one.
        QStringList answers{start.path() + "/gone", chosen.path()};
        int asked = 0;
        const auto ask = [&] { return answers.value(asked++); };
        QCOMPARE(chooseFolder(request, ask), std::nullopt);
        QCOMPARE(asked, 2);
        QCOMPARE(canonical(QDir::currentPath()), canonical(chosen.path()));
        QCOMPARE(canonical(rememberedFolder()), canonical(chosen.path()));

        // Next time no question: the remembered folder is entered.
        QDir::setCurrent(start.path());
        request = readCommandLine({"kessamir", "--last-folder"});
        QVERIFY(!request.askForFolder && !request.exitCode);
        QCOMPARE(canonical(QDir::currentPath()), canonical(chosen.path()));

        // A plain start works in the current folder, as always, and is remembered in its turn.
        QDir::setCurrent(start.path());
        request = readCommandLine({"kessamir"});
        QVERIFY(!request.askForFolder && !request.exitCode);
        QCOMPARE(canonical(QDir::currentPath()), canonical(start.path()));
        QCOMPARE(canonical(rememberedFolder()), canonical(start.path()));

        // Cancelling the question ends the program without a window.
        rememberFolder(start.path() + "/removed-since");
        request = readCommandLine({"kessamir", "--last-folder"});
        QVERIFY(request.askForFolder);
        QCOMPARE(chooseFolder(request, [] { return QString(); }), std::optional<int>(0));
        QDir::setCurrent(start.path());
        QSettings("kessamir", "kessamir").remove("lastFolder");
    }

    void aDemoFolderHoldingOtherFilesIsMadeWhereTheUserSays()
    {
        QTemporaryDir taken, chosen;
        QFile mine(taken.filePath("mine.txt"));
        QVERIFY(mine.open(QIODevice::WriteOnly));
        mine.close();
        int asked = 0;
        const auto previous = demoFolderChooser();
        demoFolderChooser() = [&](QWidget *) { return ++asked == 1 ? taken.path() : chosen.path(); };
        FirstStart first(qEnvironmentVariable("KESS_STANDIN_DIR"), taken.path());
        first.demoButton->click();
        demoFolderChooser() = previous;
        QCOMPARE(asked, 2); // the taken folder again is not taken
        QCOMPARE(first.folder(), chosen.path());
        QVERIFY(demo::isDemoFolder(chosen.path()));
        QVERIFY(!demo::isDemoFolder(taken.path()));
    }

private:
    QTemporaryDir m_config;
};

QTEST_MAIN(TestCommandLine)
#include "test_commandline.moc"
