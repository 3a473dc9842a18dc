// Timing of a whole forecast run with the real reply poll (3 s) and the real read pacing
// (flag reads in the 0.65-0.85 s part of each clock second), against what the companions'
// file protocol allows:
//
//  1. Instantly answering stand-ins, several sites: the wall time from the first site's
//     "Got to 1.4" to "Got to 5", against the protocol floor worked out from the reply poll's
//     measured ticks and the pacing windows. KESSAMIR's own overhead must stay under 0.2 % of
//     that floor.
//  2. One site whose VANTRO takes 20 s to answer: the CPU time KESSAMIR uses from "Got to 3"
//     (VANTRO started) until the reply poll sees the answer, once as the stand-ins come and
//     once with VANTRO's open flag up at the run's first look. Must stay under 10 ms.
//
// Progress marks and the companions' answers are timestamped by a thread that follows the
// working folder with inotify, so the stamps do not depend on when the run lets the window's
// events run. Reply poll ticks are stamped by a slot on Timer1 (it runs right after the poll).
#include "core/dialogs.h"
#include "app/mainwindow.h"
#include "files/fileops.h"
#include "run/waits.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#ifndef KESS_STANDIN_DIR
#define KESS_STANDIN_DIR ""
#endif

using namespace kess;

namespace {

using SteadyClock = std::chrono::steady_clock;
const SteadyClock::time_point kSteadyZero = SteadyClock::now();
const std::chrono::system_clock::time_point kWallZero = std::chrono::system_clock::now();

// Seconds since the bench started, on a clock that never jumps.
double now()
{
    return std::chrono::duration<double>(SteadyClock::now() - kSteadyZero).count();
}

// The fraction of the clock second at bench time t (what the run's pacing looks at; local
// time and UTC differ by whole minutes, so the fraction is the same).
double secondFraction(double t)
{
    const double wall = std::chrono::duration<double>(kWallZero.time_since_epoch()).count() + t;
    return wall - std::floor(wall);
}

double cpuTime(clockid_t which)
{
    timespec ts{};
    clock_gettime(which, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}
double processCpu() { return cpuTime(CLOCK_PROCESS_CPUTIME_ID); }

// The bench's own watch thread runs inside the measured process. Its CPU clock, while it runs,
// is taken off every CPU figure, so the figures are the program's alone.
std::atomic<bool> g_watchRunning{false};
clockid_t g_watchClock{};

double programCpu()
{
    double cpu = processCpu();
    if (g_watchRunning.load())
        cpu -= cpuTime(g_watchClock);
    return cpu;
}

// ---------------------------------------------------------------------------------------
// What happened during a run, stamped as it happened.

struct LogLine {
    double t;
    double cpu;
    QString text;
};
struct FileChange {
    double t;
    double cpu;
    QString name; // "imcode.txt", "dorliqopen.txt", "vantroopen.txt"
    double value;
};
struct Tick {
    double t;
    double cpu;
    double nextDue; // when the timer means to fire next (it has planned that before this tick ran)
};

// Follows the working folder with inotify on its own thread: new lines of "kesslog.txt" and
// every new content of "imcode.txt" and the open flags, each with the time and the process CPU
// time at that moment.
class FolderWatch {
public:
    // Early flag: once the run log has shown `armMark`, the moment the run has next read `flag`
    // (and closed it again), the flag gets 1, as a companion that raises its flag quickly would.
    struct EarlyFlag {
        QString armMark, flag;
    };
    explicit FolderWatch(const QString &folder, const EarlyFlag &early = {}) : m_folder(folder), m_early(early)
    {
        m_inotify = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
        m_stop = eventfd(0, EFD_CLOEXEC);
        watchFor(0);
        m_thread = std::thread([this] { loop(); });
        if (pthread_getcpuclockid(m_thread.native_handle(), &g_watchClock) == 0)
            g_watchRunning = true;
    }
    ~FolderWatch() { stop(); }

    void stop()
    {
        if (!m_thread.joinable())
            return;
        g_watchRunning = false;
        const uint64_t one = 1;
        if (write(m_stop, &one, sizeof one) < 0) {
        }
        m_thread.join();
        close(m_inotify);
        close(m_stop);
    }

    std::vector<LogLine> logLines() const
    {
        std::lock_guard lock(m_mutex);
        return m_lines;
    }
    std::vector<FileChange> changes() const
    {
        std::lock_guard lock(m_mutex);
        return m_changes;
    }
    double threadCpu() const { return m_threadCpu.load(); }
    double raisedAt() const { return m_raisedAt.load(); }

private:
    void loop()
    {
        alignas(inotify_event) char buffer[64 * 1024];
        pollfd fds[2] = {{m_inotify, POLLIN, 0}, {m_stop, POLLIN, 0}};
        for (;;) {
            if (poll(fds, 2, -1) < 0)
                continue;
            if (fds[1].revents & POLLIN)
                break;
            const ssize_t n = read(m_inotify, buffer, sizeof buffer);
            if (n <= 0)
                continue;
            const double t = now();
            const double cpu = programCpu();
            for (ssize_t at = 0; at < n;) {
                const auto *e = reinterpret_cast<const inotify_event *>(buffer + at);
                at += ssize_t(sizeof(inotify_event) + e->len);
                if (!e->len)
                    continue;
                const QString name = QFile::decodeName(e->name);
                if (m_armed && name == m_early.flag && (e->mask & IN_CLOSE_NOWRITE)) {
                    m_armed = false;
                    watchFor(0);
                    raiseFlag(m_early.flag);
                    m_early = {};
                }
                if (name == QLatin1String("kesslog.txt") && (e->mask & IN_MODIFY))
                    readLog(t, cpu);
                else if ((e->mask & (IN_MOVED_TO | IN_CLOSE_WRITE)) &&
                         (name == QLatin1String("imcode.txt") || name == QLatin1String("dorliqopen.txt") ||
                          name == QLatin1String("vantroopen.txt")))
                    noteFile(t, cpu, name);
            }
        }
        m_threadCpu = cpuTime(CLOCK_THREAD_CPUTIME_ID);
    }

    // Reads are followed only while the bench waits for one: a run that reads a flag in a loop
    // would otherwise keep this thread busy.
    void watchFor(uint32_t extra)
    {
        inotify_add_watch(m_inotify, QFile::encodeName(m_folder).constData(),
                          IN_MODIFY | IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE | extra);
    }

    void raiseFlag(const QString &flag)
    {
        const QString target = m_folder + QLatin1Char('/') + flag;
        QFile f(target + QStringLiteral(".bench"));
        if (f.open(QIODevice::WriteOnly) && f.write("1\r\n") == 3) {
            f.close();
            std::rename(QFile::encodeName(f.fileName()).constData(), QFile::encodeName(target).constData());
        }
        m_raisedAt = now();
    }

    void noteFile(double t, double cpu, const QString &name)
    {
        QFile f(m_folder + QLatin1Char('/') + name);
        if (!f.open(QIODevice::ReadOnly))
            return;
        bool ok = false;
        const double value = f.readAll().trimmed().toDouble(&ok);
        if (!ok)
            return;
        std::lock_guard lock(m_mutex);
        if (!m_changes.empty() && m_changes.back().name == name && m_changes.back().value == value &&
            t - m_changes.back().t < 0.002)
            return; // one write seen twice (closed, then renamed)
        m_changes.push_back({t, cpu, name, value});
    }

    void readLog(double t, double cpu)
    {
        QFile f(m_folder + QStringLiteral("/kesslog.txt"));
        if (!f.open(QIODevice::ReadOnly))
            return;
        if (f.size() < m_logOffset) { // the run started the log afresh
            m_logOffset = 0;
            m_partial.clear();
        }
        f.seek(m_logOffset);
        const QByteArray more = f.readAll();
        m_logOffset += more.size();
        m_partial += more;
        std::lock_guard lock(m_mutex);
        for (qsizetype end; (end = m_partial.indexOf('\n')) >= 0;) {
            const QString line = QString::fromLatin1(m_partial.left(end)).trimmed();
            m_partial.remove(0, end + 1);
            m_lines.push_back({t, cpu, line});
            if (!m_early.armMark.isEmpty() && line == m_early.armMark && !m_armed) {
                m_armed = true;
                watchFor(IN_CLOSE_NOWRITE);
            }
        }
    }

    QString m_folder;
    EarlyFlag m_early;
    bool m_armed = false;
    int m_inotify = -1;
    int m_stop = -1;
    std::thread m_thread;
    mutable std::mutex m_mutex;
    std::vector<LogLine> m_lines;
    std::vector<FileChange> m_changes;
    qint64 m_logOffset = 0;
    QByteArray m_partial;
    std::atomic<double> m_threadCpu{0};
    std::atomic<double> m_raisedAt{-1};
};

// ---------------------------------------------------------------------------------------
// A working folder of sites with the stand-ins installed, made the current folder.

class BenchFolder {
public:
    explicit BenchFolder(int sites, const QStringList &standinSettings) : m_previous(QDir::currentPath())
    {
        if (!m_dir.isValid())
            qFatal("no temporary folder");
        QDir::setCurrent(m_dir.path());
        const QString folder = m_dir.path() + QLatin1Char('/');
        QStringList runList;
        for (int n = 0; n <= sites; ++n) {
            const QString name = n == 0 ? QStringLiteral("Generic") : QStringLiteral("Town%1").arg(n);
            const QString code = n == 0 ? QStringLiteral("GEN") : QStringLiteral("K%1X").arg(QChar('A' + n - 1));
            const QString num = QString::number(n);
            writeLines("c" + num + ".txt", {QStringLiteral("\"%1\",1,2,3,4,5,6").arg(name),
                                            QStringLiteral("10,11,12,13,14,15,16,17,18,\"%1\",20,21,22").arg(code)});
            writeLines("w" + num + ".txt", {"\"dorliq " + name + "\""});
            writeLines("snowrec" + num + ".txt", {"snow " + num});
            writeLines("cor" + num + ".txt", {"0,1,0,0"});
            writeLines("r" + num + ".txt", pelthorSettings(folder));
            writeLines("fdata" + num + ".txt", {"fdata " + num});
            writeLines("ecdata" + num + ".txt", {"ecdata " + num});
            if (n > 0)
                runList << QStringLiteral("1");
        }
        writeLines("runlist.txt", runList);
        copyFile("c0.txt", "custinit.txt");
        copyFile("w0.txt", "vantmini.txt");
        copyFile("r0.txt", "pelini.txt");
        for (const char *flag : {"vantroopen.txt", "dorliqopen.txt", "pelthoropen.txt"})
            writeLines(QLatin1String(flag), {"0"});
        writeLines("imcode.txt", {"0"});
        writeLines("kesslog.txt", QStringList{});
        writeLines("standins.txt", standinSettings);
        installStandins();
    }
    ~BenchFolder()
    {
        // The PELTHOR started for the last site may still be writing here.
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 10000 && readNumberFile("pelthoropen.txt") == 1.0)
            QThread::msleep(50);
        QDir::setCurrent(m_previous);
    }
    QString path() const { return m_dir.path(); }

private:
    static QStringList pelthorSettings(const QString &folder)
    {
        QStringList l{"1,2,3,4,5,6,7,8", "1,2,3,4,5,6,7,8,9,10"};
        for (int i = 3; i <= 11; ++i)
            l << QString::number(i * 10);
        l << "\"" + folder + "\"" << "6" << "0" << "1,2" << "3" << "1,2,3,4,5,6,7,8,9,10" << "1" << "2"
          << "1,2,3,4,5,6,7,8,9,10" << "1" << "2" << "1,2,3,4,5,6,7,8,9,10" << "7";
        return l;
    }
    static void installStandins()
    {
        QString from = qEnvironmentVariable("KESS_STANDIN_DIR");
        if (from.isEmpty())
            from = QStringLiteral(KESS_STANDIN_DIR);
        for (const char *name : {"dorliq.exe", "vantro.exe", "pelthor.exe", "mirrix.exe", "i_view32.exe"}) {
            const QString source = QDir(from).filePath(QLatin1String(name));
            if (!QFile::copy(source, QLatin1String(name)))
                qFatal("cannot install the stand-in %s from %s", name, qPrintable(from));
            QFile::setPermissions(QLatin1String(name), QFile::permissions(source) | QFile::ExeOwner);
        }
    }

    QString m_previous;
    QTemporaryDir m_dir;
};

// Ends the bench when a run hangs (a run that never ends would otherwise keep it forever).
class Watchdog {
public:
    explicit Watchdog(double seconds)
        : m_thread([this, seconds] {
              std::unique_lock lock(m_mutex);
              if (!m_done.wait_for(lock, std::chrono::duration<double>(seconds), [this] { return m_finished; })) {
                  std::fprintf(stderr, "bench_run: the run did not finish within %.0f s\n", seconds);
                  std::_Exit(3);
              }
          })
    {
    }
    ~Watchdog()
    {
        {
            std::lock_guard lock(m_mutex);
            m_finished = true;
        }
        m_done.notify_all();
        m_thread.join();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_finished = false;
    std::thread m_thread;
};

// ---------------------------------------------------------------------------------------
// One real run: "Run immediately" clicked on a fresh window, everything stamped.

struct RunRecord {
    std::vector<LogLine> log;
    std::vector<FileChange> changes;
    std::vector<Tick> ticks;
    double clickAt = 0, returnedAt = 0;
    double cpuAtClick = 0, cpuAtReturn = 0;
    double watcherCpu = 0;
    double flagRaisedAt = -1;
    QStringList dialogs;

    std::optional<double> firstMark(const QString &text) const
    {
        for (const LogLine &l : log)
            if (l.text == text)
                return l.t;
        return std::nullopt;
    }
    const LogLine *firstLine(const QString &text) const
    {
        for (const LogLine &l : log)
            if (l.text == text)
                return &l;
        return nullptr;
    }
    // Companion answers: new contents of "imcode.txt" that KESSAMIR never writes.
    std::vector<FileChange> answers() const
    {
        std::vector<FileChange> out;
        for (const FileChange &c : changes)
            if (c.name == QLatin1String("imcode.txt") && (c.value == 2 || c.value == 4 || c.value == 6))
                out.push_back(c);
        return out;
    }
    // The first reply-poll tick after t.
    const Tick *tickAfter(double t) const
    {
        for (const Tick &k : ticks)
            if (k.t > t)
                return &k;
        return nullptr;
    }
};

RunRecord runOnce(int sites, const QStringList &standinSettings, double longestDelay,
                  const FolderWatch::EarlyFlag &early = {})
{
    const Watchdog watchdog(120 + sites * (6 + 2 * longestDelay));
    BenchFolder folder(sites, standinSettings);
    Dialogs::Script dialogs;
    RunRecord r;
    {
        MainWindow w;
        w.startUp();
        w.show();
        QCoreApplication::processEvents();
        QObject::connect(w.Timer1, &QTimer::timeout, &w,
                         [&r, &w] {
                             const double t = now();
                             r.ticks.push_back({t, programCpu(), t + w.Timer1->remainingTime() / 1000.0});
                         });
        FolderWatch watch(folder.path(), early);
        QThread::msleep(50); // the watch is in place before anything is written
        r.cpuAtClick = programCpu();
        r.clickAt = now();
        w.Command2->click();
        r.returnedAt = now();
        r.cpuAtReturn = programCpu();
        QThread::msleep(50); // the last marks reach the watch
        watch.stop();
        r.log = watch.logLines();
        r.changes = watch.changes();
        r.watcherCpu = watch.threadCpu();
        r.flagRaisedAt = watch.raisedAt();
    }
    r.dialogs = dialogs.shown();
    return r;
}

// ---------------------------------------------------------------------------------------
// The protocol floor. With companions that answer the moment they start and a KESSAMIR that
// costs nothing, a site goes:
//   paced read of "dorliqopen.txt" (DORLIQ's copy before has closed) -> DORLIQ started ->
//   its answer 4 seen at the next reply poll tick -> paced reads of the missing-data files and
//   "vantroopen.txt" -> VANTRO started -> its answer 6 seen at the next tick -> next site.
// A paced read happens at the first moment whose fraction of the clock second is in
// 0.65-0.85. The ticks come when the poll's timer plans them: every replyPollMs, but as a coarse
// timer Qt may move each planned tick by up to 5 % to a round moment. The bench takes the plan
// from the timer itself at every tick (its remaining time), so a tick that the run served late
// counts against KESSAMIR and the timer's own rounding does not.

double nextWindow(double t)
{
    const double f = secondFraction(t);
    if (std::fabs(f - 0.75) < 0.1)
        return t;
    return f < 0.65 ? t + (0.65 - f) + 1e-6 : t + (1.0 - f) + 0.65 + 1e-6;
}

struct Floor {
    bool known = false;            // the timer's plan reaches far enough
    double seconds = 0;
    std::vector<double> replyTicks; // the planned ticks at which the answers are seen
};

Floor protocolFloor(double from, int sites, const std::vector<double> &plannedTicks)
{
    Floor f;
    double t = from;
    for (int site = 0; site < sites; ++site) {
        for (int companion = 0; companion < 2; ++companion) {
            t = nextWindow(t); // the paced read before the start
            const auto tick = std::upper_bound(plannedTicks.begin(), plannedTicks.end(), t);
            if (tick == plannedTicks.end())
                return f;
            t = *tick;         // the answer seen by the poll
            f.replyTicks.push_back(t);
        }
    }
    f.known = true;
    f.seconds = t - from;
    return f;
}

// ---------------------------------------------------------------------------------------

QString overheadBenchmark(int sites, bool &pass)
{
    const double period = RunTiming::current().replyPollMs / 1000.0;
    std::printf("== 1. Run overhead: %d sites, stand-ins answering at once (delay 0), poll %.0f ms, pacing %.2f s\n",
                sites, period * 1000, RunTiming::current().pacingPeriod);
    std::fflush(stdout);
    const RunRecord r = runOnce(sites, {"delay = 0", "settings.delay = 0"}, 0);

    const LogLine *pollStarted = r.firstLine("Got to 1");
    const auto first = r.firstMark("Got to 1.4");
    const auto done = r.firstMark("Got to 5");
    const std::vector<FileChange> answers = r.answers();
    if (!pollStarted || !first || !done || int(answers.size()) != 2 * sites + 1 || !r.dialogs.isEmpty()) {
        std::printf("   the run did not go through: %zu log lines, %zu answers, %lld dialogs\n", r.log.size(),
                    answers.size(), qlonglong(r.dialogs.size()));
        for (const LogLine &l : r.log)
            std::printf("   %8.3f %s\n", l.t - r.clickAt, qPrintable(l.text));
        for (const QString &d : r.dialogs)
            std::printf("   dialog: %s\n", qPrintable(d));
        pass = false;
        return QStringLiteral("RESULT 1 overhead per site: FAIL (run incomplete)");
    }

    // The measured alignment: the ticks, what the timer had planned for each, how late the run
    // let them come.
    if (r.ticks.size() < 2) {
        pass = false;
        return QStringLiteral("RESULT 1 overhead per site: FAIL (the reply poll hardly ticked)");
    }
    const double pollStart = pollStarted->t;
    std::vector<double> planned; // planned ticks, from the second one on
    double worstLate = 0, sumLate = 0;
    for (size_t k = 0; k < r.ticks.size(); ++k) {
        planned.push_back(r.ticks[k].nextDue);
        if (k > 0) {
            const double late = r.ticks[k].t - r.ticks[k - 1].nextDue;
            worstLate = std::max(worstLate, late);
            sumLate += late;
        }
    }
    QString tickList;
    for (const Tick &k : r.ticks)
        tickList += QStringLiteral(" %1").arg(k.t - pollStart, 0, 'f', 3);
    std::printf("   reply poll started %.3f s after the click, at %.3f of a clock second; ticks after its start (s):%s\n",
                pollStart - r.clickAt, secondFraction(pollStart), qPrintable(tickList));
    std::printf("   ticks later than the timer planned them (ms precision): mean %.1f ms, worst %.1f ms over %zu ticks\n",
                1000 * sumLate / double(r.ticks.size() - 1), 1000 * worstLate, r.ticks.size() - 1);

    // Each answer: when the companion gave it, the tick that saw it, and how long after the tick
    // before that KESSAMIR had started the companion.
    std::printf("   %-6s %-8s %10s %10s %10s %12s\n", "answer", "value", "given at", "seen at", "waited", "ideal tick");
    const Floor floor = protocolFloor(*first, sites, planned);
    if (!floor.known) {
        pass = false;
        return QStringLiteral("RESULT 1 overhead per site: FAIL (the answers were not all seen)");
    }
    int lateAnswers = 0;
    for (size_t i = 1; i < answers.size(); ++i) {
        const Tick *seen = r.tickAfter(answers[i].t);
        const double ideal = floor.replyTicks[i - 1];
        const double seenAt = seen ? seen->t : NAN;
        if (seen && seenAt - ideal > period / 2)
            ++lateAnswers;
        std::printf("   %-6zu %-8.0f %10.3f %10.3f %10.3f %12.3f\n", i, answers[i].value, answers[i].t - *first,
                    seenAt - *first, seenAt - answers[i].t, ideal - *first);
    }

    const double measured = *done - *first;
    const double overhead = measured - floor.seconds;
    const double share = overhead / floor.seconds;
    std::printf("   first site \"Got to 1.4\" at %.3f of a clock second, %.3f s after the tick that saw the initial "
                "answer\n",
                secondFraction(*first), *first - (r.tickAfter(answers[0].t) ? r.tickAfter(answers[0].t)->t : *first));
    std::printf("   protocol floor from \"Got to 1.4\" (site 1) to the tick that sees the last answer: %.3f s "
                "(%.3f s a site; %d ticks of %.0f ms)\n",
                floor.seconds, floor.seconds / sites, 2 * sites, period * 1000);
    std::printf("   measured \"Got to 1.4\" (site 1) -> \"Got to 5\": %.3f s; answers seen later than their ideal "
                "tick: %d\n",
                measured, lateAnswers);
    std::printf("   KESSAMIR overhead: %.3f s in all, %.1f ms a site; CPU of the whole run %.3f s (not counted: the bench's watch thread, %.3f s)\n",
                overhead, 1000 * overhead / sites, r.cpuAtReturn - r.cpuAtClick, r.watcherCpu);
    pass = share < 0.002;
    return QStringLiteral("RESULT 1 KESSAMIR overhead per site: %1 ms over a protocol floor of %2 s a site = %3 % "
                          "(target < 0.2 %): %4")
        .arg(1000 * overhead / sites, 0, 'f', 1)
        .arg(floor.seconds / sites, 0, 'f', 3)
        .arg(100 * share, 0, 'f', 2)
        .arg(pass ? "PASS" : "FAIL");
}

struct WaitCpu {
    bool complete = false;
    double wait = 0, cpu = 0;
};

// One run of a single site whose VANTRO answers after `delay` seconds. With `raiseEarly` the
// bench raises VANTRO's open flag right after the run has checked that no VANTRO before is still
// open (its first read of the flag after "Got to 2.2"), so the flag is already up when the run
// first looks at it after starting VANTRO. The stand-in raises it about 10 ms after it was
// started; a run that looks sooner finds it down and waits on the reply poll alone.
WaitCpu waitCpuRun(double delay, bool raiseEarly)
{
    const QStringList settings{"delay = 0", "settings.delay = 0", QStringLiteral("vantro.delay = %1").arg(delay)};
    const RunRecord r = raiseEarly ? runOnce(1, settings, delay, {"Got to 2.2", "vantroopen.txt"})
                                   : runOnce(1, settings, delay);
    const LogLine *started = r.firstLine("Got to 3");
    const std::vector<FileChange> answers = r.answers();
    const FileChange *answer = nullptr;
    for (const FileChange &a : answers)
        if (a.value == 6)
            answer = &a;
    const Tick *seen = answer ? r.tickAfter(answer->t) : nullptr;
    if (!started || !r.firstLine("Got to 4") || !answer || !seen || !r.dialogs.isEmpty()) {
        std::printf("   the run did not go through\n");
        for (const LogLine &l : r.log)
            std::printf("   %8.3f %s\n", l.t - r.clickAt, qPrintable(l.text));
        for (const QString &d : r.dialogs)
            std::printf("   dialog: %s\n", qPrintable(d));
        return {};
    }
    // What the run saw of VANTRO's flag: the first look after the start is the first flag change
    // the run could have met; the flag's fall to 0 ends the open-flag wait.
    const FileChange *closed = nullptr;
    const FileChange *raised = nullptr;
    for (const FileChange &c : r.changes) {
        if (c.name != QLatin1String("vantroopen.txt") || c.t < started->t - 0.05)
            continue;
        if (c.value == 1 && !raised)
            raised = &c;
        if (c.value == 0 && !closed && c.t > started->t)
            closed = &c;
    }
    if (raiseEarly && r.flagRaisedAt >= 0)
        std::printf("   VANTRO's flag raised by the bench %.2f ms before \"Got to 3\"\n", 1000 * (started->t - r.flagRaisedAt));
    else if (raised)
        std::printf("   VANTRO's flag raised by the stand-in %.1f ms after \"Got to 3\"\n", 1000 * (raised->t - started->t));
    if (closed) {
        std::printf("   \"Got to 3\" -> VANTRO's flag back to 0:  %7.3f s wall, %.3f s CPU\n", closed->t - started->t,
                    closed->cpu - started->cpu);
        std::printf("   flag 0 -> the tick that sees answer 6: %7.3f s wall, %.3f s CPU\n", seen->t - closed->t,
                    seen->cpu - closed->cpu);
    }
    std::printf("   whole run: %.3f s wall, %.3f s CPU (not counted: the bench's watch thread, %.3f s)\n",
                r.returnedAt - r.clickAt, r.cpuAtReturn - r.cpuAtClick, r.watcherCpu);
    std::fflush(stdout);
    return {true, seen->t - started->t, seen->cpu - started->cpu};
}

QString waitCpuBenchmark(double vantroDelay, bool &pass)
{
    std::printf("== 2. CPU while VANTRO takes %.0f s to answer: 1 site, the other stand-ins at once\n", vantroDelay);
    std::printf("-- 2a. the stand-ins as they are\n");
    std::fflush(stdout);
    const WaitCpu plain = waitCpuRun(vantroDelay, false);
    std::printf("-- 2b. VANTRO's open flag already up when the run first looks (a companion that raises it fast)\n");
    std::fflush(stdout);
    const WaitCpu early = waitCpuRun(vantroDelay, true);
    if (!plain.complete || !early.complete) {
        pass = false;
        return QStringLiteral("RESULT 2 CPU during a %1 s wait for VANTRO: FAIL (run incomplete)").arg(vantroDelay);
    }
    // The target holds for the worse of the two.
    const WaitCpu &worse = early.cpu > plain.cpu ? early : plain;
    pass = worse.cpu < 0.010;
    return QStringLiteral("RESULT 2 CPU during a %1 s wait for VANTRO (\"Got to 3\" -> answer seen): %2 s over %3 s "
                          "(flag up at first look: %4 s; flag not yet up: %5 s) target < 0.010 s: %6")
        .arg(vantroDelay)
        .arg(worse.cpu, 0, 'f', 3)
        .arg(worse.wait, 0, 'f', 2)
        .arg(early.cpu, 0, 'f', 3)
        .arg(plain.cpu, 0, 'f', 3)
        .arg(pass ? "PASS" : "FAIL");
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    int sites = 5;
    double vantroDelay = 20;
    QString only;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--sites") && i + 1 < args.size())
            sites = std::max(1, args[++i].toInt());
        else if (args[i] == QLatin1String("--vantro-delay") && i + 1 < args.size())
            vantroDelay = args[++i].toDouble();
        else if (args[i] == QLatin1String("--only") && i + 1 < args.size())
            only = args[++i];
        else {
            std::printf("usage: bench_run [--sites N] [--vantro-delay S] [--only 1|2]\n");
            return 2;
        }
    }

    // The program's own timing, as a user runs it.
    const RunTiming &t = RunTiming::current();
    if (t.replyPollMs != 3000 || t.pacingPeriod != 1.0)
        qFatal("the run timing is not the program's own");

    bool ok = true;
    QStringList results;
    bool pass = false;
    if (only.isEmpty() || only == QLatin1String("1")) {
        results << overheadBenchmark(sites, pass);
        ok = ok && pass;
    }
    if (only.isEmpty() || only == QLatin1String("2")) {
        results << waitCpuBenchmark(vantroDelay, pass);
        ok = ok && pass;
    }
    std::printf("\n");
    for (const QString &line : results)
        std::printf("%s\n", qPrintable(line));
    return ok ? 0 : 1;
}
