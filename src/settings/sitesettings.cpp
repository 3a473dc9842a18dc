#include "sitesettings.h"

#include "app/mainwindow.h"
#include "companions/openflags.h"
#include "core/dialogs.h"
#include "core/rungate.h"
#include "files/errors.h"
#include "files/fileops.h"
#include "run/pelini.h"
#include "settings/layouts.h"
#include "settings/merge.h"
#include "settings/rewrite.h"
#include "sites/sitefiles.h"

#include <QFile>
#include <map>
#include <optional>

namespace kess {

namespace {

const QString kPelthorMessage = QStringLiteral(
    "Please close pelthor.exe using its Close button before clicking this button.  Next time you click it, "
    "KESSAMIR will assume you have done so.");
const CloseMessages kSaveMessages{
    QStringLiteral("Please close VANTRO using File/Exit before saving any changes to its settings in KESSAMIR.  "
                   "Next time you click it, KESSAMIR will assume you have done so."),
    QStringLiteral("Please close DORLIQ using its Close button before saving any changes to its settings in "
                   "KESSAMIR.  Next time you click it, KESSAMIR will assume you have done so."),
    kPelthorMessage,
};
const CloseMessages kDontSaveMessages{
    QStringLiteral("Please close VANTRO using File/Exit before clicking this button.  Next time you click it, "
                   "KESSAMIR will assume you have done so."),
    QStringLiteral("Please close DORLIQ using its Close button before clicking this button.  Next time you click "
                   "it, KESSAMIR will assume you have done so."),
    kPelthorMessage,
};
const QString kBiasQuestion = QStringLiteral(
    "If you are using a home weather station, it is possible to use the Auto Select routine in pelthor.exe to "
    "generate temperature and dew point bias correction factors to help VANTRO's 'learn' from its mistakes and "
    "refine future forecasts.  IF you have just done such an Auto Select run and accepted the resulting factors, "
    "would you now like to save these results for this specific site?");
const QString kMergeQuestion = QStringLiteral(
    "You have saved settings for the selected site, and are about to save generic settings for all sites maked "
    "with a '+'.  Do you wish to proceed?");
const QString kUnsavedQuestion = QStringLiteral(
    "You opened VANTRO, DORLIQ, or PELTHOR in preference setting mode, but didn't save the settings.  Would you "
    "like to do so now?");

// A working file of the companion and the prefix of the site's saved copies of it.
struct SavedFamily {
    const char *working;
    const char *prefix;
};

QList<SavedFamily> savedFamilies(int companion)
{
    switch (companion) {
    case 1:
        return {{"custinit.txt", "c"}, {"snowrec.txt", "snowrec"}, {"ecdata.txt", "ecdata"}};
    case 2:
        return {{"vantmini.txt", "w"}};
    case 3:
        return {{"pelini.txt", "r"}};
    default:
        return {};
    }
}

SettingsFile mergedFile(int companion)
{
    return companion == 2 ? SettingsFile::Vantmini : companion == 3 ? SettingsFile::Pelini : SettingsFile::Custinit;
}

// The PELTHOR values of the application state, as readpelini fills them.
void takePelthorValues(AppState &to, const AppState &from)
{
    to.pelthorValues1to8 = from.pelthorValues1to8;
    to.pelthorListA = from.pelthorListA;
    to.pelthorListB = from.pelthorListB;
    to.pelthorValues19to27 = from.pelthorValues19to27;
    to.workingFolder = from.workingFolder;
    to.pelthorValueAfterFolder1 = from.pelthorValueAfterFolder1;
    to.pelthorValueAfterFolder2 = from.pelthorValueAfterFolder2;
    to.pelthorFurtherFields = from.pelthorFurtherFields;
}

// Everything a save needs, read before it writes anything.
struct SavePlan {
    QList<QPair<QString, QByteArray>> copies; // saved file, the working file's bytes
    std::optional<QByteArray> cor;            // "cor.txt" as it was when Save was pressed
    QString corProblem;
    bool merge = false;
    SettingsLines selected;                   // what the merge spreads: the copy saved for the site
    std::map<int, SettingsLines> marked;      // every '+' site's own file
    AppState pelthorValues;                   // readpelini of the saved "pelini.txt"
    QStringList problems;
};

SavePlan planSave(AppState &s, int site, bool merge)
{
    SavePlan plan;
    plan.merge = merge;
    const int companion = s.companionOpenedForSettings;
    for (const SavedFamily &f : savedFamilies(companion)) {
        const QString working = QString::fromLatin1(f.working);
        const QString prefix = QString::fromLatin1(f.prefix);
        // A folder without ecdata files has nothing to keep for VANTRO there.
        if (prefix == QLatin1String("ecdata") && s.noEcdataFiles != 0 && !QFile::exists(working))
            continue;
        s.trace(1, working);
        try {
            const QByteArray bytes = readBytes(working);
            plan.copies.append({siteFileName(prefix, site), bytes});
            if (site == 1)
                plan.copies.append({siteFileName(prefix, 0), bytes});
        } catch (const FileError &e) {
            plan.problems << e.reason;
        }
    }
    if (companion == 3) {
        try {
            plan.cor = readBytes(QStringLiteral("cor.txt"));
        } catch (const FileError &e) {
            plan.corProblem = e.reason;
        }
    }
    if (!merge || companion < 1 || companion > 3 || !plan.problems.isEmpty())
        return plan;

    const SettingsLayout &layout = settingsLayout(mergedFile(companion));
    try {
        ListReader reader(plan.copies.first().second);
        plan.selected = readSettings(reader, layout);
    } catch (const FileError &e) {
        plan.problems << layout.workingName() + QStringLiteral(": ") + e.reason;
    }
    for (int i = 1; i <= s.siteCount; ++i) {
        if (s.runListFlags[i] == 0 || i == site)
            continue;
        try {
            plan.marked[i] = readSettingsFile(layout.savedName(i), layout);
        } catch (const FileError &e) {
            plan.problems << e.reason;
        }
    }
    if (companion == 3) {
        plan.pelthorValues = s;
        try {
            readpelini(plan.pelthorValues);
        } catch (const FileError &e) {
            plan.problems << e.reason;
        }
    }
    return plan;
}

} // namespace

SiteSettings::SiteSettings(MainWindow &window) : w(window)
{
    QObject::connect(w.Command4, &QPushButton::clicked, &w, [this] { save(); });
    QObject::connect(w.Command13, &QPushButton::clicked, &w, [this] { dontSave(); });
}

void SiteSettings::save()
{
    AppState &s = w.state;
    if (w.runGate.busy()) {
        notifyRunUnderWay();
        return;
    }
    if (!openFlagCheck(s, kSaveMessages))
        return;
    const QString prompt = w.Label12->text();
    w.Label12->clear();
    w.Label11->setText(QStringLiteral("Saving changes"));
    w.Label11->repaint();

    const int site = s.selectedSiteNumber;
    const int companion = s.companionOpenedForSettings;
    SavePlan plan = planSave(s, site, w.Option2->isChecked());
    if (!plan.problems.isEmpty()) {
        w.Label11->clear();
        w.Label12->setText(prompt);
        Dialogs::notify(QStringLiteral("Nothing was saved: these files are missing or too short.\n") +
                        plan.problems.join(u'\n') +
                        QStringLiteral("\nCorrect them, or save for the selected site only, and save again."));
        return;
    }

    w.Command5->setEnabled(true);
    w.Command6->setEnabled(true);
    w.Command12->setEnabled(true);
    w.Label16->clear();
    w.Command13->setEnabled(false);
    w.Command4->setEnabled(false);

    auto report = [&s](const FileError &e) {
        Dialogs::notify(errorReport(e.number, s.lastFileNumber, s.lastFileName) + QStringLiteral("\n") + e.reason);
    };
    auto finish = [this] {
        w.Label11->clear();
        w.List1->setEnabled(true);
    };

    try {
        for (const auto &[saved, bytes] : plan.copies) {
            s.trace(2, saved);
            writeBytes(saved, bytes);
        }
    } catch (const FileError &e) {
        report(e);
        finish();
        return;
    }

    if (companion == 3 && Dialogs::askYesNo(kBiasQuestion)) {
        const QString cor = siteFileName(QStringLiteral("cor"), site);
        s.trace(2, cor);
        try {
            if (!plan.cor)
                throw FileError(ErrFileNotFound, plan.corProblem);
            writeBytes(cor, *plan.cor);
        } catch (const FileError &e) {
            report(e);
        }
    }

    if (plan.merge && Dialogs::askYesNo(kMergeQuestion) && companion >= 1 && companion <= 3) {
        // The selected site's values are those just saved for it, whatever a run that started
        // while the question was on screen has put into the working files since.
        const SettingsLayout &layout = settingsLayout(mergedFile(companion));
        QList<Rewrite> rewrites;
        int last = 0;
        for (int i = 1; i <= s.siteCount; ++i) {
            const auto found = plan.marked.find(i);
            if (s.runListFlags[i] == 0 || (i != site && found == plan.marked.end()))
                continue;
            const SettingsLines &own = i == site ? plan.selected : found->second;
            rewrites.append(settingsRewrite(layout, i, mergeGeneric(layout, own, plan.selected)));
            last = i;
        }
        QList<QPair<QString, QString>> working;
        if (companion != 1 && last > 0)
            working.append({layout.savedName(last), layout.workingName()});
        try {
            applyRewrites(rewrites, working);
        } catch (const FileError &e) {
            report(e);
        }
        if (companion == 3)
            takePelthorValues(s, plan.pelthorValues);
    }
    finish();
}

void SiteSettings::dontSave()
{
    if (!openFlagCheck(w.state, kDontSaveMessages))
        return;
    w.Label12->clear();
    w.Command4->setEnabled(false);
    w.Command5->setEnabled(true);
    w.Command6->setEnabled(true);
    w.Command12->setEnabled(true);
    w.Label16->clear();
    w.List1->setEnabled(true);
    w.Command13->setEnabled(false);
}

std::optional<UnsavedEdits> SiteSettings::keepUnsavedEdits() const
{
    if (!w.Command4->isEnabled())
        return std::nullopt;
    UnsavedEdits kept;
    kept.companion = w.state.companionOpenedForSettings;
    QStringList names;
    for (const SavedFamily &f : savedFamilies(kept.companion))
        names << QString::fromLatin1(f.working);
    if (kept.companion == 3)
        names << QStringLiteral("cor.txt"); // Save offers it as the site's bias corrections
    for (const QString &name : names) {
        try {
            kept.files.append({name, readBytes(name)});
        } catch (const FileError &) {
            // Not there now: Save finds it missing after the run too.
        }
    }
    kept.saveCaption = w.Command4->text();
    kept.prompt = w.Label12->text();
    kept.hint = w.Label16->text();
    for (QWidget *b : std::initializer_list<QWidget *>{w.List1, w.Command4, w.Command5, w.Command6, w.Command12,
                                                       w.Command13, w.Command8, w.Command9})
        kept.enabled.append({b, b->isEnabled()});
    return kept;
}

QStringList SiteSettings::putBack(const UnsavedEdits &kept, bool files)
{
    QStringList problems;
    if (files) {
        for (const auto &[name, bytes] : kept.files) {
            try {
                writeBytes(name, bytes);
            } catch (const FileError &e) {
                problems << e.reason;
            }
        }
    }
    w.state.companionOpenedForSettings = kept.companion;
    w.Command4->setText(kept.saveCaption);
    w.Label12->setText(kept.prompt);
    w.Label16->setText(kept.hint);
    for (const auto &[widget, enabled] : kept.enabled)
        widget->setEnabled(enabled);
    return problems;
}

void SiteSettings::unsavedSettingsCheck()
{
    if (!w.Command4->isEnabled())
        return;
    if (Dialogs::askYesNo(kUnsavedQuestion))
        save();
    else
        w.Command4->setEnabled(false);
}

} // namespace kess
