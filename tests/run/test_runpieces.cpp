// The run's small rules: code prefixes, the IrfanView command line, "pelini.txt", the pacing.
#include "core/appstate.h"
#include "core/clock.h"
#include "companions/launcher.h"
#include "run/companionwatch.h"
#include "run/forecastrun.h"
#include "run/pelini.h"
#include "run/waits.h"
#include "workfolder.h"

#include <QtTest>
#include <cmath>

using namespace kess;
using kess::test::WorkFolder;

class TestRunPieces : public QObject {
    Q_OBJECT
private slots:
    void codePrefixes()
    {
        QCOMPARE(ForecastRun::codePrefix("ATL"), QStringLiteral("ATL"));
        QCOMPARE(ForecastRun::codePrefix(" Bay"), QStringLiteral("Bay"));
        QCOMPARE(ForecastRun::codePrefix("KBOS"), QStringLiteral("KBO"));
        QCOMPARE(ForecastRun::codePrefix("X"), QStringLiteral("X"));
        QCOMPARE(ForecastRun::codePrefix(""), QString());
    }

    void irfanViewCommandLine()
    {
        QCOMPARE(ForecastRun::pngCommandLine("c:\\Program Files\\IrfanView", "c:\\vantro\\", "c:\\skew-t\\"),
                 QStringLiteral("\"c:\\Program Files\\IrfanView\\i_view32.exe\" c:\\vantro\\*.bmp /convert=c:\\skew-t\\*.png"));
        // An empty target box was turned into a lone backslash: the PNG files stay with the data.
        QCOMPARE(ForecastRun::pngCommandLine("c:\\iv\\", "c:\\vantro\\", "\\"),
                 QStringLiteral("\"c:\\iv\\i_view32.exe\" c:\\vantro\\*.bmp /convert=c:\\vantro\\*.png"));
        QCOMPARE(ForecastRun::pngCommandLine("/opt/iv", "/srv/wx/", "/srv/png/"),
                 QStringLiteral("\"/opt/iv/i_view32.exe\" /srv/wx/*.bmp /convert=/srv/png/*.png"));
    }

    void peliniWholeAndShort()
    {
        WorkFolder f;
        QStringList lines = WorkFolder::pelthorSettings("/srv/wx");
        lines[16] = "61,62,63,64,65,66,67,68,69,70";
        lines[22] = "161,162,163,164,165,166,167,168,169,170";
        f.write("pelini.txt", lines);
        AppState s;
        readpelini(s);
        QCOMPARE(s.workingFolder, QStringLiteral("/srv/wx/"));
        QCOMPARE(s.pelthorValues1to8[7].text, QStringLiteral("8"));
        QCOMPARE(s.pelthorValues19to27[8].text, QStringLiteral("110"));
        QCOMPARE(s.pelthorListA[1].text, QStringLiteral("1"));
        QCOMPARE(s.pelthorListB[5].text, QStringLiteral("10"));
        QCOMPARE(s.pelthorListA[6].text, QStringLiteral("61"));
        QCOMPARE(s.pelthorListB[10].text, QStringLiteral("70"));
        QCOMPARE(s.pelthorListA[20].text, QStringLiteral("165"));
        QCOMPARE(s.pelthorListB[16].text, QStringLiteral("166"));
        QCOMPARE(s.pelthorFurtherFields[7].text, QStringLiteral("7"));
        QCOMPARE(s.lastFileNumber, 7);

        f.write("pelini.txt", lines.mid(0, 11));
        AppState shortFile;
        shortFile.workingFolder = "/elsewhere/";
        readpelini(shortFile);
        QCOMPARE(shortFile.workingFolder, QStringLiteral("c:\\vantro\\"));
        QCOMPARE(shortFile.pelthorValueAfterFolder1.number.value_or(-1), 6.0);

        f.write("pelini.txt", lines.mid(0, 5));
        AppState broken;
        QVERIFY_THROWS_EXCEPTION(FileError, readpelini(broken));
        QCOMPARE(broken.pelthorValues1to8[0].text, QStringLiteral("1")); // what was read stays
    }

    void pacingLandsInTheLatePartOfEachSecond()
    {
        // A clock that runs at real speed from 10:00:00.9, so the first read has to wait.
        QElapsedTimer real;
        real.start();
        Clock::Override clock({[&] { return 36000.9 + real.nsecsElapsed() / 1e9; }, {}, {}});
        for (int i = 0; i < 3; ++i) {
            pace();
            const double fraction = std::fmod(Clock::timeOfDay(), 1.0);
            QVERIFY2(fraction > 0.64 && fraction < 0.87, qPrintable(QString::number(fraction)));
            QTest::qWait(250); // leave the window before pacing again
        }
        QVERIFY(real.elapsed() >= 1700); // waited for the window of each of the next seconds

        // Clearing a stale flag reads it paced too, and leaves a 1 written after the program ended.
        WorkFolder f;
        AppState s;
        f.write("vantroopen.txt", QStringList{"1"});
        QTest::qWait(std::lround((1.0 - std::fmod(Clock::timeOfDay(), 1.0)) * 1000) % 1000 + 50);
        QVERIFY(!clearStaleFlag(s, 17, "vantroopen.txt", QDateTime::currentMSecsSinceEpoch() - 2000));
        QVERIFY(inPacingWindow());
        QVERIFY(clearStaleFlag(s, 17, "vantroopen.txt", QDateTime::currentMSecsSinceEpoch()));
        QCOMPARE(WorkFolder::lines("vantroopen.txt"), QStringList{"0"});
    }

    void failedReadsAreRetriedForFiveSecondsAcrossMidnight()
    {
        double now = 0;
        Clock::Override clock({[&] { return now; }, {}, {}});
        now = 104.9;
        QVERIFY(withinRetryGrace(100));
        now = 105;
        QVERIFY(!withinRetryGrace(100));
        now = 1; // began 2 s before midnight, 3 s have passed
        QVERIFY(withinRetryGrace(86398));
        now = 3.5;
        QVERIFY(!withinRetryGrace(86398));
    }

    void aCompanionThatHasEndedGivesUpAfterTheGrace()
    {
        RunTiming t;
        t.deadProcessGraceMs = 200;
        RunTimingOverride timing(t);
        CompanionWatch unknown;
        QVERIFY(!unknown.gaveUp());
        QVERIFY(!unknown.pastDeadline());
        WorkFolder f;
#ifdef Q_OS_WIN
        const QString brief = "brief.bat";
        f.writeScript(brief, {"@ping -n 2 127.0.0.1 > nul"}); // about a second
#else
        const QString brief = "brief.sh";
        f.writeScript(brief, {"#!/bin/sh", "sleep 0.5"});
#endif
        const LaunchResult started = launchProgram(brief);
        QVERIFY(started.ok());
        CompanionWatch watch;
        watch.started(started.pid, 60000);
        QVERIFY(!watch.gaveUp()); // still running
        QTRY_VERIFY_WITH_TIMEOUT(watch.gaveUp(), 3000);
        QVERIFY(!watch.pastDeadline());
    }

    void aCompanionPastItsDeadlineIsEndedOrKilled()
    {
        RunTiming t;
        t.killAfterMs = 300;
        RunTimingOverride timing(t);
        WorkFolder f;
#ifdef Q_OS_WIN
        const QString politeName = "polite.bat";
        f.writeScript(politeName, {"@ping -n 10 127.0.0.1 > nul"});
#else
        const QString politeName = "polite.sh";
        f.writeScript(politeName, {"#!/bin/sh", "exec sleep 30"});
#endif
        f.writeScript("stubborn.sh", {"#!/bin/sh", "trap '' TERM", "while :; do sleep 0.1; done"});

        const LaunchResult polite = launchProgram(politeName);
        QVERIFY(polite.ok());
        CompanionWatch watch;
        watch.started(polite.pid, 100);
        QVERIFY(!watch.pastDeadline());
        QTRY_VERIFY_WITH_TIMEOUT(watch.pastDeadline(), 2000);
        QCOMPARE(watch.end(), CompanionWatch::Ending::Terminated);
        QVERIFY(!processAlive(polite.pid));
        QVERIFY(!watch.watching());

#ifdef Q_OS_WIN
        QSKIP("Windows has no request to end that a program can ignore: the kill after it is Linux only");
#endif
        const LaunchResult stubborn = launchProgram("stubborn.sh");
        QVERIFY(stubborn.ok());
        QTest::qWait(100); // the trap is set
        watch.started(stubborn.pid, 0);
        QElapsedTimer took;
        took.start();
        QCOMPARE(watch.end(100), CompanionWatch::Ending::Killed);
        QVERIFY(took.elapsed() >= 400); // its own 100 ms, then the kill delay
        QVERIFY(!processAlive(stubborn.pid));
        QCOMPARE(watch.end(), CompanionWatch::Ending::AlreadyGone);
    }

    void pacedLoopsReadOnceAWindowAndSleepOtherwise()
    {
        RunTiming t;
        t.pacingPeriod = 0.1;
        RunTimingOverride timing(t);
        QElapsedTimer real;
        real.start();
        std::vector<double> reads;
        pace();
        while (real.elapsed() < 1000) {
            paceNext();
            reads.push_back(Clock::timeOfDay());
        }
        // One read in each 0.1 s period, each in its window.
        QVERIFY2(reads.size() >= 8 && reads.size() <= 11, qPrintable(QString::number(reads.size())));
        for (std::size_t i = 1; i < reads.size(); ++i)
            QVERIFY(std::floor(reads[i] / 0.1) != std::floor(reads[i - 1] / 0.1));
        for (double r : reads) {
            const double fraction = std::fmod(r, 0.1) / 0.1;
            QVERIFY2(fraction > 0.64 && fraction < 0.87, qPrintable(QString::number(fraction)));
        }
    }

    void aFlagWaitForThePollReadsOnceJustBeforeEachTick()
    {
        RunTiming t;
        t.pacingPeriod = 0.1;
        RunTimingOverride timing(t);
        QTimer poll;
        poll.setTimerType(Qt::PreciseTimer);
        poll.start(350);
        int ticks = 0;
        QObject::connect(&poll, &QTimer::timeout, [&] { ++ticks; });
        QElapsedTimer real;
        real.start();
        std::vector<int> ticksAtRead;
        while (real.elapsed() < 1500) {
            paceBeforeTick(&poll);
            QVERIFY(inPacingWindow());
            ticksAtRead.push_back(ticks);
        }
        // About one read for each poll period (a late tick may cost one more), not one for each of
        // the 15 pacing periods; and a tick between every two reads at most. A machine busy with
        // other work may hold one read past its tick, which then waits for the next: that once.
        QVERIFY2(ticksAtRead.size() >= 3 && ticksAtRead.size() <= 7, qPrintable(QString::number(ticksAtRead.size())));
        int skipped = 0;
        for (std::size_t i = 1; i < ticksAtRead.size(); ++i) {
            const int between = ticksAtRead[i] - ticksAtRead[i - 1];
            QVERIFY2(between <= 2, qPrintable(QString::number(between)));
            skipped += between == 2;
        }
        QVERIFY2(skipped <= 1, qPrintable(QString::number(skipped)));

        // Without a running poll it paces as every other loop does.
        poll.stop();
        paceBeforeTick(&poll);
        QVERIFY(inPacingWindow());
    }
};

QTEST_MAIN(TestRunPieces)
#include "test_runpieces.moc"
