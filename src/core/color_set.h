#pragma once

#include <array>
#include <cstdint>
#include <string_view>

// One colour set of a window kind: thirteen colours in the stored form (red in the low
// byte, then green, then blue). The order is the order of the keys in the settings file.
enum class ColorRole {
    MainBackground,
    MajorTitle,
    MinorTitle,
    EditBackground,
    EditText,
    ComboBackground,
    ComboText,
    ListBoxBackground,
    ListBoxText,
    RadioBackground,
    RadioText,
    CheckBackground,
    CheckText,
};
inline constexpr int kColorRoleCount = 13;

// The five colour sets, in the order of their sections in the settings file.
enum class ColorTarget { Main, Edit, Search, Report, Configure };
inline constexpr int kColorTargetCount = 5;

inline constexpr std::uint32_t kSilver = 12632256, kWhite = 16777215, kBlack = 0;

struct ColorSet {
    std::array<std::uint32_t, kColorRoleCount> colors{kSilver, kBlack,  kBlack, kWhite, kBlack,
                                                      kWhite,  kBlack,  kWhite, kBlack, kSilver,
                                                      kBlack,  kSilver, kBlack};

    std::uint32_t operator[](ColorRole role) const { return colors[static_cast<int>(role)]; }
    std::uint32_t &operator[](ColorRole role) { return colors[static_cast<int>(role)]; }
    friend bool operator==(const ColorSet &, const ColorSet &) = default;
};

inline constexpr std::array<std::string_view, kColorRoleCount> kColorKeys{
    "Main Background", "Major Title",      "Minor Title", "Edit Background",
    "Edit Text",       "Combo Background", "Combo Text",  "List Box Background",
    "List Box Text",   "Radio Background", "Radio Text",  "Check Background",
    "Check Text"};

inline constexpr std::array<std::string_view, kColorTargetCount> kColorSections{
    "Main Window Color", "Edit Window Color", "Search Window Color", "Report Window Color",
    "Configure Window Color"};
