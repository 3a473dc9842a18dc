#pragma once
// The command line, read before the window opens:
//   kessamir                  the current folder is the working folder
//   kessamir --folder DIR     DIR is the working folder
//   kessamir --last-folder    the folder used last (the desktop entry starts it so); the first
//                             time, or when that folder is gone, the user picks one or makes a demo
//   kessamir --companion-deadline MINUTES
//                             how long a run waits for VANTRO, PELTHOR or mirrix.exe before it
//                             ends the program (default 30; or KESSAMIR_COMPANION_DEADLINE)
//   kessamir --pelthor-start-wait SECONDS
//                             how long the next site waits for PELTHOR to show it has started
//                             (default 15; or KESSAMIR_PELTHOR_START_WAIT)
//   kessamir --help | --version
// Qt's own options (-style, -platform, -reverse, ...) are left to QApplication.
// Every start remembers its working folder (QSettings, outside the working folder).
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace kess {

// Exit code of a start that cannot open its working folder (or a command line it cannot read).
inline constexpr int badFolderExitCode = 2;

struct StartRequest {
    std::optional<int> exitCode; // end at once with this code (help, version, an error)
    bool askForFolder = false;   // --last-folder with no usable folder remembered
};

// The companion deadline given as minutes, in milliseconds: a whole or decimal number (no sign,
// no exponent) of at least one second and at most a week; nothing for any other text.
std::optional<qint64> deadlineMinutes(const QString &text);

// Reads the arguments (the program's name first), prints help, version or errors, and enters
// the working folder when it is known. Needs a QCoreApplication. `nativeArguments` are the
// arguments as the system gave them: a folder name that is not valid text is entered by them.
StartRequest readCommandLine(const QStringList &arguments, const QList<QByteArray> &nativeArguments = {});

// When the folder is still to be chosen: asks with `ask` (empty answer = cancelled, the program
// ends with code 0) and enters the folder. Returns the exit code when the program is to end.
std::optional<int> chooseFolder(const StartRequest &request, const std::function<QString()> &ask);

// Makes `folder` the current folder (by `nativeName`, its name as the system spells it, when
// given); the message that says why not when it cannot be.
std::optional<QString> enterFolder(const QString &folder, const QByteArray &nativeName = {});

// The working folder used last, as remembered in the user's settings; empty when none.
QString rememberedFolder();
void rememberFolder(const QString &folder);

// The first start from the desktop: what a working folder is; an existing one or a demo folder.
QString askForWorkingFolder();

} // namespace kess
