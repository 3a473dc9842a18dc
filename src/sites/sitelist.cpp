#include "sitelist.h"

#include "core/showntext.h"
#include "core/dialogs.h"
#include "app/mainwindow.h"
#include "sites/sitefiles.h"

#include <QKeyEvent>
#include <functional>

namespace kess {

namespace {

// Enter or Space on the current row selects that site from the keyboard. Moving through the
// list with the arrow keys, or the list taking the focus, selects nothing: selecting a site
// overwrites the working files.
class SiteKeys : public QObject {
public:
    SiteKeys(QListWidget *list, std::function<void(int)> select)
        : QObject(list), m_list(list), m_select(std::move(select)) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_list && event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if ((key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) && m_list->currentRow() >= 0) {
                m_list->setCurrentRow(m_list->currentRow()); // highlighted as well as current
                m_select(m_list->currentRow());
                return true;
            }
        }
        return false;
    }

private:
    QListWidget *m_list;
    std::function<void(int)> m_select;
};

} // namespace

void selectOnClickOrKey(QListWidget *list, std::function<void(int)> select)
{
    // A click selects the site, also the one already highlighted (after a run it must stage the
    // site's files again and re-enable the buttons).
    QObject::connect(list, &QListWidget::clicked, list, [select](const QModelIndex &index) {
        if (index.isValid())
            select(index.row());
    });
    list->installEventFilter(new SiteKeys(list, select));
}

SiteList::SiteList(MainWindow &window) : w(window)
{
    selectOnClickOrKey(w.List1, [this](int row) { siteClicked(row); });
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
    showPlainText(w.Label3, s.siteCodes[site] + QStringLiteral(" ") + s.siteNames[site]);

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
    w.List1->setCurrentRow(site - 1);
    siteClicked(site - 1); // selecting again stages the site's files again
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
