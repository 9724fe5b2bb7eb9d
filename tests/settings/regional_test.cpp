#include "settings/regional.h"

#include <gtest/gtest.h>

namespace {

RegionalValues Values(QChar decimal, QChar thousand, int digits, int currDigits) {
    RegionalValues v;
    v.sDecimal = decimal;
    v.sThousand = thousand;
    v.iDigits = digits;
    v.iCurrDigits = currDigits;
    return v;
}

TEST(RegionalValues, ProfileDefaultsAndEmptyValues) {
    const RegionalValues none = RegionalValues::fromProfile({});
    EXPECT_EQ(none, RegionalValues());
    EXPECT_EQ(none.sDecimal, QChar(u'.'));
    EXPECT_EQ(none.sThousand, QChar(u','));
    EXPECT_EQ(none.iDigits, 2);
    EXPECT_EQ(none.iCurrDigits, 2);
    EXPECT_EQ(none.iCountry, 1);

    const RegionalValues empty = RegionalValues::fromProfile(
        {{QStringLiteral("sDecimal"), QString()}, {QStringLiteral("sThousand"), QString()}});
    EXPECT_EQ(empty.sDecimal, QChar(u' '));
    EXPECT_EQ(empty.sThousand, QChar(u' '));

    const RegionalValues german =
        RegionalValues::fromProfile({{QStringLiteral("sDecimal"), QStringLiteral(",;")},
                                     {QStringLiteral("sThousand"), QStringLiteral(".")},
                                     {QStringLiteral("iDigits"), QStringLiteral("3")},
                                     {QStringLiteral("iCurrDigits"), QStringLiteral("0 ; none")},
                                     {QStringLiteral("iCountry"), QStringLiteral("49")}});
    EXPECT_EQ(german.sDecimal, QChar(u','));
    EXPECT_EQ(german.sThousand, QChar(u'.'));
    EXPECT_EQ(german.iDigits, 3);
    EXPECT_EQ(german.iCurrDigits, 0);
    EXPECT_EQ(german.iCountry, 49);

    const RegionalValues junk =
        RegionalValues::fromProfile({{QStringLiteral("iDigits"), QStringLiteral("two")}});
    EXPECT_EQ(junk.iDigits, 0);
}

TEST(RegionalValues, FromLocale) {
    const RegionalValues c = RegionalValues::fromLocale(QLocale::c());
    EXPECT_EQ(c.sDecimal, QChar(u'.'));
    EXPECT_EQ(c.sThousand, QChar(u','));
    EXPECT_EQ(c.iDigits, 2);
    EXPECT_EQ(c.iCurrDigits, 2);

    const RegionalValues de =
        RegionalValues::fromLocale(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(de.sDecimal, QChar(u','));
    EXPECT_EQ(de.sThousand, QChar(u'.'));
    EXPECT_EQ(de.iCountry, 49);
    EXPECT_EQ(RegionalValues::fromLocale(QLocale(QLocale::English, QLocale::UnitedStates)).iCountry,
              1);
    EXPECT_EQ(
        RegionalValues::fromLocale(QLocale(QLocale::English, QLocale::UnitedKingdom)).iCountry, 44);
}

TEST(RegionalValues, ProcessWideValuesCanBeSetAndRead) {
    const RegionalValues saved = CurrentRegional();
    SetCurrentRegional(Values(QChar(u','), QChar(u'.'), 1, 0));
    EXPECT_EQ(FormatMoney(1, 1234, kFormatWindows), QStringLiteral("1.234"));
    EXPECT_EQ(FormatNumber(1, 1, 1234.25, kFormatWindows), QStringLiteral("1.234,3"));
    ReadRegionalValues();
    EXPECT_EQ(CurrentRegional(), RegionalValues::fromLocale(QLocale::system()));
    SetCurrentRegional(saved);
}

struct MoneyCase {
    int format;
    RegionalValues regional;
    int width;
    double value;
    const char *expected;
};

void PrintTo(const MoneyCase &c, std::ostream *os) {
    *os << "format " << c.format << " value " << c.value << " expected " << c.expected;
}

class Money : public testing::TestWithParam<MoneyCase> {};

TEST_P(Money, Formats) {
    const MoneyCase &c = GetParam();
    EXPECT_EQ(FormatMoney(c.width, c.value, c.format, c.regional), QString::fromLatin1(c.expected));
}

const RegionalValues kUs;
const RegionalValues kGerman = Values(QChar(u','), QChar(u'.'), 2, 2);
const RegionalValues kDotThousandsNoDecimals = Values(QChar(u'.'), QChar(u'.'), 0, 0);
const RegionalValues kNoCurrDigits = Values(QChar(u'.'), QChar(u','), 2, 0);
const RegionalValues kBlankSeparators = Values(QChar(u' '), QChar(u' '), 2, 2);

INSTANTIATE_TEST_SUITE_P(
    Examples, Money,
    testing::Values(MoneyCase{kFormatUS, kUs, 1, -1000, "-1,000.00"},
                    // The U.S. form ignores the regional values entirely.
                    MoneyCase{kFormatUS, kGerman, 1, 1234.5, "1,234.50"},
                    MoneyCase{kFormatUS, kNoCurrDigits, 10, 1234, "  1,234.00"},
                    MoneyCase{0, kGerman, 1, 1234.5, "1,234.50"},
                    MoneyCase{kFormatWindows, kGerman, 1, 1234.5, "1.234,50"},
                    MoneyCase{kFormatWindows, kGerman, 12, -1234567.891, "-1.234.567,89"},
                    MoneyCase{kFormatWindows, kGerman, 14, -1234567.891, " -1.234.567,89"},
                    MoneyCase{kFormatWindows, kDotThousandsNoDecimals, 1, -100, "-100"},
                    MoneyCase{kFormatWindows, kDotThousandsNoDecimals, 1, -1000, "-1.000"},
                    MoneyCase{kFormatWindows, kDotThousandsNoDecimals, 1, -123456, "-123.456"},
                    MoneyCase{kFormatWindows, kDotThousandsNoDecimals, 8, -123456, "-123.456"},
                    MoneyCase{kFormatWindows, kNoCurrDigits, 1, 1234, "1,234"},
                    MoneyCase{kFormatWindows, kNoCurrDigits, 1, 1234.5, "1,235"},
                    MoneyCase{kFormatWindows, kBlankSeparators, 1, 1234.5, "1 234 50"},
                    MoneyCase{kFormatWindows, kGerman, 1, -0.001, "0,00"}));

struct NumberCase {
    int format;
    RegionalValues regional;
    int width;
    int decimals;
    double value;
    const char *expected;
};

void PrintTo(const NumberCase &c, std::ostream *os) {
    *os << "format " << c.format << " value " << c.value << " expected " << c.expected;
}

class Numbers : public testing::TestWithParam<NumberCase> {};

TEST_P(Numbers, Formats) {
    const NumberCase &c = GetParam();
    EXPECT_EQ(FormatNumber(c.width, c.decimals, c.value, c.format, c.regional),
              QString::fromLatin1(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Examples, Numbers,
    testing::Values(NumberCase{kFormatUS, kUs, 1, 2, 1234567.891, "1,234,567.89"},
                    NumberCase{kFormatUS, kGerman, 1, 0, -123456, "-123,456"},
                    NumberCase{kFormatUS, kUs, 6, 0, 999, "   999"},
                    NumberCase{kFormatUS, kUs, 1, 2, 0, "0.00"},
                    NumberCase{kFormatWindows, kGerman, 1, 0, -1234, "-1.234"},
                    // The decimals are the caller's, not iDigits.
                    NumberCase{kFormatWindows, kNoCurrDigits, 1, 3, 1234.5, "1,234.500"},
                    NumberCase{kFormatWindows, kDotThousandsNoDecimals, 1, 0, -1000, "-1.000"},
                    NumberCase{kFormatWindows, kGerman, 9, 1, 12.25, "     12,3"}));

} // namespace
