#include "settings/regional.h"
#include "settings/typed_number.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {

RegionalValues Values(char16_t decimal, char16_t thousand, int digits, int currDigits) {
    RegionalValues v;
    v.sDecimal = QChar(decimal);
    v.sThousand = QChar(thousand);
    v.iDigits = digits;
    v.iCurrDigits = currDigits;
    return v;
}

const RegionalValues kUs;
const RegionalValues kGerman = Values(u',', u'.', 2, 2);
const RegionalValues kDotThousandsNoDecimals = Values(u'.', u'.', 0, 0);
const RegionalValues kNoCurrDigits = Values(u'.', u',', 2, 0);
const RegionalValues kBlankSeparators = Values(u' ', u' ', 2, 2);

TEST(RegionalValues, ProfileDefaultsAndEmptyValues) {
    EXPECT_EQ(RegionalValues::fromProfile({}), RegionalValues());
    EXPECT_EQ(RegionalValues::fromProfile({{QStringLiteral("sDecimal"), QString()},
                                           {QStringLiteral("sThousand"), QString()}}),
              kBlankSeparators);

    RegionalValues german = Values(u',', u'.', 3, 0);
    german.iCountry = 49;
    EXPECT_EQ(RegionalValues::fromProfile({{QStringLiteral("sDecimal"), QStringLiteral(",;")},
                                           {QStringLiteral("sThousand"), QStringLiteral(".")},
                                           {QStringLiteral("iDigits"), QStringLiteral(" 3")},
                                           {QStringLiteral("iCurrDigits"), QStringLiteral("0 ; x")},
                                           {QStringLiteral("iCountry"), QStringLiteral("49")}}),
              german);
    EXPECT_EQ(
        RegionalValues::fromProfile({{QStringLiteral("iDigits"), QStringLiteral("two")}}).iDigits,
        0);
}

TEST(RegionalValues, FromLocaleKeepsSeparatorsTheCodePageCanHold) {
    EXPECT_EQ(RegionalValues::fromLocale(QLocale::c()), kUs);
    RegionalValues german = kGerman;
    german.iCountry = 49;
    EXPECT_EQ(RegionalValues::fromLocale(QLocale(QLocale::German, QLocale::Germany)), german);
    EXPECT_EQ(
        RegionalValues::fromLocale(QLocale(QLocale::English, QLocale::UnitedKingdom)).iCountry, 44);
    // Qt gives French a narrow no-break space, which Windows 1252 lacks.
    const RegionalValues french =
        RegionalValues::fromLocale(QLocale(QLocale::French, QLocale::France));
    EXPECT_EQ(french.sDecimal, QChar(u','));
    EXPECT_EQ(french.sThousand, QChar(u'\u00A0'));
    const RegionalValues arabic =
        RegionalValues::fromLocale(QLocale(QLocale::Arabic, QLocale::Egypt));
    EXPECT_EQ(arabic.sDecimal, QChar(u'.'));
    EXPECT_EQ(arabic.sThousand, QChar(u','));
}

TEST(RegionalValues, ProcessWideValuesFeedTheFormatters) {
    const RegionalValues saved = CurrentRegional();
    SetCurrentRegional(Values(u',', u'.', 1, 0));
    EXPECT_EQ(FormatMoney(1, 1234, kFormatWindows), QStringLiteral("1.234"));
    EXPECT_EQ(FormatNumber(1, 1, 1234.25, kFormatWindows), QStringLiteral("1.234,3"));
    EXPECT_EQ(ReadTypedAmount(u"1.234,5", kFormatWindows), 1234.5);
    ReadRegionalValues();
    EXPECT_EQ(CurrentRegional(), RegionalValues::fromLocale(QLocale::system()));
    SetCurrentRegional(saved);
}

struct AmountCase {
    int format;
    RegionalValues regional;
    int width;
    int decimals; // -1: money
    double value;
    const char *expected;
};

void PrintTo(const AmountCase &c, std::ostream *os) {
    *os << "format " << c.format << " decimals " << c.decimals << " value " << c.value
        << " expected " << c.expected;
}

class Amounts : public testing::TestWithParam<AmountCase> {};

TEST_P(Amounts, Format) {
    const AmountCase &c = GetParam();
    const QString text = c.decimals < 0
                             ? FormatMoney(c.width, c.value, c.format, c.regional)
                             : FormatNumber(c.width, c.decimals, c.value, c.format, c.regional);
    EXPECT_EQ(text, QString::fromLatin1(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Money, Amounts,
    testing::Values(AmountCase{kFormatUS, kUs, 1, -1, -1000, "-1,000.00"},
                    // The U.S. form ignores the regional values; unknown choices are U.S.
                    AmountCase{kFormatUS, kGerman, 1, -1, 1234.5, "1,234.50"},
                    AmountCase{kFormatUS, kNoCurrDigits, 10, -1, 1234, "  1,234.00"},
                    AmountCase{0, kGerman, 1, -1, 1234.5, "1,234.50"},
                    AmountCase{kFormatWindows, kGerman, 1, -1, 1234.5, "1.234,50"},
                    AmountCase{kFormatWindows, kGerman, 14, -1, -1234567.891, " -1.234.567,89"},
                    AmountCase{kFormatWindows, kDotThousandsNoDecimals, 1, -1, -100, "-100"},
                    AmountCase{kFormatWindows, kDotThousandsNoDecimals, 1, -1, -1000, "-1.000"},
                    AmountCase{kFormatWindows, kDotThousandsNoDecimals, 8, -1, -123456, "-123.456"},
                    AmountCase{kFormatWindows, kNoCurrDigits, 1, -1, 1234, "1,234"},
                    AmountCase{kFormatWindows, kNoCurrDigits, 1, -1, 1234.5, "1,235"},
                    AmountCase{kFormatWindows, kBlankSeparators, 1, -1, 1234.5, "1 234 50"},
                    AmountCase{kFormatWindows, kGerman, 1, -1, -0.001, "0,00"}));

INSTANTIATE_TEST_SUITE_P(
    Numbers, Amounts,
    testing::Values(AmountCase{kFormatUS, kUs, 1, 2, 1234567.891, "1,234,567.89"},
                    AmountCase{kFormatUS, kGerman, 1, 0, -123456, "-123,456"},
                    AmountCase{kFormatUS, kUs, 6, 0, 999, "   999"},
                    AmountCase{kFormatWindows, kGerman, 1, 0, -1234, "-1.234"},
                    // The decimals are the caller's, not iDigits.
                    AmountCase{kFormatWindows, kNoCurrDigits, 1, 3, 1234.5, "1,234.500"},
                    AmountCase{kFormatWindows, kGerman, 9, 1, 12.25, "     12,3"}));

struct TypedCase {
    int format;
    RegionalValues regional;
    const char16_t *text;
    std::optional<double> amount;
    std::optional<long long> whole;
};

void PrintTo(const TypedCase &c, std::ostream *os) {
    *os << "format " << c.format << " text " << QString::fromUtf16(c.text).toStdString();
}

class TypedNumbers : public testing::TestWithParam<TypedCase> {};

TEST_P(TypedNumbers, Read) {
    const TypedCase &c = GetParam();
    EXPECT_EQ(ReadTypedAmount(c.text, c.format, c.regional), c.amount);
    EXPECT_EQ(ReadTypedWholeNumber(c.text, c.format, c.regional), c.whole);
}

constexpr std::nullopt_t kBad = std::nullopt;

INSTANTIATE_TEST_SUITE_P(
    Cases, TypedNumbers,
    testing::Values(
        TypedCase{kFormatUS, kGerman, u" 1,250.50 ", 1250.5, kBad},
        TypedCase{kFormatWindows, kGerman, u"1.250,50", 1250.5, kBad},
        TypedCase{kFormatWindows, kGerman, u"-12,5", -12.5, kBad},
        TypedCase{kFormatUS, kUs, u"", 0.0, 0}, TypedCase{kFormatUS, kUs, u"   ", 0.0, 0},
        TypedCase{kFormatUS, kUs, u"-12", -12.0, -12},
        TypedCase{kFormatUS, kUs, u"+1,000", 1000.0, 1000},
        TypedCase{kFormatUS, kUs, u".5", 0.5, kBad},
        TypedCase{kFormatUS, kUs, u"2.5E3", 2500.0, kBad},
        TypedCase{kFormatUS, kUs, u"1e-2", 0.01, kBad},
        TypedCase{kFormatUS, kUs, u"$5", kBad, kBad}, TypedCase{kFormatUS, kUs, u"1e", kBad, kBad},
        TypedCase{kFormatUS, kUs, u".", kBad, kBad}, TypedCase{kFormatUS, kUs, u"-", kBad, kBad},
        TypedCase{kFormatUS, kUs, u"1 2", kBad, kBad},
        TypedCase{kFormatUS, kUs, u"nan", kBad, kBad},
        TypedCase{kFormatUS, kUs, u"1e999", kBad, kBad},
        TypedCase{kFormatUS, kUs, u"99999999999999999999", 1e20, kBad},
        TypedCase{kFormatWindows, kBlankSeparators, u"1234 5", 1234.5, kBad},
        TypedCase{kFormatWindows, kDotThousandsNoDecimals, u"1.5", 1.5, kBad}));

} // namespace
