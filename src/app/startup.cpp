#include "startup.h"

#include "core/showntext.h"
#include "core/dialogs.h"
#include "app/mainwindow.h"
#include "app/emptyfolder.h"
#include "files/fileops.h"
#include "files/listreader.h"
#include "files/records.h"
#include "run/pelini.h"
#include "scheduler/schedulerpanel.h"
#include "settings/programsettings.h"
#include "settings/siteflags.h"
#include "scheduler/duerule.h"
#include "sites/sitefiles.h"
#include "sites/sitelist.h"

#include <QFile>
#include <cmath>

namespace kess {

namespace {

// Runs one step; any file or conversion error just ends that step.
template <typename Step>
void step(Step &&body)
{
    try {
        body();
    } catch (const FileError &) {
    }
}

bool probe(const QString &name)
{
    try {
        readBytes(name, 0); // regular files only: a FIFO would hold the start-up
        return true;
    } catch (const FileError &) {
        return false;
    }
}

} // namespace

void runStartUp(MainWindow &w)
{
    AppState &s = w.state;

    // A new folder without any site: nothing there to warn about; the window says what it needs.
    const bool newFolder = folderHoldsNoSites();

    // 1-2. The optional fdata and ecdata families.
    s.noEcdataFiles = 0;
    s.noFdataFiles = 1;
    if (probe(QStringLiteral("fdata1.txt")))
        s.noFdataFiles = 0;
    else if (!newFolder)
        Dialogs::notify(QStringLiteral("No fdata.txt files (OK, but without them all VANTRO-Lite effect would be based on primary site)"));
    s.noEcdataFiles = 1;
    if (probe(QStringLiteral("ecdata1.txt")))
        s.noEcdataFiles = 0;
    else if (!newFolder)
        Dialogs::notify(QStringLiteral("No ecdata.txt files (OK, but without them all eclipse data would be based on primary site)"));

    // 3.
    s.vantroCloseWarningGiven = s.dorliqCloseWarningGiven = s.pelthorCloseWarningGiven = s.mirrixCloseWarningGiven = 0;
    w.Command4->setEnabled(false);

    // 4. The run list: one flag per site, at most 99 sites; the flags before an unreadable one count.
    step([&] {
        s.trace(2, QStringLiteral("runlist.txt"));
        const SiteFlagList list = decodeSiteFlags(readBytes(QStringLiteral("runlist.txt"), SettingsReadLimit));
        for (int i = 0; i < list.flags.size(); ++i)
            s.runListFlags[i + 1] = list.flags[i];
        s.siteCount = static_cast<int>(list.flags.size());
    });

    // 5. The program's own settings: every value is read on its own, a bad value is skipped
    // alone and the values after it still count (and are written back at Close).
    ProgramSettings init;
    step([&] {
        s.trace(1, QStringLiteral("kessinit.txt"));
        init = decodeProgramSettings(readBytes(QStringLiteral("kessinit.txt"), SettingsReadLimit));
    });
    s.hourFlags = init.hourFlags;
    for (int h = 0; h < 24; ++h)
        w.tm[h]->setChecked(init.hourFlags[h] == 1);
    s.minutesAfterTheHour = init.minutesAfterTheHour;
    s.schedulerOn = init.schedulerOn;
    s.convertBmpToPng = init.convertBmpToPng;
    s.irfanViewFolder = init.irfanViewFolder;
    s.pngTargetFolder = init.pngTargetFolder;
    s.runBatchFile = init.runBatchFile;
    s.batchFile = init.batchFile;
    s.dorliqWaitLimit = init.dorliqWaitLimit;
    s.bootWithWholeHour = init.bootWithWholeHour;
    s.useDefaultWaterTemps = init.useDefaultWaterTemps;

    // 6. The scheduler's state.
    w.scheduler().showState();

    // 7. The restored values into the controls. Minutes the scroll bar cannot show exactly (a
    // fraction, or more than 59) go into the text box as well, so they are kept.
    {
        const double minutes = s.minutesAfterTheHour;
        const double rounded = std::nearbyint(minutes); // halves to even
        if (rounded >= 0 && rounded <= 59)
            w.minscrl->setValue(static_cast<int>(rounded));
        if (w.mintx->text() != numberText(minutes))
            w.mintx->setText(numberText(minutes));
        w.bmppng->setChecked(s.convertBmpToPng == 1);
        w.ivtx->setText(s.irfanViewFolder);
        w.pngtar->setText(s.pngTargetFolder);
        w.exbat->setChecked(s.runBatchFile == 1);
        w.exbattx->setText(s.batchFile);
        if (init.skipIfModelMissing)
            w.exmodchk->setChecked(*init.skipIfModelMissing == 1);
        if (init.skipIfStationMissing)
            w.locchk->setChecked(*init.skipIfStationMissing == 1);
        w.mintowaittx->setText(numberText(s.dorliqWaitLimit));
        w.boothr->setChecked(s.bootWithWholeHour == 1);
        w.usedefst->setChecked(s.useDefaultWaterTemps == 1);
    }

    // 8.
    w.skipmsg->setChecked(init.skipNonCriticalMessages == 1);

    // 9-10. The daily learning run.
    s.learningRunHour = init.learningRunHour;
    s.learningRunMinute = init.learningRunMinute;
    if (s.learningRunHour > 0 || s.learningRunMinute > 0) {
        step([&] {
            s.trace(20, QStringLiteral("mxrunlist.txt"));
            s.learningSitesPresent = 0;
            const SiteFlagList list = decodeSiteFlags(readBytes(QStringLiteral("mxrunlist.txt"), SettingsReadLimit));
            for (int i = 0; i < list.flags.size(); ++i) {
                s.learningIncludeFlags[i + 1] = list.flags[i];
                if (list.flags[i] > 0)
                    s.learningSitesPresent = 1;
            }
            s.learningListLength = static_cast<int>(list.flags.size());
        });
        if (s.schedulerOn && s.learningSitesPresent == 1)
            w.scheduler().enableLearningTimer();
    }

    // 11-12. The working VANTRO settings name the site shown as selected.
    for (int site = 0; site < SiteSlots; ++site) {
        s.siteNames[site].clear();
        s.siteCodes[site].clear();
    }
    step([&] {
        s.trace(1, QStringLiteral("custinit.txt"));
        const SiteIdentity id = readSiteIdentity(QStringLiteral("custinit.txt"));
        showPlainText(w.Label3, id.code + QStringLiteral(" ") + id.name);
    });

    // 13.
    step([&] { readpelini(s, false); });

    // 14. The site list.
    for (int site = 1; site <= s.siteCount; ++site) {
        step([&] {
            const SiteIdentity id = readSiteIdentity(siteFileName(QStringLiteral("c"), site));
            s.siteCodes[site] = id.code;
            s.siteNames[site] = id.name;
        });
    }
    w.siteList().rebuild(true);
    w.showEmptyFolder(newFolder && s.siteCount == 0);

    // 15.
    if (s.schedulerOn)
        w.scheduler().enableSchedulingTimer();
}

} // namespace kess
