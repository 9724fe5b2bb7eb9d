#include "db/engine/dbf_table.h"
#include "db/inventory_schema.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

TEST(InventorySchemaTest, InventoryRepresentationsHoldWhatTheEditorAccepts) {
    const auto defs = db::inventoryFieldDefs();
    ASSERT_EQ(defs.size(), 22u);
    EXPECT_EQ(defs[8].type, 'N');
    EXPECT_EQ(defs[8].length, 11);
    EXPECT_EQ(defs[9].type, 'D');
    EXPECT_EQ(defs[10].length, 20);
    EXPECT_EQ(defs[10].decimals, 4);
    EXPECT_EQ(defs[5].length, 110);
    testfiles::TempDir dir;
    const std::string path = dir.file("MASTER.DBF");
    db::DbfTable::create(path, defs);
    db::DbfTable t(path, db::OpenMode::Shared);
    EXPECT_EQ(t.fieldIndex("Descriptio"), 5);
    std::string rec = t.blankRecord();
    t.setInteger(rec, 8, -2147483647 - 1);
    t.setNumber(rec, 10, 999999999999.99);
    t.setNumber(rec, 12, -999999999999.99);
    t.setDecimalText(rec, 17, "0.01");
    (void)t.appendRecord(rec);
    const std::string back(t.record(1));
    EXPECT_EQ(t.integer(back, 8), -2147483647 - 1);
    EXPECT_EQ(t.decimalText(back, 10), "999999999999.9900");
    EXPECT_DOUBLE_EQ(*t.number(back, 12), -999999999999.99);
    EXPECT_EQ(t.currency(back, 17), 100);
    EXPECT_EQ(t.recordLength(), 1 + 40 + 20 * 3 + 30 + 110 + 40 + 60 + 11 + 8 + 20 + 20 + 20 + 3 +
                                    8 + 30 + 30 + 20 + 40 * 4);
}
