#pragma once

#include "core/color_set.h"

#include <array>
#include <cstdint>
#include <string_view>

// The colour scheme rules that need no window: the predefined combinations of the colour
// dialog, the colours they derive, and where the dialog's working copy goes on OK.
namespace colors {

// A colour in the stored form: red in the low byte, then green, then blue.
[[nodiscard]] constexpr std::uint32_t Rgb(int red, int green, int blue) {
    return static_cast<std::uint32_t>(red & 0xFF) |
           (static_cast<std::uint32_t>(green & 0xFF) << 8) |
           (static_cast<std::uint32_t>(blue & 0xFF) << 16);
}
[[nodiscard]] constexpr int Red(std::uint32_t color) {
    return static_cast<int>(color & 0xFF);
}
[[nodiscard]] constexpr int Green(std::uint32_t color) {
    return static_cast<int>((color >> 8) & 0xFF);
}
[[nodiscard]] constexpr int Blue(std::uint32_t color) {
    return static_cast<int>((color >> 16) & 0xFF);
}

// A predefined combination names six colours; the other seven follow from them.
struct PredefinedColors {
    std::string_view name;
    std::uint32_t mainBackground;
    std::uint32_t majorTitle;
    std::uint32_t minorTitle;
    std::uint32_t editBackground;
    std::uint32_t editText;
    std::uint32_t radioText;
};
inline constexpr int kPredefinedCount = 12;

// The twelve combinations in the order the dialog lists them (after its empty first entry).
[[nodiscard]] const std::array<PredefinedColors, kPredefinedCount> &Predefined();

// The set after choosing entry `entry` of the combinations box: 0 is the empty entry and
// changes nothing, 1 to 12 a combination; anything else changes nothing.
[[nodiscard]] ColorSet WithPredefined(const ColorSet &current, int entry);

// Which set the colour dialog edits: one of the five, or all of them at once.
enum class DialogTarget { Main = 1, Edit, Search, Report, Configure, All };

// The dialog's starting copy for a target: that set, or the main set for All.
[[nodiscard]] ColorSet StartingColors(const std::array<ColorSet, kColorTargetCount> &sets,
                                      DialogTarget target);

// OK in the dialog: the working colours go into the target set, or into all five for All.
// Returns true when the main window has to repaint at once (targets Main and All).
[[nodiscard]] bool ApplyWorkingColors(std::array<ColorSet, kColorTargetCount> &sets,
                                      DialogTarget target, const ColorSet &working);

} // namespace colors
