// Stand-in for DORLIQ, the data gatherer. Mode code 1: initial data (reply 2); mode code 3: the
// site's data (reply 4, with "gfsmissing.txt" and "locmissing.txt"); mode code 9: opened for
// settings. See common.h for the keys of "standins.txt" that steer it.
#include "common.h"

#include <QCoreApplication>

using namespace standin;

namespace {

int gather(Companion &c, int mode)
{
    const Settings &s = c.settings();
    const bool initial = mode == 1;
    Site site;
    if (!initial) {
        site = readSite();
        c.setSite(site.code);
    }
    auto listed = [&](const QString &key) {
        return initial ? s.listsInitial(key) : s.listsSite(key, site.code);
    };

    double work = c.delay();
    bool timeLimit = listed(QStringLiteral("dorliq.timelimit"));
    const double limitMinutes = readNumber(QStringLiteral("timelimit.txt"), 0);
    if (limitMinutes > 0 && work > limitMinutes * 60) {
        work = limitMinutes * 60;
        timeLimit = true;
    }
    pause(work);

    if (timeLimit) {
        c.setFlag(2);
        c.log(QStringLiteral("time limit passed: open flag 2, no reply"));
        return 0;
    }
    if (listed(QStringLiteral("dorliq.noreply")))
        return c.crash(QStringLiteral("after gathering"));
    if (const int code = c.misbehave(listed); code >= 0)
        return code;

    QString what;
    if (!initial) {
        const int gfs = listed(QStringLiteral("dorliq.gfsmissing")) ? 1 : 0;
        const int loc = listed(QStringLiteral("dorliq.locmissing")) ? 1 : 0;
        writeRecordFile(QStringLiteral("gfsmissing.txt"), gfs);
        writeRecordFile(QStringLiteral("locmissing.txt"), loc);
        what = QStringLiteral(" (gfsmissing %1, locmissing %2, site %3)").arg(gfs).arg(loc).arg(site.name);
    }
    c.reply(mode + 1);
    return c.close(QStringLiteral("reply %1%2").arg(mode + 1).arg(what));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    return runCompanion(QStringLiteral("dorliq"), [](Companion &c) {
        const int mode = readModeCode();
        c.setMode(QString::number(mode));
        switch (mode) {
        case 1:
        case 3:
            return gather(c, mode);
        case 9:
            return c.settingsMode();
        default:
            return c.close(QStringLiteral("no work for this mode code: closed"));
        }
    });
}
