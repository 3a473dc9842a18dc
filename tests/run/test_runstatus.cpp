// The run's progress and last-run line in the window, and the run history "kesshistory.txt".
#include "app/mainwindow.h"
#include "app/runstatuspanel.h"
#include "core/clock.h"
#include "core/dialogs.h"
#include "run/forecastrun.h"
#include "run/runstatus.h"
#include "run/waits.h"
#include "standins.h"
#include "workfolder.h"

#include <QRegularExpression>
#include <QtTest>

using namespace kess;
using kess::test::WorkFolder;

namespace {

const QList<QPair<QString, QString>> kSites{{"Boston", "KBOS"}, {"Atlanta", "KATL"}, {"Seattle", "KSEA"}};

struct QuickRun {
    explicit QuickRun(const QList<int> &runFlags, const QStringList &standinSettings)
    {
        folder.makeSites(kSites, runFlags);
        if (!kess::test::installStandins())
            qFatal("stand-ins missing");
        for (const char *flag : {"vantroopen.txt", "dorliqopen.txt", "pelthoropen.txt"})
            folder.write(QLatin1String(flag), QStringList{"0"});
        folder.write("standins.txt", QStringList{"delay = 0.05", "settings.delay = 0.05"} + standinSettings);
        w.startUp();
        w.show();
        w.activateWindow();
        if (!QTest::qWaitForWindowActive(&w))
            qWarning("window not active");
    }
    ~QuickRun()
    {
        // The PELTHOR copies started by the run finish before the folder goes away.
        QTRY_VERIFY_WITH_TIMEOUT(WorkFolder::lines("pelthoropen.txt") != QStringList{"1"}, 10000);
    }
    RunTimingOverride timing{kess::test::quickRunTiming()};
    WorkFolder folder;
    Dialogs::Script dialogs;
    MainWindow w;
};

} // namespace

class TestRunStatus : public QObject {
    Q_OBJECT
private slots:
    void theSummaryLineSaysWhatTheRunDid()
    {
        RunRecord r;
        r.started = QDateTime(QDate(2026, 12, 9), QTime(6, 15, 1));
        r.lastedMs = 125'400;
        r.sitesIncluded = 4;
        r.sitesForecast = 3;
        r.skipped << "KATL Atlanta (DORLIQ passed the time limit)";
        r.completed = true;
        QCOMPARE(summaryLine(r), QStringLiteral("started 2026-12-09 06:15:01, lasted 2 min 05 s, 3 of 4 sites forecast, "
                                                "skipped: KATL Atlanta (DORLIQ passed the time limit)"));

        RunRecord aborted;
        aborted.started = r.started;
        aborted.lastedMs = 9'000;
        aborted.sitesIncluded = 4;
        aborted.abortReason = "DORLIQ passed the time limit for the initial data";
        QCOMPARE(summaryLine(aborted), QStringLiteral("started 2026-12-09 06:15:01, lasted 9 s, "
                                                      "aborted: DORLIQ passed the time limit for the initial data"));

        QCOMPARE(durationText(59'499), QStringLiteral("59 s"));
        QCOMPARE(durationText(60'000), QStringLiteral("1 min 00 s"));
        QCOMPARE(durationText(3'720'000), QStringLiteral("1 h 02 min"));
    }

    void theHistoryKeepsTheLastThousandLinesWithCrLf()
    {
        WorkFolder f;
        appendHistory("first run");
        QCOMPARE(WorkFolder::bytes("kesshistory.txt"), QByteArray("first run\r\n"));

        // An edited history with plain line feeds is read and written back with CR LF.
        QByteArray many;
        for (int i = 1; i <= 1000; ++i)
            many += "run " + QByteArray::number(i) + "\n";
        f.write("kesshistory.txt", many);
        appendHistory("run 1001");
        const QStringList lines = WorkFolder::lines("kesshistory.txt");
        QCOMPARE(lines.size(), 1000);
        QCOMPARE(lines.first(), QStringLiteral("run 2"));
        QCOMPARE(lines.last(), QStringLiteral("run 1001"));
        QCOMPARE(WorkFolder::bytes("kesshistory.txt").count("\r\n"), 1000);
        QCOMPARE(lastHistoryLine(), QStringLiteral("run 1001"));

        // A new window shows the last run of the history at once.
        MainWindow w;
        QCOMPARE(w.findChild<QLabel *>("lastRun")->text(), QStringLiteral("Last run: run 1001"));
    }

    void aRunShowsItsProgressAndThenItsSkippedSite()
    {
        QuickRun run({1, 1, 1}, {"dorliq.gfsmissing = KATL"});
        MainWindow &w = run.w;
        w.exmodchk->setChecked(true);
        auto *progress = w.findChild<QProgressBar *>("runProgress");
        auto *elapsed = w.findChild<QLabel *>("runElapsed");
        auto *lastRun = w.findChild<QLabel *>("lastRun");
        QVERIFY(progress && elapsed && lastRun);
        QVERIFY(!progress->isVisible());
        QVERIFY(lastRun->text().isEmpty());

        // What a forecaster sees each time the run moves on to a site.
        QStringList seen;
        QObject::connect(&w.forecastRun().status(), &RunStatus::movedOn, &w, [&] {
            seen << QStringLiteral("%1 | %2 | %3").arg(progress->isVisible()).arg(progress->text(), elapsed->text());
        });
        w.Command2->click();

        QCOMPARE(seen.size(), 3);
        QVERIFY2(seen[0].startsWith("1 | site 1 of 3: KBOS Boston | elapsed "), qPrintable(seen[0]));
        QVERIFY2(seen[1].startsWith("1 | site 2 of 3: KATL Atlanta | elapsed "), qPrintable(seen[1]));
        QVERIFY2(seen[2].startsWith("1 | site 3 of 3: KSEA Seattle | elapsed "), qPrintable(seen[2]));
        QVERIFY(!progress->isVisible());

        const QRegularExpression line(
            "^Last run: started \\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d, lasted \\d+ s, 2 of 3 sites forecast,\n"
            "skipped: KATL Atlanta \\(DORLIQ did not find the data this site needs\\)$");
        QVERIFY2(line.match(lastRun->text()).hasMatch(), qPrintable(lastRun->text()));
        // The history holds the same line, whole.
        const QString shown = lastRun->text().mid(QStringLiteral("Last run: ").size());
        QCOMPARE(WorkFolder::lines("kesshistory.txt"), QStringList{QString(shown).replace(",\n", ", ")});
        QVERIFY(WorkFolder::bytes("kesshistory.txt").endsWith("needs)\r\n"));
        // The run log keeps its own lines: the skipped site's reason, nothing of the summary.
        const QStringList log = WorkFolder::lines("kesslog.txt");
        QCOMPARE(log.filter("abandoned"), QStringList{"Site 2 abandoned: DORLIQ did not find the data this site needs"});
        QVERIFY(log.filter("started").isEmpty());
        QCOMPARE(log.last(), QStringLiteral("Got to 11"));
        QVERIFY(run.dialogs.shown().isEmpty());

        // A second run adds its own line below the first.
        w.exmodchk->setChecked(false);
        w.Command2->click();
        const QStringList history = WorkFolder::lines("kesshistory.txt");
        QCOMPARE(history.size(), 2);
        QVERIFY2(history[1].endsWith(", 3 of 3 sites forecast"), qPrintable(history[1]));
    }

    void anAbortedRunSaysWhy()
    {
        QuickRun run({1, 0, 1}, {"dorliq.timelimit = initial"});
        MainWindow &w = run.w;
        w.Command2->click();
        QCOMPARE(run.dialogs.shown().size(), 1); // the time-limit notice
        const QString last = w.findChild<QLabel *>("lastRun")->text();
        QVERIFY2(last.endsWith(",\naborted: DORLIQ passed the time limit for the initial data"), qPrintable(last));
        QVERIFY(!last.contains("sites forecast"));
        QCOMPARE(WorkFolder::lines("kesshistory.txt").size(), 1);
        QCOMPARE(WorkFolder::lines("kesslog.txt").last(), QStringLiteral("Got to 1.2"));
    }
};

QTEST_MAIN(TestRunStatus)
#include "test_runstatus.moc"
