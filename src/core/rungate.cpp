#include "rungate.h"

#include "dialogs.h"

namespace kess {

void notifyRunUnderWay()
{
    Dialogs::notifyNonBlocking(QStringLiteral("A forecast or learning run is already under way.  "
                                              "Try again once it has finished."));
}

} // namespace kess
