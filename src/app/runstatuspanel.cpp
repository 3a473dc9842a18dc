#include "runstatuspanel.h"

#include "core/showntext.h"
#include "files/records.h"
#include "run/runstatus.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace kess {

namespace {
// Ten skipped sites with their reasons; the rest of a longer line is in its tool tip.
constexpr int LastRunShownLimit = 1000;
} // namespace

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
    // Room for the usual three lines from the start, so the groups below do not move when it wraps.
    lastRun->setMinimumHeight(lastRun->fontMetrics().lineSpacing() * 3);
    lastRun->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto *progress = new QHBoxLayout;
    progress->addWidget(runProgress, 1);
    progress->addWidget(runElapsed);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(progress);
    layout->addWidget(lastRun);

    // The elapsed time changes every second during a run: at a fixed size and opaque, a new text
    // repaints the label alone instead of laying the window out again and repainting its frame.
    QSize longest;
    for (const QString &text : {QStringLiteral("elapsed 00 min 00 s"), QStringLiteral("elapsed 00 h 00 min")}) {
        runElapsed->setText(text);
        longest = longest.expandedTo(runElapsed->sizeHint());
    }
    runElapsed->setFixedSize(longest);
    runElapsed->setAutoFillBackground(true); // opaque: the group box behind it is not repainted
    runElapsed->clear();

    // Hidden between runs, but their place is kept: nothing below them moves when a run starts.
    for (QWidget *w : {static_cast<QWidget *>(runProgress), static_cast<QWidget *>(runElapsed)}) {
        QSizePolicy policy = w->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        w->setSizePolicy(policy);
        w->hide();
    }
    showLastRun(lastHistoryLine());
}

void RunStatusPanel::watch(RunStatus &status, QTimer *refresh)
{
    m_status = &status;
    connect(refresh, &QTimer::timeout, this, [this] {
        if (runElapsed->isVisible())
            showElapsed();
    });
    connect(&status, &RunStatus::started, this, [this] {
        showProgress();
        runProgress->show();
        runElapsed->show();
    });
    connect(&status, &RunStatus::movedOn, this, &RunStatusPanel::showProgress);
    connect(&status, &RunStatus::finished, this, [this](const QString &line) {
        runProgress->hide();
        runElapsed->hide();
        showLastRun(line);
        if (!m_status->historyTrouble().isEmpty())
            lastRun->setText(lastRun->text() + QStringLiteral("  (not kept in the run history: ") +
                             withoutControls(m_status->historyTrouble()) + QLatin1Char(')'));
    });
}

void RunStatusPanel::showProgress()
{
    // An empty run list still shows a bar: "site 0 of 0".
    runProgress->setRange(0, qMax(m_status->total(), 1));
    runProgress->setValue(qMax(m_status->position() - 1, 0)); // the sites ended so far
    // The site's code and name come from its settings file: cut to a line's length.
    QString site = withoutControls(m_status->currentSite());
    if (site.size() > 80)
        site = site.left(79) + QChar(0x2026);
    runProgress->setFormat(QStringLiteral("site %1 of %2").arg(m_status->position()).arg(m_status->total()) +
                           (site.isEmpty() ? QString() : QStringLiteral(": ") + site));
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
    QString shown = withoutControls(line);
    shown.replace(QStringLiteral(", skipped: "), QStringLiteral(",\nskipped: "));
    shown.replace(QStringLiteral(", aborted: "), QStringLiteral(",\naborted: "));
    showPlainText(lastRun, line.isEmpty() ? QString() : QStringLiteral("Last run: ") + shown, LastRunShownLimit);
}

} // namespace kess
