#include "mainwindow.h"

#include "core/controls.h"
#include "core/dialogs.h"
#include "core/version.h"
#include "app/shutdown.h"
#include "app/runstatuspanel.h"
#include "app/runtray.h"
#include "app/emptyfolder.h"
#include "app/startup.h"
#include "companions/companionopen.h"
#include "companions/replypoll.h"
#include "files/errors.h"
#include "files/fileops.h"
#include "files/records.h"
#include "learning/learningrun.h"
#include "run/forecastrun.h"
#include "scheduler/schedulerpanel.h"
#include "settings/dstbuttons.h"
#include "settings/sitesettings.h"
#include "sites/sitelist.h"
#include "windows/auxwindows.h"

#include "core/textcolour.h"

#include <QCloseEvent>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QVBoxLayout>

namespace kess {

namespace {

QLineEdit *textBox(QWidget *parent, const char *name, const QString &text)
{
    auto *w = new QLineEdit(text, parent);
    w->setObjectName(QLatin1String(name));
    return w;
}

QString hourCaption(int h)
{
    const int shown = h % 12 == 0 ? 12 : h % 12;
    return QString::number(shown) + (h < 12 ? QStringLiteral(" AM") : QStringLiteral(" PM"));
}

const QColor kRed(255, 0, 0);
const QColor kPurple(128, 0, 128);
const QColor kGreen(0, 128, 0);

} // namespace

QColor MainWindow::darkGreen() { return QColor(0, 140, 0); }
QColor MainWindow::darkRed() { return QColor(140, 0, 0); }

void MainWindow::setTextColor(QLabel *label, const QColor &colour) { setTextColour(label, colour); }

MainWindow::MainWindow(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("MainWindow"));
    // The working folder after the caption, so two copies on two folders can be told apart.
    setWindowTitle(QStringLiteral("KESSAMIR - Multiple Site Automated Forecasting System - Version ")
                   + QLatin1String(Version) + QStringLiteral(" - ") + QDir::toNativeSeparators(QDir::currentPath()));
    buildControls();
    arrangeControls();
    connectOptions();
    explainOptions();
    // Labels show what they are given as it is: the site labels show text from the site files.
    for (QLabel *label : findChildren<QLabel *>())
        label->setTextFormat(Qt::PlainText);

    m_siteList = std::make_unique<SiteList>(*this);
    m_forecastRun = std::make_unique<ForecastRun>(*this);
    m_scheduler = std::make_unique<SchedulerPanel>(*this);
    m_companionOpen = std::make_unique<CompanionOpen>(*this);
    m_shutdown = std::make_unique<Shutdown>(*this);
    m_siteSettings = std::make_unique<SiteSettings>(*this);
    m_dstButtons = std::make_unique<DstButtons>(*this);
    m_learningRun = std::make_unique<LearningRun>(*this);
    m_auxWindows = std::make_unique<AuxWindows>(this, state);
    connect(Command10, &QPushButton::clicked, this, [this] { m_auxWindows->showHelp(); });
    connect(Command11, &QPushButton::clicked, this, [this] { m_auxWindows->showAbout(); });
    connect(Command7, &QPushButton::clicked, this, [this] { m_auxWindows->showForecastText(); });
    auto *help = new QShortcut(QKeySequence::HelpContents, this);
    connect(help, &QShortcut::activated, this, [this] { m_auxWindows->showHelp(); });
    connect(runHistoryButton, &QPushButton::clicked, this, [this] { m_auxWindows->showRunHistory(); });
    runStatusPanel->watch(m_forecastRun->status(), Timer1);
    m_runTray = new RunTray(*this);

    connect(Timer1, &QTimer::timeout, this, [this] { pollReply(state); });
}

MainWindow::~MainWindow() = default;

void MainWindow::buildControls()
{
    List1 = new QListWidget(this);
    List1->setObjectName(QStringLiteral("List1"));
    Label6 = named<QLabel>(this, "Label6", QStringLiteral("Available Sites:"));
    Label15 = named<QLabel>(this, "Label15", QStringLiteral("Select a site from the list to use the buttons below:"));
    Label4 = named<QLabel>(this, "Label4", QStringLiteral("Selected site:"));
    Label3 = named<QLabel>(this, "Label3", QStringLiteral("(none yet)"));
    setTextColor(Label3, kPurple);
    Command8 = named<QPushButton>(this, "Command8", QStringLiteral("&Include in run"));
    Command8->setEnabled(false);
    Command9 = named<QPushButton>(this, "Command9", QStringLiteral("&Omit from run"));
    Command9->setEnabled(false);
    Command18 = named<QPushButton>(this, "Command18", QStringLiteral("Include &all"));
    Command19 = named<QPushButton>(this, "Command19", QStringLiteral("O&mit all"));
    Label16 = named<QLabel>(this, "Label16");

    Command5 = named<QPushButton>(this, "Command5", QStringLiteral("Open &VANTRO as selected site"));
    Command6 = named<QPushButton>(this, "Command6", QStringLiteral("Open &DORLIQ as selected site"));
    Command12 = named<QPushButton>(this, "Command12", QStringLiteral("Open &PELTHOR as selected site"));
    Command4 = named<QPushButton>(this, "Command4", QStringLiteral("Save settings for:"));
    Command4->setEnabled(false); // nothing to save until a companion is opened for a site
    Option1 = named<QRadioButton>(this, "Option1", QStringLiteral("selected site only "));
    Option1->setChecked(true);
    Option2 = named<QRadioButton>(this, "Option2",
                                  QStringLiteral("selected site plus generic data for all sites with '+'"));
    Command13 = named<QPushButton>(this, "Command13", QStringLiteral("Do&n't save"));
    Command13->setEnabled(false);
    Label11 = named<QLabel>(this, "Label11");
    setTextColor(Label11, kRed);
    Label12 = named<QLabel>(this, "Label12");
    setTextColor(Label12, kRed);

    for (int h = 0; h < 24; ++h) {
        tm[h] = new QCheckBox(hourCaption(h), this);
        tm[h]->setObjectName(QStringLiteral("tm%1").arg(h));
        tm[h]->setProperty("index", h);
    }
    Label5 = named<QLabel>(this, "Label5", QStringLiteral("Minutes after the hour"));
    mintx = textBox(this, "mintx", QStringLiteral("15"));
    minscrl = new QScrollBar(Qt::Horizontal, this);
    minscrl->setObjectName(QStringLiteral("minscrl"));
    minscrl->setRange(0, 59);
    minscrl->setValue(15);
    minscrl->setSingleStep(1);
    minscrl->setPageStep(10);
    Command1 = named<QPushButton>(this, "Command1", QStringLiteral("Activate schedu&ler"));
    offon = named<QLabel>(this, "offon", QStringLiteral("Scheduler OFF"));
    setTextColor(offon, kRed);
    Label18 = named<QLabel>(this, "Label18");
    nextRun = named<QLabel>(this, "nextRun");

    Command2 = named<QPushButton>(this, "Command2", QStringLiteral("&Run immediately"));
    Label1 = named<QLabel>(this, "Label1", QStringLiteral("Currently forecasting for:"));
    Label2 = named<QLabel>(this, "Label2", QStringLiteral("(none yet)"));
    setTextColor(Label2, kRed);
    Label7 = named<QLabel>(this, "Label7", QStringLiteral("Finished forecast for:"));
    Label8 = named<QLabel>(this, "Label8", QStringLiteral("(none yet)"));
    setTextColor(Label8, kGreen);
    Command7 = named<QPushButton>(this, "Command7", QStringLiteral("&Show text of forecast"));
    runHistoryButton = named<QPushButton>(this, "runHistoryButton", QStringLiteral("Run histor&y"));
    Label13 = named<QLabel>(this, "Label13", QStringLiteral("Maximum time to wait for DORLIQ:"));
    mintowaittx = textBox(this, "mintowaittx", QStringLiteral("5"));
    Label14 = named<QLabel>(this, "Label14", QStringLiteral("minutes"));
    omlbl = named<QLabel>(this, "omlbl", QStringLiteral("Skip VANTRO run if DORLIQ fails to find these data types:"));
    exmodchk = named<QCheckBox>(this, "exmodchk", QStringLiteral("external model (GFS)"));
    locchk = named<QCheckBox>(this, "locchk", QStringLiteral("local (home) station (if expected for site)"));

    boothr = named<QCheckBox>(this, "boothr", QStringLiteral("Boot VANTRO with whole hour if initializing with GFS"));
    usedefst = named<QCheckBox>(this, "usedefst", QStringLiteral("Use default water temps"));
    skipmsg = named<QCheckBox>(this, "skipmsg", QStringLiteral("Skip non-critical error messages"));
    bmppng = named<QCheckBox>(this, "bmppng", QStringLiteral("Convert BMP to PNG using IrfanView, at"));
    ivtx = textBox(this, "ivtx", QStringLiteral("c:\\Program Files\\IrfanView"));
    Label9 = named<QLabel>(this, "Label9",
                           QStringLiteral("Alternate target folder for PNG's (leave blank to send them to same folders as other data)"));
    Label9->setWordWrap(true);
    pngtar = textBox(this, "pngtar", QStringLiteral("c:\\skew-t"));
    exbat = named<QCheckBox>(this, "exbat", QStringLiteral("Run this DOS batch file after forecasts are complete:"));
    exbattx = textBox(this, "exbattx", QString());

    Label10 = named<QLabel>(this, "Label10", QStringLiteral("Change daylight saving time all programs, all sites:"));
    Command14 = named<QPushButton>(this, "Command14", QStringLiteral("Start DS&T"));
    Command15 = named<QPushButton>(this, "Command15", QStringLiteral("&End DST"));
    Command20 = named<QPushButton>(this, "Command20", QStringLiteral("Set &up mirrix.exe for all sites"));
    Command21 = named<QPushButton>(this, "Command21", QStringLiteral("Run mirri&x immediately"));

    Command10 = named<QPushButton>(this, "Command10", QStringLiteral("&Help"));
    Command11 = named<QPushButton>(this, "Command11", QStringLiteral("About &KESSAMIR"));
    Command3 = named<QPushButton>(this, "Command3", QStringLiteral("&Close"));
    Label17 = named<QLabel>(this, "Label17", QStringLiteral("For use with VANTRO 2017-2024"));
    setTextColor(Label17, kRed);

    Command16 = named<QPushButton>(this, "Command16", QStringLiteral("vantro"));
    Command16->setVisible(false);
    Command17 = named<QPushButton>(this, "Command17", QStringLiteral("dorliq"));
    Command17->setVisible(false);

    auto timer = [this](const char *name) {
        auto *t = new QTimer(this);
        t->setObjectName(QLatin1String(name));
        t->setInterval(3000);
        return t;
    };
    Timer1 = timer("Timer1");
    Timer2 = timer("Timer2");
    Timer3 = timer("Timer3");
}

void MainWindow::arrangeControls()
{
    // The groups scroll inside the window, so it fits a small screen with large fonts; the row
    // of Help, About and Close stays below them, always in reach.
    auto *groups = new QWidget;
    groups->setObjectName(QStringLiteral("groups"));
    auto *sites = new QGroupBox(tr("Sites"), groups);
    auto *sitesLayout = new QVBoxLayout(sites);
    sitesLayout->addWidget(Label6);
    sitesLayout->addWidget(List1, 1);
    emptyFolderPanel = new EmptyFolderPanel(*this, sites);
    emptyFolderPanel->hide();
    sitesLayout->addWidget(emptyFolderPanel, 1);
    sitesLayout->addWidget(Label15);
    auto *selected = new QHBoxLayout;
    selected->addWidget(Label4);
    selected->addWidget(Label3, 1);
    sitesLayout->addLayout(selected);
    auto *runList = new QGridLayout;
    runList->addWidget(Command8, 0, 0);
    runList->addWidget(Command9, 0, 1);
    runList->addWidget(Command18, 1, 0);
    runList->addWidget(Command19, 1, 1);
    sitesLayout->addLayout(runList);
    sitesLayout->addWidget(Label16);

    auto *editing = new QGroupBox(tr("Site settings"), groups);
    auto *editLayout = new QVBoxLayout(editing);
    editLayout->addWidget(Command5);
    editLayout->addWidget(Command6);
    editLayout->addWidget(Command12);
    editLayout->addWidget(Command4);
    editLayout->addWidget(Option1);
    editLayout->addWidget(Option2);
    editLayout->addWidget(Command13);
    editLayout->addWidget(Label12);
    sitesLayout->addWidget(editing);

    auto *schedule = new QGroupBox(tr("Schedule"), groups);
    auto *scheduleLayout = new QVBoxLayout(schedule);
    auto *hours = new QGridLayout;
    for (int h = 0; h < 24; ++h) // four rows of six: morning, noon, afternoon, evening
        hours->addWidget(tm[h], h / 6, h % 6);
    scheduleLayout->addLayout(hours);
    auto *minutes = new QHBoxLayout;
    minutes->addWidget(Label5);
    mintx->setMaximumWidth(60);
    minutes->addWidget(mintx);
    minutes->addWidget(minscrl, 1);
    scheduleLayout->addLayout(minutes);
    auto *onOff = new QHBoxLayout;
    onOff->addWidget(Command1);
    onOff->addWidget(offon);
    onOff->addWidget(nextRun);
    onOff->addWidget(Label18, 1);
    scheduleLayout->addLayout(onOff);

    auto *run = new QGroupBox(tr("Forecast run"), groups);
    auto *runLayout = new QGridLayout(run);
    runLayout->addWidget(Command2, 0, 0);
    auto *forecastButtons = new QHBoxLayout; // the buttons that look back at runs
    forecastButtons->addWidget(Command7);
    forecastButtons->addWidget(runHistoryButton);
    runLayout->addLayout(forecastButtons, 0, 1);
    runLayout->addWidget(Label1, 1, 0);
    runLayout->addWidget(Label2, 1, 1);
    runLayout->addWidget(Label7, 2, 0);
    runLayout->addWidget(Label8, 2, 1);
    auto *wait = new QHBoxLayout;
    wait->addWidget(Label13);
    mintowaittx->setMaximumWidth(60);
    wait->addWidget(mintowaittx);
    wait->addWidget(Label14);
    wait->addStretch(1);
    runLayout->addLayout(wait, 3, 0, 1, 2);
    runLayout->addWidget(omlbl, 4, 0, 1, 2);
    runLayout->addWidget(exmodchk, 5, 0);
    runLayout->addWidget(locchk, 5, 1);
    runLayout->addWidget(Command16, 6, 0);
    runLayout->addWidget(Command17, 6, 1);
    runStatusPanel = new RunStatusPanel(run);
    runLayout->addWidget(runStatusPanel, 7, 0, 1, 2);

    auto *options = new QGroupBox(tr("Options"), groups);
    auto *optionsLayout = new QGridLayout(options);
    optionsLayout->addWidget(boothr, 0, 0, 1, 2);
    optionsLayout->addWidget(usedefst, 1, 0);
    optionsLayout->addWidget(skipmsg, 1, 1);
    optionsLayout->addWidget(bmppng, 2, 0);
    optionsLayout->addWidget(ivtx, 2, 1);
    optionsLayout->addWidget(Label9, 3, 0);
    optionsLayout->addWidget(pngtar, 3, 1);
    optionsLayout->addWidget(exbat, 4, 0);
    optionsLayout->addWidget(exbattx, 4, 1);

    auto *dst = new QGroupBox(tr("Daylight saving and learning"), groups);
    auto *dstLayout = new QGridLayout(dst);
    dstLayout->addWidget(Label10, 0, 0, 1, 2);
    dstLayout->addWidget(Command14, 1, 0);
    dstLayout->addWidget(Command15, 1, 1);
    dstLayout->addWidget(Label11, 2, 0, 1, 2);
    dstLayout->addWidget(Command20, 3, 0);
    dstLayout->addWidget(Command21, 3, 1);

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(Label17);
    bottom->addStretch(1);
    bottom->addWidget(Command10);
    bottom->addWidget(Command11);
    bottom->addWidget(Command3);

    auto *right = new QVBoxLayout;
    right->addWidget(schedule);
    right->addWidget(run);
    right->addWidget(options);
    right->addWidget(dst);
    right->addStretch(1);

    auto *columns = new QHBoxLayout(groups);
    columns->setContentsMargins(0, 0, 0, 0);
    columns->addWidget(sites, 2);
    columns->addLayout(right, 3);

    auto *scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("groupsArea"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setFocusPolicy(Qt::NoFocus); // the controls inside take the focus, not the area
    scroll->setWidgetResizable(true);
    scroll->setWidget(groups);

    auto *top = new QVBoxLayout(this);
    top->addWidget(scroll, 1);
    top->addLayout(bottom);
    // Everything at once where the screen has room, else as much as its free area holds.
    const QSize wanted = groups->sizeHint() + QSize(2 * top->contentsMargins().left() + 20, bottom->sizeHint().height() + 40);
    const QSize free = screen() ? screen()->availableGeometry().size() - QSize(0, 40) : wanted;
    resize(wanted.boundedTo(free));
}

void MainWindow::explainOptions()
{
    exmodchk->setToolTip(QStringLiteral("Skip the site's VANTRO run when DORLIQ finds no external model (GFS) data for it."));
    locchk->setToolTip(QStringLiteral("Skip the site's VANTRO run when DORLIQ finds no data from the site's own "
                                      "(home) weather station, for sites that expect one."));
    omlbl->setToolTip(exmodchk->toolTip() + u'\n' + locchk->toolTip());
    boothr->setToolTip(QStringLiteral("When VANTRO starts from GFS model data, start the forecast at the whole hour "
                                      "(kept in lasthr.txt for VANTRO)."));
    usedefst->setToolTip(QStringLiteral("VANTRO uses its default water temperatures instead of measured ones "
                                        "(passed to VANTRO in defst.txt at every run)."));
    bmppng->setToolTip(QStringLiteral("After each site, convert the VANTRO charts (BMP) to PNG with IrfanView's "
                                      "i_view32.exe, which is in the folder given here."));
    ivtx->setToolTip(QStringLiteral("The folder that holds IrfanView's i_view32.exe."));
    pngtar->setToolTip(QStringLiteral("Where the PNG charts go; leave it blank to keep them beside the other data."));
    Label9->setToolTip(pngtar->toolTip());
    exbat->setToolTip(QStringLiteral("Runs the batch file named here after site 25 and after the last site of a run."));
    exbattx->setToolTip(exbat->toolTip());

    // Each text box carries the name of its own label, for screen readers.
    Label5->setBuddy(mintx);
    Label13->setBuddy(mintowaittx);
    Label9->setBuddy(pngtar);
    mintx->setAccessibleName(Label5->text());
    mintowaittx->setAccessibleName(QStringLiteral("Maximum time to wait for DORLIQ, in minutes"));
    ivtx->setAccessibleName(QStringLiteral("IrfanView folder"));
    pngtar->setAccessibleName(QStringLiteral("Alternate target folder for PNG's"));
    exbattx->setAccessibleName(QStringLiteral("Batch file to run after forecasts are complete"));
}

void MainWindow::connectOptions()
{
    connect(bmppng, &QCheckBox::toggled, this, [this](bool on) { state.convertBmpToPng = on ? 1 : 0; });
    connect(exbat, &QCheckBox::toggled, this, [this](bool on) { state.runBatchFile = on ? 1 : 0; });
    connect(skipmsg, &QCheckBox::toggled, this, [this](bool on) { state.skipNonCriticalMessages = on ? 1 : 0; });
    connect(boothr, &QCheckBox::toggled, this, [this](bool on) {
        state.bootWithWholeHour = on ? 1 : 0;
        state.trace(18, QStringLiteral("lasthr.txt"));
        writeOptionFile(QStringLiteral("lasthr.txt"), state.bootWithWholeHour);
    });
    connect(usedefst, &QCheckBox::toggled, this, [this](bool on) {
        state.useDefaultWaterTemps = on ? 1 : 0;
        state.trace(18, QStringLiteral("defseat.txt"));
        writeOptionFile(QStringLiteral("defseat.txt"), state.useDefaultWaterTemps);
    });
    connect(minscrl, &QScrollBar::valueChanged, this, [this](int v) { mintx->setText(QString::number(v)); });
    connect(mintx, &QLineEdit::textChanged, this,
            [this](const QString &t) { state.minutesAfterTheHour = numericValue(t); });
    connect(mintowaittx, &QLineEdit::textChanged, this,
            [this](const QString &t) { state.dorliqWaitLimit = numericValue(t); });
}

void MainWindow::writeOptionFile(const QString &name, int value)
{
    try {
        writeRecord(name, value);
    } catch (const FileError &e) {
        // The option itself stays changed; only the file could not be written.
        if (!m_startingUp)
            Dialogs::notify(errorReport(e.number, state.lastFileNumber, state.lastFileName) +
                            QStringLiteral("\n") + e.reason);
    }
}

void MainWindow::startUp()
{
    m_startingUp = true;
    runStartUp(*this);
    m_startingUp = false;
    m_runTray->refresh(); // the scheduler as the settings left it
    // The keyboard starts in the site list (which selects nothing by taking the focus), or on the
    // way out of a folder without sites.
    if (emptyFolderPanel->isVisibleTo(this))
        emptyFolderPanel->demoButton->setFocus();
    else
        List1->setFocus();
}

void MainWindow::showEmptyFolder(bool empty)
{
    List1->setVisible(!empty);
    emptyFolderPanel->setVisible(empty);
}

void MainWindow::unsavedSettingsCheck() { m_siteSettings->unsavedSettingsCheck(); }

void MainWindow::runLearning(RunStart how, const QString &delayNote) { m_learningRun->run(how, delayNote); }

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (m_shutdown->ended()) {
        event->accept();
        return;
    }
    if (m_runTray->hidesOnClose()) {
        // The schedule goes on: the window waits in the tray, where "Show KESSAMIR" brings it back.
        event->ignore();
        hide();
        m_runTray->hiddenToTray();
        return;
    }
    if (runGate.busy()) {
        // Ending now would leave the run going on without a window; refused as Close refuses it.
        Dialogs::notifyNonBlocking(Shutdown::runUnderWayNotice());
        event->ignore();
        return;
    }
    if (Dialogs::askYesNoDefaultNo(QStringLiteral("Closing the window this way does not save the settings or the run list.  "
                                                  "Use the Close button to save them.  Close without saving?")))
        event->accept();
    else
        event->ignore();
}

} // namespace kess
