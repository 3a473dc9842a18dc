#include "pelini.h"

#include "app/appstate.h"
#include "files/listreader.h"
#include "files/records.h"

namespace kess {

namespace {

// Five elements of list A then the same five of list B, starting at element `first`.
void readListLine(ListReader &r, AppState &s, int first)
{
    for (int i = 0; i < 5; ++i)
        s.pelthorListA[first + i] = r.read();
    for (int i = 0; i < 5; ++i)
        s.pelthorListB[first + i] = r.read();
}

} // namespace

void readpelini(AppState &s, bool full)
{
    s.trace(7, QStringLiteral("pelini.txt"));
    ListReader r = ListReader::open(QStringLiteral("pelini.txt"));
    for (Item &v : s.pelthorValues1to8)
        v = r.read();
    if (full) {
        readListLine(r, s, 1);
    } else {
        for (int i = 0; i < 10; ++i)
            r.read();
    }
    for (Item &v : s.pelthorValues19to27)
        v = r.read();

    s.workingFolder = QStringLiteral("c:\\vantro\\");
    s.pelthorValueAfterFolder1 = Item::fromNumber(6);
    s.pelthorValueAfterFolder2 = Item::fromNumber(0);
    if (r.atEnd())
        return;
    s.workingFolder = withSeparator(r.readText());
    if (r.atEnd())
        return;
    s.pelthorValueAfterFolder1 = r.read();
    if (r.atEnd())
        return;
    s.pelthorValueAfterFolder2 = r.read();
    if (!full)
        return;

    // Lines 15 to 24: single fields and the rest of the two lists.
    auto &f = s.pelthorFurtherFields;
    if (r.atEnd()) return;
    f[0] = r.read(); f[1] = r.read();           // line 15
    if (r.atEnd()) return;
    f[2] = r.read();                            // line 16
    if (r.atEnd()) return;
    readListLine(r, s, 6);                      // line 17
    if (r.atEnd()) return;
    f[3] = r.read();                            // line 18
    if (r.atEnd()) return;
    f[4] = r.read();                            // line 19
    if (r.atEnd()) return;
    readListLine(r, s, 11);                     // line 20
    if (r.atEnd()) return;
    f[5] = r.read();                            // line 21
    if (r.atEnd()) return;
    f[6] = r.read();                            // line 22
    if (r.atEnd()) return;
    readListLine(r, s, 16);                     // line 23
    if (r.atEnd()) return;
    f[7] = r.read();                            // line 24
}

} // namespace kess
