#include "forecastrun.h"

#include "core/clock.h"
#include "core/dialogs.h"
#include "core/rungate.h"
#include "app/mainwindow.h"
#include "companions/companionopen.h"
#include "companions/launchreport.h"
#include "companions/replypoll.h"
#include "files/errors.h"
#include "files/fileops.h"
#include "files/listreader.h"
#include "files/records.h"
#include "settings/sitesettings.h"
#include "sites/sitefiles.h"

#include <QFileInfo>

namespace kess {

namespace {

const QString kVantroQuestion = QStringLiteral(
    "All running copies of VANTRO must be closed.  If one or more copies are open (you may want to use Windows Task "
    "Manager to check), please close them and THEN click 'Yes'.  If you are SURE none are open, then click 'No'.  "
    "After either of these actions, you may try running forecasts immediately or via the scheduler again.");
const QString kDorliqQuestion = QStringLiteral(
    "All running copies of DORLIQ must be closed.  If one or more copies are open (you may want to use Windows Task "
    "Manager to check), please close them and THEN click 'Yes'.  If you are SURE none are open, then click 'No'.  "
    "After either of these actions, you may try running forecasts immediately or via the scheduler again.");
const QString kTimeLimit = QStringLiteral(
    "Past user-defined time limit for finding initial surface or upper air data.  Please make sure your internet "
    "connection is good.  This run will be aborted.");
const QString kSeaTemperatureIntro = QStringLiteral(
    "The following sites have stored sea temperatures more than 1.5 C (2.7 F) degrees different from climatological "
    "normals for this date (the maximum deviation allowed is twice that).  If you have not checked these recently, "
    "you are advised to do so and open VANTRO for these sites through KESSAMIR.  Then, click on Diurnal Breeze and "
    "either accept the default value that appears, or change it to the current value.  Then leave that form, exit "
    "VANTRO, and save the changes for that site only in KESSAMIR.");
const QString kSeaTemperatureOutro = QStringLiteral(
    "An alternative is to check the 'Use default water temps' box.  This directs VANTRO to use its own default water "
    "temperatures, which may be slightly less accurate, but much more convenient, as water temperatures will remain "
    "at climatological normals and this message will not appear again.");

// The most sites the sea-temperature message lists; the run log holds them all.
constexpr qsizetype kSeaTemperatureShown = 50;

} // namespace

bool RunLog::create()
{
    try {
        openFreshForWriting(m_file, m_name);
        return true;
    } catch (const FileError &) {
        return false;
    }
}

void RunLog::mark(const QString &line)
{
    if (!m_file.isOpen())
        return;
    // The lines a mark means to write stay lines; a NUL, a lone CR or LF in a value from a file
    // (a site's code or name) is replaced, so it never starts a line of its own.
    QStringList lines = line.split(QStringLiteral("\r\n"));
    for (QString &l : lines)
        l = withoutControls(l);
    m_file.write(encodeText(lines.join(QStringLiteral("\r\n"))) + "\r\n");
    m_file.flush();
}

ForecastRun::ForecastRun(MainWindow &window) : w(window), s(window.state)
{
    QObject::connect(w.Command2, &QPushButton::clicked, &w, [this] { run(); });
    QObject::connect(w.Command16, &QPushButton::clicked, &w, [this] { startVantro(); });
    QObject::connect(w.Command17, &QPushButton::clicked, &w, [this] { startDorliq(); });
}

LaunchResult ForecastRun::startVantro()
{
    const LaunchResult r = startAndReport(s, QStringLiteral("vantro.exe"));
    if (r.ok())
        m_vantro.started(r.pid, RunTiming::current().companionDeadlineMs);
    else
        m_vantro.forget();
    return r;
}

LaunchResult ForecastRun::startDorliq()
{
    const LaunchResult r = startAndReport(s, QStringLiteral("dorliq.exe"));
    if (r.ok())
        m_dorliq.started(r.pid, RunTiming::current().dorliqDeadlineMs(s.dorliqWaitLimit));
    else
        m_dorliq.forget();
    return r;
}

QString ForecastRun::codePrefix(const QString &siteCode)
{
    qsizetype i = 0;
    while (i < siteCode.size() && siteCode[i] == u' ')
        ++i;
    return siteCode.mid(i, 3);
}

ForecastRun::PngConversion ForecastRun::pngConversion(const QString &irfanViewFolder, const QString &workingFolder,
                                                     const QString &pngTargetFolder)
{
    const QString viewer = withSeparator(irfanViewFolder);
    QString pngFolder = workingFolder;
    if (pngTargetFolder != QLatin1String("\\"))
        pngFolder = pngTargetFolder;
    pngFolder = withSeparator(pngFolder);
    return {viewer + QStringLiteral("i_view32.exe"),
            {workingFolder + QStringLiteral("*.bmp"), QStringLiteral("/convert=") + pngFolder + QStringLiteral("*.png")}};
}

QString ForecastRun::PngConversion::commandLine() const
{
    return QStringLiteral("\"") + program + QStringLiteral("\" ") + arguments.join(u' ');
}

QString ForecastRun::unusableSiteCode(const QString &siteCode)
{
    const QString prefix = codePrefix(siteCode);
    if (prefix.isEmpty())
        return QStringLiteral("its site code is empty");
    for (const QChar c : prefix) {
        if (c.unicode() < 32 || c == u'/' || c == u'\\' || c == u':')
            return QStringLiteral("its site code cannot make a file name");
    }
    return {};
}

void ForecastRun::notice(const QString &text)
{
    if (s.skipNonCriticalMessages == 0)
        Dialogs::notify(text);
}

void ForecastRun::fileTrouble(const FileError &e)
{
    notice(errorReport(e.number, s.lastFileNumber, s.lastFileName) + QStringLiteral("\n") + e.reason);
}

void ForecastRun::trapReport(int where, int error, double openValue)
{
    notice(QStringLiteral("Trapped in loop at %1 more than 5 seconds with error %2 file number %3 file name %4 dqof = %5")
               .arg(where)
               .arg(error)
               .arg(s.lastFileNumber)
               .arg(s.lastFileName)
               .arg(numberText(openValue)));
}

QString ForecastRun::noSitesNotice()
{
    return QStringLiteral("No forecast run: this working folder has no sites (its run list \"runlist.txt\" is missing "
                          "or empty).  Open the working folder of the companion programs, or make a demo folder.");
}

void ForecastRun::run(RunStart how, const QString &delayNote)
{
    // Someone who clicked is at the desk: the unsaved-settings question comes before the run
    // changes anything, while Save can still save.
    if (s.siteCount == 0) {
        // Nothing to forecast: said in words, with no error number, no run record and no
        // notification.
        Dialogs::notifyNonBlocking(noSitesNotice());
        return;
    }
    if (how == RunStart::Immediate && !w.runGate.busy())
        w.unsavedSettingsCheck();
    RunGate::Hold hold(w.runGate);
    if (!hold.acquired()) {
        notifyRunUnderWay();
        return;
    }
    m_scheduled = how == RunStart::Scheduled;
    m_workingFilesChanged = false;
    // Edits still unsaved (nobody answered, or Save could not save them) would be overwritten by
    // the staging: they wait aside for the length of the run.
    const std::optional<UnsavedEdits> kept = w.siteSettings().keepUnsavedEdits();
    m_status.begin(how);
    runSequence(delayNote, kept.has_value());
    m_status.end();
    m_log.close();
    if (m_textAll.isOpen())
        m_textAll.close();
    // The PELTHOR the run opened leaves its "Choose either ..." prompt, but only the user's own
    // edits can be saved or dropped.
    w.Label12->clear();
    if (kept)
        for (const QString &problem : w.siteSettings().putBack(*kept, m_workingFilesChanged))
            notice(QStringLiteral("An unsaved settings file could not be put back after the run: ") + problem);
}

void ForecastRun::runSequence(const QString &delayNote, bool editsKeptAside)
{
    // 1-2. Start the log and keep the user off the site list and the companion buttons.
    s.forecastRunInProgress = true;
    const bool logged = m_log.create();
    s.forecastRunInProgressFlag = 1;
    w.List1->setEnabled(false);
    for (QPushButton *b : {w.Command4, w.Command5, w.Command6, w.Command12, w.Command13, w.Command8, w.Command9})
        b->setEnabled(false);
    w.Label16->setText(QStringLiteral("Click on a site to enable these:"));
    if (!logged)
        notice(QStringLiteral("The run log kesslog.txt could not be created; the run goes on without it."));
    m_log.mark(QStringLiteral("Got to 0"));
    if (!delayNote.isEmpty())
        m_log.mark(delayNote);
    if (editsKeptAside)
        m_log.mark(QStringLiteral("Unsaved site settings kept aside for this run; they are put back when it ends"));

    // 3. The settings files the companion programs read for this run.
    const std::pair<QString, double> settings[] = {
        {QStringLiteral("timelimit.txt"), s.dorliqWaitLimit},
        {QStringLiteral("lasthr.txt"), double(s.bootWithWholeHour)},
        {QStringLiteral("defst.txt"), double(s.useDefaultWaterTemps)},
    };
    for (const auto &[name, value] : settings) {
        s.trace(18, name);
        try {
            writeRecord(name, value);
        } catch (const FileError &e) {
            fileTrouble(e);
        }
    }
    m_log.mark(QStringLiteral("Got to 0.1"));

    // 4-5. No copy of VANTRO or DORLIQ may still be open. A 1 found now is never taken for
    // stale: an earlier run's companions are no longer known, and one opened for settings since
    // writes the same flag.
    if (!checkNotOpen(17, QStringLiteral("vantroopen.txt"), QStringLiteral("Got to 0.2"), kVantroQuestion,
                      QStringLiteral("VANTRO")))
        return releaseAfterAbort();
    if (!checkNotOpen(18, QStringLiteral("dorliqopen.txt"), QStringLiteral("Got to 0.3"), kDorliqQuestion,
                      QStringLiteral("DORLIQ")))
        return releaseAfterAbort();

    // 6. An empty box means no alternate folder for the PNG files.
    const QString target = w.pngtar->text();
    s.pngTargetFolder = target.isEmpty() ? QStringLiteral("\\") : withSeparator(target);

    // 7-9. The generic settings in place, and DORLIQ told to gather the initial data.
    w.unsavedSettingsCheck();
    m_workingFilesChanged = true;
    restoreGenericSettings();
    try {
        writeModeCode(s, 1);
    } catch (const FileError &e) {
        fileTrouble(e);
    }
    m_log.mark(QStringLiteral("Got to 0.4"));

    // 10-11.
    const LaunchResult dorliq = startDorliq();
    w.Timer1->setInterval(RunTiming::current().replyPollMs);
    w.Timer1->start();
    m_log.mark(QStringLiteral("Got to 1"));
    if (!dorliq.ok()) {
        m_log.mark(QStringLiteral("DORLIQ could not be started for the initial data; run aborted"));
        m_status.aborted(QStringLiteral("DORLIQ could not be started for the initial data"));
        return releaseAfterAbort();
    }
    if (!initialDorliqWait())
        return releaseAfterAbort();

    // 12-13. Every site in turn.
    s.trace(5, QStringLiteral("textall.txt"));
    try {
        openFreshForWriting(m_textAll, QStringLiteral("textall.txt"));
    } catch (const FileError &e) {
        notice(errorReport(e.number, s.lastFileNumber, s.lastFileName));
    }
    m_log.mark(QStringLiteral("Got to 1.3"));
    m_conversions.clear();
    for (int site = 1; site <= s.siteCount; ++site)
        siteCycle(site);
    waitForPelthorStart();
    checkConversions(RunTiming::current().conversionWaitMs);

    // 14-15.
    m_textAll.close();
    m_log.mark(QStringLiteral("Got to 5"));
    w.Label2->setText(QStringLiteral("(forecasts complete)"));
    m_status.completed();
    w.Timer1->stop();
    try {
        writeModeCode(s, 1);
    } catch (const FileError &e) {
        fileTrouble(e);
    }
    m_log.mark(QStringLiteral("Got to 7"));

    // 16.
    seaTemperatureCheck();
    settleCompanionRecords(true);

    // 17-18. The window back to the user, the companion programs told the run is over.
    w.List1->setEnabled(true);
    w.Command8->setEnabled(true);
    w.Command9->setEnabled(true);
    s.forecastRunInProgressFlag = 0;
    m_log.mark(QStringLiteral("Got to 11"));
    m_log.close();
    s.forecastRunInProgress = false;
    try {
        writeModeCode(s, 0);
    } catch (const FileError &e) {
        fileTrouble(e);
    }
    restoreGenericSettings();
}

void ForecastRun::releaseAfterAbort()
{
    // An aborted run keeps its log up to the abort and leaves "textall.txt" alone, but gives the
    // window back as a finished run does: nothing else could ever release it when no later run
    // can end normally (DORLIQ missing, say).
    settleCompanionRecords(true);
    w.Timer1->stop();
    w.List1->setEnabled(true);
    w.Command8->setEnabled(true);
    w.Command9->setEnabled(true);
    s.forecastRunInProgressFlag = 0;
    s.forecastRunInProgress = false;
    try {
        writeModeCode(s, 0);
    } catch (const FileError &e) {
        fileTrouble(e);
    }
}

void ForecastRun::restoreGenericSettings()
{
    const StagingResult copied = putGenericSettingsBack();
    for (const QString &reason : copied.reasons)
        notice(QStringLiteral("The generic settings could not be put in place: ") + reason);
}

bool ForecastRun::checkNotOpen(int fileNumber, const QString &flagFile, const QString &mark, const QString &question,
                               const QString &program)
{
    pace();
    const bool logBeforeOpen = fileNumber == 18;
    if (logBeforeOpen)
        m_log.mark(mark);
    s.trace(fileNumber, flagFile);
    std::optional<double> value;
    try {
        ListReader r = ListReader::open(flagFile);
        if (!logBeforeOpen)
            m_log.mark(mark);
        value = r.readNumber();
    } catch (const FileError &) {
        return true; // unreadable counts as not open
    }
    if (value != 1.0)
        return true;
    if (m_scheduled) {
        // Nobody may be there to answer: look for the program instead of asking.
        const QString exe = program.toLower() + QStringLiteral(".exe");
        if (!w.companionOpen().openedStillRunning(exe) && !programRunning(exe)) {
            if (kess::clearStaleFlag(s, fileNumber, flagFile, QDateTime::currentMSecsSinceEpoch()))
                m_log.mark(flagFile + QStringLiteral(" said open, but no ") + program +
                           QStringLiteral(" is running; cleared"));
            return true;
        }
        m_log.mark(program + QStringLiteral(" is still running; this scheduled run is skipped"));
        m_status.aborted(program + QStringLiteral(" was still running"));
        Dialogs::notifyNonBlocking(QStringLiteral("The scheduled forecast run was skipped: %1 is still running.  "
                                                  "The next scheduled start will try again.")
                                       .arg(program));
        return false;
    }
    if (!Dialogs::askYesNo(question)) {
        s.trace(fileNumber, flagFile);
        try {
            writeRecord(flagFile, 0);
        } catch (const FileError &e) {
            fileTrouble(e);
        }
    }
    m_status.aborted(flagFile + QStringLiteral(" said a copy was still open"));
    return false; // aborted either way: the user starts the run again
}

void ForecastRun::clearStaleFlag(int fileNumber, const QString &flagFile, const QString &program,
                                 const CompanionWatch &watch)
{
    if (kess::clearStaleFlag(s, fileNumber, flagFile, watch.seenEndedAtMs()))
        m_log.mark(staleFlagCleared(flagFile, program));
}

void ForecastRun::settleCompanionRecords(bool all)
{
    const struct {
        CompanionWatch &watch;
        int fileNumber;
        const char *flag, *program;
    } companions[] = {{m_dorliq, 18, "dorliqopen.txt", "DORLIQ"}, {m_vantro, 17, "vantroopen.txt", "VANTRO"}};
    // Nothing writes the flag of a program that has ended: a 1 it left there is stale. PELTHOR's
    // flag is its own to write.
    for (const auto &c : companions) {
        if (!c.watch.watching())
            continue;
        const bool ended = !c.watch.running();
        if (ended)
            clearStaleFlag(c.fileNumber, QLatin1String(c.flag), QLatin1String(c.program), c.watch);
        if (ended || all)
            c.watch.forget();
    }
    if (all) {
        m_pelthor.forget();
        m_pelthorStarting = false;
    }
}

void ForecastRun::waitForPelthorStart()
{
    if (!m_pelthorStarting)
        return;
    m_pelthorStarting = false;
    // PELTHOR reads "pelini.txt", "custinit.txt" and "cor.txt" when it starts and raises its flag
    // once it has: until then the next site's files must not replace them.
    const QString flag = QStringLiteral("pelthoropen.txt");
    const qint64 bound = Clock::monotonicMs() + RunTiming::current().pelthorStartWaitMs;
    for (bool first = true;; first = false) {
        if (first)
            pace();
        else
            paceNext();
        if (readFlagFile(s, 19, flag) == 1.0 && QFileInfo(flag).lastModified() != m_pelthorFlagBefore)
            return;
        if (!m_pelthor.running())
            return;
        if (Clock::monotonicMs() >= bound) {
            m_log.mark(QStringLiteral("PELTHOR had not shown it started after %1 s; going on")
                           .arg(RunTiming::current().pelthorStartWaitMs / 1000.0));
            return;
        }
    }
}

bool ForecastRun::initialDorliqWait()
{
    const QString flag = QStringLiteral("dorliqopen.txt");
    double openValue = 0;
    const double waitStart = Clock::timeOfDay();
    bool reported = false;
    for (bool first = true;; first = false) {
        if (first)
            pace();
        else
            paceNext();
        s.trace(18, flag);
        std::optional<double> value;
        int error = 0;
        try {
            value = ListReader::open(flag).readNumber();
        } catch (const FileError &e) {
            error = e.number;
        }
        if (value) {
            openValue = *value;
            if (openValue == 2) {
                Dialogs::notify(kTimeLimit);
                m_dorliq.end(RunTiming::current().killAfterMs);
                s.trace(18, flag);
                m_log.mark(QStringLiteral("Got to 1.2"));
                try {
                    writeLines(flag, {printForm(0)});
                } catch (const FileError &e) {
                    fileTrouble(e);
                }
                m_status.aborted(QStringLiteral("DORLIQ passed the time limit for the initial data"));
                return false;
            }
        } else {
            if (withinRetryGrace(waitStart))
                continue;
            if (!reported)
                trapReport(344, error, openValue);
            reported = true; // once per wait is enough to tell the user
        }
        if (!value || openValue != 1) {
            // The answer can only come with the reply poll's tick: sleep until that tick or the
            // next look at the flag.
            if (s.modeReply != 2)
                yieldFor(msToNextPacedRead(), w.Timer1);
            if (s.modeReply == 2)
                return true;
        }
        if (m_dorliq.pastDeadline()) {
            const auto ending = m_dorliq.end();
            m_log.mark(QStringLiteral("DORLIQ did not answer for the initial data in time (%1); run aborted")
                           .arg(QLatin1String(CompanionWatch::describe(ending))));
            m_status.aborted(QStringLiteral("DORLIQ did not answer for the initial data in time"));
            return false;
        }
        if (m_dorliq.gaveUp()) {
            m_log.mark(QStringLiteral("DORLIQ ended without answering for the initial data; run aborted"));
            m_status.aborted(QStringLiteral("DORLIQ ended without answering for the initial data"));
            return false;
        }
    }
}

void ForecastRun::seaTemperatureCheck()
{
    const QString name = QStringLiteral("seatempanomalies.txt");
    s.trace(32, name);
    try {
        ListReader r = ListReader::open(name);
        m_log.mark(QStringLiteral("Got to 8"));
        QStringList sites;
        do {
            sites << r.readText();
        } while (!r.atEnd());
        // The file is deleted below: the log keeps the whole list, the message its beginning.
        m_log.mark(QStringLiteral("Sea temperature anomalies:\r\n") + sites.join(QStringLiteral("\r\n")));
        QString text = kSeaTemperatureIntro + QStringLiteral("\r\r");
        for (const QString &site : sites.first(std::min<qsizetype>(sites.size(), kSeaTemperatureShown)))
            text += withoutControls(site) + QStringLiteral("\r");
        if (sites.size() > kSeaTemperatureShown)
            text += QStringLiteral("\u2026 and %1 more (see kesslog.txt)\r").arg(sites.size() - kSeaTemperatureShown);
        text += QStringLiteral("\r") + kSeaTemperatureOutro;
        Dialogs::notify(text);
        m_log.mark(QStringLiteral("Got to 9"));
        try {
            removeFile(name);
        } catch (const FileError &e) {
            // Left there, it would bring the same message after every later run.
            m_log.mark(name + QStringLiteral(" could not be deleted: ") + e.reason);
            return;
        }
        m_log.mark(QStringLiteral("Got to 10"));
    } catch (const FileError &) {
    }
}

} // namespace kess
