#include "pelinivalues.h"

#include "files/records.h"
#include "settings/layouts.h"

#include <algorithm>

namespace kess {

void decodePelini(const QByteArray &bytes, PeliniValues &v, bool full)
{
    // Line by line, by the same rules as every other reader of the layout, so that a file
    // KESSAMIR wrote gives back the values it was written from.
    const SettingsLayout &layout = settingsLayout(SettingsFile::Pelini);
    ListReader r(bytes);
    QList<Item> items;
    const auto readLine = [&](int line) {
        return readLayoutLine(r, layout.itemsOn(line), layout.isOptional(line), items);
    };
    // Five elements of list A then the same five of list B, starting at element `first`.
    const auto takeLists = [&](int first) {
        for (int i = 0; i < 5; ++i) {
            v.listA[first + i] = items[i];
            v.listB[first + i] = items[5 + i];
        }
    };

    readLine(1);
    std::copy(items.begin(), items.end(), v.values1to8.begin());
    readLine(2);
    if (full)
        takeLists(1);
    for (int line = 3; line <= 11; ++line) {
        readLine(line);
        v.values19to27[line - 3] = items.first();
    }

    v.workingFolder = PeliniValues{}.workingFolder;
    v.valueAfterFolder1 = Item::fromNumber(6);
    v.valueAfterFolder2 = Item::fromNumber(0);
    if (!readLine(12))
        return;
    v.workingFolder = withSeparator(items.first().text);
    if (!readLine(13))
        return;
    v.valueAfterFolder1 = items.first();
    if (!readLine(14))
        return;
    v.valueAfterFolder2 = items.first();
    if (!full)
        return;

    // Lines 15 to 24: the list lines 17, 20 and 23, the single fields of the others in order.
    std::size_t field = 0;
    for (int line = 15; line <= 24; ++line) {
        if (!readLine(line))
            return;
        if (line == 17 || line == 20 || line == 23)
            takeLists(line == 17 ? 6 : line == 20 ? 11 : 16);
        else
            for (const Item &item : items)
                v.furtherFields[field++] = item;
    }
}

} // namespace kess
