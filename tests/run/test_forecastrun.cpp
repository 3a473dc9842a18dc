// Whole forecast runs with the real stand-in companion programs in a temporary folder.
#include "widgets.h"
#include "core/dialogs.h"
#include "app/mainwindow.h"
#include "run/forecastrun.h"
#include "run/waits.h"
#include "standins.h"
#include "workfolder.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

using namespace kess;
using kess::test::WorkFolder;
using kess::test::clickRow;

namespace {


const QList<QPair<QString, QString>> kSites{{"Boston", "KBOS"}, {"Atlanta", "KATL"}, {"Seattle", "KSEA"}};

// A working folder of three sites with the stand-ins installed and every flag closed.
void prepare(WorkFolder &f, const QList<int> &runFlags, const QStringList &standinSettings = {})
{
    f.makeSites(kSites, runFlags);
    QVERIFY(kess::test::installStandins());
    for (const char *flag : {"vantroopen.txt", "dorliqopen.txt", "pelthoropen.txt"})
        f.write(QLatin1String(flag), QStringList{"0"});
    f.write("standins.txt", QStringList{"delay = 0.05", "settings.delay = 0.05"} + standinSettings);
}

// Lets the PELTHOR copies started by the run finish before the folder goes away.
void settle()
{
    QTRY_VERIFY_WITH_TIMEOUT(WorkFolder::lines("pelthoropen.txt") != QStringList{"1"}, 10000);
}

// Three sites at the quick timing: the folder prepared, the dialogs scripted, the window started.
struct QuickRun {
    explicit QuickRun(const QList<int> &runFlags, const QStringList &standinSettings = {})
    {
        prepare(folder, runFlags, standinSettings);
        w.startUp();
    }
    RunTimingOverride timing{kess::test::quickRunTiming()};
    WorkFolder folder;
    Dialogs::Script dialogs;
    MainWindow w;
};

} // namespace

class TestForecastRun : public QObject {
    Q_OBJECT
private slots:
    void aNormalRunForecastsTheIncludedSites()
    {
        QuickRun run({1, 0, 1});
        MainWindow &w = run.w;
        Dialogs::Script &dialogs = run.dialogs;
        run.folder.write("textall.txt", QStringList{"old text"});
        w.show();
        w.Command2->click();

        const QStringList site = {"Got to 1.4", "Got to 1.5", "Got to 1.6", "Got to 2", "Got to 2.1",
                                  "Got to 2.2", "Got to 3", "Got to 4"};
        const QStringList expected = QStringList{"Got to 0", "Got to 0.1", "Got to 0.2", "Got to 0.3", "Got to 0.4",
                                                 "Got to 1", "Got to 1.3"} +
                                     site + site + QStringList{"Got to 5", "Got to 7", "Got to 11"};
        QCOMPARE(WorkFolder::lines("kesslog.txt"), expected);
        QVERIFY(dialogs.shown().isEmpty());

        for (const QString prefix : {"KBO", "KSE"}) {
            for (const QString name : {"latest%1.vnf", "latest%1.txt", "latest%1.csv", "latestdaily%1.csv",
                                       "plaintext%1.txt", "latestturbine%1.csv"})
                QVERIFY2(WorkFolder::exists(name.arg(prefix)), qPrintable(name.arg(prefix)));
        }
        // The run does not wait for PELTHOR: a site's lastpel copy takes what PELTHOR has left so
        // far, which is there by the second site.
        QVERIFY(WorkFolder::exists("lastpelKSE.txt"));
        QVERIFY(!WorkFolder::exists("latestKAT.vnf"));
        QVERIFY(WorkFolder::lines("plaintextKBO.txt").join('\n').contains("Boston"));
        QVERIFY(WorkFolder::exists("snowrec0.txt") && WorkFolder::exists("ecdata0.txt"));
        QCOMPARE(WorkFolder::bytes("snowrec1.txt"), WorkFolder::bytes("snowrec0.txt"));

        const QString text = WorkFolder::lines("textall.txt").join('\n');
        QVERIFY(!text.contains("old text"));
        QVERIFY(text.contains("Boston") && text.contains("Seattle") && !text.contains("Atlanta"));
        QCOMPARE(text.count(QString(61, '-')), 2);

        QCOMPARE(WorkFolder::bytes("imcode.txt"), QByteArray("0\r\n"));
        QCOMPARE(WorkFolder::bytes("custinit.txt"), WorkFolder::bytes("c0.txt"));
        QCOMPARE(WorkFolder::bytes("vantmini.txt"), WorkFolder::bytes("w0.txt"));
        QCOMPARE(WorkFolder::bytes("timelimit.txt"), QByteArray("5\r\n"));
        QCOMPARE(WorkFolder::bytes("autopel.txt").isEmpty(), false);
        QCOMPARE(w.Label2->text(), QStringLiteral("(forecasts complete)"));
        QCOMPARE(w.Label8->text(), QStringLiteral("KSEA Seattle"));
        QVERIFY(w.List1->isEnabled());
        QVERIFY(!w.state.forecastRunInProgress);
        QVERIFY(!w.Timer1->isActive());
        QVERIFY(!w.Command4->isEnabled()); // PELTHOR opened by the run leaves Save off
        QVERIFY(!w.Command13->isEnabled());
        settle();
        QVERIFY(WorkFolder::lines("standins.log").join('\n').contains("pelthor"));
    }

    void theTimeLimitAbortsTheRun()
    {
        QuickRun run({1, 1, 1}, {"dorliq.timelimit = initial"});
        MainWindow &w = run.w;
        Dialogs::Script &dialogs = run.dialogs;
        run.folder.write("textall.txt", QStringList{"previous run"});
        w.Command2->click();
        QCOMPARE(dialogs.shown(), QStringList{"Past user-defined time limit for finding initial surface or upper air "
                                              "data.  Please make sure your internet connection is good.  This run "
                                              "will be aborted."});
        QCOMPARE(WorkFolder::lines("kesslog.txt").last(), QStringLiteral("Got to 1.2"));
        QCOMPARE(WorkFolder::bytes("dorliqopen.txt"), QByteArray(" 0 \r\n"));
        QCOMPARE(WorkFolder::lines("textall.txt"), QStringList{"previous run"});
        // The window is given back: nothing later may be able to release it.
        QVERIFY(w.List1->isEnabled());
        QVERIFY(!w.state.forecastRunInProgress);
        QCOMPARE(w.state.forecastRunInProgressFlag, 0);
        QVERIFY(!w.Timer1->isActive());
        QCOMPARE(WorkFolder::bytes("imcode.txt"), QByteArray("0\r\n"));
        QVERIFY(!w.runGate.busy());
    }

    void aMissingDorliqAbortsAndLeavesAUsableWindow()
    {
        QuickRun run({1, 1, 1});
        MainWindow &w = run.w;
        run.folder.write("textall.txt", QStringList{"previous run"});
        QFile::remove("dorliq.exe");
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.Command2->click();
        QCOMPARE(run.dialogs.shown(),
                 QStringList{"Error occurred: number53, last file number = 1, last file name = imcode.txt"});
        const QStringList log = WorkFolder::lines("kesslog.txt");
        QCOMPARE(log.mid(0, 6), (QStringList{"Got to 0", "Got to 0.1", "Got to 0.2", "Got to 0.3", "Got to 0.4", "Got to 1"}));
        QVERIFY(log.last().contains("DORLIQ could not be started"));
        QVERIFY(!log.contains("Got to 5") && !log.contains("Got to 11"));
        QCOMPARE(WorkFolder::lines("textall.txt"), QStringList{"previous run"});
        QCOMPARE(w.Label2->text(), QStringLiteral("(none yet)"));
        QVERIFY(!w.state.forecastRunInProgress);
        QVERIFY(!w.Timer1->isActive());
        QCOMPARE(WorkFolder::bytes("imcode.txt"), QByteArray("0\r\n"));

        // The user can select a site and go on working.
        QVERIFY(w.List1->isEnabled());
        clickRow(w.List1, 1);
        QCOMPARE(WorkFolder::bytes("custinit.txt"), WorkFolder::bytes("c2.txt"));
        QVERIFY(w.Command5->isEnabled() && w.Command8->isEnabled());
    }

    void theForecastTextIsCollectedByteForByte()
    {
#ifdef Q_OS_WIN
        QSKIP("the VANTRO of this test is a POSIX shell script under the program's name");
#endif
        QuickRun run({1, 0, 0});
        // A VANTRO that writes its texts in UTF-8, with lines ended both ways.
        run.folder.writeScript("vantro.exe", {
            "#!/bin/sh",
            "printf '1\\r\\n' > vantroopen.txt",
            "for f in latest.vnf latest.txt latest.csv latestdaily.csv latestturbine.csv; do printf 'x\\r\\n' > $f; done",
            "printf '20\\302\\260C caf\\303\\251\\r\\nline two\\n' > plaintext.txt",
            "printf 'r\\303\\251sum\\303\\251\\r\\n' > summary.txt",
            "printf '6\\r\\n' > imcode.txt",
            "printf '0\\r\\n' > vantroopen.txt"});
        QVERIFY(QDir().mkdir("latestturbineKBO.csv")); // an output copy that fails is told, not dropped
        run.w.Command2->click();
        QCOMPARE(WorkFolder::lines("kesslog.txt").last(), QStringLiteral("Got to 11"));
        QCOMPARE(WorkFolder::lines("kesslog.txt").filter("Site 1: latestturbine.csv not copied to latestturbineKBO.csv").size(), 1);
        QVERIFY(run.w.forecastRun().status().lastLine().contains("troubles: site 1's latestturbine.csv not copied"));
        QCOMPARE(WorkFolder::bytes("textall.txt"),
                 QByteArray("20\xC2\xB0" "C caf\xC3\xA9\r\nline two\r\nr\xC3\xA9sum\xC3\xA9\r\n \r\n") +
                     QByteArray(61, '-') + "\r\n \r\n");
        settle();
    }

    void theWindowCannotBeClosedThroughItsFrameDuringARun()
    {
        RunTimingOverride timing(kess::test::quickRunTiming());
        WorkFolder f;
        prepare(f, {1, 0, 0});
        f.write("standins.txt", QStringList{"delay = 0.6"});
        Dialogs::Script dialogs;
        MainWindow w;
        w.startUp();
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        bool closedDuringRun = true;
        QTimer::singleShot(300, &w, [&] { closedDuringRun = w.close(); });
        w.Command2->click();
        QVERIFY(!closedDuringRun);
        QVERIFY(w.isVisible());
        QCOMPARE(dialogs.unexpected(), 0);
        QCOMPARE(dialogs.shown(), QStringList{"A forecast or learning run is under way.  Close KESSAMIR once it has finished."});
        QCOMPARE(WorkFolder::lines("kesslog.txt").last(), QStringLiteral("Got to 11"));
        settle();
    }

    void aSiteWithoutItsDataIsSkippedAndTheRunGoesOn()
    {
        QuickRun run({1, 1, 1}, {"dorliq.gfsmissing = KATL"});
        MainWindow &w = run.w;
        Dialogs::Script &dialogs = run.dialogs;
        w.exmodchk->setChecked(true);
        w.Command2->click();
        QVERIFY(WorkFolder::exists("latestKBO.vnf"));
        QVERIFY(!WorkFolder::exists("latestKAT.vnf"));
        QVERIFY(WorkFolder::exists("latestKSE.vnf"));
        QCOMPARE(WorkFolder::lines("kesslog.txt").filter("abandoned").size(), 1);
        QVERIFY(!WorkFolder::lines("textall.txt").join('\n').contains("Atlanta"));
        QCOMPARE(WorkFolder::lines("kesslog.txt").last(), QStringLiteral("Got to 11"));
        QVERIFY(dialogs.shown().isEmpty());
        settle();
    }

    void aCompanionThatDiesWithoutAnsweringLosesOnlyItsSite()
    {
        QuickRun run({1, 1, 0}, {"vantro.noreply = KBOS"});
        MainWindow &w = run.w;
        Dialogs::Script &dialogs = run.dialogs;
        QElapsedTimer clock;
        clock.start();
        w.Command2->click();
        QVERIFY(clock.elapsed() < 60000);
        const QStringList log = WorkFolder::lines("kesslog.txt");
        QCOMPARE(log.filter("Site 1 abandoned").size(), 1);
        QVERIFY(WorkFolder::exists("latestKAT.vnf"));
        QCOMPARE(log.last(), QStringLiteral("Got to 11"));
        QVERIFY(dialogs.shown().isEmpty());
        settle();
    }

    void aProgramThatCannotBeStartedIsReported()
    {
        QuickRun run({1, 0, 0});
        MainWindow &w = run.w;
        Dialogs::Script &dialogs = run.dialogs;
        QFile::remove("vantro.exe");
        w.Command2->click();
        QCOMPARE(dialogs.shown().size(), 1);
        QCOMPARE(dialogs.shown().first(),
                 QStringLiteral("Error occurred: number53, last file number = 17, last file name = vantroopen.txt"));
        QCOMPARE(WorkFolder::lines("kesslog.txt").filter("Site 1 abandoned").size(), 1);
        QCOMPARE(WorkFolder::lines("kesslog.txt").last(), QStringLiteral("Got to 11"));
    }

    void theSeaTemperatureWarningListsTheSitesAndRemovesTheFile()
    {
        QuickRun run({1, 0, 1}, {"vantro.seatemp = KBOS, KSEA"});
        MainWindow &w = run.w;
        Dialogs::Script &dialogs = run.dialogs;
        w.Command2->click();
        QCOMPARE(dialogs.shown().size(), 1);
        const QString message = dialogs.shown().first();
        QVERIFY(message.startsWith("The following sites have stored sea temperatures more than 1.5 C"));
        QVERIFY(message.contains("VANTRO, and save the changes for that site only in KESSAMIR.\r\rBoston\rSeattle\r\rAn alternative"));
        QVERIFY(!message.contains('\n'));
        QVERIFY(!WorkFolder::exists("seatempanomalies.txt"));
        const QStringList log = WorkFolder::lines("kesslog.txt").filter("Got to"); // the list is logged too
        QCOMPARE(log.mid(log.size() - 6), (QStringList{"Got to 5", "Got to 7", "Got to 8", "Got to 9", "Got to 10", "Got to 11"}));
        settle();
    }

    void pngAndBatchStepsForEverySiteNumber()
    {
        RunTimingOverride timing(kess::test::quickRunTiming());
        WorkFolder f;
        QList<QPair<QString, QString>> sites;
        QList<int> flags;
        for (int i = 1; i <= 30; ++i) {
            sites.append({QStringLiteral("Town%1").arg(i), QStringLiteral("T%1").arg(i)});
            flags << 0;
        }
        f.makeSites(sites, flags);
        QVERIFY(kess::test::installStandins());
#ifdef Q_OS_WIN
        const QString after = "after.bat"; // run by cmd
        f.writeScript(after, {"@echo ran >> batchruns.txt"});
#else
        const QString after = "after.sh";
        f.writeScript(after, {"#!/bin/sh", "echo ran >> batchruns.txt"});
#endif
        f.write("standins.txt", QStringList{"delay = 0.05"});
        Dialogs::Script dialogs;
        MainWindow w;
        w.startUp();
        w.bmppng->setChecked(true);
        w.ivtx->setText(f.path());
        w.pngtar->setText(QString());
        w.exbat->setChecked(true);
        w.exbattx->setText(f.path() + "/" + after);
        w.Command2->click();
        QCOMPARE(WorkFolder::lines("bmppng.bat"),
                 QStringList{"\"" + f.folderText() + "i_view32.exe\" " + f.folderText() + "*.bmp /convert=" +
                             f.folderText() + "*.png"});
        QTRY_COMPARE_WITH_TIMEOUT(WorkFolder::lines("batchruns.txt").size(), 2, 10000);
        QTest::qWait(300);
        QCOMPARE(WorkFolder::lines("batchruns.txt").size(), 2); // after site 25 and after site 30 only
        QVERIFY(dialogs.shown().isEmpty());
    }

    void aSecondStartDuringARunIsRefused()
    {
        RunTiming slow = kess::test::quickRunTiming();
        RunTimingOverride timing(slow);
        WorkFolder f;
        prepare(f, {1, 0, 0});
        f.write("standins.txt", QStringList{"delay = 0.6"});
        Dialogs::Script dialogs;
        MainWindow w;
        w.startUp();
        w.show();
        QTimer::singleShot(300, &w, [&] { QTest::mouseClick(w.Command2, Qt::LeftButton); });
        w.Command2->click();
        QCOMPARE(dialogs.shown().size(), 1);
        QVERIFY(dialogs.shown().first().startsWith("A forecast or learning run is already under way."));
        QCOMPARE(WorkFolder::lines("kesslog.txt").count("Got to 0"), 1);
        QCOMPARE(WorkFolder::lines("kesslog.txt").last(), QStringLiteral("Got to 11"));
        settle();
    }

    void aRunAtTheRealPaceOfTheCompanions()
    {
        // Real 3-second reply poll and real read pacing: the timing the companion programs see.
        WorkFolder f;
        prepare(f, {1, 0, 0});
        f.write("standins.txt", QStringList{"delay = 0.2"});
        Dialogs::Script dialogs;
        MainWindow w;
        w.startUp();
        QElapsedTimer clock;
        clock.start();
        w.Command2->click();
        QVERIFY(clock.elapsed() >= 6000); // three answers read by a 3-second poll
        QCOMPARE(WorkFolder::lines("kesslog.txt").last(), QStringLiteral("Got to 11"));
        QVERIFY(WorkFolder::exists("latestKBO.vnf"));
        QVERIFY(dialogs.shown().isEmpty());
        settle();
    }

    void aWindowsPelthorFolderWithoutAWinePrefixIsReported()
    {
        qputenv("WINEPREFIX", "/nonexistent/kessamir-prefix");
        QuickRun run({1, 1, 0});
        run.folder.write("r2.txt", WorkFolder::pelthorSettings("c:\\vantro\\"));
        run.w.Command2->click();
        qunsetenv("WINEPREFIX");
        const QString why = "c:\\vantro\\lastpel.txt is a Windows path and there is no Wine prefix at /nonexistent/kessamir-prefix";
        QVERIFY(WorkFolder::lines("kesslog.txt").contains("Site 2: lastpel.txt not copied: " + why));
        QVERIFY(WorkFolder::lines("kesshistory.txt").last().endsWith("2 of 2 sites forecast, troubles: lastpel.txt of site 2 not copied (" + why + ")"));
        settle();
    }

    void windowsCompanionsUnderWine()
    {
        const QString standins = qEnvironmentVariable("KESS_WINDOWS_STANDINS");
        if (standins.isEmpty() || QStandardPaths::findExecutable("wine").isEmpty())
            QSKIP("needs wine and the Windows stand-ins (KESS_WINDOWS_STANDINS, made by scripts/windows)");
        WorkFolder f;
        const QString vantro = f.path() + "/prefix/drive_c/vantro";
        qputenv("WINEPREFIX", (f.path() + "/prefix").toLocal8Bit());
        qputenv("WINEDEBUG", "-all");
        QVERIFY(QProcess::execute("wineboot", {"-i"}) == 0);
        for (const QString &to : {vantro, f.path() + "/prefix/drive_c/Program Files/IrfanView"})
            for (QDirIterator it(standins, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
                const QString file = it.next(), target = to + file.mid(standins.size());
                QVERIFY(QDir().mkpath(QFileInfo(target).path()) && QFile::copy(file, target));
            }
        QVERIFY(QDir().mkpath(f.path() + "/prefix/drive_c/skew-t") && QDir::setCurrent(vantro));
        f.makeSites(kSites.mid(0, 2), {1, 1});
        for (const char *name : {"vantroopen.txt", "dorliqopen.txt", "pelthoropen.txt"})
            f.write(QLatin1String(name), QStringList{"0"});
        f.write("standins.txt", QStringList{"delay = 0.05"});
        for (int site = 1; site <= 2; ++site) {
            // What PELTHOR left in the site's own folder last time (or now), and a chart to convert.
            const QString folder = QStringLiteral("pelthor/site%1").arg(site);
            QVERIFY(QDir().mkpath(folder) && QImage(8, 8, QImage::Format_RGB32).save(folder + QStringLiteral("/chart%1.bmp").arg(site)));
            f.write(folder + "/lastpel.txt", QStringList{"earlier verification for " + kSites[site - 1].second});
            f.write(QStringLiteral("r%1.txt").arg(site), WorkFolder::pelthorSettings("c:\\vantro\\" + QString(folder).replace('/', '\\') + '\\'));
        }
        f.write("after.bat", QByteArray("@echo off\r\necho batch ran> ran.txt\r\ncopy ran.txt copied.txt\r\n"));
        RunTimingOverride timing(kess::test::quickRunTiming());
        Dialogs::Script dialogs;
        MainWindow w;
        w.startUp();
        w.bmppng->setChecked(true);
        w.ivtx->setText("c:\\Program Files\\IrfanView");
        w.pngtar->setText("c:\\skew-t");
        w.exbat->setChecked(true);
        w.exbattx->setText("c:\\vantro\\after.bat");
        w.Command2->click();
        QVERIFY2(WorkFolder::lines("kesshistory.txt").value(0).endsWith("2 of 2 sites forecast"), "troubles");
        QVERIFY(WorkFolder::lines("kesslog.txt").contains("Batch file c:\\vantro\\after.bat started after site 2, Wine's cmd /c"));
        QVERIFY(WorkFolder::lines("pelthor/site1/lastpelKBO.txt").join(' ').contains("KBOS") &&
                WorkFolder::lines("pelthor/site2/lastpelKAT.txt").join(' ').contains("KATL"));
        QTRY_VERIFY_WITH_TIMEOUT(WorkFolder::lines("copied.txt") == QStringList{"batch ran"}, 30000);
        QVERIFY(WorkFolder::exists("../skew-t/chart1.png") && WorkFolder::exists("../skew-t/chart2.png"));
        QVERIFY2(dialogs.shown().isEmpty(), qPrintable(dialogs.shown().join(" | ")));
        // Every program of the prefix has ended (the server ends after them), or is ended now.
        QProcess server;
        server.start("wineserver", {"-w"});
        if (!server.waitForFinished(60000))
            QProcess::execute("wineserver", {"-k"});
        qunsetenv("WINEPREFIX");
    }
};

QTEST_MAIN(TestForecastRun)
#include "test_forecastrun.moc"
