// Times start-up (the window made, restored from its files and shown) in a plain working
// folder and, side by side, in the same folder with runaway one-line files of 10 MB: letters in
// "kessinit.txt", digits in "runlist.txt" and "mxrunlist.txt", an unclosed quote run in
// "custinit.txt", blanks in "pelini.txt" — all five, then each alone. Target: less than 0.5 s
// later than the plain folder. Run in a Release build:
//
//   build/bench/bench_startup [--rounds R] [--megabytes M]
#include "app/mainwindow.h"
#include "core/dialogs.h"
#include "demofolder.h"
#include "files/fileops.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <functional>

using namespace kess;

namespace {

struct Runaway {
    const char *file;
    char fill;
};
constexpr Runaway runaways[] = {
    {"kessinit.txt", 'x'}, {"runlist.txt", '7'}, {"mxrunlist.txt", '7'}, {"custinit.txt", '"'}, {"pelini.txt", ' '}};

// One start-up in the current folder, in milliseconds.
double startUpOnce()
{
    Dialogs::Script dialogs; // the notices about missing optional files answer themselves
    QElapsedTimer t;
    t.start();
    MainWindow w;
    w.startUp();
    w.show();
    QCoreApplication::processEvents();
    const double ms = t.nsecsElapsed() / 1e6;
    w.hide();
    return ms;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    int rounds = 5;
    qint64 megabytes = 10;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--rounds"))
            rounds = std::max(1, args[i + 1].toInt());
        else if (args[i] == QLatin1String("--megabytes"))
            megabytes = std::max<qint64>(1, args[i + 1].toLongLong());
    }

    QTemporaryDir root;
    const QString plain = root.filePath(QStringLiteral("plain"));
    demo::makeDemoFolder({plain, false, QString()});

    // The folders: plain, all five runaways, and each runaway alone.
    struct Case {
        QString name;
        QString folder;
    };
    std::vector<Case> cases{{QStringLiteral("plain folder"), plain}};
    const auto variant = [&](const QString &name, const std::function<bool(const Runaway &)> &which) {
        const QString folder = root.filePath(QStringLiteral("case%1").arg(cases.size()));
        demo::makeDemoFolder({folder, false, QString()});
        QDir::setCurrent(folder);
        for (const Runaway &r : runaways)
            if (which(r))
                writeBytes(QString::fromLatin1(r.file), QByteArray(megabytes << 20, r.fill));
        cases.push_back({name, folder});
    };
    variant(QStringLiteral("all five runaway files"), [](const Runaway &) { return true; });
    for (const Runaway &one : runaways)
        variant(QString::fromLatin1(one.file) + QStringLiteral(" alone"),
                [&](const Runaway &r) { return &r == &one; });

    std::vector<std::vector<double>> times(cases.size());
    for (std::size_t c = 0; c < cases.size(); ++c) { // warm the file cache and the fonts
        QDir::setCurrent(cases[c].folder);
        startUpOnce();
    }
    for (int round = 0; round < rounds; ++round) {
        for (std::size_t c = 0; c < cases.size(); ++c) {
            QDir::setCurrent(cases[c].folder);
            times[c].push_back(startUpOnce());
        }
    }
    const double base = median(times[0]);
    std::printf("start-up to shown window, median of %d rounds, %lld MB files\n", rounds, megabytes);
    for (std::size_t c = 0; c < cases.size(); ++c)
        std::printf("  %-28s %8.1f ms  (%+.1f ms)\n", qPrintable(cases[c].name), median(times[c]),
                    median(times[c]) - base);
    return 0;
}
