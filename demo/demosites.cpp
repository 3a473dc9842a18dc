#include "demosites.h"

namespace demo {

const QList<DemoSite> &demoSites()
{
    // number, name, code, takes generic, in run, learning, lat, lon, elevation ft, UTC offset,
    // upper-air station, coastal, water fetch km, snow depth cm
    static const QList<DemoSite> sites = {
        {0, QStringLiteral("Generic"), QStringLiteral("GEN"), false, 0, 0,
         39.8283, -98.5795, 1800, -6, QStringLiteral("TOP"), false, 0, 0},
        {1, QStringLiteral("Boston"), QStringLiteral("KBOS"), false, 1, 1,
         42.3656, -71.0096, 19, -5, QStringLiteral("CHH"), true, 250, 8},
        {2, QStringLiteral("Atlanta"), QStringLiteral("KATL"), true, 1, 0,
         33.6407, -84.4277, 1026, -5, QStringLiteral("FFC"), false, 0, 0},
        {3, QStringLiteral("Seattle"), QStringLiteral("KSEA"), false, 0, 1,
         47.4502, -122.3088, 433, -8, QStringLiteral("UIL"), true, 40, 0},
        {4, QStringLiteral("Denver"), QStringLiteral("KDEN"), true, 1, 0,
         39.8561, -104.6737, 5434, -7, QStringLiteral("DNR"), false, 0, 5},
        {5, QStringLiteral("Miami"), QStringLiteral("KMIA"), true, 1, 0,
         25.7959, -80.2870, 8, -5, QStringLiteral("MFL"), true, 300, 0},
        {6, QStringLiteral("Chicago"), QStringLiteral("KORD"), false, 0, 0,
         41.9742, -87.9073, 672, -6, QStringLiteral("ILX"), false, 80, 10},
    };
    return sites;
}

} // namespace demo
