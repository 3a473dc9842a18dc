#pragma once
// The keys of the help and forecast-text windows: Ctrl+F opens a find box under the text (Enter
// finds the next place, from the top again after the last one), Ctrl+P prints.
class QBoxLayout;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace kess {

// Adds the hidden find box for `box` to `layout`; Ctrl+F in the window shows it.
QLineEdit *addFindBox(QPlainTextEdit *box, QBoxLayout *layout);
// Ctrl+P (and the platform's own Print keys) click `print`.
void printByKeyboard(QPushButton *print);

} // namespace kess
