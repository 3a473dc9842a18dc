#include "textcolour.h"

#include <QEvent>
#include <QLabel>
#include <QWidget>
#include <cmath>

namespace kess {

namespace {

const char *const designColour = "kessDesignColour";

double luminance(const QColor &c)
{
    auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

constexpr double readable = 4.5;

} // namespace

double contrastRatio(const QColor &a, const QColor &b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor readableOn(const QColor &colour, const QColor &background)
{
    if (contrastRatio(colour, background) >= readable)
        return colour;
    // The nearest shade of the same hue that reads: darker on a light background, lighter on a
    // dark one.
    const bool lightBackground = luminance(background) > 0.18;
    QColor shade = colour.toHsl();
    const int hue = shade.hslHue(), saturation = shade.hslSaturation();
    for (int l = shade.lightness(); l >= 0 && l <= 255; l += lightBackground ? -1 : 1) {
        shade.setHsl(hue, saturation, l);
        if (contrastRatio(shade, background) >= readable)
            return shade.toRgb();
    }
    return lightBackground ? QColor(Qt::black) : QColor(Qt::white);
}

namespace {

void colourOn(QLabel *label, const QColor &colour)
{
    const QColor shade = readableOn(colour, label->palette().color(QPalette::Window));
    if (label->palette().color(QPalette::WindowText) == shade && label->palette().isBrushSet(QPalette::Active, QPalette::WindowText))
        return;
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, shade);
    label->setPalette(p);
}

// Chooses a coloured label's shade again when its palette changes (a light or dark theme).
class ShadeKeeper : public QObject {
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::PaletteChange) {
            auto *label = static_cast<QLabel *>(watched);
            colourOn(label, label->property(designColour).value<QColor>());
        }
        return false;
    }
};

} // namespace

void setTextColour(QLabel *label, const QColor &colour)
{
    static ShadeKeeper keeper;
    if (!label->property(designColour).isValid())
        label->installEventFilter(&keeper);
    label->setProperty(designColour, colour);
    colourOn(label, colour);
}

} // namespace kess
