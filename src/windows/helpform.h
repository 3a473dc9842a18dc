#pragma once
// "KESSAMIR Help": the help file of the working folder, one item to a row.
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWidget>

namespace kess {

struct AppState;

class HelpForm : public QWidget {
    Q_OBJECT
public:
    HelpForm(AppState &state, QWidget *owner);
    // Reads "kessphelp.txt" into the box.
    void load();
    // Prints the help text as shown (Print, Ctrl+P).
    void print();

    QPlainTextEdit *Text1;
    QPushButton *Command1;
    QPushButton *printButton;

private:
    AppState &m_state;
};

} // namespace kess
