#include "commandline.h"

#include "app/firststart.h"
#include "core/version.h"
#include "run/waits.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>

#include <cmath>
#include <cstdio>

#ifndef Q_OS_WIN
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kess {

namespace {

void print(FILE *to, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), to);
    std::fflush(to);
}

QSettings userSettings()
{
    return QSettings(QStringLiteral("kessamir"), QStringLiteral("kessamir"));
}

const char *const lastFolderKey = "lastFolder";

// The options every Qt program takes (QApplication reads them itself): those that take a value,
// then those that do not.
const QStringList qtOptionsWithValue{"platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
                                     "geometry", "qwindowtitle", "title", "qwindowicon", "icon", "style",
                                     "stylesheet", "session", "display", "name", "qmljsdebugger"};
const QStringList qtFlags{"reverse", "widgetcount", "nograb", "dograb", "sync", "qwindowframeless"};

// The arguments without Qt's own options, which are left to QApplication.
QStringList withoutQtOptions(const QStringList &arguments)
{
    QStringList kept;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &a = arguments[i];
        if (i == 0 || !a.startsWith(u'-') || a == QLatin1String("--")) {
            kept << a;
            continue;
        }
        QString name = a.mid(a.startsWith(QLatin1String("--")) ? 2 : 1);
        const bool valueAttached = name.contains(u'=');
        name = name.section(u'=', 0, 0);
        if (qtFlags.contains(name))
            continue;
        if (qtOptionsWithValue.contains(name)) {
            if (!valueAttached)
                ++i; // its value
            continue;
        }
        kept << a;
    }
    return kept;
}

} // namespace

std::optional<QString> enterFolder(const QString &folder, const QByteArray &nativeName)
{
#ifndef Q_OS_WIN
    // By the system's own bytes: a name that is not valid UTF-8 has no exact QString form.
    const QByteArray path = nativeName.isEmpty() ? QFile::encodeName(folder) : nativeName;
    struct stat st {};
    const bool found = ::stat(path.constData(), &st) == 0;
    if (!found && (errno == ENOENT || errno == ENOTDIR))
        return QStringLiteral("the working folder \"%1\" does not exist").arg(folder);
    if (found && !S_ISDIR(st.st_mode))
        return QStringLiteral("\"%1\" is not a folder").arg(folder);
    if (!found || ::chdir(path.constData()) != 0)
        return QStringLiteral("the working folder \"%1\" cannot be entered").arg(folder);
    return std::nullopt;
#else
    Q_UNUSED(nativeName);
    const QFileInfo info(folder);
    if (!info.exists())
        return QStringLiteral("the working folder \"%1\" does not exist").arg(folder);
    if (!info.isDir())
        return QStringLiteral("\"%1\" is not a folder").arg(folder);
    if (!info.isExecutable() || !QDir::setCurrent(info.absoluteFilePath()))
        return QStringLiteral("the working folder \"%1\" cannot be entered").arg(folder);
    return std::nullopt;
#endif
}

QString rememberedFolder()
{
    return userSettings().value(QLatin1String(lastFolderKey)).toString();
}

void rememberFolder(const QString &folder)
{
    QSettings settings = userSettings();
    settings.setValue(QLatin1String(lastFolderKey), QDir(folder).absolutePath());
}

std::optional<qint64> deadlineMinutes(const QString &text)
{
    static const QRegularExpression number(QStringLiteral("^(\\d+(\\.\\d*)?|\\.\\d+)$"));
    if (!number.match(text.trimmed()).hasMatch())
        return std::nullopt;
    const double minutes = text.trimmed().toDouble();
    if (minutes * 60 < 1 || minutes > 7 * 24 * 60)
        return std::nullopt;
    return qint64(std::llround(minutes * 60000));
}

StartRequest readCommandLine(const QStringList &arguments, const QList<QByteArray> &nativeArguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("KESSAMIR - Multiple Site Automated Forecasting System.\n"
                       "Runs weather forecasts for many sites, unattended, by driving the companion programs "
                       "that share its working folder (by default the current folder)."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption folder(QStringLiteral("folder"),
                                    QStringLiteral("Make <DIR> the working folder instead of the current folder."),
                                    QStringLiteral("DIR"));
    const QCommandLineOption lastFolder(
        QStringLiteral("last-folder"),
        QStringLiteral("Open the working folder used last; ask for one when there is none yet."));
    const QCommandLineOption deadline(
        QStringLiteral("companion-deadline"),
        QStringLiteral("Give VANTRO, PELTHOR and mirrix.exe <MINUTES> to answer before a run ends them and loses "
                       "the site (default 30; also KESSAMIR_COMPANION_DEADLINE)."),
        QStringLiteral("MINUTES"));
    const QCommandLineOption pelthorWait(
        QStringLiteral("pelthor-start-wait"),
        QStringLiteral("Wait up to <SECONDS> for PELTHOR to show it has started before the next site's files are "
                       "put in place (default 15; also KESSAMIR_PELTHOR_START_WAIT)."),
        QStringLiteral("SECONDS"));
    parser.addOption(folder);
    parser.addOption(lastFolder);
    parser.addOption(deadline);
    parser.addOption(pelthorWait);

    const QString program = QStringLiteral("kessamir: ");
    if (!parser.parse(withoutQtOptions(arguments))) {
        print(stderr, program + parser.errorText() + QStringLiteral("\nTry 'kessamir --help'.\n"));
        return {badFolderExitCode};
    }
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        print(stdout, parser.helpText());
        return {0};
    }
    if (parser.isSet(version)) {
        print(stdout, QStringLiteral("kessamir %1\n").arg(QLatin1String(Version)));
        return {0};
    }
    if (!parser.positionalArguments().isEmpty() || (parser.isSet(folder) && parser.isSet(lastFolder))) {
        print(stderr, program + QStringLiteral("give one working folder, with --folder DIR or --last-folder.\n"
                                               "Try 'kessamir --help'.\n"));
        return {badFolderExitCode};
    }

    // Given on the command line, even empty, the option holds; an empty variable is no setting.
    const QString minutes = parser.isSet(deadline) ? parser.value(deadline)
                                                   : qEnvironmentVariable("KESSAMIR_COMPANION_DEADLINE");
    if (parser.isSet(deadline) || !minutes.isEmpty()) {
        const auto value = deadlineMinutes(minutes);
        if (!value) {
            print(stderr, program + QStringLiteral("the companion deadline \"%1\" is not accepted: give a whole or "
                                                   "decimal number of minutes (digits, at most one point), "
                                                   "from 0.0167 (one second) to 10080 (a week).\n").arg(minutes));
            return {badFolderExitCode};
        }
        RunTiming::current().companionDeadlineMs = *value;
    }
    const QString seconds = parser.isSet(pelthorWait) ? parser.value(pelthorWait)
                                                      : qEnvironmentVariable("KESSAMIR_PELTHOR_START_WAIT");
    if (!seconds.isEmpty()) {
        bool ok = false;
        const double value = seconds.toDouble(&ok);
        if (!ok || !(value >= 0) || value > 3600) {
            print(stderr, program + QStringLiteral("the PELTHOR start wait \"%1\" is not a number of seconds "
                                                   "(0 to 3600).\n").arg(seconds));
            return {badFolderExitCode};
        }
        RunTiming::current().pelthorStartWaitMs = qint64(value * 1000);
    }

    StartRequest request;
    if (parser.isSet(folder)) {
        const QString value = parser.value(folder);
        QByteArray native;
        for (const QByteArray &a : nativeArguments) {
            const QByteArray v = a.startsWith("--folder=") ? a.mid(9) : a;
            if (QFile::decodeName(v) == value)
                native = v;
        }
        if (const auto why = enterFolder(value, native)) {
            print(stderr, program + *why + QStringLiteral(".\n"));
            request.exitCode = badFolderExitCode;
            return request;
        }
    } else if (parser.isSet(lastFolder)) {
        const QString last = rememberedFolder();
        request.askForFolder = last.isEmpty() || enterFolder(last).has_value();
    }
    if (!request.askForFolder)
        rememberFolder(QDir::currentPath());
    return request;
}

std::optional<int> chooseFolder(const StartRequest &request, const std::function<QString()> &ask)
{
    if (!request.askForFolder)
        return std::nullopt;
    for (;;) {
        const QString chosen = ask();
        if (chosen.isEmpty())
            return 0;
        if (!enterFolder(chosen)) {
            rememberFolder(QDir::currentPath());
            return std::nullopt;
        }
    }
}

QString askForWorkingFolder()
{
    FirstStart first(installedStandins(), defaultDemoFolder());
    first.exec();
    return first.folder();
}

} // namespace kess
