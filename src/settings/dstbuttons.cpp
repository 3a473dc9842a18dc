#include "dstbuttons.h"

#include "app/mainwindow.h"
#include "core/dialogs.h"
#include "core/rungate.h"
#include "settings/dst.h"

namespace kess {

DstButtons::DstButtons(MainWindow &window) : w(window)
{
    QObject::connect(w.Command14, &QPushButton::clicked, &w, [this] { change(1); });
    QObject::connect(w.Command15, &QPushButton::clicked, &w, [this] { change(0); });
}

void DstButtons::change(int dst)
{
    // The companions read these files during a run.
    if (w.runGate.busy()) {
        notifyRunUnderWay();
        return;
    }
    w.Command5->setEnabled(false);
    w.Command6->setEnabled(false);
    w.Command12->setEnabled(false);
    w.Label16->setText(QStringLiteral("Click on a site to enable these:"));
    w.Label11->setText(QStringLiteral("Saving changes"));
    // Shown without letting other events in: no scheduled run may start in the middle.
    w.Label11->repaint();

    const DstOutcome outcome = changeDaylightSaving(w.state.siteCount, dst);

    w.Label11->clear();
    w.Label3->setText(QStringLiteral("(Click on a site to select it)"));
    if (!outcome.problems.isEmpty())
        Dialogs::notify(QStringLiteral("Daylight saving time was not changed in any file, because these files are "
                                       "missing or too short:\n") +
                        outcome.problems.join(u'\n'));
    else if (!outcome.failure.isEmpty())
        Dialogs::notify(QStringLiteral("Daylight saving time could not be changed in every file:\n") +
                        outcome.failure + QStringLiteral("\nPress the button again once the trouble is put right."));
}

} // namespace kess
