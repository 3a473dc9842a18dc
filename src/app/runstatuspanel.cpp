#include "runstatuspanel.h"

#include "run/runstatus.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace kess {

RunStatusPanel::RunStatusPanel(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("runStatusPanel"));
    runProgress = new QProgressBar(this);
    runProgress->setObjectName(QStringLiteral("runProgress"));
    runProgress->setFormat(QStringLiteral("site %v of %m"));
    runElapsed = new QLabel(this);
    runElapsed->setObjectName(QStringLiteral("runElapsed"));
    lastRun = new QLabel(this);
    lastRun->setObjectName(QStringLiteral("lastRun"));
    lastRun->setWordWrap(true);
    lastRun->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *progress = new QHBoxLayout;
    progress->addWidget(runProgress, 1);
    progress->addWidget(runElapsed);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(progress);
    layout->addWidget(lastRun);

    runProgress->hide();
    runElapsed->hide();
    showLastRun(lastHistoryLine());

    m_tick.setInterval(1000);
    connect(&m_tick, &QTimer::timeout, this, &RunStatusPanel::showElapsed);
}

void RunStatusPanel::watch(RunStatus &status)
{
    m_status = &status;
    connect(&status, &RunStatus::started, this, [this] {
        showProgress();
        runProgress->show();
        runElapsed->show();
        m_tick.start();
    });
    connect(&status, &RunStatus::movedOn, this, &RunStatusPanel::showProgress);
    connect(&status, &RunStatus::finished, this, [this](const QString &line) {
        m_tick.stop();
        runProgress->hide();
        runElapsed->hide();
        showLastRun(line);
        if (!m_status->historyTrouble().isEmpty())
            lastRun->setText(lastRun->text() + QStringLiteral("  (not kept in kesshistory.txt: ") +
                             m_status->historyTrouble() + QLatin1Char(')'));
    });
}

void RunStatusPanel::showProgress()
{
    // An empty run list still shows a bar: "site 0 of 0".
    runProgress->setRange(0, qMax(m_status->total(), 1));
    runProgress->setValue(m_status->position());
    runProgress->setFormat(QStringLiteral("site %1 of %2").arg(m_status->position()).arg(m_status->total()) +
                           (m_status->currentSite().isEmpty() ? QString() : QStringLiteral(": ") + m_status->currentSite()));
    showElapsed();
}

void RunStatusPanel::showElapsed()
{
    if (m_status)
        runElapsed->setText(QStringLiteral("elapsed ") + durationText(m_status->elapsedMs()));
}

void RunStatusPanel::showLastRun(const QString &line)
{
    // The skipped sites and an abort's reason start lines of their own, so the line's start
    // stays whole however many sites were skipped.
    QString shown = line;
    shown.replace(QStringLiteral(", skipped: "), QStringLiteral(",\nskipped: "));
    shown.replace(QStringLiteral(", aborted: "), QStringLiteral(",\naborted: "));
    lastRun->setText(line.isEmpty() ? QString() : QStringLiteral("Last run: ") + shown);
}

} // namespace kess
