// SPDX-License-Identifier: MIT
#include "textcolours.h"

#include <algorithm>
#include <cmath>

namespace {

// The contrast body text needs against its background to be read by most people.
constexpr qreal ReadableContrast = 4.5;
constexpr qreal LightnessStep = 0.02;

qreal relativeLuminance(const QColor &colour)
{
    const auto linear = [](qreal channel) {
        return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) + 0.0722 * linear(colour.blueF());
}

} // namespace

TextColours::TextColours(const QPalette &palette)
    : m_base(palette.color(QPalette::Base))
    , m_text(palette.color(QPalette::Text))
    , m_darkBase(contrast(m_base, Qt::white) > contrast(m_base, Qt::black))
{
}

QColor TextColours::shown(QRgb stored) const
{
    const QColor colour = QColor::fromRgb(stored);
    if (!m_darkBase)
        return colour;
    if (qRed(stored) == 0 && qGreen(stored) == 0 && qBlue(stored) == 0)
        return m_text;
    QColor lighter = colour.toHsl();
    for (qreal lightness = lighter.lightnessF(); contrast(lighter, m_base) < ReadableContrast && lightness < 1;) {
        lightness = std::min<qreal>(1, lightness + LightnessStep);
        lighter.setHslF(lighter.hslHueF(), lighter.hslSaturationF(), lightness);
    }
    return lighter.toRgb();
}

qreal TextColours::contrast(const QColor &one, const QColor &other)
{
    const qreal a = relativeLuminance(one);
    const qreal b = relativeLuminance(other);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}
