#include "pelini.h"

#include "core/appstate.h"
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

    // Lines 15 to 24, each read only while the file has not ended: a list line holds five
    // elements of each list from `listFirst` on, any other line that many single fields.
    struct TailLine {
        int fields;
        int listFirst;
    };
    constexpr TailLine tail[] = {{2, 0}, {1, 0}, {0, 6}, {1, 0}, {1, 0}, {0, 11}, {1, 0}, {1, 0}, {0, 16}, {1, 0}};
    std::size_t field = 0;
    for (const TailLine &line : tail) {
        if (r.atEnd())
            return;
        if (line.listFirst > 0)
            readListLine(r, s, line.listFirst);
        for (int i = 0; i < line.fields; ++i)
            s.pelthorFurtherFields[field++] = r.read();
    }
}

} // namespace kess
