#include "launchreport.h"

#include "core/appstate.h"
#include "core/dialogs.h"
#include "files/errors.h"

namespace kess {

LaunchResult startAndReport(AppState &s, const QString &name, bool quiet, const QStringList &arguments)
{
    const LaunchResult r = launchProgram(name, arguments);
    if (r.ok())
        s.lastLaunchTaskId = r.pid;
    else if (r.error != ErrOverflow && !quiet)
        Dialogs::notify(errorReport(r.error, s.lastFileNumber, s.lastFileName));
    return r;
}

} // namespace kess
