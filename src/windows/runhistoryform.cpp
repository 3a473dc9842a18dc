#include "runhistoryform.h"

#include "core/secondarywindow.h"
#include "core/showntext.h"
#include "run/runrecord.h"

#include <QDir>
#include <QEvent>
#include <QHash>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QStyle>
#include <QVBoxLayout>

namespace kess {

namespace {

QString letter(RunKind kind, SiteOutcome outcome)
{
    switch (outcome) {
    case SiteOutcome::Done:
        return kind == RunKind::Learning ? QStringLiteral("L") : QStringLiteral("F");
    case SiteOutcome::Skipped:
        return QStringLiteral("S");
    case SiteOutcome::NotReached:
        return QStringLiteral("A");
    case SiteOutcome::NotInRun:
        break;
    }
    return QStringLiteral("-");
}

// Soft colours under dark text on a light palette, deep ones under light text on a dark palette.
QVariant background(SiteOutcome outcome, bool dark)
{
    switch (outcome) {
    case SiteOutcome::Done:
        return dark ? QColor(0x1e, 0x56, 0x31) : QColor(0xb7, 0xe4, 0xc7);
    case SiteOutcome::Skipped:
        return dark ? QColor(0x8b, 0x1e, 0x1e) : QColor(0xf4, 0xa6, 0xa6);
    case SiteOutcome::NotReached:
        return dark ? QColor(0x6b, 0x4e, 0x00) : QColor(0xf9, 0xd5, 0x8b);
    case SiteOutcome::NotInRun:
        break;
    }
    return {};
}

QString runTitle(const RunRecord &run)
{
    return runName(run) + QStringLiteral(" (") + durationText(run.lastedMs) + u')';
}

QString reasonText(RunKind kind, const SiteResult &site)
{
    const QString word = outcomeWord(kind, site.outcome);
    return site.reason.isEmpty() ? word : word + QStringLiteral(": ") + site.reason;
}

// The sites the program can have; a row's site text is cut to a line's length.
constexpr int MaxSites = 99;
constexpr int ShownNameLimit = 60;

bool isDark(const QPalette &palette) { return palette.color(QPalette::Base).lightness() < 128; }

} // namespace

void RunHistoryModel::setRuns(const QList<RunRecord> &runs)
{
    beginResetModel();
    m_runs.clear();
    m_entries.clear();
    m_rows.clear();
    // The rows: the site codes of the newest runs, up to the sites the program can have, in the
    // order of their site number in the newest run that had them; the sites lost in the newest
    // run first.
    QHash<QString, int> seen;
    QList<int> numbers;
    for (auto run = runs.crbegin(); run != runs.crend() && m_rows.size() < std::size_t(MaxSites); ++run)
        for (const SiteResult &r : run->sites)
            if (!seen.contains(r.code) && m_rows.size() < std::size_t(MaxSites)) {
                seen.insert(r.code, int(m_rows.size()));
                numbers << r.site;
                m_rows.push_back({r.code, r.code + u' ' + r.name, false});
            }
    if (!runs.isEmpty())
        for (const SiteResult &r : runs.last().sites)
            if (const auto row = seen.constFind(r.code); row != seen.cend())
                m_rows[*row].lostLast = r.outcome == SiteOutcome::Skipped || r.outcome == SiteOutcome::NotReached;
    std::vector<int> sorted(m_rows.size());
    for (std::size_t i = 0; i < sorted.size(); ++i)
        sorted[i] = int(i);
    std::stable_sort(sorted.begin(), sorted.end(), [&](int a, int b) {
        if (m_rows[a].lostLast != m_rows[b].lostLast)
            return m_rows[a].lostLast;
        return numbers[a] < numbers[b];
    });
    QHash<QString, int> rowOf;
    std::vector<Row> rows;
    for (int i : sorted) {
        rowOf.insert(m_rows[i].code, int(rows.size()));
        rows.push_back(m_rows[i]);
    }
    m_rows = std::move(rows);

    m_runs.reserve(runs.size());
    m_entries.reserve(runs.size());
    for (auto run = runs.crbegin(); run != runs.crend(); ++run) {
        std::vector<Entry> entries;
        for (int i = 0; i < run->sites.size(); ++i)
            if (const auto row = rowOf.constFind(run->sites[i].code); row != rowOf.cend())
                entries.push_back({*row, i});
        std::stable_sort(entries.begin(), entries.end());
        m_entries.push_back(std::move(entries));
        m_runs << *run;
    }
    endResetModel();
}

void RunHistoryModel::setDark(bool dark)
{
    if (dark == m_dark)
        return;
    m_dark = dark;
    if (rowCount() > 0 && columnCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

int RunHistoryModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(m_rows.size()); }
int RunHistoryModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(m_runs.size()); }

const SiteResult *RunHistoryModel::cell(const QModelIndex &index) const
{
    if (!index.isValid() || index.column() >= int(m_entries.size()))
        return nullptr;
    const std::vector<Entry> &entries = m_entries[index.column()];
    const auto found = std::lower_bound(entries.begin(), entries.end(), Entry{index.row(), 0});
    return found != entries.end() && found->row == index.row() ? &m_runs[index.column()].sites[found->site] : nullptr;
}

QVariant RunHistoryModel::data(const QModelIndex &index, int role) const
{
    const SiteResult *site = cell(index);
    if (!site)
        return {};
    const SiteOutcome outcome = site->outcome;
    const RunKind kind = m_runs[index.column()].kind;
    switch (role) {
    case Qt::DisplayRole:
        return letter(kind, outcome);
    case Qt::ToolTipRole:
        return plainToolTip(reasonText(kind, *site));
    case Qt::BackgroundRole:
        return background(outcome, m_dark);
    case Qt::ForegroundRole:
        return outcome == SiteOutcome::NotInRun ? QVariant() : QVariant(m_dark ? QColor(Qt::white) : QColor(Qt::black));
    case Qt::TextAlignmentRole:
        return int(Qt::AlignCenter);
    default:
        return {};
    }
}

QVariant RunHistoryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical) {
        if (section < 0 || section >= rowCount())
            return {};
        const Row &row = m_rows[section];
        if (role == Qt::DisplayRole)
            return (row.lostLast ? QStringLiteral("! ") : QString()) +
                   (row.site.size() > ShownNameLimit ? row.site.left(ShownNameLimit - 1) + QChar(0x2026) : row.site);
        if (role == Qt::ToolTipRole && (row.lostLast || row.site.size() > ShownNameLimit))
            return plainToolTip(row.site.size() > ShownNameLimit ? row.site : QStringLiteral("lost in the last run"));
        return {};
    }
    if (section < 0 || section >= columnCount())
        return {};
    const RunRecord &run = m_runs[section];
    if (role == Qt::DisplayRole) {
        // Date and time, duration, kind and who started it, and how it went.
        QString outcome = run.abortReason.isEmpty() ? QStringLiteral("no site lost") : QStringLiteral("! aborted");
        if (run.abortReason.isEmpty() && run.lostSites() > 0)
            outcome = QStringLiteral("! %1 lost").arg(run.lostSites());
        return run.started.toString(QStringLiteral("yyyy-MM-dd HH:mm")) + u'\n' + durationText(run.lastedMs) + u'\n' +
               kindWord(run.kind) + u'\n' + (run.how == RunStart::Scheduled ? QStringLiteral("scheduled") : QStringLiteral("by hand")) +
               u'\n' + outcome;
    }
    if (role == Qt::ToolTipRole)
        return plainToolTip(runTitle(run) + (run.abortReason.isEmpty() ? QString() : QStringLiteral(", aborted: ") + run.abortReason));
    return {};
}

QString RunHistoryModel::detail(const QModelIndex &index) const
{
    const SiteResult *site = cell(index);
    if (!site)
        return {};
    return m_rows[index.row()].site + QStringLiteral(", ") + runTitle(m_runs[index.column()]) + QStringLiteral(": ") +
           reasonText(m_runs[index.column()].kind, *site);
}

RunHistoryForm::RunHistoryForm(QWidget *owner) : QWidget(owner, Qt::Window)
{
    setObjectName(QStringLiteral("RunHistoryForm"));
    setWindowTitle(QStringLiteral("Run history - KESSAMIR - ") + QDir::toNativeSeparators(QDir::currentPath()));
    setAttribute(Qt::WA_DeleteOnClose);
    closeByKeyboard(this);

    legend = new QLabel(QStringLiteral("Newest run on the left.  F forecast, L learned, S skipped, A not reached "
                                       "(run aborted), - not in the run.  ! marks a site lost in the last run."),
                        this);
    legend->setObjectName(QStringLiteral("legend"));
    legend->setWordWrap(true);

    grid = new QTableView(this);
    grid->setObjectName(QStringLiteral("runHistoryGrid"));
    grid->setModel(&m_model);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Fixed sizes: nothing is measured cell by cell, however many runs are kept.
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    int widest = 0; // the widest line a header can hold
    for (const QString &line : {QStringLiteral("0000-00-00 00:00"), QStringLiteral("no site lost"), QStringLiteral("! aborted"),
                                QStringLiteral("scheduled"), QStringLiteral("learning"), QStringLiteral("00 min 00 s")})
        widest = qMax(widest, grid->horizontalHeader()->fontMetrics().horizontalAdvance(line));
    grid->horizontalHeader()->setDefaultSectionSize(widest + 2 * grid->horizontalHeader()->style()->pixelMetric(QStyle::PM_HeaderMargin) + 16);
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);

    detailLine = new QLabel(this);
    detailLine->setObjectName(QStringLiteral("detailLine"));
    detailLine->setWordWrap(true);
    detailLine->setTextInteractionFlags(Qt::TextSelectableByMouse);
    connect(grid->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current) { showPlainText(detailLine, m_model.detail(current), 400); });

    closeButton = new QPushButton(QStringLiteral("Close"), this);
    closeButton->setObjectName(QStringLiteral("closeButton"));
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(closeButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(legend);
    layout->addWidget(grid, 1);
    layout->addWidget(detailLine);
    layout->addLayout(buttons);
    m_model.setDark(isDark(palette()));
    // About the last 30 runs side by side at first; the rest a scroll away.
    resize(qMin(grid->horizontalHeader()->defaultSectionSize() * 30 + 220, 1200), 560);
}

void RunHistoryForm::load()
{
    m_model.setRuns(readRunRecord());
    detailLine->clear();
}

void RunHistoryForm::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::PaletteChange)
        m_model.setDark(isDark(palette()));
    QWidget::changeEvent(event);
}

} // namespace kess
