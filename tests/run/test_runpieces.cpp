// The run's small rules: code prefixes, the IrfanView command line, "pelini.txt", the pacing.
#include "core/appstate.h"
#include "core/clock.h"
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
        WorkFolder f;
        f.writeScript("brief.sh", {"#!/bin/sh", "sleep 0.5"});
        const LaunchResult started = launchProgram("brief.sh");
        QVERIFY(started.ok());
        CompanionWatch watch;
        watch.started(started.pid);
        QVERIFY(!watch.gaveUp()); // still running
        QTRY_VERIFY_WITH_TIMEOUT(watch.gaveUp(), 3000);
    }
};

QTEST_MAIN(TestRunPieces)
#include "test_runpieces.moc"
