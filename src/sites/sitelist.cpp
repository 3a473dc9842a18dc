#include "sitelist.h"

#include "core/dialogs.h"
#include "app/mainwindow.h"
#include "sites/sitefiles.h"

namespace kess {

SiteList::SiteList(MainWindow &window) : w(window)
{
    QObject::connect(w.List1, &QListWidget::currentRowChanged, &w, [this](int row) { siteClicked(row); });
    QObject::connect(w.Command8, &QPushButton::clicked, &w, [this] { includeInRun(); });
    QObject::connect(w.Command9, &QPushButton::clicked, &w, [this] { omitFromRun(); });
    QObject::connect(w.Command18, &QPushButton::clicked, &w, [this] { includeAll(); });
    QObject::connect(w.Command19, &QPushButton::clicked, &w, [this] { omitAll(); });
}

void SiteList::siteClicked(int row)
{
    if (row < 0)
        return;
    AppState &s = w.state;
    w.Command5->setEnabled(true);
    w.Command6->setEnabled(true);
    w.Command12->setEnabled(true);
    w.Label16->clear();
    w.Command8->setEnabled(true);
    w.Command9->setEnabled(true);

    const int site = row + 1;
    s.selectedSiteNumber = site;
    w.Label3->setText(s.siteCodes[site] + QStringLiteral(" ") + s.siteNames[site]);

    const StagingResult staged = stageSiteFiles(site, s.noFdataFiles == 0, s.noEcdataFiles == 0);
    if (!staged.ok()) {
        QString text = QStringLiteral("These saved files of site %1 could not be copied onto the working files, "
                                      "so the companion programs do not see them for this site:")
                           .arg(site);
        for (const QString &reason : staged.reasons)
            text += QStringLiteral("\n") + reason;
        Dialogs::notify(text);
    }
    w.Command4->setEnabled(false);
}

void SiteList::rebuild(bool strictMarks)
{
    const AppState &s = w.state;
    const QSignalBlocker quiet(w.List1);
    w.List1->clear();
    for (int site = 1; site <= s.siteCount; ++site)
        w.List1->addItem(siteListEntry(site, s.siteCodes[site], s.siteNames[site], s.runListFlags[site], strictMarks));
}

void SiteList::setSelectedFlag(int flag)
{
    w.unsavedSettingsCheck();
    const int site = w.state.selectedSiteNumber;
    if (site < 1 || site > w.state.siteCount)
        return;
    w.state.runListFlags[site] = flag;
    rebuild();
    w.List1->setCurrentRow(site - 1); // raises the site click: the files are staged again
    w.Command8->setEnabled(false);
    w.Command9->setEnabled(false);
}

void SiteList::includeInRun() { setSelectedFlag(1); }
void SiteList::omitFromRun() { setSelectedFlag(0); }

void SiteList::setAllFlags(int flag)
{
    w.unsavedSettingsCheck();
    for (int site = 1; site <= w.state.siteCount; ++site)
        w.state.runListFlags[site] = flag;
    rebuild();
}

void SiteList::includeAll() { setAllFlags(1); }
void SiteList::omitAll() { setAllFlags(0); }

} // namespace kess
