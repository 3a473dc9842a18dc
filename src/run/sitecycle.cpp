// The work of the forecast run for one site: staging, DORLIQ, VANTRO, the output copies,
// PELTHOR, the collected text, the PNG conversion and the user's batch file.
#include "forecastrun.h"

#include "core/showntext.h"
#include "core/clock.h"
#include "core/dialogs.h"
#include "app/mainwindow.h"
#include "companions/companionopen.h"
#include "companions/drivepaths.h"
#include "companions/launchreport.h"
#include "companions/replypoll.h"
#include "files/errors.h"
#include "files/fileops.h"
#include "files/listreader.h"
#include "files/records.h"
#include "run/pelini.h"
#include "sites/sitefiles.h"

#include <QDir>
#include <QFileInfo>

namespace kess {

void ForecastRun::siteCycle(int site)
{
    Outcome outcome = Outcome::Done;
    if (s.runListFlags[site] == 1)
        outcome = forecastSite(site);
    settleCompanionRecords(false);
    if (outcome == Outcome::Done && s.convertBmpToPng == 1)
        pngStep(site);
    batchStep(site);
}

void ForecastRun::abandon(int site, const QString &why)
{
    m_log.mark(QStringLiteral("Site %1 abandoned: %2").arg(site).arg(why));
    m_status.skipped(site, why);
}

bool ForecastRun::stage(int site)
{
    const auto copies = stagingCopies(site, s.noFdataFiles == 0, s.noEcdataFiles == 0);
    for (int i = 0; i < copies.size(); ++i) {
        try {
            copyFile(copies[i].first, copies[i].second, Flush::Cached);
        } catch (const FileError &e) {
            notice(QStringLiteral("Site %1 was skipped in this run: its file %2 could not be copied to %3 (%4).")
                       .arg(site)
                       .arg(copies[i].first, copies[i].second, e.reason));
            abandon(site, QStringLiteral("could not copy ") + copies[i].first);
            return false;
        }
        if (i == 0)
            m_log.mark(QStringLiteral("Got to 1.5"));
    }
    m_log.mark(QStringLiteral("Got to 1.6"));
    return true;
}

void ForecastRun::dorliqClosedWait()
{
    // Before DORLIQ starts for the site, the copy before it must have closed.
    const QString flag = QStringLiteral("dorliqopen.txt");
    double openValue = 0;
    const double waitStart = Clock::timeOfDay();
    const qint64 bound = Clock::monotonicMs() + RunTiming::current().dorliqDeadlineMs(s.dorliqWaitLimit);
    for (bool first = true;; first = false) {
        if (first)
            pace();
        else
            paceNext();
        s.trace(18, flag);
        try {
            openValue = ListReader::open(flag).readNumber();
        } catch (const FileError &e) {
            if (withinRetryGrace(waitStart))
                continue;
            trapReport(444, e.number, openValue);
            return;
        }
        if (openValue == 2) {
            // A time-limit answer nobody took: it must not pass for this site's answer.
            m_log.mark(QStringLiteral("dorliqopen.txt still held an old time-limit answer; cleared"));
            takeTimeLimitAnswer();
            return;
        }
        if (openValue != 1)
            return;
        if (m_dorliq.gaveUp()) {
            // The copy this run started has ended and left its flag behind.
            clearStaleFlag(18, flag, QStringLiteral("DORLIQ"), m_dorliq);
            return;
        }
        if (m_dorliq.pastDeadline() || Clock::monotonicMs() >= bound) {
            const auto ending = m_dorliq.end();
            m_log.mark(QStringLiteral("dorliqopen.txt still says open after DORLIQ's time (%1); going on")
                           .arg(QLatin1String(CompanionWatch::describe(ending))));
            return;
        }
    }
}

void ForecastRun::takeTimeLimitAnswer()
{
    s.trace(18, QStringLiteral("dorliqopen.txt"));
    try {
        writeLines(QStringLiteral("dorliqopen.txt"), {printForm(0)});
    } catch (const FileError &e) {
        fileTrouble(e);
    }
}

ForecastRun::FlagWait ForecastRun::waitWhileOpen(int fileNumber, const QString &flagFile, CompanionWatch &watch,
                                                 qint64 boundMs, const QTimer *answerPoll)
{
    const qint64 bound = Clock::monotonicMs() + boundMs;
    for (bool first = true;; first = false) {
        if (first)
            pace();
        else if (answerPoll)
            paceBeforeTick(answerPoll);
        else
            paceNext();
        const auto value = readFlagFile(s, fileNumber, flagFile);
        if (!value || *value != 1)
            return value == 2.0 ? FlagWait::TimeLimit : FlagWait::Closed;
        if (watch.gaveUp())
            return FlagWait::Gone;
        if (watch.pastDeadline() || Clock::monotonicMs() >= bound)
            return FlagWait::Deadline;
    }
}

void ForecastRun::loseSite(int site, CompanionWatch &watch, const QString &what, WaitEnd why)
{
    QString reason;
    bool ended = why == WaitEnd::Gone;
    switch (why) {
    case WaitEnd::Gone:
        reason = what + QStringLiteral(" ended without answering");
        break;
    case WaitEnd::Deadline: {
        const qint64 minutes = (what == QLatin1String("DORLIQ")
                                    ? RunTiming::current().dorliqDeadlineMs(s.dorliqWaitLimit)
                                    : RunTiming::current().companionDeadlineMs) / 60000;
        const CompanionWatch::Ending ending = watch.end();
        ended = ending != CompanionWatch::Ending::StillThere;
        reason = what + QStringLiteral(" did not answer within its time (%1 min); ").arg(minutes) +
                 QLatin1String(CompanionWatch::describe(ending));
        break;
    }
    case WaitEnd::Stopped:
        reason = what + QStringLiteral(" passed the time limit");
        break;
    case WaitEnd::Answered:
        break;
    }
    // Once the program has ended, a flag it left at 1 would hold up the next site's wait.
    if (ended)
        what == QLatin1String("DORLIQ") ? clearStaleFlag(18, QStringLiteral("dorliqopen.txt"), what, watch)
                                        : clearStaleFlag(17, QStringLiteral("vantroopen.txt"), what, watch);
    watch.forget();
    abandon(site, reason);
}

ForecastRun::Outcome ForecastRun::forecastSite(int site)
{
    const QString code = s.siteCodes[site];
    const QString prefix = codePrefix(code);
    showPlainText(w.Label2, code + QStringLiteral(" ") + s.siteNames[site]);
    m_status.site(site);
    if (const QString why = unusableSiteCode(code); !why.isEmpty()) {
        notice(QStringLiteral("Site %1 was skipped in this run: %2.").arg(site).arg(why));
        abandon(site, why);
        return Outcome::Abandoned;
    }

    // 2-3. Tell DORLIQ it gathers for a site, and put the site's files in place.
    try {
        s.modeCode = 3;
        s.trace(1, QStringLiteral("imcode.txt"));
        m_log.mark(QStringLiteral("Got to 1.4"));
        writeModeCode(s, 3);
    } catch (const FileError &e) {
        fileTrouble(e);
    }
    waitForPelthorStart();
    if (!stage(site))
        return Outcome::Abandoned;

    // 4-7. DORLIQ for the site.
    dorliqClosedWait();
    m_log.mark(QStringLiteral("Got to 2"));
    if (!startDorliq().ok()) {
        abandon(site, QStringLiteral("DORLIQ could not be started"));
        return Outcome::Abandoned;
    }
    m_log.mark(QStringLiteral("Got to 2.1"));
    const qint64 dorliqTime = RunTiming::current().dorliqDeadlineMs(s.dorliqWaitLimit);
    switch (waitWhileOpen(18, QStringLiteral("dorliqopen.txt"), m_dorliq, dorliqTime)) {
    case FlagWait::Closed:
        break;
    case FlagWait::TimeLimit:
        // DORLIQ writes 2 and closes; once it has gone the answer is taken (0 written back), so
        // it cannot count for the next site, and nothing of this DORLIQ reaches the next site.
        m_dorliq.end(RunTiming::current().killAfterMs);
        takeTimeLimitAnswer();
        loseSite(site, m_dorliq, QStringLiteral("DORLIQ"), WaitEnd::Stopped);
        return Outcome::Abandoned;
    case FlagWait::Gone:
        loseSite(site, m_dorliq, QStringLiteral("DORLIQ"), WaitEnd::Gone);
        return Outcome::Abandoned;
    case FlagWait::Deadline:
        loseSite(site, m_dorliq, QStringLiteral("DORLIQ"), WaitEnd::Deadline);
        return Outcome::Abandoned;
    }
    m_log.mark(QStringLiteral("Got to 2.2"));
    bool timeLimit = false;
    const WaitEnd dorliqAnswer = waitForModeReply(s, w.Timer1, 4, m_dorliq, [this, &timeLimit] {
        // DORLIQ gives up on a site by writing 2 into its flag instead of answering; the look
        // is paced like every other read of the flag, once a second.
        timeLimit = readFlagFile(s, 18, QStringLiteral("dorliqopen.txt")) == 2.0;
        return timeLimit;
    });
    if (dorliqAnswer == WaitEnd::Stopped) {
        m_dorliq.end(RunTiming::current().killAfterMs);
        takeTimeLimitAnswer();
    }
    if (dorliqAnswer != WaitEnd::Answered) {
        loseSite(site, m_dorliq, QStringLiteral("DORLIQ"), dorliqAnswer);
        return Outcome::Abandoned;
    }

    // 8-10. The missing-data rule.
    try {
        writeModeCode(s, 5);
    } catch (const FileError &e) {
        fileTrouble(e);
    }
    pace();
    const double gfsMissing = readFlagFile(s, 15, QStringLiteral("gfsmissing.txt")).value_or(0);
    pace();
    const double locMissing = readFlagFile(s, 16, QStringLiteral("locmissing.txt")).value_or(0);
    if ((w.exmodchk->isChecked() && gfsMissing == 1) || (w.locchk->isChecked() && locMissing == 1)) {
        abandon(site, QStringLiteral("DORLIQ did not find the data this site needs"));
        return Outcome::Abandoned;
    }

    // 11-15. VANTRO computes the forecast.
    CompanionWatch previousVantro = m_vantro;
    switch (waitWhileOpen(17, QStringLiteral("vantroopen.txt"), previousVantro,
                          RunTiming::current().companionDeadlineMs)) {
    case FlagWait::Deadline:
        m_log.mark(QStringLiteral("vantroopen.txt still says open after VANTRO's time (%1); going on")
                       .arg(QLatin1String(CompanionWatch::describe(previousVantro.end()))));
        break;
    case FlagWait::Gone:
        clearStaleFlag(17, QStringLiteral("vantroopen.txt"), QStringLiteral("VANTRO"), previousVantro);
        break;
    default:
        break;
    }
    s.copySource = siteFileName(QStringLiteral("r"), site);
    s.copyDestination = QStringLiteral("pelini.txt");
    try {
        copyFile(s.copySource, s.copyDestination, Flush::Cached);
    } catch (const FileError &e) {
        m_log.mark(QStringLiteral("Site %1: %2 not copied to %3: %4").arg(site).arg(s.copySource, s.copyDestination, e.reason));
    }
    if (!startVantro().ok()) {
        abandon(site, QStringLiteral("VANTRO could not be started"));
        return Outcome::Abandoned;
    }
    m_log.mark(QStringLiteral("Got to 3"));
    WaitEnd vantroAnswer = WaitEnd::Answered;
    switch (waitWhileOpen(17, QStringLiteral("vantroopen.txt"), m_vantro, RunTiming::current().companionDeadlineMs,
                          w.Timer1)) {
    case FlagWait::Gone:
        vantroAnswer = WaitEnd::Gone;
        break;
    case FlagWait::Deadline:
        vantroAnswer = WaitEnd::Deadline;
        break;
    default:
        vantroAnswer = waitForModeReply(s, w.Timer1, 6, m_vantro);
    }
    if (vantroAnswer != WaitEnd::Answered) {
        loseSite(site, m_vantro, QStringLiteral("VANTRO"), vantroAnswer);
        return Outcome::Abandoned;
    }

    // 16. The outputs under the site's own names.
    if (!outputCopies(site, prefix))
        return Outcome::Abandoned;

    // 17-19. PELTHOR verifies; its settings are read back for the lastpel copy.
    s.trace(14, QStringLiteral("autopel.txt"));
    try {
        writeRecord(QStringLiteral("autopel.txt"), 1);
    } catch (const FileError &e) {
        m_log.mark(QStringLiteral("Site %1: autopel.txt not written: %2").arg(site).arg(e.reason));
    }
    // PELTHOR runs beside the next sites; one still running long after its time is ended
    // before the next is started.
    if (m_pelthor.pastDeadline()) {
        const auto ending = m_pelthor.end();
        if (ending != CompanionWatch::Ending::AlreadyGone)
            m_log.mark(QStringLiteral("PELTHOR of an earlier site was still running after its time; ") +
                       QLatin1String(CompanionWatch::describe(ending)));
    }
    const qint64 lastTask = s.lastLaunchTaskId;
    m_pelthorFlagBefore = QFileInfo(QStringLiteral("pelthoropen.txt")).lastModified();
    w.companionOpen().openPelthor();
    if (s.lastLaunchTaskId != lastTask) {
        m_pelthor.started(s.lastLaunchTaskId, RunTiming::current().companionDeadlineMs);
        m_pelthorStarting = true;
    }
    m_log.mark(QStringLiteral("Got to 4"));
    try {
        readpelini(s);
    } catch (const FileError &) {
    }
    checkPelthorFolder(site);
    s.copySource = s.workingFolder + QStringLiteral("lastpel.txt");
    s.copyDestination = s.workingFolder + QStringLiteral("lastpel") + prefix + QStringLiteral(".txt");
    const HostPath from = hostPath(s.copySource);
    const HostPath to = hostPath(s.copyDestination);
    if (!from.ok() || !to.ok()) {
        // A folder that cannot be found here is no lastpel file that happens to be missing.
        const QString why = from.ok() ? to.problem : from.problem;
        m_log.mark(QStringLiteral("Site %1: lastpel.txt not copied: %2").arg(site).arg(why));
        m_status.trouble(QStringLiteral("lastpel.txt of site %1 not copied (%2)").arg(site).arg(why));
    } else {
        try {
            copyFile(from.path, to.path, Flush::Cached);
        } catch (const FileError &e) {
            outputLost(site, s.copySource, s.copyDestination, e);
        }
    }

    // 20-21.
    showPlainText(w.Label8, code + QStringLiteral(" ") + s.siteNames[site]);
    appendForecastText(site);
    m_status.forecast(site);
    return Outcome::Done;
}

bool ForecastRun::outputCopies(int site, const QString &prefix)
{
    struct Copy {
        QString from, to;
        bool critical;
    };
    QList<Copy> copies{
        {QStringLiteral("latest.vnf"), QStringLiteral("latest") + prefix + QStringLiteral(".vnf"), true},
        {QStringLiteral("latest.txt"), QStringLiteral("latest") + prefix + QStringLiteral(".txt"), true},
        {QStringLiteral("latest.csv"), QStringLiteral("latest") + prefix + QStringLiteral(".csv"), true},
        {QStringLiteral("latestdaily.csv"), QStringLiteral("latestdaily") + prefix + QStringLiteral(".csv"), true},
        {QStringLiteral("plaintext.txt"), QStringLiteral("plaintext") + prefix + QStringLiteral(".txt"), true},
        {QStringLiteral("latestturbine.csv"), QStringLiteral("latestturbine") + prefix + QStringLiteral(".csv"), false},
        {QStringLiteral("snowrec.txt"), siteFileName(QStringLiteral("snowrec"), site), false},
    };
    if (site == 1)
        copies.append({QStringLiteral("snowrec.txt"), QStringLiteral("snowrec0.txt"), false});
    copies.append({QStringLiteral("ecdata.txt"), siteFileName(QStringLiteral("ecdata"), site), false});
    if (site == 1)
        copies.append({QStringLiteral("ecdata.txt"), QStringLiteral("ecdata0.txt"), false});

    // Working copies that the next run writes again: renamed into place, not flushed one by one.
    for (const Copy &c : copies) {
        s.copySource = c.from;
        s.copyDestination = c.to;
        try {
            copyFile(c.from, c.to, Flush::Cached);
        } catch (const FileError &e) {
            if (!c.critical) {
                outputLost(site, c.from, c.to, e);
                continue;
            }
            notice(QStringLiteral("Site %1: the forecast output %2 could not be copied to %3 (%4).  "
                                  "The site is skipped in this run.")
                       .arg(site)
                       .arg(c.from, c.to, e.reason));
            abandon(site, QStringLiteral("could not copy ") + c.from);
            return false;
        }
    }
    return true;
}

void ForecastRun::outputLost(int site, const QString &from, const QString &to, const FileError &e)
{
    // A source the companion did not leave (PELTHOR writes "lastpel.txt" only after it has been
    // started) loses nothing; a copy that failed leaves the site's output where it is not looked for.
    if (e.number == ErrFileNotFound)
        return;
    m_log.mark(QStringLiteral("Site %1: %2 not copied to %3: %4").arg(site).arg(from, to, e.reason));
    m_status.trouble(QStringLiteral("site %1's %2 not copied to %3").arg(site).arg(from, to));
}

void ForecastRun::appendForecastText(int site)
{
    if (!m_textAll.isOpen())
        return;
    bool written = true;
    for (const QString &name : {QStringLiteral("plaintext.txt"), QStringLiteral("summary.txt")}) {
        s.trace(6, name);
        try {
            ListReader r(readBytes(name));
            while (!r.atEndOfData())
                written &= m_textAll.write(r.readLineBytes() + "\r\n") >= 0; // the companion's bytes, unchanged
        } catch (const FileError &) {
        }
    }
    written &= m_textAll.write(" \r\n" + QByteArray(61, '-') + "\r\n \r\n") >= 0;
    written &= m_textAll.flush();
    if (!written) {
        m_log.mark(QStringLiteral("Site %1: textall.txt could not be written: %2").arg(site).arg(m_textAll.errorString()));
        m_status.trouble(QStringLiteral("site %1's forecast text not written to textall.txt").arg(site));
    }
}

void ForecastRun::checkPelthorFolder(int site)
{
    // The folder comes from the site's PELTHOR settings as an absolute path: in a copied working
    // folder it still names the original, whose lastpel files and PNGs this run then uses.
    const HostPath folder = hostPath(s.workingFolder);
    if (!folder.ok())
        return; // the lastpel copy says so
    const QString here = QDir::current().canonicalPath();
    QString there = QFileInfo(folder.path).canonicalFilePath();
    if (there.isEmpty())
        there = QDir::cleanPath(QDir::current().absoluteFilePath(folder.path));
    if (there == here || there.startsWith(here + u'/'))
        return;
    m_log.mark(QStringLiteral("Site %1: its PELTHOR folder %2 is outside the working folder %3; "
                              "the lastpel files and PNGs are read and written there")
                   .arg(site)
                   .arg(s.workingFolder, QDir::toNativeSeparators(here)));
}

void ForecastRun::pngStep(int site)
{
    checkConversions();
    const PngConversion conversion = pngConversion(w.ivtx->text(), s.workingFolder, s.pngTargetFolder);
    s.trace(8, QStringLiteral("bmppng.bat"));
    try {
        writeLines(QStringLiteral("bmppng.bat"), {conversion.commandLine()});
    } catch (const FileError &e) {
        pngFailed(site, e.reason);
        return;
    }
#ifdef Q_OS_WIN
    const LaunchResult r = startAndReport(s, QStringLiteral("bmppng.bat"));
#else
    // "bmppng.bat" stays for the user to read, but its text comes from settings files: no shell
    // reads it here. The converter gets the same values, each one a whole argument: the folders
    // as found here, or in Windows form for a converter that runs under Wine.
    QStringList problems;
    const auto found = [&problems](const QString &value) {
        const HostPath mapped = hostPath(value);
        if (!mapped.ok())
            problems << mapped.problem;
        return mapped.path;
    };
    const QString viewer = found(withSeparator(w.ivtx->text()) + QStringLiteral("i_view32.exe"));
    const QString bmps = found(s.workingFolder);
    const bool ownTarget = s.pngTargetFolder != QLatin1String("\\");
    const QString pngs = ownTarget ? found(s.pngTargetFolder) : s.pngTargetFolder;
    if (!problems.isEmpty()) {
        pngFailed(site, problems.join(QStringLiteral("; ")));
        return;
    }
    const bool underWine = startsUnderWine(viewer);
    const QStringList arguments =
        underWine ? pngConversion({}, windowsPath(bmps), ownTarget ? windowsPath(pngs) : pngs).arguments
                  : pngConversion({}, bmps, pngs).arguments;
    const LaunchResult r = startAndReport(s, viewer, false, arguments);
#endif
    if (r.ok())
        m_conversions.append({site, r.pid});
    else
        pngFailed(site, r.reason);
}

void ForecastRun::checkConversions(int waitMs)
{
    const qint64 until = Clock::monotonicMs() + waitMs;
    for (;;) {
        m_conversions.removeIf([this](const QPair<int, qint64> &c) {
            if (processAlive(c.second))
                return false;
            const std::optional<int> code = exitCode(c.second);
            if (code && *code != 0)
                pngFailed(c.first, QStringLiteral("the converter ended with exit code %1").arg(*code));
            return true;
        });
        if (m_conversions.isEmpty() || Clock::monotonicMs() >= until)
            break;
        yieldFor(100);
    }
    if (waitMs <= 0)
        return;
    for (const auto &c : std::as_const(m_conversions))
        m_log.mark(QStringLiteral("Site %1: PNG conversion still running at the end of the run").arg(c.first));
    m_conversions.clear();
}

void ForecastRun::pngFailed(int site, const QString &why)
{
    m_log.mark(QStringLiteral("Site %1: PNG conversion failed: %2").arg(site).arg(why));
    m_status.trouble(QStringLiteral("PNG conversion after site %1 failed (%2)").arg(site).arg(why));
}

void ForecastRun::batchStep(int site)
{
    if (s.runBatchFile != 1 || (site != s.siteCount && site != 25))
        return;
    s.batchFile = w.exbattx->text();
    const LaunchResult r = startAndReport(s, s.batchFile);
    if (r.ok()) {
        m_log.mark(QStringLiteral("Batch file %1 started after site %2, %3").arg(s.batchFile).arg(site).arg(r.via));
        return;
    }
    m_log.mark(QStringLiteral("Batch file not started after site %1: %2").arg(site).arg(r.reason));
    m_status.trouble(QStringLiteral("batch file not started after site %1 (%2)").arg(site).arg(r.reason));
}

} // namespace kess
