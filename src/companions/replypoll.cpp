#include "replypoll.h"

#include "core/appstate.h"
#include "files/fileops.h"

namespace kess {

void pollReply(AppState &s)
{
    s.trace(1, QStringLiteral("imcode.txt"));
    if (const auto v = readNumberFile(QStringLiteral("imcode.txt")))
        s.modeReply = *v;
}

void writeModeCode(AppState &s, int code)
{
    s.modeCode = code;
    s.trace(1, QStringLiteral("imcode.txt"));
    writeRecord(QStringLiteral("imcode.txt"), code);
    s.modeReply = code;
}

} // namespace kess
