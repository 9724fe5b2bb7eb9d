#include "views/color_scheme.h"

#include <gtest/gtest.h>

using colors::DialogTarget;
using colors::Rgb;

namespace {

// A set whose thirteen colours all differ, so a colour landing in the wrong slot shows.
ColorSet distinctSet(std::uint32_t base) {
    ColorSet set;
    for (int i = 0; i < kColorRoleCount; ++i)
        set.colors[static_cast<std::size_t>(i)] = base + static_cast<std::uint32_t>(i);
    return set;
}

int entryOf(std::string_view name) {
    const auto &all = colors::Predefined();
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (all[i].name == name)
            return static_cast<int>(i) + 1;
    }
    return -1;
}

} // namespace

TEST(ColorScheme, StoredFormKeepsRedInTheLowByte) {
    EXPECT_EQ(Rgb(192, 192, 192), kSilver);
    EXPECT_EQ(Rgb(255, 255, 255), kWhite);
    EXPECT_EQ(Rgb(128, 0, 64), 128u + 64u * 65536u);
    EXPECT_EQ(Rgb(0, 255, 0), 255u * 256u);
    const std::uint32_t c = Rgb(1, 2, 3);
    EXPECT_EQ(colors::Red(c), 1);
    EXPECT_EQ(colors::Green(c), 2);
    EXPECT_EQ(colors::Blue(c), 3);
}

TEST(ColorScheme, MonochromeSetsAllThirteenColours) {
    const ColorSet set = colors::WithPredefined(distinctSet(1000), entryOf("Monochrome"));
    for (const ColorRole role :
         {ColorRole::MainBackground, ColorRole::EditBackground, ColorRole::ComboBackground,
          ColorRole::ListBoxBackground, ColorRole::RadioBackground, ColorRole::CheckBackground})
        EXPECT_EQ(set[role], kWhite) << static_cast<int>(role);
    for (const ColorRole role :
         {ColorRole::MajorTitle, ColorRole::MinorTitle, ColorRole::EditText, ColorRole::ComboText,
          ColorRole::ListBoxText, ColorRole::RadioText, ColorRole::CheckText})
        EXPECT_EQ(set[role], kBlack) << static_cast<int>(role);
}

TEST(ColorScheme, EveryCombinationDerivesTheOtherSeven) {
    const ColorSet start = distinctSet(5000);
    ASSERT_EQ(colors::Predefined().size(), 12u);
    for (int entry = 1; entry <= colors::kPredefinedCount; ++entry) {
        const auto &p = colors::Predefined()[static_cast<std::size_t>(entry - 1)];
        const ColorSet set = colors::WithPredefined(start, entry);
        SCOPED_TRACE(std::string(p.name));
        EXPECT_EQ(set[ColorRole::MainBackground], p.mainBackground);
        EXPECT_EQ(set[ColorRole::MajorTitle], p.majorTitle);
        EXPECT_EQ(set[ColorRole::MinorTitle], p.minorTitle);
        EXPECT_EQ(set[ColorRole::EditBackground], p.editBackground);
        EXPECT_EQ(set[ColorRole::EditText], p.editText);
        EXPECT_EQ(set[ColorRole::RadioText], p.radioText);
        EXPECT_EQ(set[ColorRole::ListBoxBackground], p.editBackground);
        EXPECT_EQ(set[ColorRole::ComboBackground], p.editBackground);
        EXPECT_EQ(set[ColorRole::ListBoxText], p.editText);
        EXPECT_EQ(set[ColorRole::ComboText], p.editText);
        EXPECT_EQ(set[ColorRole::RadioBackground], p.mainBackground);
        EXPECT_EQ(set[ColorRole::CheckBackground], p.mainBackground);
        EXPECT_EQ(set[ColorRole::CheckText], p.radioText);
    }
}

TEST(ColorScheme, CombinationTableValues) {
    const auto &all = colors::Predefined();
    const char *names[] = {"Monochrome",    "Gray Mist",    "Midnight Black", "Desert Sunset",
                           "Easter Pastel", "Ocean Blue",   "Fiery Red",      "Christmas Season",
                           "Wine",          "More Pastels", "Green Glow",     "Camouflage"};
    for (std::size_t i = 0; i < all.size(); ++i)
        EXPECT_EQ(all[i].name, names[i]);

    const auto &wine = all[static_cast<std::size_t>(entryOf("Wine") - 1)];
    EXPECT_EQ(wine.mainBackground, Rgb(128, 0, 64));
    EXPECT_EQ(wine.majorTitle, Rgb(255, 0, 0));
    EXPECT_EQ(wine.minorTitle, Rgb(255, 0, 255));
    EXPECT_EQ(wine.editBackground, Rgb(128, 0, 128));
    EXPECT_EQ(wine.editText, Rgb(255, 0, 0));
    EXPECT_EQ(wine.radioText, Rgb(255, 0, 255));

    const auto &camouflage = all[static_cast<std::size_t>(entryOf("Camouflage") - 1)];
    EXPECT_EQ(camouflage.mainBackground, Rgb(128, 128, 0));
    EXPECT_EQ(camouflage.editBackground, Rgb(0, 128, 128));
    EXPECT_EQ(camouflage.editText, Rgb(192, 192, 192));
    EXPECT_EQ(camouflage.radioText, Rgb(127, 127, 127));

    const auto &midnight = all[static_cast<std::size_t>(entryOf("Midnight Black") - 1)];
    EXPECT_EQ(midnight.majorTitle, Rgb(192, 192, 192));
    EXPECT_EQ(midnight.minorTitle, Rgb(255, 255, 255));
    EXPECT_EQ(midnight.editBackground, Rgb(127, 127, 127));
}

TEST(ColorScheme, EmptyEntryAndOutOfRangeChangeNothing) {
    const ColorSet start = distinctSet(77);
    EXPECT_EQ(colors::WithPredefined(start, 0), start);
    EXPECT_EQ(colors::WithPredefined(start, 13), start);
    EXPECT_EQ(colors::WithPredefined(start, -1), start);
}

TEST(ColorScheme, AllTargetStartsFromMainAndFillsEverySet) {
    std::array<ColorSet, kColorTargetCount> sets;
    for (int i = 0; i < kColorTargetCount; ++i)
        sets[static_cast<std::size_t>(i)] = distinctSet(100u * static_cast<std::uint32_t>(i + 1));
    EXPECT_EQ(colors::StartingColors(sets, DialogTarget::All), sets[0]);
    EXPECT_EQ(colors::StartingColors(sets, DialogTarget::Report), sets[3]);

    const ColorSet working = distinctSet(9000);
    EXPECT_TRUE(colors::ApplyWorkingColors(sets, DialogTarget::All, working));
    for (const ColorSet &set : sets)
        EXPECT_EQ(set, working);
}

TEST(ColorScheme, OneTargetChangesOnlyItsSet) {
    std::array<ColorSet, kColorTargetCount> sets;
    for (int i = 0; i < kColorTargetCount; ++i)
        sets[static_cast<std::size_t>(i)] = distinctSet(100u * static_cast<std::uint32_t>(i + 1));
    const auto before = sets;
    const ColorSet working = distinctSet(9000);

    EXPECT_FALSE(colors::ApplyWorkingColors(sets, DialogTarget::Configure, working));
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(sets[static_cast<std::size_t>(i)], before[static_cast<std::size_t>(i)]);
    EXPECT_EQ(sets[4], working);

    EXPECT_TRUE(colors::ApplyWorkingColors(sets, DialogTarget::Main, working));
    EXPECT_EQ(sets[0], working);
    EXPECT_EQ(sets[1], before[1]);

    EXPECT_FALSE(colors::ApplyWorkingColors(sets, DialogTarget::Edit, working));
    EXPECT_EQ(sets[1], working);
    EXPECT_EQ(sets[2], before[2]);
}
