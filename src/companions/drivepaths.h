#pragma once
// Paths with a drive letter ("c:\vantro\") where the companions run under Wine.
//
// The companions' settings name folders the Windows way. Away from Windows such a value is found
// through the Wine prefix ($WINEPREFIX, else ~/.wine): its dosdevices/<letter>: link gives the
// drive's folder, and each component after it is matched without regard to case, as Wine does
// (one that does not exist keeps its spelling). On Windows a value is used as it is.
#include <QString>

namespace kess {

struct HostPath {
    QString path;    // the value as a path of this system; empty when it cannot be found
    QString problem; // why not ("drive D: is not mapped in the Wine prefix ...")
    bool ok() const { return problem.isEmpty(); }
};

// Whether a value begins with a drive letter and a colon.
bool hasDriveLetter(const QString &value);
// The Wine prefix the mapping goes through.
QString winePrefix();
// `value` as a path here; a value without a drive letter is returned as it is. A separator at
// the end stays ("/" then).
HostPath hostPath(const QString &value);
// A path of this system as a Windows program under Wine names it: with the drive whose folder
// holds it (the most specific one), else in Wine's Z: form. A final separator stays.
QString windowsPath(const QString &path);

} // namespace kess
