#pragma once
// A working folder that holds no site at all (no run list, no site settings) is a new folder, not
// a broken one: in place of the empty site list the window says what the folder needs and offers
// the first start's two ways on, another working folder or a demo folder.
#include <QWidget>

class QLabel;
class QPushButton;

namespace kess {

class MainWindow;

// True when the current folder has none of the files that make sites.
bool folderHoldsNoSites();

class EmptyFolderPanel : public QWidget {
    Q_OBJECT
public:
    EmptyFolderPanel(MainWindow &window, QWidget *parent);

    QLabel *text, *trouble;
    QPushButton *chooseButton, *demoButton;

private:
    MainWindow &w;
};

} // namespace kess
