// Temporary files beside a table: their names stay within the system's name limit for a
// table of the longest name, and those a killed process left are removed on the next
// exclusive open, never one that is still being written nor one of another file.
#include "db/engine/dbf_bulk_writer.h"
#include "db/engine/dbf_table.h"
#include "db/engine/file_names.h"
#include "db/engine/io_util.h"
#include "db/engine/table.h"
#include "dbf_test_support.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <set>
#include <unistd.h>

using db::DbfTable;
using db::OpenMode;
using db::Table;

namespace {

namespace fs = std::filesystem;

std::set<std::string> namesIn(const std::string &dir) {
    std::set<std::string> out;
    for (const auto &e : fs::directory_iterator(dir))
        out.insert(e.path().filename().string());
    return out;
}

// A temporary as a killed process leaves it: made beside the file, never renamed.
std::string leftBehind(const std::string &beside) {
    std::string temp;
    const db::UniqueFd fd(db::createTempBeside(beside, temp));
    return temp;
}

class TempFilesTest : public ::testing::Test {
protected:
    void makeTable(const std::string &name) {
        path = dir.file(name);
        Table::create(path, {{"ITEM", 'C', 20, 0, 0}, {"NOTES", 'M', 10, 0, 0}});
        Table t(path, OpenMode::Exclusive);
        t.addTag("ITEM", "UPPER(ITEM)");
        for (int i = 1; i <= 30; ++i) {
            std::string rec = t.dbf().blankRecord();
            t.dbf().setText(rec, 0, "item " + std::to_string(31 - i));
            if (i % 2 == 0)
                t.dbf().setMemo(rec, 1, "memo of " + std::to_string(i));
            (void)t.insert(rec);
        }
        for (std::uint32_t r = 3; r <= 30; r += 3)
            t.remove(r);
    }

    dbftest::TempDir dir;
    std::string path;
};

TEST_F(TempFilesTest, AnExclusiveOpenRemovesTheTemporariesKilledProcessesLeft) {
    makeTable("HOME.DBF");
    const std::set<std::string> own = namesIn(dir.path());
    std::set<std::string> stale;
    for (const char *ext : {".DBF", ".MDX", ".DBT", ".FPT"})
        stale.insert(fs::path(leftBehind(dir.file(std::string("HOME") + ext))).filename());
    // Files that only look alike, or belong to another table, stay.
    const std::set<std::string> others{".HOME.DBF.abc12",   ".HOME.DBF.abc123.part",
                                       ".HOME.DBF.ab-123",  "HOME.DBF.abc123",
                                       ".OTHER.DBF.abc123", ".HOME.NDX.abc123"};
    for (const std::string &n : others)
        dbftest::writeBytes(dir.file(n), "keep");
    fs::create_directory(dir.file(".HOME.DBF.dir123"));
    // One that is being written right now (its writer holds the descriptor).
    std::string live;
    db::UniqueFd liveFd(db::createTempBeside(path, live));

    std::set<std::string> all = own;
    all.insert(stale.begin(), stale.end());
    all.insert(others.begin(), others.end());
    all.insert(".HOME.DBF.dir123");
    all.insert(fs::path(live).filename());
    {
        Table shared(path, OpenMode::Shared); // another open may be writing them
        Table reader(path, OpenMode::ReadOnly);
    }
    EXPECT_EQ(namesIn(dir.path()), all);

    { Table t(path, OpenMode::Exclusive); }
    for (const std::string &n : stale)
        all.erase(n);
    EXPECT_EQ(namesIn(dir.path()), all);

    liveFd.reset(); // its writer is gone
    { Table t(path, OpenMode::Exclusive); }
    all.erase(fs::path(live).filename());
    EXPECT_EQ(namesIn(dir.path()), all);
}

TEST_F(TempFilesTest, TemporaryNamesFitTheNameLimitAndStayApart) {
    const std::string longA = std::string(NAME_MAX - 4, 'a') + ".DBF";
    const std::string longB = std::string(NAME_MAX - 5, 'a') + "b.DBF";
    // A cut never splits a character: "é" is two bytes, across the place of the cut.
    const std::string utf8 = std::string(237, 'u') + "\xC3\xA9" + std::string(12, 'u') + ".DBF";
    ASSERT_EQ(utf8.size(), static_cast<std::size_t>(NAME_MAX));
    std::set<std::string> made;
    for (const std::string &name : {longA, longB, utf8, std::string("HOME.DBF")}) {
        const std::string temp = db::hiddenTempName(name, "XXXXXX");
        EXPECT_LE(temp.size(), static_cast<std::size_t>(NAME_MAX)) << name;
        EXPECT_TRUE(made.insert(temp).second) << "two files share their temporary names";
        EXPECT_EQ(temp.find("\xC3\xA9"), temp.find('\xC3'));
    }
    EXPECT_EQ(db::hiddenTempName("HOME.DBF", "XXXXXX"), ".HOME.DBF.XXXXXX");

    // Stale temporaries of one long name go, those of the other, alike up to its end, stay.
    const std::string a = dir.file(longA);
    const std::string b = dir.file(longB);
    for (const std::string &p : {a, b})
        DbfTable::create(p, {{"ITEM", 'C', 20, 0, 0}});
    const std::string tempA = leftBehind(a);
    const std::string tempB = leftBehind(b);
    { DbfTable t(a, OpenMode::Exclusive); }
    EXPECT_FALSE(fs::exists(tempA));
    EXPECT_TRUE(fs::exists(tempB));
}

TEST_F(TempFilesTest, ATableOfTheLongestNameCanBePackedReindexedAndExported) {
    // 255 bytes, memo file and index of the same length.
    makeTable(std::string(NAME_MAX - 4, 'k') + ".DBF");
    {
        Table t(path, OpenMode::Exclusive);
        t.pack();
        t.regenerateIndexes();
        t.deleteTag("ITEM");
        t.addTag("ITEM", "UPPER(ITEM)");
        EXPECT_NO_THROW(t.verifyIndex());
        ASSERT_EQ(t.recordCount(), 20u);
        int memos = 0;
        for (std::uint32_t r = 1; r <= t.recordCount(); ++r)
            memos += t.dbf().memo(t.record(r), 1).starts_with("memo of ") ? 1 : 0;
        EXPECT_EQ(memos, 10);
    }
    EXPECT_EQ(namesIn(dir.path()).size(), 3u) << "only the table, its index and memo file";

    const std::string target = dir.file(std::string(NAME_MAX - 4, 'x') + ".DBF");
    db::DbfBulkWriter writer(target, {{"ITEM", 'C', 20, 0, 0}});
    std::string rec = writer.blankRecord();
    rec.replace(1, 4, "copy");
    writer.append(rec);
    writer.commit();
    const DbfTable copy(target, OpenMode::ReadOnly);
    ASSERT_EQ(copy.recordCount(), 1u);
    EXPECT_EQ(copy.text(copy.record(1), 0), "copy");
    EXPECT_EQ(namesIn(dir.path()).size(), 4u);
}

} // namespace
