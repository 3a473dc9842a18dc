#pragma once
// The first start from the desktop menu, when no working folder is remembered yet: one short
// window that says what a working folder is and offers two ways on, an existing working folder
// or a demo folder made now (sample sites and the stand-in companion programs, a forecast run
// within a minute) and opened at once.
#include <QDialog>
#include <QString>
#include <functional>

class QLabel;
class QPushButton;

namespace kess {

class FirstStart : public QDialog {
    Q_OBJECT
public:
    // `standins`: the folder of the installed stand-in programs; empty when they are not
    // installed (the demo cannot be made then). `demoFolder`: where the demo is made.
    FirstStart(const QString &standins, const QString &demoFolder, QWidget *parent = nullptr);

    // The folder chosen or made; empty when the user quit.
    QString folder() const { return m_folder; }

    QPushButton *chooseButton, *demoButton, *quitButton;
    QLabel *trouble;

private:
    void choose();
    void makeDemo();

    QString m_standins, m_demoFolder, m_folder;
};

// Asks for an existing working folder; empty when the user cancels.
QString chooseWorkingFolder(QWidget *parent);
// Makes a demo folder (its forecast run within a minute) in `folder`; empty when it was made,
// else why not.
QString makeDemoIn(const QString &folder, const QString &standins);
// Where the demo goes unless the user chooses: ~/kessamir-demo.
QString defaultDemoFolder();
// `preferred` when the demo can go there; when it holds other files, the folder the user
// chooses instead (empty when the user cancels).
QString placeForDemo(QWidget *parent, const QString &preferred);
// How the user is asked for the demo's folder; tests replace it.
std::function<QString(QWidget *parent)> &demoFolderChooser();

// The installed stand-in programs beside this program (<prefix>/lib/kessamir/standins, or the
// build's standins folder); empty when there are none.
QString installedStandins();

} // namespace kess
