#include "merge.h"

#include <array>
#include <span>

namespace kess {

namespace {

// Lines first..last are the site's own. `items` lists the items of the line that are the
// site's own when only some are (0 ends the list).
struct OwnLines {
    int first;
    int last;
    std::array<int, 2> items{};
};

constexpr OwnLines custinitOwn[] = {
    {1, 1, {1}}, {2, 2, {8, 10}}, {68, 73},   {78, 79},   {81, 82},  {86, 86},   {92, 104},
    {107, 108},  {110, 110},      {112, 112, {1}}, {114, 116},
};

constexpr OwnLines vantminiOwn[] = {
    {1, 2}, {4, 4}, {15, 15}, {36, 36}, {39, 44}, {46, 46}, {82, 83}, {86, 86}, {96, 96}, {98, 113},
};

constexpr OwnLines peliniOwn[] = {{9, 12}, {15, 15}};

std::span<const OwnLines> ownLines(SettingsFile file)
{
    switch (file) {
    case SettingsFile::Custinit:
        return custinitOwn;
    case SettingsFile::Vantmini:
        return vantminiOwn;
    case SettingsFile::Pelini:
        break;
    }
    return peliniOwn;
}

const Item *itemAt(const SettingsLines &lines, ItemPlace place)
{
    if (place.line > lines.size())
        return nullptr;
    const QList<Item> &line = lines[place.line - 1];
    return place.item <= line.size() ? &line[place.item - 1] : nullptr;
}

} // namespace

bool isSiteItem(SettingsFile file, ItemPlace place)
{
    for (const OwnLines &own : ownLines(file)) {
        if (place.line < own.first || place.line > own.last)
            continue;
        if (own.items[0] == 0)
            return true;
        for (int item : own.items)
            if (item == place.item)
                return true;
        return false;
    }
    return false;
}

SettingsLines mergeGeneric(const SettingsLayout &layout, const SettingsLines &site,
                           const SettingsLines &selected)
{
    SettingsLines merged;
    for (int l = 1; l <= layout.lineCount(); ++l) {
        QList<Item> items;
        for (int i = 1; i <= layout.itemsOn(l); ++i) {
            const ItemPlace place{l, i};
            const Item *own = itemAt(site, place);
            const Item *generic = itemAt(selected, place);
            const bool siteItem = isSiteItem(layout.file(), place);
            const Item *first = siteItem ? own : generic;
            const Item *fallback = siteItem ? generic : own;
            items.append(first ? *first : fallback ? *fallback : Item{});
        }
        merged.append(items);
    }
    return merged;
}

} // namespace kess
