#pragma once
// The per-site flag lists: "runlist.txt" (1 = the site takes part in forecast runs) and
// "mxrunlist.txt" (1 = the site takes part in learning runs). One number a line, site 1 first;
// the list is as long as the file, at most 99 sites.
#include "files/errors.h"

#include <QByteArray>
#include <QList>
#include <optional>

namespace kess {

struct SiteFlagList {
    QList<int> flags; // site 1 first; whole numbers (a fraction in the file rounds)
    // Why the reading stopped before the end of the file (an item that is not a number);
    // the flags before it are kept.
    std::optional<FileError> fault;
};

// Never throws. Reads no further than site 99.
SiteFlagList decodeSiteFlags(const QByteArray &bytes);
// One line a flag in print form (" 1 "), each ended by CR LF.
QByteArray encodeSiteFlags(const QList<int> &flags);

} // namespace kess
