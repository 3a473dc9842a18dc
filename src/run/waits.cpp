#include "waits.h"

#include "core/appstate.h"
#include "core/clock.h"
#include "files/fileops.h"
#include "run/companionwatch.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cmath>

namespace kess {

namespace {

// The pacing period the clock is in now, and the one of the last paced read.
qint64 periodIndex()
{
    return static_cast<qint64>(std::floor(Clock::timeOfDay() / RunTiming::current().pacingPeriod));
}
qint64 g_lastPacedPeriod = -1;

double fractionOfPeriod()
{
    const double period = RunTiming::current().pacingPeriod;
    return std::fmod(Clock::timeOfDay(), period) / period;
}

// Milliseconds from now to the moment the pacing window of the next period opens.
int msToNextPeriodsWindow()
{
    const double period = RunTiming::current().pacingPeriod;
    return static_cast<int>(std::ceil((1.0 - fractionOfPeriod() + 0.652) * period * 1000.0));
}

} // namespace

qint64 RunTiming::dorliqDeadlineMs(double waitLimitMinutes) const
{
    const double limit = std::isfinite(waitLimitMinutes) ? std::clamp(waitLimitMinutes, 0.0, 7.0 * 24 * 60) : 0.0;
    return static_cast<qint64>(limit * 60000.0) + dorliqDeadlineMarginMs;
}

RunTiming &RunTiming::current()
{
    static RunTiming timing;
    return timing;
}

void yieldFor(int ms, QTimer *wake)
{
    ms = std::max(ms, 1);
    QElapsedTimer elapsed;
    elapsed.start();
    bool woken = false;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] { woken = true; loop.quit(); });
    if (wake)
        QObject::connect(wake, &QTimer::timeout, &loop, [&] { woken = true; loop.quit(); });
    timer.start(ms);
    loop.exec();
    // An event loop that will not run (the application is on its way out) must not turn the
    // run's waits into a spin: sleep the rest of the time instead.
    if (!woken && elapsed.elapsed() < ms)
        QThread::msleep(static_cast<unsigned long>(std::min<qint64>(ms - elapsed.elapsed(), 100)));
}

int msToPacingWindow()
{
    const double f = fractionOfPeriod();
    if (std::fabs(f - 0.75) < 0.1)
        return 0;
    const double period = RunTiming::current().pacingPeriod;
    double until = 0.652 - f; // a hair past the window's start, so the timer lands inside it
    if (until < 0)
        until += 1.0;
    return std::max(1, static_cast<int>(std::ceil(until * period * 1000.0)));
}

void pace()
{
    // Sleeps straight to the window; the loop only repeats when a timer came back early.
    for (int ms; (ms = msToPacingWindow()) > 0;)
        yieldFor(ms);
    g_lastPacedPeriod = periodIndex();
}

int msToNextPacedRead()
{
    if (inPacingWindow() && periodIndex() == g_lastPacedPeriod)
        return msToNextPeriodsWindow();
    return msToPacingWindow();
}

void paceNext()
{
    if (inPacingWindow() && periodIndex() == g_lastPacedPeriod)
        yieldFor(msToNextPeriodsWindow());
    pace();
}

void paceBeforeTick(const QTimer *poll)
{
    if (!poll || !poll->isActive())
        return paceNext();
    const double periodMs = RunTiming::current().pacingPeriod * 1000.0;
    const double nowMs = Clock::timeOfDay() * 1000.0;
    const double marginMs = 0.02 * periodMs; // the read comes this much before the tick at least
    double tickIn = poll->remainingTime();
    for (int ticks = 0; ticks < 8; ++ticks, tickIn += poll->interval()) {
        // The opening of the last window that leaves the margin before this tick.
        const double tickFraction = std::fmod(nowMs + tickIn, periodMs) / periodMs;
        double back = (tickFraction - 0.652) * periodMs;
        if (back < marginMs)
            back += periodMs;
        const double until = tickIn - back;
        // Already read in this window: the read for this tick has been made; wait for the next.
        if (until < 1 && inPacingWindow() && periodIndex() == g_lastPacedPeriod)
            continue;
        if (until >= 0) {
            if (until >= 1)
                yieldFor(static_cast<int>(until));
            pace();
            return;
        }
        // Inside that window already, and not yet read in it: read now.
        if (until > -0.2 * periodMs && inPacingWindow() && periodIndex() != g_lastPacedPeriod) {
            pace();
            return;
        }
    }
    paceNext();
}

bool inPacingWindow()
{
    return std::fabs(fractionOfPeriod() - 0.75) < 0.1;
}

bool withinRetryGrace(double waitStart)
{
    double now = Clock::timeOfDay();
    if (now < 5)
        now += 86400;
    return now < waitStart + 5;
}

std::optional<double> readFlagFile(AppState &s, int fileNumber, const QString &name)
{
    s.trace(fileNumber, name);
    return readNumberFile(name);
}

bool clearStaleFlag(AppState &s, int fileNumber, const QString &flagFile, qint64 seenEndedAtMs)
{
    pace();
    if (readFlagFile(s, fileNumber, flagFile) != 1.0)
        return false;
    if (seenEndedAtMs <= 0 || QFileInfo(flagFile).lastModified().toMSecsSinceEpoch() > seenEndedAtMs)
        return false;
    s.trace(fileNumber, flagFile);
    try {
        writeRecord(flagFile, 0);
    } catch (const FileError &) {
        return false;
    }
    return true;
}

QString staleFlagCleared(const QString &flagFile, const QString &program)
{
    return flagFile + QStringLiteral(" still said open after ") + program + QStringLiteral(" ended; cleared");
}

WaitEnd waitForModeReply(AppState &s, QTimer *poll, double awaited, CompanionWatch &watch,
                         const std::function<bool()> &everySecond)
{
    qint64 lookedPeriod = -1;
    for (;;) {
        if (s.modeReply == awaited)
            return WaitEnd::Answered;
        if (watch.pastDeadline())
            return WaitEnd::Deadline;
        if (watch.gaveUp())
            return WaitEnd::Gone;
        // Nothing can change before the poll's next tick, the deadline, or the next look.
        qint64 ms = std::min<qint64>(watch.msToDeadline(), 60000);
        if (everySecond) {
            if (inPacingWindow() && periodIndex() != lookedPeriod) {
                lookedPeriod = periodIndex();
                if (everySecond())
                    return WaitEnd::Stopped;
                continue;
            }
            ms = std::min<qint64>(ms, inPacingWindow() ? msToNextPeriodsWindow() : msToPacingWindow());
        }
        yieldFor(static_cast<int>(std::max<qint64>(ms, 1)), poll);
    }
}

} // namespace kess
