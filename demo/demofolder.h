#pragma once
// Makes a complete working folder for trying KESSAMIR: six sites with their saved settings,
// the working files as after an orderly Close, the program's own settings and run lists, the
// idle handshake files, and optionally the stand-in companion programs.
#include <QString>
#include <QStringList>

namespace demo {

struct DemoOptions {
    QString folder;                  // created when missing; files in it are replaced
    bool scheduleNextMinute = false; // scheduler on, first run at the next whole minute
    QString standinDir;              // where the stand-in programs are built; empty: none
    bool intoAnyFolder = false;      // write even into a non-empty folder that is not a demo folder
};

struct DemoReport {
    QString workingFolder; // absolute, ending with the separator
    int siteCount = 0;
    int sitesInRun = 0;
    bool schedulerOn = false;
    int hour = 0;          // the first ticked hour
    int minutes = 0;       // minutes after the hour
    QStringList standinsCopied;
    QStringList warnings;  // stand-ins that were not found

    QString summary() const; // one line for the user
};

// The stand-in programs, under the companions' own file names.
const QStringList &standinNames();

// True when `folder` was made by makeDemoFolder (it holds the stand-ins' "standins.txt").
bool isDemoFolder(const QString &folder);

// Writes the folder. Throws kess::FileError when a file cannot be written, the folder cannot
// be made or cannot be named in the settings files (a comma or a double quote), or when it
// already holds files and is not a demo folder (unless `intoAnyFolder`). Each site gets a
// PELTHOR folder of its own, pelthor/site<N>, as in a real installation.
DemoReport makeDemoFolder(const DemoOptions &options);

} // namespace demo
