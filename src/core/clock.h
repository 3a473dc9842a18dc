#pragma once
// The one source of time for the scheduler, the read pacing and the retried waits.
// Tests replace it for the length of a scope with Clock::Override.
#include <QDateTime>
#include <QtGlobal>
#include <functional>

namespace kess {

class Clock {
public:
    // Local time of day in seconds since midnight, with its fraction (0 <= t < 86400).
    static double timeOfDay();
    // Milliseconds on a clock that never jumps (for measuring gaps between ticks).
    static qint64 monotonicMs();
    // The calendar day (Julian day number), so a scheduled start is never started twice a day.
    static qint64 day();
    // The local date and time of day of one moment: a reading taken across midnight is not dated
    // a day off.
    static QDateTime now();

    struct Source {
        std::function<double()> timeOfDay;
        std::function<qint64()> monotonicMs;
        std::function<qint64()> day;
    };

    // Replaces the clock until it goes out of scope; unset members keep the real clock.
    class Override {
    public:
        explicit Override(Source source);
        ~Override();
        Override(const Override &) = delete;
        Override &operator=(const Override &) = delete;

    private:
        Source m_previous;
    };

private:
    static Source &current();
};

} // namespace kess
