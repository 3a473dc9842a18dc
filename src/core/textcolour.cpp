#include "textcolour.h"

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
    if (background.lightnessF() >= 0.5 || contrastRatio(colour, background) >= readable)
        return colour;
    QColor lighter = colour.toHsl();
    for (int l = lighter.lightness(); l <= 255; l += 5) {
        lighter.setHsl(lighter.hslHue(), lighter.hslSaturation(), l);
        if (contrastRatio(lighter, background) >= readable)
            return lighter.toRgb();
    }
    return Qt::white;
}

void setTextColour(QLabel *label, const QColor &colour)
{
    label->setProperty(designColour, colour);
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, readableOn(colour, p.color(QPalette::Window)));
    label->setPalette(p);
}

void refreshTextColours(QWidget *root)
{
    for (QLabel *label : root->findChildren<QLabel *>()) {
        const QVariant colour = label->property(designColour);
        if (colour.isValid())
            setTextColour(label, colour.value<QColor>());
    }
}

} // namespace kess
