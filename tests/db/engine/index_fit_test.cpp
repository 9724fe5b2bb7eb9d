// A production index that cannot be read, or that does not fit its table (made for another
// table, naming records the table never had), is not used: a read-only open reads the table
// without it and says why; an open that may change the table rebuilds it or sets it aside.
#include "db/engine/db_error.h"
#include "db/engine/file_names.h"
#include "db/engine/table.h"
#include "dbf_test_support.h"
#include "test_paths.h"

#include <gtest/gtest.h>

#include <unistd.h>

using db::OpenMode;
using db::Table;

namespace {

class IndexFitTest : public ::testing::Test {
protected:
    // A table of `records` items with a tag on Item, in `folder` under the test directory.
    std::string makeTable(const std::string &name, int records, const std::string &folder = "") {
        std::string dirPath = dir.path();
        if (!folder.empty()) {
            dirPath += "/" + folder;
            ::mkdir(dirPath.c_str(), 0755);
        }
        const std::string file = dirPath + "/" + name + ".DBF";
        Table::create(file, {{"Item", 'C', 20, 0, 0}, {"Qty", 'N', 11, 0, 0}});
        Table t(file, OpenMode::Exclusive);
        t.addTag("BYITEM", "UPPER(Item)");
        for (int i = 0; i < records; ++i) {
            std::string rec = t.dbf().blankRecord();
            t.dbf().setText(rec, 0, name + " item " + std::to_string((i * 7) % records));
            t.dbf().setInteger(rec, 1, i);
            (void)t.insert(rec);
        }
        return file;
    }
    static std::string mdxOf(const std::string &table) { return db::companionPath(table, ".MDX"); }
    static unsigned char byte28(const std::string &file) {
        return static_cast<unsigned char>(dbftest::readBytes(file)[28]);
    }

    dbftest::TempDir dir;
};

} // namespace

TEST_F(IndexFitTest, AnIndexMadeForAnotherTableIsSetAsideOrRebuilt) {
    const std::string home = makeTable("HOME", 40);
    const std::string other = makeTable("OTHER", 25);
    dbftest::copyFile(mdxOf(other), mdxOf(home));
    const std::string before = dbftest::readBytes(home);
    {
        Table t(home, OpenMode::ReadOnly);
        EXPECT_EQ(t.index(), nullptr) << "its 25 keys would hide 15 of the 40 records";
        EXPECT_NE(t.indexProblem().find("HOME.MDX"), std::string::npos) << t.indexProblem();
        EXPECT_NE(t.indexProblem().find("OTHER"), std::string::npos) << t.indexProblem();
        EXPECT_EQ(t.recordCount(), 40u);
        EXPECT_EQ(t.dbf().text(t.record(40), 0), "HOME item 33");
    }
    EXPECT_EQ(dbftest::readBytes(home), before) << "a read-only open wrote to the table";

    // Where the table may be changed, the index is rebuilt from its own tags.
    Table t(home, OpenMode::Exclusive);
    ASSERT_NE(t.index(), nullptr);
    EXPECT_NE(t.indexProblem().find("rebuilt"), std::string::npos) << t.indexProblem();
    EXPECT_EQ(t.index()->count(0), 40u);
    EXPECT_NO_THROW(t.verifyIndex());
    EXPECT_EQ(byte28(home), 1);
}

TEST_F(IndexFitTest, AnIndexNamingRecordsTheTableNeverHadIsNotUsed) {
    // Same table name, another folder, more records: only the keys give it away.
    const std::string home = makeTable("HOME", 12);
    const std::string bigger = makeTable("HOME", 30, "elsewhere");
    dbftest::copyFile(mdxOf(bigger), mdxOf(home));
    Table t(home, OpenMode::ReadOnly);
    EXPECT_EQ(t.index(), nullptr);
    EXPECT_NE(t.indexProblem().find("30 keys for 12 records"), std::string::npos)
        << t.indexProblem();
}

TEST_F(IndexFitTest, ARootNodeClaimingNoKeysIsCaughtWhenTheTableOpens) {
    const std::string home = makeTable("HOME", 300); // eight leaves under the root
    std::string mdx = dbftest::readBytes(mdxOf(home));
    const auto le32 = [&mdx](std::size_t at) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(mdx[at])) |
               static_cast<std::uint32_t>(static_cast<unsigned char>(mdx[at + 1])) << 8 |
               static_cast<std::uint32_t>(static_cast<unsigned char>(mdx[at + 2])) << 16;
    };
    const std::size_t root = le32(static_cast<std::size_t>(le32(544)) * 512) * 512;
    ASSERT_GT(le32(root), 0u);
    mdx.replace(root, 4, std::string(4, '\0'));
    dbftest::writeBytes(mdxOf(home), mdx);
    {
        Table t(home, OpenMode::ReadOnly);
        EXPECT_EQ(t.index(), nullptr) << "the walk would see one child of the root";
        EXPECT_NE(t.indexProblem().find("claims no keys"), std::string::npos) << t.indexProblem();
    }
    Table t(home, OpenMode::Exclusive);
    ASSERT_NE(t.index(), nullptr);
    EXPECT_EQ(t.index()->count(0), 300u);
    EXPECT_NO_THROW(t.verifyIndex());
}

TEST_F(IndexFitTest, AnUnreadableIndexLeavesTheRecordsReadable) {
    const std::string home = makeTable("HOME", 10);
    std::string garbage = dbftest::readBytes(mdxOf(home));
    garbage[0] = 7; // not an index version
    dbftest::writeBytes(mdxOf(home), garbage);
    {
        Table t(home, OpenMode::ReadOnly);
        EXPECT_EQ(t.index(), nullptr);
        EXPECT_NE(t.indexProblem().find("cannot be read"), std::string::npos) << t.indexProblem();
        EXPECT_EQ(t.recordCount(), 10u);
    }
    EXPECT_EQ(byte28(home), 1);
    {
        // Tags that cannot be read cannot be rebuilt: the table lets the index go, as when it
        // is missing, and a new one can be made.
        Table t(home, OpenMode::Shared);
        EXPECT_EQ(t.index(), nullptr);
        EXPECT_EQ(byte28(home), 0);
        std::string rec = t.dbf().blankRecord();
        t.dbf().setText(rec, 0, "added");
        EXPECT_EQ(t.insert(rec), 11u);
        t.addTag("BYITEM", "UPPER(Item)");
        EXPECT_NO_THROW(t.verifyIndex());
    }
    Table again(home, OpenMode::ReadOnly);
    ASSERT_NE(again.index(), nullptr);
    EXPECT_TRUE(again.indexProblem().empty()) << again.indexProblem();
    EXPECT_EQ(again.index()->count(0), 11u);
}

TEST_F(IndexFitTest, RecordsCutOffTheTableAreNotTheIndexsFault) {
    const std::string home = makeTable("HOME", 20);
    std::string bytes = dbftest::readBytes(home);
    const std::size_t headerLength =
        static_cast<unsigned char>(bytes[8]) + 256u * static_cast<unsigned char>(bytes[9]);
    const std::size_t recordLength = 32;
    ASSERT_EQ(bytes.size(), headerLength + 20 * recordLength + 1);
    dbftest::writeBytes(home, bytes.substr(0, headerLength + 15 * recordLength));
    {
        Table t(home, OpenMode::ReadOnly);
        EXPECT_TRUE(t.dbf().countExceedsFile());
        EXPECT_NE(t.index(), nullptr) << t.indexProblem();
    }
    // A header count short of the records the file holds: the keys of the uncounted ones
    // name records that are there, so the index stays too.
    bytes[4] = 10;
    dbftest::writeBytes(home, bytes);
    Table t(home, OpenMode::ReadOnly);
    EXPECT_EQ(t.recordCount(), 10u);
    EXPECT_NE(t.index(), nullptr) << t.indexProblem();
}

TEST_F(IndexFitTest, AReadOnlyOpenReadsATableWhoseIndexIsMissing) {
    const std::string home = makeTable("HOME", 5);
    ASSERT_EQ(::unlink(mdxOf(home).c_str()), 0);
    EXPECT_THROW(Table(home, OpenMode::Shared), db::DbError);
    Table t(home, OpenMode::ReadOnly);
    EXPECT_EQ(t.index(), nullptr);
    EXPECT_NE(t.indexProblem().find("HOME.MDX is missing"), std::string::npos) << t.indexProblem();
    EXPECT_EQ(t.recordCount(), 5u);
}

TEST_F(IndexFitTest, EveryIndexOfTheSampleTablesFitsItsTable) {
    for (const char *name :
         {"ACCT_REC", "CLIENT", "CODES", "NAMES", "PEOPLE", "STOKPRIC", "TESTGEN"}) {
        const std::string file = std::string(test_paths::kSamplesDir) + "/blipper/" + name + ".DBF";
        Table t(file, OpenMode::ReadOnly);
        EXPECT_NE(t.index(), nullptr) << name << ": " << t.indexProblem();
        EXPECT_TRUE(t.indexProblem().empty()) << name << ": " << t.indexProblem();
    }
}
