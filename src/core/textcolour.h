#pragma once
// Labels whose colour carries meaning (red for off or failed, green for on or done, purple for
// the selected site). On a light palette they show their colours as designed; on a dark one the
// same hue is made light enough to read at a contrast of 4.5:1 or better.
#include <QColor>

class QLabel;

namespace kess {

// Contrast of two colours as the accessibility guidelines measure it (1 to 21).
double contrastRatio(const QColor &a, const QColor &b);

// `colour` as it is on a light background; on a dark one the same hue made lighter until it
// reads at 4.5:1 against `background`.
QColor readableOn(const QColor &colour, const QColor &background);

// Gives the label its colour; when the label's palette changes it chooses its shade again.
void setTextColour(QLabel *label, const QColor &colour);

} // namespace kess
