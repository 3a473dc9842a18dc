// The scheduler in the real window: the hour boxes, the minutes, "Activate scheduler", the labels,
// and the runs that the scheduling timer's ticks start.
//
// Most cases drive the ticks by hand under a simulated clock. To see a run start without the
// companion programs, the folder holds "vantroopen.txt" = 1 and a program named "vantro.exe" runs
// there: every scheduled run stops at its first check and says it was skipped, leaving the flag
// at 1 for the next run. So each such notice is one run that started. One case keeps the real
// timers and the stand-ins.
#include "core/clock.h"
#include "core/dialogs.h"
#include "core/textcolour.h"
#include "app/runtray.h"
#include "app/mainwindow.h"
#include "run/waits.h"
#include "scheduler/schedulerpanel.h"
#include "standins.h"
#include "workfolder.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTime>
#include <QtTest>

#include <cmath>

using namespace kess;
using kess::test::WorkFolder;

namespace {

constexpr qint64 Day0 = 2460000;
constexpr double Day = 86400;

const QColor DarkGreen(0, 140, 0);
const QColor DarkRed(140, 0, 0);

// A label's colour as the window's background shows it (a darker shade where it would read badly).
QColor onWindow(const QColor &colour, const QWidget *label)
{
    return readableOn(colour, label->palette().color(QPalette::Window));
}

const QString VantroRunning = QStringLiteral("The scheduled forecast run was skipped: VANTRO is still running.");

// Seconds from the start of Day0.
double hm(int h, double m, int day = 0) { return day * Day + 3600.0 * h + 60.0 * m; }

QString timeText(double t)
{
    const int day = int(t / Day);
    const double s = t - day * Day;
    return QStringLiteral("d%1 %2:%3:%4")
        .arg(day)
        .arg(int(s / 3600), 2, 10, QLatin1Char('0'))
        .arg(int(std::fmod(s, 3600) / 60), 2, 10, QLatin1Char('0'))
        .arg(std::fmod(s, 60), 4, 'f', 1, QLatin1Char('0'));
}

QString timesText(const QList<double> &times)
{
    QStringList out;
    for (double t : times)
        out << timeText(t);
    return QLatin1Char('[') + out.join(QStringLiteral(", ")) + QLatin1Char(']');
}


// The scheduler's clock for a test: it stands where the test moves it and from there goes on with
// real time, so the waits inside a run still end. Wall and monotonic time move on together.
class SimClock {
public:
    explicit SimClock(double at) : m_at(at), m_override(source()) { m_since.start(); }

    double at() const { return m_at; } // where the test last put it
    void advance(double seconds)
    {
        m_at += seconds;
        m_monoMs += seconds * 1000;
        m_since.restart();
    }

private:
    double now() const { return m_at + m_since.nsecsElapsed() / 1e9; }
    Clock::Source source()
    {
        return {[this] { return std::fmod(now(), Day); },
                [this] { return qint64(m_monoMs + m_since.nsecsElapsed() / 1e6); },
                [this] { return Day0 + qint64(std::floor(now() / Day)); }};
    }

    double m_at;
    double m_monoMs = 5e6;
    QElapsedTimer m_since;
    Clock::Override m_override;
};

// Counts the runs that start (see the top of the file) and keeps every other message.
class RunWatch {
public:
    RunWatch()
    {
        Dialogs::install({[this](const QString &t) { m_other << t; },
                          [this](const QString &t) {
                              m_other << t;
                              return false;
                          },
                          [this](const QString &t) { t.startsWith(VantroRunning) ? void(++m_runs) : void(m_other << t); },
                          {}});
    }
    int runs() const { return m_runs; }
    const QStringList &other() const { return m_other; }

private:
    Dialogs::Script m_restore; // puts the previous dialogs back afterwards
    int m_runs = 0;
    QStringList m_other;
};

// A folder, a clock, the run counter and the shown window, for the hand-driven cases.
struct Bench {
    RunTimingOverride timing{kess::test::quickRunTiming()};
    WorkFolder folder;
    SimClock clock;
    RunWatch watch;
    MainWindow w;

    QProcess vantro;
    explicit Bench(double at) : clock(at)
    {
        folder.write(QStringLiteral("vantroopen.txt"), QStringList{QStringLiteral("1")});
        QVERIFY(QFile::copy(QStringLiteral("/bin/sleep"), QStringLiteral("vantro.exe")));
        vantro.start(QStringLiteral("./vantro.exe"), {QStringLiteral("600")});
        w.state.siteCount = 1; // a folder with a site: the run starts (and stops at its first check)
        QVERIFY(vantro.waitForStarted());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
    }
    ~Bench() { vantro.kill(); vantro.waitForFinished(); }

    void click(QWidget *widget) { QTest::mouseClick(widget, Qt::LeftButton); }
    void clickHours(std::initializer_list<int> hours)
    {
        for (int h : hours)
            click(w.tm[h]);
    }
    void typeMinutes(const QString &text)
    {
        QTest::keyClick(w.mintx, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(w.mintx, text);
    }

    // Ticks the scheduling timer every `step` seconds from where the clock stands up to `until`
    // (excluded); returns the times of the ticks that started a run.
    QList<double> tickUntil(double until, double step = 3)
    {
        QList<double> started;
        for (double t = clock.at(); t < until; t = clock.at()) {
            const int before = watch.runs();
            w.scheduler().schedulingTick();
            if (watch.runs() != before)
                started << t;
            clock.advance(step);
        }
        return started;
    }
};

// Empty when every run came at a tick within the three seconds from its start, one run for each.
QString runsOutsideWindows(const QList<double> &runs, const QList<double> &starts)
{
    bool ok = runs.size() == starts.size();
    for (qsizetype i = 0; ok && i < runs.size(); ++i)
        ok = starts[i] <= runs[i] && runs[i] < starts[i] + 3;
    return ok ? QString() : QStringLiteral("runs at %1, starts %2").arg(timesText(runs), timesText(starts));
}

void checkOn(const MainWindow &w)
{
    QCOMPARE(w.offon->text(), QStringLiteral("Scheduler ON"));
    QCOMPARE(w.offon->palette().color(QPalette::WindowText), onWindow(DarkGreen, w.offon));
    QCOMPARE(w.Command1->text().remove(u'&'), QStringLiteral("Deactivate scheduler"));
    QVERIFY(w.Timer2->isActive());
    QCOMPARE(w.Timer2->interval(), 3000);
}

} // namespace

class TestSchedulerPanel : public QObject {
    Q_OBJECT
private slots:
    // Closed through its frame with the scheduler on, the window waits in the tray; runs still start.
    void aWindowInTheTrayKeepsItsSchedule()
    {
        Bench b(hm(6, 14) + 58);
        RunTray::AssumeTray tray(true);
        b.clickHours({6});
        b.click(b.w.Command1);
        QCOMPARE(b.w.nextRun->text(), QStringLiteral("next run 06:15"));
        b.w.Timer2->setInterval(100);
        QVERIFY(!b.w.close());
        QVERIFY(b.w.isHidden());
        QTRY_COMPARE_WITH_TIMEOUT(b.watch.runs(), 1, 10000);
        QCOMPARE(b.w.nextRun->text(), QStringLiteral("next run tomorrow 06:15"));
        QVERIFY(b.watch.other().isEmpty()); // nothing asked
    }

    // Hours 6 and 18 at 15 minutes: one run each day in each of the two windows, whatever the
    // phase of the ticks, and none at any other time.
    void runsAtTheTickedHours_data()
    {
        QTest::addColumn<double>("phase");
        QTest::newRow("ticks on the second") << 0.0;
        QTest::newRow("ticks 1.5 s after") << 1.5;
        QTest::newRow("ticks 2.9 s after") << 2.9;
    }
    void runsAtTheTickedHours()
    {
        QFETCH(double, phase);
        Bench b(phase);
        MainWindow &w = b.w;
        b.clickHours({6, 18});
        // The minutes from the scroll bar: up a page, then back down a step at a time.
        w.minscrl->triggerAction(QAbstractSlider::SliderPageStepAdd);
        QCOMPARE(w.mintx->text(), QStringLiteral("25"));
        for (int i = 0; i < 10; ++i)
            w.minscrl->triggerAction(QAbstractSlider::SliderSingleStepSub);
        QCOMPARE(w.mintx->text(), QStringLiteral("15"));
        QVERIFY(!w.Timer2->isActive());

        b.click(w.Command1);
        checkOn(w);
        QVERIFY(w.state.schedulerOn);

        const QList<double> runs = b.tickUntil(hm(7, 0, 1));
        const QString wrong = runsOutsideWindows(runs, {hm(6, 15), hm(18, 15), hm(6, 15, 1)});
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
        QVERIFY(b.watch.other().isEmpty());
        QVERIFY(!w.runGate.busy());
    }

    // Minutes typed into the box: beyond the hour, past midnight, with a fraction.
    void minutesTypedIntoTheBox_data()
    {
        QTest::addColumn<QList<int>>("hours");
        QTest::addColumn<QString>("minutes");
        QTest::addColumn<QList<double>>("starts");
        QTest::newRow("75 after 4 AM") << QList<int>{4} << QStringLiteral("75") << QList<double>{hm(5, 15)};
        QTest::newRow("59 after 11 PM") << QList<int>{23} << QStringLiteral("59") << QList<double>{hm(23, 59)};
        QTest::newRow("60 after 11 PM never comes") << QList<int>{23} << QStringLiteral("60") << QList<double>{};
        QTest::newRow("90 after 10 and 11 PM") << QList<int>{22, 23} << QStringLiteral("90") << QList<double>{hm(23, 30)};
        QTest::newRow("30.5 after noon") << QList<int>{12} << QStringLiteral("30.5") << QList<double>{hm(12, 30.5)};
    }
    void minutesTypedIntoTheBox()
    {
        QFETCH(QList<int>, hours);
        QFETCH(QString, minutes);
        QFETCH(QList<double>, starts);
        Bench b(0);
        for (int h : hours)
            b.click(b.w.tm[h]);
        b.typeMinutes(minutes);
        QCOMPARE(b.w.mintx->text(), minutes);
        b.click(b.w.Command1);
        checkOn(b.w);

        // Through midnight into the next day, where a start past 24:00 would have to show up.
        const QList<double> runs = b.tickUntil(hm(2, 0, 1));
        const QString wrong = runsOutsideWindows(runs, starts);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
        QVERIFY(b.watch.other().isEmpty());
    }

    // Switching on with no hour ticked shows "on" but schedules nothing, and the next click
    // switches on again. Switching off keeps the ticks; switching on again brings the schedule
    // back; a box ticked or unticked while on counts at once.
    void switchingOnAndOff()
    {
        Bench b(0);
        MainWindow &w = b.w;
        w.state.learningRunHour = 18;
        w.state.learningRunMinute = 5;
        w.state.learningSitesPresent = 1;

        for (int click = 0; click < 2; ++click) {
            b.click(w.Command1);
            checkOn(w);
            QVERIFY(!w.state.schedulerOn);
            QVERIFY(!w.Timer3->isActive()); // no learning run without the scheduler on
            QCOMPARE(w.Label18->text(), QString());
            QVERIFY(b.tickUntil(b.clock.at() + Day).isEmpty());
        }

        b.clickHours({6, 18});
        b.click(w.Command1);
        checkOn(w);
        QVERIFY(w.state.schedulerOn);
        QVERIFY(w.Timer3->isActive());

        b.click(w.Command1);
        QVERIFY(!w.state.schedulerOn);
        QCOMPARE(w.offon->text(), QStringLiteral("Scheduler OFF"));
        QCOMPARE(w.offon->palette().color(QPalette::WindowText), onWindow(DarkRed, w.offon));
        QCOMPARE(w.Command1->text().remove(u'&'), QStringLiteral("Activate scheduler"));
        QCOMPARE(w.Label18->text(), QStringLiteral("Mirrix not scheduled"));
        QCOMPARE(w.nextRun->text(), QString());
        QCOMPARE(w.Label18->palette().color(QPalette::WindowText), onWindow(DarkRed, w.Label18));
        QVERIFY(!w.Timer2->isActive());
        QVERIFY(!w.Timer3->isActive());
        for (int h = 0; h < 24; ++h) {
            QCOMPARE(w.tm[h]->isChecked(), h == 6 || h == 18);
            QCOMPARE(w.state.hourFlags[h], h == 6 || h == 18 ? 1 : 0);
        }

        // A day off, then on again at 02:00 of day 3.
        b.clock.advance(hm(2, 0, 3) - b.clock.at());
        b.click(w.Command1);
        checkOn(w);
        QVERIFY(w.state.schedulerOn);
        QCOMPARE(w.Label18->text(), QStringLiteral("Mirrix scheduled for 6:05 PM"));
        QCOMPARE(w.nextRun->text(), QStringLiteral("next run 06:15"));
        QString wrong = runsOutsideWindows(b.tickUntil(hm(0, 0, 4)), {hm(6, 15, 3), hm(18, 15, 3)});
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));

        b.clickHours({18, 9});
        QVERIFY(w.state.schedulerOn);
        checkOn(w);
        wrong = runsOutsideWindows(b.tickUntil(hm(0, 0, 5)), {hm(6, 15, 4), hm(9, 15, 4)});
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
        QVERIFY(b.watch.other().isEmpty());
    }

    // The learning timer and its label at switching on.
    void learningSchedule_data()
    {
        QTest::addColumn<int>("hour");
        QTest::addColumn<int>("minute");
        QTest::addColumn<int>("sitesPresent");
        QTest::addColumn<bool>("hourTicked");
        QTest::addColumn<QString>("label"); // empty: not scheduled, the label left alone
        QTest::newRow("18:05, a site flagged") << 18 << 5 << 1 << true << QStringLiteral("Mirrix scheduled for 6:05 PM");
        QTest::newRow("0:05, a site flagged") << 0 << 5 << 1 << true << QStringLiteral("Mirrix scheduled for 12:05 AM");
        QTest::newRow("12:00, a site flagged") << 12 << 0 << 1 << true << QStringLiteral("Mirrix scheduled for 12:00 PM");
        QTest::newRow("0:00, a site flagged") << 0 << 0 << 1 << true << QString();
        QTest::newRow("18:05, no site flagged") << 18 << 5 << 0 << true << QString();
        QTest::newRow("18:05, no hour ticked") << 18 << 5 << 1 << false << QString();
    }
    void learningSchedule()
    {
        QFETCH(int, hour);
        QFETCH(int, minute);
        QFETCH(int, sitesPresent);
        QFETCH(bool, hourTicked);
        QFETCH(QString, label);
        Bench b(0);
        MainWindow &w = b.w;
        w.state.learningRunHour = hour;
        w.state.learningRunMinute = minute;
        w.state.learningSitesPresent = sitesPresent;
        w.Label18->setText(QStringLiteral("earlier text"));
        MainWindow::setTextColor(w.Label18, DarkRed);
        if (hourTicked)
            b.clickHours({7});
        b.click(w.Command1);
        checkOn(w);
        QCOMPARE(w.Timer3->isActive(), !label.isEmpty());
        QCOMPARE(w.Label18->text(), label.isEmpty() ? QStringLiteral("earlier text") : label);
        QCOMPARE(w.Label18->palette().color(QPalette::WindowText), onWindow(label.isEmpty() ? DarkRed : DarkGreen, w.Label18));
    }

    // A due tick while another run is under way passes silently and the start is not made up
    // afterwards; the next start runs as usual.
    void aStartDueDuringARunIsMissed()
    {
        Bench b(hm(6, 10));
        b.clickHours({6, 18});
        b.click(b.w.Command1);
        QVERIFY(b.tickUntil(hm(6, 15)).isEmpty());
        {
            RunGate::Hold hold(b.w.runGate);
            QVERIFY(hold.acquired());
            QVERIFY(b.tickUntil(hm(6, 15, 0) + 6).isEmpty());
        }
        QCOMPARE(b.watch.runs(), 0);
        QVERIFY(b.watch.other().isEmpty()); // no "already under way" notice from a tick
        const QString wrong = runsOutsideWindows(b.tickUntil(hm(18, 30)), {hm(18, 15)});
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
    }

    // A 06:00 forecast run lasting past the 06:01 learning start, a learning run lasting past the
    // 07:00 forecast start: each start waits for the other run, then runs once, logging the delay.
    void runsOfTheTwoKindsWaitForEachOther()
    {
        Bench b(hm(5, 59));
        MainWindow &w = b.w;
        w.state.learningSitesPresent = 1;
        w.state.learningRunHour = 6;
        w.state.learningRunMinute = 1;
        b.clickHours({6, 7});
        b.typeMinutes("0");
        b.click(w.Command1);
        QStringList learningLogs;
        auto tickBoth = [&](double until) {
            for (; b.clock.at() < until; b.clock.advance(3)) {
                w.scheduler().schedulingTick();
                w.scheduler().learningTick();
                if (QFile::exists("mirrixlog.txt"))
                    learningLogs << WorkFolder::lines("mirrixlog.txt").join('|');
                QFile::remove("mirrixlog.txt");
            }
        };
        tickBoth(hm(6, 0) + 1);
        QCOMPARE(b.watch.runs(), 1);
        {
            RunGate::Hold forecast(w.runGate, RunGate::Kind::Forecast);
            tickBoth(hm(6, 1.5));
        }
        QVERIFY(learningLogs.isEmpty());
        tickBoth(hm(6, 59));
        QCOMPARE(learningLogs.size(), 1);
        QVERIFY(learningLogs[0].contains("|Scheduled start delayed 30 s while a forecast run was under way"));
        {
            RunGate::Hold learning(w.runGate, RunGate::Kind::Learning);
            tickBoth(hm(7, 0.5));
        }
        QCOMPARE(b.watch.runs(), 1);
        tickBoth(hm(8, 0));
        QCOMPARE(b.watch.runs(), 2);
        QVERIFY(WorkFolder::lines("kesslog.txt").contains("Scheduled start delayed 30 s while a learning run was under way"));
        QCOMPARE(learningLogs.size(), 1);
        QVERIFY(b.watch.other().isEmpty());
    }

    // A tick that comes 3.2 s after the one before, stepping over the whole three-second window,
    // still starts the run.
    void aLateTickStillStartsTheRun()
    {
        Bench b(hm(6, 14) + 59.9 - 60);
        b.clickHours({6});
        b.click(b.w.Command1);
        QVERIFY(b.tickUntil(hm(6, 15)).isEmpty()); // the last tick at 06:14:59.9
        b.clock.advance(0.2);
        const double late = b.clock.at();
        QVERIFY(late >= hm(6, 15) + 3); // outside the window itself
        b.w.scheduler().schedulingTick();
        QCOMPARE(b.watch.runs(), 1);
        b.clock.advance(3);
        QVERIFY(b.tickUntil(hm(7, 0)).isEmpty());
        QCOMPARE(b.watch.runs(), 1);
    }

    // The real timer, the real stand-ins: a run ticked for four and a half seconds ahead starts by
    // itself at the second tick, finishes, and the timer goes on without starting it again.
    void theRealTimerStartsAScheduledRun()
    {
        RunTimingOverride timing(kess::test::quickRunTiming());
        WorkFolder f;
        f.makeSites({{"Boston", "KBOS"}}, {1});
        QVERIFY(kess::test::installStandins());
        for (const char *flag : {"vantroopen.txt", "dorliqopen.txt", "pelthoropen.txt"})
            f.write(QLatin1String(flag), QStringList{"0"});
        f.write("standins.txt", QStringList{"delay = 0.05", "settings.delay = 0.05"});
        Dialogs::Script dialogs;

        const double start = hm(10, 30);
        const double offset = start - 4.5 - QTime::currentTime().msecsSinceStartOfDay() / 1000.0;
        Clock::Override clock({[offset] {
                                   const double real = QTime::currentTime().msecsSinceStartOfDay() / 1000.0;
                                   return std::fmod(real + offset + 2 * Day, Day);
                               },
                               {},
                               [] { return Day0; }});

        MainWindow w;
        w.startUp();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTest::mouseClick(w.tm[10], Qt::LeftButton);
        QTest::keyClick(w.mintx, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(w.mintx, "30");

        // Each tick as seen once its handler has returned: the time, and whether a run was made.
        QList<QPair<double, bool>> ticks;
        connect(w.Timer2, &QTimer::timeout, &w,
                [&] { ticks.append({Clock::timeOfDay(), QFile::exists("kesslog.txt")}); });
        QTest::mouseClick(w.Command1, Qt::LeftButton);
        checkOn(w);
        QVERIFY(!QFile::exists("kesslog.txt"));

        QTRY_VERIFY_WITH_TIMEOUT(WorkFolder::lines("kesslog.txt").contains("Got to 11"), 40000);
        QVERIFY(ticks.size() >= 2);
        QVERIFY(ticks.last().second);
        for (qsizetype i = 0; i + 1 < ticks.size(); ++i) {
            QVERIFY(!ticks[i].second);
            QVERIFY2(ticks[i].first < start, qPrintable(timeText(ticks[i].first)));
        }
        QCOMPARE(WorkFolder::lines("kesslog.txt").first(), QStringLiteral("Got to 0"));
        QVERIFY(dialogs.shown().isEmpty());
        QVERIFY(!w.runGate.busy());

        // The ticks after it start nothing more.
        QVERIFY(QFile::remove("kesslog.txt"));
        const qsizetype seen = ticks.size();
        QTRY_VERIFY_WITH_TIMEOUT(ticks.size() > seen, 10000);
        QVERIFY(!QFile::exists("kesslog.txt"));
        QVERIFY(w.Timer2->isActive());

        // The PELTHOR copy the run started finishes before the folder goes away.
        QTRY_VERIFY_WITH_TIMEOUT(WorkFolder::lines("pelthoropen.txt") != QStringList{"1"}, 10000);
    }
};

QTEST_MAIN(TestSchedulerPanel)
#include "test_schedulerpanel.moc"
