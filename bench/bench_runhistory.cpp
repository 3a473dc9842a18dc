// Times opening the "Run history" window on a full "kessruns.csv": 20,000 rows, 99 sites
// (about 200 runs), every fifth site skipped in every third run. Measured: from the click to the
// window painted (record read and parsed, grid built, first paint), and adding one more run to the
// record. Target: under 0.5 s each. With --distinct every run names sites of its own (4,000 runs of
// 5 sites, 20,000 site codes, of which the grid shows 99): the window opens within 1 s.
//
//   build/bench/bench_runhistory [--rounds R] [--sites N] [--distinct] [--png FILE]
// (4 sites: 5,000 runs side by side; --png keeps a picture of the window as it was opened)
#include "files/fileops.h"
#include "run/runrecord.h"
#include "windows/runhistoryform.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

using namespace kess;

namespace {

RunRecord run(int n, int sites, bool distinct)
{
    RunRecord r;
    r.how = RunStart::Scheduled;
    r.started = QDateTime(QDate(2026, 6, 1), QTime(6, 15)).addSecs(qint64(n) * 3 * 3600);
    r.lastedMs = 1000 * (600 + n % 90);
    for (int s = 1; s <= sites; ++s) {
        const bool lost = n % 3 == 0 && s % 5 == 0;
        r.sites << SiteResult{s, distinct ? QStringLiteral("K%1-%2").arg(n).arg(s) : QStringLiteral("K%1").arg(s, 3, 10, QLatin1Char('0')),
                              QStringLiteral("Site %1, County %2").arg(s).arg(s % 7),
                              lost ? SiteOutcome::Skipped : SiteOutcome::Done,
                              lost ? QStringLiteral("DORLIQ did not find the data this site needs") : QString()};
    }
    return r;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const auto option = [&](const char *name, int fallback) {
        const qsizetype i = args.indexOf(QLatin1String(name));
        return i > 0 && i + 1 < args.size() ? args[i + 1].toInt() : fallback;
    };
    const int rounds = option("--rounds", 5);
    const bool distinct = args.contains(QStringLiteral("--distinct"));
    const int sites = distinct ? 5 : std::clamp(option("--sites", 99), 1, 99);
    const qint64 openTarget = distinct ? 1000 : 500;

    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    const int runs = runRecordLimit / sites + 1;
    QByteArray bytes = csvLine(runRecordHeader());
    for (int n = 0; n < runs; ++n)
        for (const QStringList &row : runRows(run(n, sites, distinct)))
            bytes += csvLine(row);
    writeBytes(runRecordFileName(), bytes);

    qint64 worstOpen = 0, worstAppend = 0;
    for (int r = 0; r < rounds; ++r) {
        QElapsedTimer t;
        t.start();
        auto *form = new RunHistoryForm(nullptr);
        form->load();
        form->show();
        const QPixmap painted = form->grab(); // the first paint
        const qint64 open = t.elapsed();
        if (const qsizetype png = args.indexOf(QStringLiteral("--png")); png > 0 && png + 1 < args.size() && r == 0)
            painted.save(args[png + 1]);
        delete form;

        t.restart();
        appendRunRecord(run(runs + r, sites, distinct));
        const qint64 append = t.elapsed();
        std::printf("round %d: open %lld ms, one run added %lld ms\n", r + 1, static_cast<long long>(open),
                    static_cast<long long>(append));
        worstOpen = std::max(worstOpen, open);
        worstAppend = std::max(worstAppend, append);
    }
    std::printf("Run history on 20,000 rows, %d %ssites a run: open %lld ms (target < %lld ms), add a run %lld ms "
                "(target < 500 ms)\n",
                sites, distinct ? "distinct " : "", static_cast<long long>(worstOpen), static_cast<long long>(openTarget),
                static_cast<long long>(worstAppend));
    return worstOpen < openTarget && worstAppend < 500 ? 0 : 1;
}
