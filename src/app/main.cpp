#include "app/mainwindow.h"
#include "core/messageboxes.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    kess::installMessageBoxes();
    kess::MainWindow window;
    window.startUp();
    window.show();
    return app.exec();
}
