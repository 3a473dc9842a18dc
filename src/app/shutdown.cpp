#include "shutdown.h"

#include "core/dialogs.h"
#include "app/mainwindow.h"
#include "companions/openflags.h"
#include "companions/replypoll.h"
#include "files/errors.h"
#include "files/fileops.h"
#include "scheduler/schedulerpanel.h"
#include "settings/programsettings.h"
#include "settings/siteflags.h"
#include "sites/sitefiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>

namespace kess {

Shutdown::Shutdown(MainWindow &window) : w(window)
{
    QObject::connect(w.Command3, &QPushButton::clicked, &w, [this] { close(); });
}

ProgramSettings Shutdown::collectSettings()
{
    AppState &s = w.state;
    ProgramSettings p;
    p.hourFlags = s.hourFlags;
    p.minutesAfterTheHour = s.minutesAfterTheHour;
    p.schedulerOn = s.schedulerOn;
    p.convertBmpToPng = s.convertBmpToPng;
    p.irfanViewFolder = w.ivtx->text();
    p.pngTargetFolder = w.pngtar->text();
    p.runBatchFile = s.runBatchFile;
    s.batchFile = w.exbattx->text();
    p.batchFile = s.batchFile;
    p.skipIfModelMissing = w.exmodchk->isChecked() ? 1 : 0;
    p.skipIfStationMissing = w.locchk->isChecked() ? 1 : 0;
    p.dorliqWaitLimit = s.dorliqWaitLimit;
    p.bootWithWholeHour = s.bootWithWholeHour;
    p.useDefaultWaterTemps = s.useDefaultWaterTemps;
    p.skipNonCriticalMessages = s.skipNonCriticalMessages;
    p.learningRunHour = s.learningRunHour;
    p.learningRunMinute = s.learningRunMinute;
    return p;
}

bool Shutdown::writeOrAsk(int fileNumber, const QString &name, const QByteArray &bytes)
{
    w.state.trace(fileNumber, name);
    try {
        writeBytes(name, bytes);
        return true;
    } catch (const FileError &e) {
        return Dialogs::askYesNo(
            QStringLiteral("KESSAMIR could not save %1 (error %2: %3).  If it ends now, the changes since it "
                           "started are lost.  End KESSAMIR anyway?")
                .arg(name)
                .arg(e.number)
                .arg(e.reason));
    }
}

QString Shutdown::runUnderWayNotice()
{
    return QStringLiteral("A forecast or learning run is under way.  Close KESSAMIR once it has finished.");
}

bool Shutdown::close()
{
    AppState &s = w.state;
    const CloseMessages messages{
        QStringLiteral("Please close VANTRO using File/Exit before closing KESSAMIR.  Next time you click it, KESSAMIR will assume you have done so."),
        QStringLiteral("Please close DORLIQ using its Close button before closing KESSAMIR.  Next time you click it, KESSAMIR will assume you have done so."),
        QStringLiteral("Please close pelthor.exe using its Close button before clicking this button.  Next time you click it, KESSAMIR will assume you have done so."),
    };
    if (w.runGate.busy()) {
        // Ending inside a run would leave the companions working on one site's files.
        Dialogs::notifyNonBlocking(runUnderWayNotice());
        return false;
    }
    if (!openFlagCheck(s, messages))
        return false;
    // No scheduled run happens while KESSAMIR is closed: said before it ends, and No keeps it.
    if (const QString next = w.scheduler().nextStart(); !next.isEmpty()
        && !Dialogs::askYesNoDefaultNo(QStringLiteral("The scheduler is on: the next scheduled run is due %1.  No scheduled "
                                                      "run happens while KESSAMIR is closed.  End KESSAMIR anyway?")
                                           .arg(next)))
        return false;
    w.unsavedSettingsCheck();

    if (!writeOrAsk(1, QStringLiteral("kessinit.txt"), encodeProgramSettings(collectSettings())))
        return false;
    QList<int> runList;
    for (int site = 1; site <= s.siteCount; ++site)
        runList << s.runListFlags[site];
    if (!writeOrAsk(2, QStringLiteral("runlist.txt"), encodeSiteFlags(runList)))
        return false;

    // Tell the companion programs KESSAMIR is idle and leave the generic settings in place.
    // A failure here must not keep the program from ending: the settings are safe already.
    try {
        writeModeCode(s, 0);
    } catch (const FileError &) {
    }
    putGenericSettingsBack();
    endNow();
    return true;
}

void Shutdown::endNow()
{
    m_ended = true;
    w.Timer1->stop();
    w.Timer2->stop();
    w.Timer3->stop();
    w.close();
    QCoreApplication::quit();
}

bool Shutdown::reopenIn(const QString &folder)
{
    if (w.runGate.busy()) {
        Dialogs::notifyNonBlocking(runUnderWayNotice());
        return false;
    }
    if (QDir(folder) == QDir::current())
        return false;
    if (!QProcess::startDetached(QCoreApplication::applicationFilePath(), {QStringLiteral("--folder"), folder})) {
        Dialogs::notifyNonBlocking(QStringLiteral("KESSAMIR could not be started in %1.").arg(QDir::toNativeSeparators(folder)));
        return false;
    }
    endNow();
    return true;
}

} // namespace kess
