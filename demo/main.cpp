// demofolder <folder> [--schedule-next-minute] [--standins <dir>] [--force]
// Makes a working folder in which a new user can try KESSAMIR with the stand-in programs.
#include "demofolder.h"
#include "files/errors.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("demofolder"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Makes a complete KESSAMIR working folder with six demo sites."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("folder"),
                                 QStringLiteral("The working folder (made when missing)."));
    const QCommandLineOption next(QStringLiteral("schedule-next-minute"),
                                  QStringLiteral("Switch the scheduler on for the next whole "
                                                 "minute."));
    const QCommandLineOption standins(QStringLiteral("standins"),
                                      QStringLiteral("Copy the stand-in programs from <dir>."),
                                      QStringLiteral("dir"));
    const QCommandLineOption force(QStringLiteral("force"),
                                   QStringLiteral("Write the demo even into a folder that holds other files."));
    parser.addOption(next);
    parser.addOption(standins);
    parser.addOption(force);
    parser.process(app);

    if (parser.positionalArguments().size() != 1) {
        std::fputs(qPrintable(parser.helpText()), stderr);
        return 2;
    }

    demo::DemoOptions options;
    options.folder = parser.positionalArguments().first();
    options.scheduleNextMinute = parser.isSet(next);
    options.standinDir = parser.value(standins);
    options.intoAnyFolder = parser.isSet(force);
    try {
        const demo::DemoReport report = demo::makeDemoFolder(options);
        for (const QString &w : report.warnings)
            std::fprintf(stderr, "demofolder: %s\n", qPrintable(w));
        std::printf("%s\n", qPrintable(report.summary()));
        return 0;
    } catch (const kess::FileError &e) {
        std::fprintf(stderr, "demofolder: error %d: %s\n", e.number, qPrintable(e.reason));
        return 1;
    }
}
