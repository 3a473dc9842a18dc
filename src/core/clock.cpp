#include "clock.h"

#include <QDateTime>
#include <QElapsedTimer>

namespace kess {

Clock::Source &Clock::current()
{
    static Source source;
    return source;
}

double Clock::timeOfDay()
{
    if (current().timeOfDay)
        return current().timeOfDay();
    const QTime t = QTime::currentTime();
    return t.msecsSinceStartOfDay() / 1000.0;
}

qint64 Clock::monotonicMs()
{
    if (current().monotonicMs)
        return current().monotonicMs();
    static QElapsedTimer timer;
    if (!timer.isValid())
        timer.start();
    return timer.elapsed();
}

qint64 Clock::day()
{
    if (current().day)
        return current().day();
    return QDate::currentDate().toJulianDay();
}

QDateTime Clock::now()
{
    // The day before and after the time: when they differ, midnight fell in between, and the
    // time is read again, now on the later day.
    const qint64 before = day();
    double time = timeOfDay();
    const qint64 after = day();
    if (after != before)
        time = timeOfDay();
    return QDateTime(QDate::fromJulianDay(after), QTime::fromMSecsSinceStartOfDay(static_cast<int>(time * 1000)));
}

Clock::Override::Override(Source source) : m_previous(current())
{
    current() = std::move(source);
}

Clock::Override::~Override()
{
    current() = m_previous;
}

} // namespace kess
