#pragma once
// How a run waits. Every wait sleeps in short steps and lets the window's pending events run
// (so the reply poll and the other timers tick and the window repaints), instead of spinning
// a core. The timing that the companion programs see stays as they expect it: open-flag reads
// land in the 0.65-0.85 s part of a clock second, and "imcode.txt" is read every 3 seconds.
#include <QString>
#include <QtGlobal>
#include <functional>
#include <optional>

namespace kess {

struct AppState;

struct RunTiming {
    int replyPollMs = 3000;       // interval of the reply poll timer
    double pacingPeriod = 1.0;    // seconds; flag reads land in 0.65-0.85 of each period
    int yieldStepMs = 20;         // longest sleep between two looks at what is awaited
    int deadProcessGraceMs = 30000; // how long after a companion ended its reply may still come

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

// Sleeps about `ms` milliseconds while serving the window's events.
void yieldFor(int ms);

// Waits until the clock's fraction of a pacing period lies between 0.65 and 0.85. Two paced
// reads are at least one yield step apart, so a loop of paced reads never spins.
void pace();
// True when the clock's fraction of the pacing period lies between 0.65 and 0.85.
bool inPacingWindow();

// A retried wait retries a failed read silently for its first 5 seconds. True while the clock is
// still within them; a reading in the first seconds after midnight counts as the day before's.
bool withinRetryGrace(double waitStart);

// Reads the single value of an open-flag or missing-data file, tracing the file first.
std::optional<double> readFlagFile(AppState &state, int fileNumber, const QString &name);

// Watches a companion program that a run started: it has "given up" once its process has been
// gone for the grace period without the awaited answer. An unknown process never gives up.
class CompanionWatch {
public:
    void started(qint64 pid) { m_pid = pid; m_goneSinceMs = -1; m_lastLookMs = -1; }
    bool gaveUp();

private:
    qint64 m_pid = 0;
    qint64 m_goneSinceMs = -1;
    qint64 m_lastLookMs = -1;
};

// Serves the window's events until the mode reply (read by the reply poll) equals `awaited`.
// Gives up when the watched companion has given up, or when `stop` (asked after each step while
// the answer is still missing) says so. True when the answer came.
bool waitForModeReply(const AppState &state, double awaited, CompanionWatch &watch,
                      const std::function<bool()> &stop = {});

} // namespace kess
