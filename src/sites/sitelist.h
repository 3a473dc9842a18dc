#pragma once
// The site list of the main window: selecting a site stages its saved files, and the four
// buttons that change which sites take part in the forecast run.
#include <QString>

namespace kess {

class MainWindow;

class SiteList {
public:
    explicit SiteList(MainWindow &window);

    void siteClicked(int row);
    void includeInRun();
    void omitFromRun();
    void includeAll();
    void omitAll();

    // Clears the list and adds every site's entry again.
    void rebuild(bool strictMarks = false);

private:
    void setSelectedFlag(int flag);
    void setAllFlags(int flag);
    MainWindow &w;
};

} // namespace kess
