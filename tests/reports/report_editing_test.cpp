#include "reports/report_editing.h"

#include "reports/line_widths.h"
#include "reports/report_layout.h"
#include "reports/report_selection.h"
#include "settings/settings.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace reportedit;

ReportLine lineOf(std::initializer_list<ReportPart> parts) {
    ReportLine line = EmptyReportLine();
    line[0].width = 0;
    std::size_t i = 0;
    for (const ReportPart &p : parts)
        line[i++] = p;
    return line;
}

std::vector<int> widths(const ReportLine &line) {
    return LineWidths(line);
}

TEST(RefitLine, NarrowingCutsAndWideningAppendsTheNextSlot) {
    ReportLine line = lineOf({ReportPart::field(1, 100), ReportPart::field(5, 40),
                              ReportPart::labelPart(QStringLiteral("Owner:"), 10)});
    RefitLine(line, 120);
    EXPECT_EQ(widths(line), (std::vector<int>{100, 20}));
    // The third slot keeps what it held; widening brings it back as the remainder.
    EXPECT_EQ(line[2].label, u"Owner:");
    RefitLine(line, 150);
    EXPECT_EQ(widths(line), (std::vector<int>{100, 20, 30}));
    EXPECT_TRUE(line[2].isLabel());
    EXPECT_EQ(line[2].label, u"Owner:");
}

TEST(RefitLine, OneFillerOf90WidenedTo120GetsAPartOf30) {
    ReportLine line = EmptyReportLine();
    line[0].width = 90;
    RefitLine(line, 120);
    EXPECT_EQ(widths(line), (std::vector<int>{90, 30}));
    EXPECT_TRUE(line[1].isFiller());
}

TEST(RefitLine, TwentyPartsShortOfTheWidthWidenTheLastAndExactLinesStay) {
    ReportLine line;
    for (auto &p : line)
        p = ReportPart::filler(5); // 100 characters
    RefitLine(line, 120);
    EXPECT_EQ(line[19].width, 25);
    ReportLine exact = lineOf({ReportPart::field(1, 60), ReportPart::field(2, 60)});
    const ReportLine before = exact;
    RefitLine(exact, 120);
    EXPECT_EQ(exact, before);
}

TEST(SwitchCharsPerLine, RefitsOnlyThePrintedBodyLinesAndSetsTheBodyFont) {
    ReportDefinition d = urp::NewReportDefaults(); // 90 characters, lines of 150
    d.numLines = 2;
    d.body[0] = lineOf({ReportPart::field(1, 60), ReportPart::filler(30)});
    d.body[1] = lineOf({ReportPart::field(2, 90)});
    d.body[2] = lineOf({ReportPart::field(3, 90)});
    const ReportLine totals = d.totals;
    SwitchCharsPerLine(d, 150);
    EXPECT_EQ(d.charsPerLine, 150);
    EXPECT_EQ(widths(d.body[0]), (std::vector<int>{60, 30, 60}));
    EXPECT_EQ(widths(d.body[1]), (std::vector<int>{90, 60}));
    EXPECT_EQ(widths(d.body[2]), (std::vector<int>{90}));
    EXPECT_EQ(d.totals, totals);
    EXPECT_EQ(d.font(urp::kBodyFont).size, 6);
    EXPECT_EQ(d.font(urp::kTitleFont).size, 10);
    SwitchCharsPerLine(d, 90);
    EXPECT_EQ(widths(d.body[0]), (std::vector<int>{60, 30}));
    EXPECT_EQ(d.font(urp::kBodyFont).size, 10);
}

TEST(PlanCharsSwitch, AsksBeforeNarrowingAndTellsTheNewBodyFont) {
    const CharsSwitch to90 = PlanCharsSwitch(150, 90);
    ASSERT_TRUE(to90.question);
    EXPECT_TRUE(to90.question->startsWith(u"Switching to 90 characters from 120 or 150"));
    EXPECT_FALSE(to90.notice);
    EXPECT_TRUE(PlanCharsSwitch(120, 90).question);

    const CharsSwitch from150 = PlanCharsSwitch(150, 120);
    ASSERT_TRUE(from150.question);
    EXPECT_TRUE(from150.question->contains(u"reset to a 8 point"));
    EXPECT_EQ(from150.notice,
              u"The Report Body font size has been set to a 8 Point default size as.");
    const CharsSwitch from90 = PlanCharsSwitch(90, 120);
    EXPECT_FALSE(from90.question);
    EXPECT_TRUE(from90.notice);

    const CharsSwitch to150 = PlanCharsSwitch(90, 150);
    EXPECT_FALSE(to150.question);
    ASSERT_TRUE(to150.notice);
    EXPECT_TRUE(to150.notice->endsWith(u"as a result of switching to 150 characters per line."));
}

TEST(SaveOutVars, StoresTheControlsAsReadWithoutRangeCheck) {
    ReportDefinition d = urp::BuiltInDefinitions()[1];
    EditorValues v = ValuesOf(d);
    EXPECT_EQ(v.numLines, u"1");
    EXPECT_EQ(v.margins[0], u"0.50");
    EXPECT_EQ(v.charsPerLine, 120);

    v.name = QStringLiteral("  A name that is much longer than thirty characters  ");
    v.titles[1] = QStringLiteral("  Second  ");
    v.numLines = QStringLiteral("13");
    v.margins = {QStringLiteral("1.25in"), QStringLiteral("abc"), QStringLiteral(" .75"),
                 QString()};
    v.charsPerLine = 150;
    v.level1Group = false;
    v.level2Group = true;
    v.landscape = true;
    SaveOutVars(v, d);
    EXPECT_EQ(d.name, u"A name that is much longer tha");
    EXPECT_EQ(d.titles[1], u"Second");
    EXPECT_EQ(d.numLines, 13); // NumLinesOk refuses it; leaving the box stores it
    EXPECT_DOUBLE_EQ(d.topMargin, 1.25);
    EXPECT_DOUBLE_EQ(d.bottomMargin, 0.0);
    EXPECT_DOUBLE_EQ(d.leftMargin, 0.75);
    EXPECT_DOUBLE_EQ(d.rightMargin, 0.0);
    EXPECT_EQ(d.charsPerLine, 150);
    EXPECT_FALSE(d.level2Group); // no level 2 grouping without level 1
    EXPECT_TRUE(d.landscape);
    // The lines are not the editor's to change here.
    EXPECT_EQ(d.body, urp::BuiltInDefinitions()[1].body);
}

TEST(EditorNumbers, LeadingDigitsAndTheLineRange) {
    EXPECT_EQ(LeadingInt(QStringLiteral(" 12abc")), 12);
    EXPECT_EQ(LeadingInt(QString()), 0);
    EXPECT_EQ(LeadingInt(QStringLiteral("x3")), 0);
    EXPECT_EQ(LeadingInt(QStringLiteral("-3")), -3);
    EXPECT_TRUE(NumLinesInRange(0));
    EXPECT_TRUE(NumLinesInRange(12));
    EXPECT_FALSE(NumLinesInRange(13));
    EXPECT_FALSE(NumLinesInRange(-1));
    EXPECT_FALSE(SingleLineControlsEnabled(2));
    EXPECT_EQ(FontBoxText(FontSpec{QStringLiteral("Courier New"), 10}), u"Courier New 10pt");
}

// ---------------------------------------------------------------------------------------

using namespace replayout;

TEST(LayoutGeometry, ScalesTheDesignValues) {
    const Geometry one(1.0);
    EXPECT_EQ(one.x0, 4);
    EXPECT_EQ(one.x1, 629);
    EXPECT_EQ(one.rowTop(3), 115);
    EXPECT_EQ(one.totalsTop, 355);
    EXPECT_EQ(one.totalsBottom, 376);
    const Geometry big(1.6);
    EXPECT_EQ(big.x1, 1006);
    EXPECT_EQ(big.rowHeight, 32);
    EXPECT_EQ(big.bodyBottom(2), 120 + 64 + 1);
}

TEST(LayoutBoxes, PartsAreDrawnToScaleAndTheLastReachesTheEnd) {
    const Geometry g(1.0);
    const auto empty = LineBoxes(EmptyReportLine(), 120, g);
    ASSERT_EQ(empty.size(), 1u);
    EXPECT_EQ(empty[0].left, 4);
    EXPECT_EQ(empty[0].right, 629);

    // The warranty line adds up to 110 of 120; its last part still reaches the end.
    const ReportDefinition warranty = urp::BuiltInDefinitions()[5];
    const auto boxes = LineBoxes(warranty.bodyLine(1), 120, g);
    ASSERT_EQ(boxes.size(), 11u);
    EXPECT_EQ(boxes[0].right, 4 + 156); // 625 x 30 / 120 = 156.25
    EXPECT_EQ(boxes[1].left, boxes[0].right);
    EXPECT_EQ(boxes.back().right, 629);
}

TEST(CalcPosition, MapsClicksToLineAndPart) {
    const Geometry g(1.0);
    ReportDefinition d = urp::NewReportDefaults();
    d.numLines = 2;
    d.body[1] = lineOf({ReportPart::field(1, 30), ReportPart::filler(60)});
    const auto at = [&](int x, int y, bool totals = true) {
        return CalcPosition(x, y, d, d.numLines, totals, 90, g);
    };
    EXPECT_EQ(at(10, 80), (Position{1, 1}));
    EXPECT_EQ(at(10, 100), (Position{2, 1}));
    EXPECT_EQ(at(4 + 208, 100), (Position{2, 1})); // 625 x 30 / 90 = 208.3: the edge
    EXPECT_EQ(at(4 + 209, 100), (Position{2, 2}));
    EXPECT_EQ(at(10, 115), (Position{2, 1})); // the bottom border's pixel
    EXPECT_EQ(at(10, 116), Position{});
    EXPECT_EQ(at(3, 80), Position{});
    EXPECT_EQ(at(630, 80), Position{});
    EXPECT_EQ(at(100, 360), (Position{kTotalsLine, 1}));
    EXPECT_EQ(at(100, 360, false), Position{});
    // Without body lines only the totals row answers.
    EXPECT_EQ(CalcPosition(10, 80, d, 0, true, 90, g), Position{});
}

TEST(PartDialogRules, ListsLookupsAndCaption) {
    Settings s;
    EXPECT_EQ(FieldListEntries(true, s),
              QStringList({"Cost", "Value", "Replacement Cost", "Quantity"}));
    const QStringList fields = FieldListEntries(false, s);
    ASSERT_EQ(fields.size(), 22);
    EXPECT_EQ(fields[3], u"Serial Number");
    EXPECT_EQ(GetField(QStringLiteral("RepCost")), 12);
    EXPECT_EQ(GetField(QStringLiteral("Replacement Cost")), -1);
    EXPECT_EQ(GetTotField(QStringLiteral("Replacement Cost")), 2);
    EXPECT_EQ(GetTotField(QStringLiteral("RepCost")), -1);
    EXPECT_EQ(SelectedPartText(kTotalsLine, 3), u"Totals Line, Item 3");
    EXPECT_EQ(SelectedPartText(2, 5), u"Line 2, Item 5");
}

TEST(ApplyPart, AFieldOf30OnAnEmptyLineLeavesAFillerOfTheRest) {
    ReportLine line = EmptyReportLine();
    PartChoice field{PartChoice::Kind::Field, QStringLiteral("30"), {}, field::Location};
    ASSERT_EQ(ApplyPart(line, 1, field, false, 120), PartError::None);
    EXPECT_EQ(widths(line), (std::vector<int>{30, 90}));
    EXPECT_EQ(line[0].name, u"Location");
    EXPECT_EQ(line[0].fieldNumber, 5);
    EXPECT_TRUE(line[1].isFiller());

    // Width 0 takes the rest of the line; what came after it is gone.
    PartChoice label{PartChoice::Kind::Label, QStringLiteral("0"),
                     QStringLiteral("   A label longer than the forty characters a label holds  "),
                     -1};
    ASSERT_EQ(ApplyPart(line, 1, label, false, 120), PartError::None);
    EXPECT_EQ(widths(line), (std::vector<int>{120}));
    EXPECT_TRUE(line[0].isLabel());
    EXPECT_EQ(line[0].label, u"A label longer than the forty characters");
}

TEST(ApplyPart, RefusesWidthsThatAreNotCountsAndFieldsNotChosen) {
    ReportLine line = EmptyReportLine();
    const ReportLine before = line;
    for (const char *text : {"", "abc", "1.5", "-5"}) {
        PartChoice c{PartChoice::Kind::Filler, QLatin1String(text), {}, -1};
        EXPECT_EQ(ApplyPart(line, 1, c, false, 120), PartError::InvalidWidth) << text;
    }
    PartChoice none{PartChoice::Kind::Field, QStringLiteral("10"), {}, -1};
    EXPECT_EQ(ApplyPart(line, 1, none, false, 120), PartError::NoField);
    PartChoice beyond{PartChoice::Kind::Field, QStringLiteral("10"), {}, 4};
    EXPECT_EQ(ApplyPart(line, 1, beyond, true, 120), PartError::NoField);
    EXPECT_EQ(line, before);
}

TEST(ApplyPart, TotalsPartsAreNamedByTheirTotal) {
    ReportDefinition d = urp::BuiltInDefinitions()[0];
    ReportLine totals = d.totals;
    // The built-in totals line is 136 characters wide; the refit to 90 shortens its last
    // filler so that the line ends at the right margin.
    PartChoice c{PartChoice::Kind::Field, QStringLiteral("12"), {}, 3};
    ASSERT_EQ(ApplyPart(totals, 3, c, true, 90), PartError::None);
    EXPECT_EQ(totals[2].name, u"Quantity");
    EXPECT_EQ(totals[2].fieldNumber, urp::kTotalQuantity);
    int sum = 0;
    for (const ReportPart &p : totals)
        sum += p.width;
    EXPECT_EQ(sum, 90);
    EXPECT_EQ(totals[9].width, 14);
}

TEST(LayoutBoxText, DisplayNamesInBodyRowsPartNamesInTheTotalsRow) {
    Settings s;
    s.fieldNames[field::Item] = QStringLiteral("Possession");
    const ReportPart item = ReportPart::field(1, 30);
    EXPECT_EQ(LabelOf(item, false, s).text, u"Possession");
    EXPECT_EQ(LabelOf(item, false, s).kind, BoxLabel::Kind::Field);
    EXPECT_EQ(item.name, u"Item");
    EXPECT_EQ(LabelOf(ReportPart::total(3, 12), true, s).text, u"Replacement Cost");
    EXPECT_EQ(LabelOf(ReportPart::filler(3), false, s).text, u"Filler");
    ReportPart unknown = ReportPart::field(1, 5);
    unknown.name = QStringLiteral("Gone");
    EXPECT_EQ(LabelOf(unknown, false, s).text, u"Gone");
}

// ---------------------------------------------------------------------------------------

using namespace repselect;

TEST(SortOrderInWords, NamesTheLevelsThatNameAField) {
    Settings s;
    s.sortLevels = {0, 0, 0, 0};
    EXPECT_EQ(SortOrderInWords(s), u"No Sort Order Selected");
    s.sortLevels = {field::Category + 1, 0, field::Item + 1, 99};
    s.fieldNames[field::Item] = QStringLiteral("Possession");
    EXPECT_EQ(SortOrderInWords(s), u"Category, Possession");
}

TEST(CheckPageRange, StartAndEndMustLieInTheReport) {
    PageRange r;
    EXPECT_EQ(CheckPageRange(QStringLiteral("0"), QStringLiteral("5"), 5, &r),
              RangeError::BadStart);
    EXPECT_EQ(CheckPageRange(QString(), QStringLiteral("5"), 5, &r), RangeError::BadStart);
    EXPECT_EQ(CheckPageRange(QStringLiteral("6"), QStringLiteral("6"), 5, &r),
              RangeError::BadStart);
    EXPECT_EQ(CheckPageRange(QStringLiteral("3"), QStringLiteral("2"), 5, &r), RangeError::BadEnd);
    EXPECT_EQ(CheckPageRange(QStringLiteral("3"), QStringLiteral("6"), 5, &r), RangeError::BadEnd);
    ASSERT_EQ(CheckPageRange(QStringLiteral(" 2x"), QStringLiteral("4 "), 5, &r), RangeError::None);
    EXPECT_EQ(r.first, 2);
    EXPECT_EQ(r.last, 4);
    ASSERT_EQ(CheckPageRange(QStringLiteral("1"), QStringLiteral("5"), 5, &r), RangeError::None);
}

TEST(PreviewBoxes, ZoomAndPageTexts) {
    EXPECT_EQ(ZoomText(100), u"100.0");
    EXPECT_EQ(ZoomText(100.0 / 3), u"33.3");
    EXPECT_FALSE(ParseZoom(QStringLiteral("abc")));
    EXPECT_FALSE(ParseZoom(QString()));
    EXPECT_EQ(ParseZoom(QStringLiteral(" 150 ")), 150.0);
    EXPECT_EQ(ClampZoom(1000), kMaxZoom);
    EXPECT_EQ(ClampZoom(-5), kMinZoom);
    EXPECT_FALSE(ParsePage(QStringLiteral("2x")));
    EXPECT_EQ(PageLabelText(3, 1, 12), u"Page 3 of 12");
}

TEST(Insurance, ValuesAreCutToWhatTheSettingsHold) {
    Settings s;
    StoreInsurance({QString(50, QLatin1Char('c')), QString(25, QLatin1Char('p')),
                    QString(35, QLatin1Char('n')), true, false, true},
                   s);
    EXPECT_EQ(s.insuranceCompany.size(), 40);
    EXPECT_EQ(s.policyNumber.size(), 20);
    EXPECT_EQ(s.yourName.size(), 30);
    EXPECT_TRUE(s.printInsuranceCompany);
    EXPECT_FALSE(s.printPolicyNumber);
    EXPECT_TRUE(s.printStatement);
    const Insurance back = InsuranceOf(s);
    EXPECT_EQ(back.company, s.insuranceCompany);
    EXPECT_TRUE(back.printStatement);
}

} // namespace
