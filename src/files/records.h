#pragma once
// How values are written into the small files: the numeric record (the bare number) and the
// print form of the program's own settings (a blank or minus sign, the number, a blank).
#include <QString>

namespace kess {

// 15 -> "15", 7.5 -> "7.5", -3 -> "-3"
QString numberText(double v);
// The bare number of a numeric record, without the line end.
inline QString recordForm(double v) { return numberText(v); }
// 15 -> " 15 ", -3 -> "-3 "
QString printForm(double v);
// Leading numeric value of a text box: "7.5" -> 7.5, "12abc" -> 12, "" -> 0.
double numericValue(const QString &text);

// A text value as the settings files write it: bare when it reads back as this one value, else
// in double quotes. Nothing in these files escapes a double quote, so a text that must be
// quoted loses its own double quotes (it still reads back as one value, the same every time).
QString textValue(const QString &text);
// A text value always in double quotes (its own double quotes dropped, as above).
QString quotedText(const QString &text);

// A value from a file made safe for one line of a line-based file, the desktop or a terminal:
// a tab becomes a blank, every other control character (a line break, a NUL) and line separator U+FFFD.
QString withoutControls(const QString &text);

// Folder texts: true when the text ends in a backslash (or, away from Windows, a slash).
bool endsWithSeparator(const QString &folder);
// Appends the separator the text already uses ("\" when it holds a backslash, else "/" away
// from Windows) unless it ends with one.
QString withSeparator(const QString &folder);

} // namespace kess
