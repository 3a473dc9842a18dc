#pragma once
// How a run waits. A wait sleeps in the window's event loop until something it waits for can
// have changed (the reply poll's tick, the next pacing window, a companion's deadline), so every
// window event is still served at once while the run costs next to nothing. The timing that the
// companion programs see stays as they expect it: open-flag reads land in the 0.65-0.85 s part
// of a clock second, and "imcode.txt" is read every 3 seconds by the reply poll.
#include <QString>
#include <QtGlobal>
#include <functional>
#include <optional>

class QTimer;

namespace kess {

struct AppState;
class CompanionWatch;

struct RunTiming {
    int replyPollMs = 3000;         // interval of the reply poll timer
    double pacingPeriod = 1.0;      // seconds; flag reads land in 0.65-0.85 of each period
    int deadProcessGraceMs = 30000; // how long after a companion ended its reply may still come
    // The longest a run waits for VANTRO's forecast, PELTHOR or the learning program before it
    // ends the program and gives the site up.
    qint64 companionDeadlineMs = 30LL * 60 * 1000;
    // How long the next site's staging waits for the PELTHOR just started to show it has read
    // its settings (its flag raised), at most.
    qint64 pelthorStartWaitMs = 15000;
    // DORLIQ gets the user's "Maximum time to wait for DORLIQ" and this much more: it enforces
    // that limit itself, so this only catches a DORLIQ that hangs.
    qint64 dorliqDeadlineMarginMs = 5LL * 60 * 1000;
    // A companion asked to end (at its deadline) is killed when it is still there this much later.
    int killAfterMs = 10000;
    // At the end of a run, how long the last PNG conversions may take before the run ends
    // without their outcome.
    int conversionWaitMs = 30000;

    // DORLIQ's deadline for a wait limit in minutes.
    qint64 dorliqDeadlineMs(double waitLimitMinutes) const;

    static RunTiming &current();
};

// Replaces the run's timing for the life of the scope (tests shorten it).
class RunTimingOverride {
public:
    explicit RunTimingOverride(const RunTiming &t) : m_previous(RunTiming::current()) { RunTiming::current() = t; }
    ~RunTimingOverride() { RunTiming::current() = m_previous; }
    RunTimingOverride(const RunTimingOverride &) = delete;
    RunTimingOverride &operator=(const RunTimingOverride &) = delete;
private:
    RunTiming m_previous;
};

// Serves the window's events for about `ms` milliseconds, or until `wake` ticks (when given).
void yieldFor(int ms, QTimer *wake = nullptr);

// Sleeps, serving events, until the clock's fraction of a pacing period lies between 0.65 and
// 0.85; returns at once when it already does.
void pace();
// The same, but never in the pacing window of the previous paced read: a loop that reads the same
// flag until it changes reads it once a period.
void paceNext();
// For a flag wait whose companion answers through the reply poll (`poll`): sleeps to the last
// pacing window that opens before the poll's next tick, or the tick after when that window has
// passed. A fall of the flag seen there is in time for that tick, and no earlier look could
// have the answer seen sooner, so the wait reads the flag once a poll period instead of every
// period. Falls back to paceNext() when the poll is not running.
void paceBeforeTick(const QTimer *poll);
// True when the clock's fraction of the pacing period lies between 0.65 and 0.85.
bool inPacingWindow();
// Milliseconds until the next pacing window opens (0 inside one).
int msToPacingWindow();
// Milliseconds paceNext() would sleep now.
int msToNextPacedRead();

// A retried wait retries a failed read silently for its first 5 seconds. True while the clock is
// still within them; a reading in the first seconds after midnight counts as the day before's.
bool withinRetryGrace(double waitStart);

// Reads the single value of an open-flag or missing-data file, tracing the file first.
std::optional<double> readFlagFile(AppState &state, int fileNumber, const QString &name);

// A companion that KESSAMIR started has ended, yet its flag still holds 1: nothing will write it
// again, so 0 is written back. The read is paced like every flag read of a run. A flag written
// after `seenEndedAtMs` (wall clock, ms since the epoch) comes from another copy, one the user
// opened, and is left alone. True when the flag held 1 and was cleared; the caller logs
// "<flag> still said open after <program> ended; cleared" with staleFlagCleared().
bool clearStaleFlag(AppState &state, int fileNumber, const QString &flagFile, qint64 seenEndedAtMs);
QString staleFlagCleared(const QString &flagFile, const QString &program);

// How a wait for a companion ended.
enum class WaitEnd {
    Answered,   // the awaited value came
    Gone,       // the companion ended and its answer did not come within the grace period
    Deadline,   // the companion's time is up
    Stopped,    // the caller's own check said stop (DORLIQ's time-limit flag)
};

// Waits for the mode reply `awaited`, woken by the reply poll's ticks (`poll`), the companion's
// deadline and, when `everySecond` is given, once in each pacing window to run it (it returns
// true to stop the wait). The poll must be running.
WaitEnd waitForModeReply(AppState &state, QTimer *poll, double awaited, CompanionWatch &watch,
                         const std::function<bool()> &everySecond = {});

} // namespace kess
