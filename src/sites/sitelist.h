#pragma once
// The site list of the main window: selecting a site stages its saved files, and the four
// buttons that change which sites take part in the forecast run.
#include <QString>
#include <functional>

class QListWidget;

namespace kess {

class MainWindow;

// Calls `select` with the row when the user clicks a row (also the one already highlighted) or
// presses Enter or Space on the current row. The list taking the focus, or moving through it with
// the arrow keys, selects nothing: selecting a site overwrites working files.
void selectOnClickOrKey(QListWidget *list, std::function<void(int)> select);

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
