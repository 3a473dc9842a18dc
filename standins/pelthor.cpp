// Stand-in for PELTHOR, the verifier. Started by a forecast run ("autopel.txt" holds 1) it writes
// "lastpel.txt" into the working folder named in "pelini.txt"; otherwise it is open for settings.
// See common.h for the keys of "standins.txt" that steer it.
#include "common.h"

#include "files/errors.h"
#include "files/listreader.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>

using namespace standin;

namespace {

// Item 28 of "pelini.txt" (line 12): 8 items on line 1, 10 on line 2, one each on lines 3-11.
QString pelthorFolder()
{
    try {
        kess::ListReader r = kess::ListReader::open(QStringLiteral("pelini.txt"));
        for (int item = 1; item < 28; ++item)
            r.read();
        return r.readText().trimmed();
    } catch (const kess::FileError &) {
        return {};
    }
}

// The folder for "lastpel.txt": the one in "pelini.txt" when it exists here, else the current.
QString lastpelPath(QString *note)
{
    QString folder = pelthorFolder();
    if (!folder.isEmpty() && !QFileInfo(folder).isDir() && folder.contains(u'\\'))
        folder.replace(u'\\', u'/');
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        *note = folder.isEmpty() ? QStringLiteral("no folder in pelini.txt")
                                 : QStringLiteral("folder %1 not found").arg(folder);
        return QStringLiteral("lastpel.txt");
    }
    return QDir(folder).filePath(QStringLiteral("lastpel.txt"));
}

int verify(Companion &c)
{
    // Everything of the site is read before the flag goes up: KESSAMIR stages the next site's
    // files once it sees the flag.
    const Site site = readSite();
    QString note;
    const QString path = lastpelPath(&note);
    c.setFlag(1);
    writeRecordFile(QStringLiteral("autopel.txt"), 0);
    c.setSite(site.code);
    if (c.settings().listsSite(QStringLiteral("pelthor.noreply"), site.code))
        return c.crash(QStringLiteral("before verifying"));

    // Small numbers that stay the same for a site and a day.
    const uint seed = qHashBits(site.code.toUpper().constData(), site.code.size() * sizeof(QChar), 7)
                      ^ static_cast<uint>(QDate::currentDate().toJulianDay());
    const double bias = static_cast<int>(seed % 31) / 10.0 - 1.5;
    const double mae = 0.8 + static_cast<int>((seed / 31) % 20) / 10.0;
    writeLinesFile(path, {
        QStringLiteral("SYNTHETIC VERIFICATION (stand-in program, not a real verification)"),
        QStringLiteral("PELTHOR stand-in verification for %1 (%2)").arg(site.name, site.code),
        QStringLiteral("Checked %1 against the last 7 days of observations.")
            .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm"))),
        QStringLiteral("Mean temperature error %1 C, mean absolute error %2 C.")
            .arg(bias, 0, 'f', 1)
            .arg(mae, 0, 'f', 1),
    });
    pause(c.delay());
    return c.close(QStringLiteral("verified, wrote %1%2")
                       .arg(path, note.isEmpty() ? QString() : QStringLiteral(" (") + note + u')'));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    return runCompanion(QStringLiteral("pelthor"), [](Companion &c) {
        const double autopel = readNumber(QStringLiteral("autopel.txt"), 0);
        c.setMode(QStringLiteral("autopel%1").arg(autopel));
        if (autopel == 1)
            return verify(c);
        c.setFlag(1);
        return c.settingsMode();
    }, false);
}
