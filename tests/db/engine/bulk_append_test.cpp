// Bulk appends (an import): the keys of the new records end up in the index whichever way
// they are made, shared users wait for them, and a process killed half-way leaves a table
// that opens with a prefix of the new records and an index that agrees with it.
#include "crash_points.h"
#include "db/engine/bulk_append.h"
#include "db/engine/dbf_table.h"
#include "db/engine/file_names.h"
#include "db/engine/mdx_file.h"
#include "db/engine/table.h"
#include "dbf_test_support.h"

#include <gtest/gtest.h>

#include <functional>

using crashtest::End;
using db::BulkAppend;
using db::OpenMode;
using db::Table;
using testfiles::copyFile;

namespace {

class BulkAppendTest : public ::testing::Test {
protected:
    void SetUp() override {
        path = dir.file("HOME.DBF");
        Table::create(path, {{"Item", 'C', 20, 0, 0}, {"Qty", 'N', 11, 0, 0}});
        Table t(path, OpenMode::Exclusive);
        t.addTag("ITEM", "UPPER(Item)");
        t.addTag("QTY", "STR(Qty,11,0)");
    }

    static std::string make(Table &t, int i) {
        std::string rec = t.dbf().blankRecord();
        t.dbf().setText(rec, 0, "item " + std::to_string((i * 7919) % 10007));
        t.dbf().setInteger(rec, 1, i);
        return rec;
    }

    void insertOneByOne(int from, int to) {
        Table t(path, OpenMode::Shared);
        for (int i = from; i <= to; ++i)
            (void)t.insert(make(t, i));
    }

    void bulk(int from, int to) {
        Table t(path, OpenMode::Shared);
        BulkAppend b(t);
        for (int i = from; i <= to; ++i)
            EXPECT_EQ(b.append(make(t, i)), static_cast<std::uint32_t>(i));
        b.commit();
    }

    // The table opens, its index agrees with it, and record r holds quantity r.
    void expectSound(std::uint32_t count) {
        Table t(path, OpenMode::Shared);
        EXPECT_FALSE(t.indexNeedsRegeneration());
        ASSERT_EQ(t.recordCount(), count);
        EXPECT_NO_THROW(t.verifyIndex());
        for (std::uint32_t r = 1; r <= count; r += 97)
            EXPECT_EQ(t.dbf().integer(t.record(r), 1), static_cast<std::int64_t>(r));
        EXPECT_EQ(t.index()->count(0), count);
    }

    // The table and its index as they are now, to go back to after each kill.
    void keepFiles() {
        copyFile(path, path + ".saved");
        copyFile(mdxPath(), mdxPath() + ".saved");
    }
    void restoreFiles() {
        copyFile(path + ".saved", path);
        copyFile(mdxPath() + ".saved", mdxPath());
    }
    [[nodiscard]] std::string mdxPath() const { return db::companionPath(path, ".MDX"); }

    // Runs `work` in a child killed at its point `at`; the records the table opens with
    // afterwards (the open rebuilds an index left marked).
    std::uint32_t recordsAfterKill(const std::function<void()> &work, std::size_t at) {
        crashtest::Options o;
        o.killAt = at;
        EXPECT_EQ(crashtest::run(work, o), End::Killed);
        Table t(path, OpenMode::Shared);
        return t.recordCount();
    }

    testfiles::TempDir dir;
    std::string path;
};

TEST_F(BulkAppendTest, AnEmptyTableGetsItsIndexBuiltFromTheRecords) {
    bulk(1, 5000);
    expectSound(5000);
}

TEST_F(BulkAppendTest, AFewRecordsMoreAreMergedIntoTheTreesAndManyMoreRebuildThem) {
    insertOneByOne(1, 800);
    bulk(801, 850); // merged key by key in sorted order
    expectSound(850);
    bulk(851, 2000); // more than an eighth: rebuilt
    expectSound(2000);
    // Nothing was appended: the index is left as it was and sound.
    {
        Table t(path, OpenMode::Shared);
        BulkAppend b(t);
        b.commit();
    }
    expectSound(2000);
}

TEST_F(BulkAppendTest, EndingWithoutCommitKeepsWhatWasAppended) {
    insertOneByOne(1, 100);
    {
        Table t(path, OpenMode::Shared);
        BulkAppend b(t);
        for (int i = 101; i <= 110; ++i)
            (void)b.append(make(t, i));
    }
    expectSound(110);
}

TEST_F(BulkAppendTest, AReadOnlyTableIsRefused) {
    Table t(path, OpenMode::ReadOnly);
    EXPECT_THROW(BulkAppend b(t), db::DbError);
}

TEST_F(BulkAppendTest, AKillHalfWayLeavesAPrefixOfTheRecordsWithAnAgreeingIndex) {
    // Records of 32 bytes: pieces of 1 MB hold 32,768 of them.
    constexpr std::uint32_t kStart = 3000, kMore = 100000;
    insertOneByOne(1, kStart);
    keepFiles();
    const auto work = [this] { bulk(kStart + 1, kStart + kMore); };
    const std::vector<std::string> points = crashtest::pointsOf(work);
    ASSERT_EQ(points.back(), "index:written");
    ASSERT_EQ(points[points.size() / 2], "bulk:records");
    // Half-way through the records, and with the new index complete beside the old one.
    for (const std::size_t at : {points.size() / 2, points.size() - 1}) {
        SCOPED_TRACE("killed at point " + std::to_string(at) + ", " + points[at]);
        restoreFiles();
        const std::uint32_t count = recordsAfterKill(work, at);
        if (at == points.size() - 1) {
            EXPECT_EQ(count, kStart + kMore);
        } else {
            EXPECT_GT(count, kStart);
            EXPECT_LT(count, kStart + kMore);
        }
        expectSound(count);
    }
    restoreFiles();
    bulk(kStart + 1, kStart + kMore);
    expectSound(kStart + kMore);
}

TEST_F(BulkAppendTest, AKillWhileKeysAreMergedIntoTheTreesLeavesAnIndexThatIsRebuilt) {
    // At most an eighth more: the new keys go into the old trees one by one, so a kill there
    // leaves trees holding some of them.
    constexpr std::uint32_t kStart = 40000, kMore = 4900;
    bulk(1, kStart);
    keepFiles();
    const auto work = [this] { bulk(kStart + 1, kStart + kMore); };
    const std::vector<std::string> points = crashtest::pointsOf(work);
    std::vector<std::size_t> merging;
    for (std::size_t i = 0; i < points.size(); ++i)
        if (points[i] == "bulk:keys")
            merging.push_back(i);
    ASSERT_GE(merging.size(), 2u) << "the run did not merge keys into the trees";
    for (const std::size_t at : {merging.front(), merging.back()}) {
        SCOPED_TRACE("killed at point " + std::to_string(at));
        restoreFiles();
        const std::uint32_t count = recordsAfterKill(work, at);
        EXPECT_GT(count, kStart);
        EXPECT_LE(count, kStart + kMore);
        expectSound(count);
    }
}

} // namespace
