#pragma once
// The orderly way out: the "Close" button.
#include <QStringList>

namespace kess {

class MainWindow;

class Shutdown {
public:
    explicit Shutdown(MainWindow &window);

    // The Close button. Returns true when the program ended.
    bool close();

    // The 39 lines of "kessinit.txt" for the window as it stands.
    QStringList settingsLines();

    // Why Close (and closing the window) is refused while a run is under way.
    static QString runUnderWayNotice();

    // True once Close has ended the program (the window's own close then asks nothing).
    bool ended() const { return m_ended; }

private:
    bool writeOrAsk(int fileNumber, const QString &name, const QStringList &lines);
    MainWindow &w;
    bool m_ended = false;
};

} // namespace kess
