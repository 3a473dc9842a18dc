#include "companionopen.h"

#include "core/dialogs.h"
#include "app/mainwindow.h"
#include "companions/launcher.h"
#include "companions/launchreport.h"
#include "companions/replypoll.h"
#include "files/errors.h"

namespace kess {

namespace {
const QString kChoose = QStringLiteral("Choose either 'Save ...' or 'Don't Save'");
}

CompanionOpen::CompanionOpen(MainWindow &window) : w(window)
{
    QObject::connect(w.Command5, &QPushButton::clicked, &w, [this] { openVantro(); });
    QObject::connect(w.Command6, &QPushButton::clicked, &w, [this] { openDorliq(); });
    QObject::connect(w.Command12, &QPushButton::clicked, &w, [this] { openPelthor(); });
}

void CompanionOpen::openVantro() { openForSettings(1); }
void CompanionOpen::openDorliq() { openForSettings(2); }

void CompanionOpen::openForSettings(int which)
{
    AppState &s = w.state;
    w.List1->setEnabled(false);
    w.Command8->setEnabled(false);
    w.Command9->setEnabled(false);
    w.Command13->setEnabled(true);
    w.Command5->setEnabled(false);
    w.Command6->setEnabled(false);
    w.Command12->setEnabled(false);
    s.companionOpenedForSettings = which;
    w.Command4->setText(which == 1 ? QStringLiteral("Save VANTRO settings for:") : QStringLiteral("Save DORLIQ settings for:"));
    w.unsavedSettingsCheck();
    try {
        writeModeCode(s, 9);
    } catch (const FileError &e) {
        Dialogs::notify(errorReport(e.number, s.lastFileNumber, s.lastFileName));
    }
    const QString program = which == 1 ? QStringLiteral("vantro.exe") : QStringLiteral("dorliq.exe");
    const LaunchResult started = startAndReport(s, program);
    if (started.ok())
        m_opened[program] = started.pid;
    w.Command4->setEnabled(true);
    w.Label12->setText(kChoose);
}

void CompanionOpen::openPelthor()
{
    AppState &s = w.state;
    w.List1->setEnabled(false);
    w.Command8->setEnabled(false);
    w.Command9->setEnabled(false);
    if (!s.forecastRunInProgress)
        w.Command13->setEnabled(true);
    w.Command5->setEnabled(false);
    w.Command6->setEnabled(false);
    w.Command12->setEnabled(false);
    s.companionOpenedForSettings = 3;
    w.Command4->setText(QStringLiteral("Save PELTHOR settings for:"));
    w.unsavedSettingsCheck();
    const LaunchResult started = startAndReport(s, QStringLiteral("pelthor.exe"));
    if (started.ok())
        m_opened[QStringLiteral("pelthor.exe")] = started.pid;
    if (!s.forecastRunInProgress)
        w.Command4->setEnabled(true);
    w.Label12->setText(kChoose);
}

bool CompanionOpen::openedStillRunning(const QString &program)
{
    if (processAlive(m_opened.value(program)))
        return true;
    m_opened.remove(program); // its task id may later name another process
    return false;
}

} // namespace kess
