#pragma once
// The fixed-pitch font of the text windows and of printing, and the read-only box whose rows
// are exactly one padded piece wide.
#include <QFont>

class QPlainTextEdit;
class QString;
class QWidget;

namespace kess {

// Courier New where it is installed, else the system's fixed-pitch font.
QFont fixedPitchFont(qreal pointSize = 10);

// A read-only multi-line box named `name`, wide enough to show a row of rowWidth + 5 characters
// whole.
QPlainTextEdit *makeRowBox(QWidget *parent, const char *name, int rowWidth);
// Puts the rows into the box, one line of rowWidth + 5 characters each, so that each padded
// piece stays exactly one row.
void setRows(QPlainTextEdit *box, const QString &text);

} // namespace kess
