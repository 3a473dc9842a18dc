// Stand-in for mirrix.exe, the learning program. Mode code 20: a learning run that leaves
// synthetic bias corrections in "cor.txt" and replies 22; mode code 0: opened for settings.
// See common.h for the keys of "standins.txt" that steer it.
#include "common.h"

#include "files/fileops.h"
#include "files/listreader.h"
#include "settings/layouts.h"

#include <QCoreApplication>
#include <QDate>

using namespace standin;

namespace {

QString fixed(double v, int decimals)
{
    QString t = QString::number(v, 'f', decimals);
    return t == QStringLiteral("-0.00") || t == QStringLiteral("-0.000") ? t.mid(1) : t;
}

// The site learnt for: the weather station that PELTHOR's working settings name (line 15, first
// item), which a learning run puts in place for each site; else the site of "custinit.txt".
QString learningSite()
{
    try {
        kess::ListReader r = kess::ListReader::open(QStringLiteral("pelini.txt"));
        const kess::SettingsLines lines = kess::readSettings(r, kess::settingsLayout(kess::SettingsFile::Pelini));
        if (lines.size() >= 15 && !lines[14].isEmpty() && !lines[14][0].isNumber()
            && !lines[14][0].text.trimmed().isEmpty())
            return lines[14][0].text.trimmed();
    } catch (const kess::FileError &) {
    }
    return readSite().code;
}

// Opened for settings: "mirrix.edit" stands for what the user changes, a line added to the
// working settings "mxrninit.txt" before the program is closed.
int editSettings(Companion &c)
{
    const QString edit = c.settings().value(QStringLiteral("mirrix.edit"));
    if (!edit.isEmpty()) {
        QStringList lines = readLines(QStringLiteral("mxrninit.txt"));
        lines << edit;
        writeLinesFile(QStringLiteral("mxrninit.txt"), lines);
        c.log(QStringLiteral("added \"%1\" to mxrninit.txt").arg(edit));
    }
    return c.settingsMode();
}

int learn(Companion &c)
{
    Site site;
    site.code = learningSite();
    c.setSite(site.code);
    pause(c.delay());
    if (c.settings().listsSite(QStringLiteral("mirrix.noreply"), site.code))
        return c.crash(QStringLiteral("while learning"));
    if (const int code = c.misbehave([&](const QString &key) { return c.settings().listsSite(key, site.code); });
        code >= 0)
        return code;

    // The same site settings give the same corrections on the same day.
    QByteArray basis;
    try {
        basis = kess::readBytes(QStringLiteral("mxrninit.txt")) + kess::readBytes(QStringLiteral("pelini.txt"));
    } catch (const kess::FileError &) {
    }
    const uint seed = qHashBits(basis.constData(), basis.size(), 11)
                      ^ static_cast<uint>(QDate::currentDate().toJulianDay());
    const double tempOffset = static_cast<int>(seed % 201) / 100.0 - 1.0;          // -1.00 .. 1.00
    const double tempFactor = 0.95 + static_cast<int>((seed / 201) % 101) / 1000.0; // 0.950 .. 1.050
    const double dewOffset = static_cast<int>((seed / 20301) % 161) / 100.0 - 0.8;  // -0.80 .. 0.80
    const double dewChange = static_cast<int>((seed / 3268461) % 41) / 1000.0 - 0.02;
    writeLinesFile(QStringLiteral("cor.txt"),
                   {QStringLiteral("%1,%2,%3,%4")
                        .arg(fixed(tempOffset, 2), fixed(tempFactor, 3), fixed(dewOffset, 2),
                             fixed(dewChange, 3)),
                    QStringLiteral("\"SYNTHETIC bias corrections (stand-in mirrix.exe, not learned "
                                   "from a weather station)\"")});
    c.reply(22);
    return c.close(QStringLiteral("learned, wrote cor.txt, reply 22"));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    return runCompanion(QStringLiteral("mirrix"), [](Companion &c) {
        const int mode = readModeCode();
        c.setMode(QString::number(mode));
        switch (mode) {
        case 20:
            return learn(c);
        case 0:
            return editSettings(c);
        default:
            return c.close(QStringLiteral("no work for this mode code: closed"));
        }
    });
}
