#pragma once
// "Text of Latest Forecasts": the forecast texts the latest run collected in "textall.txt",
// shown one line to a row, and printed whole.
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWidget>

namespace kess {

struct AppState;

class ForecastTextForm : public QWidget {
    Q_OBJECT
public:
    ForecastTextForm(AppState &state, QWidget *owner);
    // Reads "textall.txt" into the box; true when it stopped at the length limit.
    bool load();
    // Prints every line of "textall.txt" (not the box, which may hold only part of it).
    void print();

    QPlainTextEdit *Text1;
    QPushButton *Command1, *Command2;

private:
    AppState &m_state;
};

} // namespace kess
