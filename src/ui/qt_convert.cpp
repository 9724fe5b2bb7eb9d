#include "ui/qt_convert.h"

#include <cmath>

QColor ToQColor(std::uint32_t stored) {
    return QColor(static_cast<int>(stored & 0xFF), static_cast<int>((stored >> 8) & 0xFF),
                  static_cast<int>((stored >> 16) & 0xFF));
}

std::uint32_t FromQColor(const QColor &color) {
    const QColor rgb = color.toRgb();
    return static_cast<std::uint32_t>(rgb.red()) | (static_cast<std::uint32_t>(rgb.green()) << 8) |
           (static_cast<std::uint32_t>(rgb.blue()) << 16);
}

QFont ToQFont(const FontSpec &spec) {
    QFont font(spec.name);
    if (spec.size > 0)
        font.setPointSize(spec.size);
    font.setBold(spec.bold);
    font.setItalic(spec.italic);
    font.setUnderline(spec.underline);
    font.setStrikeOut(spec.strikeout);
    return font;
}

FontSpec FromQFont(const QFont &font, std::uint32_t color) {
    FontSpec spec;
    spec.name = font.family();
    const double points = font.pointSizeF();
    spec.size = points > 0 ? static_cast<int>(std::lround(points)) : spec.size;
    spec.color = color;
    spec.bold = font.bold();
    spec.italic = font.italic();
    spec.underline = font.underline();
    spec.strikeout = font.strikeOut();
    return spec;
}
