#include "layouts.h"

#include "files/records.h"

#include <array>
#include <cmath>
#include <span>

namespace kess {

namespace {

constexpr auto R = LineForm::Record;
constexpr auto B = LineForm::Bare;

// Consecutive lines that share a count of items and a form.
struct LineRange {
    int first;
    int last;
    int items;
    LineForm form = LineForm::Record;
};

struct GroupRange {
    int first;
    int last;
};

// "custinit.txt": 15-38 are the 24-element list, 93-95 and 97 the four 5-element lists.
constexpr LineRange custinitLines[] = {
    {1, 1, 7},     {2, 2, 13},    {3, 3, 5},     {4, 6, 1},     {7, 7, 5},     {8, 8, 13},
    {9, 9, 1},     {10, 14, 1},   {15, 38, 1},   {39, 66, 1},   {67, 67, 3},   {68, 68, 4},
    {69, 69, 5},   {70, 70, 6},   {71, 71, 3},   {72, 72, 6},   {73, 73, 7},   {74, 77, 1},
    {78, 78, 4},   {79, 80, 1},   {81, 81, 3},   {82, 92, 1},   {93, 95, 5},   {96, 96, 2},
    {97, 97, 5},   {98, 98, 6},   {99, 101, 1},  {102, 102, 2}, {103, 103, 1}, {104, 104, 6},
    {105, 105, 1}, {106, 106, 4}, {107, 108, 1}, {109, 109, 3}, {110, 111, 1}, {112, 113, 2},
    {114, 114, 1}, {115, 115, 2}, {116, 116, 1},
};

// "vantmini.txt": one item per line; 57-80 the 24-element list, 99-113 three 5-element lists.
constexpr LineRange vantminiLines[] = {
    {1, 1, 1, R},     {2, 4, 1, B},     {5, 15, 1, R},    {16, 17, 1, B},   {18, 18, 1, R},
    {19, 31, 1, B},   {32, 34, 1, R},   {35, 45, 1, B},   {46, 51, 1, R},   {52, 56, 1, B},
    {57, 80, 1, R},   {81, 81, 1, R},   {82, 89, 1, B},   {90, 90, 1, R},   {91, 92, 1, B},
    {93, 93, 1, R},   {94, 96, 1, B},   {97, 97, 1, R},   {98, 98, 1, B},   {99, 113, 1, R},
    {114, 118, 1, B},
};

// "pelini.txt": lines 2, 17, 20 and 23 each hold five elements of list A, then the same five
// of list B (A and B have 20 elements each).
constexpr LineRange peliniLines[] = {
    {1, 1, 8},   {2, 2, 10},  {3, 11, 1},  {12, 12, 1}, {13, 14, 1}, {15, 15, 2},  {16, 16, 1},
    {17, 17, 10}, {18, 19, 1}, {20, 20, 10}, {21, 22, 1}, {23, 23, 10}, {24, 24, 1},
};

constexpr bool coversLines(std::span<const LineRange> ranges, int lineCount)
{
    int next = 1;
    for (const LineRange &r : ranges) {
        if (r.first != next || r.last < r.first || r.items < 1)
            return false;
        next = r.last + 1;
    }
    return next == lineCount + 1;
}
static_assert(coversLines(custinitLines, 116));
static_assert(coversLines(vantminiLines, 118));
static_assert(coversLines(peliniLines, 24));

// Optional lines that are copied or skipped together.
constexpr GroupRange custinitGroups[] = {{93, 98}};

QList<LineLayout> expand(std::span<const LineRange> ranges, int fixedLines,
                         std::span<const GroupRange> groups)
{
    QList<LineLayout> lines;
    for (const LineRange &r : ranges) {
        for (int l = r.first; l <= r.last; ++l)
            lines.append({r.items, r.form, l > fixedLines ? l : 0});
    }
    for (const GroupRange &g : groups)
        for (int l = g.first; l <= g.last; ++l)
            lines[l - 1].group = g.first;
    return lines;
}

QString quoted(const QString &text)
{
    return quotedText(text);
}

// An unquoted item as it was read ("1.50" stays "1.50", ".5" stays ".5"), so a rewrite changes
// no byte of an item it was not asked to change. Text that would not read back as this one item
// (a comma in it, a leading quote, blanks at its ends, a line end) is quoted instead.
QString bareText(const Item &item)
{
    if (item.number) {
        const std::optional<double> asRead = parseNumber(item.text);
        return asRead && *asRead == *item.number ? item.text.trimmed() : numberText(*item.number);
    }
    return textValue(item.text);
}

QString recordItem(const Item &item, ItemKind kind)
{
    switch (kind) {
    case ItemKind::WholeNumber: {
        // A quoted number still converts, as it does when read into a whole-number field.
        const std::optional<double> v = item.number ? item.number : parseNumber(item.text);
        if (!v)
            throw FileError(ErrTypeMismatch,
                            QStringLiteral("Type mismatch: ") + item.text.left(40));
        return numberText(std::nearbyint(*v));
    }
    case ItemKind::Text:
        return quoted(item.text);
    case ItemKind::AsRead:
        break;
    }
    if (item.quoted)
        return quoted(item.text);
    return bareText(item);
}

} // namespace

QString SettingsLayout::savedName(int site) const
{
    return m_prefix + QString::number(site) + QStringLiteral(".txt");
}

QString SettingsLayout::scratchName(int site) const
{
    return m_prefix + QString::number(site) + QStringLiteral("temp.txt");
}

int SettingsLayout::itemCount() const
{
    int n = 0;
    for (const LineLayout &l : m_lines)
        n += l.items;
    return n;
}

const LineLayout &SettingsLayout::line(int line) const
{
    if (line < 1 || line > m_lines.size())
        throw FileError(ErrSubscript, QStringLiteral("No line %1 in the layout of %2")
                                          .arg(line)
                                          .arg(m_workingName));
    return m_lines[line - 1];
}

ItemKind SettingsLayout::kindOf(ItemPlace place) const
{
    for (const auto &[p, kind] : m_kinds)
        if (p.line == place.line && p.item == place.item)
            return kind;
    return ItemKind::AsRead;
}

int SettingsLayout::itemNumber(ItemPlace place) const
{
    int n = 0;
    for (int l = 1; l < place.line; ++l)
        n += itemsOn(l);
    return n + place.item;
}

SettingsLayout SettingsLayout::make(SettingsFile file)
{
    SettingsLayout l;
    l.m_file = file;
    switch (file) {
    case SettingsFile::Custinit:
        l.m_workingName = QStringLiteral("custinit.txt");
        l.m_prefix = QStringLiteral("c");
        l.m_fixedLines = 73;
        l.m_lines = expand(custinitLines, l.m_fixedLines, custinitGroups);
        l.m_kinds = {{places::CustinitSiteName, ItemKind::Text},
                     {{2, 1}, ItemKind::WholeNumber},
                     {{2, 3}, ItemKind::WholeNumber},
                     {places::CustinitSiteCode, ItemKind::Text},
                     {{9, 1}, ItemKind::Text}};
        break;
    case SettingsFile::Vantmini:
        l.m_workingName = QStringLiteral("vantmini.txt");
        l.m_prefix = QStringLiteral("w");
        l.m_fixedLines = 90;
        l.m_lines = expand(vantminiLines, l.m_fixedLines, {});
        break;
    case SettingsFile::Pelini:
        l.m_workingName = QStringLiteral("pelini.txt");
        l.m_prefix = QStringLiteral("r");
        l.m_fixedLines = 11;
        l.m_lines = expand(peliniLines, l.m_fixedLines, {});
        l.m_kinds = {{places::PeliniFolder, ItemKind::Text}};
        break;
    }
    return l;
}

const SettingsLayout &settingsLayout(SettingsFile file)
{
    static const std::array<SettingsLayout, 3> layouts{
        SettingsLayout::make(SettingsFile::Custinit), SettingsLayout::make(SettingsFile::Vantmini),
        SettingsLayout::make(SettingsFile::Pelini)};
    return layouts[static_cast<int>(file)];
}

namespace {

// True when all that is left is one or more empty lines: a line of one item written empty (an
// empty text) near the end of a file. Such a line is there, and is kept as a line.
bool emptyLineLeft(const ListReader &reader)
{
    if (!reader.atEnd() || reader.atEndOfData())
        return false;
    ListReader peek = reader;
    return !peek.readLine().contains(u'\x1a');
}

} // namespace

bool readLayoutLine(ListReader &reader, int count, bool optional, QList<Item> &items)
{
    items.clear();
    if (count == 1 && emptyLineLeft(reader)) {
        reader.readLine();
        items.append(Item{});
        return true;
    }
    if (optional && reader.atEnd())
        return false;
    for (int i = 0; i < count; ++i) {
        // A line written with empty items at its end ("5,,") as the last of the file.
        if (i > 0 && reader.atEnd() && reader.afterComma()) {
            items.append(Item{});
            if (i == count - 1 && !reader.atEndOfData())
                reader.readLine(); // the line's own end, not an empty line of its own
        } else
            items.append(reader.read());
    }
    return true;
}

SettingsLines readSettings(ListReader &reader, const SettingsLayout &layout, int fixedLines)
{
    if (fixedLines <= 0)
        fixedLines = layout.fixedLines();
    SettingsLines lines;
    QList<Item> items;
    for (int l = 1; l <= layout.lineCount(); ++l) {
        try {
            if (!readLayoutLine(reader, layout.itemsOn(l), l > fixedLines, items))
                break;
        } catch (const FileError &e) {
            if (e.number != ErrPastEnd)
                throw;
            const QString where = l > fixedLines
                                      ? QStringLiteral("ends inside line %1").arg(l)
                                      : QStringLiteral("ends at line %1, inside lines 1 to %2 that every copy must have")
                                            .arg(l)
                                            .arg(fixedLines);
            throw FileError(ErrPastEnd, where);
        }
        lines.append(items);
    }
    return lines;
}

SettingsLines readSettingsFile(const QString &name, const SettingsLayout &layout, int fixedLines)
{
    ListReader reader = ListReader::open(name);
    try {
        return readSettings(reader, layout, fixedLines);
    } catch (const FileError &e) {
        throw FileError(e.number, name + QStringLiteral(": ") + e.reason);
    }
}

QString formatSettingsLine(const SettingsLayout &layout, int line, const QList<Item> &items)
{
    const LineLayout &shape = layout.line(line);
    if (items.size() != shape.items)
        throw FileError(ErrSubscript, QStringLiteral("Line %1 of %2 takes %3 items, not %4")
                                          .arg(line)
                                          .arg(layout.workingName())
                                          .arg(shape.items)
                                          .arg(items.size()));
    if (shape.form == LineForm::Bare)
        return bareText(items.first());
    QStringList parts;
    for (int i = 0; i < items.size(); ++i)
        parts.append(recordItem(items[i], layout.kindOf({line, i + 1})));
    return parts.join(u',');
}

QStringList formatSettings(const SettingsLayout &layout, const SettingsLines &lines)
{
    QStringList out;
    for (int l = 1; l <= lines.size(); ++l)
        out.append(formatSettingsLine(layout, l, lines[l - 1]));
    return out;
}

} // namespace kess
