#include "views/viewer_options.h"

#include "settings/settings.h"

#include <gtest/gtest.h>

#include <algorithm>

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
    // Item was moved down to row 3, which Price still holds: it takes the free first row
    // instead of sharing a position (which would drop a column from the viewer).
    EXPECT_EQ(settings.fieldOrder[field::Item], 1);
    EXPECT_EQ(settings.fieldOrder[field::Model], 11);
    const auto plan = viewcfg::ViewerColumnPlan(settings);
    ASSERT_EQ(plan.size(), 22u);
    EXPECT_EQ(plan[0].field, field::Item);
    EXPECT_EQ(plan[2].title, QStringLiteral("Price"));
}

// Whatever the renames, the positions stay a permutation of 1 to 22.
void ExpectPermutation(const Settings &settings) {
    std::array<int, kFieldCount + 1> seen{};
    for (int p : settings.fieldOrder) {
        ASSERT_GE(p, 1);
        ASSERT_LE(p, kFieldCount);
        ++seen[static_cast<std::size_t>(p)];
    }
    for (int p = 1; p <= kFieldCount; ++p)
        EXPECT_EQ(seen[static_cast<std::size_t>(p)], 1) << "position " << p;
}

TEST(ViewerOptions, RenamesThatTakeOtherFieldsNamesKeepEveryPositionOnce) {
    {
        // Item takes Brand's old name, Brand a new one: both keep their places.
        Settings settings;
        FieldPages pages = viewcfg::FieldPagesFrom(settings);
        pages.names[field::Item] = QStringLiteral("Brand");
        pages.names[field::Brand] = QStringLiteral("Make");
        viewcfg::ApplyFieldPages(settings, pages);
        ExpectPermutation(settings);
        EXPECT_EQ(settings.fieldOrder[field::Brand], 2);
        EXPECT_EQ(settings.fieldOrder[field::Item], 1);
    }
    {
        // Two names swapped: each field is found under the other's old row.
        Settings settings;
        FieldPages pages = viewcfg::FieldPagesFrom(settings);
        pages.names[field::Item] = QStringLiteral("Brand");
        pages.names[field::Brand] = QStringLiteral("Item");
        viewcfg::ApplyFieldPages(settings, pages);
        ExpectPermutation(settings);
        EXPECT_EQ(settings.fieldOrder[field::Item], 2);
        EXPECT_EQ(settings.fieldOrder[field::Brand], 1);
    }
    {
        // A rotation of moves and renames over several fields.
        Settings settings;
        FieldPages pages = viewcfg::FieldPagesFrom(settings);
        std::rotate(pages.order.begin(), pages.order.begin() + 5, pages.order.end());
        pages.names[field::Cost] = QStringLiteral("Price");
        pages.names[field::WarNotes] = QStringLiteral("Cost");
        pages.names[field::Owner] = QStringLiteral("Whose");
        viewcfg::ApplyFieldPages(settings, pages);
        ExpectPermutation(settings);
        EXPECT_EQ(settings.fieldOrder[field::Owner], field::Owner + 1) << "renamed: kept";
    }
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

TEST(ViewerOptions, OrderRowsSwapWithTheirNeighboursButNotPastTheEnds) {
    EXPECT_EQ(viewcfg::OrderSwapRow(5, true), 4);
    EXPECT_EQ(viewcfg::OrderSwapRow(5, false), 6);
    EXPECT_FALSE(viewcfg::OrderSwapRow(0, true));
    EXPECT_FALSE(viewcfg::OrderSwapRow(21, false));
    EXPECT_FALSE(viewcfg::OrderSwapRow(-1, false)) << "no row selected";
}

TEST(ViewerOptions, FontTextAndHelpTopics) {
    EXPECT_EQ(viewcfg::FontText(FontSpec{QStringLiteral("Arial"), 12}),
              QStringLiteral("12pt Arial"));
    EXPECT_EQ(viewcfg::HelpTopic(0), QStringLiteral("Viewer Configuration Title"));
    EXPECT_EQ(viewcfg::HelpTopic(5), QStringLiteral("Viewer Configuration Names"));
    EXPECT_EQ(viewcfg::HelpTopic(6), QString());
}

} // namespace

namespace {
std::array<int, 22> DefaultPositions() {
    std::array<int, 22> p{};
    for (int i = 0; i < 22; ++i)
        p[i] = i + 1;
    return p;
}
std::array<bool, 22> AllShown() {
    std::array<bool, 22> s{};
    s.fill(true);
    return s;
}
} // namespace

TEST(ViewerColumns, FollowPositionsAndSkipHiddenFieldsWithoutGaps) {
    std::vector<int> catalogue(22);
    for (int i = 0; i < 22; ++i)
        catalogue[i] = i;
    EXPECT_EQ(viewcfg::ViewerColumns(DefaultPositions(), AllShown()), catalogue);

    auto positions = DefaultPositions();
    std::swap(positions[0], positions[11]); // Category first, Item at 12
    auto shown = AllShown();
    shown[1] = false; // Brand hidden
    const auto columns = viewcfg::ViewerColumns(positions, shown);
    ASSERT_EQ(columns.size(), 21u);
    EXPECT_EQ(columns[0], 11);
    EXPECT_EQ(columns[1], 2); // Brand takes no column
    EXPECT_EQ(columns[10], 0);
}

TEST(ViewerColumns, DamagedPositionsNeverDuplicateOrLoseAField) {
    std::array<int, 22> positions{};
    positions.fill(1); // every field claims the first place
    const auto columns = viewcfg::ViewerColumns(positions, AllShown());
    ASSERT_EQ(columns.size(), 22u);
    EXPECT_EQ(columns[0], 0);
    EXPECT_EQ(columns[1], 1);
    EXPECT_EQ(columns[21], 21);

    auto gaps = DefaultPositions();
    gaps[4] = 99; // Location's position is out of range
    const auto withGap = viewcfg::ViewerColumns(gaps, AllShown());
    ASSERT_EQ(withGap.size(), 22u);
    EXPECT_EQ(withGap.back(), 4);
}
