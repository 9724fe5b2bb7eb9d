#include "interchange/export_fields.h"

#include "db/inventory_schema.h"
#include "db/record_view.h"
#include "settings/settings.h"

#include <gtest/gtest.h>

using namespace exporting;

namespace {

RecordLayout inventoryLayout() {
    std::vector<db::FieldDef> fields = db::inventoryFieldDefs();
    int offset = 1;
    for (db::FieldDef &f : fields) {
        f.offset = offset;
        offset += f.length;
    }
    return RecordLayout(
        fields, offset, [](std::string_view b) { return QString::fromLatin1(b.data(), b.size()); },
        [](QStringView, std::string &, QChar &) { return true; }, QStringLiteral("test"));
}

std::vector<int> catalogueIndexes(const std::vector<ExportColumn> &columns) {
    std::vector<int> out;
    for (const ExportColumn &c : columns)
        out.push_back(c.catalogueIndex);
    return out;
}

} // namespace

TEST(ExportFields, GridShowsEachFieldInTheRowOfItsPositionAndKeepsDamagedOnes) {
    Settings settings;
    EXPECT_EQ(FillGrid(settings)[0], (GridRow{QStringLiteral("Item"), kYes}));
    EXPECT_EQ(FillGrid(settings)[21].name, QStringLiteral("User Defined 4"));

    settings.exportOrder[field::Cost] = 1;
    settings.exportOrder[field::Item] = 11;
    settings.exportFields[field::Brand] = false;
    // A hand-edited file: Model claims Brand's row, Serial a row that does not exist.
    settings.exportOrder[field::Model] = 2;
    settings.exportOrder[field::Serial] = 40;
    const Grid grid = FillGrid(settings);
    EXPECT_EQ(grid[0], (GridRow{QStringLiteral("Cost"), kYes}));
    EXPECT_EQ(grid[1], (GridRow{QStringLiteral("Brand"), kNo}));
    EXPECT_EQ(grid[10].name, QStringLiteral("Item"));
    // Every field still has a row: the two without one of their own take the free rows
    // (those of Model and Serial Number) in catalogue order.
    EXPECT_EQ(grid[2].name, QStringLiteral("Model"));
    EXPECT_EQ(grid[3].name, QStringLiteral("Serial Number"));
    QStringList names;
    for (const GridRow &row : grid)
        names << row.name;
    names.removeDuplicates();
    EXPECT_EQ(names.size(), kFieldCount);
}

TEST(ExportFields, UpdateConfigsTakesPositionsAndFlagsByDisplayName) {
    Settings settings;
    settings.fieldNames[field::Cost] = QStringLiteral("Price");
    Grid grid = FillGrid(settings);
    std::swap(grid[0], grid[10]); // Price first, Item in row 11
    grid[0].flag = ToggledFlag(grid[0].flag);
    grid[5].flag = QStringLiteral("yes");    // only "Yes" exports
    grid[7].name = QStringLiteral("Nobody"); // ID Marks no longer found: kept as it was
    settings.exportOrder[field::IDMarks] = 8;
    UpdateConfigs(settings, grid);
    EXPECT_EQ(settings.exportOrder[field::Cost], 1);
    EXPECT_FALSE(settings.exportFields[field::Cost]);
    EXPECT_EQ(settings.exportOrder[field::Item], 11);
    EXPECT_FALSE(settings.exportFields[field::Descriptio]);
    EXPECT_TRUE(settings.exportFields[field::IDMarks]);
    EXPECT_EQ(settings.exportOrder[field::IDMarks], 8);

    UpdateConfigs(settings, DefaultGrid(settings));
    for (int i = 0; i < kFieldCount; ++i) {
        EXPECT_EQ(settings.exportOrder[static_cast<std::size_t>(i)], i + 1);
        EXPECT_TRUE(settings.exportFields[static_cast<std::size_t>(i)]);
    }
}

TEST(ExportFields, RowsSwapOnlyInsideTheGrid) {
    EXPECT_EQ(SwapRow(0, true), std::nullopt);
    EXPECT_EQ(SwapRow(0, false), 1);
    EXPECT_EQ(SwapRow(21, false), std::nullopt);
    EXPECT_EQ(SwapRow(21, true), 20);
    EXPECT_EQ(SwapRow(-1, false), std::nullopt);
    EXPECT_EQ(ToggledFlag(kYes), kNo);
    EXPECT_EQ(ToggledFlag(QString()), kYes);
}

TEST(ExportFields, WorkingListFollowsPositionsAndSkipsFieldsNotExported) {
    const RecordLayout layout = inventoryLayout();
    Settings settings;
    settings.exportFields.fill(false);
    settings.exportFields[field::Item] = settings.exportFields[field::Cost] = true;
    settings.exportFields[field::Owner] = true;
    settings.exportOrder[field::Owner] = 1;
    settings.exportOrder[field::Item] = 17;
    const std::vector<ExportColumn> columns = CalcIndexOrder(settings, layout);
    EXPECT_EQ(catalogueIndexes(columns),
              (std::vector<int>{field::Owner, field::Cost, field::Item}));
    EXPECT_EQ(columns[0].tableField, field::Owner);

    // Two fields sharing a position are both written, in catalogue order; a position no field
    // holds is skipped.
    settings.exportOrder[field::Item] = 11;
    EXPECT_EQ(catalogueIndexes(CalcIndexOrder(settings, layout)),
              (std::vector<int>{field::Owner, field::Item, field::Cost}));
    settings.exportFields.fill(false);
    EXPECT_TRUE(CalcIndexOrder(settings, layout).empty());
}
