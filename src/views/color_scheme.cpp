#include "views/color_scheme.h"

namespace colors {

namespace {
// Columns: main background, major title, minor title, edit background, edit text, radio text.
constexpr std::array<PredefinedColors, kPredefinedCount> kPredefined{{
    {"Monochrome", Rgb(255, 255, 255), Rgb(0, 0, 0), Rgb(0, 0, 0), Rgb(255, 255, 255), Rgb(0, 0, 0),
     Rgb(0, 0, 0)},
    {"Gray Mist", Rgb(192, 192, 192), Rgb(0, 0, 0), Rgb(0, 0, 0), Rgb(255, 255, 255), Rgb(0, 0, 0),
     Rgb(0, 0, 0)},
    {"Midnight Black", Rgb(0, 0, 0), Rgb(192, 192, 192), Rgb(255, 255, 255), Rgb(127, 127, 127),
     Rgb(0, 0, 0), Rgb(255, 255, 255)},
    {"Desert Sunset", Rgb(255, 255, 128), Rgb(0, 0, 0), Rgb(0, 0, 0), Rgb(255, 255, 0),
     Rgb(0, 0, 0), Rgb(0, 0, 0)},
    {"Easter Pastel", Rgb(255, 128, 255), Rgb(0, 0, 255), Rgb(0, 0, 0), Rgb(128, 0, 128),
     Rgb(0, 255, 255), Rgb(0, 0, 0)},
    {"Ocean Blue", Rgb(0, 255, 255), Rgb(255, 0, 0), Rgb(0, 0, 0), Rgb(255, 255, 255),
     Rgb(0, 0, 128), Rgb(0, 0, 0)},
    {"Fiery Red", Rgb(255, 0, 0), Rgb(0, 0, 128), Rgb(0, 0, 0), Rgb(255, 255, 255), Rgb(255, 0, 0),
     Rgb(0, 0, 0)},
    {"Christmas Season", Rgb(0, 255, 0), Rgb(255, 255, 255), Rgb(255, 0, 0), Rgb(255, 0, 0),
     Rgb(255, 255, 255), Rgb(255, 0, 0)},
    {"Wine", Rgb(128, 0, 64), Rgb(255, 0, 0), Rgb(255, 0, 255), Rgb(128, 0, 128), Rgb(255, 0, 0),
     Rgb(255, 0, 255)},
    {"More Pastels", Rgb(0, 255, 128), Rgb(255, 0, 255), Rgb(128, 0, 128), Rgb(0, 255, 255),
     Rgb(0, 0, 255), Rgb(128, 0, 128)},
    {"Green Glow", Rgb(0, 0, 0), Rgb(0, 255, 0), Rgb(0, 255, 0), Rgb(0, 255, 0), Rgb(0, 0, 0),
     Rgb(0, 255, 0)},
    {"Camouflage", Rgb(128, 128, 0), Rgb(0, 128, 0), Rgb(127, 127, 127), Rgb(0, 128, 128),
     Rgb(192, 192, 192), Rgb(127, 127, 127)},
}};
} // namespace

const std::array<PredefinedColors, kPredefinedCount> &Predefined() {
    return kPredefined;
}

ColorSet WithPredefined(const ColorSet &current, int entry) {
    if (entry < 1 || entry > kPredefinedCount)
        return current;
    // Where each of the thirteen roles takes its colour from, in role order. Lists and
    // drop-downs look like edit boxes; radio and check boxes sit on the background.
    using C = PredefinedColors;
    static constexpr std::array<std::uint32_t C::*, kColorRoleCount> kSourceOfRole{
        &C::mainBackground, &C::majorTitle, &C::minorTitle, // background and titles
        &C::editBackground, &C::editText,                   // edit box
        &C::editBackground, &C::editText,                   // combo box
        &C::editBackground, &C::editText,                   // list box
        &C::mainBackground, &C::radioText,                  // radio button
        &C::mainBackground, &C::radioText};                 // check box
    const PredefinedColors &p = kPredefined[static_cast<std::size_t>(entry - 1)];
    ColorSet set;
    for (std::size_t role = 0; role < kSourceOfRole.size(); ++role)
        set.colors[role] = p.*kSourceOfRole[role];
    return set;
}

ColorSet StartingColors(const std::array<ColorSet, kColorTargetCount> &sets, DialogTarget target) {
    const int index = static_cast<int>(target) - 1;
    if (target == DialogTarget::All || index < 0 || index >= kColorTargetCount)
        return sets[static_cast<int>(ColorTarget::Main)];
    return sets[static_cast<std::size_t>(index)];
}

bool ApplyWorkingColors(std::array<ColorSet, kColorTargetCount> &sets, DialogTarget target,
                        const ColorSet &working) {
    if (target == DialogTarget::All) {
        sets.fill(working);
        return true;
    }
    const int index = static_cast<int>(target) - 1;
    if (index < 0 || index >= kColorTargetCount)
        return false;
    sets[static_cast<std::size_t>(index)] = working;
    return target == DialogTarget::Main;
}

} // namespace colors
