#pragma once
// Starting the companion programs, IrfanView's batch file and the user's batch file.
//
// A bare name is looked up in the current folder first, then on the search path; a name with a
// drive letter is found through the Wine prefix away from Windows (see drivepaths.h). Away from
// Windows a file that begins with the Windows executable signature "MZ" is started through
// wine, and a ".bat" or ".cmd" file through Wine's cmd /c where wine is installed, else through
// /bin/sh, its path the one argument either way. Arguments go to the program as they are, each
// one whole: no shell ever sees them. Nothing waits for the program.
#include <QString>
#include <QStringList>
#include <optional>

namespace kess {

struct LaunchResult {
    int error = 0;    // 0 when started, else the error number (53 when it cannot be started)
    qint64 pid = 0;   // task id of the started process
    QString reason;   // why it could not be started
    QString via;      // how it was started ("Wine's cmd /c", "wine", "directly", ...)
    bool ok() const { return error == 0; }
};

LaunchResult launchProgram(const QString &name, const QStringList &arguments = {});

// Whether the program `name` names would be started through wine.
bool startsUnderWine(const QString &name);

// The exit code of a program started here once it has ended (128 + the signal when one ended
// it); empty while it runs or when it is not known.
std::optional<int> exitCode(qint64 pid);

// True while the process with this task id is still running.
bool processAlive(qint64 pid);

// True when a process of the program with this file name ("vantro.exe") runs on the computer,
// whoever started it and wherever (compared without regard to case; under wine too). On Linux
// a copy whose current folder is another KESSAMIR working folder (one holding its own
// "kessinit.txt") does not count: it works on that folder's files. Where the system gives no
// process list (only Linux and Windows do here) it says false.
bool programRunning(const QString &fileName);

} // namespace kess
