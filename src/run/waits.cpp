#include "waits.h"

#include "core/appstate.h"
#include "core/clock.h"
#include "companions/launcher.h"
#include "files/fileops.h"

#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cmath>

namespace kess {

RunTiming &RunTiming::current()
{
    static RunTiming timing;
    return timing;
}

void yieldFor(int ms)
{
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(std::max(ms, 1));
    loop.exec();
}

void pace()
{
    // A wait that looks at a flag until it changes comes straight back here after each look, and
    // inside the window there is nothing to wait for: it would read the file as fast as the disk
    // answers, a whole core for 0.2 s of every second. So two paced reads are at least one yield
    // step apart (still both inside the window).
    static qint64 lastReadMs = -1;
    const qint64 step = RunTiming::current().yieldStepMs;
    if (lastReadMs >= 0) {
        const qint64 since = Clock::monotonicMs() - lastReadMs;
        if (since >= 0 && since < step)
            yieldFor(static_cast<int>(step - since));
    }

    const double period = RunTiming::current().pacingPeriod;
    for (;;) {
        const double fraction = std::fmod(Clock::timeOfDay(), period) / period;
        if (std::fabs(fraction - 0.75) < 0.1) {
            lastReadMs = Clock::monotonicMs();
            return;
        }
        // Sleep until a little after the window opens, a step at a time.
        double untilWindow = 0.67 - fraction;
        if (untilWindow < 0)
            untilWindow += 1.0;
        const int ms = static_cast<int>(untilWindow * period * 1000.0);
        yieldFor(std::clamp(ms, 1, RunTiming::current().yieldStepMs * 5));
    }
}

bool withinRetryGrace(double waitStart)
{
    double now = Clock::timeOfDay();
    if (now < 5)
        now += 86400;
    return now < waitStart + 5;
}

bool inPacingWindow()
{
    const double period = RunTiming::current().pacingPeriod;
    return std::fabs(std::fmod(Clock::timeOfDay(), period) / period - 0.75) < 0.1;
}

std::optional<double> readFlagFile(AppState &s, int fileNumber, const QString &name)
{
    s.trace(fileNumber, name);
    return readNumberFile(name);
}

bool CompanionWatch::gaveUp()
{
    if (m_pid <= 0)
        return false;
    const qint64 now = Clock::monotonicMs();
    if (m_goneSinceMs < 0) {
        // Looking at the process list costs a little; twice a second is plenty.
        if (m_lastLookMs >= 0 && now - m_lastLookMs < 500)
            return false;
        m_lastLookMs = now;
        if (processAlive(m_pid))
            return false;
        m_goneSinceMs = now;
    }
    return now - m_goneSinceMs >= RunTiming::current().deadProcessGraceMs;
}

bool waitForModeReply(const AppState &s, double awaited, CompanionWatch &watch, const std::function<bool()> &stop)
{
    while (s.modeReply != awaited) {
        yieldFor(RunTiming::current().yieldStepMs);
        if (s.modeReply == awaited)
            break;
        if ((stop && stop()) || watch.gaveUp())
            return false;
    }
    return true;
}

} // namespace kess
