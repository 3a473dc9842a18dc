#pragma once
// The windows opened from the main window (help, about, forecast text, mirrix setup) behave
// alike: Escape and Ctrl+W close them, and they open centred on the main window, inside the
// part of the screen that panels leave free.
class QWidget;

namespace kess {

// Escape and Ctrl+W close `window`.
void closeByKeyboard(QWidget *window);

// Moves `window` (not yet shown) over the middle of the window that owns it and inside the
// available area of that window's screen, shrinking it where the area is smaller.
void placeOverOwner(QWidget *window);

} // namespace kess
