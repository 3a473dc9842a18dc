#pragma once
// Sites whose saved VANTRO, DORLIQ and PELTHOR settings hold the whole layout, every item with a
// value of its own: site * 100000 + line * 100 + item, except the texts (site name, site code,
// the text of custinit line 9, the working folder of pelini line 12).
#include "settings/layouts.h"
#include "workfolder.h"

namespace kess::test {

inline Item itemFor(SettingsFile file, int site, int line, int item)
{
    if (file == SettingsFile::Custinit && line == 1 && item == 1)
        return Item::fromText(QStringLiteral("Site%1").arg(site));
    if (file == SettingsFile::Custinit && line == 2 && item == 10)
        return Item::fromText(QStringLiteral("K%1").arg(site));
    if (file == SettingsFile::Custinit && line == 9)
        return Item::fromText(QStringLiteral("text of site %1").arg(site));
    if (file == SettingsFile::Pelini && line == 12)
        return Item::fromText(QDir::currentPath() + QStringLiteral("/s%1/").arg(site));
    return Item::fromNumber(site * 100000 + line * 100 + item);
}

inline SettingsLines linesFor(SettingsFile file, int site, int lineCount = 0)
{
    const SettingsLayout &layout = settingsLayout(file);
    SettingsLines lines;
    for (int l = 1; l <= (lineCount ? lineCount : layout.lineCount()); ++l) {
        QList<Item> items;
        for (int i = 1; i <= layout.itemsOn(l); ++i)
            items.append(itemFor(file, site, l, i));
        lines.append(items);
    }
    return lines;
}

inline void writeSettings(SettingsFile file, int site, int lineCount = 0)
{
    const SettingsLayout &layout = settingsLayout(file);
    writeLines(layout.savedName(site), formatSettings(layout, linesFor(file, site, lineCount)));
}

inline SettingsLines readBack(SettingsFile file, const QString &name)
{
    return readSettingsFile(name, settingsLayout(file));
}

// Sites 0..flags.size() with full settings files, the other saved files of WorkFolder::makeSites,
// the run list with these flags and the generic settings in the working files.
inline void makeFullSites(WorkFolder &f, const QList<int> &flags)
{
    QList<QPair<QString, QString>> sites;
    for (int n = 1; n <= flags.size(); ++n)
        sites.append({QStringLiteral("Site%1").arg(n), QStringLiteral("K%1").arg(n)});
    f.makeSites(sites, flags);
    for (int n = 0; n <= flags.size(); ++n)
        QDir().mkpath(QStringLiteral("s%1").arg(n));
    for (int n = 0; n <= flags.size(); ++n)
        for (SettingsFile file : {SettingsFile::Custinit, SettingsFile::Vantmini, SettingsFile::Pelini})
            writeSettings(file, n);
    copyFile(QStringLiteral("c0.txt"), QStringLiteral("custinit.txt"));
    copyFile(QStringLiteral("w0.txt"), QStringLiteral("vantmini.txt"));
    copyFile(QStringLiteral("r0.txt"), QStringLiteral("pelini.txt"));
}

} // namespace kess::test
