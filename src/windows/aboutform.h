#pragma once
// "About KESSAMIR": the program's name, version, licence and what it is for. A dialog (no
// minimise or maximise); it does not block the main window.
#include <QLabel>
#include <QPushButton>
#include <QDialog>

namespace kess {

class AboutForm : public QDialog {
    Q_OBJECT
public:
    explicit AboutForm(QWidget *owner);

    QLabel *Label1, *Label4, *Label3;
    QPushButton *Command1;
};

} // namespace kess
