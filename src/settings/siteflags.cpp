#include "siteflags.h"

#include "core/appstate.h"
#include "files/listreader.h"
#include "files/records.h"

#include <cmath>

namespace kess {

SiteFlagList decodeSiteFlags(const QByteArray &bytes)
{
    SiteFlagList list;
    ListReader r(bytes);
    try {
        while (!r.atEnd() && list.flags.size() < MaxSites) {
            const double v = r.readNumber();
            // A flag far out of range keeps its sign and stays "neither 0 nor 1".
            list.flags << (std::fabs(v) < 2e9 ? static_cast<int>(std::lround(v)) : (v < 0 ? -2000000000 : 2000000000));
        }
    } catch (const FileError &e) {
        list.fault = e;
    }
    return list;
}

QByteArray encodeSiteFlags(const QList<int> &flags)
{
    QByteArray out;
    for (int flag : flags)
        out += printForm(flag).toLatin1() + "\r\n";
    return out;
}

} // namespace kess
