// Stand-in for VANTRO, the forecast model. Mode code 5: a synthetic forecast for the site of
// "custinit.txt", all the output files KESSAMIR collects, then reply 6; mode code 9: opened for
// settings. See common.h for the keys of "standins.txt" that steer it.
#include "common.h"
#include "forecast.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSaveFile>

using namespace standin;

namespace {

const QString StampMark = QStringLiteral("SYNTHETIC run stamp");

// A per-site state file ("snowrec.txt", "ecdata.txt") is kept as it is, except for one stamp
// line at its end that names the last run.
void restamp(const QString &file, const Site &site, const QDateTime &now)
{
    QStringList lines;
    for (const QString &l : readLines(file))
        if (!l.contains(StampMark))
            lines << l;
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
        lines.removeLast();
    lines << QStringLiteral("\"%1 (stand-in vantro.exe)\",\"%2\",\"%3\"")
                 .arg(StampMark, site.code, now.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
    writeLinesFile(file, lines);
}

int forecast(Companion &c)
{
    ForecastInputs in;
    in.site = readSite();
    c.setSite(in.site.code);
    if (!in.site.found)
        in.site.name = in.site.name.isEmpty() ? QStringLiteral("Unknown site") : in.site.name;
    in.wholeHour = readNumber(QStringLiteral("lasthr.txt"), 0) == 1;
    in.defaultWater = readNumber(QStringLiteral("defst.txt"), 0) == 1;
    in.corrections = readCorrections();
    for (const char *name : {"custinit.txt", "vantmini.txt", "cor.txt", "snowrec.txt", "fdata.txt", "ecdata.txt"})
        if (QFileInfo::exists(QString::fromLatin1(name)))
            in.presentFiles << QString::fromLatin1(name);

    pause(c.delay());
    if (c.settings().listsSite(QStringLiteral("vantro.noreply"), in.site.code))
        return c.crash(QStringLiteral("during the forecast"));
    if (const int code = c.misbehave([&](const QString &key) { return c.settings().listsSite(key, in.site.code); });
        code >= 0)
        return code;

    in.issued = QDateTime::currentDateTime();
    const Forecast f = makeForecast(in);
    writeLinesFile(QStringLiteral("latest.vnf"), vnfLines(f));
    writeLinesFile(QStringLiteral("latest.txt"), tableLines(f));
    writeLinesFile(QStringLiteral("latest.csv"), hourlyCsvLines(f));
    writeLinesFile(QStringLiteral("latestdaily.csv"), dailyCsvLines(f));
    writeLinesFile(QStringLiteral("plaintext.txt"), plainTextLines(f));
    writeLinesFile(QStringLiteral("latestturbine.csv"), turbineCsvLines(f));
    writeLinesFile(QStringLiteral("summary.txt"), summaryLines(f));
    restamp(QStringLiteral("snowrec.txt"), in.site, in.issued);
    restamp(QStringLiteral("ecdata.txt"), in.site, in.issued);

    const QString chart = QStringLiteral("meteogram") + in.site.prefix() + QStringLiteral(".bmp");
    const QImage image = meteogram(f);
    // Written beside and renamed, like the text files, so a reader never sees half a chart.
    QSaveFile chartFile(chart);
    QString what = QStringLiteral("forecast written, chart ") + chart;
    if (!chartFile.open(QIODevice::WriteOnly) || !image.save(&chartFile, "BMP") || !chartFile.commit())
        what += QStringLiteral(" FAILED");

    if (c.settings().listsSite(QStringLiteral("vantro.seatemp"), in.site.code)) {
        if (in.defaultWater) {
            what += QStringLiteral(", sea temperatures default");
        } else {
            QStringList list = readLines(QStringLiteral("seatempanomalies.txt"));
            list << u'"' + in.site.name + u'"';
            writeLinesFile(QStringLiteral("seatempanomalies.txt"), list);
            what += QStringLiteral(", sea temperature anomaly listed");
        }
    }
    c.reply(6);
    return c.close(what + QStringLiteral(", reply 6"));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    return runCompanion(QStringLiteral("vantro"), [](Companion &c) {
        const int mode = readModeCode();
        c.setMode(QString::number(mode));
        switch (mode) {
        case 5:
            return forecast(c);
        case 9:
            return c.settingsMode();
        default:
            return c.close(QStringLiteral("no work for this mode code: closed"));
        }
    });
}
