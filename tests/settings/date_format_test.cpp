#include "settings/date_format.h"

#include <gtest/gtest.h>

namespace {

class DateFormatTest : public testing::Test {
protected:
    void SetUp() override { ResetDateFormat(); }
    void TearDown() override { ResetDateFormat(); }
};

struct FormatRow {
    int number;
    const char *withZeros;
    const char *withoutZeros;
    const char *fifthJuly1996Zeros;
    const char *fifthJuly1996Plain;
};

void PrintTo(const FormatRow &row, std::ostream *os) {
    *os << "format " << row.number;
}

class DateFormats : public DateFormatTest, public testing::WithParamInterface<FormatRow> {};

TEST_P(DateFormats, PatternTextAndRoundTrip) {
    const FormatRow &row = GetParam();
    const QDate july5(1996, 7, 5);
    const QDate dec31(2019, 12, 31);

    EXPECT_EQ(DatePattern(row.number, true), QString::fromLatin1(row.withZeros));
    EXPECT_EQ(DatePattern(row.number, false), QString::fromLatin1(row.withoutZeros));

    for (bool zeros : {true, false}) {
        SCOPED_TRACE(zeros);
        ASSERT_TRUE(ApplyDateFormat(row.number, zeros));
        EXPECT_EQ(CurrentDateFormat(), row.number);
        EXPECT_EQ(CurrentDatePattern(), DatePattern(row.number, zeros));
        const QString shown = DateToText(july5);
        EXPECT_EQ(shown,
                  QString::fromLatin1(zeros ? row.fifthJuly1996Zeros : row.fifthJuly1996Plain));
        EXPECT_EQ(TextToDate(shown, 2026).date, july5);
        EXPECT_EQ(TextToDate(DateToText(dec31), 2026).date, dec31);
    }
}

INSTANTIATE_TEST_SUITE_P(
    AllTwelve, DateFormats,
    testing::Values(FormatRow{1, "mm/dd/yy", "m/d/yy", "07/05/96", "7/5/96"},
                    FormatRow{2, "mm-dd-yy", "m-d-yy", "07-05-96", "7-5-96"},
                    FormatRow{3, "mm.dd.yy", "m.d.yy", "07.05.96", "7.5.96"},
                    FormatRow{4, "dd/mm/yy", "d/m/yy", "05/07/96", "5/7/96"},
                    FormatRow{5, "dd-mm-yy", "d-m-yy", "05-07-96", "5-7-96"},
                    FormatRow{6, "dd.mm.yy", "d.m.yy", "05.07.96", "5.7.96"},
                    FormatRow{7, "mm/dd/yyyy", "m/d/yyyy", "07/05/1996", "7/5/1996"},
                    FormatRow{8, "mm-dd-yyyy", "m-d-yyyy", "07-05-1996", "7-5-1996"},
                    FormatRow{9, "mm.dd.yyyy", "m.d.yyyy", "07.05.1996", "7.5.1996"},
                    FormatRow{10, "dd/mm/yyyy", "d/m/yyyy", "05/07/1996", "5/7/1996"},
                    FormatRow{11, "dd-mm-yyyy", "d-m-yyyy", "05-07-1996", "5-7-1996"},
                    FormatRow{12, "dd.mm.yyyy", "d.m.yyyy", "05.07.1996", "5.7.1996"}));

TEST_F(DateFormatTest, DefaultIsUsShortDateWithoutZeros) {
    EXPECT_EQ(CurrentDateFormat(), 0);
    EXPECT_EQ(DateToText(QDate(1996, 7, 5)), QStringLiteral("7/5/96"));
    EXPECT_EQ(DateToText(QDate(2005, 1, 9)), QStringLiteral("1/9/05"));
    EXPECT_EQ(DateToText(QDate()), QString());
}

TEST_F(DateFormatTest, FormatOutsideRangeLeavesCurrentInForce) {
    ASSERT_TRUE(ApplyDateFormat(12, true));
    for (int bad : {0, 13, -1, 100}) {
        EXPECT_FALSE(ApplyDateFormat(bad, false));
        EXPECT_EQ(DatePattern(bad, true), QString());
        EXPECT_TRUE(DateSeparator(bad).isNull());
    }
    EXPECT_EQ(CurrentDateFormat(), 12);
    EXPECT_TRUE(CurrentDateLeadingZeros());
    EXPECT_EQ(CurrentDateSeparator(), QChar(u'.'));
    EXPECT_EQ(DateToText(QDate(1996, 7, 5)), QStringLiteral("05.07.1996"));
}

TEST_F(DateFormatTest, ReadsWithOrWithoutLeadingZerosAndSpaces) {
    ASSERT_TRUE(ApplyDateFormat(12, true));
    for (const char *text : {"05.07.1996", "5.7.1996", "05.7.1996", " 5. 7.1996 ", "5.7.96"})
        EXPECT_EQ(TextToDate(QString::fromLatin1(text), 2026).date, QDate(1996, 7, 5)) << text;
    EXPECT_EQ(TextToDate(u"29.2.2000", 2026).date, QDate(2000, 2, 29));
    ASSERT_TRUE(ApplyDateFormat(1, false));
    EXPECT_EQ(TextToDate(u"07/05/1996", 2026).date, QDate(1996, 7, 5));
}

struct BadDate {
    int format;
    const char *text;
};

void PrintTo(const BadDate &c, std::ostream *os) {
    *os << "format " << c.format << " " << c.text;
}

class ImpossibleDates : public DateFormatTest, public testing::WithParamInterface<BadDate> {};

TEST_P(ImpossibleDates, AreRefused) {
    ASSERT_TRUE(ApplyDateFormat(GetParam().format, false));
    const ParsedDate parsed = TextToDate(QString::fromUtf8(GetParam().text), 2026);
    EXPECT_TRUE(parsed.isInvalid()) << GetParam().text;
    EXPECT_FALSE(parsed.date.isValid());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ImpossibleDates,
    testing::Values(BadDate{1, "2/31/96"}, BadDate{1, "2/30/97"}, BadDate{7, "2/29/1900"},
                    BadDate{1, "13/1/96"}, BadDate{1, "0/1/96"}, BadDate{1, "1/0/96"},
                    BadDate{4, "31/2/96"}, BadDate{4, "1/13/96"}, BadDate{6, "31.04.2001"},
                    BadDate{10, "29/02/2023"}, BadDate{12, "32.01.2000"}, BadDate{12, "1.1.0000"},
                    BadDate{1, "abc"}, BadDate{1, "7/5"}, BadDate{1, "7/5/96/1"},
                    BadDate{1, "7/5/96x"}, BadDate{1, "7/5/ 9 6"}, BadDate{1, "7-5-96"},
                    BadDate{1, "7//96"}, BadDate{1, "+7/5/96"}, BadDate{1, "007/5/96"},
                    BadDate{1, "7/5/996"}, BadDate{1, "7/5/19960"}, BadDate{12, "5.7.1996."},
                    BadDate{1, "٧/5/96"}));

TEST_F(DateFormatTest, BlankTextIsNoDateNotAnError) {
    ASSERT_TRUE(ApplyDateFormat(1, true));
    for (const char *text : {"", "   ", "  /  /  "}) {
        const ParsedDate parsed = TextToDate(QString::fromLatin1(text));
        EXPECT_TRUE(parsed.isNoDate()) << text;
        EXPECT_FALSE(parsed.isInvalid());
    }
    // Another format's separators are not blank in this one.
    EXPECT_TRUE(TextToDate(u"  .  .  ").isInvalid());
}

TEST(TwoDigitYears, SlideWithTheCurrentYear) {
    EXPECT_EQ(ExpandTwoDigitYear(96, 2026), 1996);
    EXPECT_EQ(ExpandTwoDigitYear(76, 2026), 1976);
    EXPECT_EQ(ExpandTwoDigitYear(75, 2026), 2075);
    EXPECT_EQ(ExpandTwoDigitYear(50, 2000), 1950);
    EXPECT_EQ(ExpandTwoDigitYear(49, 2000), 2049);
    for (int current = 1990; current <= 2110; ++current) {
        for (int yy = 0; yy < 100; ++yy) {
            const int year = ExpandTwoDigitYear(yy, current);
            ASSERT_EQ(year % 100, yy);
            ASSERT_GE(year, current - 50);
            ASSERT_LE(year, current + 49);
        }
    }
}

TEST_F(DateFormatTest, TwoDigitYearsInTextUseTheWindowAndFourDigitsAreKept) {
    ASSERT_TRUE(ApplyDateFormat(7, false));
    EXPECT_EQ(TextToDate(u"1/1/75", 2026).date, QDate(2075, 1, 1));
    EXPECT_EQ(TextToDate(u"1/1/76", 2026).date, QDate(1976, 1, 1));
    EXPECT_EQ(TextToDate(u"1/1/5", 2026).date, QDate(2005, 1, 1));
    EXPECT_EQ(TextToDate(u"1/1/1875", 2026).date, QDate(1875, 1, 1));
    EXPECT_EQ(TextToDate(u"1/1/0096", 2026).date, QDate(96, 1, 1));
    const int thisYear = QDate::currentDate().year();
    EXPECT_EQ(TextToDate(QStringLiteral("1/1/%1").arg(thisYear % 100, 2, 10, QChar(u'0'))).date,
              QDate(thisYear, 1, 1));
}

TEST(DbfDates, StorageForm) {
    EXPECT_EQ(DateToDbfText(QDate(1996, 7, 5)), QStringLiteral("19960705"));
    EXPECT_EQ(DateToDbfText(QDate(33, 12, 1)), QStringLiteral("00331201"));
    EXPECT_EQ(DateToDbfText(QDate()), QStringLiteral("        "));
    EXPECT_EQ(DateToDbfText(QDate(10000, 1, 1)), QStringLiteral("        "));
    EXPECT_EQ(DbfTextToDate(u"19960705").date, QDate(1996, 7, 5));
    EXPECT_EQ(DbfTextToDate(QByteArrayView("20000229")).date, QDate(2000, 2, 29));
    for (const char *blank : {"", "        ", "00000000"})
        EXPECT_TRUE(DbfTextToDate(QByteArrayView(blank)).isNoDate()) << blank;
    for (const char *bad : {"19970229", "19961301", "19960700", "1996075", "199607050", "1996-7-5",
                            "00000101", " 9960705", "abcdefgh"})
        EXPECT_TRUE(DbfTextToDate(QByteArrayView(bad)).isInvalid()) << bad;
}

} // namespace
