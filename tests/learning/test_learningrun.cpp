// Learning runs with the real stand-in mirrix.exe: by hand, from the daily trigger, with a
// mirrix.exe that dies or cannot be started, and against a forecast run.
#include "learningfolder.h"

#include "core/clock.h"
#include "demofolder.h"
#include "run/forecastrun.h"
#include "run/runrecord.h"
#include "scheduler/schedulerpanel.h"

#include <QElapsedTimer>
#include <QTime>
#include <cmath>

using namespace kess;
using namespace kess::test;

namespace {

// Three sites at the quick timing, learning flags given, the window started and shown.
struct LearningDesk {
    explicit LearningDesk(const QList<int> &flags, const QStringList &standinSettings = {})
    {
        makeLearningFolder(folder, 3, flags);
        QVERIFY(installStandins());
        for (const char *flag : {"vantroopen.txt", "dorliqopen.txt", "pelthoropen.txt", "mirrixopen.txt"})
            folder.write(QLatin1String(flag), QStringList{"0"});
        folder.write("standins.txt", QStringList{"delay = 0.05", "settings.delay = 0.05"} + standinSettings);
        w.startUp();
        // As "OK" of the setup window leaves them.
        for (int n = 1; n <= flags.size(); ++n)
            w.state.learningIncludeFlags[n] = flags[n - 1];
        w.state.learningListLength = static_cast<int>(flags.size());
        QVERIFY(showActive(w));
    }
    RunTimingOverride timing{quickRunTiming()};
    WorkFolder folder;
    Dialogs::Script dialogs;
    MainWindow w;
};

QByteArray oldCorrections(int site)
{
    return QStringLiteral("cor %1\r\n").arg(site).toUtf8();
}

} // namespace

class TestLearningRun : public QObject {
    Q_OBJECT
private slots:
    void aRunLearnsForTheMarkedSites()
    {
        LearningDesk d({1, 0, 1});
        // The mode reply as every poll tick leaves it.
        QList<double> replies;
        connect(d.w.Timer1, &QTimer::timeout, &d.w, [&] { replies << d.w.state.modeReply; });
        QTest::mouseClick(d.w.Command21, Qt::LeftButton);

        const QString log = WorkFolder::lines("standins.log").join('\n');
        QCOMPARE(log.count("mirrix mode=20"), 2);
        QVERIFY(log.contains("mirrix mode=20 site=KBOS") && log.contains("mirrix mode=20 site=KSEA"));
        QVERIFY(!log.contains("site=KATL"));
        QVERIFY(replies.contains(22)); // a quick mirrix can answer before the first tick sees its 20
        for (double r : replies)
            QVERIFY(r == 20 || r == 22);

        for (int site : {1, 3}) {
            const QByteArray cor = WorkFolder::bytes(QStringLiteral("cor%1.txt").arg(site));
            QVERIFY2(cor.contains("SYNTHETIC bias corrections"), cor.constData());
        }
        QVERIFY(WorkFolder::bytes("cor1.txt") != WorkFolder::bytes("cor3.txt")); // each from its own settings
        QCOMPARE(WorkFolder::bytes("cor3.txt"), WorkFolder::bytes("cor.txt"));
        QCOMPARE(WorkFolder::bytes("cor2.txt"), QByteArray("0,1,0,0\r\n"));
        QCOMPARE(WorkFolder::bytes("cor0.txt"), WorkFolder::bytes("cor1.txt"));
        QCOMPARE(WorkFolder::bytes("mxrninit.txt"), WorkFolder::bytes("a3.txt"));
        QCOMPARE(WorkFolder::bytes("pelini.txt"), WorkFolder::bytes("r3.txt"));
        QCOMPARE(WorkFolder::bytes("imcode.txt"), QByteArray("0\r\n"));
        QCOMPARE(d.w.state.modeReply, 0.0);
        QCOMPARE(d.w.state.modeCode, 0);
        QVERIFY(!d.w.Timer1->isActive());
        QCOMPARE(d.w.Label2->text(), QStringLiteral("KSEA Seattle")); // named without the setup window
        QVERIFY(!d.w.runGate.busy());
        QVERIFY(!WorkFolder::exists("kesslog.txt"));
        QCOMPARE(WorkFolder::lines("mirrixlog.txt").filter("lost").size(), 0);
        QVERIFY(d.dialogs.shown().isEmpty());
        QVERIFY(lastStartEnded(d.w));
    }

    void aMirrixThatDiesLosesOnlyItsSite()
    {
        LearningDesk d({1, 2, 1}, {"mirrix.noreply = KBOS"});
        QElapsedTimer t;
        t.start();
        QTest::mouseClick(d.w.Command21, Qt::LeftButton);
        QVERIFY2(t.elapsed() < 15000, qPrintable(QString::number(t.elapsed())));
        QCOMPARE(WorkFolder::bytes("cor1.txt"), oldCorrections(1));
        QCOMPARE(WorkFolder::bytes("cor2.txt"), QByteArray("0,1,0,0\r\n")); // a flag of 2 does not learn
        QVERIFY(WorkFolder::bytes("cor3.txt").contains("SYNTHETIC"));
        QCOMPARE(WorkFolder::bytes("cor0.txt"), oldCorrections(1));
        QCOMPARE(WorkFolder::lines("mirrixlog.txt").filter("Site 1 lost").size(), 1);
        QVERIFY(WorkFolder::lines("mirrixlog.txt").filter("mirrixopen.txt").isEmpty()); // mirrix.exe's own flag
        // The run record holds the learning run, site by site; the forecast history does not.
        const QList<QStringList> rows = parseCsv(WorkFolder::bytes("kessruns.csv"));
        QCOMPARE(rows.size(), 4);
        QCOMPARE(rows[1].mid(1, 2) + rows[1].mid(7, 1), (QStringList{"learning", "immediate", "skipped"}));
        QVERIFY(WorkFolder::lines("mirrixlog.txt").filter("Site 1 lost: " + rows[1][8]).size() == 1);
        QCOMPARE(rows[2][7] + "/" + rows[3][7], QStringLiteral("not in run/learned"));
        QVERIFY(!WorkFolder::exists("kesshistory.txt"));
        QCOMPARE(WorkFolder::bytes("imcode.txt"), QByteArray("0\r\n"));
        QVERIFY(d.dialogs.shown().isEmpty());
        QVERIFY(lastStartEnded(d.w));
    }

    // A scheduled run keeps unsaved PELTHOR edits aside and puts them back after it.
    void aScheduledRunKeepsUnsavedEditsAside()
    {
        LearningDesk d({1, 0, 1});
        d.w.state.companionOpenedForSettings = 3;
        d.w.Command4->setEnabled(true);
        d.folder.write("pelini.txt", QStringList{"edited"});
        d.folder.write("cor.txt", QStringList{"edited cor"});
        d.w.runLearning(RunStart::Scheduled);
        QVERIFY(WorkFolder::bytes("cor3.txt").contains("SYNTHETIC"));
        QCOMPARE(WorkFolder::lines("pelini.txt") + WorkFolder::lines("cor.txt"), (QStringList{"edited", "edited cor"}));
        QVERIFY(d.w.Command4->isEnabled());
        QVERIFY(d.dialogs.shown().isEmpty());
    }

    // No mirrix.exe at all: the error report for each site, shown without stopping the run.
    void aMirrixThatCannotStartLosesItsSites()
    {
        LearningDesk d({1, 0, 1});
        QVERIFY(QFile::remove("mirrix.exe"));
        QElapsedTimer t;
        t.start();
        QTest::mouseClick(d.w.Command21, Qt::LeftButton);
        QVERIFY(t.elapsed() < 10000);
        const QString report = QStringLiteral("Error occurred: number53, last file number = 1, last file name = imcode.txt");
        QCOMPARE(d.dialogs.shown(), (QStringList{report, report}));
        QCOMPARE(WorkFolder::bytes("cor1.txt"), oldCorrections(1));
        QCOMPARE(WorkFolder::bytes("cor3.txt"), oldCorrections(3));
        QCOMPARE(WorkFolder::bytes("cor2.txt"), QByteArray("0,1,0,0\r\n"));
        QCOMPARE(WorkFolder::lines("mirrixlog.txt").filter("could not be started").size(), 2);
        QCOMPARE(WorkFolder::bytes("imcode.txt"), QByteArray("0\r\n"));
        QVERIFY(!d.w.runGate.busy());
    }

    // The forecast run and the learning run never overlap: a click gets a notice, a tick nothing.
    void oneRunAtATime()
    {
        LearningDesk d({1, 0, 1}, {"mirrix.delay = 0.5"});
        const QString busy = QStringLiteral("A forecast or learning run is already under way.  "
                                            "Try again once it has finished.");
        bool tried = false;
        QTimer::singleShot(200, &d.w, [&] {
            QVERIFY(d.w.runGate.busy());
            QTest::mouseClick(d.w.Command2, Qt::LeftButton); // "Run immediately"
            tried = true;
        });
        QTest::mouseClick(d.w.Command21, Qt::LeftButton);
        QVERIFY(tried);
        QCOMPARE(d.dialogs.takeShown(), QStringList{busy});
        QVERIFY(!WorkFolder::exists("kesslog.txt"));
        QVERIFY(WorkFolder::bytes("cor3.txt").contains("SYNTHETIC"));

        // And the other way: a learning click during a forecast run.
        QVERIFY(QFile::remove("mirrixlog.txt"));
        tried = false;
        QTimer::singleShot(300, &d.w, [&] {
            QVERIFY(d.w.runGate.busy());
            QTest::mouseClick(d.w.Command21, Qt::LeftButton);
            tried = true;
        });
        QTest::mouseClick(d.w.Command2, Qt::LeftButton);
        QVERIFY(tried);
        QCOMPARE(d.dialogs.takeShown(), QStringList{busy});
        QVERIFY(!WorkFolder::exists("mirrixlog.txt"));
        QVERIFY(WorkFolder::lines("kesslog.txt").contains("Got to 11"));

        // A due learning tick while a run holds the gate starts nothing and says nothing.
        d.w.state.learningRunHour = 6;
        d.w.state.learningRunMinute = 30;
        Clock::Override clock({[] { return 23401.0; }, {}, {}});
        {
            RunGate::Hold forecast(d.w.runGate);
            d.w.scheduler().learningTick();
        }
        QVERIFY(!WorkFolder::exists("mirrixlog.txt"));
        QVERIFY(d.dialogs.shown().isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(WorkFolder::lines("pelthoropen.txt") != QStringList{"1"}, 10000);
        QVERIFY(lastStartEnded(d.w));
    }

    // The learning timer, ticking for real on a clock set just before 6:30, starts one run at the
    // first tick from 23400 seconds after midnight, within the three seconds after it.
    void theDailyTriggerStartsTheRunAtItsTime()
    {
        LearningDesk d({0, 0, 1});
        const double start = 6 * 3600 + 30 * 60;
        QElapsedTimer since;
        since.start();
        Clock::Override clock({[&] { return start - 1.5 + since.nsecsElapsed() / 1e9; }, {}, [] { return 2460000; }});

        d.w.state.learningRunHour = 6;
        d.w.state.learningRunMinute = 30;
        d.w.state.learningSitesPresent = 1;
        d.w.Timer3->setInterval(250);
        QTest::mouseClick(d.w.tm[20], Qt::LeftButton);
        QTest::mouseClick(d.w.Command1, Qt::LeftButton);
        QVERIFY(d.w.Timer3->isActive());
        QCOMPARE(d.w.Label18->text(), QStringLiteral("Mirrix scheduled for 6:30 AM"));

        // Each tick as seen once its handler has returned: the time it began, and whether it ran.
        QList<QPair<double, bool>> ticks;
        double began = 0;
        // The scheduler's own handler, connected again between the two looks.
        d.w.Timer3->disconnect(&d.w);
        connect(d.w.Timer3, &QTimer::timeout, &d.w, [&] { began = Clock::timeOfDay(); });
        connect(d.w.Timer3, &QTimer::timeout, &d.w, [&] { d.w.scheduler().learningTick(); });
        connect(d.w.Timer3, &QTimer::timeout, &d.w, [&] { ticks.append({began, QFile::exists("mirrixlog.txt")}); });

        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists("mirrixlog.txt"), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!ticks.isEmpty() && ticks.last().second, 10000);
        for (qsizetype i = 0; i + 1 < ticks.size(); ++i)
            QVERIFY2(!ticks[i].second && ticks[i].first < start, qPrintable(QString::number(ticks[i].first)));
        QVERIFY2(ticks.last().first >= start && ticks.last().first < start + 3,
                 qPrintable(QString::number(ticks.last().first, 'f', 3)));
        QVERIFY(WorkFolder::bytes("cor3.txt").contains("SYNTHETIC"));
        QCOMPARE(d.w.Label2->text(), QStringLiteral("KSEA Seattle"));

        // Later ticks of the same day start nothing.
        QVERIFY(QFile::remove("mirrixlog.txt"));
        const qsizetype seen = ticks.size();
        QTRY_VERIFY_WITH_TIMEOUT(ticks.size() >= seen + 4, 10000);
        QVERIFY(!QFile::exists("mirrixlog.txt"));
        QVERIFY(d.dialogs.shown().isEmpty());
        QVERIFY(lastStartEnded(d.w));
    }

    // As a new user in the demo folder, at the program's own timing: the learning files made on
    // Yes, two sites marked for 6:05 PM, and a run that learns for both; then with a mirrix.exe
    // that never answers, a run that still ends.
    void aNewUserInTheDemoFolder()
    {
        WorkFolder f;
        demo::makeDemoFolder({f.path(), false, qEnvironmentVariable("KESS_STANDIN_DIR")});
        QFile::remove("mxrunlist.txt");
        Dialogs::Script dialogs;
        MainWindow w;
        w.startUp();
        QVERIFY(showActive(w));
        const int sites = w.state.siteCount;
        QVERIFY(sites >= 3);
        QTest::mouseClick(w.tm[20], Qt::LeftButton);
        QTest::mouseClick(w.Command1, Qt::LeftButton);

        dialogs.answer(true);
        QTest::mouseClick(w.Command20, Qt::LeftButton);
        dialogs.answer(true);
        QTest::mouseClick(w.Command20, Qt::LeftButton);
        QCOMPARE(dialogs.takeShown().last(), QStringLiteral("a0.txt through a%1.txt have been created.").arg(sites));
        MirrixSetup *m = w.learningRun().setupWindow();
        QVERIFY(m);
        QVERIFY(QTest::qWaitForWindowActive(m));
        QTest::mouseClick(m->Command19, Qt::LeftButton);
        for (int row : {0, 2}) {
            clickRow(m->listmxrn, row);
            QTest::mouseClick(m->Command8, Qt::LeftButton);
        }
        m->mxhrscrl->setValue(18);
        m->mxminscrl->setValue(5);
        QTest::mouseClick(m->Command1, Qt::LeftButton);
        QCOMPARE(w.Label18->text(), QStringLiteral("Mirrix scheduled for 6:05 PM"));
        QVERIFY(w.Timer3->isActive());

        QElapsedTimer t;
        t.start();
        QTest::mouseClick(w.Command21, Qt::LeftButton);
        QVERIFY2(t.elapsed() < 20000, qPrintable(QString::number(t.elapsed())));
        for (int site : {1, 3})
            QVERIFY(WorkFolder::bytes(QStringLiteral("cor%1.txt").arg(site)).contains("SYNTHETIC"));
        for (int site = 4; site <= sites; ++site)
            QCOMPARE(WorkFolder::bytes(QStringLiteral("cor%1.txt").arg(site)), QByteArray("0,1,0,0\r\n"));
        QVERIFY(dialogs.shown().isEmpty());
        QVERIFY(lastStartEnded(w));

        RunTimingOverride quick(quickRunTiming());
        f.write("standins.txt", QStringList{"delay = 0.05", "mirrix.noreply = all"});
        const QByteArray cor1 = WorkFolder::bytes("cor1.txt");
        t.restart();
        QTest::mouseClick(w.Command21, Qt::LeftButton);
        QVERIFY(t.elapsed() < 15000);
        QCOMPARE(WorkFolder::bytes("cor1.txt"), cor1);
        QCOMPARE(WorkFolder::lines("mirrixlog.txt").filter("lost").size(), 2);
        QCOMPARE(WorkFolder::bytes("imcode.txt"), QByteArray("0\r\n"));
        QVERIFY(lastStartEnded(w));
    }
};

QTEST_MAIN(TestLearningRun)
#include "test_learningrun.moc"
