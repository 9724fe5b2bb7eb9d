#pragma once

#include "core/color_set.h"

#include <QWidget>

#include <cstdint>

// Painting a window from its family's colour set. Every window with a set calls SetColors
// from its showing; the colour dialog uses the painters for its samples.
namespace colors {

// Which title colour a label (or group box caption) takes. Labels default to the major
// title colour, group boxes to the minor one.
enum class Title { Major, Minor };
void SetTitle(QWidget *labelOrGroupBox, Title title);
[[nodiscard]] Title TitleOf(const QWidget *labelOrGroupBox);

// Background of a window or panel.
void PaintBackground(QWidget *widget, std::uint32_t background);
// Text on a background, in the palette roles the widget's kind draws with (edit boxes,
// drop-downs and lists their base and text, labels, radio and check boxes their window
// text on a filled background).
void PaintControl(QWidget *widget, std::uint32_t text, std::uint32_t background);

} // namespace colors

// Sets the window's background to the main background colour and then paints each
// component by its kind: labels and group boxes in their title colour on the background,
// panels the background, edit and masked edit boxes edit text on edit background,
// drop-downs combo text on combo background, list boxes, directory lists and string grids
// list text on list background, radio buttons and check boxes their own pairs. Buttons
// and bevels are left as they are.
void SetColors(QWidget *window, const ColorSet &set);
