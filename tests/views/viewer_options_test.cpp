#include "views/viewer_options.h"

#include "settings/settings.h"

#include <gtest/gtest.h>

namespace {

using viewcfg::FieldPages;

TEST(ViewerOptions, WidthsOutsideTheRangeOrNotNumbersBecomeTen) {
    for (const char *bad : {"0", "256", "-3", "abc", "", "  ", "12x", "1e2", "4.5"})
        EXPECT_EQ(viewcfg::ParseWidth(QString::fromLatin1(bad)), 10) << bad;
    EXPECT_EQ(viewcfg::ParseWidth(QStringLiteral(" 40 ")), 40);
    EXPECT_EQ(viewcfg::ParseWidth(QStringLiteral("1")), 1);
    EXPECT_EQ(viewcfg::ParseWidth(QStringLiteral("255")), 255);
}

TEST(ViewerOptions, ClosingRewritesInvalidWidthCellsAndStoresTheRest) {
    Settings settings;
    FieldPages pages = viewcfg::FieldPagesFrom(settings);
    pages.widths[0] = QStringLiteral("0");
    pages.widths[1] = QStringLiteral("256");
    pages.widths[2] = QStringLiteral("-3");
    pages.widths[3] = QStringLiteral("wide");
    pages.widths[4] = QStringLiteral(" 40 ");
    viewcfg::ApplyFieldPages(settings, pages);
    for (int f = 0; f < 4; ++f) {
        EXPECT_EQ(settings.fieldWidth[f], 10);
        EXPECT_EQ(pages.widths[f], QStringLiteral("10"));
    }
    EXPECT_EQ(settings.fieldWidth[4], 40);
    EXPECT_EQ(settings.fieldWidth[5], 15);
}

TEST(ViewerOptions, DefaultPagesShowEveryFieldInCatalogueOrder) {
    const Settings settings;
    const FieldPages pages = viewcfg::FieldPagesFrom(settings);
    for (int f = 0; f < kFieldCount; ++f) {
        EXPECT_EQ(pages.shown[f], QStringLiteral("Yes"));
        EXPECT_EQ(pages.widths[f], QStringLiteral("15"));
        EXPECT_EQ(pages.order[f], settings.fieldNames[f]);
    }
    EXPECT_EQ(pages.names[3], QStringLiteral("Serial Number"));
}

TEST(ViewerOptions, DuplicateNamesAreFoundExactly) {
    Settings settings;
    viewcfg::FieldTexts names = settings.fieldNames;
    EXPECT_FALSE(viewcfg::FirstDuplicateName(names));
    names[0] = QStringLiteral("cost");
    EXPECT_FALSE(viewcfg::FirstDuplicateName(names)) << "different case is a different name";
    names[21] = QStringLiteral("Cost");
    ASSERT_TRUE(viewcfg::FirstDuplicateName(names));
    EXPECT_EQ(*viewcfg::FirstDuplicateName(names), QStringLiteral("Cost"));
    EXPECT_EQ(viewcfg::DuplicateNameMessage(QStringLiteral("Cost")),
              QStringLiteral("Two field names have the same name \"Cost\".  Please change one."));
    names[21] = QStringLiteral("Cost ");
    EXPECT_FALSE(viewcfg::FirstDuplicateName(names)) << "names are not trimmed";
}

TEST(ViewerOptions, ShownFlagAndToggle) {
    EXPECT_EQ(viewcfg::ToggledShown(QStringLiteral("Yes")), QStringLiteral("No"));
    EXPECT_EQ(viewcfg::ToggledShown(QStringLiteral("No")), QStringLiteral("Yes"));
    EXPECT_EQ(viewcfg::ToggledShown(QStringLiteral("yes")), QStringLiteral("Yes"));
    Settings settings;
    FieldPages pages = viewcfg::FieldPagesFrom(settings);
    pages.shown[2] = QStringLiteral("No");
    pages.shown[3] = QStringLiteral("yes"); // only the exact text counts
    viewcfg::ApplyFieldPages(settings, pages);
    EXPECT_FALSE(settings.displayFields[2]);
    EXPECT_FALSE(settings.displayFields[3]);
    EXPECT_TRUE(settings.displayFields[4]);
}

TEST(ViewerOptions, NamesAreCutToTwentyAndEmptyIsAccepted) {
    Settings settings;
    FieldPages pages = viewcfg::FieldPagesFrom(settings);
    pages.names[0] = QStringLiteral("A name that is far too long");
    pages.names[1] = QString();
    viewcfg::ApplyFieldPages(settings, pages);
    EXPECT_EQ(settings.fieldNames[0], QStringLiteral("A name that is far t"));
    EXPECT_EQ(settings.fieldNames[1], QString());
}

TEST(ViewerOptions, MovedRowsGiveNewPositions) {
    Settings settings;
    FieldPages pages = viewcfg::FieldPagesFrom(settings);
    std::swap(pages.order[0], pages.order[4]); // Location first, Item fifth
    viewcfg::ApplyFieldPages(settings, pages);
    EXPECT_EQ(settings.fieldOrder[field::Location], 1);
    EXPECT_EQ(settings.fieldOrder[field::Item], 5);
    EXPECT_EQ(settings.fieldOrder[field::Brand], 2);
}

TEST(ViewerOptions, RenamedFieldKeepsItsPositionEvenWhenMoved) {
    Settings settings;
    settings.fieldOrder[field::Cost] = 3;
    settings.fieldOrder[field::Model] = 11;
    FieldPages pages = viewcfg::FieldPagesFrom(settings);
    ASSERT_EQ(pages.order[2], QStringLiteral("Cost"));
    // Cost is moved to the top and renamed in the same session: the order page still lists
    // the old name, so the field keeps position 3.
    std::swap(pages.order[0], pages.order[2]);
    pages.names[field::Cost] = QStringLiteral("Price");
    viewcfg::ApplyFieldPages(settings, pages);
    EXPECT_EQ(settings.fieldNames[field::Cost], QStringLiteral("Price"));
    EXPECT_EQ(settings.fieldOrder[field::Cost], 3);
    EXPECT_EQ(settings.fieldOrder[field::Item], 3) << "Item was moved down to row 3";
    EXPECT_EQ(settings.fieldOrder[field::Model], 11);
}

TEST(ViewerOptions, DefaultsPutTheCatalogueOrderBack) {
    Settings settings;
    for (int f = 0; f < kFieldCount; ++f)
        settings.fieldOrder[f] = kFieldCount - f;
    FieldPages pages = viewcfg::FieldPagesFrom(settings);
    EXPECT_EQ(pages.order[0], QStringLiteral("User Defined 4"));
    pages.order = viewcfg::DefaultOrder(settings);
    viewcfg::ApplyFieldPages(settings, pages);
    for (int f = 0; f < kFieldCount; ++f)
        EXPECT_EQ(settings.fieldOrder[f], f + 1);
}

TEST(ViewerOptions, PositionsOutOfRangeFillNoRowAndKeepTheirValue) {
    Settings settings;
    settings.fieldOrder[0] = 0;
    settings.fieldOrder[1] = 99;
    FieldPages pages = viewcfg::FieldPagesFrom(settings);
    EXPECT_EQ(pages.order[0], QString());
    EXPECT_EQ(pages.order[1], QString());
    viewcfg::ApplyFieldPages(settings, pages);
    EXPECT_EQ(settings.fieldOrder[0], 0);
    EXPECT_EQ(settings.fieldOrder[1], 99);
}

TEST(ViewerOptions, ColumnPlanNumbersShownFieldsWithoutGaps) {
    Settings settings;
    settings.displayFields[1] = false;
    settings.fieldOrder[field::Cost] = 1;
    settings.fieldOrder[field::Item] = 11;
    settings.fieldNames[field::Cost] = QStringLiteral("Price");
    settings.fieldWidth[field::Cost] = 8;
    const auto plan = viewcfg::ViewerColumnPlan(settings);
    ASSERT_EQ(plan.size(), 21u);
    EXPECT_EQ(plan[0].field, field::Cost);
    EXPECT_EQ(plan[0].title, QStringLiteral("Price"));
    EXPECT_EQ(plan[0].width, 8);
    EXPECT_EQ(plan[1].field, field::Model) << "Brand is hidden and takes no column";
    EXPECT_EQ(plan[9].field, field::Item);
}

TEST(ViewerOptions, FontTextAndHelpTopics) {
    EXPECT_EQ(viewcfg::FontText(FontSpec{QStringLiteral("Arial"), 12}),
              QStringLiteral("12pt Arial"));
    EXPECT_EQ(viewcfg::HelpTopic(0), QStringLiteral("Viewer Configuration Title"));
    EXPECT_EQ(viewcfg::HelpTopic(5), QStringLiteral("Viewer Configuration Names"));
    EXPECT_EQ(viewcfg::HelpTopic(6), QString());
}

} // namespace
