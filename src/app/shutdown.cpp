#include "shutdown.h"

#include "core/dialogs.h"
#include "app/mainwindow.h"
#include "companions/openflags.h"
#include "companions/replypoll.h"
#include "files/errors.h"
#include "files/fileops.h"
#include "files/records.h"
#include "sites/sitefiles.h"

#include <QCoreApplication>

namespace kess {

namespace {

// A text value is written as it stands; one holding a comma is quoted so that it reads back
// as one value instead of shifting every value after it.
QString textLine(const QString &text)
{
    return text.contains(u',') ? QStringLiteral("\"") + text + QStringLiteral("\"") : text;
}

QString flagLine(bool on) { return printForm(on ? 1 : 0); }

} // namespace

Shutdown::Shutdown(MainWindow &window) : w(window)
{
    QObject::connect(w.Command3, &QPushButton::clicked, &w, [this] { close(); });
}

QStringList Shutdown::settingsLines()
{
    AppState &s = w.state;
    QStringList lines;
    for (int h = 0; h < 24; ++h)
        lines << printForm(s.hourFlags[h]);
    lines << printForm(s.minutesAfterTheHour);
    lines << (s.schedulerOn ? QStringLiteral("True") : QStringLiteral("False"));
    lines << printForm(s.convertBmpToPng);
    lines << textLine(w.ivtx->text());
    lines << textLine(w.pngtar->text());
    lines << printForm(s.runBatchFile);
    s.batchFile = w.exbattx->text();
    lines << textLine(s.batchFile);
    lines << flagLine(w.exmodchk->isChecked());
    lines << flagLine(w.locchk->isChecked());
    lines << printForm(s.dorliqWaitLimit);
    lines << printForm(s.bootWithWholeHour);
    lines << printForm(s.useDefaultWaterTemps);
    lines << printForm(s.skipNonCriticalMessages);
    lines << printForm(s.learningRunHour);
    lines << printForm(s.learningRunMinute);
    return lines;
}

bool Shutdown::writeOrAsk(int fileNumber, const QString &name, const QStringList &lines)
{
    w.state.trace(fileNumber, name);
    try {
        writeLines(name, lines);
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
    w.unsavedSettingsCheck();

    if (!writeOrAsk(1, QStringLiteral("kessinit.txt"), settingsLines()))
        return false;
    QStringList runList;
    for (int site = 1; site <= s.siteCount; ++site)
        runList << printForm(s.runListFlags[site]);
    if (!writeOrAsk(2, QStringLiteral("runlist.txt"), runList))
        return false;

    // Tell the companion programs KESSAMIR is idle and leave the generic settings in place.
    // A failure here must not keep the program from ending: the settings are safe already.
    try {
        writeModeCode(s, 0);
    } catch (const FileError &) {
    }
    putGenericSettingsBack();

    m_ended = true;
    w.Timer1->stop();
    w.Timer2->stop();
    w.Timer3->stop();
    w.close();
    QCoreApplication::quit();
    return true;
}

} // namespace kess
