// Times the daylight-saving change ("Start DST" / "End DST") over 99 sites with full-length
// saved settings files, the most a site list holds: 300 files read, checked and rewritten
// through their scratch files, and the two working files replaced. Target: under 0.5 s.
//
//   build/bench/bench_dst [--sites N] [--rounds R]
#include "files/fileops.h"
#include "settings/dst.h"
#include "settings/layouts.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

using namespace kess;

namespace {

// A full-length file whose items look like real settings: numbers with decimals, a few texts.
QStringList siteFile(SettingsFile file, int site)
{
    const SettingsLayout &layout = settingsLayout(file);
    SettingsLines lines;
    for (int l = 1; l <= layout.lineCount(); ++l) {
        QList<Item> items;
        for (int i = 1; i <= layout.itemsOn(l); ++i) {
            const ItemKind kind = layout.kindOf({l, i});
            if (kind == ItemKind::Text)
                items.append(Item::fromText(QStringLiteral("Site %1 text %2").arg(site).arg(l)));
            else
                items.append(Item::fromNumber(site + l * 0.25 + i * 0.125));
        }
        lines.append(items);
    }
    return formatSettings(layout, lines);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    int sites = 99;
    int rounds = 10;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--sites"))
            sites = std::clamp(args[i + 1].toInt(), 1, 99);
        else if (args[i] == QLatin1String("--rounds"))
            rounds = std::max(1, args[i + 1].toInt());
    }

    QTemporaryDir dir;
    if (!dir.isValid() || !QDir::setCurrent(dir.path())) {
        std::fprintf(stderr, "no scratch folder\n");
        return 2;
    }
    qint64 bytes = 0;
    for (int n = 0; n <= sites; ++n) {
        for (SettingsFile f : {SettingsFile::Custinit, SettingsFile::Vantmini, SettingsFile::Pelini}) {
            const QStringList lines = siteFile(f, n);
            writeLines(settingsLayout(f).savedName(n), lines);
            for (const QString &l : lines)
                bytes += l.size() + 2;
        }
    }
    const int files = (sites + 1) * 3;
    std::printf("DST change: %d sites and site 0, %d saved files (%lld bytes), %d rounds, folder %s\n", sites, files,
                static_cast<long long>(bytes), rounds, qPrintable(dir.path()));

    QList<double> times;
    for (int r = 0; r < rounds; ++r) {
        QElapsedTimer t;
        t.start();
        const DstOutcome outcome = changeDaylightSaving(sites, r % 2 == 0 ? 1 : 0);
        times.append(t.nsecsElapsed() / 1e9);
        if (!outcome.ok()) {
            std::fprintf(stderr, "the change failed: %s%s\n", qPrintable(outcome.problems.join(u'\n')),
                         qPrintable(outcome.failure));
            return 2;
        }
        std::printf("  round %2d (%s DST): %.3f s\n", r + 1, r % 2 == 0 ? "start" : "end", times.last());
    }
    std::sort(times.begin(), times.end());
    const double median = times[times.size() / 2];
    const double worst = times.last();
    std::printf("median %.3f s, best %.3f s, worst %.3f s; per file (median) %.2f ms\n", median, times.first(), worst,
                median / files * 1000);
    const bool met = worst < 0.5;
    std::printf("RESULT dst change over %d sites: worst %.3f s, target < 0.5 s: %s\n", sites, worst,
                met ? "met" : "MISSED");
    return met ? 0 : 1;
}
