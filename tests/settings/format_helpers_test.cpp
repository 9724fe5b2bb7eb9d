#include "settings/format_helpers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

struct NumberCase {
    int width;
    int decimals;
    double value;
    const char *plain;
    const char *grouped;
};

void PrintTo(const NumberCase &c, std::ostream *os) {
    *os << c.value << " width " << c.width << " decimals " << c.decimals;
}

class NumberFormatting : public testing::TestWithParam<NumberCase> {};

TEST_P(NumberFormatting, PlainAndGrouped) {
    const NumberCase &c = GetParam();
    EXPECT_EQ(FormatPlain(c.width, c.decimals, c.value), QString::fromLatin1(c.plain));
    EXPECT_EQ(FormatGrouped(c.width, c.decimals, c.value), QString::fromLatin1(c.grouped));
}

INSTANTIATE_TEST_SUITE_P(
    Examples, NumberFormatting,
    testing::Values(NumberCase{1, 2, 1234567.891, "1234567.89", "1,234,567.89"},
                    NumberCase{1, 0, -123456, "-123456", "-123,456"},
                    NumberCase{1, 0, 999, "999", "999"}, NumberCase{1, 2, 0, "0.00", "0.00"},
                    NumberCase{1, 0, -1000, "-1000", "-1,000"},
                    NumberCase{1, 0, -100, "-100", "-100"}, NumberCase{1, 0, 1000, "1000", "1,000"},
                    NumberCase{1, 0, 100000, "100000", "100,000"},
                    NumberCase{1, 2, -999999.999, "-1000000.00", "-1,000,000.00"},
                    NumberCase{12, 2, 1234.5, "     1234.50", "    1,234.50"},
                    NumberCase{3, 2, 1234.5, "1234.50", "1,234.50"}, NumberCase{0, 0, 7, "7", "7"},
                    NumberCase{-5, 1, 7, "7.0", "7.0"}));

struct RoundingCase {
    double value;
    int decimals;
    const char *expected;
};

void PrintTo(const RoundingCase &c, std::ostream *os) {
    *os << c.value << " to " << c.decimals;
}

class Rounding : public testing::TestWithParam<RoundingCase> {};

// Halves go away from zero on the decimal text the user typed, not on the binary value just
// below it.
TEST_P(Rounding, HalfAwayFromZeroOnShortestDecimal) {
    const RoundingCase &c = GetParam();
    EXPECT_EQ(FormatPlain(1, c.decimals, c.value), QString::fromLatin1(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Rounding,
    testing::Values(RoundingCase{1.005, 2, "1.01"}, RoundingCase{2.675, 2, "2.68"},
                    RoundingCase{-2.675, 2, "-2.68"}, RoundingCase{0.5, 0, "1"},
                    RoundingCase{1.5, 0, "2"}, RoundingCase{2.5, 0, "3"},
                    RoundingCase{-0.5, 0, "-1"}, RoundingCase{1.004999, 2, "1.00"},
                    RoundingCase{9.995, 2, "10.00"}, RoundingCase{99.5, 0, "100"},
                    RoundingCase{0.1 + 0.2, 2, "0.30"}, RoundingCase{1e-7, 3, "0.000"},
                    RoundingCase{123.456, 5, "123.45600"},
                    RoundingCase{1e20, 0, "100000000000000000000"},
                    RoundingCase{0.0001, 4, "0.0001"}));

TEST(NumberFormatting, NeverShowsNegativeZero) {
    for (double v : {-0.0, -0.001, -0.004, -1e-300}) {
        EXPECT_EQ(FormatPlain(1, 2, v), QStringLiteral("0.00")) << v;
        EXPECT_EQ(FormatGrouped(1, 2, v), QStringLiteral("0.00")) << v;
    }
    EXPECT_EQ(FormatPlain(1, 0, -0.4), QStringLiteral("0"));
    EXPECT_EQ(FormatPlain(1, 2, -0.005), QStringLiteral("-0.01"));
}

TEST(NumberFormatting, ExtremesStayReadable) {
    EXPECT_EQ(FormatPlain(1, 0, std::numeric_limits<double>::max()).size(), 309);
    EXPECT_EQ(FormatPlain(1, 2, std::numeric_limits<double>::denorm_min()), QStringLiteral("0.00"));
    EXPECT_EQ(FormatPlain(5, 2, std::nan("")), QStringLiteral("  NAN"));
    EXPECT_EQ(FormatGrouped(1, 2, -std::numeric_limits<double>::infinity()),
              QStringLiteral("-INF"));
    // An absurd decimal count is bounded instead of building a huge text.
    EXPECT_EQ(FormatPlain(1, 1000000, 1.0).size(), 42);
}

TEST(TextHelpers, TrimStripPadRepeatUpper) {
    EXPECT_EQ(Trim(u"  a b  "), QStringLiteral("a b"));
    EXPECT_EQ(Trim(u"    "), QString());
    EXPECT_EQ(Trim(u"\ta\t"), QStringLiteral("\ta\t"));

    EXPECT_EQ(TrimAndStripCommas(u" 1,250.00 ", 20), QStringLiteral("1250.00"));
    EXPECT_EQ(TrimAndStripCommas(u"1,234,567.89", 6), QStringLiteral("123456"));
    EXPECT_EQ(TrimAndStrip(u"  $1$2$  ", 10, QChar(u'$')), QStringLiteral("12"));
    EXPECT_EQ(TrimAndStrip(u"abc", -1, QChar(u'x')), QString());

    EXPECT_EQ(PadRight(u"abc", 6), QStringLiteral("abc   "));
    EXPECT_EQ(PadLeft(u"abc", 6), QStringLiteral("   abc"));
    EXPECT_EQ(PadRight(u"123456789012", 10), QStringLiteral("123456789012"));
    EXPECT_EQ(PadLeft(u"123456789012", 10), QStringLiteral("123456789012"));
    EXPECT_EQ(PadLeft(u"x", -3), QStringLiteral("x"));

    EXPECT_EQ(Repeat(QChar(u'-'), 0), QString());
    EXPECT_EQ(Repeat(QChar(u'-'), -2), QString());
    EXPECT_EQ(Repeat(QChar(u'='), 4), QStringLiteral("===="));

    EXPECT_EQ(UpperCopy(u"kitchen", 4), QStringLiteral("KITC"));
    EXPECT_EQ(UpperCopy(u"straße é", 20), QStringLiteral("STRAßE É"));
    const QString withNul = QStringLiteral("ab") + QChar(u'\0') + QStringLiteral("cd");
    EXPECT_EQ(UpperCopy(withNul, 10), QStringLiteral("AB"));
}

} // namespace
