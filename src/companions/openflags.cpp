#include "openflags.h"

#include "core/appstate.h"
#include "core/dialogs.h"
#include "files/fileops.h"

namespace kess {

bool companionOpen(const QString &flagFile)
{
    const auto v = readNumberFile(flagFile);
    return v && *v == 1;
}

bool openFlagCheck(AppState &s, const CloseMessages &messages)
{
    struct Program {
        int fileNumber;
        QString file;
        int &warningGiven;
        const QString &message;
    };
    Program programs[] = {
        {17, QStringLiteral("vantroopen.txt"), s.vantroCloseWarningGiven, messages.vantro},
        {18, QStringLiteral("dorliqopen.txt"), s.dorliqCloseWarningGiven, messages.dorliq},
        {19, QStringLiteral("pelthoropen.txt"), s.pelthorCloseWarningGiven, messages.pelthor},
    };
    for (Program &p : programs) {
        s.trace(p.fileNumber, p.file);
        if (companionOpen(p.file) && p.warningGiven == 0) {
            Dialogs::notify(p.message);
            p.warningGiven = 1;
            return false;
        }
        p.warningGiven = 0;
    }
    return true;
}

} // namespace kess
