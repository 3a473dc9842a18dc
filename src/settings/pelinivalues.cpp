#include "pelinivalues.h"

#include "files/records.h"

namespace kess {

namespace {

// Five elements of list A then the same five of list B, starting at element `first`.
void readListLine(ListReader &r, PeliniValues &v, int first)
{
    for (int i = 0; i < 5; ++i)
        v.listA[first + i] = r.read();
    for (int i = 0; i < 5; ++i)
        v.listB[first + i] = r.read();
}

} // namespace

void decodePelini(const QByteArray &bytes, PeliniValues &v, bool full)
{
    ListReader r(bytes);
    for (Item &item : v.values1to8)
        item = r.read();
    if (full) {
        readListLine(r, v, 1);
    } else {
        for (int i = 0; i < 10; ++i)
            r.read();
    }
    for (Item &item : v.values19to27)
        item = r.read();

    v.workingFolder = PeliniValues{}.workingFolder;
    v.valueAfterFolder1 = Item::fromNumber(6);
    v.valueAfterFolder2 = Item::fromNumber(0);
    if (r.atEnd())
        return;
    v.workingFolder = withSeparator(r.readText());
    if (r.atEnd())
        return;
    v.valueAfterFolder1 = r.read();
    if (r.atEnd())
        return;
    v.valueAfterFolder2 = r.read();
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
            readListLine(r, v, line.listFirst);
        for (int i = 0; i < line.fields; ++i)
            v.furtherFields[field++] = r.read();
    }
}

} // namespace kess
