#include "companionwatch.h"

#include "core/clock.h"
#include "companions/launcher.h"
#include "run/waits.h"

#include <QDateTime>
#include <limits>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <csignal>
#endif

namespace kess {

void CompanionWatch::started(qint64 pid, qint64 deadlineMs)
{
    m_pid = pid;
    m_deadlineAtMs = Clock::monotonicMs() + deadlineMs;
    m_goneSinceMs = -1;
    m_endedAtWallMs = 0;
    m_lastLookMs = -1;
    m_lastAlive = true;
}

bool CompanionWatch::running()
{
    if (m_pid <= 0 || m_goneSinceMs >= 0)
        return false;
    const qint64 now = Clock::monotonicMs();
    // Looking at the process list costs a little; twice a second is plenty.
    if (m_lastLookMs >= 0 && now - m_lastLookMs < 500)
        return m_lastAlive;
    m_lastLookMs = now;
    m_lastAlive = processAlive(m_pid);
    if (!m_lastAlive) {
        m_goneSinceMs = now;
        m_endedAtWallMs = QDateTime::currentMSecsSinceEpoch();
    }
    return m_lastAlive;
}

bool CompanionWatch::gaveUp()
{
    if (m_pid <= 0 || running())
        return false;
    return Clock::monotonicMs() - m_goneSinceMs >= RunTiming::current().deadProcessGraceMs;
}

bool CompanionWatch::pastDeadline() const
{
    return m_pid > 0 && Clock::monotonicMs() >= m_deadlineAtMs;
}

qint64 CompanionWatch::msToDeadline() const
{
    if (m_pid <= 0)
        return std::numeric_limits<qint64>::max() / 2;
    return std::max<qint64>(0, m_deadlineAtMs - Clock::monotonicMs());
}

CompanionWatch::Ending CompanionWatch::end(int graceMs)
{
    const qint64 pid = m_pid;
    m_pid = 0;
    const auto seenEnded = [this](Ending e) {
        if (e != Ending::StillThere && m_endedAtWallMs == 0)
            m_endedAtWallMs = QDateTime::currentMSecsSinceEpoch();
        return e;
    };
    if (pid <= 0)
        return Ending::AlreadyGone;
    if (!processAlive(pid))
        return seenEnded(Ending::AlreadyGone);
    auto waitGone = [pid](int ms) {
        const qint64 until = Clock::monotonicMs() + ms;
        while (processAlive(pid)) {
            const qint64 left = until - Clock::monotonicMs();
            if (left <= 0)
                return false;
            yieldFor(static_cast<int>(std::min<qint64>(left, 100)));
        }
        return true;
    };
    if (graceMs > 0 && waitGone(graceMs))
        return seenEnded(Ending::EndedByItself);
    askProcessToEnd(pid);
    if (waitGone(RunTiming::current().killAfterMs))
        return seenEnded(Ending::Terminated);
    killProcess(pid);
    return seenEnded(waitGone(2000) ? Ending::Killed : Ending::StillThere);
}

const char *CompanionWatch::describe(Ending e)
{
    switch (e) {
    case Ending::AlreadyGone: return "it had already ended";
    case Ending::EndedByItself: return "it ended by itself";
    case Ending::Terminated: return "it was asked to end and did";
    case Ending::Killed: return "it did not end when asked and was killed";
    case Ending::StillThere: return "it could not be ended";
    }
    return "";
}

bool askProcessToEnd(qint64 pid)
{
#ifdef Q_OS_WIN
    return killProcess(pid);
#else
    return pid > 0 && ::kill(static_cast<pid_t>(pid), SIGTERM) == 0;
#endif
}

bool killProcess(qint64 pid)
{
#ifdef Q_OS_WIN
    HANDLE h = OpenProcess(PROCESS_TERMINATE, FALSE, static_cast<DWORD>(pid));
    if (!h)
        return false;
    const bool ok = TerminateProcess(h, 1);
    CloseHandle(h);
    return ok;
#else
    return pid > 0 && ::kill(static_cast<pid_t>(pid), SIGKILL) == 0;
#endif
}

} // namespace kess
