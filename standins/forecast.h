#pragma once
// The synthetic forecast of the VANTRO stand-in: hourly values with a diurnal temperature cycle,
// seeded from the site code and the date, so the same site on the same day gets the same
// weather. Nothing here is a real forecast, and every text says so on its first line.
#include "common.h"

#include <QDateTime>
#include <QImage>
#include <QList>
#include <QStringList>

namespace standin {

// Bias corrections as "cor.txt" holds them: a, b, c, d with
// temperature' = a + b * temperature and dew point' = c + (1 + d) * dew point.
// The neutral file is 0,1,0,0.
struct Corrections {
    double tempOffset = 0;
    double tempFactor = 1;
    double dewOffset = 0;
    double dewFactorChange = 0;
    bool neutral() const { return tempOffset == 0 && tempFactor == 1 && dewOffset == 0 && dewFactorChange == 0; }
};
Corrections readCorrections(const QString &file = QStringLiteral("cor.txt"));

struct HourValues {
    QDateTime time;
    double temp = 0;      // C
    double dew = 0;       // C
    double wind = 0;      // m/s at 10 m
    int windDir = 0;      // degrees, where the wind comes from
    int cloud = 0;        // percent
    int rainChance = 0;   // percent
};

struct ForecastInputs {
    Site site;
    QDateTime issued;       // now
    bool wholeHour = false; // "lasthr.txt" holds 1: boot on the whole hour
    bool defaultWater = false;
    Corrections corrections;
    QStringList presentFiles; // input files found, for the summary
};

struct Forecast {
    ForecastInputs in;
    QDateTime boot;
    QList<HourValues> hours;
};

Forecast makeForecast(const ForecastInputs &in, int hours = 48);

QStringList vnfLines(const Forecast &f);
QStringList tableLines(const Forecast &f);
QStringList hourlyCsvLines(const Forecast &f);
QStringList dailyCsvLines(const Forecast &f);
QStringList plainTextLines(const Forecast &f);
QStringList turbineCsvLines(const Forecast &f);
QStringList summaryLines(const Forecast &f);
// 160 x 100 chart: temperature (red) and dew point (green) over the hours, cloud bars below.
QImage meteogram(const Forecast &f);

} // namespace standin
