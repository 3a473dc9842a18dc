#pragma once
// The orderly way out: the "Close" button.
#include "settings/programsettings.h"

#include <QByteArray>
#include <QString>

namespace kess {

class MainWindow;

class Shutdown {
public:
    explicit Shutdown(MainWindow &window);

    // The Close button. Returns true when the program ended.
    bool close();

    // Starts KESSAMIR afresh in `folder` and ends this copy without saving (its folder holds no
    // sites to save). False when a run is under way or the program could not be started.
    bool reopenIn(const QString &folder);

    // The program's own settings ("kessinit.txt") as the window stands.
    ProgramSettings collectSettings();

    // Why Close (and closing the window) is refused while a run is under way.
    static QString runUnderWayNotice();

    // True once Close has ended the program (the window's own close then asks nothing).
    bool ended() const { return m_ended; }

private:
    // Stops the timers, closes the window and ends the event loop.
    void endNow();
    bool writeOrAsk(int fileNumber, const QString &name, const QByteArray &bytes);
    MainWindow &w;
    bool m_ended = false;
};

} // namespace kess
