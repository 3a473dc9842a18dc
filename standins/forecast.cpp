#include "forecast.h"

#include "files/listreader.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace standin {

namespace {

using std::numbers::pi;

// FNV-1a: a hash that is the same on every run and platform (qHash is seeded per process).
quint64 fnv1a(const QByteArray &bytes)
{
    quint64 h = 1469598103934665603ULL;
    for (char c : bytes) {
        h ^= static_cast<unsigned char>(c);
        h *= 1099511628211ULL;
    }
    return h;
}

// xorshift64*: small, fast and reproducible everywhere.
class Rng {
public:
    explicit Rng(quint64 seed) : m_s(seed ? seed : 0x9E3779B97F4A7C15ULL) {}
    double next()
    {
        m_s ^= m_s >> 12;
        m_s ^= m_s << 25;
        m_s ^= m_s >> 27;
        return static_cast<double>((m_s * 2685821657736338717ULL) >> 11) / 9007199254740992.0;
    }
    double range(double lo, double hi) { return lo + (hi - lo) * next(); }

private:
    quint64 m_s;
};

quint64 siteSeed(const Site &site)
{
    return fnv1a(site.code.toUpper().toUtf8());
}

quint64 daySeed(const Site &site, const QDate &date)
{
    return siteSeed(site) ^ (static_cast<quint64>(date.toJulianDay()) * 0x9E3779B97F4A7C15ULL);
}

// -1 at 06:00, +1 at 15:00: a warming half-wave over 9 hours and a slow cooling over 15.
double diurnal(double hourOfDay)
{
    double h = std::fmod(hourOfDay, 24.0);
    if (h < 6)
        h += 24;
    if (h <= 15)
        return -std::cos(pi * (h - 6) / 9);
    return std::cos(pi * (h - 15) / 15);
}

// What the weather of one calendar day is like at this site.
struct DayWeather {
    double drift;   // C added to the seasonal base
    double cloud;   // percent
    double wind;    // m/s mean
    double dir;     // degrees
};

DayWeather dayWeather(const Site &site, const QDate &date)
{
    Rng site0(siteSeed(site) ^ 0xD1B54A32D192ED03ULL);
    const double windiness = site0.range(2.5, 7.0);
    const double prevailing = site0.range(0, 360);
    Rng r(daySeed(site, date));
    DayWeather d;
    d.drift = r.range(-3, 3);
    d.cloud = r.range(0, 100);
    d.wind = windiness * r.range(0.6, 1.5);
    d.dir = prevailing + r.range(-60, 60);
    return d;
}

double lerp(double a, double b, double t) { return a + (b - a) * t; }

double lerpAngle(double a, double b, double t)
{
    double diff = std::fmod(b - a + 540.0, 360.0) - 180.0;
    return a + diff * t;
}

QString num(double v, int decimals = 1)
{
    const double scale = std::pow(10.0, decimals);
    double r = std::round(v * scale) / scale;
    if (r == 0)
        r = 0; // no "-0.0"
    return QString::number(r, 'f', decimals);
}

int roundTo(double v, int step) { return static_cast<int>(std::lround(v / step)) * step; }

double fahrenheit(double c) { return c * 9.0 / 5.0 + 32.0; }

QString compass16(int deg)
{
    static const char *names[] = {"N",  "NNE", "NE", "ENE", "E",  "ESE", "SE", "SSE",
                                  "S",  "SSW", "SW", "WSW", "W",  "WNW", "NW", "NNW"};
    return QString::fromLatin1(names[static_cast<int>(std::lround(deg / 22.5)) % 16]);
}

QString compassWords(int deg)
{
    static const char *names[] = {"North", "Northeast", "East", "Southeast",
                                  "South", "Southwest", "West", "Northwest"};
    return QString::fromLatin1(names[static_cast<int>(std::lround(deg / 45.0)) % 8]);
}

QString sky(int cloud, bool day)
{
    if (cloud < 20)
        return day ? QStringLiteral("Sunny") : QStringLiteral("Clear");
    if (cloud < 45)
        return day ? QStringLiteral("Mostly sunny") : QStringLiteral("Mostly clear");
    if (cloud < 70)
        return QStringLiteral("Partly cloudy");
    if (cloud < 88)
        return QStringLiteral("Mostly cloudy");
    return QStringLiteral("Cloudy");
}

QString stamp(const QDateTime &t) { return t.toString(QStringLiteral("yyyy-MM-dd hh:mm")); }

QString quoted(const QString &t)
{
    QString s = t;
    s.replace(u'"', u'\'');
    return u'"' + s + u'"';
}

QString siteLine(const Forecast &f)
{
    return QStringLiteral("VANTRO stand-in forecast for %1 (%2)").arg(f.in.site.name, f.in.site.code);
}

QString csvLabel() { return quoted(QString::fromLatin1(SyntheticLabel)); }

QString csvSite(const Forecast &f)
{
    return QStringLiteral("\"site\",%1,%2").arg(quoted(f.in.site.code), quoted(f.in.site.name));
}

struct Stats {
    double maxT = -1e9, minT = 1e9, maxWind = 0;
    int maxCloud = 0, rain = 0;
    double cloudSum = 0;
    int count = 0;
    void add(const HourValues &h)
    {
        maxT = std::max(maxT, h.temp);
        minT = std::min(minT, h.temp);
        maxWind = std::max(maxWind, h.wind);
        maxCloud = std::max(maxCloud, h.cloud);
        rain = std::max(rain, h.rainChance);
        cloudSum += h.cloud;
        ++count;
    }
    int meanCloud() const { return count ? static_cast<int>(std::lround(cloudSum / count)) : 0; }
};

// The plain texts are made for the forecast-text window's 82-column rows: longer lines are
// folded at a blank, the rest of them indented.
QStringList folded(const QStringList &lines, int width = 80)
{
    QStringList out;
    for (QString line : lines) {
        while (line.size() > width) {
            qsizetype cut = line.lastIndexOf(u' ', width);
            if (cut <= 2)
                cut = width;
            out << line.left(cut);
            line = QStringLiteral("  ") + line.mid(cut).trimmed();
        }
        out << line;
    }
    return out;
}

} // namespace

Corrections readCorrections(const QString &file)
{
    Corrections c;
    try {
        kess::ListReader r = kess::ListReader::open(file);
        Corrections read;
        read.tempOffset = r.readNumber();
        read.tempFactor = r.readNumber();
        read.dewOffset = r.readNumber();
        read.dewFactorChange = r.readNumber();
        if (read.tempFactor > 0.5 && read.tempFactor < 1.5)
            c = read;
    } catch (const kess::FileError &) {
        // missing or unreadable: neutral
    }
    return c;
}

// Mean temperature (C) of the day of the year: a rough climate from latitude and elevation
// (warmer towards the equator, colder uphill, a wider yearly swing further from the equator),
// or a mid-latitude year where the site's position is not known.
double seasonalMean(const Site &site, const QDate &date)
{
    const double yearPhase = std::cos(2 * pi * (date.dayOfYear() - 20) / 365.25);
    if (!site.latitude)
        return 11.0 - 11.0 * yearPhase;
    const double lat = std::fabs(*site.latitude);
    const double annual = 30.0 - 0.55 * std::max(0.0, lat - 10.0) - 4.0 * site.elevationFt.value_or(0) * 0.3048 / 1000.0;
    const double swing = std::clamp(0.35 * lat - 3.0, 1.0, 15.0);
    const double hemisphere = *site.latitude < 0 ? -1.0 : 1.0;
    return annual - hemisphere * swing * yearPhase;
}

Forecast makeForecast(const ForecastInputs &in, int hours)
{
    Forecast f;
    f.in = in;
    QDateTime boot = in.issued;
    const QTime t = boot.time();
    boot.setTime(QTime(t.hour(), in.wholeHour ? 0 : t.minute() - t.minute() % 10));
    f.boot = boot;

    Rng siteRng(siteSeed(in.site));
    // Where the site's latitude is known its climate sets the temperature; the offset only
    // tells neighbours apart.
    const double siteOffset = in.site.latitude ? siteRng.range(-1.5, 1.5) : siteRng.range(-6, 6);
    const double siteAmplitude = siteRng.range(3, 7);

    for (int i = 0; i < hours; ++i) {
        HourValues h;
        h.time = boot.addSecs(3600LL * i);
        const QDate date = h.time.date();
        const double hourOfDay = h.time.time().hour() + h.time.time().minute() / 60.0;
        const DayWeather today = dayWeather(in.site, date);
        const DayWeather tomorrow = dayWeather(in.site, date.addDays(1));
        const double w = hourOfDay / 24.0;
        Rng noise(daySeed(in.site, date) ^ (static_cast<quint64>(hourOfDay * 60) + 1) * 0xBF58476D1CE4E5B9ULL);

        const double cloud = std::clamp(lerp(today.cloud, tomorrow.cloud, w) + noise.range(-12, 12), 0.0, 100.0);
        const double cloudFraction = cloud / 100.0;
        const double base = seasonalMean(in.site, date) + siteOffset + lerp(today.drift, tomorrow.drift, w);
        const double amplitude = siteAmplitude * (1.0 - 0.45 * cloudFraction);
        const double temp = base + amplitude * diurnal(hourOfDay) + noise.range(-0.4, 0.4);
        const double spread = 1.5 + 7.0 * (1.0 - cloudFraction) * (0.6 + 0.4 * diurnal(hourOfDay));
        const double dew = temp - spread;

        const Corrections &c = in.corrections;
        h.temp = c.tempOffset + c.tempFactor * temp;
        h.dew = std::min(c.dewOffset + (1.0 + c.dewFactorChange) * dew, h.temp);
        const double gustiness = 0.8 + 0.35 * (diurnal(hourOfDay) + 1.0) / 2.0;
        h.wind = std::max(0.0, lerp(today.wind, tomorrow.wind, w) * gustiness + noise.range(-0.6, 0.6));
        h.windDir = static_cast<int>(std::lround(std::fmod(
                        lerpAngle(today.dir, tomorrow.dir, w) + noise.range(-15, 15) + 720.0, 360.0))) % 360;
        h.cloud = static_cast<int>(std::lround(cloud));
        h.rainChance = std::clamp(roundTo((cloud - 55.0) * 2.0, 10), 0, 90);
        f.hours.append(h);
    }
    return f;
}

QStringList vnfLines(const Forecast &f)
{
    QStringList l{QString::fromLatin1(SyntheticLabel),
                  QStringLiteral("\"VANTRO stand-in\",%1,%2,%3,%4")
                      .arg(quoted(f.in.site.code), quoted(f.in.site.name), quoted(stamp(f.boot)))
                      .arg(f.hours.size()),
                  QStringLiteral("hour,temperature,dewpoint,wind,direction,cloud,rainchance")};
    for (int i = 0; i < f.hours.size(); ++i) {
        const HourValues &h = f.hours[i];
        l << QStringLiteral("%1,%2,%3,%4,%5,%6,%7")
                 .arg(i)
                 .arg(num(h.temp), num(h.dew), num(h.wind))
                 .arg(h.windDir)
                 .arg(h.cloud)
                 .arg(h.rainChance);
    }
    return l;
}

QStringList tableLines(const Forecast &f)
{
    QStringList l{QString::fromLatin1(SyntheticLabel), siteLine(f),
                  QStringLiteral("Issued %1, boot time %2%3")
                      .arg(stamp(f.in.issued), f.boot.toString(QStringLiteral("hh:mm")),
                           f.in.wholeHour ? QStringLiteral(" (whole hour)") : QString()),
                  QString(),
                  QStringLiteral("Date       Time   Temp C  Dew C   Wind m/s   Cloud  Rain")};
    for (const HourValues &h : f.hours)
        l << QStringLiteral("%1  %2  %3  %4 %5  %6%  %7%")
                 .arg(stamp(h.time))
                 .arg(num(h.temp), 6)
                 .arg(num(h.dew), 5)
                 .arg(compass16(h.windDir), 3)
                 .arg(num(h.wind), 5)
                 .arg(h.cloud, 5)
                 .arg(h.rainChance, 3);
    return l;
}

QStringList hourlyCsvLines(const Forecast &f)
{
    QStringList l{csvLabel(), csvSite(f),
                  QStringLiteral("time,temperature_c,dewpoint_c,wind_ms,wind_dir_deg,cloud_pct,rain_chance_pct")};
    for (const HourValues &h : f.hours)
        l << QStringLiteral("%1,%2,%3,%4,%5,%6,%7")
                 .arg(stamp(h.time), num(h.temp), num(h.dew), num(h.wind))
                 .arg(h.windDir)
                 .arg(h.cloud)
                 .arg(h.rainChance);
    return l;
}

QStringList dailyCsvLines(const Forecast &f)
{
    QStringList l{csvLabel(), csvSite(f),
                  QStringLiteral("date,max_c,min_c,max_wind_ms,rain_chance_pct,sky")};
    QList<QDate> dates;
    QList<Stats> stats;
    for (const HourValues &h : f.hours) {
        if (dates.isEmpty() || dates.last() != h.time.date()) {
            dates << h.time.date();
            stats << Stats();
        }
        stats.last().add(h);
    }
    for (int i = 0; i < dates.size(); ++i)
        l << QStringLiteral("%1,%2,%3,%4,%5,%6")
                 .arg(dates[i].toString(QStringLiteral("yyyy-MM-dd")), num(stats[i].maxT),
                      num(stats[i].minT), num(stats[i].maxWind))
                 .arg(stats[i].rain)
                 .arg(sky(stats[i].meanCloud(), true));
    return l;
}

QStringList plainTextLines(const Forecast &f)
{
    // Twelve-hour periods: day 06-18, night 18-06 (a night belongs to the date of its evening).
    struct Period {
        QDate date;
        bool day;
        Stats stats;
        double dirX = 0, dirY = 0, temperatureCold = 1e9;
    };
    QList<Period> periods;
    for (const HourValues &h : f.hours) {
        const int hour = h.time.time().hour();
        const bool day = hour >= 6 && hour < 18;
        const QDate date = hour < 6 ? h.time.date().addDays(-1) : h.time.date();
        if (periods.isEmpty() || periods.last().date != date || periods.last().day != day) {
            if (periods.size() == 4)
                break;
            periods.append(Period{date, day, {}});
        }
        Period &p = periods.last();
        p.stats.add(h);
        p.dirX += std::sin(h.windDir * pi / 180) * h.wind;
        p.dirY += std::cos(h.windDir * pi / 180) * h.wind;
        p.temperatureCold = std::min(p.temperatureCold, h.temp);
    }

    QStringList l{QString::fromLatin1(SyntheticLabel),
                  QStringLiteral("Forecast for %1 (%2), issued %3.")
                      .arg(f.in.site.name, f.in.site.code,
                           f.in.issued.toString(QStringLiteral("dddd d MMMM yyyy hh:mm")))};
    const QDate first = f.boot.time().hour() < 6 ? f.boot.date().addDays(-1) : f.boot.date();
    for (const Period &p : periods) {
        QString name;
        if (p.date == first)
            name = p.day ? QStringLiteral("Today") : QStringLiteral("Tonight");
        else
            name = p.date.toString(QStringLiteral("dddd")) + (p.day ? QString() : QStringLiteral(" night"));
        const double extreme = p.day ? p.stats.maxT : p.stats.minT;
        int dir = static_cast<int>(std::lround(std::atan2(p.dirX, p.dirY) * 180 / pi));
        dir = (dir + 360) % 360;
        QString text = QStringLiteral("%1: %2. %3 %4 C (%5 F). %6 wind %7 m/s.")
                           .arg(name, sky(p.stats.meanCloud(), p.day),
                                p.day ? QStringLiteral("High") : QStringLiteral("Low"))
                           .arg(std::lround(extreme))
                           .arg(std::lround(fahrenheit(extreme)))
                           .arg(compassWords(dir))
                           .arg(std::lround(p.stats.maxWind));
        if (p.stats.rain > 0)
            text += QStringLiteral(" Chance of %1 %2%.")
                        .arg(p.temperatureCold < 1 ? QStringLiteral("snow") : QStringLiteral("rain"))
                        .arg(p.stats.rain);
        l << text;
    }
    return folded(l);
}

QStringList turbineCsvLines(const Forecast &f)
{
    // A generic 2 MW turbine at 80 m: cut in 3 m/s, rated 12 m/s, cut out 25 m/s.
    QStringList l{csvLabel(), csvSite(f),
                  QStringLiteral("time,wind_10m_ms,wind_80m_ms,power_kw")};
    for (const HourValues &h : f.hours) {
        const double hub = h.wind * std::pow(80.0 / 10.0, 0.143);
        double power = 0;
        if (hub >= 25)
            power = 0;
        else if (hub >= 12)
            power = 2000;
        else if (hub > 3)
            power = 2000 * std::pow((hub - 3) / 9.0, 3);
        l << QStringLiteral("%1,%2,%3,%4").arg(stamp(h.time), num(h.wind), num(hub), num(power, 0));
    }
    return l;
}

QStringList summaryLines(const Forecast &f)
{
    Stats all;
    for (const HourValues &h : f.hours)
        all.add(h);
    const Corrections &c = f.in.corrections;
    return folded({QString::fromLatin1(SyntheticLabel),
            QStringLiteral("Summary for %1 (%2): %3 hours from %4.")
                .arg(f.in.site.name, f.in.site.code)
                .arg(f.hours.size())
                .arg(stamp(f.boot)),
            QStringLiteral("Temperature %1 to %2 C; strongest wind %3 m/s; %4.")
                .arg(num(all.minT), num(all.maxT), num(all.maxWind),
                     all.rain ? QStringLiteral("precipitation chance up to %1%").arg(all.rain)
                              : QStringLiteral("no precipitation expected")),
            QStringLiteral("Corrections %1,%2,%3,%4%5; water temperatures %6.")
                .arg(num(c.tempOffset, 2), num(c.tempFactor, 3), num(c.dewOffset, 2),
                     num(c.dewFactorChange, 3),
                     c.neutral() ? QStringLiteral(" (neutral)") : QString(),
                     f.in.defaultWater ? QStringLiteral("default") : QStringLiteral("stored")),
            QStringLiteral("Input files: %1.").arg(f.in.presentFiles.isEmpty()
                                                        ? QStringLiteral("none")
                                                        : f.in.presentFiles.join(QStringLiteral(", ")))});
}

QImage meteogram(const Forecast &f)
{
    constexpr int W = 160, H = 100;
    constexpr int left = 4, right = W - 5, top = 4, plotBottom = H - 18, cloudTop = H - 14;
    QImage img(W, H, QImage::Format_RGB32);
    img.fill(Qt::white);
    if (f.hours.isEmpty())
        return img;

    double lo = 1e9, hi = -1e9;
    for (const HourValues &h : f.hours) {
        lo = std::min(lo, h.dew);
        hi = std::max(hi, h.temp);
    }
    lo = std::floor(lo / 5) * 5 - 1;
    hi = std::ceil(hi / 5) * 5 + 1;
    const int n = static_cast<int>(f.hours.size());
    auto x = [&](int i) { return left + (right - left) * double(i) / std::max(1, n - 1); };
    auto y = [&](double v) { return plotBottom - (plotBottom - top) * (v - lo) / (hi - lo); };

    QPainter p(&img);
    p.setPen(QColor(220, 220, 220));
    for (double v = std::ceil(lo / 5) * 5; v <= hi; v += 5)
        p.drawLine(QPointF(left, y(v)), QPointF(right, y(v)));
    for (int i = 0; i < n; ++i)
        if (f.hours[i].time.time().hour() % 6 == 0)
            p.drawLine(QPointF(x(i), top), QPointF(x(i), plotBottom));
    if (lo < 0 && hi > 0) {
        p.setPen(QColor(90, 90, 255));
        p.drawLine(QPointF(left, y(0)), QPointF(right, y(0)));
    }
    p.setPen(QColor(160, 160, 160));
    p.drawRect(QRectF(left, top, right - left, plotBottom - top));

    for (int i = 0; i < n; ++i) {
        const int shade = 255 - f.hours[i].cloud * 2;
        const double w = (right - left) / double(n);
        p.fillRect(QRectF(left + w * i, cloudTop, std::max(1.0, w), H - 4 - cloudTop), QColor(shade, shade, shade));
    }

    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath temp, dew;
    for (int i = 0; i < n; ++i) {
        const QPointF pt(x(i), y(f.hours[i].temp)), pd(x(i), y(f.hours[i].dew));
        if (i == 0) {
            temp.moveTo(pt);
            dew.moveTo(pd);
        } else {
            temp.lineTo(pt);
            dew.lineTo(pd);
        }
    }
    p.setPen(QPen(QColor(0, 150, 0), 1.2));
    p.drawPath(dew);
    p.setPen(QPen(QColor(210, 0, 0), 1.6));
    p.drawPath(temp);
    p.end();
    return img;
}

} // namespace standin
