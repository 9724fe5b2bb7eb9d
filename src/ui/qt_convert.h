#pragma once

#include "core/font_spec.h"

#include <QColor>
#include <QFont>

#include <cstdint>

// Conversions between the stored forms of the settings and Qt's types.

// Stored colour (red in the low byte, then green, then blue) to a Qt colour, and back.
[[nodiscard]] QColor ToQColor(std::uint32_t stored);
[[nodiscard]] std::uint32_t FromQColor(const QColor &color);

// A stored font to a Qt font (name, point size and the four style flags; the colour is not
// part of a Qt font and stays in the FontSpec).
[[nodiscard]] QFont ToQFont(const FontSpec &spec);
// A Qt font to the stored form; `color` is kept as the font's colour.
[[nodiscard]] FontSpec FromQFont(const QFont &font, std::uint32_t color = 0);
