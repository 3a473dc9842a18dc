#include "app/commandline.h"
#include "app/folderlock.h"
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
        QList<QByteArray> native;
        for (int i = 0; i < argc; ++i)
            native << QByteArray(argv[i]);
        request = kess::readCommandLine(commandLine.arguments(), native);
    }
    if (request.exitCode)
        return *request.exitCode;

    QApplication app(argc, argv);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/kessamir.png"))); // every window shows it
    QGuiApplication::setDesktopFileName(QStringLiteral("kessamir"));
    if (const auto code = kess::chooseFolder(request, kess::askForWorkingFolder))
        return *code;
    kess::installMessageBoxes();
    // Before anything is written in the folder: one copy of the program per working folder.
    kess::FolderLock lock;
    if (const auto held = lock.take()) {
        kess::tellFolderInUse(*held);
        return kess::folderInUseExitCode;
    }
    kess::MainWindow window;
    window.startUp();
    window.show();
    return app.exec();
}
