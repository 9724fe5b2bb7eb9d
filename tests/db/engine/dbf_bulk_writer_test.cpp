#include "db/engine/dbf_bulk_writer.h"

#include "db/engine/db_error.h"
#include "db/engine/dbf_table.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

std::vector<db::FieldDef> fields() {
    return {{"NAME", 'C', 10, 0, 0}, {"COST", 'N', 8, 2, 0}, {"BOUGHT", 'D', 8, 0, 0}};
}

std::size_t filesIn(const std::string &dir) {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir),
                                                  std::filesystem::directory_iterator()));
}

} // namespace

TEST(DbfBulkWriter, WritesATableThatOpensWithEveryRecordAndReplacesTheOldOnCommit) {
    testfiles::TempDir dir;
    const std::string path = dir.file("OUT.DBF");
    testfiles::writeBytes(path, "an older file");
    {
        db::DbfBulkWriter writer(path, fields());
        ASSERT_EQ(writer.recordLength(), 27);
        // Enough records for several pieces.
        for (int i = 0; i < 200000; ++i) {
            std::string rec = writer.blankRecord();
            rec.replace(1, 4, "item");
            rec.replace(11, 8, "   12.50");
            rec.replace(19, 8, "19960705");
            writer.append(rec);
        }
        EXPECT_THROW(writer.append("short"), db::DbError);
        EXPECT_EQ(testfiles::readBytes(path), "an older file");
        writer.commit();
    }
    db::DbfTable t(path, db::OpenMode::ReadOnly);
    EXPECT_EQ(t.recordCount(), 200000u);
    EXPECT_FALSE(t.countExceedsFile());
    EXPECT_EQ(t.text(t.record(200000), 0), "item");
    EXPECT_EQ(t.decimalText(t.record(1), 1), std::optional<std::string>("12.50"));
    const std::string bytes = testfiles::readBytes(path);
    EXPECT_EQ(bytes.size(), t.header().headerLength + 200000u * 27u + 1u);
    EXPECT_EQ(bytes.back(), '\x1A');
    EXPECT_EQ(filesIn(dir.path()), 1u);
}

TEST(DbfBulkWriter, AWriterGivenUpLeavesNothingAndTheTargetAsItWas) {
    testfiles::TempDir dir;
    const std::string path = dir.file("OUT.DBF");
    testfiles::writeBytes(path, "keep me");
    {
        db::DbfBulkWriter writer(path, fields());
        writer.append(writer.blankRecord());
    }
    EXPECT_EQ(testfiles::readBytes(path), "keep me");
    EXPECT_EQ(filesIn(dir.path()), 1u);
    EXPECT_THROW(db::DbfBulkWriter(dir.file("none/OUT.DBF"), fields()), db::DbError);
    EXPECT_THROW(db::DbfBulkWriter(path, {{"NOTE", 'M', 10, 0, 0}}), db::DbError);
    EXPECT_EQ(filesIn(dir.path()), 1u);
}
