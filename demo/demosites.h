#pragma once
// The towns of the demo working folder: real airports with their ICAO codes and positions.
#include <QList>
#include <QString>

namespace demo {

struct DemoSite {
    int number = 0;        // 0 = the generic settings
    QString name;          // as shown; the files add "+" when the site takes generic data
    QString code;          // ICAO station code
    bool takesGeneric = false;
    int inRun = 0;         // runlist.txt
    int learning = 0;      // mxrunlist.txt: has its own weather station
    double latitude = 0;   // degrees north
    double longitude = 0;  // degrees east (west is negative)
    int elevationFt = 0;
    int utcOffset = 0;     // standard time, hours
    QString upperAir;      // nearest radiosonde station
    bool coastal = false;  // open water within reach of the sea breeze
    int waterFetchKm = 0;  // longest fetch over water upwind of the site
    double snowDepthCm = 0;

    QString savedName() const { return takesGeneric ? name + QLatin1Char('+') : name; }
};

// Site 0 (generic) first, then sites 1 to 6.
const QList<DemoSite> &demoSites();

} // namespace demo
