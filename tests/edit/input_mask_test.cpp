#include "edit/input_mask.h"

#include <gtest/gtest.h>

namespace {

const QChar kSlash(u'/');

TEST(InputMask, DateMaskTranslatesToQtWithTheSeparatorInForce) {
    const InputMask slash = InputMask::parse(kDateEditMask, kSlash);
    EXPECT_EQ(slash.length(), 10);
    EXPECT_TRUE(slash.saveLiterals());
    EXPECT_TRUE(slash.leadingBlanks());
    EXPECT_EQ(slash.blank(), QChar(u'_'));
    // Qt writes an optional digit as 0, the program's notation as 9.
    EXPECT_EQ(slash.toQtInputMask(), QStringLiteral("00/00/0000;_"));
    EXPECT_EQ(InputMask::parse(kDateEditMask, QChar(u'.')).toQtInputMask(),
              QStringLiteral("00.00.0000;_"));
    EXPECT_EQ(InputMask::parse(kDateEditMask, QChar(u'-')).blankText(),
              QStringLiteral("  -  -    "));
}

TEST(InputMask, AnEmptyDateReadsAsTheTwoSeparatorsAndBlanks) {
    const InputMask mask = InputMask::parse(kDateEditMask, kSlash);
    EXPECT_EQ(mask.blankText(), QStringLiteral("  /  /    "));
    EXPECT_EQ(mask.blankText().trimmed(), QStringLiteral("/  /"));
    EXPECT_EQ(mask.textFromDisplay(u"__/__/____"), mask.blankText());
    EXPECT_TRUE(mask.isBlank(mask.blankText()));
    EXPECT_TRUE(mask.isBlank(u""));
    EXPECT_FALSE(mask.isBlank(u" 7/  /    "));
    EXPECT_FALSE(mask.isBlank(u"ab/  /    "));
}

TEST(InputMask, DatesArePlacedGroupByGroupWithLeadingBlanks) {
    const InputMask mask = InputMask::parse(kDateEditMask, kSlash);
    EXPECT_EQ(mask.displayFromText(u"7/5/1996"), QStringLiteral("_7/_5/1996"));
    EXPECT_EQ(mask.textFromDisplay(mask.displayFromText(u"7/5/1996")),
              QStringLiteral(" 7/ 5/1996"));
    EXPECT_EQ(mask.displayFromText(u"12/31/2001"), QStringLiteral("12/31/2001"));
    EXPECT_EQ(mask.displayFromText(u"7/5/96"), QStringLiteral("_7/_5/__96"));
    EXPECT_EQ(mask.displayFromText(u""), QStringLiteral("__/__/____"));
    // The full form is taken position by position, blanks included.
    EXPECT_EQ(mask.displayFromText(u"1 /2 /1999"), QStringLiteral("1_/2_/1999"));
    // What a position cannot take is not shown; an overlong group is cut.
    EXPECT_EQ(mask.displayFromText(u"x7/123/1996"), QStringLiteral("_7/12/1996"));
    EXPECT_TRUE(mask.isComplete(u"  /  /    ")) << "no position of the date mask is required";
}

TEST(InputMask, SearchCriterionMasksKeepTheirLiterals) {
    const InputMask equal = InputMask::parse(u"= ccccccccc;1", kSlash);
    EXPECT_EQ(equal.toQtInputMask(), QStringLiteral("= xxxxxxxxx;_"));
    EXPECT_EQ(equal.blankText(), QStringLiteral("=          "));
    EXPECT_EQ(equal.textFromDisplay(u"= 12.5_____"), QStringLiteral("= 12.5     "));

    const InputMask greater = InputMask::parse(u"\\> ccccccccc;1", kSlash);
    EXPECT_EQ(greater.toQtInputMask(), QStringLiteral("\\> xxxxxxxxx;_"));
    EXPECT_EQ(greater.textFromDisplay(u"> 100______"), QStringLiteral("> 100      "));

    const InputMask range = InputMask::parse(u"\\> ccccccccc \\A\\ND \\< cccccccc", kSlash);
    EXPECT_EQ(QStringView(u"\\> ccccccccc \\A\\ND \\< cccccccc").size(), 30);
    EXPECT_EQ(range.length(), 26) << "nine free places before AND, eight after";
    EXPECT_TRUE(range.saveLiterals()) << "literals are kept when the mask says nothing";
    EXPECT_EQ(range.toQtInputMask(), QStringLiteral("\\> xxxxxxxxx \\A\\N\\D \\< xxxxxxxx;_"));
    EXPECT_EQ(range.blankText(), QStringLiteral(">           AND <         "));
    EXPECT_EQ(range.displayFromText(u"> 100 AND < 500"),
              QStringLiteral("> 100______ AND < 500_____"));
    EXPECT_TRUE(range.isBlank(range.blankText()));

    const InputMask dateRange =
        InputMask::parse(u"\\> 99/99/0000 \\A\\ND \\< 99/99/0000;1", QChar(u'.'));
    EXPECT_EQ(dateRange.toQtInputMask(),
              QStringLiteral("\\> 00.00.9999 \\A\\N\\D \\< 00.00.9999;_"));
    EXPECT_FALSE(dateRange.isComplete(dateRange.blankText())) << "0 is a digit that must be typed";
    EXPECT_TRUE(dateRange.isComplete(u">  1. 2.1999 AND <  3. 4.2000"));
}

TEST(InputMask, CaseBlankAndSaveFields) {
    const InputMask upper = InputMask::parse(u">LL<>cc;0;*", kSlash);
    EXPECT_FALSE(upper.saveLiterals());
    EXPECT_EQ(upper.blank(), QChar(u'*'));
    EXPECT_EQ(upper.toQtInputMask(), QStringLiteral(">AA!xx;*"));
    EXPECT_EQ(upper.displayFromText(u"abcd"), QStringLiteral("ABcd"));

    const InputMask noLiterals = InputMask::parse(u"00_00;0;_", kSlash);
    EXPECT_EQ(noLiterals.blankText(), QStringLiteral("    "));
    EXPECT_EQ(noLiterals.displayFromText(u"1234"), QStringLiteral("12 34"));
    EXPECT_EQ(noLiterals.textFromDisplay(u"12 34"), QStringLiteral("1234"));
    EXPECT_TRUE(InputMask::parse(u"", kSlash).isEmpty());
    EXPECT_TRUE(InputMask::parse(u"", kSlash).toQtInputMask().isEmpty());
}

} // namespace
