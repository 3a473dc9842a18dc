// screenshot <demo folder> <png>
// Opens KESSAMIR's main window on a demo working folder (made by demofolder), runs the forecasts
// once as "Run immediately" does (with "external model (GFS)" ticked under "Skip VANTRO run if
// DORLIQ fails to find these data types:"), and saves a picture of the window as it stands after the run.
// Runs headless with QT_QPA_PLATFORM=offscreen; used by scripts/screenshot for the README.
#include "app/mainwindow.h"
#include "core/dialogs.h"

#include <QApplication>
#include <QDir>
#include <QTimer>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fputs("usage: screenshot <demo folder> <png>\n", stderr);
        return 2;
    }
    const QString png = QDir().absoluteFilePath(args[2]);
    if (!QDir::setCurrent(args[1])) {
        std::fprintf(stderr, "screenshot: cannot enter %s\n", qPrintable(args[1]));
        return 2;
    }
    // A message box would stop a headless run: every one is recorded and printed instead.
    kess::Dialogs::Script dialogs;
    kess::MainWindow window;
    window.startUp();
    window.exmodchk->setChecked(true);
    window.resize(1280, 700); // a laptop screen less a panel and the title bar
    window.show();
    QTimer::singleShot(200, &window, [&] {
        window.Command2->click(); // returns when the run has ended
        // The picture once the window has laid itself out again around the last-run line.
        QTimer::singleShot(500, &window, [&] {
            const bool saved = window.grab().save(png);
            for (const QString &text : dialogs.shown())
                std::fprintf(stderr, "message during the run: %s\n", qPrintable(text));
            std::fprintf(stderr, saved ? "saved %s\n" : "could not save %s\n", qPrintable(png));
            app.exit(saved ? 0 : 1);
        });
    });
    return app.exec();
}
