#include "app/commandline.h"
#include "app/mainwindow.h"
#include "core/messageboxes.h"
#include "core/version.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("kessamir"));
    QCoreApplication::setApplicationVersion(QLatin1String(kess::Version));
    kess::StartRequest request;
    {
        // The command line is read before any window system is needed, so --help, --version
        // and a bad folder work without a display.
        QCoreApplication commandLine(argc, argv);
        request = kess::readCommandLine(commandLine.arguments());
    }
    if (request.exitCode)
        return *request.exitCode;

    QApplication app(argc, argv);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/kessamir.png"))); // every window shows it
    QGuiApplication::setDesktopFileName(QStringLiteral("kessamir"));
    if (const auto code = kess::chooseFolder(request, kess::askForWorkingFolder))
        return *code;
    kess::installMessageBoxes();
    kess::MainWindow window;
    window.startUp();
    window.show();
    return app.exec();
}
