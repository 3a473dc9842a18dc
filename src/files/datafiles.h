#pragma once
// Files that ship with the program (the help text) and are looked for in the working folder
// first, then beside the installed program.
#include <QString>

namespace kess {

// "kessphelp.txt" of the working folder when there is one, else the installed copy
// (<prefix>/share/kessamir/kessphelp.txt, found from the program's own folder <prefix>/bin);
// the bare name when neither exists, so an error report names the file the user knows.
// `programFolder` is the program's own folder; tests give an installed layout of their own.
QString helpTextPath(const QString &programFolder);
QString helpTextPath();

// The folder of the files installed with the program: <program folder>/../share/kessamir.
QString installedDataFolder(const QString &programFolder);

} // namespace kess
