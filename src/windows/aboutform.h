#pragma once
// "About KESSAMIR": the program's name, version and what it is for.
#include <QLabel>
#include <QPushButton>
#include <QWidget>

namespace kess {

class AboutForm : public QWidget {
    Q_OBJECT
public:
    explicit AboutForm(QWidget *owner);

    QLabel *Label1, *Label4, *Label3;
    QPushButton *Command1;
};

} // namespace kess
