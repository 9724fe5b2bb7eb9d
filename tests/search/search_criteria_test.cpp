#include "search/level_options.h"
#include "search/search_criteria.h"
#include "settings/date_format.h"

#include <gtest/gtest.h>

namespace {

using namespace search;

constexpr int kBrand = field::Brand + 1;
constexpr int kCost = field::Cost + 1;
constexpr int kQuantity = field::Quantity + 1;
constexpr int kPurchDate = field::PurchDate + 1;
constexpr int kWarDate = field::WarDate + 1;

class SearchCriteriaTest : public testing::Test {
protected:
    void SetUp() override {
        ResetDateFormat();
        ASSERT_TRUE(ApplyDateFormat(7, true)); // mm/dd/yyyy
    }
    void TearDown() override { ResetDateFormat(); }

    std::array<QString, kRows> cells(std::initializer_list<std::pair<int, QString>> rows) {
        std::array<QString, kRows> c;
        for (const auto &[row, text] : rows)
            c[static_cast<std::size_t>(row - 1)] = text;
        return c;
    }

    SearchCriteria m_criteria;
};

TEST_F(SearchCriteriaTest, CharacterRowsBecomeUpperCaseContainsItemsEndingTheLevel) {
    const LevelOutcome r = m_criteria.saveFields(
        cells({{kBrand, QStringLiteral("  sOn ")}, {1, QStringLiteral("tv")}}));
    ASSERT_TRUE(r.ok());
    ASSERT_EQ(m_criteria.itemCount(), 2);
    const SearchItem &item = m_criteria.items()[0];
    EXPECT_EQ(item.fieldNumber, 1) << "rows are taken in catalogue order";
    EXPECT_EQ(m_criteria.items()[1].text, QStringLiteral("SON"));
    EXPECT_EQ(m_criteria.items()[1].comparison, Contains);
    EXPECT_FALSE(m_criteria.items()[0].endOfLevel);
    EXPECT_TRUE(m_criteria.items()[1].endOfLevel);
}

TEST_F(SearchCriteriaTest, NumberRowsReadAFullStopNumberAfterTheirSign) {
    m_criteria.setComparison(kQuantity, Greater);
    ASSERT_TRUE(m_criteria
                    .saveFields(cells({{kCost, QStringLiteral("= 12.5    ")},
                                       {kQuantity, QStringLiteral(">  3")}}))
                    .ok());
    ASSERT_EQ(m_criteria.itemCount(), 2);
    EXPECT_EQ(m_criteria.items()[0].fieldNumber, kQuantity);
    EXPECT_EQ(m_criteria.items()[0].comparison, Greater);
    EXPECT_EQ(m_criteria.items()[0].number, 3.0);
    EXPECT_EQ(m_criteria.items()[1].number, 12.5);
    EXPECT_EQ(m_criteria.items()[1].text, QStringLiteral("12.5"));
    EXPECT_FALSE(m_criteria.items()[1].isDate);

    // A comma is not a decimal sign here, whatever the regional settings say.
    const LevelOutcome comma = m_criteria.saveFields(cells({{kCost, QStringLiteral("= 12,50")}}));
    EXPECT_EQ(comma.kind, LevelOutcome::Invalid);
    EXPECT_EQ(comma.row, kCost);
    EXPECT_EQ(comma.message(), QStringLiteral("Invalid search criteria entered.  Please correct."));
    EXPECT_EQ(m_criteria.itemCount(), 2) << "the failed level gives its items back";
}

TEST_F(SearchCriteriaTest, ARangeGivesTwoStrictItemsAndAHalfRangeIsRefused) {
    m_criteria.setComparison(kCost, Range);
    ASSERT_TRUE(
        m_criteria.saveFields(cells({{kCost, QStringLiteral("> 100       AND < 500     ")}})).ok());
    ASSERT_EQ(m_criteria.itemCount(), 2);
    EXPECT_EQ(m_criteria.items()[0].comparison, Greater);
    EXPECT_EQ(m_criteria.items()[0].number, 100.0);
    EXPECT_EQ(m_criteria.items()[1].comparison, Less);
    EXPECT_EQ(m_criteria.items()[1].number, 500.0);
    EXPECT_TRUE(m_criteria.items()[1].endOfLevel);

    m_criteria.clear();
    EXPECT_EQ(m_criteria.saveFields(cells({{kCost, QStringLiteral(">           AND <  ")}})).kind,
              LevelOutcome::NoCriteria)
        << "both bounds empty: no criterion";
    EXPECT_EQ(m_criteria.saveFields(cells({{kCost, QStringLiteral("> 100  AND <   ")}})).kind,
              LevelOutcome::Invalid);
    EXPECT_EQ(m_criteria.saveFields(cells({{kCost, QStringLiteral(">   AND < 5")}})).kind,
              LevelOutcome::Invalid);
}

TEST_F(SearchCriteriaTest, DateRowsReadTheShortDateFormatAndAnEmptyMaskIsNoCriterion) {
    ASSERT_EQ(m_criteria.saveFields(cells({{kPurchDate, QStringLiteral("=   /  /    ")}})).kind,
              LevelOutcome::NoCriteria);
    EXPECT_EQ(m_criteria.saveFields(cells({})).message(),
              QStringLiteral("No search criteria entered."));

    m_criteria.setComparison(kWarDate, Less);
    ASSERT_TRUE(m_criteria
                    .saveFields(cells({{kPurchDate, QStringLiteral("= 12/31/1995")},
                                       {kWarDate, QStringLiteral("< 01/02/1900")}}))
                    .ok());
    ASSERT_EQ(m_criteria.itemCount(), 2);
    EXPECT_TRUE(m_criteria.items()[0].isDate);
    EXPECT_EQ(m_criteria.items()[0].date, DayNumber(QDate(1995, 12, 31)));
    EXPECT_EQ(m_criteria.items()[0].text, QStringLiteral("35064"));
    EXPECT_EQ(m_criteria.items()[1].date, 3.0) << "day 0 is 30 December 1899";

    m_criteria.setComparison(kPurchDate, Range);
    EXPECT_EQ(
        m_criteria
            .saveFields(cells({{kPurchDate, QStringLiteral("> 01/01/1990 AND <   /  /    ")}}))
            .kind,
        LevelOutcome::Invalid)
        << "a date range with one date filled in";
    EXPECT_EQ(
        m_criteria.saveFields(cells({{kPurchDate, QStringLiteral("> 02/30/1990 AND < ")}})).kind,
        LevelOutcome::Invalid);
    EXPECT_EQ(
        m_criteria
            .saveFields(cells({{kPurchDate, QStringLiteral(">   /  /     AND <   /  /    ")}}))
            .kind,
        LevelOutcome::NoCriteria);
    // Other separators than the one in force, left at their mask, are empty as well.
    EXPECT_TRUE(IsEmptyDateText(u".  ."));
    EXPECT_TRUE(IsEmptyDateText(u"-  -"));
    EXPECT_FALSE(IsEmptyDateText(u"1/  /"));
}

TEST_F(SearchCriteriaTest, The76thItemClearsEveryLevel) {
    // A level can give 28 items: 16 character rows, four number and two date ranges.
    std::array<QString, kRows> full;
    for (int row = 1; row <= kRows; ++row) {
        const RowKind kind = KindOf(row);
        if (kind == RowKind::Character)
            full[static_cast<std::size_t>(row - 1)] = QStringLiteral("x");
        else {
            m_criteria.setComparison(row, Range);
            full[static_cast<std::size_t>(row - 1)] =
                kind == RowKind::Number ? QStringLiteral("> 1 AND < 2")
                                        : QStringLiteral("> 01/01/1990 AND < 01/01/1991");
        }
    }
    ASSERT_TRUE(m_criteria.saveFields(full).ok());
    m_criteria.nextLevel();
    ASSERT_TRUE(m_criteria.saveFields(full).ok());
    m_criteria.nextLevel();
    ASSERT_EQ(m_criteria.itemCount(), 56);
    ASSERT_EQ(m_criteria.level(), 3);

    std::array<QString, kRows> twenty;
    for (int row = 1; row <= kRows && row <= 20; ++row)
        twenty[static_cast<std::size_t>(row - 1)] = full[static_cast<std::size_t>(row - 1)];
    // Rows 1 to 20 would give 26 more items; the 76th is refused.
    const LevelOutcome r = m_criteria.saveFields(twenty);
    EXPECT_EQ(r.kind, LevelOutcome::TooMany);
    EXPECT_EQ(r.message(), QStringLiteral("More than 75 search items have been entered.  This "
                                          "exceeds the maximum allowable.  Search criteria will "
                                          "be cleared."));
    EXPECT_EQ(m_criteria.itemCount(), 0);
    EXPECT_EQ(m_criteria.level(), 1);
    EXPECT_EQ(m_criteria.comparison(kCost), Range) << "row comparisons are kept for the run";
}

TEST_F(SearchCriteriaTest, LevelsStopAtTen) {
    for (int i = 1; i < kMaxLevels; ++i) {
        ASSERT_TRUE(m_criteria.canFindMore());
        m_criteria.nextLevel();
    }
    EXPECT_EQ(m_criteria.level(), kMaxLevels);
    EXPECT_FALSE(m_criteria.canFindMore());
    m_criteria.nextLevel();
    EXPECT_EQ(m_criteria.level(), kMaxLevels);
}

TEST(SearchMasks, CellMasksFollowTheRowKindAndComparison) {
    EXPECT_EQ(CriterionMask(kBrand, Equal), QString(20, u'c'));
    EXPECT_EQ(CriterionMask(field::Descriptio + 1, Range), QString(110, u'c'));
    EXPECT_EQ(CriterionMask(kCost, Equal), QStringLiteral("= ccccccccc;1"));
    EXPECT_EQ(CriterionMask(kCost, Greater), QStringLiteral("\\> ccccccccc;1"));
    EXPECT_EQ(CriterionMask(kQuantity, Less), QStringLiteral("\\< ccccccccc;1"));
    const QString range = CriterionMask(kCost, Range);
    EXPECT_EQ(range, QStringLiteral("\\> ccccccccc \\A\\ND \\< cccccccc"));
    EXPECT_EQ(range.size(), 30) << "nine free characters before AND, eight after";
    EXPECT_EQ(CriterionMask(kPurchDate, Equal), QStringLiteral("= 99/99/0000;1"));
    EXPECT_EQ(CriterionMask(kWarDate, Range),
              QStringLiteral("\\> 99/99/0000 \\A\\ND \\< 99/99/0000;1"));

    for (int row = 1; row <= kRows; ++row) {
        const bool button = row == kBrand || row == field::Location + 1 ||
                            row == field::BoughtFrom + 1 || row == field::Category + 1 ||
                            row == field::Owner + 1 || row == field::Warranty + 1 || row == kCost ||
                            row == kQuantity || row == field::RepCost + 1 ||
                            row == field::Value + 1 || row == kPurchDate || row == kWarDate;
        EXPECT_EQ(HasOptionsButton(row), button) << row;
    }
}

TEST(SearchNumbers, OnlyPlainDecimalTextReads) {
    EXPECT_EQ(ReadDecimal(u"12"), 12.0);
    EXPECT_EQ(ReadDecimal(u"-3.25"), -3.25);
    EXPECT_EQ(ReadDecimal(u"+.5"), 0.5);
    EXPECT_EQ(ReadDecimal(u"7."), 7.0);
    EXPECT_EQ(ReadDecimal(u"1e3"), 1000.0);
    for (const char16_t *bad : {u"", u"-", u".", u"1,5", u"1 000", u"12a", u"1.2.3", u"e5", u"1e",
                                u"1,000.00", u"\u0661"})
        EXPECT_FALSE(ReadDecimal(bad).has_value()) << QString::fromUtf16(bad).toStdString();
}

TEST(SearchLevelOptions, LevelsComeOutOfTheArgumentsAndPickComparisonsBySign) {
    QStringList args{QStringLiteral("search"),
                     QStringLiteral("F.DBF"),
                     QStringLiteral("--level"),
                     QStringLiteral("brand:son"),
                     QStringLiteral("Cost:> 100 AND < 500"),
                     QStringLiteral("--recno"),
                     QStringLiteral("--level"),
                     QStringLiteral("PURCHDATE:< 12/31/1995")};
    const LevelOptions o = TakeLevelOptions(args);
    ASSERT_TRUE(o.error.isEmpty()) << o.error.toStdString();
    EXPECT_EQ(args, (QStringList{QStringLiteral("search"), QStringLiteral("F.DBF"),
                                 QStringLiteral("--recno")}));
    ASSERT_EQ(o.levels.size(), 2u);
    ASSERT_EQ(o.levels[0].size(), 2u);
    EXPECT_EQ(o.levels[0][0].fieldNumber, kBrand);
    EXPECT_EQ(o.levels[0][1].text, QStringLiteral("> 100 AND < 500"));
    EXPECT_EQ(o.levels[1][0].fieldNumber, kPurchDate);
    EXPECT_EQ(ComparisonOfText(QStringLiteral("> 100 AND < 500")), Range);
    EXPECT_EQ(ComparisonOfText(QStringLiteral(" > 100")), Greater);
    EXPECT_EQ(ComparisonOfText(QStringLiteral("< 1")), Less);
    EXPECT_EQ(ComparisonOfText(QStringLiteral("12")), Equal);

    for (QStringList bad : {QStringList{QStringLiteral("--level")},
                            QStringList{QStringLiteral("--level"), QStringLiteral("Nope:1")},
                            QStringList{QStringLiteral("--level"), QStringLiteral("Brand")},
                            QStringList{QStringLiteral("--level"), QStringLiteral("Brand:a"),
                                        QStringLiteral("brand:b")}})
        EXPECT_FALSE(TakeLevelOptions(bad).error.isEmpty()) << bad.join(u' ').toStdString();
}

TEST(SearchLevelOptions, BuildSearchRefusesAsTheWindowDoes) {
    ResetDateFormat();
    const BuiltSearch bad = BuildSearch({{{kCost, QStringLiteral("> 1,5")}}});
    EXPECT_FALSE(bad.test.has_value());
    EXPECT_EQ(bad.failure.kind, LevelOutcome::Invalid);
    const BuiltSearch empty = BuildSearch({{{kCost, QStringLiteral("=")}}});
    EXPECT_EQ(empty.failure.kind, LevelOutcome::NoCriteria);
    const BuiltSearch good =
        BuildSearch({{{kBrand, QStringLiteral("a")}}, {{kCost, QStringLiteral("> 1 AND < 9")}}});
    ASSERT_TRUE(good.test.has_value());
    ASSERT_EQ(good.test->items().size(), 3u);
    EXPECT_TRUE(good.test->items()[0].endOfLevel);
    EXPECT_EQ(good.test->items()[2].comparison, Less);
}

} // namespace
