// Every way a companion program can fail a run, with the real stand-ins and short timings: the run
// ends by itself within its bound, loses exactly the sites it has to, says why in the log, forecasts
// every other site on that site's own data, and leaves no process it started behind.
#include "core/dialogs.h"
#include "core/messageboxes.h"
#include "app/mainwindow.h"
#include "companions/companionopen.h"
#include "companions/launcher.h"
#include "run/companionwatch.h"
#include "run/forecastrun.h"
#include "run/waits.h"
#include "standins.h"
#include "workfolder.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMessageBox>
#include <QtTest>

#ifdef Q_OS_WIN
#include <windows.h>
#include <tlhelp32.h>
#endif

using namespace kess;
using kess::test::WorkFolder;

namespace {

const QList<QPair<QString, QString>> kSites{
    {"Boston", "KBOS"}, {"Atlanta", "KATL"}, {"Seattle", "KSEA"}, {"Denver", "KDEN"}};

#ifdef Q_OS_WIN
// Windows gives no process's current folder: the stand-ins running anywhere (one test at a time).
QList<qint64> processesIn(const QString &)
{
    QList<qint64> out;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    const QStringList standins{"dorliq.exe", "vantro.exe", "pelthor.exe", "mirrix.exe", "i_view32.exe"};
    for (bool more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        if (standins.contains(QString::fromWCharArray(entry.szExeFile), Qt::CaseInsensitive))
            out << qint64(entry.th32ProcessID);
    CloseHandle(snapshot);
    return out;
}

// A process ended is gone on Windows once its handles are closed: no zombies to count.
int zombieChildren()
{
    return 0;
}
#else
// Processes whose current folder is `folder`: what the run started there (Linux only).
QList<qint64> processesIn(const QString &folder)
{
    QList<qint64> out;
    const QString want = QFileInfo(folder).canonicalFilePath();
    const QDir proc(QStringLiteral("/proc"));
    for (const QString &entry : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool ok = false;
        const qint64 pid = entry.toLongLong(&ok);
        if (!ok || pid == QCoreApplication::applicationPid())
            continue;
        if (QFileInfo(proc.filePath(entry + QStringLiteral("/cwd"))).canonicalFilePath() == want) {
            QFile stat(proc.filePath(entry + QStringLiteral("/stat")));
            if (stat.open(QIODevice::ReadOnly)) {
                const QByteArray st = stat.readAll();
                const qsizetype close = st.lastIndexOf(')');
                if (close > 0 && close + 2 < st.size() && st[close + 2] == 'Z')
                    continue; // already ended, only not reaped yet
            }
            out << pid;
        }
    }
    return out;
}

// Ended children of this program that were never reaped (Linux only).
int zombieChildren()
{
    int zombies = 0;
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QByteArray st = WorkFolder::bytes(QStringLiteral("/proc/%1/stat").arg(entry));
        const QList<QByteArray> fields = st.mid(st.lastIndexOf(')') + 1).split(' '); // "", state, ppid, ...
        zombies += fields.size() > 2 && fields[1] == "Z" && fields[2].toLongLong() == QCoreApplication::applicationPid();
    }
    return zombies;
}
#endif

// Which sites VANTRO forecast, each checked against the DORLIQ run just before it: a site counts
// only when that DORLIQ gathered for the same site and answered 4.
QStringList forecastOnOwnData(QStringList *wrong)
{
    QStringList forecast;
    QString dorliqSite;
    bool answered = false;
    for (const QString &line : WorkFolder::lines("standins.log")) {
        const QString site = line.section(QStringLiteral("site="), 1).section(u' ', 0, 0);
        if (line.contains(" dorliq mode=3 ")) {
            dorliqSite = site;
            answered = line.contains("reply 4");
        } else if (line.contains(" vantro mode=5 ") && line.contains("reply 6")) {
            if (site != dorliqSite || !answered)
                *wrong << line;
            forecast << site;
        }
    }
    return forecast;
}

struct Row {
    QStringList standins;          // extra lines of "standins.txt"
    QStringList expectedForecast;  // site codes VANTRO forecast, in order
    QString lostBecause;           // what the log says about each lost site
    int boundMs;                   // the run ends within this
};

} // namespace

class TestFaultMatrix : public QObject {
    Q_OBJECT

    // One run over the four sites; returns the run log.
    QStringList runRow(WorkFolder &f, const Row &row, Dialogs::Script &dialogs, const std::function<void()> &before = {},
                       int runs = 1)
    {
        f.makeSites(kSites, {1, 1, 1, 1});
        if (!kess::test::installStandins())
            return {QStringLiteral("no stand-ins")};
        for (const char *flag : {"vantroopen.txt", "dorliqopen.txt", "pelthoropen.txt"})
            f.write(QLatin1String(flag), QStringList{"0"});
        f.write("standins.txt", QStringList{"delay = 0.05", "settings.delay = 0.05"} + row.standins);
        if (before)
            before();
        MainWindow w;
        w.startUp();
        w.mintowaittx->setText("0"); // DORLIQ's deadline is the margin alone
        w.show();
        w.activateWindow();
        if (!QTest::qWaitForWindowActive(&w))
            return {QStringLiteral("window not active")};
        QStringList log;
        for (int i = 0; i < runs; ++i) {
            [&] { QTRY_VERIFY_WITH_TIMEOUT(processesIn(f.path()).isEmpty(), 8000); }(); // the last PELTHOR logs late
            QFile::remove("standins.log");
            QElapsedTimer took;
            took.start();
            w.Command2->click();
            const qint64 ms = took.elapsed();
            log = WorkFolder::lines("kesslog.txt");
            [&] {
                QVERIFY2(ms < row.boundMs, qPrintable(QStringLiteral("took %1 ms").arg(ms)));
                QVERIFY2(log.endsWith("Got to 11"), qPrintable(log.join(" | ")));
                QStringList wrong;
                QCOMPARE(forecastOnOwnData(&wrong), row.expectedForecast);
                QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join('\n')));
                const int lost = kSites.size() - row.expectedForecast.size();
                QCOMPARE(log.filter("abandoned").size(), lost);
                QCOMPARE(log.filter(row.lostBecause).size(), lost);
                QCOMPARE(WorkFolder::bytes("imcode.txt"), QByteArray("0\r\n"));
                QVERIFY(dialogs.blocking().isEmpty());
            }();
            if (QTest::currentTestFailed())
                break;
        }
        // Nothing the run started lives on (the last PELTHOR may take a moment to close).
        [&] { QTRY_VERIFY_WITH_TIMEOUT(processesIn(f.path()).isEmpty(), 8000); }();
        [&] { QTRY_COMPARE_WITH_TIMEOUT(zombieChildren(), 0, 8000); }();
        // Every PELTHOR verified the site it was started for, not the next one staged.
        QStringList verified;
        for (const QString &line : WorkFolder::lines("standins.log").filter(" pelthor mode=autopel1 "))
            verified << line.section(QStringLiteral("site="), 1).section(u' ', 0, 0);
        [&] { QCOMPARE(verified, row.expectedForecast); }();
        return log;
    }

    void cleanupProcesses(const WorkFolder &f)
    {
        for (qint64 pid : processesIn(f.path()))
            kess::killProcess(pid);
    }

private slots:
    void init()
    {
        RunTiming t = kess::test::quickRunTiming();
        t.companionDeadlineMs = 3000;
        t.dorliqDeadlineMarginMs = 3000;
        m_timing.emplace(t);
    }
    void cleanup() { m_timing.reset(); }

    void aCompanionThatCannotBeStarted_data()
    {
        QTest::addColumn<QByteArray>("vantro"); // what "vantro.exe" is; empty: not there
        QTest::newRow("not there") << QByteArray();
        QTest::newRow("not executable") << QByteArray("#!/bin/sh\nexit 0\n");
        QTest::newRow("MZ without wine") << QByteArray("MZ\x90\x00 a Windows program");
    }
    void aCompanionThatCannotBeStarted()
    {
        QFETCH(QByteArray, vantro);
        WorkFolder f;
        Dialogs::Script dialogs;
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", "/nonexistent"); // no wine
        const Row row{{}, {}, "VANTRO could not be started", 30000};
        runRow(f, row, dialogs, [&] {
            QFile::remove("vantro.exe");
            if (!vantro.isEmpty()) {
                f.write("vantro.exe", vantro);
                QFile::setPermissions("vantro.exe", QFile::ReadOwner | QFile::WriteOwner);
            }
        });
        qputenv("PATH", path);
        cleanupProcesses(f);
        QVERIFY(!dialogs.shown().isEmpty());
        for (const QString &text : dialogs.shown())
            QCOMPARE(text, QStringLiteral("Error occurred: number53, last file number = 17, last file name = vantroopen.txt"));
    }

    void companionsThatNeverAnswer_data()
    {
        QTest::addColumn<QStringList>("standins");
        QTest::addColumn<QString>("because");
        QTest::addColumn<int>("boundMs");
        // grace 1.5 s, deadline 3 s (DORLIQ: the 3 s margin, no limit of its own), kill 1 s later
        QTest::newRow("crashes at once, flag left 1")
            << QStringList{"vantro.noreply = KBOS", "vantro.delay = 0"} << "VANTRO ended without answering" << 30000;
        QTest::newRow("exits without output") << QStringList{"vantro.nooutput = KBOS"}
                                              << "VANTRO ended without answering" << 30000;
        QTest::newRow("garbage in imcode.txt") << QStringList{"vantro.garbage = KBOS"}
                                               << "VANTRO ended without answering" << 30000;
        QTest::newRow("VANTRO alive, never answers, flag 1")
            << QStringList{"vantro.hang = KBOS"} << "VANTRO did not answer within its time" << 30000;
        QTest::newRow("DORLIQ alive, never answers, flag 0")
            << QStringList{"dorliq.hangclosed = KBOS"} << "DORLIQ did not answer within its time" << 30000;
    }
    void companionsThatNeverAnswer()
    {
        QFETCH(QStringList, standins);
        QFETCH(QString, because);
        QFETCH(int, boundMs);
        WorkFolder f;
        Dialogs::Script dialogs;
        const Row row{standins, {"KATL", "KSEA", "KDEN"}, because, boundMs};
        const QStringList log = runRow(f, row, dialogs);
        cleanupProcesses(f);
        QVERIFY(dialogs.shown().isEmpty());
        if (because.contains("within its time"))
            QVERIFY2(log.filter("Site 1 abandoned").value(0).contains("asked to end"), qPrintable(log.join('\n')));
    }

    // A VANTRO that dies with its flag up holds the next site only for the grace, not its 2-minute
    // deadline; a scheduled run finding such a flag with no VANTRO running clears it, asking nothing.
    void aCompanionThatDiesWithItsFlagUpHoldsNothingUp()
    {
        RunTiming timing = kess::test::quickRunTiming();
        timing.companionDeadlineMs = 120000;
        RunTimingOverride longDeadline(timing);
        WorkFolder f;
        Dialogs::Script dialogs;
        const Row row{{"vantro.noreply = KBOS", "vantro.delay = 0"}, {"KATL", "KSEA", "KDEN"},
                      "VANTRO ended without answering", 30000};
        QVERIFY(runRow(f, row, dialogs).contains("vantroopen.txt still said open after VANTRO ended; cleared"));
        f.write("vantroopen.txt", QStringList{"1"});
        f.write("standins.txt", QStringList{"delay = 0.05"});
        MainWindow w;
        w.startUp();
        if (programRunning(QStringLiteral("vantro.exe")))
            QSKIP("a VANTRO runs elsewhere on this computer (a test beside this one)");
        w.forecastRun().run(RunStart::Scheduled);
        const QStringList log = WorkFolder::lines("kesslog.txt");
        QVERIFY2(log.contains("vantroopen.txt said open, but no VANTRO is running; cleared") &&
                     log.endsWith("Got to 11"), qPrintable(log.join('\n')));
        QCOMPARE(dialogs.unexpected(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(processesIn(f.path()).isEmpty(), 8000);
    }

    // A VANTRO the user opened as a site after a run is not taken for the run's own ended copy:
    // "Run immediately" asks, a scheduled run is skipped, and its flag stays as VANTRO wrote it.
    void aCompanionOpenedAfterARunIsNeverTakenForStale()
    {
        WorkFolder f;
        Dialogs::Script dialogs;
        f.makeSites(kSites, {1, 1, 1, 1});
        QVERIFY(kess::test::installStandins());
        f.write("standins.txt", QStringList{"delay = 0.05", "settings.delay = 20"});
        MainWindow w;
        w.startUp();
        w.forecastRun().run();
        QVERIFY(WorkFolder::lines("kesslog.txt").endsWith("Got to 11"));
        w.companionOpen().openVantro();
        QTRY_COMPARE_WITH_TIMEOUT(WorkFolder::lines("vantroopen.txt"), QStringList{"1"}, 5000);
        w.Command4->setEnabled(false); // nothing to save: the run asks only about VANTRO
        dialogs.answer(true);
        w.forecastRun().run();
        QCOMPARE(dialogs.takeShown().filter("All running copies of VANTRO").size(), 1);
        w.forecastRun().run(RunStart::Scheduled);
        QVERIFY(dialogs.takeShown().filter("skipped: VANTRO is still running").size() == 1);
        QCOMPARE(WorkFolder::lines("vantroopen.txt"), QStringList{"1"});
        cleanupProcesses(f);
    }

    void aTimeLimitOnOneSiteLosesOnlyThatSite()
    {
        // Three runs in a row: the answer 2 of Boston's DORLIQ must never pass for Atlanta's.
        WorkFolder f;
        Dialogs::Script dialogs;
        const Row row{{"dorliq.timelimit = KBOS"}, {"KATL", "KSEA", "KDEN"}, "DORLIQ passed the time limit", 30000};
        runRow(f, row, dialogs, {}, 3);
        cleanupProcesses(f);
        QVERIFY(dialogs.shown().isEmpty());
        QVERIFY(WorkFolder::lines("plaintextKAT.txt").join('\n').contains("Atlanta"));
        QVERIFY(WorkFolder::lines("plaintextKDE.txt").join('\n').contains("Denver"));
    }

    void aTimeLimitOnTheInitialStepAborts()
    {
        WorkFolder f;
        Dialogs::Script dialogs;
        f.makeSites(kSites, {1, 1, 1, 1});
        QVERIFY(kess::test::installStandins());
        f.write("standins.txt", QStringList{"delay = 0.05", "dorliq.timelimit = initial"});
        MainWindow w;
        w.startUp();
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.Command2->click();
        QCOMPARE(WorkFolder::lines("kesslog.txt").last(), QStringLiteral("Got to 1.2"));
        QCOMPARE(dialogs.shown().size(), 1);
        QVERIFY(dialogs.blocking().isEmpty());
        QVERIFY(!WorkFolder::exists("standins.log") || !WorkFolder::bytes("standins.log").contains("mode=3"));
        QTRY_VERIFY_WITH_TIMEOUT(processesIn(f.path()).isEmpty(), 5000);
    }

    void noticesDuringARunDoNotWaitForAClick()
    {
        // The real message boxes: a missing VANTRO at every site must not hold the run.
        WorkFolder f;
        f.makeSites(kSites, {1, 1, 1, 1});
        QVERIFY(kess::test::installStandins());
        QFile::remove("vantro.exe");
        f.write("standins.txt", QStringList{"delay = 0.05"});
        installMessageBoxes();
        MainWindow w;
        w.startUp();
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        int heldUp = 0;
        QTimer watchdog;
        QObject::connect(&watchdog, &QTimer::timeout, [&] {
            if (auto *modal = QApplication::activeModalWidget()) {
                ++heldUp;
                modal->close();
            }
        });
        watchdog.start(2000);
        w.Command2->click();
        watchdog.stop();
        QCOMPARE(heldUp, 0);
        QCOMPARE(WorkFolder::lines("kesslog.txt").last(), QStringLiteral("Got to 11"));
        QStringList boxes;
        for (QWidget *top : QApplication::topLevelWidgets())
            if (auto *box = qobject_cast<QMessageBox *>(top); box && box->isVisible())
                boxes << box->text();
        // One box for the four sites' identical report.
        QCOMPARE(boxes, QStringList{"Error occurred: number53, last file number = 17, last file name = vantroopen.txt"});
        for (QWidget *top : QApplication::topLevelWidgets())
            if (qobject_cast<QMessageBox *>(top))
                top->close();
        Dialogs::install({});
        QTRY_VERIFY_WITH_TIMEOUT(processesIn(f.path()).isEmpty(), 8000);
    }

private:
    std::optional<RunTimingOverride> m_timing;
};

QTEST_MAIN(TestFaultMatrix)
#include "test_faultmatrix.moc"
