#include "settings/typed_number.h"

#include <gtest/gtest.h>

namespace {

RegionalValues CommaDecimal() {
    RegionalValues v;
    v.sDecimal = QChar(u',');
    v.sThousand = QChar(u'.');
    return v;
}

TEST(TypedNumber, TwelveHundredFiftyPointFiveInBothNotations) {
    const RegionalValues us;
    const RegionalValues comma = CommaDecimal();
    EXPECT_EQ(ReadTypedAmount(u"1,250.50", kFormatUS, comma), 1250.5);
    EXPECT_EQ(ReadTypedAmount(u"1.250,50", kFormatWindows, comma), 1250.5);
    // Each notation reads the other's text by its own rule: thousands separators go, the
    // decimal character is the point.
    EXPECT_EQ(ReadTypedAmount(u"1,250.50", kFormatWindows, comma), 1.2505);
    EXPECT_EQ(ReadTypedAmount(u"1.250,50", kFormatUS, us), 1.2505);
    EXPECT_EQ(ReadTypedAmount(u"1.250.50", kFormatUS, us), std::nullopt);
    EXPECT_EQ(NormaliseTypedNumber(u" 1.250,5,0 ", kFormatWindows, comma),
              QStringLiteral("1250.5,0"));
}

TEST(TypedNumber, AQuantityWithAFractionIsNoWholeNumber) {
    EXPECT_EQ(ReadTypedWholeNumber(u"2.6", kFormatUS), std::nullopt);
    EXPECT_EQ(ReadTypedWholeNumber(u"1,000", kFormatUS), 1000);
    EXPECT_EQ(ReadTypedWholeNumber(u"99999999999999999999", kFormatUS), std::nullopt);
    EXPECT_EQ(ReadTypedAmount(u"2.6", kFormatUS), 2.6);
}

TEST(TypedNumber, PrefixReadersStopAtTheFirstCharacterThatIsNoPartOfANumber) {
    const RegionalValues comma = CommaDecimal();
    EXPECT_EQ(ReadTypedAmountPrefix(u"12abc", kFormatUS), 12.0);
    EXPECT_EQ(ReadTypedAmountPrefix(u"  -3.25 x", kFormatUS), -3.25);
    EXPECT_EQ(ReadTypedAmountPrefix(u"abc", kFormatUS), 0.0);
    EXPECT_EQ(ReadTypedAmountPrefix(u"", kFormatUS), 0.0);
    EXPECT_EQ(ReadTypedAmountPrefix(u"2e", kFormatUS), 2.0) << "an exponent without digits ends it";
    EXPECT_EQ(ReadTypedAmountPrefix(u"2e3", kFormatUS), 2000.0);
    EXPECT_EQ(ReadTypedAmountPrefix(u"1.234,5 EUR", kFormatWindows, comma), 1234.5);
    EXPECT_EQ(ReadTypedAmountPrefix(u"1e999", kFormatUS), 0.0);
    EXPECT_EQ(ReadTypedWholeNumberPrefix(u"2.6", kFormatUS), 2);
    EXPECT_EQ(ReadTypedWholeNumberPrefix(u"-7 pieces", kFormatUS), -7);
    EXPECT_EQ(ReadTypedWholeNumberPrefix(u"+", kFormatUS), 0);
}

} // namespace
