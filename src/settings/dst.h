#pragma once
// The daylight-saving change: the daylight-saving item of every site's saved VANTRO, DORLIQ and
// PELTHOR settings (sites 0 to the site count) set at once, all or nothing.
#include <QStringList>

namespace kess {

struct DstOutcome {
    QStringList problems; // one per file that could not be read or is too short; nothing changed
    QString failure;      // a write that failed after the check, with what it left unchanged
    bool ok() const { return problems.isEmpty() && failure.isEmpty(); }
};

// `dst` 1 daylight time, 0 standard time. Every file is read and checked first; only when all
// are sound is any written. Each copy keeps every other item, in the form it was read, and
// exactly the lines its source had. "vantmini.txt" and "pelini.txt" then hold the last site's
// new copies; "custinit.txt" is left alone.
DstOutcome changeDaylightSaving(int siteCount, int dst);

} // namespace kess
