#include "mirrixsetup.h"

#include "core/showntext.h"
#include "app/mainwindow.h"
#include "companions/launchreport.h"
#include "companions/openflags.h"
#include "companions/replypoll.h"
#include "core/controls.h"
#include "core/dialogs.h"
#include "core/secondarywindow.h"
#include "files/errors.h"
#include "files/fileops.h"
#include "files/records.h"
#include "learning/learningfiles.h"
#include "scheduler/duerule.h"
#include "scheduler/schedulerpanel.h"
#include "settings/siteflags.h"
#include "sites/sitefiles.h"
#include "sites/sitelist.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace kess {

namespace {

QLabel *wrapped(QWidget *parent, const char *name, const QString &caption)
{
    QLabel *l = named<QLabel>(parent, name, caption);
    l->setWordWrap(true);
    return l;
}

QScrollBar *scrollBar(QWidget *parent, const char *name, int maximum)
{
    auto *b = new QScrollBar(Qt::Horizontal, parent);
    b->setObjectName(QLatin1String(name));
    b->setRange(0, maximum);
    b->setMinimumWidth(160);
    return b;
}

QLineEdit *display(QWidget *parent, const char *name)
{
    auto *t = new QLineEdit(parent);
    t->setObjectName(QLatin1String(name));
    t->setReadOnly(true);
    t->setFocusPolicy(Qt::NoFocus);
    t->setMaximumWidth(48);
    return t;
}

const QString kCloseMirrix = QStringLiteral(
    "Please close mirrix.exe using its Exit button before clicking this button.  Next time you click it, KESSAMIR "
    "will assume you have done so.");
const QString kMidnight = QStringLiteral("Cannot run at midnight.  This also serves to disable the routine.");
const QString kClickHint = QStringLiteral("Click on a site to enable this:");

} // namespace

MirrixSetup::MirrixSetup(MainWindow &window) : QWidget(&window, Qt::Window), w(window), s(window.state)
{
    setObjectName(QStringLiteral("mxrnset"));
    setWindowTitle(QStringLiteral("Mirrix setup"));
    setAttribute(Qt::WA_DeleteOnClose);
    buildControls();
    arrangeControls();

    selectOnClickOrKey(listmxrn, [this](int row) { siteClicked(row); });
    connect(Command8, &QPushButton::clicked, this, &MirrixSetup::includeInRun);
    connect(Command9, &QPushButton::clicked, this, &MirrixSetup::omitFromRun);
    connect(Command18, &QPushButton::clicked, this, &MirrixSetup::includeAll);
    connect(Command19, &QPushButton::clicked, this, &MirrixSetup::omitAll);
    connect(Command2, &QPushButton::clicked, this, &MirrixSetup::openMirrix);
    connect(Command4, &QPushButton::clicked, this, &MirrixSetup::saveSettings);
    connect(Command13, &QPushButton::clicked, this, &MirrixSetup::dontSave);
    connect(Command1, &QPushButton::clicked, this, &MirrixSetup::ok);
    closeByKeyboard(this);
    // Moving a bar by a click, a key or a drag all change its value.
    connect(mxhrscrl, &QScrollBar::valueChanged, this, [this](int v) {
        mxhrtxt->setText(QString::number(v));
        showTime();
    });
    connect(mxminscrl, &QScrollBar::valueChanged, this, [this](int v) {
        mxmintxt->setText(QString::number(v));
        showTime();
    });
}

void MirrixSetup::buildControls()
{
    listmxrn = new QListWidget(this);
    listmxrn->setObjectName(QStringLiteral("listmxrn"));
    Label6 = named<QLabel>(this, "Label6", QStringLiteral("Available Sites:"));
    Command8 = named<QPushButton>(this, "Command8", QStringLiteral("Include in run"));
    Command8->setEnabled(false);
    Command9 = named<QPushButton>(this, "Command9", QStringLiteral("Omit from run"));
    Command9->setEnabled(false);
    Command18 = named<QPushButton>(this, "Command18", QStringLiteral("Include all"));
    Command19 = named<QPushButton>(this, "Command19", QStringLiteral("Omit all"));
    Command2 = named<QPushButton>(this, "Command2", QStringLiteral("Open mirrix.exe as selected site"));
    Command4 = named<QPushButton>(this, "Command4", QStringLiteral("Save settings"));
    Command13 = named<QPushButton>(this, "Command13", QStringLiteral("Don't save"));
    Command1 = named<QPushButton>(this, "Command1", QStringLiteral("OK"));
    Label3 = named<QLabel>(this, "Label3");
    MainWindow::setTextColor(Label3, MainWindow::darkGreen());
    Label16 = named<QLabel>(this, "Label16");
    Label15 = wrapped(this, "Label15", QStringLiteral("Select a site from the list to use the buttons below:"));
    Label1 = wrapped(this, "Label1",
                     QStringLiteral("For sites that have their own weather stations, KESSAMIR can automatically execute "
                                    "the mirrix program once per day, sequentially running it for all these sites.  For "
                                    "any sites without their own stations, simply omit it from the list and the "
                                    "correction factors for it will be set to neutral values."));
    Label5 = wrapped(this, "Label5",
                     QStringLiteral("Note: You may use KESSAMIR's main form to set up PELTHOR for each site, to specify "
                                    "software type and log file location, through Compare to Actuals. (in PELTHOR)."));

    Frame1 = new QGroupBox(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    mxhrscrl = scrollBar(Frame1, "mxhrscrl", 23);
    mxminscrl = scrollBar(Frame1, "mxminscrl", 59);
    mxhrtxt = display(Frame1, "mxhrtxt");
    mxmintxt = display(Frame1, "mxmintxt");
    mxtime = named<QLabel>(Frame1, "mxtime");
    Label4 = named<QLabel>(Frame1, "Label4", QStringLiteral("Hours after midnight"));
    Label2 = named<QLabel>(Frame1, "Label2", QStringLiteral("Minutes after the hour"));
    mxlbl = wrapped(Frame1, "mxlbl",
                    QStringLiteral("Time to run mirrix (must be before first forecast of day).  Enter 0 for both hour "
                                   "and minute if you are not using mirrix with any of your sites."));
}

void MirrixSetup::arrangeControls()
{
    auto *time = new QGridLayout(Frame1);
    time->addWidget(mxlbl, 0, 0, 1, 3);
    time->addWidget(Label4, 1, 0);
    time->addWidget(mxhrscrl, 1, 1);
    time->addWidget(mxhrtxt, 1, 2);
    time->addWidget(Label2, 2, 0);
    time->addWidget(mxminscrl, 2, 1);
    time->addWidget(mxmintxt, 2, 2);
    time->addWidget(mxtime, 3, 0, 1, 3);

    auto *sites = new QVBoxLayout;
    sites->addWidget(Label6);
    sites->addWidget(listmxrn, 1);
    auto *marks = new QGridLayout;
    marks->addWidget(Command8, 0, 0);
    marks->addWidget(Command9, 0, 1);
    marks->addWidget(Command18, 1, 0);
    marks->addWidget(Command19, 1, 1);
    sites->addLayout(marks);

    auto *right = new QVBoxLayout;
    right->addWidget(Label1);
    right->addWidget(Frame1);
    right->addWidget(Label15);
    right->addWidget(Label3);
    right->addWidget(Label16);
    right->addWidget(Command2);
    auto *save = new QHBoxLayout;
    save->addWidget(Command4);
    save->addWidget(Command13);
    right->addLayout(save);
    right->addWidget(Label5);
    right->addStretch(1);
    right->addWidget(Command1, 0, Qt::AlignRight);

    auto *top = new QHBoxLayout(this);
    top->addLayout(sites, 1);
    top->addLayout(right, 2);
    Command1->setDefault(true);
    Command1->setFocus();
    resize(820, 520);
}

void MirrixSetup::reportFileError(int number, const QString &reason)
{
    Dialogs::notify(errorReport(number, s.lastFileNumber, s.lastFileName) + QStringLiteral("\n") + reason);
}

void MirrixSetup::showTime()
{
    MainWindow::setTextColor(mxtime, MainWindow::darkGreen());
    mxtime->setText(twelveHourText(mxhrscrl->value(), mxminscrl->value()));
    if (mxhrscrl->value() == 0 && mxminscrl->value() == 0) {
        MainWindow::setTextColor(mxtime, MainWindow::darkRed());
        mxtime->setText(kMidnight);
    }
}

void MirrixSetup::load()
{
    // Not scheduled while the window is open; OK schedules it again.
    w.Timer3->stop();
    w.Label18->setText(QStringLiteral("Mirrix not scheduled"));
    MainWindow::setTextColor(w.Label18, MainWindow::darkRed());

    mxhrscrl->setValue(s.learningRunHour);
    mxminscrl->setValue(s.learningRunMinute);
    mxhrtxt->setText(QString::number(mxhrscrl->value()));
    mxmintxt->setText(QString::number(mxminscrl->value()));
    showTime();
    Label16->setText(kClickHint);

    s.trace(20, QStringLiteral("mxrunlist.txt"));
    QList<int> flags;
    try {
        const SiteFlagList list = decodeSiteFlags(readBytes(QStringLiteral("mxrunlist.txt"), SettingsReadLimit));
        if (list.fault)
            throw *list.fault;
        flags = list.flags;
    } catch (const FileError &e) {
        reportFileError(e.number, e.reason);
    }
    for (int site = 0; site < flags.size(); ++site)
        s.learningIncludeFlags[site + 1] = flags[site];
    s.learningListLength = static_cast<int>(flags.size());

    for (int site = 0; site < SiteSlots; ++site) {
        s.learningSiteNames[site].clear();
        s.learningSiteCodes[site].clear();
    }
    for (int site = 1; site <= s.learningListLength; ++site) {
        // A site whose settings cannot be read is listed without its code and name.
        const QString file = siteFileName(QStringLiteral("c"), site);
        s.trace(20, file);
        try {
            const SiteIdentity id = readSiteIdentity(file);
            s.learningSiteNames[site] = id.name;
            s.learningSiteCodes[site] = id.code;
        } catch (const FileError &) {
        }
    }
    rebuild(true, s.learningListLength);
    m_loadedFlags = QList<int>(s.learningIncludeFlags.begin(), s.learningIncludeFlags.end());
    m_loadedHour = mxhrscrl->value();
    m_loadedMinute = mxminscrl->value();
}

bool MirrixSetup::changedSinceLoad() const
{
    return QList<int>(s.learningIncludeFlags.begin(), s.learningIncludeFlags.end()) != m_loadedFlags ||
           mxhrscrl->value() != m_loadedHour || mxminscrl->value() != m_loadedMinute;
}

void MirrixSetup::closeEvent(QCloseEvent *event)
{
    if (!m_closingByOk && changedSinceLoad() &&
        !Dialogs::askYesNo(QStringLiteral("The include marks or the learning time have changed.  Close without "
                                          "saving them?  (OK saves them.)"))) {
        event->ignore();
        return;
    }
    event->accept();
}

bool MirrixSetup::learningRunUnderWay() const
{
    if (!w.runGate.busy() || w.runGate.kind() != RunGate::Kind::Learning)
        return false;
    Dialogs::notifyNonBlocking(QStringLiteral("A learning run is under way and mirrix.exe works on mxrninit.txt.  "
                                              "Try again once the run has finished."));
    return true;
}

QString MirrixSetup::lineOf(int site, bool strictMark) const
{
    return siteListEntry(site, s.learningSiteCodes[site], s.learningSiteNames[site], s.learningIncludeFlags[site],
                         strictMark);
}

void MirrixSetup::rebuild(bool strictMarks, int count)
{
    const QSignalBlocker quiet(listmxrn);
    listmxrn->clear();
    for (int site = 1; site <= std::min(count, MaxSites); ++site)
        listmxrn->addItem(lineOf(site, strictMarks));
}

void MirrixSetup::siteClicked(int row)
{
    if (row < 0)
        return;
    Label16->clear();
    Command8->setEnabled(true);
    Command9->setEnabled(true);
    const int site = row + 1;
    s.selectedSiteNumber = site;
    showPlainText(Label3, s.learningSiteCodes[site] + QStringLiteral(" ") + s.learningSiteNames[site]);

    // mirrix.exe now works on this site's learning settings; not while a learning run has
    // staged another site's.
    m_siteInSettings = 0;
    if (learningRunUnderWay())
        return;
    const QString saved = siteFileName(QStringLiteral("a"), site);
    s.trace(20, saved);
    try {
        copyFile(saved, QStringLiteral("mxrninit.txt"));
        m_siteInSettings = site;
    } catch (const FileError &e) {
        m_siteInSettings = 0;
        reportFileError(e.number, e.reason);
    }
}

void MirrixSetup::setSelectedFlag(int flag)
{
    const int site = s.selectedSiteNumber;
    if (site < 1 || site > MaxSites)
        return;
    s.learningIncludeFlags[site] = flag;
    rebuild(false, s.siteCount);
    listmxrn->setCurrentRow(site - 1);
    siteClicked(site - 1); // as a click on the site again
    Command8->setEnabled(false);
    Command9->setEnabled(false);
}

void MirrixSetup::includeInRun()
{
    setSelectedFlag(1);
    Label16->clear();
    Command13->setEnabled(false);
    Command4->setEnabled(false);
}

void MirrixSetup::omitFromRun() { setSelectedFlag(0); }

void MirrixSetup::setAllFlags(int flag)
{
    for (int site = 1; site <= std::min(s.siteCount, MaxSites); ++site)
        s.learningIncludeFlags[site] = flag;
    rebuild(false, s.siteCount);
}

void MirrixSetup::includeAll() { setAllFlags(1); }
void MirrixSetup::omitAll() { setAllFlags(0); }

void MirrixSetup::openMirrix()
{
    // A run under way owns "imcode.txt" and the reply poll; a 0 written now would spoil its wait.
    if (w.runGate.busy()) {
        Dialogs::notifyNonBlocking(QStringLiteral("A forecast or learning run is under way.  Open mirrix.exe once "
                                                  "it has finished."));
        return;
    }
    // Edits of a companion opened from the main window are saved or dropped before this open
    // takes over the companion they are saved for.
    w.unsavedSettingsCheck();
    listmxrn->setEnabled(false);
    Command2->setEnabled(false);
    Command8->setEnabled(false);
    Command9->setEnabled(false);
    Command13->setEnabled(true);
    s.companionOpenedForSettings = 1;
    try {
        writeModeCode(s, 0);
    } catch (const FileError &e) {
        reportFileError(e.number, e.reason);
    }
    startAndReport(s, QStringLiteral("mirrix.exe"));
    Command4->setEnabled(true);
}

bool MirrixSetup::mirrixClosedCheck()
{
    s.trace(19, QStringLiteral("mirrixopen.txt"));
    if (companionOpen(QStringLiteral("mirrixopen.txt")) && s.mirrixCloseWarningGiven == 0) {
        Dialogs::notify(kCloseMirrix);
        s.mirrixCloseWarningGiven = 1;
        return false;
    }
    s.mirrixCloseWarningGiven = 0;
    return true;
}

void MirrixSetup::saveSettings()
{
    if (learningRunUnderWay() || !mirrixClosedCheck())
        return;
    // Saved to the site whose settings were put in place, never to another one.
    const int site = m_siteInSettings;
    if (site < 1) {
        Dialogs::notify(QStringLiteral("Click on a site in the list first: its learning settings are then put in "
                                       "place for mirrix.exe, and saved back to it here."));
        return;
    }
    QStringList targets{siteFileName(QStringLiteral("a"), site)};
    if (site == 1)
        targets << QStringLiteral("a0.txt");
    for (const QString &target : targets) {
        s.trace(20, target);
        try {
            copyFile(QStringLiteral("mxrninit.txt"), target);
        } catch (const FileError &e) {
            reportFileError(e.number, e.reason);
            return; // nothing lost: the settings are still in "mxrninit.txt" for another try
        }
    }
    Command4->setEnabled(false);
    Command13->setEnabled(false);
    Command2->setEnabled(true);
    listmxrn->setEnabled(true);
}

void MirrixSetup::dontSave()
{
    if (learningRunUnderWay() || !mirrixClosedCheck())
        return;
    Label16->clear();
    Command2->setEnabled(true);
    Command13->setEnabled(false);
    Command4->setEnabled(false);
    listmxrn->setEnabled(true);
}

void MirrixSetup::ok()
{
    s.trace(2, QStringLiteral("mxrunlist.txt"));
    s.learningSitesPresent = 0;
    QList<int> flags;
    for (int site = 1; site <= s.learningListLength; ++site) {
        flags << s.learningIncludeFlags[site];
        if (s.learningIncludeFlags[site] > 0)
            s.learningSitesPresent = 1;
    }
    try {
        writeBytes(QStringLiteral("mxrunlist.txt"), encodeSiteFlags(flags));
    } catch (const FileError &e) {
        reportFileError(e.number, e.reason);
    }

    s.learningRunHour = static_cast<int>(numericValue(mxhrtxt->text()));
    s.learningRunMinute = static_cast<int>(numericValue(mxmintxt->text()));
    if (s.schedulerOn && s.learningSitesPresent == 1 && (s.learningRunMinute > 0 || s.learningRunHour > 0))
        w.scheduler().enableLearningTimer();
    m_closingByOk = true;
    close();
}

} // namespace kess
