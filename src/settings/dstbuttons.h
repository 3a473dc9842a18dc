#pragma once
// "Start DST" and "End DST": the daylight-saving item of every site's saved settings.
namespace kess {

class MainWindow;

class DstButtons {
public:
    explicit DstButtons(MainWindow &window);
    // 1 daylight time ("Start DST"), 0 standard time ("End DST"). Refused while a run is under way.
    void change(int dst);

private:
    MainWindow &w;
};

} // namespace kess
