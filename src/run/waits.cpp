#include "waits.h"

#include "app/appstate.h"
#include "app/clock.h"
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
    const double period = RunTiming::current().pacingPeriod;
    for (;;) {
        const double t = Clock::timeOfDay();
        const double fraction = std::fmod(t, period) / period;
        if (std::fabs(fraction - 0.75) < 0.1)
            return;
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

} // namespace kess
