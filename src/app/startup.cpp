#include "startup.h"

#include "core/dialogs.h"
#include "app/mainwindow.h"
#include "files/listreader.h"
#include "files/records.h"
#include "run/pelini.h"
#include "scheduler/schedulerpanel.h"
#include "scheduler/duerule.h"
#include "sites/sitefiles.h"
#include "sites/sitelist.h"

#include <QFile>
#include <cmath>
#include <optional>
#include <vector>

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
    QFile f(name);
    return f.open(QIODevice::ReadOnly);
}

// The items of "kessinit.txt", read tolerantly up to the first unreadable byte.
std::vector<Item> readItems(ListReader &r)
{
    std::vector<Item> items;
    while (!r.atEnd() && items.size() < 39)
        items.push_back(r.read());
    return items;
}

double numberAt(const std::vector<Item> &items, std::size_t value)
{
    if (value > items.size())
        throw FileError(ErrPastEnd, QStringLiteral("Input past end of file"));
    const Item &it = items[value - 1];
    if (!it.number)
        throw FileError(ErrTypeMismatch, QStringLiteral("Type mismatch"));
    return *it.number;
}

int flagAt(const std::vector<Item> &items, std::size_t value)
{
    const double v = numberAt(items, value);
    if (v != 0 && v != 1)
        throw FileError(ErrTypeMismatch, QStringLiteral("not 0 or 1"));
    return static_cast<int>(v);
}

} // namespace

void runStartUp(MainWindow &w)
{
    AppState &s = w.state;

    // 1-2. The optional fdata and ecdata families.
    s.noEcdataFiles = 0;
    s.noFdataFiles = 1;
    if (probe(QStringLiteral("fdata1.txt")))
        s.noFdataFiles = 0;
    else
        Dialogs::notify(QStringLiteral("No fdata.txt files (OK, but without them all VANTRO-Lite effect would be based on primary site)"));
    s.noEcdataFiles = 1;
    if (probe(QStringLiteral("ecdata1.txt")))
        s.noEcdataFiles = 0;
    else
        Dialogs::notify(QStringLiteral("No ecdata.txt files (OK, but without them all eclipse data would be based on primary site)"));

    // 3.
    s.vantroCloseWarningGiven = s.dorliqCloseWarningGiven = s.pelthorCloseWarningGiven = s.mirrixCloseWarningGiven = 0;
    w.Command4->setEnabled(false);

    // 4. The run list: one flag per site, at most 99 sites.
    step([&] {
        s.trace(2, QStringLiteral("runlist.txt"));
        ListReader r = ListReader::open(QStringLiteral("runlist.txt"));
        int site = 1;
        while (!r.atEnd() && site <= MaxSites) {
            const double v = r.readNumber();
            s.runListFlags[site] = static_cast<int>(std::lround(v));
            s.siteCount = site;
            ++site;
        }
    });

    // 5. The program's own settings.
    std::vector<Item> init;
    step([&] {
        s.trace(1, QStringLiteral("kessinit.txt"));
        ListReader r = ListReader::open(QStringLiteral("kessinit.txt"));
        init = readItems(r);
    });
    // Every value is read on its own: a bad value is skipped alone, and the values after it still
    // count (and are written back at Close).
    for (int h = 0; h < 24; ++h) {
        step([&] {
            const double v = numberAt(init, h + 1);
            s.hourFlags[h] = v == 1 ? 1 : 0;
            w.tm[h]->setChecked(v == 1);
        });
    }
    step([&] { s.minutesAfterTheHour = numberAt(init, 25); });
    step([&] {
        if (init.size() < 26)
            throw FileError(ErrPastEnd, QString());
        const Item &on = init[25];
        if (on.number)
            s.schedulerOn = *on.number != 0;
        else if (on.text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
            s.schedulerOn = true;
        else if (on.text.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
            s.schedulerOn = false;
        else
            throw FileError(ErrTypeMismatch, QString());
    });
    const std::size_t n = init.size();
    step([&] { if (n >= 27) s.convertBmpToPng = flagAt(init, 27); });
    step([&] { if (n >= 28) s.irfanViewFolder = init[27].text; });
    step([&] { if (n >= 29) s.pngTargetFolder = init[28].text; });
    step([&] { if (n >= 30) s.runBatchFile = flagAt(init, 30); });
    step([&] { if (n >= 31) s.batchFile = init[30].text; });
    // Values 32 and 33 go to their boxes only; 34 to 36 are options of their own.
    std::optional<int> skipIfModelMissing, skipIfStationMissing;
    step([&] { if (n >= 32) skipIfModelMissing = flagAt(init, 32); });
    step([&] { if (n >= 33) skipIfStationMissing = flagAt(init, 33); });
    step([&] { if (n >= 34) s.dorliqWaitLimit = numberAt(init, 34); });
    step([&] { if (n >= 35) s.bootWithWholeHour = flagAt(init, 35); });
    step([&] { if (n >= 36) s.useDefaultWaterTemps = flagAt(init, 36); });

    // 6. The scheduler's state.
    w.scheduler().showState();

    // 7. The restored values into the controls. Minutes the scroll bar cannot show exactly (a
    // fraction, or more than 59) go into the text box as well, so they are kept.
    step([&] {
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
        if (skipIfModelMissing)
            w.exmodchk->setChecked(*skipIfModelMissing == 1);
        if (skipIfStationMissing)
            w.locchk->setChecked(*skipIfStationMissing == 1);
        w.mintowaittx->setText(numberText(s.dorliqWaitLimit));
        w.boothr->setChecked(s.bootWithWholeHour == 1);
        w.usedefst->setChecked(s.useDefaultWaterTemps == 1);
    });

    // 8.
    w.skipmsg->setChecked(false);
    step([&] {
        if (init.size() >= 37 && numberAt(init, 37) == 1)
            w.skipmsg->setChecked(true);
    });

    // 9-10. The daily learning run.
    s.learningRunHour = 0;
    s.learningRunMinute = 0;
    step([&] {
        if (init.size() >= 38) {
            const double hour = numberAt(init, 38);
            const double minute = numberAt(init, 39);
            s.learningRunHour = static_cast<int>(std::lround(hour));
            s.learningRunMinute = static_cast<int>(std::lround(minute));
        }
    });
    if (s.learningRunHour > 0 || s.learningRunMinute > 0) {
        step([&] {
            s.trace(20, QStringLiteral("mxrunlist.txt"));
            s.learningSitesPresent = 0;
            ListReader r = ListReader::open(QStringLiteral("mxrunlist.txt"));
            int site = 1;
            while (!r.atEnd() && site <= MaxSites) {
                const int v = static_cast<int>(std::lround(r.readNumber()));
                s.learningIncludeFlags[site] = v;
                s.learningListLength = site;
                if (v > 0)
                    s.learningSitesPresent = 1;
                ++site;
            }
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
        w.Label3->setText(id.code + QStringLiteral(" ") + id.name);
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

    // 15.
    if (s.schedulerOn)
        w.scheduler().enableSchedulingTimer();
}

} // namespace kess
