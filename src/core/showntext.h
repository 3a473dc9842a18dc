#pragma once
// Text that comes from a file (a site's code and name, a run's reasons, the last-run line) shown
// in a label, a tool tip or a message: always as the characters it holds, never as markup (a
// code "<img src=...>" would load a picture), and never so long that laying it out holds the
// window (a site name can be a megabyte).
#include <QString>

class QLabel;

namespace kess {

// The label shows `text` as plain text, cut to `maxChars` characters with an ellipsis when it is
// longer; the whole text (up to 4,096 characters) is then its tool tip.
void showPlainText(QLabel *label, const QString &text, int maxChars = 160);
// `text` made safe for a tool tip, which would take text that looks like markup as markup.
QString plainToolTip(const QString &text);

} // namespace kess
