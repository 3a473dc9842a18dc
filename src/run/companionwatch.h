#pragma once
// A companion program that a run started and waits for: whether it still runs, whether it has
// been gone long enough that its answer will not come, whether its time is up, and ending it.
// Used by every run (forecast and learning) for every companion it waits on.
#include <QtGlobal>

namespace kess {

class CompanionWatch {
public:
    // The program was started as process `pid`; its answer is due within `deadlineMs` from now.
    void started(qint64 pid, qint64 deadlineMs);
    // Nothing to watch (the start failed, or the process has been dealt with).
    void forget() { m_pid = 0; }
    bool watching() const { return m_pid > 0; }
    qint64 pid() const { return m_pid; }

    // True while the process runs. Looks at the process list at most twice a second.
    bool running();
    // True once the process has been gone for the grace period without the awaited answer.
    bool gaveUp();
    // When the process was seen to have ended (wall clock, ms since the epoch); 0 while it has
    // not been. A flag written after that moment comes from another copy.
    qint64 seenEndedAtMs() const { return m_endedAtWallMs; }
    // True once the deadline has passed (a process that is not watched never reaches it).
    bool pastDeadline() const;
    // Milliseconds left to the deadline (a large number when nothing is watched).
    qint64 msToDeadline() const;

    enum class Ending { AlreadyGone, EndedByItself, Terminated, Killed, StillThere };
    // Makes sure the process has ended: waits up to `graceMs` (serving events) for it to end by
    // itself, then asks it to end, and kills it when it is still there after the kill delay
    // (RunTiming::killAfterMs). Nothing to watch afterwards.
    Ending end(int graceMs = 0);

    // How an ending reads in the run log.
    static const char *describe(Ending e);

private:
    qint64 m_pid = 0;
    qint64 m_deadlineAtMs = 0;
    qint64 m_goneSinceMs = -1;
    qint64 m_endedAtWallMs = 0;
    qint64 m_lastLookMs = -1;
    bool m_lastAlive = true;
};

// Asks the process to end (SIGTERM; on Windows it is ended at once). False when there is no such process.
bool askProcessToEnd(qint64 pid);
// Ends the process at once (SIGKILL).
bool killProcess(qint64 pid);

} // namespace kess
