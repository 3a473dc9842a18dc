#pragma once
// When a scheduled start is due, and the 12-hour time text.
//
// Nothing here reads the clock or touches a widget: the window's timers take a reading of
// kess::Clock at every tick and hand it to a DueRule, which answers "start a run now" or not.
//
// The rule. A scheduled start S (seconds after midnight) is due at the first tick at or after
// it: with the previous tick at time of day P and this tick at T, S is due when P < S <= T.
// This holds only while the ticks are continuous, i.e. the previous tick came less than a
// minute earlier on the monotonic clock. The first tick after reset(), and a tick after a gap
// of a minute or more (the machine slept, the program was blocked), fall back to the plain
// three-second window S <= T < S + 3, so a start that fell during the gap is missed.
//
// Clock changes between two continuous ticks:
// - Midnight: T < P, and the wall clock moved about as far as the monotonic clock once a day
//   is added. Starts after P on the old day and starts up to T on the new day are due.
// - The clock moved forward by more than the ticks' own interval (daylight saving in spring:
//   01:59:59 -> 03:00:00 in 3 s): the starts the jump stepped over are due at once. A forward
//   jump of more than three hours is taken as the clock being set, not a season change, and
//   only the plain window applies (no stream of old starts).
// - The clock moved back (autumn: 01:59:59 -> 01:00:00 on the same day): nothing is due at
//   that tick, and as the repeated hour passes again every start already consumed today stays
//   consumed, so each start runs once.
//
// Every due start is consumed for its calendar day: it never comes again that day, whether it
// started a run or not. A due start while a run is under way (busy) is consumed and missed here;
// the scheduler panel lets such a start wait when the run is of the other kind (forecast or
// learning). Any number of starts due at one tick give one run.
#include <QString>
#include <QtGlobal>

#include <set>
#include <span>
#include <utility>
#include <vector>

namespace kess {

// One reading of the clock, taken at a timer tick.
struct Tick {
    double timeOfDay = 0;  // local time, seconds since midnight with fraction (0 <= t < 86400)
    qint64 monotonicMs = 0; // a clock that never jumps
    qint64 day = 0;        // the calendar day (Julian day number) of timeOfDay
};

// A reading of kess::Clock in which the day and the time of day belong together even when
// midnight passes between the two reads.
Tick readClock();

class DueRule {
public:
    // Ticks further apart than this on the monotonic clock are not continuous.
    static constexpr double MaxTickGapSeconds = 60;
    // A plain window is this long (the timers tick every 3 seconds).
    static constexpr double WindowSeconds = 3;
    // Larger forward jumps of the wall clock are a clock setting, not a daylight-saving change.
    static constexpr double MaxClockJumpSeconds = 3 * 3600;

    // True when at least one of the starts (seconds after midnight; any order, repeats allowed,
    // values outside 0 <= s < 86400 never come) is due at this tick and busy is false: the caller
    // starts one run. Due starts are consumed either way.
    bool tick(const Tick &now, const std::vector<double> &starts, bool busy);

    // Call when a run that this rule's own tick started has returned, with a reading taken
    // then: the timer's ticks were not handled during the run, and the starts that fell in
    // the meantime are missed rather than started late. Same as tick(now, starts, true).
    void runFinished(const Tick &now, const std::vector<double> &starts);

    // Forgets the previous tick, so the next tick uses the plain window. Call whenever the
    // timer is enabled. Starts consumed today stay consumed.
    void reset();

private:
    bool consume(qint64 day, double start);

    bool m_hasPrevious = false;
    Tick m_previous;
    std::set<std::pair<qint64, double>> m_consumed; // (day, start), today's and yesterday's
};

// The forecast starts: 3600*h + 60*minutes for every hour h whose flag is 1. The minutes may
// have a fraction and may exceed 59 (hour 4 with 75 minutes starts at 05:15).
std::vector<double> forecastStarts(std::span<const int, 24> hourFlags, double minutes);

// The daily learning start, 3600*hour + 60*minute.
std::vector<double> learningStarts(int hour, int minute);

// The first of the starts after `timeOfDay`, today as "18:15", else tomorrow as "tomorrow 06:15"
// (the starts come every day, so none is further off); empty when none can ever come.
QString nextStartText(double timeOfDay, const std::vector<double> &starts);

// An hour and a minute as in "6:05 PM": 0,30 -> "12:30 AM"; 12,0 -> "12:00 PM".
QString twelveHourText(int hour, int minute);

} // namespace kess
