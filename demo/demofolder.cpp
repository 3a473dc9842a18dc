#include "demofolder.h"

#include "core/clock.h"
#include "demosites.h"
#include "files/errors.h"
#include "files/fileops.h"
#include "files/records.h"
#include "settings/programsettings.h"
#include "sitefiles.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>

namespace demo {

namespace {

constexpr int ScheduledHours[] = {6, 18};
constexpr int DemoMinutes = 15;
constexpr int DorliqWaitLimit = 5;

QString folderText(const QString &folder)
{
    const QString path = QDir::toNativeSeparators(QDir::cleanPath(QDir(folder).absolutePath()));
    // One value a line: a line break in the name would move every value after it.
    if (path.contains(u',') || path.contains(u'"') || kess::withoutControls(path) != path)
        throw kess::FileError(kess::ErrBadFileName,
                              QStringLiteral("%1: a working folder whose name holds a comma, a double quote, "
                                             "a line break or another control character cannot be kept in the "
                                             "settings files")
                                  .arg(kess::withoutControls(path)));
    return kess::withSeparator(path);
}

// The local time of day one minute from now, as hour and minute.
std::pair<int, int> nextMinute()
{
    const int t = (static_cast<int>(std::floor(kess::Clock::timeOfDay())) + 60) % 86400;
    return {t / 3600, t % 3600 / 60};
}

QStringList kessinitLines(const DemoReport &r)
{
    using kess::printForm;
    QStringList lines;
    for (int h = 0; h < 24; ++h) {
        const bool ticked = r.schedulerOn ? h == r.hour
                                          : std::ranges::find(ScheduledHours, h)
                                                != std::end(ScheduledHours);
        lines << printForm(ticked ? 1 : 0);
    }
    lines << printForm(r.minutes)                                       // 25 minutes
          << (r.schedulerOn ? QStringLiteral("True") : QStringLiteral("False"))
          << printForm(1)                                               // 27 BMP to PNG
          << r.workingFolder                                            // 28 IrfanView folder
          << QString()                                                  // 29 PNG target
          << printForm(0)                                               // 30 run batch file
          << QString()                                                  // 31 batch file
          << printForm(0) << printForm(0)                               // 32-33 skip if missing
          << printForm(DorliqWaitLimit)                                 // 34
          << printForm(0) << printForm(0) << printForm(0)               // 35-37
          << printForm(0) << printForm(0);                              // 38-39 learning time
    return lines;
}

class FolderWriter {
public:
    explicit FolderWriter(const QString &folder) : m_dir(folder) {}
    void lines(const QString &name, const QStringList &lines)
    {
        kess::writeLines(m_dir.filePath(name), lines);
    }
    void settings(kess::SettingsFile file, int site, const kess::SettingsLines &items)
    {
        const kess::SettingsLayout &layout = kess::settingsLayout(file);
        lines(layout.savedName(site), kess::formatSettings(layout, items));
    }
    void record(const QString &name, double value)
    {
        kess::writeRecord(m_dir.filePath(name), value);
    }
    void copy(const QString &from, const QString &to)
    {
        kess::copyFile(m_dir.filePath(from), m_dir.filePath(to));
    }
    QString path(const QString &name) const { return m_dir.filePath(name); }

private:
    QDir m_dir;
};

// The site's own PELTHOR folder, made here: PELTHOR's last result is copied per site inside it,
// so sites that shared one would each keep another site's verification.
FolderFacts withPelthorFolder(const FolderWriter &out, const DemoSite &site, FolderFacts facts)
{
    const QString relative = QStringLiteral("pelthor/site%1").arg(site.number);
    if (!QDir().mkpath(out.path(relative)))
        throw kess::FileError(kess::ErrPathNotFound,
                              QStringLiteral("%1: the folder cannot be made").arg(out.path(relative)));
    const QChar separator = facts.workingFolder.back();
    facts.pelthorFolder = facts.workingFolder + QString(relative).replace(u'/', separator) + separator;
    return facts;
}

void writeSite(FolderWriter &out, const DemoSite &site, const FolderFacts &allSites)
{
    using kess::SettingsFile;
    const FolderFacts facts = withPelthorFolder(out, site, allSites);
    out.settings(SettingsFile::Custinit, site.number, custinitItems(site, facts));
    out.settings(SettingsFile::Vantmini, site.number, vantminiItems(site, facts));
    out.settings(SettingsFile::Pelini, site.number, peliniItems(site, facts));
    const auto name = [&](const char *prefix) {
        return QLatin1String(prefix) + QString::number(site.number) + QStringLiteral(".txt");
    };
    out.lines(name("snowrec"), snowrecLines(site));
    out.lines(name("cor"), corLines(site));
    out.lines(name("fdata"), fdataLines(site));
    out.lines(name("ecdata"), ecdataLines(site));
}

void copyStandins(const DemoOptions &options, FolderWriter &out, DemoReport &report)
{
    const QDir from(options.standinDir);
    for (const QString &name : standinNames()) {
        const QFileInfo source(from.filePath(name));
        if (!source.isFile()) {
            report.warnings << QStringLiteral("stand-in %1 not found; not copied")
                                   .arg(QDir::toNativeSeparators(source.filePath()));
            continue;
        }
        kess::copyFile(source.filePath(), out.path(name));
        QFile::setPermissions(out.path(name), source.permissions() | QFile::ReadOwner
                                                  | QFile::WriteOwner | QFile::ExeOwner);
        report.standinsCopied << name;
    }
#ifdef Q_OS_WIN
    // Windows programs load their DLLs from beside them: the Qt and runtime DLLs go along.
    for (const QFileInfo &dll : from.entryInfoList({QStringLiteral("*.dll")}, QDir::Files))
        kess::copyFile(dll.filePath(), out.path(dll.fileName()));
#endif
}

} // namespace

const QStringList &standinNames()
{
    static const QStringList names = {
        QStringLiteral("dorliq.exe"),  QStringLiteral("vantro.exe"),
        QStringLiteral("pelthor.exe"), QStringLiteral("mirrix.exe"),
        QStringLiteral("i_view32.exe"),
    };
    return names;
}

QString DemoReport::summary() const
{
    const QString schedule =
        schedulerOn ? QStringLiteral("scheduler on, first run at %1:%2")
                          .arg(hour, 2, 10, QLatin1Char('0'))
                          .arg(minutes, 2, 10, QLatin1Char('0'))
                    : QStringLiteral("scheduler off");
    return QStringLiteral("Demo working folder %1: %2 sites (%3 in the run), %4, %5 stand-ins "
                          "copied")
        .arg(workingFolder)
        .arg(siteCount)
        .arg(sitesInRun)
        .arg(schedule)
        .arg(standinsCopied.size());
}

bool isDemoFolder(const QString &folder)
{
    return QFileInfo(QDir(folder).filePath(QStringLiteral("standins.txt"))).isFile();
}

DemoReport makeDemoFolder(const DemoOptions &options)
{
    DemoReport report;
    report.workingFolder = folderText(options.folder);
    const QDir existing(options.folder);
    if (!options.intoAnyFolder && existing.exists() && !existing.isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System)
        && !isDemoFolder(options.folder))
        throw kess::FileError(kess::ErrPathAccess,
                              QStringLiteral("%1 already holds files and is not a demo folder; the demo is not "
                                             "written into it (choose an empty or new folder)")
                                  .arg(QDir::toNativeSeparators(existing.absolutePath())));
    if (!QDir().mkpath(options.folder))
        throw kess::FileError(kess::ErrPathNotFound,
                              QStringLiteral("%1: the folder cannot be made").arg(options.folder));
    report.schedulerOn = options.scheduleNextMinute;
    report.minutes = DemoMinutes;
    if (report.schedulerOn)
        std::tie(report.hour, report.minutes) = nextMinute();
    else
        report.hour = ScheduledHours[0];

    FolderFacts facts;
    facts.workingFolder = report.workingFolder;
    facts.dst = QDateTime::currentDateTime().isDaylightTime() ? 1 : 0;
    facts.minutes = report.minutes;

    FolderWriter out(options.folder);
    QStringList runlist;
    QStringList mxrunlist;
    for (const DemoSite &site : demoSites()) {
        writeSite(out, site, facts);
        if (site.number == 0)
            continue;
        runlist << kess::printForm(site.inRun);
        mxrunlist << kess::printForm(site.learning);
        ++report.siteCount;
        report.sitesInRun += site.inRun;
    }
    out.lines(QStringLiteral("runlist.txt"), runlist);
    out.lines(QStringLiteral("mxrunlist.txt"), mxrunlist);
    out.lines(QStringLiteral("kessinit.txt"), kessinitLines(report));
    // Every value as the program will read it back.
    const kess::ProgramSettings back = kess::decodeProgramSettings(kess::readBytes(out.path(QStringLiteral("kessinit.txt"))));
    if (back.irfanViewFolder != report.workingFolder || back.minutesAfterTheHour != report.minutes ||
        back.schedulerOn != report.schedulerOn || back.dorliqWaitLimit != DorliqWaitLimit)
        throw kess::FileError(kess::ErrBadFileName,
                              QStringLiteral("%1: the settings written there do not read back as written")
                                  .arg(out.path(QStringLiteral("kessinit.txt"))));
    // The learning program's working settings; "Set up mirrix.exe for all sites" offers to copy
    // them to every site's a<N>.txt.
    out.lines(QStringLiteral("mxrninit.txt"),
              {QStringLiteral("\"Learning settings (stand-in mirrix.exe)\""),
               QStringLiteral("30"), QStringLiteral("1"), QStringLiteral("1")});

    // The working files as an orderly Close leaves them: the generic settings in place.
    const char *families[] = {"snowrec", "cor", "fdata", "ecdata"};
    out.copy(QStringLiteral("c0.txt"), QStringLiteral("custinit.txt"));
    out.copy(QStringLiteral("w0.txt"), QStringLiteral("vantmini.txt"));
    out.copy(QStringLiteral("r0.txt"), QStringLiteral("pelini.txt"));
    for (const char *family : families)
        out.copy(QLatin1String(family) + QStringLiteral("0.txt"),
                 QLatin1String(family) + QStringLiteral(".txt"));

    out.record(QStringLiteral("imcode.txt"), 0);
    for (const char *flag : {"vantroopen.txt", "dorliqopen.txt", "pelthoropen.txt"})
        out.record(QLatin1String(flag), 0);

    out.lines(QStringLiteral("standins.txt"),
              {QStringLiteral("# Settings of the stand-in companion programs."),
               QStringLiteral("# Seconds each stand-in works before it answers."),
               QStringLiteral("delay = 1"),
               QStringLiteral("# Seconds a stand-in opened for its settings stays open."),
               QStringLiteral("settings.delay = 5"),
               QStringLiteral("# More keys (dorliq.gfsmissing = KDEN, vantro.noreply = KMIA, ...)"),
               QStringLiteral("# make a stand-in miss data or fail for the sites named.")});

    if (!options.standinDir.isEmpty())
        copyStandins(options, out, report);
    return report;
}

} // namespace demo
