// A full disk and a killed process, for the operations that write: a failed append leaves the
// table as it was, a failed pack or index rebuild leaves the table with its index, and a pack
// killed at any of its steps leaves a table, memo file and index that agree.
#include "crash_points.h"
#include "db/engine/dbf_table.h"
#include "db/engine/file_names.h"
#include "db/engine/table.h"
#include "dbf_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

using crashtest::End;
using db::DbfTable;
using db::OpenMode;
using db::Table;

namespace {

namespace fs = std::filesystem;

struct Row {
    std::string item;
    std::string memo;
    bool deleted = false;
    bool operator==(const Row &) const = default;
};

class CrashTest : public ::testing::Test {
protected:
    // A table of `count` records (Qty = record number), a memo on every fifth when `memo`,
    // every third deleted, and an index on the item.
    void build(int count, bool memo) {
        path = dir.file("HOME.DBF");
        std::vector<db::FieldDef> fields{{"Item", 'C', 20, 0, 0}, {"Qty", 'N', 11, 0, 0}};
        if (memo)
            fields.push_back({"Notes", 'M', 10, 0, 0});
        Table::create(path, fields);
        Table t(path, OpenMode::Exclusive);
        t.addTag("ITEM", "UPPER(Item)");
        {
            Table::Batch batch(t);
            for (int i = 1; i <= count; ++i)
                (void)t.insert(make(t, i, memo && i % 5 == 0));
            batch.commit();
        }
        for (int i = 3; i <= count; i += 3)
            t.remove(static_cast<std::uint32_t>(i));
    }

    std::string make(Table &t, int i, bool withMemo) {
        std::string rec = t.dbf().blankRecord();
        t.dbf().setText(rec, 0, "item " + std::to_string((i * 7919) % 10007));
        t.dbf().setInteger(rec, 1, i);
        if (withMemo)
            t.dbf().setMemo(rec, 2,
                            "notes of record " + std::to_string(i) + "\r\n" +
                                std::string(static_cast<std::size_t>(i % 700), 'n'));
        return rec;
    }

    [[nodiscard]] std::string mdx() const { return db::companionPath(path, ".MDX"); }
    [[nodiscard]] std::string dbt() const { return db::companionPath(path, ".DBT"); }

    std::vector<Row> rows() const {
        DbfTable t(path, OpenMode::ReadOnly);
        std::vector<Row> out;
        for (std::uint32_t r = 1; r <= t.recordCount(); ++r) {
            const std::string rec(t.record(r));
            out.push_back({t.text(rec, 0), t.fieldCount() > 2 ? t.memo(rec, 2) : std::string(),
                           DbfTable::isDeleted(rec)});
        }
        return out;
    }

    static std::vector<Row> packed(const std::vector<Row> &all) {
        std::vector<Row> out;
        for (const Row &r : all)
            if (!r.deleted)
                out.push_back(r);
        return out;
    }

    // The index of the table as an open for writing leaves it: sound, one key per live
    // record, each the record's own. Returns false when the table has no index.
    bool expectSoundIndex() const {
        Table t(path, OpenMode::Shared);
        db::MdxFile *index = t.index();
        if (!index)
            return false;
        EXPECT_FALSE(t.indexNeedsRegeneration());
        EXPECT_NO_THROW(index->verify(0));
        std::set<std::uint32_t> keyed;
        std::uint64_t live = 0;
        for (std::uint32_t r = 1; r <= t.recordCount(); ++r)
            live += DbfTable::isDeleted(t.record(r)) ? 0 : 1;
        db::MdxCursor c(*index, 0);
        for (bool ok = c.first(); ok; ok = c.next()) {
            EXPECT_TRUE(keyed.insert(c.recno()).second);
            const std::string rec(t.record(c.recno()));
            EXPECT_FALSE(DbfTable::isDeleted(rec)) << "a key of deleted record " << c.recno();
            EXPECT_EQ(index->keyFor(0, rec.data()), std::string(c.key()));
        }
        EXPECT_EQ(keyed.size(), live);
        return true;
    }

    // Only the table's own files are in the directory.
    void expectNothingBeside() const {
        std::set<std::string> names;
        for (const auto &e : fs::directory_iterator(dir.path()))
            if (e.path().extension() != ".keep")
                names.insert(e.path().filename().string());
        std::set<std::string> own{"HOME.DBF", "HOME.MDX"};
        if (fs::exists(dbt()))
            own.insert("HOME.DBT");
        EXPECT_EQ(names, own);
    }

    void keep() {
        for (const std::string &f : {path, mdx(), dbt()})
            if (fs::exists(f))
                fs::copy_file(f, f + ".keep", fs::copy_options::overwrite_existing);
    }
    void restore() {
        for (const auto &e : fs::directory_iterator(dir.path()))
            if (e.path().extension() != ".keep")
                fs::remove(e.path());
        for (const std::string &f : {path, mdx(), dbt()})
            if (fs::exists(f + ".keep"))
                fs::copy_file(f + ".keep", f);
    }

    dbftest::TempDir dir;
    std::string path;
};

TEST_F(CrashTest, AnAppendOnAFullDiskLeavesTheTableAsItWas) {
    build(50, false);
    fs::remove(mdx());
    DbfTable::writeProductionIndexFlag(path, false);
    const std::string before = dbftest::readBytes(path);
    int recordLength = 0;
    {
        DbfTable t(path, OpenMode::ReadOnly);
        recordLength = t.recordLength();
    }
    // No byte of room, and room for half a record: the record is cut, then taken back.
    for (std::uint64_t room : {std::uint64_t{0}, static_cast<std::uint64_t>(recordLength / 2)}) {
        SCOPED_TRACE(room);
        crashtest::Options full;
        full.fileSizeLimit = before.size() + room;
        const End end = crashtest::run(
            [&] {
                DbfTable t(path, OpenMode::Exclusive);
                std::string rec = t.blankRecord();
                t.setText(rec, 0, "one too many");
                (void)t.appendRecord(rec);
            },
            full);
        EXPECT_EQ(end, End::DbError) << crashtest::name(end);
        EXPECT_TRUE(dbftest::readBytes(path) == before)
            << "the old count, every earlier record and the end-of-file mark";
        DbfTable t(path, OpenMode::ReadOnly);
        EXPECT_EQ(t.recordCount(), 50u);
        EXPECT_FALSE(t.countExceedsFile());
    }
    DbfTable t(path, OpenMode::Exclusive);
    EXPECT_EQ(t.appendRecord(t.blankRecord()), 51u) << "the table takes appends again";
}

TEST_F(CrashTest, ABatchOnAFullDiskKeepsWhatWasCommittedWithAGoodIndex) {
    build(10, false);
    const std::uint64_t size = fs::file_size(path);
    crashtest::Options full;
    full.fileSizeLimit = size + 2'500'000; // a few 1 MB pieces, then no room
    const End end = crashtest::run(
        [&] {
            Table t(path, OpenMode::Shared);
            Table::Batch batch(t);
            for (int i = 11; i <= 100000; ++i)
                (void)t.insert(make(t, i, false));
            batch.commit();
        },
        full);
    EXPECT_EQ(end, End::DbError) << crashtest::name(end);
    {
        DbfTable t(path, OpenMode::ReadOnly);
        EXPECT_FALSE(t.countExceedsFile()) << "the count claims no record that is not there";
        EXPECT_GT(t.recordCount(), 10u);
        EXPECT_LT(t.recordCount(), 100000u);
        for (std::uint32_t r = 1; r <= t.recordCount(); ++r)
            ASSERT_EQ(t.integer(t.record(r), 1), static_cast<std::int64_t>(r));
    }
    EXPECT_TRUE(expectSoundIndex());
}

TEST_F(CrashTest, APackOnAFullDiskLeavesTheTableAndItsIndex) {
    for (bool memo : {false, true}) {
        SCOPED_TRACE(memo ? "with memo" : "without memo");
        build(6000, memo);
        const std::vector<Row> before = rows();
        const std::string mdxBefore = dbftest::readBytes(mdx());
        const std::uint64_t memoSize = memo ? fs::file_size(dbt()) : 0;
        crashtest::Options full;
        full.fileSizeLimit = fs::file_size(path) / 2 + memoSize / 4;
        const End end = crashtest::run(
            [&] {
                Table t(path, OpenMode::Exclusive);
                t.pack();
            },
            full);
        EXPECT_EQ(end, End::DbError) << crashtest::name(end);
        EXPECT_EQ(rows(), before) << "every record, deleted ones too, with its memo";
        EXPECT_EQ(dbftest::readBytes(path)[28], '\x01') << "the index still belongs to it";
        EXPECT_TRUE(dbftest::readBytes(mdx()) == mdxBefore) << "the index is untouched";
        if (memo) {
            EXPECT_EQ(fs::file_size(dbt()), memoSize) << "the memo copies are taken back";
        }
        EXPECT_TRUE(expectSoundIndex());
        expectNothingBeside();
    }
}

TEST_F(CrashTest, AnIndexRebuildOnAFullDiskKeepsTheOldIndex) {
    build(6000, false);
    const std::string mdxBefore = dbftest::readBytes(mdx());
    crashtest::Options full;
    full.fileSizeLimit = 4096; // the new index's header and a little more
    End end = crashtest::run(
        [&] {
            Table t(path, OpenMode::Exclusive);
            t.regenerateIndexes();
        },
        full);
    EXPECT_EQ(end, End::DbError) << crashtest::name(end);
    EXPECT_TRUE(dbftest::readBytes(mdx()) == mdxBefore);
    expectNothingBeside();
    EXPECT_TRUE(expectSoundIndex());

    // A tag added in place runs out of room half-way: the marker makes the next open rebuild.
    full.fileSizeLimit = fs::file_size(mdx()) + 4096;
    end = crashtest::run(
        [&] {
            Table t(path, OpenMode::Exclusive);
            t.addTag("QTY", "Qty");
        },
        full);
    EXPECT_EQ(end, End::DbError) << crashtest::name(end);
    EXPECT_TRUE(expectSoundIndex());
    Table t(path, OpenMode::ReadOnly);
    ASSERT_NE(t.index(), nullptr);
    EXPECT_EQ(t.index()->tagCount(), 1);
}

TEST_F(CrashTest, APackKilledAtAnyStepLeavesTableMemoFileAndIndexAgreeing) {
    for (bool memo : {false, true}) {
        SCOPED_TRACE(memo ? "with memo" : "without memo");
        build(12000, memo);
        const std::vector<Row> before = rows();
        const std::vector<Row> after = packed(before);
        keep();
        const auto pack = [&] {
            Table t(path, OpenMode::Exclusive);
            t.pack();
        };
        const std::vector<std::string> points = crashtest::pointsOf(pack);
        ASSERT_EQ(rows(), after);
        EXPECT_TRUE(expectSoundIndex());
        const std::set<std::string> names(points.begin(), points.end());
        for (const char *step : {"pack:unflagged", "pack:records", "pack:written", "pack:switched",
                                 "index:written", "pack:reindexed"})
            EXPECT_EQ(names.count(step), 1u) << step;
        if (memo) {
            EXPECT_EQ(names.count("pack:moved"), 1u);
            EXPECT_EQ(names.count("pack:renumbered"), 1u);
            // Compacted: the memo file holds the live memos and no more.
            std::uint64_t bytes = 512;
            for (const Row &r : after)
                if (!r.memo.empty())
                    bytes += (r.memo.size() + 8 + 511) / 512 * 512;
            EXPECT_EQ(fs::file_size(dbt()), bytes);
        }
        for (std::size_t k : crashtest::spread(points, 12)) {
            SCOPED_TRACE("killed at point " + std::to_string(k) + " (" + points[k] + ")");
            restore();
            crashtest::Options kill;
            kill.killAt = k;
            ASSERT_EQ(crashtest::run(pack, kill), End::Killed);
            std::vector<Row> now;
            ASSERT_NO_THROW(now = rows()) << "a memo pointer leads nowhere";
            EXPECT_TRUE(now == before || now == after) << "records or memos lost or mixed up";
            // Before the index is rebuilt the table may be left without one (byte 28 clear);
            // the program then makes its index anew.
            const bool indexed = expectSoundIndex();
            if (!indexed) {
                EXPECT_EQ(dbftest::readBytes(path)[28], '\x00');
            }
            // What the killed pack was writing goes with the next exclusive open.
            { Table t(path, OpenMode::Exclusive); }
            expectNothingBeside();
            if (HasFatalFailure())
                return;
        }
        restore();
        fs::remove(path + ".keep");
        fs::remove(mdx() + ".keep");
        if (memo)
            fs::remove(dbt() + ".keep");
    }
}

} // namespace
