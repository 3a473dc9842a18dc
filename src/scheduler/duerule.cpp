#include "duerule.h"

#include "core/clock.h"

#include <optional>

namespace kess {

namespace {
constexpr double SecondsPerDay = 86400;

bool comes(double start)
{
    return start >= 0 && start < SecondsPerDay;
}
} // namespace

Tick readClock()
{
    Tick t;
    t.monotonicMs = Clock::monotonicMs();
    t.day = Clock::day();
    t.timeOfDay = Clock::timeOfDay();
    const qint64 dayAfter = Clock::day();
    if (dayAfter != t.day) {
        // Midnight passed between the reads; a fresh time of day belongs to the new day.
        t.day = dayAfter;
        t.timeOfDay = Clock::timeOfDay();
    }
    return t;
}

bool DueRule::consume(qint64 day, double start)
{
    return m_consumed.insert({day, start}).second;
}

bool DueRule::tick(const Tick &now, const std::vector<double> &starts, bool busy)
{
    const double t = now.timeOfDay;
    bool due = false;
    auto take = [&](qint64 day, double start) {
        if (consume(day, start))
            due = true;
    };

    bool continuous = false;
    if (m_hasPrevious) {
        const double gap = (now.monotonicMs - m_previous.monotonicMs) / 1000.0;
        const double p = m_previous.timeOfDay;
        const double advance = t - p;
        if (gap >= 0 && gap < MaxTickGapSeconds) {
            if (advance >= 0) {
                // Same day; a forward jump up to a few hours is a season change and the starts
                // it stepped over are due now.
                if (advance - gap <= MaxClockJumpSeconds) {
                    continuous = true;
                    for (double s : starts)
                        if (comes(s) && p < s && s <= t)
                            take(now.day, s);
                }
            } else if (advance + SecondsPerDay - gap <= MaxClockJumpSeconds) {
                // Midnight: the rest of the old day, then the new day up to now.
                continuous = true;
                for (double s : starts) {
                    if (!comes(s))
                        continue;
                    if (s > p)
                        take(m_previous.day, s);
                    else if (s <= t)
                        take(now.day, s);
                }
            } else {
                // The clock went back: the repeated stretch was covered before, and what was
                // consumed then stays consumed.
                continuous = true;
            }
        }
    }

    if (!continuous) {
        for (double s : starts)
            if (comes(s) && s <= t && t < s + WindowSeconds)
                take(now.day, s);
    }

    m_previous = now;
    m_hasPrevious = true;
    // Only today's and yesterday's starts can still come up.
    while (!m_consumed.empty() && m_consumed.begin()->first < now.day - 1)
        m_consumed.erase(m_consumed.begin());

    return due && !busy;
}

void DueRule::runFinished(const Tick &now, const std::vector<double> &starts)
{
    tick(now, starts, true);
}

void DueRule::reset()
{
    m_hasPrevious = false;
}

std::vector<double> forecastStarts(std::span<const int, 24> hourFlags, double minutes)
{
    std::vector<double> starts;
    for (int h = 0; h < 24; ++h)
        if (hourFlags[h] == 1)
            starts.push_back(3600.0 * h + 60.0 * minutes);
    return starts;
}

std::vector<double> learningStarts(int hour, int minute)
{
    return {3600.0 * hour + 60.0 * minute};
}

QString nextStartText(double timeOfDay, const std::vector<double> &starts)
{
    std::optional<double> today, tomorrow;
    for (const double s : starts) {
        if (s < 0 || s >= 86400)
            continue;
        if (s > timeOfDay && (!today || s < *today))
            today = s;
        if (!tomorrow || s < *tomorrow)
            tomorrow = s;
    }
    const std::optional<double> next = today ? today : tomorrow;
    if (!next)
        return {};
    const int minutes = static_cast<int>(*next / 60);
    return (today ? QString() : QStringLiteral("tomorrow "))
           + QStringLiteral("%1:%2").arg(minutes / 60, 2, 10, QLatin1Char('0')).arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QString twelveHourText(int hour, int minute)
{
    QString suffix = QStringLiteral(" AM");
    if (hour >= 12) {
        hour -= 12;
        suffix = QStringLiteral(" PM");
    }
    if (hour == 0)
        hour = 12;
    QString minutes = QString::number(minute);
    if (minute < 10)
        minutes.prepend(QLatin1Char('0'));
    return QString::number(hour) + QLatin1Char(':') + minutes + suffix;
}

} // namespace kess
