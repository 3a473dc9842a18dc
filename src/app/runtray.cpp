#include "runtray.h"

#include "app/mainwindow.h"
#include "app/runnotifier.h"
#include "learning/learningrun.h"
#include "run/forecastrun.h"
#include "run/runrecord.h"
#include "scheduler/schedulerpanel.h"
#include "windows/auxwindows.h"
#include "windows/runhistoryform.h"

#include <QApplication>
#include <QPainter>
#include <QSettings>
#include <QTimer>
#include <optional>

namespace kess {

namespace {

// The program's icon, with a red "!" in its corner when the last run lost a site.
QIcon trayIcon(bool lost)
{
    QIcon base = QApplication::windowIcon();
    if (base.isNull())
        base = QIcon::fromTheme(QStringLiteral("kessamir"));
    QPixmap pixmap(64, 64);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    if (!base.isNull()) {
        base.paint(&p, pixmap.rect());
    } else {
        p.setBrush(QColor(0x1f, 0x5f, 0xa8));
        p.setPen(Qt::NoPen);
        p.drawEllipse(pixmap.rect().adjusted(2, 2, -2, -2));
        p.setPen(Qt::white);
        p.setFont(QFont(QStringLiteral("Sans"), 28, QFont::Bold));
        p.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("K"));
    }
    if (lost) {
        const QRect badge(30, 30, 34, 34);
        p.setBrush(QColor(0xc6, 0x28, 0x28));
        p.setPen(QPen(Qt::white, 3));
        p.drawEllipse(badge.adjusted(2, 2, -2, -2));
        p.setFont(QFont(QStringLiteral("Sans"), 18, QFont::Bold));
        p.drawText(badge, Qt::AlignCenter, QStringLiteral("!"));
    }
    return QIcon(pixmap);
}

// "forecast run of 12-10 06:15: 3 of 4 sites forecast, 1 lost".
QString resultText(const RunRecord &run)
{
    int done = 0, included = 0;
    for (const SiteResult &r : run.sites) {
        done += r.outcome == SiteOutcome::Done;
        included += r.outcome != SiteOutcome::NotInRun;
    }
    QString text = QStringLiteral("%1 run of %2: ").arg(kindWord(run.kind), run.started.toString(QStringLiteral("MM-dd HH:mm")));
    if (!run.abortReason.isEmpty())
        text += QStringLiteral("aborted");
    else
        text += QStringLiteral("%1 of %2 sites %3").arg(done).arg(included).arg(outcomeWord(run.kind, SiteOutcome::Done));
    if (run.lostSites() > 0)
        text += QStringLiteral(", %1 lost").arg(run.lostSites());
    return text;
}

std::optional<bool> &assumedTray()
{
    static std::optional<bool> assumed;
    return assumed;
}

const QString keepInTrayKey = QStringLiteral("keepRunningInTray");

} // namespace

RunTray::AssumeTray::AssumeTray(bool available) { assumedTray() = available; }
RunTray::AssumeTray::~AssumeTray() { assumedTray().reset(); }

bool RunTray::trayAvailable()
{
    return assumedTray() ? *assumedTray() : QSystemTrayIcon::isSystemTrayAvailable();
}

bool RunTray::hidesOnClose() const
{
    return w.state.schedulerOn && m_keepInTray->isChecked() && trayAvailable();
}

void RunTray::hiddenToTray()
{
    refresh();
    if (m_toldHidden)
        return;
    m_toldHidden = true;
    const QString next = w.scheduler().nextStart();
    m_notifier->tell({QStringLiteral("KESSAMIR keeps running in the tray"),
                      (next.isEmpty() ? QString() : QStringLiteral("The scheduled runs go on (next run %1).  ").arg(next)) +
                          QStringLiteral("\"Show KESSAMIR\" in the tray menu brings the window back; its Quit ends KESSAMIR.")},
                     false);
}

RunTray::RunTray(MainWindow &window) : QObject(&window), w(window), m_icon(new QSystemTrayIcon(this))
{
    m_notifier = new RunNotifier(m_icon, [this] { w.auxWindows().showRunHistory(); }, this);
    m_menu.addAction(QStringLiteral("Show KESSAMIR"), this, &RunTray::showWindow);
    m_menu.addAction(QStringLiteral("Run immediately"), w.Command2, &QPushButton::click);
    m_menu.addAction(QStringLiteral("Run history"), this, [this] { w.auxWindows().showRunHistory(); });
    m_menu.addSeparator();
    // Closing the window with the scheduler on keeps the program (and its schedule) in the tray.
    m_keepInTray = m_menu.addAction(QStringLiteral("Keep running in the tray when the window is closed"));
    m_keepInTray->setCheckable(true);
    m_keepInTray->setChecked(QSettings(QStringLiteral("kessamir"), QStringLiteral("kessamir")).value(keepInTrayKey, true).toBool());
    connect(m_keepInTray, &QAction::toggled, this, [](bool on) {
        QSettings(QStringLiteral("kessamir"), QStringLiteral("kessamir")).setValue(keepInTrayKey, on);
    });
    m_menu.addSeparator();
    // Quit is the Close button: the same checks, the same saving.
    m_menu.addAction(QStringLiteral("Quit"), w.Command3, &QPushButton::click);
    m_icon->setContextMenu(&m_menu);
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason why) {
        if (why == QSystemTrayIcon::Trigger || why == QSystemTrayIcon::DoubleClick)
            showWindow();
    });
    connect(m_icon, &QSystemTrayIcon::messageClicked, this, [this] { w.auxWindows().showRunHistory(); });

    watch(w.forecastRun().status());
    watch(w.learningRun().status());
    // The next start moves with the scheduler's button, its hours and minutes, and the clock.
    connect(w.Command1, &QPushButton::clicked, this, &RunTray::refresh);
    connect(w.Timer2, &QTimer::timeout, this, &RunTray::refresh);
    connect(w.mintx, &QLineEdit::textChanged, this, &RunTray::refresh);
    for (QCheckBox *hour : w.tm)
        connect(hour, &QCheckBox::toggled, this, &RunTray::refresh);

    m_icon->setIcon(trayIcon(false));
    refresh();
    // The last run's result once the window is up: the record can hold 20,000 rows.
    QTimer::singleShot(0, this, [this] {
        const QList<RunRecord> runs = readRunRecord();
        if (m_running || runs.isEmpty() || !m_lastResult.isEmpty())
            return;
        m_lastResult = resultText(runs.last());
        m_lastLost = runs.last().lostSites() > 0;
        m_icon->setIcon(trayIcon(m_lastLost));
        refresh();
    });
    if (QSystemTrayIcon::isSystemTrayAvailable())
        m_icon->show();
}

RunTray::~RunTray() = default;

void RunTray::watch(RunStatus &status)
{
    connect(&status, &RunStatus::started, this, [this, &status] {
        m_running = &status;
        refresh();
    });
    connect(&status, &RunStatus::movedOn, this, &RunTray::refresh);
    connect(&status, &RunStatus::ended, this, &RunTray::ended);
}

void RunTray::ended(const RunRecord &run)
{
    m_running = nullptr;
    m_lastResult = resultText(run);
    const bool lost = run.lostSites() > 0;
    if (lost != m_lastLost)
        m_icon->setIcon(trayIcon(lost));
    m_lastLost = lost;
    refresh();
    if (RunHistoryForm *history = w.auxWindows().runHistory())
        history->load();
    m_notifier->runEnded(run);
}

void RunTray::refresh()
{
    const QString next = w.scheduler().nextStart();
    w.nextRun->setText(next.isEmpty() ? QString() : QStringLiteral("next run ") + next);

    QStringList tip{QStringLiteral("KESSAMIR")};
    if (m_running)
        tip << QStringLiteral("%1 run: site %2 of %3")
                   .arg(kindWord(m_running->kind()))
                   .arg(m_running->position())
                   .arg(m_running->total());
    else
        tip << QStringLiteral("idle");
    if (!m_lastResult.isEmpty())
        tip << QStringLiteral("last ") + m_lastResult;
    if (!next.isEmpty())
        tip << QStringLiteral("next run ") + next;
    m_icon->setToolTip(tip.join(u'\n'));
}

void RunTray::showWindow()
{
    w.setWindowState(w.windowState() & ~Qt::WindowMinimized);
    w.show();
    w.raise();
    w.activateWindow();
}

} // namespace kess
