#pragma once
// Line layouts of the companion programs' settings files: "custinit.txt" (VANTRO, 116 lines),
// "vantmini.txt" (DORLIQ, 118 lines, one item per line) and "pelini.txt" (PELTHOR, 24 lines),
// which are also the layouts of every site's saved copies c<N>.txt, w<N>.txt and r<N>.txt.
//
// We do not interpret most items; the layout tells which item stands where, how each line is
// written and where the optional tail begins, so a file can be rewritten item by item.
//
// Line forms on writing:
//   record form - the line's items separated by commas, text in double quotes, numbers bare;
//   bare form   - the single item as its plain text, no quotes.
// Lines and items are numbered from 1, as users and the companion programs count them.
#include "files/listreader.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace kess {

enum class SettingsFile { Custinit, Vantmini, Pelini };

enum class LineForm { Record, Bare };

// How an item is held, which decides how the record form writes it.
enum class ItemKind {
    AsRead,      // written as read: quoted text stays quoted, a number stays a bare number
    WholeNumber, // written as a bare whole number (halves round to the even number)
    Text,        // written in double quotes, whatever it holds
};

struct LineLayout {
    int items = 1;
    LineForm form = LineForm::Record;
    // 0 for a line of the fixed part; in the optional tail the first line of the group this
    // line belongs to. Almost every optional line is a group of its own; "custinit.txt" lines
    // 93 to 98 (the four 5-element lists and their neighbours) form one group.
    int group = 0;
};

// One item's place in a file.
struct ItemPlace {
    int line;
    int item;
};

// Items other code looks at by name.
namespace places {
constexpr ItemPlace CustinitSiteName{1, 1};  // item 1 of the file; may end in "+"
constexpr ItemPlace CustinitSiteCode{2, 10}; // item 17 of the file
constexpr ItemPlace CustinitDst{13, 1};      // 1 daylight time, 0 standard time
constexpr ItemPlace CustinitMinutes{14, 1};  // minutes after the hour of scheduled runs
constexpr ItemPlace VantminiDst{10, 1};
constexpr ItemPlace PeliniDst{1, 3};
constexpr ItemPlace PeliniFolder{12, 1};     // the working folder, as text
} // namespace places

class SettingsLayout {
public:
    SettingsFile file() const { return m_file; }
    QString workingName() const { return m_workingName; } // "custinit.txt"
    QString savedPrefix() const { return m_prefix; }      // "c"
    QString savedName(int site) const;                    // "c12.txt"
    QString scratchName(int site) const;                  // "c12temp.txt"

    int lineCount() const { return int(m_lines.size()); }
    int fixedLines() const { return m_fixedLines; } // lines after these may be missing
    int itemCount() const;                          // every item of every line

    const LineLayout &line(int line) const; // 1..lineCount(), else FileError 9
    int itemsOn(int line) const { return this->line(line).items; }
    LineForm formOf(int line) const { return this->line(line).form; }
    bool isOptional(int line) const { return line > m_fixedLines; }
    ItemKind kindOf(ItemPlace place) const;
    // Item number counted through the whole file (custinit line 2 item 10 -> 17).
    int itemNumber(ItemPlace place) const;

    static SettingsLayout make(SettingsFile file); // use settingsLayout()

private:
    SettingsFile m_file = SettingsFile::Custinit;
    QString m_workingName;
    QString m_prefix;
    int m_fixedLines = 0;
    QList<LineLayout> m_lines;
    QList<std::pair<ItemPlace, ItemKind>> m_kinds;
};

const SettingsLayout &settingsLayout(SettingsFile file);

// The items of one file, line by line: lines[0] holds the items of line 1.
using SettingsLines = QList<QList<Item>>;

// Reads a file's items in layout order. The fixed part must be there (FileError 62 when the
// data ends inside it); each optional line is read only when something is left, so the result
// holds between fixedLines() and lineCount() lines. Data that ends inside a line gives 62, its
// reason naming the line. A line of one item left empty near the end of the data, and empty
// items after a last comma, are read as empty items, so whatever formatSettings() writes reads
// back.
// `fixedLines`, when more than 0, takes the place of the layout's own fixed part (a reader that
// needs fewer lines).
SettingsLines readSettings(ListReader &reader, const SettingsLayout &layout, int fixedLines = 0);

// Reads the next line of `count` items into `items` by the rules of readSettings(): returns
// false, reading nothing, when `optional` and the data has ended; throws FileError 62 when the
// data ends inside the line. Readers that take single values from a file of a layout read it
// line by line with this, so they end where readSettings() ends.
bool readLayoutLine(ListReader &reader, int count, bool optional, QList<Item> &items);

// Reads a saved or working file whole (FileError 53 and the like when it cannot be opened); a
// reason names the file and, for a short file, the line at which it ends.
SettingsLines readSettingsFile(const QString &name, const SettingsLayout &layout, int fixedLines = 0);

// One line of the layout in its written form, without the line end. Throws FileError 13 for a
// whole-number item that holds no number, FileError 9 for a wrong number of items.
QString formatSettingsLine(const SettingsLayout &layout, int line, const QList<Item> &items);

// The lines given, from line 1 on, in their written forms. A writer of a whole file gives every
// line of the layout; a copy that keeps the length of its source gives what it read.
QStringList formatSettings(const SettingsLayout &layout, const SettingsLines &lines);

} // namespace kess
