#include "sitefiles.h"

#include "files/records.h"

#include <cmath>
#include <numbers>

namespace demo {

using kess::Item;
using kess::SettingsFile;
using kess::SettingsLines;

namespace {

Item num(double v) { return Item::fromNumber(v); }
Item text(const QString &t) { return Item::fromText(t, true); }
Item bare(const QString &t) { return Item::fromText(t, false); }

double rounded(double v, int decimals)
{
    const double f = std::pow(10.0, decimals);
    return std::round(v * f) / f;
}

// Every item of the layout, filled with small settings numbers (0 to 6) that vary with the
// place; the functions below then put the values that mean something in their places.
SettingsLines filled(SettingsFile file)
{
    const kess::SettingsLayout &layout = kess::settingsLayout(file);
    SettingsLines lines;
    for (int l = 1; l <= layout.lineCount(); ++l) {
        QList<Item> items;
        for (int i = 1; i <= layout.itemsOn(l); ++i)
            items.append(num((l * 3 + i) % 7));
        lines.append(items);
    }
    return lines;
}

void put(SettingsLines &lines, int line, int item, const Item &value)
{
    lines[line - 1][item - 1] = value;
}

void put(SettingsLines &lines, kess::ItemPlace place, const Item &value)
{
    put(lines, place.line, place.item, value);
}

QString title(const QString &what, const DemoSite &site)
{
    return QStringLiteral("\"%1 for %2 (%3), demo data\"").arg(what, site.name, site.code);
}

QString entry(const QString &label, double value)
{
    return QLatin1Char('"') + label + QStringLiteral("\",") + kess::numberText(value);
}

} // namespace

SettingsLines custinitItems(const DemoSite &site, const FolderFacts &facts)
{
    namespace places = kess::places;
    SettingsLines c = filled(SettingsFile::Custinit);
    put(c, places::CustinitSiteName, text(site.savedName()));
    put(c, 1, 2, num(7));   // forecast days
    put(c, 1, 3, num(3));   // hours between forecast steps in the table
    put(c, 1, 4, num(0));   // units: 0 Fahrenheit and mph
    put(c, 1, 5, num(1));   // draw the charts
    put(c, 1, 6, num(1));   // write the forecast text
    put(c, 1, 7, num(0));   // no wind-turbine output
    put(c, 2, 1, num(168)); // forecast length, hours
    put(c, 2, 3, num(60));  // model time step, minutes
    put(c, 2, 8, num(site.utcOffset));
    put(c, places::CustinitSiteCode, text(site.code));
    put(c, 9, 1, text(QStringLiteral("GFS"))); // initialising model
    put(c, places::CustinitDst, num(facts.dst));
    put(c, places::CustinitMinutes, num(facts.minutes));
    // Lines 15-38: share of the day's sunshine by hour, 0 at night.
    for (int h = 0; h < 24; ++h) {
        const double sun = std::sin(std::numbers::pi * (h - 6) / 12.0);
        put(c, 15 + h, 1, num(sun > 0 ? rounded(sun, 2) : 0));
    }
    put(c, 68, 1, num(site.latitude));
    put(c, 68, 2, num(site.longitude));
    put(c, 68, 3, num(site.elevationFt));
    put(c, 68, 4, num(site.coastal ? 1 : 0));
    // Lines 93-95 and 97: four 5-element weight lists.
    for (int k = 1; k <= 5; ++k) {
        put(c, 93, k, num(rounded(0.2 * k, 1)));
        put(c, 94, k, num(rounded(1.0 - 0.1 * k, 1)));
        put(c, 95, k, num(k));
        put(c, 97, k, num(rounded(0.5 * k, 1)));
    }
    return c;
}

SettingsLines vantminiItems(const DemoSite &site, const FolderFacts &facts)
{
    SettingsLines w = filled(SettingsFile::Vantmini);
    put(w, 1, 1, text(site.code));
    put(w, 2, 1, bare(site.name));
    put(w, 3, 1, bare(QStringLiteral("nomads.ncep.noaa.gov"))); // model data server
    put(w, 4, 1, bare(site.upperAir));
    put(w, 5, 1, num(48)); // hours of model data to fetch
    put(w, 6, 1, num(3));  // hours between model fields
    put(w, kess::places::VantminiDst, num(facts.dst));
    put(w, 15, 1, num(site.latitude));
    put(w, 16, 1, bare(QStringLiteral("surface")));  // subfolder of surface observations
    put(w, 17, 1, bare(QStringLiteral("upperair"))); // subfolder of soundings
    put(w, 36, 1, num(site.longitude));
    put(w, 39, 1, num(site.elevationFt));
    put(w, 40, 1, num(site.utcOffset));
    put(w, 41, 1, bare(site.code)); // surface observation station
    // Lines 57-80: fetch the observations of hour h (the main synoptic hours).
    for (int h = 0; h < 24; ++h)
        put(w, 57 + h, 1, num(h % 3 == 0 ? 1 : 0));
    // Lines 99-113: three 5-element lists of the site's station weights.
    for (int list = 0; list < 3; ++list)
        for (int k = 1; k <= 5; ++k)
            put(w, 99 + list * 5 + k - 1, 1, num(rounded(1.0 / (list + k), 2)));
    return w;
}

SettingsLines peliniItems(const DemoSite &site, const FolderFacts &facts)
{
    namespace places = kess::places;
    SettingsLines r = filled(SettingsFile::Pelini);
    put(r, 1, 1, num(30)); // days of verification kept
    put(r, 1, 2, num(0));  // units: 0 Fahrenheit
    put(r, places::PeliniDst, num(facts.dst));
    put(r, 1, 4, num(site.utcOffset));
    // Lists A (forecast hour checked) and B (tolerance, degrees), five of each per line.
    const int listLines[] = {2, 17, 20, 23};
    for (int block = 0; block < 4; ++block) {
        for (int k = 1; k <= 5; ++k) {
            const int element = block * 5 + k;
            put(r, listLines[block], k, num(6 * element));
            put(r, listLines[block], 5 + k, num(2 + (element - 1) / 5));
        }
    }
    put(r, 9, 1, num(site.latitude));
    put(r, 10, 1, num(site.longitude));
    put(r, 11, 1, num(site.elevationFt));
    put(r, places::PeliniFolder, text(facts.pelthorFolder));
    put(r, 13, 1, num(6));
    put(r, 14, 1, num(0));
    put(r, 15, 1, text(site.code));        // local weather station
    put(r, 15, 2, num(site.learning));     // 1 = the site has its own station
    return r;
}

QStringList snowrecLines(const DemoSite &site)
{
    return {title(QStringLiteral("Snow record"), site),
            entry(QStringLiteral("snow depth cm"), site.snowDepthCm),
            entry(QStringLiteral("days since last snowfall"), site.snowDepthCm > 0 ? 3 : 99),
            entry(QStringLiteral("snow water equivalent mm"), site.snowDepthCm * 2)};
}

QStringList corLines(const DemoSite &site)
{
    // Sites with their own station have learnt a small bias; the others have none yet.
    const double t = site.learning ? rounded(0.1 * (site.number % 5) - 0.3, 1) : 0;
    const double d = site.learning ? rounded(0.2 * (site.number % 3), 1) : 0;
    return {title(QStringLiteral("Bias corrections"), site),
            entry(QStringLiteral("temperature bias F"), t),
            entry(QStringLiteral("dew point bias F"), d),
            entry(QStringLiteral("days of observations used"), site.learning ? 30 : 0)};
}

QStringList fdataLines(const DemoSite &site)
{
    return {title(QStringLiteral("Water fetch data"), site),
            entry(QStringLiteral("coastal site"), site.coastal ? 1 : 0),
            entry(QStringLiteral("longest fetch over water km"), site.waterFetchKm)};
}

QStringList ecdataLines(const DemoSite &site)
{
    return {title(QStringLiteral("Eclipse data"), site),
            entry(QStringLiteral("eclipse within forecast range"), 0),
            entry(QStringLiteral("greatest obscuration percent"), 0)};
}

} // namespace demo
