// Report production against the fake engine: what is printed where, page by page, and the
// lines of text files.
#include "reports/report_production.h"

#include "db/inventory_fixture.h"
#include "db/sort_expression.h"
#include "fake_page_engine.h"
#include "settings/date_format.h"
#include "settings/regional.h"
#include "settings/settings.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QTemporaryDir>

#include <map>

namespace {

using reports::FooterPlace;
using reports::Justify;
using reports::OutputMode;
using reports::ReportProduction;
using reports::RunResult;

using Fields = std::map<int, QString>; // catalogue index -> text

ReportDefinition builtIn(const char *name) {
    for (const ReportDefinition &d : urp::BuiltInDefinitions())
        if (d.name == QLatin1String(name))
            return d;
    throw std::logic_error("no such built-in");
}

class ReportProductionTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        ApplyDateFormat(1, false);
        m_path = fixture::newInventory(m_dir);
    }
    void TearDown() override {
        ResetDateFormat();
        SetCurrentRegional(RegionalValues());
    }

    // Fills the inventory and opens it in the order of the sort levels.
    void fill(const std::vector<Fields> &records, std::array<int, 4> levels = {12, 0, 0, 0}) {
        m_settings.sortLevels = levels;
        m_table.open(m_path, MyTable::OpenMode::Exclusive);
        for (const Fields &r : records) {
            m_table.insert();
            for (const auto &[field, text] : r)
                m_table.setText(field, text);
            m_table.post();
        }
        fixture::reopenSorted(m_table, m_path, QString::fromStdString(BuildSortString(levels)));
    }
    void fillCategories(const std::vector<std::pair<QString, int>> &groups,
                        std::array<int, 4> levels = {12, 0, 0, 0}) {
        std::vector<Fields> records;
        for (const auto &[category, count] : groups)
            for (int i = 0; i < count; ++i)
                records.push_back({{field::Item, QStringLiteral("%1 item %2").arg(category).arg(i)},
                                   {field::Category, category},
                                   {field::Quantity, QStringLiteral("1")},
                                   {field::Cost, QStringLiteral("2.50")}});
        fill(records, levels);
    }

    RunResult run(const ReportDefinition &d, OutputMode mode = OutputMode::Preview,
                  QIODevice *text = nullptr) {
        ReportProduction p(m_engine, d, m_table, m_settings, mode);
        p.setToday(QDate(1996, 7, 5));
        p.setTextDevice(text);
        const RunResult result = p.run();
        m_grand = p.grandTotals();
        return result;
    }

    // The texts printed on a page whose first cell is `first` (a heading, a label).
    [[nodiscard]] QStringList printedFirstCells(int page = 0) const {
        QStringList out;
        for (const QString &t : m_engine.printedTexts(page)) {
            const QStringList cells = FakePageEngine::cells(t);
            out << (cells.isEmpty() ? t : cells.first());
        }
        return out;
    }

    QTemporaryDir m_dir;
    QString m_path;
    MyTable m_table;
    Settings m_settings;
    FakePageEngine m_engine;
    reports::ReportTotals m_grand{};
};

// ---------------------------------------------------------------------------------------
// Groups and totals

TEST_F(ReportProductionTest, ZeroBodyLinesPrintOneHeadingPerGroupWithTheTotalsOfTheGroupBefore) {
    fillCategories({{"Art", 2}, {"Books", 1}, {"Tools", 3}});
    ASSERT_EQ(run(builtIn("Statistics/Summary Report")), RunResult::Completed);
    EXPECT_EQ(m_engine.pagesStarted, 1);
    // The first group has no totals block before it; the final block's TOTALS belong to the
    // last group.
    EXPECT_EQ(printedFirstCells(),
              QStringList({"Art", "TOTALS", "Cost:", "Books", "TOTALS", "Cost:", "Tools", "TOTALS",
                           "Cost:", "GRAND TOTALS", "Cost:"}));
    const QStringList texts = m_engine.printedTexts();
    auto costTotal = [&](int i) { return FakePageEngine::cells(texts[i])[2]; };
    EXPECT_EQ(costTotal(2), u"5.00");   // Art: 2 x 2.50
    EXPECT_EQ(costTotal(5), u"2.50");   // Books
    EXPECT_EQ(costTotal(8), u"7.50");   // Tools, in the final block
    EXPECT_EQ(costTotal(10), u"15.00"); // grand
    // No record line: nothing but headings and totals was printed.
    EXPECT_EQ(texts.size(), 11);
}

TEST_F(ReportProductionTest, WithoutGroupingBothTotalsLinesShowTheSameSums) {
    fillCategories({{"Art", 2}, {"Books", 1}});
    m_settings.sortLevels = {0, 0, 0, 0};
    ReportDefinition d = builtIn("Short Narrow Report");
    ASSERT_EQ(run(d), RunResult::Completed);
    const QStringList first = printedFirstCells();
    EXPECT_EQ(first.count(QStringLiteral("TOTALS")), 1);
    const QStringList texts = m_engine.printedTexts();
    const auto totals = FakePageEngine::cells(texts[texts.size() - 3]);
    const auto grand = FakePageEngine::cells(texts.last());
    EXPECT_EQ(totals, grand);
    EXPECT_EQ(grand[2], u"7.50");
}

TEST_F(ReportProductionTest, AGroupBreakWhoseTotalsDoNotFitMovesTotalsAndHeadingToTheNextPage) {
    // Short Narrow at 10 points: 51 body lines, 1 for the column headers, 2 for the first
    // heading; 45 records of A leave 3 lines, one short of the 4 the totals block needs.
    fillCategories({{"A", 45}, {"B", 1}});
    ASSERT_EQ(run(builtIn("Short Narrow Report")), RunResult::Completed);
    ASSERT_EQ(m_engine.pagesStarted, 2);
    EXPECT_EQ(m_engine.printedTexts(1).size(), 1 + 1 + 45);
    const QStringList page2 = printedFirstCells(2);
    ASSERT_GE(page2.size(), 5);
    EXPECT_EQ(page2[0], u"Item"); // column headers
    EXPECT_EQ(page2[1], u"TOTALS");
    EXPECT_EQ(page2[2], u"Cost:"); // A's totals line
    EXPECT_EQ(page2[3], u"B");
    EXPECT_EQ(page2[4], u"B item 0");
    EXPECT_EQ(FakePageEngine::cells(m_engine.printedTexts(2)[2])[2], u"112.50");
}

TEST_F(ReportProductionTest, AHeadingThatDoesNotFitAfterItsTotalsStartsTheNextPage) {
    fillCategories({{"A", 44}, {"B", 1}}); // 4 lines left: the totals fit, the heading not
    ASSERT_EQ(run(builtIn("Short Narrow Report")), RunResult::Completed);
    ASSERT_EQ(m_engine.pagesStarted, 2);
    const QStringList page1 = printedFirstCells(1);
    EXPECT_EQ(page1[page1.size() - 2], u"TOTALS");
    const QStringList page2 = printedFirstCells(2);
    EXPECT_EQ(page2.mid(0, 3), QStringList({"Item", "B", "B item 0"}));
}

TEST_F(ReportProductionTest, ALevelTwoChangeStartsAGroupAsALevelOneChangeDoes) {
    fill({{{field::Item, "a"}, {field::Category, "Art"}, {field::Location, "Attic"}},
          {{field::Item, "b"}, {field::Category, "Art"}, {field::Location, "Garage"}},
          {{field::Item, "c"}, {field::Category, "Books"}, {field::Location, "Garage"}},
          {{field::Item, "d"}, {field::Category, "Books"}, {field::Location, "Garage"}}},
         {12, 5, 0, 0});
    ReportDefinition d = builtIn("Statistics/Summary Report");
    d.level2Group = true;
    ASSERT_EQ(run(d), RunResult::Completed);
    QStringList headings;
    for (const QString &c : printedFirstCells())
        if (c.contains(u", "))
            headings << c;
    EXPECT_EQ(headings, QStringList({"Art, Attic", "Art, Garage", "Books, Garage"}));

    // Level-2 grouping off: the second sort level does not group.
    m_engine = FakePageEngine();
    d.level2Group = false;
    m_table.first();
    ASSERT_EQ(run(d), RunResult::Completed);
    EXPECT_EQ(printedFirstCells().mid(0, 1), QStringList{"Art"});
    EXPECT_EQ(printedFirstCells().count(QStringLiteral("Books")), 1);
}

TEST_F(ReportProductionTest, GroupsFollowTheFirstSortLevelsThatNameAField) {
    fillCategories({{"Art", 1}}, {0, 99, 12, 5});
    ReportDefinition d = builtIn("Statistics/Summary Report");
    d.level2Group = true;
    ReportProduction p(m_engine, d, m_table, m_settings, OutputMode::Preview);
    p.MyBeforePrintReport();
    EXPECT_EQ(p.level1Field(), 12);
    EXPECT_EQ(p.level2Field(), 5);
    p.MyAfterPrintReport();
    d.level1Group = false;
    ReportProduction none(m_engine, d, m_table, m_settings, OutputMode::Preview);
    none.MyBeforePrintReport();
    EXPECT_EQ(none.level1Field(), 0);
    EXPECT_EQ(none.level2Field(), 0);
    none.MyAfterPrintReport();
}

TEST_F(ReportProductionTest, QuantityTimesEachAmountIsAddedAndNoQuantityAddsNothing) {
    fill({{{field::Item, "chairs"},
           {field::Quantity, "3"},
           {field::Cost, "10.00"},
           {field::RepCost, "12.00"},
           {field::Value, "4.50"}},
          {{field::Item, "no quantity"}, {field::Cost, "1000.00"}, {field::Value, "99"}},
          {{field::Item, "lamp"}, {field::Quantity, "-1"}, {field::Cost, "0.25"}}});
    ReportDefinition d = builtIn("Short Wide Report");
    // A totals line with the quantity too.
    d.totals[9] = ReportPart::total(urp::kTotalQuantity, 10);
    ASSERT_EQ(run(d), RunResult::Completed);
    EXPECT_DOUBLE_EQ(m_grand[urp::kTotalCost], 30.0 - 0.25);
    EXPECT_DOUBLE_EQ(m_grand[urp::kTotalRepCost], 36.0);
    EXPECT_DOUBLE_EQ(m_grand[urp::kTotalValue], 13.5);
    EXPECT_DOUBLE_EQ(m_grand[urp::kTotalQuantity], 2.0);
    const QStringList grand = FakePageEngine::cells(m_engine.printedTexts().last());
    EXPECT_EQ(grand[2], u"29.75");
    EXPECT_EQ(grand[5], u"36.00");
    EXPECT_EQ(grand[8], u"13.50");
    EXPECT_EQ(grand[9], u"2");
}

TEST_F(ReportProductionTest, UseTotalsOffAddsNothingAndPrintsNoTotals) {
    fillCategories({{"Art", 2}, {"Books", 1}});
    ReportDefinition d = builtIn("Warranty Report");
    ASSERT_EQ(run(d), RunResult::Completed);
    EXPECT_FALSE(printedFirstCells().contains(QStringLiteral("TOTALS")));
    EXPECT_FALSE(printedFirstCells().contains(QStringLiteral("GRAND TOTALS")));
    EXPECT_DOUBLE_EQ(m_grand[urp::kTotalCost], 0.0);
}

// ---------------------------------------------------------------------------------------
// Pages

TEST_F(ReportProductionTest, AnEmptyDataSetGivesOnePageWithHeaderColumnHeadersFinalBlockAndFooter) {
    fill({});
    m_settings.printStatement = true;
    m_settings.yourName = QStringLiteral("Pat Owner");
    ReportDefinition d = builtIn("Short Narrow Report");
    d.titles = {QStringLiteral("My Home"), QString(), QStringLiteral("Insurance copy")};
    ASSERT_EQ(run(d), RunResult::Completed);
    EXPECT_EQ(m_engine.pagesStarted, 1);
    EXPECT_EQ(m_engine.centred, QStringList({"My Home", "Insurance copy"}));
    // Empty lines of the final block are line ends with nothing printed.
    EXPECT_EQ(printedFirstCells(),
              QStringList({"Item", "TOTALS", "Cost:", "GRAND TOTALS", "Cost:",
                           "As of this date, 7/5/96, this is a true and accurate inventory of "
                           "my home.",
                           "___________________________________", "Pat Owner"}));
    ASSERT_EQ(m_engine.footers.size(), 3u);
    EXPECT_EQ(m_engine.footers[0].text, u"Page 1");
    EXPECT_EQ(m_engine.footers[1].text, QString()); // no insurance details chosen
    EXPECT_EQ(m_engine.footers[2].place, FooterPlace::Right);
    EXPECT_EQ(m_engine.footers[2].text, u"7/5/96");
}

TEST_F(ReportProductionTest, AFinalBlockThatDoesNotFitGetsAPageOfItsOwn) {
    // 50 lines after the column headers; the final block needs 5 (totals) + 5 (statement).
    fillCategories({{"A", 1}}, {0, 0, 0, 0});
    std::vector<Fields> more;
    m_settings.printStatement = true;
    m_table.close();
    m_table.open(m_path, MyTable::OpenMode::Exclusive);
    for (int i = 0; i < 44; ++i) {
        m_table.insert();
        m_table.setText(field::Item, QStringLiteral("more %1").arg(i));
        m_table.post();
    }
    m_table.first();
    ASSERT_EQ(run(builtIn("Short Narrow Report")), RunResult::Completed);
    EXPECT_EQ(m_engine.pagesStarted, 2);
    EXPECT_EQ(m_engine.printedTexts(1).size(), 46);
    EXPECT_EQ(printedFirstCells(2).mid(0, 2), QStringList({"Item", "TOTALS"}));
    EXPECT_EQ(m_engine.footers.back().text, u"7/5/96");
}

TEST_F(ReportProductionTest, FooterCarriesPageNumberInsuranceAndDateOnEveryPage) {
    fillCategories({{"A", 120}});
    m_settings.printInsuranceCompany = true;
    m_settings.insuranceCompany = QStringLiteral("Acme Mutual");
    m_settings.printPolicyNumber = true;
    m_settings.policyNumber = QStringLiteral("P-123");
    ReportDefinition d = builtIn("Short Narrow Report");
    d.pageNumbers = false; // does not change the footer
    ASSERT_EQ(run(d), RunResult::Completed);
    ASSERT_EQ(m_engine.pagesStarted, 3);
    ASSERT_EQ(m_engine.footers.size(), 9u);
    for (int page = 1; page <= 3; ++page) {
        const auto &f = m_engine.footers;
        const std::size_t i = static_cast<std::size_t>(page - 1) * 3;
        EXPECT_EQ(f[i].text, QStringLiteral("Page %1").arg(page));
        EXPECT_EQ(f[i].place, FooterPlace::Left);
        EXPECT_EQ(f[i + 1].text, u"Acme Mutual    #P-123");
        EXPECT_EQ(f[i + 1].place, FooterPlace::Centre);
        EXPECT_EQ(f[i + 2].text, u"7/5/96");
    }
    // Only the policy number; no date.
    m_engine = FakePageEngine();
    m_settings.printInsuranceCompany = false;
    d.dateOnPages = false;
    ASSERT_EQ(run(d), RunResult::Completed);
    EXPECT_EQ(m_engine.footers[1].text, u"#P-123");
    EXPECT_EQ(m_engine.footers.size(), 6u);
}

TEST_F(ReportProductionTest, BandsFollowTheBottomMarginAndTheHeaderBandStaysPut) {
    fillCategories({{"A", 1}});
    ReportDefinition d = builtIn("Short Narrow Report");
    d.topMargin = 2.0;
    d.bottomMargin = 1.0;
    ASSERT_EQ(run(d), RunResult::Completed);
    EXPECT_TRUE(m_engine.calls.contains(u"band 0.5 1.25"));
    EXPECT_TRUE(m_engine.calls.contains(u"band 1.25 9.25"));
    EXPECT_TRUE(m_engine.calls.contains(u"band 9.5 10"));
    EXPECT_TRUE(m_engine.calls.contains(u"margins 2 1 0.5 0.5"));
}

// ---------------------------------------------------------------------------------------
// Cells

TEST_F(ReportProductionTest, OneLineReportsHaveBorderedCellsJustifiedByKind) {
    fill({{{field::Item, "Chair"},
           {field::Location, "Den"},
           {field::Cost, "12.5"},
           {field::Quantity, "2"}}});
    m_settings.fieldNames[field::Cost] = QStringLiteral("Price Paid");
    ReportDefinition d = builtIn("Short Narrow Report");
    ASSERT_EQ(run(d), RunResult::Completed);
    const FakePageEngine::Printed &header = m_engine.printed[0];
    const FakePageEngine::Printed &body = m_engine.printed[2]; // after the group heading
    EXPECT_EQ(FakePageEngine::cells(header.text),
              QStringList({"Item", "Location", "Price Paid", "Replacement", "Quantity"}));
    EXPECT_EQ(FakePageEngine::cells(body.text),
              QStringList({"Chair", "Den", "12.50", "0.00", "2"}));
    ASSERT_EQ(body.tabs.size(), 5u);
    const Justify bodyJustify[] = {Justify::Left, Justify::Left, Justify::Right, Justify::Right,
                                   Justify::Right};
    const int widths[] = {32, 17, 14, 14, 13};
    double x = 0;
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(header.tabs[i].justify, Justify::Centre);
        EXPECT_EQ(header.tabs[i].borders, reports::kAllBorders);
        EXPECT_EQ(body.tabs[i].justify, bodyJustify[i]) << i;
        EXPECT_EQ(body.tabs[i].borders, reports::kAllBorders);
        EXPECT_EQ(body.tabs[i].innerMargin, 2);
        EXPECT_FALSE(body.tabs[i].position); // each directly after the one before
        EXPECT_DOUBLE_EQ(body.tabs[i].width, widths[i] / 90.0 * 7.5);
        x += body.tabs[i].width;
    }
    EXPECT_DOUBLE_EQ(x, 7.5);
    EXPECT_EQ(header.points, 10);

    for (auto [vert, horz, bits] :
         {std::tuple{true, false, 3}, std::tuple{false, true, 12}, std::tuple{false, false, 0}}) {
        m_engine = FakePageEngine();
        m_table.first();
        d.vertLines = vert;
        d.horzLines = horz;
        ASSERT_EQ(run(d), RunResult::Completed);
        EXPECT_EQ(m_engine.printed[0].tabs[0].borders, bits);
        EXPECT_EQ(m_engine.printed[2].tabs[4].borders, bits);
    }
}

TEST_F(ReportProductionTest, MultiLineReportsRightAlignLabelsAndLeftAlignNumbersWithoutBorders) {
    fill({{{field::Item, "Chair"}, {field::Cost, "12.5"}, {field::Category, "Art"}}});
    ReportDefinition d = builtIn("Medium Report");
    d.vertLines = d.horzLines = true; // no effect with two body lines
    ASSERT_EQ(run(d), RunResult::Completed);
    // Heading, then the two lines of the record.
    const FakePageEngine::Printed &line2 = m_engine.printed[2];
    // "Cost:" at 8 points is a little wider than its cell of 7 characters in 120.
    EXPECT_EQ(FakePageEngine::cells(line2.text)[9], u"Cost");
    EXPECT_EQ(FakePageEngine::cells(line2.text)[11], u"12.50");
    EXPECT_EQ(line2.tabs[0].justify, Justify::Right); // "Brand:"
    EXPECT_EQ(line2.tabs[1].justify, Justify::Left);  // filler
    EXPECT_EQ(line2.tabs[2].justify, Justify::Left);  // Brand
    EXPECT_EQ(line2.tabs[9].justify, Justify::Right); // "Cost:"
    EXPECT_EQ(line2.tabs[11].justify, Justify::Left); // Cost
    for (const reports::TabStop &t : line2.tabs)
        EXPECT_EQ(t.borders, 0);
    // The totals line: labels right, totals left, no borders.
    const FakePageEngine::Printed &totals = m_engine.printed.back();
    EXPECT_EQ(totals.tabs[0].justify, Justify::Right);
    EXPECT_EQ(totals.tabs[2].justify, Justify::Left);
    EXPECT_EQ(totals.tabs[0].borders, 0);
    // No column headers with more than one body line, even when asked for.
    EXPECT_NE(FakePageEngine::cells(m_engine.printed[0].text).first(), u"Item");
}

TEST_F(ReportProductionTest, TextsAreCutToTheirCellsAndHeadingsToTheLine) {
    const QString longItem(40, QLatin1Char('W'));
    const QString longText = QStringLiteral("D") + QString(109, QLatin1Char('x'));
    fill({{{field::Item, longItem}, {field::Descriptio, longText}}}, {6, 0, 0, 0});
    ASSERT_EQ(run(builtIn("Short Narrow Report")), RunResult::Completed);
    // Fake metrics: 0.1 in a character at 10 points; the Item cell is 2.667 in less 0.04.
    const QString item = FakePageEngine::cells(m_engine.printed[2].text)[0];
    EXPECT_EQ(item, longItem.left(26));
    // The group heading: at most the usable width less 0.2 in, its box then the whole line
    // between the margins.
    const FakePageEngine::Printed &heading = m_engine.printed[1];
    EXPECT_EQ(FakePageEngine::cells(heading.text)[0], longText.left(73));
    ASSERT_EQ(heading.tabs.size(), 1u);
    EXPECT_EQ(heading.tabs[0].borders, reports::kAllBorders);
    EXPECT_NEAR(*heading.tabs[0].position, 0.5, 1e-9);
    EXPECT_NEAR(heading.tabs[0].width, 7.5, 1e-9);
    // The underlined heading of the final block is centred on the line with its allowance.
    for (const FakePageEngine::Printed &p : m_engine.printed)
        if (FakePageEngine::cells(p.text) == QStringList{"TOTALS"}) {
            EXPECT_EQ(p.tabs[0].borders, reports::kBorderBottom);
            EXPECT_NEAR(*p.tabs[0].position, 0.5 + (7.5 - 0.6) / 2 - 0.1, 1e-9);
            EXPECT_NEAR(p.tabs[0].width, 0.8, 1e-9);
        }
}

TEST_F(ReportProductionTest, AmountsFollowTheRegionalFormatsWhenChosen) {
    fill({{{field::Item, "Piano"}, {field::Cost, "1234.5"}, {field::Quantity, "1"}},
          {{field::Item, "Pins"}, {field::Cost, "0.01"}, {field::Quantity, "1200"}}},
         {1, 0, 0, 0});
    RegionalValues intl;
    intl.sDecimal = QLatin1Char(',');
    intl.sThousand = QLatin1Char('.');
    SetCurrentRegional(intl);
    m_settings.currencyFormat = kFormatWindows;
    m_settings.numericFormat = kFormatWindows;
    ASSERT_EQ(run(builtIn("Short Narrow Report")), RunResult::Completed);
    // Each record opens a group of its own (grouped by Item).
    const QStringList piano = FakePageEngine::cells(m_engine.printed[2].text);
    EXPECT_EQ(piano[2], u"1.234,50");
    const QStringList pins = FakePageEngine::cells(m_engine.printed[6].text);
    EXPECT_EQ(pins[0], u"Pins");
    EXPECT_EQ(pins[2], u"0,01");
    EXPECT_EQ(pins[4], u"1.200");
    EXPECT_EQ(FakePageEngine::cells(m_engine.printedTexts().last())[2], u"1.246,50");
}

// ---------------------------------------------------------------------------------------
// Text files

TEST_F(ReportProductionTest, TextFileLinesRightAlignLabelsAndLeftAlignFields) {
    fill({{{field::Item, "Chair"},
           {field::Brand, "Oak & Co"},
           {field::Cost, "12.50"},
           {field::Category, "Furniture"},
           {field::Quantity, "1"}}});
    m_settings.printInsuranceCompany = true;
    m_settings.insuranceCompany = QStringLiteral("Acme");
    ReportDefinition d = builtIn("Medium Report");
    d.titles[0] = QStringLiteral("Household Inventory");
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    ASSERT_EQ(run(d, OutputMode::TextFile, &out), RunResult::Completed);
    const QStringList lines = QString::fromLatin1(out.data()).split(QStringLiteral("\r\n"));
    ASSERT_GE(lines.size(), 12);
    EXPECT_EQ(lines[0], u"Household Inventory");
    // The group heading: a blank line, then dashes, text, dashes indented by (120 - 9) div 2.
    const QString indent(55, QLatin1Char(' '));
    EXPECT_EQ(lines[1], u"");
    EXPECT_EQ(lines[2], indent + QStringLiteral("---------"));
    EXPECT_EQ(lines[3], indent + QStringLiteral("Furniture"));
    EXPECT_EQ(lines[4], indent + QStringLiteral("---------"));
    EXPECT_EQ(lines[5].left(46), QStringLiteral("Item: Chair") + QString(35, QLatin1Char(' ')));
    EXPECT_EQ(lines[5].size(), 120);
    // "Cost:" in a width of 7, then a filler, then 12.50 in a width of 12.
    EXPECT_EQ(lines[6].mid(75, 7 + 1 + 12), QStringLiteral("  Cost: 12.50       "));
    EXPECT_EQ(lines[6].left(6 + 1 + 20), QStringLiteral("Brand: Oak & Co") + QString(12, ' '));
    EXPECT_EQ(lines[6].size(), 119);
    EXPECT_EQ(lines[7], QString(57, QLatin1Char(' ')) + QStringLiteral("TOTALS"));
    // The totals line: 136 characters, the totals left-aligned in their 12.
    EXPECT_EQ(lines[8].left(23), QStringLiteral("     Cost: 12.50       "));
    EXPECT_EQ(lines[8].size(), 136);
    EXPECT_EQ(lines[9], u"");
    EXPECT_EQ(lines[10], QString(54, QLatin1Char(' ')) + QStringLiteral("GRAND TOTALS"));
    EXPECT_EQ(lines[12], u"");
    EXPECT_EQ(lines[13], QStringLiteral("Page 1     Acme         7/5/96\f"));
    EXPECT_EQ(lines[14], u""); // the file ends with the footer's line end
    EXPECT_EQ(lines.size(), 15);
}

TEST_F(ReportProductionTest, TextFilesBreakPagesWithTheRecorderAndEndEachWithAFormFeed) {
    fillCategories({{"A", 120}});
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    ReportDefinition d = builtIn("Short Narrow Report");
    ASSERT_EQ(run(d, OutputMode::TextFile, &out), RunResult::Completed);
    const QByteArray text = out.data();
    EXPECT_EQ(text.count('\f'), m_engine.pagesStarted);
    EXPECT_EQ(m_engine.pagesStarted, 3);
    // Nothing was drawn: text runs only count lines.
    EXPECT_TRUE(m_engine.printed.empty());
    EXPECT_TRUE(m_engine.footers.empty());
    const QList<QByteArray> pages = text.split('\f');
    // Page 1: the column headers, the heading (4 lines), 46 records, the footer's blank line.
    EXPECT_EQ(pages[0].count('\n'), 1 + 4 + 46 + 1);
    EXPECT_TRUE(
        pages[1].startsWith("\r\nItem                            Location         Cost          "));
    EXPECT_TRUE(text.endsWith("7/5/96\f\r\n"));
}

// A device that takes `room` bytes and then fails, as a full disk does.
class FullDevice : public QIODevice {
public:
    explicit FullDevice(qint64 room) : m_room(room) { open(QIODevice::WriteOnly); }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *, qint64 len) override {
        if (m_room < len) {
            setErrorString(QStringLiteral("No space left on device"));
            return -1;
        }
        m_room -= len;
        return len;
    }

private:
    qint64 m_room;
};

TEST_F(ReportProductionTest,
       ATextFileThatCannotBeWrittenEndsTheRunWithAnErrorAndGivesTheDataSetBack) {
    fillCategories({{"A", 30}});
    FullDevice full(500);
    try {
        run(builtIn("Short Narrow Report"), OutputMode::TextFile, &full);
        ADD_FAILURE() << "the run succeeded";
    } catch (const reports::ReportOutputError &e) {
        EXPECT_NE(std::string(e.what()).find("No space left on device"), std::string::npos);
    }
    EXPECT_FALSE(m_table.controlsDisabled());
    EXPECT_TRUE(m_engine.jobFinished);
}

TEST_F(ReportProductionTest, ATextFileThatCannotBeCreatedIsAnError) {
    fillCategories({{"A", 1}});
    ReportProduction p(m_engine, builtIn("Short Narrow Report"), m_table, m_settings,
                       OutputMode::TextFile);
    p.setTextFileName(m_dir.filePath(QStringLiteral("no/such/dir/out.txt")));
    EXPECT_THROW(p.run(), reports::ReportOutputError);
    EXPECT_FALSE(m_table.controlsDisabled());
}

// ---------------------------------------------------------------------------------------
// Runs

TEST_F(ReportProductionTest, CancelStopsDrawingAtOnceYetFooterAndAfterPrintStillRun) {
    fillCategories({{"A", 500}});
    m_engine.onPage = [](FakePageEngine &e) {
        if (e.currentPage() == 2)
            e.abort();
    };
    int listened = 0;
    m_engine.setStatusListener([&](const QString &status) {
        ++listened;
        EXPECT_TRUE(status.startsWith(u"Printing Page ")) << status.toStdString();
    });
    ASSERT_EQ(run(builtIn("Short Narrow Report")), RunResult::Aborted);
    EXPECT_EQ(m_engine.pagesStarted, 2);
    EXPECT_EQ(m_engine.pagesFinished, 2);
    EXPECT_TRUE(m_engine.printedTexts(2).isEmpty());
    // The footer handler ran on the aborted page (its drawing is suppressed).
    EXPECT_TRUE(m_engine.calls.last().startsWith(u"footer"));
    EXPECT_TRUE(m_engine.jobFinished);
    EXPECT_FALSE(m_table.controlsDisabled());
    EXPECT_EQ(listened, 2);
    EXPECT_EQ(m_engine.statusText(), u"Printing Page 2\n\n");
}

TEST_F(ReportProductionTest, NoPrinterRunsNoHandler) {
    fillCategories({{"A", 3}});
    m_engine.noPrinter = true;
    m_table.last();
    ASSERT_EQ(run(builtIn("Short Narrow Report")), RunResult::NoPrinter);
    EXPECT_EQ(m_engine.pagesStarted, 0);
    EXPECT_FALSE(m_table.controlsDisabled());
    EXPECT_EQ(m_table.position(), 2); // not moved to the first record
}

TEST_F(ReportProductionTest, TheDataSetIsWalkedInItsOrderThroughItsFilterAndLeftOnItsLastRecord) {
    fillCategories({{"Tools", 2}, {"Art", 2}, {"Books", 2}});
    m_table.setFilter([](const RecordView &r) { return r.text(field::Category) != u"Books"; });
    m_table.setFiltered(true);
    int events = 0;
    const int listener = m_table.addListener([&](MyTable::Event) { ++events; });
    ASSERT_EQ(run(builtIn("Short Narrow Report")), RunResult::Completed);
    QStringList items;
    for (const QString &t : m_engine.printedTexts()) {
        const QStringList cells = FakePageEngine::cells(t);
        if (cells.size() == 5 && cells[0].contains(u" item "))
            items << cells[0];
    }
    EXPECT_EQ(items, QStringList({"Art item 0", "Art item 1", "Tools item 0", "Tools item 1"}));
    EXPECT_EQ(m_table.text(field::Item), u"Tools item 1");
    // While the run walked the data set its windows heard nothing; afterwards once.
    EXPECT_EQ(events, 1);
    m_table.removeListener(listener);
}

// Damaged or hand-edited definitions print instead of crashing or asking for pages for ever.
TEST_F(ReportProductionTest, OutOfRangeDefinitionsStillProduceTheReport) {
    fillCategories({{"A", 5}, {"B", 5}});
    auto check = [&](const char *what, ReportDefinition d) {
        SCOPED_TRACE(what);
        m_engine = FakePageEngine();
        m_engine.pageLimit = 200;
        m_table.first();
        EXPECT_NO_THROW(EXPECT_EQ(run(d), RunResult::Completed));
        EXPECT_GE(m_engine.pagesStarted, 1);
        // Every record was walked and added (each has quantity 1).
        EXPECT_EQ(m_grand[urp::kTotalQuantity], 10.0);
    };
    const ReportDefinition narrow = builtIn("Short Narrow Report");
    ReportDefinition d = narrow;
    d.charsPerLine = 0;
    check("no characters per line", d);
    d = narrow;
    d.charsPerLine = -90;
    d.numLines = 3000;
    check("line count far too large", d);
    d = narrow;
    d.numLines = -4;
    check("negative line count", d);
    d = narrow;
    for (FontSpec &f : d.fonts)
        f.size = 0;
    check("font size 0", d);
    d = narrow;
    for (FontSpec &f : d.fonts)
        f.size = 30000;
    check("font far too large for a page", d);
    d = builtIn("Full Report");
    d.numLines = 12;
    for (FontSpec &f : d.fonts)
        f.size = 60;
    check("twelve lines that never fit a page", d);
    d = narrow;
    d.topMargin = std::nan("");
    d.bottomMargin = 1e300;
    d.leftMargin = -3;
    d.rightMargin = 40;
    check("margins", d);
    d = narrow;
    for (ReportPart &p : d.body[0])
        p.width = 32767;
    for (ReportPart &p : d.totals)
        p.width = 32767;
    check("widths", d);
    d = narrow;
    d.body[0][0].fieldNumber = 0;
    d.body[0][1].fieldNumber = 250;
    d.totals[2].fieldNumber = 9;
    check("field numbers", d);
}

TEST(ReportProductionNumbers, LeadingNumbersAreReadAsThePlainTextHoldsThem) {
    EXPECT_EQ(reports::LeadingWholeNumber("   3"), 3);
    EXPECT_EQ(reports::LeadingWholeNumber("-12x"), -12);
    EXPECT_EQ(reports::LeadingWholeNumber("+7"), 7);
    EXPECT_EQ(reports::LeadingWholeNumber("2.9"), 2);
    EXPECT_EQ(reports::LeadingWholeNumber(""), 0);
    EXPECT_EQ(reports::LeadingWholeNumber("abc"), 0);
    EXPECT_DOUBLE_EQ(reports::LeadingNumber("   10.00"), 10.0);
    EXPECT_DOUBLE_EQ(reports::LeadingNumber("-0.5"), -0.5);
    EXPECT_DOUBLE_EQ(reports::LeadingNumber("1,234.00"), 1.0);
    EXPECT_DOUBLE_EQ(reports::LeadingNumber("***"), 0.0);
    EXPECT_DOUBLE_EQ(reports::LeadingNumber(""), 0.0);
}

} // namespace
