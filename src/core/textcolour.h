#pragma once
// Labels whose colour carries meaning (red for off or failed, green for on or done, purple for
// the selected site). They show their colours as designed where these read at a contrast of 4.5:1
// or better on the window's background; elsewhere the nearest shade of the same hue that does
// (darker on a light palette, lighter on a dark one).
#include <QColor>

class QLabel;

namespace kess {

// Contrast of two colours as the accessibility guidelines measure it (1 to 21).
double contrastRatio(const QColor &a, const QColor &b);

// `colour` where it reads at 4.5:1 against `background`, else the nearest shade of its hue that
// does.
QColor readableOn(const QColor &colour, const QColor &background);

// Gives the label its colour; when the label's palette changes it chooses its shade again.
void setTextColour(QLabel *label, const QColor &colour);

} // namespace kess
