#pragma once
#include "launcher.h"

namespace kess {
struct AppState;
// Starts a program by name for one of the program's handlers: keeps the task id, and when the
// start fails shows the error report with the last file traced (an overflow, error 6, is passed
// over silently). The caller goes on either way and may look at the result.
LaunchResult startAndReport(AppState &state, const QString &name, bool quiet = false,
                            const QStringList &arguments = {});
} // namespace kess
