// Hostile and careless input in the working folder and on the command line stays inside: no
// shell, no write through a link, no endless read, one copy of the program per folder.
#include "core/dialogs.h"
#include "app/mainwindow.h"
#include "run/forecastrun.h"
#include "standins.h"
#include "workfolder.h"

#include <QProcess>
#include <QtTest>
#ifndef Q_OS_WIN
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace kess;
using kess::test::WorkFolder;
namespace {

// The sites given, stand-ins installed, flags closed; each site's PELTHOR folder is `pelthor`.
void prepare(WorkFolder &f, const QList<QPair<QString, QString>> &sites, const QString &pelthor)
{
    f.makeSites(sites, QList<int>(sites.size(), 1));
    for (int n = 0; n <= sites.size(); ++n)
        f.write(QStringLiteral("r%1.txt").arg(n), WorkFolder::pelthorSettings(pelthor));
    copyFile("r0.txt", "pelini.txt");
    QVERIFY(kess::test::installStandins());
    for (const char *flag : {"vantroopen.txt", "dorliqopen.txt", "pelthoropen.txt"})
        f.write(QLatin1String(flag), QStringList{"0"});
    f.write("standins.txt", QStringList{"delay = 0.05", "settings.delay = 0.05"});
}

} // namespace
class TestUntrusted : public QObject {
    Q_OBJECT
private slots:
    void linksSpecialFilesOddCodesAndLongListsStayInside()
    {
#ifdef Q_OS_WIN
        QSKIP("needs symbolic links made without privileges, FIFOs and /dev/zero");
#else
        RunTimingOverride timing(kess::test::quickRunTiming());
        WorkFolder f;
        QTemporaryDir outside;
        prepare(f, {{"Boston", "KBOS"}, {"Nul", QStringLiteral("K") + QChar(0) + "X"}, {"Blank", ""}}, f.folderText());
        f.write("r1.txt", WorkFolder::pelthorSettings(outside.path() + "/")); // as in a copied folder
        const QString victim = outside.filePath("victim.txt");
        writeLines(victim, {"keep"});
        QVERIFY(QFile::link(victim, "kesslog.txt") && QFile::link(victim, "textall.txt"));
        QVERIFY(QFile::link("/dev/zero", "kesshistory.txt"));
        QFile::remove("vantroopen.txt");
        QVERIFY(::mkfifo("kessinit.txt", 0600) == 0 && ::mkfifo("vantroopen.txt", 0600) == 0);
        QStringList anomalies;
        for (int i = 0; i < 100000; ++i)
            anomalies << QStringLiteral("S%1").arg(i);
        f.write("seatempanomalies.txt", anomalies);
        Dialogs::Script dialogs;
        MainWindow w;
        w.startUp();
        w.Command2->click();
        QCOMPARE(WorkFolder::lines(victim), QStringList{"keep"});
        const QStringList log = WorkFolder::lines("kesslog.txt");
        QCOMPARE(log.last(), QStringLiteral("Got to 11"));
        QVERIFY(log.contains("S99999"));
        QCOMPARE(log.filter("abandoned").size(), 2);
        QCOMPARE(log.filter("PELTHOR folder " + outside.path()).size(), 1);
        QCOMPARE(dialogs.shown().filter("was skipped in this run").size(), 2);
        const QStringList sea = dialogs.shown().filter("sea temperatures");
        QCOMPARE(sea.size(), 1);
        QVERIFY(sea[0].contains(QStringLiteral("\u2026 and 99950 more (see seatempanomalies.txt)")));
        QVERIFY(sea[0].count(u'\r') < 60);
        QTest::qWait(1500); // the PELTHOR stand-ins close
#endif
    }

    void shellTextNeverRunsAndBlanksConvert()
    {
        RunTimingOverride timing(kess::test::quickRunTiming());
        WorkFolder base;
        const QString hostile = base.path() + "/wx $(touch pwned1);touch pwned2;`touch pwned3`";
        QVERIFY(QDir().mkpath(hostile + "/png $(touch pwned4)"));
        QDir::setCurrent(hostile);
        prepare(base, {{"Boston", "KBOS"}}, hostile + "/");
        Dialogs::Script dialogs;
        MainWindow w;
        w.startUp();
        w.bmppng->setChecked(true);
        w.ivtx->setText(hostile);
        w.pngtar->setText(hostile + "/png $(touch pwned4)");
        w.Command2->click();
        QTRY_VERIFY_WITH_TIMEOUT(QDir(hostile + "/png $(touch pwned4)").entryList({"*.png"}).size() == 1, 10000);
        QVERIFY(WorkFolder::exists("bmppng.bat"));

        w.pngtar->setText(hostile + "/missing"); // the converter fails: the run says so
        w.Command2->click();
        QCOMPARE(WorkFolder::lines("kesslog.txt").filter("PNG conversion failed").size(), 1);
        QVERIFY(w.forecastRun().status().lastLine().contains("troubles: PNG conversion after site 1 failed"));
        QCOMPARE(QDir(hostile).entryList({"pwned*"}) + QDir(hostile + "/..").entryList({"pwned*"}), QStringList{});
        QTest::qWait(1500);
    }

    void oneCopyPerFolderWhateverItsName()
    {
#ifdef Q_OS_WIN
        QSKIP("a folder name in a legacy 8-bit encoding exists only on Linux (Windows names are UTF-16)");
#else
        QTemporaryDir base;
        const QByteArray folder = QFile::encodeName(base.path()) + "/caf\xe9"; // Latin-1, not UTF-8
        QVERIFY(::mkdir(folder.constData(), 0700) == 0);
        const auto start = [&](QProcess &p) {
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("QT_QPA_PLATFORM", "offscreen");
            env.insert("XDG_CONFIG_HOME", base.path());
            p.setProcessEnvironment(env);
            p.start("/bin/sh", {"-c", "exec \"$0\" --folder \"$1/$(printf 'caf\\351')\"", KESSAMIR_BINARY, base.path()});
        };
        QProcess first, second;
        start(first);
        QTRY_VERIFY_WITH_TIMEOUT(::access(folder + "/kessamir.lock", F_OK) == 0, 10000);
        QTest::qWait(1000);
        const QString ls = base.filePath("ls.txt");
        const auto listing = [&] {
            QProcess::execute("/bin/sh", {"-c", "ls -la --full-time \"$1/$(printf 'caf\\351')\" > \"$0\"", ls, base.path()});
            return WorkFolder::bytes(ls);
        };
        const QByteArray before = listing();
        start(second);
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(second.exitCode(), 3);
        QVERIFY(second.readAllStandardError().contains("process " + QByteArray::number(first.processId())));
        QCOMPARE(listing(), before);
        QCOMPARE(first.state(), QProcess::Running);
        first.kill();
        first.waitForFinished(5000);
        QProcess::execute("rm", {"-rf", base.path()}); // QTemporaryDir cannot spell the folder's name
#endif
    }
};

QTEST_MAIN(TestUntrusted)
#include "test_untrusted.moc"
