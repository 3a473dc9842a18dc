// The due rule driven by a simulated clock, tick by tick, and the 12-hour time text.
#include "core/clock.h"
#include "scheduler/duerule.h"

#include <QRandomGenerator>
#include <QTest>

using namespace kess;

namespace {

constexpr qint64 Day0 = 2460000;
constexpr qint64 DayMs = 86400000;

double hm(int h, double m) { return 3600.0 * h + 60.0 * m; }

std::vector<double> hours(std::initializer_list<int> list, double minutes)
{
    std::array<int, 24> flags{};
    for (int h : list)
        flags[h] = 1;
    return forecastStarts(flags, minutes);
}

// A wall clock and a monotonic clock in whole milliseconds, and the runs the rule started,
// as wall seconds counted from the start of Day0.
struct Sim {
    std::vector<double> starts;
    DueRule rule;
    qint64 wallMs = 0;
    qint64 monoMs = 1000000;
    std::vector<double> runs;

    explicit Sim(std::vector<double> s, double startSeconds = 0)
        : starts(std::move(s)), wallMs(qint64(startSeconds * 1000)) {}
    Tick now() const { return {(wallMs % DayMs) / 1000.0, monoMs, Day0 + wallMs / DayMs}; }
    double wall() const { return wallMs / 1000.0; }
    bool step(qint64 ms, bool busy = false)
    {
        wallMs += ms;
        monoMs += ms;
        const bool due = rule.tick(now(), starts, busy);
        if (due)
            runs.push_back(wall());
        return due;
    }
    void runUntil(double wallSeconds, qint64 periodMs = 3000, bool busy = false)
    {
        while (wall() < wallSeconds)
            step(periodMs, busy);
    }
    void jumpClock(double seconds) { wallMs += qint64(seconds * 1000); } // no monotonic time
};

} // namespace

class TestScheduler : public QObject {
    Q_OBJECT
private slots:
    void twelveHourText()
    {
        const struct { int hour, minute; const char *text; } cases[] = {
            {0, 30, "12:30 AM"}, {12, 0, "12:00 PM"}, {18, 5, "6:05 PM"},
            {11, 59, "11:59 AM"}, {23, 10, "11:10 PM"}};
        for (const auto &c : cases)
            QCOMPARE(kess::twelveHourText(c.hour, c.minute), QString::fromLatin1(c.text));
    }

    // A whole day of ticks: every start runs once, at the first tick at or after it.
    void wholeDay_data()
    {
        QTest::addColumn<std::vector<double>>("starts");
        QTest::addColumn<int>("minPeriodMs");
        QTest::addColumn<int>("maxPeriodMs");
        QTest::addColumn<int>("phaseMs");
        QTest::addColumn<std::vector<double>>("expected");
        const auto sixAndEighteen = hours({6, 18}, 15);
        const std::vector<double> both{hm(6, 15), hm(18, 15)};
        QTest::newRow("6 and 18 at :15, on time") << sixAndEighteen << 3000 << 3000 << 0 << both;
        QTest::newRow("on time, shifted") << sixAndEighteen << 3000 << 3000 << 2999 << both;
        // Late: ticks at 06:14:59.98 and 06:15:03.03, none inside the first three seconds.
        QTest::newRow("late ticks") << sixAndEighteen << 3050 << 3050 << 130 << both;
        // Early: ticks at 06:15:00.01 and 06:15:02.96, two inside the first three seconds.
        QTest::newRow("early ticks") << sixAndEighteen << 2950 << 2950 << 360 << both;
        std::vector<double> all;
        for (int h = 0; h < 24; ++h)
            all.push_back(hm(h, 7.5));
        all.push_back(86400 + hm(0, 7.5)); // and the next day's first
        QTest::newRow("every hour, jittery") << hours({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13,
                                                       14, 15, 16, 17, 18, 19, 20, 21, 22, 23}, 7.5)
                                             << 2900 << 3100 << 0 << all;
        QTest::newRow("75 minutes, hour 4") << hours({4}, 75) << 3000 << 3000 << 500
                                            << std::vector<double>{hm(5, 15)};
        QTest::newRow("hour 23 at 60 minutes") << hours({23}, 60) << 3000 << 3000 << 0
                                               << std::vector<double>{};
    }
    void wholeDay()
    {
        QFETCH(std::vector<double>, starts);
        QFETCH(int, minPeriodMs);
        QFETCH(int, maxPeriodMs);
        QFETCH(int, phaseMs);
        QFETCH(std::vector<double>, expected);
        Sim sim(starts, phaseMs / 1000.0);
        QRandomGenerator random(42);
        while (sim.wall() < 86400 + 600)
            sim.step(random.bounded(minPeriodMs, maxPeriodMs + 1));
        QCOMPARE(sim.runs.size(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i) {
            QVERIFY2(sim.runs[i] >= expected[i] && sim.runs[i] < expected[i] + maxPeriodMs / 1000.0,
                     qPrintable(QString::number(sim.runs[i])));
        }
    }

    // Hour 0 and a start in the last second of the day, ticks across midnight.
    void midnight()
    {
        const double lastSecond = 86399.5;
        Sim sim({0, lastSecond}, 86339.7); // ticks at 23:59:59.7, 00:00:02.7
        sim.runUntil(2 * 86400 + 600);
        QCOMPARE(sim.runs, (std::vector<double>{86399.7, 86402.7, 2 * 86400 - 0.3, 2 * 86400 + 2.7}));

        Sim late({0, lastSecond}, 86340.8); // ...:57.8, :00.8: both due at one tick, one run
        late.runUntil(86400 + 43200);
        late.step(2000); // the next evening, ticks at 23:59:59.8 and 00:00:02.8
        late.runUntil(2 * 86400 + 600);
        QCOMPARE(late.runs, (std::vector<double>{86400.8, 2 * 86400 - 0.2, 2 * 86400 + 2.8}));
    }

    // Ticks that stop for a while (sleep, a blocked program): a start inside the gap is missed
    // unless the gap is short or the first tick after it still lands in the start's window.
    void tickGap_data()
    {
        QTest::addColumn<double>("gapFrom");
        QTest::addColumn<double>("gapSeconds");
        QTest::addColumn<bool>("runs");
        QTest::newRow("an hour across the start") << hm(5, 30) << 3600.0 << false;
        QTest::newRow("a minute across the start") << hm(6, 14.5) << 60.0 << false;
        QTest::newRow("under a minute") << hm(6, 14.5) << 59.0 << true;
        QTest::newRow("an hour, ending in the window") << hm(5, 15) << 3601.0 << true;
    }
    void tickGap()
    {
        QFETCH(double, gapFrom);
        QFETCH(double, gapSeconds);
        QFETCH(bool, runs);
        Sim sim(hours({6}, 15), hm(4, 0));
        sim.runUntil(gapFrom);
        sim.step(qint64(gapSeconds * 1000));
        sim.runUntil(hm(8, 0));
        QCOMPARE(sim.runs.size(), size_t(runs ? 1 : 0));
    }

    void daylightSaving()
    {
        // Spring: 01:59:59 -> 03:00:00. 02:30 runs at once after the jump, 03:00 with it.
        Sim spring(hours({1, 2, 3}, 30), hm(1, 0) - 1); // ticks at :59, :02, ...
        spring.starts.push_back(hm(3, 0));
        spring.runUntil(hm(1, 59) + 59);
        spring.jumpClock(3600);
        spring.runUntil(hm(4, 0));
        QCOMPARE(spring.runs, (std::vector<double>{hm(1, 30) + 2, hm(3, 0) + 2, hm(3, 30) + 2}));

        // Autumn: 01:59:59 -> 01:00:00 the same day. 01:30 runs once, 02:30 once.
        Sim autumn(hours({1, 2}, 30), hm(0, 30) - 1);
        autumn.runUntil(hm(1, 59) + 59);
        autumn.jumpClock(-3600);
        autumn.runUntil(hm(3, 0));
        QCOMPARE(autumn.runs, (std::vector<double>{hm(1, 30) + 2, hm(2, 30) + 2}));

        // The clock set five hours ahead is no season change: the starts it skipped are missed.
        Sim set(hours({7, 9}, 0), hm(6, 0));
        set.runUntil(hm(6, 30));
        set.jumpClock(5 * 3600);
        set.runUntil(hm(12, 0));
        QVERIFY(set.runs.empty());
    }

    // A start that falls during a run is missed for good.
    void busy()
    {
        Sim sim(hours({6}, 15), hm(6, 0));
        sim.runUntil(hm(6, 16), 3000, true);
        sim.runUntil(hm(8, 0));
        QVERIFY(sim.runs.empty());

        // The rule's own run: no ticks while it lasts, then runFinished() with the end reading.
        Sim own({hm(6, 15), hm(6, 15) + 20}, hm(6, 0));
        own.runUntil(hm(6, 15) + 3);
        QCOMPARE(own.runs, std::vector<double>{hm(6, 15)});
        own.wallMs += 40000;
        own.monoMs += 40000;
        own.rule.runFinished(own.now(), own.starts);
        own.runUntil(hm(7, 0));
        QCOMPARE(own.runs.size(), size_t(1));
    }

    // Re-enabling (reset) and changed starts never bring back a start already passed or run.
    void resetAndSameDay()
    {
        const double s = hm(6, 15);
        Sim sim({s}, s + 0.5);
        QVERIFY(sim.rule.tick(sim.now(), sim.starts, false)); // first tick: the plain window
        sim.rule.reset();
        QVERIFY(!sim.step(1500)); // still inside the window: not twice the same day
        sim.runUntil(s + 600);
        sim.starts = hours({6}, 10); // a start earlier today, never run
        sim.step(3000);
        sim.rule.reset();
        sim.step(3000);
        sim.starts = {s};
        sim.runUntil(86400 + s + 60); // the next day it runs again
        QCOMPARE(sim.runs, std::vector<double>{86400 + s + 2}); // ticks fall on :02

        Sim justPast({s}, s + 3.0); // enabled a moment too late
        QVERIFY(!justPast.rule.tick(justPast.now(), justPast.starts, false));
    }

    // The day and the time of day are read together even when midnight falls between the reads.
    void readClockAtMidnight()
    {
        int dayReads = 0, timeReads = 0;
        Clock::Override clock({[&] { return ++timeReads == 1 ? 86399.999 : 0.001; },
                               [] { return qint64(5); },
                               [&] { return ++dayReads == 1 ? Day0 : Day0 + 1; }});
        const Tick t = readClock();
        QCOMPARE(t.day, Day0 + 1);
        QCOMPARE(t.timeOfDay, 0.001);
    }
};

QTEST_GUILESS_MAIN(TestScheduler)
#include "tst_scheduler.moc"
