#include "learningrun.h"

#include "core/showntext.h"
#include "app/mainwindow.h"
#include "companions/launchreport.h"
#include "companions/replypoll.h"
#include "core/dialogs.h"
#include "core/secondarywindow.h"
#include "files/errors.h"
#include "files/fileops.h"
#include "learning/learningfiles.h"
#include "learning/mirrixsetup.h"
#include "settings/sitesettings.h"
#include "sites/sitefiles.h"

#include <QDateTime>
#include <QFileInfo>

namespace kess {

namespace {

const QString kNoList = QStringLiteral(
    "You do not yet have a list of sites to be used with mirrix.exe.  If you use personal weather stations with at "
    "least some of the sites, and wish to set up use of mirrix.exe with at least some of these, click 'Yes' and a "
    "file (mxrunlist.txt) will be created, by copying the list (runlist.txt) of sites for which you are currently "
    "making forecasts.  If you will not be using mirrix.exe with any of your sites, click 'No'.");
const QString kListMade = QStringLiteral(
    "mxrunlist.txt has been created.  Try clicking the 'Set up mirrix.exe for all sites' button again.");
const QString kNoSettings = QStringLiteral(
    "It appears you do not yet have site-specific files of the form a#.txt for use with mirrix.exe.  Would you like "
    "to create them now? 'Yes' is advised, unless you do not have mirrix.exe installed, in which case you must reply "
    "'No'.)?");
const QString kAborting = QStringLiteral("Aborting opening of mirrix form because a0.txt does not exist.");

const QString kMirrix = QStringLiteral("mirrix.exe");
const QString kCorrections = QStringLiteral("cor.txt");

// What is known of "cor.txt" before mirrix.exe starts, to tell a file it wrote from one left over.
struct FileStamp {
    explicit FileStamp(const QString &name)
    {
        const QFileInfo info(name);
        exists = info.exists();
        modified = info.lastModified();
        size = info.size();
    }
    bool operator==(const FileStamp &o) const
    {
        return exists == o.exists && modified == o.modified && size == o.size;
    }
    bool exists;
    QDateTime modified;
    qint64 size;
};

bool canRead(const QString &name)
{
    try {
        readBytes(name);
        return true;
    } catch (const FileError &) {
        return false;
    }
}

} // namespace

LearningRun::LearningRun(MainWindow &window) : w(window), s(window.state)
{
    QObject::connect(w.Command20, &QPushButton::clicked, &w, [this] { setUpForAllSites(); });
    QObject::connect(w.Command21, &QPushButton::clicked, &w, [this] { run(); });
}

void LearningRun::setUpForAllSites()
{
    if (m_setup && m_setup->isVisible()) {
        // One setup window: a second press brings it to the front.
        m_setup->show();
        m_setup->raise();
        m_setup->activateWindow();
        return;
    }

    s.trace(20, QStringLiteral("mxrunlist.txt"));
    if (!canRead(QStringLiteral("mxrunlist.txt"))) {
        if (!Dialogs::askYesNo(kNoList))
            return;
        try {
            copyFile(QStringLiteral("runlist.txt"), QStringLiteral("mxrunlist.txt"));
        } catch (const FileError &e) {
            Dialogs::notify(errorReport(e.number, s.lastFileNumber, s.lastFileName) + QStringLiteral("\n") +
                            e.reason);
            return;
        }
        Dialogs::notify(kListMade);
        return;
    }

    s.trace(20, QStringLiteral("a0.txt"));
    if (!canRead(QStringLiteral("a0.txt"))) {
        if (!Dialogs::askYesNo(kNoSettings)) {
            Dialogs::notify(kAborting);
            return;
        }
        try {
            createLearningSettingsFiles(s.siteCount);
        } catch (const FileError &e) {
            // Not every file could be made: say so rather than open on half of them.
            Dialogs::notify(errorReport(e.number, s.lastFileNumber, s.lastFileName) + QStringLiteral("\n") +
                            e.reason);
            return;
        }
        Dialogs::notify(QStringLiteral("a0.txt through a") + QString::number(s.siteCount) +
                        QStringLiteral(".txt have been created."));
    }
    showSetupWindow();
}

void LearningRun::showSetupWindow()
{
    m_setup = new MirrixSetup(w);
    m_setup->load();
    placeOverOwner(m_setup);
    m_setup->show();
    m_setup->activateWindow();
}

void LearningRun::notice(const QString &text)
{
    Dialogs::notifyNonBlocking(text);
}

void LearningRun::run(RunStart how, const QString &delayNote)
{
    // Someone who clicked is asked about unsaved site settings first, as for a forecast run.
    if (how == RunStart::Immediate && !w.runGate.busy())
        w.unsavedSettingsCheck();
    RunGate::Hold hold(w.runGate, RunGate::Kind::Learning);
    if (!hold.acquired()) {
        notifyRunUnderWay();
        return;
    }
    // Each site's "pelini.txt" and mirrix.exe's "cor.txt" would replace edits still unsaved:
    // they wait aside for the length of the run.
    const std::optional<UnsavedEdits> kept = w.siteSettings().keepUnsavedEdits();
    m_staged = false;
    if (!m_log.create())
        notice(QStringLiteral("The learning run's log mirrixlog.txt could not be created; the run goes on without it."));
    m_log.mark(QStringLiteral("Learning run started for %1 listed sites").arg(s.learningListLength));
    m_status.begin(how);
    if (!delayNote.isEmpty())
        m_log.mark(delayNote);
    for (int site = 1; site <= std::min(s.learningListLength, MaxSites); ++site)
        learnSite(site);
    finish();
    m_status.completed();
    m_status.end();
    m_log.mark(QStringLiteral("Learning run finished"));
    m_log.close();
    if (kept)
        for (const QString &problem : w.siteSettings().putBack(*kept, m_staged))
            notice(QStringLiteral("An unsaved settings file could not be put back after the run: ") + problem);
    // "mxrninit.txt" now holds what the run left: the setup window must not save it under the
    // site clicked before.
    if (m_setup)
        m_setup->forgetSiteInSettings();
}

void LearningRun::lose(int site, const QString &why)
{
    m_log.mark(QStringLiteral("Site %1 lost: %2; %3 left as it was").arg(site).arg(why, siteFileName(QStringLiteral("cor"), site)));
    m_status.skipped(site, why);
}

bool LearningRun::stage(int site)
{
    // Learning on another site's settings would store wrong corrections under this site's name.
    const std::pair<QString, QString> copies[] = {
        {siteFileName(QStringLiteral("a"), site), QStringLiteral("mxrninit.txt")},
        {siteFileName(QStringLiteral("r"), site), QStringLiteral("pelini.txt")},
    };
    m_staged = true;
    for (const auto &[saved, working] : copies) {
        try {
            copyFile(saved, working);
        } catch (const FileError &e) {
            notice(QStringLiteral("Site %1 was skipped in the learning run: %2 could not be copied to %3 (%4).")
                       .arg(site)
                       .arg(saved, working, e.reason));
            lose(site, QStringLiteral("could not copy ") + saved);
            return false;
        }
    }
    return true;
}

void LearningRun::learnSite(int site)
{
    const QString stored = siteFileName(QStringLiteral("cor"), site);
    w.Timer1->setInterval(RunTiming::current().replyPollMs);
    w.Timer1->start();
    if (s.learningIncludeFlags[site] != 1) {
        try {
            writeLines(stored, {neutralCorrectionRecord()});
            m_log.mark(QStringLiteral("Site %1 not learning: neutral %2").arg(site).arg(stored));
        } catch (const FileError &e) {
            m_log.mark(QStringLiteral("Site %1: %2").arg(site).arg(e.reason));
        }
        return;
    }

    // The names the program read at start-up, so a run from the timer names its sites too.
    showPlainText(w.Label2, s.siteCodes[site] + QStringLiteral(" ") + s.siteNames[site]);
    m_status.site(site);
    try {
        writeModeCode(s, 20);
    } catch (const FileError &e) {
        notice(errorReport(e.number, s.lastFileNumber, s.lastFileName) + QStringLiteral("\n") + e.reason);
    }
    if (!stage(site)) {
        w.Timer1->stop();
        return;
    }

    const FileStamp before(kCorrections);
    const LaunchResult started = startAndReport(s, kMirrix, true);
    if (!started.ok()) {
        // The report must not hold up the sites after this one.
        if (started.error != ErrOverflow)
            notice(errorReport(started.error, s.lastFileNumber, s.lastFileName));
        lose(site, QStringLiteral("mirrix.exe could not be started (") + started.reason + QStringLiteral(")"));
        w.Timer1->stop();
        return;
    }
    m_mirrix.started(started.pid, RunTiming::current().companionDeadlineMs);
    m_log.mark(QStringLiteral("Site %1 %2: mirrix.exe started").arg(site).arg(s.siteCodes[site]));
    const WaitEnd answer = waitForModeReply(s, w.Timer1, 22, m_mirrix);
    w.Timer1->stop();
    if (answer == WaitEnd::Deadline) {
        const CompanionWatch::Ending ending = m_mirrix.end();
        lose(site, QStringLiteral("mirrix.exe did not answer within its time (%1 min); %2")
                       .arg(RunTiming::current().companionDeadlineMs / 60000)
                       .arg(QLatin1String(CompanionWatch::describe(ending))));
        return;
    }
    if (answer != WaitEnd::Answered) {
        m_mirrix.forget();
        lose(site, QStringLiteral("mirrix.exe ended without answering"));
        return;
    }
    if (FileStamp(kCorrections) == before || !FileStamp(kCorrections).exists) {
        lose(site, QStringLiteral("mirrix.exe answered but wrote no new cor.txt"));
        return;
    }
    try {
        copyFile(kCorrections, stored);
        m_log.mark(QStringLiteral("Site %1: %2 written").arg(site).arg(stored));
        m_status.forecast(site);
    } catch (const FileError &e) {
        lose(site, e.reason);
    }
}

void LearningRun::finish()
{
    // "mirrixopen.txt" is mirrix.exe's own: a 1 a crashed copy left costs one message at the
    // setup window's Save, which lets the next press through.
    m_mirrix.forget();
    try {
        copyFile(QStringLiteral("cor1.txt"), QStringLiteral("cor0.txt"));
    } catch (const FileError &e) {
        m_log.mark(QStringLiteral("cor0.txt not made: ") + e.reason);
    }
    w.Timer1->stop();
    try {
        writeModeCode(s, 0);
    } catch (const FileError &e) {
        notice(errorReport(e.number, s.lastFileNumber, s.lastFileName) + QStringLiteral("\n") + e.reason);
    }
}

} // namespace kess
