#pragma once
namespace kess {
class MainWindow;
// Restores the window from the settings files of the current folder. Each step that fails is
// skipped and the defaults stay; no message but the two notices about missing optional files.
void runStartUp(MainWindow &w);
} // namespace kess
