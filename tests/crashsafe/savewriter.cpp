// Helper of test_crashsafe: writes every settings and handshake file KESSAMIR replaces, through
// the program's own writers, alternating two complete versions until it is killed.
//
//   savewriter FOLDER safe VERSION     writes VERSION (0 or 1) once and ends
//   savewriter FOLDER safe loop        writes 1, 0, 1, 0 ... for ever
//   savewriter FOLDER inplace REFS     the same loop through a deliberately unsafe writer that
//                                      truncates each file and rewrites it in place, copying
//                                      the versions from REFS/0 and REFS/1
// It prints "writing" once the loop has begun, so a kill never falls before main(), and the
// safe loop prints "written" after each version, so the test can time one.
#include "companions/replypoll.h"
#include "core/appstate.h"
#include "files/fileops.h"
#include "files/records.h"
#include "settings/layouts.h"
#include "settings/rewrite.h"
#include "savedfiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cstdio>

using namespace kess;

namespace {

QString tag(int v) { return v ? QStringLiteral("second") : QStringLiteral("first"); }

QStringList kessinitLines(int v)
{
    QStringList l;
    for (int i = 1; i <= 40; ++i)
        l << QStringLiteral("\"%1 version, setting %2 %3\"").arg(tag(v)).arg(i).arg(QString(60, QLatin1Char('x')));
    return l;
}

QStringList runListLines(int v)
{
    QStringList l;
    for (int i = 1; i <= 99; ++i)
        l << QString::number((i + v) % 2);
    return l;
}

// Every line of the layout, numbers that tell the versions apart, texts that name them.
SettingsLines settings(SettingsFile file, int v)
{
    const SettingsLayout &layout = settingsLayout(file);
    SettingsLines lines;
    for (int line = 1; line <= layout.lineCount(); ++line) {
        QList<Item> items;
        for (int item = 1; item <= layout.itemsOn(line); ++item) {
            if (layout.kindOf({line, item}) == ItemKind::Text)
                items << Item::fromText(tag(v) + QStringLiteral(" text ") + QString::number(line));
            else
                items << Item::fromNumber(1000 * (v + 1) + line * 10 + item);
        }
        lines << items;
    }
    return lines;
}

void writeVersion(AppState &state, int v)
{
    writeLines(QStringLiteral("kessinit.txt"), kessinitLines(v));
    writeLines(QStringLiteral("runlist.txt"), runListLines(v));
    applyRewrites({settingsRewrite(settingsLayout(SettingsFile::Custinit), 1, settings(SettingsFile::Custinit, v)),
                   settingsRewrite(settingsLayout(SettingsFile::Vantmini), 1, settings(SettingsFile::Vantmini, v)),
                   settingsRewrite(settingsLayout(SettingsFile::Pelini), 1, settings(SettingsFile::Pelini, v))},
                  {{QStringLiteral("c1.txt"), QStringLiteral("custinit.txt")},
                   {QStringLiteral("w1.txt"), QStringLiteral("vantmini.txt")},
                   {QStringLiteral("r1.txt"), QStringLiteral("pelini.txt")}});
    writeModeCode(state, v ? 5 : 3);
    writeRecord(QStringLiteral("vantroopen.txt"), v);
    writeLines(QStringLiteral("dorliqopen.txt"), {printForm(v)});
}

// The unsafe writer: truncates the file, then writes it a line at a time.
void writeInPlace(const QString &name, const QByteArray &bytes)
{
    QFile f(name);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        std::exit(3);
    for (qsizetype at = 0; at < bytes.size();) {
        const qsizetype end = bytes.indexOf('\n', at);
        const qsizetype next = end < 0 ? bytes.size() : end + 1;
        f.write(bytes.mid(at, next - at));
        at = next;
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4 || !QDir::setCurrent(args[1]))
        return 2;
    AppState state;
    try {
        if (args[2] == QLatin1String("safe") && args[3] != QLatin1String("loop")) {
            writeVersion(state, args[3].toInt());
            return 0;
        }
        std::puts("writing");
        std::fflush(stdout);
        if (args[2] == QLatin1String("safe")) {
            for (int v = 1;; v ^= 1) {
                writeVersion(state, v);
                std::puts("written");
                std::fflush(stdout);
            }
        }
        QList<QByteArray> refs[2];
        for (int v = 0; v < 2; ++v)
            for (const QString &name : kFiles)
                refs[v] << readBytes(QDir(args[3]).filePath(QString::number(v) + QLatin1Char('/') + name));
        for (int v = 1;; v ^= 1)
            for (qsizetype i = 0; i < kFiles.size(); ++i)
                writeInPlace(kFiles[i], refs[v][i]);
    } catch (const FileError &e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.reason));
        return 1;
    }
}
