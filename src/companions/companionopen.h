#pragma once
// Opening VANTRO, DORLIQ or PELTHOR on the settings of the selected site.
namespace kess {

class MainWindow;

class CompanionOpen {
public:
    explicit CompanionOpen(MainWindow &window);
    void openVantro();
    void openDorliq();
    // Also pressed by the forecast run after each site; during a run it leaves the save and
    // "Don't save" buttons disabled.
    void openPelthor();

private:
    void openForSettings(int which);
    MainWindow &w;
};

} // namespace kess
