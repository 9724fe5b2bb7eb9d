// The table with its production index: every change keeps every tag current, pack and
// regenerate rebuild it, byte 28 follows the index, and a killed writer is repaired.
#include "db/engine/db_error.h"
#include "db/engine/file_names.h"
#include "db/engine/table.h"
#include "dbf_test_support.h"
#include "test_paths.h"

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>

using db::OpenMode;
using db::Table;

namespace {

class TableTest : public ::testing::Test {
protected:
    void SetUp() override {
        path = dir.file("HOME.DBF");
        Table::create(path,
                      {{"Item", 'C', 20, 0, 0}, {"Qty", 'N', 11, 0, 0}, {"Bought", 'D', 8, 0, 0}});
    }

    static std::string make(Table &t, const std::string &item, int qty = 1, const char *date = "") {
        std::string rec = t.dbf().blankRecord();
        t.dbf().setText(rec, 0, item);
        t.dbf().setInteger(rec, 1, qty);
        t.dbf().setDate(rec, 2, date);
        return rec;
    }

    // Record numbers in the order of the first tag.
    static std::vector<std::uint32_t> order(Table &t) {
        std::vector<std::uint32_t> out;
        db::MdxCursor c(*t.index(), 0);
        for (bool ok = c.first(); ok; ok = c.next())
            out.push_back(c.recno());
        return out;
    }

    static unsigned char byte28(const std::string &file) {
        return static_cast<unsigned char>(dbftest::readBytes(file)[28]);
    }

    dbftest::TempDir dir;
    std::string path;
};

using V = std::vector<std::uint32_t>;

} // namespace

TEST_F(TableTest, EveryChangeKeepsTheTagCurrent) {
    Table t(path, OpenMode::Shared);
    EXPECT_EQ(t.index(), nullptr);
    (void)t.insert(make(t, "pear"));
    t.addTag("NewIndex", "UPPER(Item)+DTOS(Bought)");
    ASSERT_NE(t.index(), nullptr);
    EXPECT_EQ(byte28(path), 1);
    EXPECT_EQ(t.insert(make(t, "Apple")), 2u);
    EXPECT_EQ(t.insert(make(t, "fig")), 3u);
    EXPECT_EQ(order(t), (V{2, 3, 1}));

    t.update(1, make(t, "banana"));
    EXPECT_EQ(order(t), (V{2, 1, 3}));
    t.remove(2);
    EXPECT_EQ(order(t), (V{1, 3}));
    t.remove(2); // already deleted: nothing changes
    t.recall(2);
    EXPECT_EQ(order(t), (V{2, 1, 3}));
    t.update(3, make(t, "apple", 1, "19990101")); // same item, the date breaks the tie
    EXPECT_EQ(order(t), (V{2, 3, 1}));
    EXPECT_NO_THROW(t.index()->verify(0));
    EXPECT_EQ(t.index()->count(0), 3u);
}

TEST_F(TableTest, PackRebuildsTheIndexForTheNewRecordNumbers) {
    {
        Table t(path, OpenMode::Exclusive);
        t.addTag("NEWINDEX", "UPPER(Item)");
        for (const char *item : {"e", "d", "c", "b", "a"})
            (void)t.insert(make(t, item));
        t.remove(2);
        t.remove(4);
        t.pack();
        ASSERT_EQ(t.recordCount(), 3u);
        EXPECT_EQ(order(t), (V{3, 2, 1})); // a, c, e
        EXPECT_EQ(byte28(path), 1);
        (void)t.insert(make(t, "b"));
        EXPECT_EQ(order(t), (V{3, 4, 2, 1}));
    }
    const std::string checker = std::string(test_paths::kOraclesDir) + "/mdx_keys.pl";
    if (!dbftest::executable("/usr/bin/perl"))
        GTEST_SKIP() << "perl is not installed";
    int status = 0;
    const std::string mdx = db::companionPath(path, ".MDX");
    const std::string check =
        dbftest::run("perl " + checker + " --check " + dbftest::quoted(mdx) + " NEWINDEX", &status);
    EXPECT_EQ(status, 0) << check;
    EXPECT_EQ(dbftest::run("perl " + checker + " " + dbftest::quoted(mdx) + " NEWINDEX | cut -f1"),
              "3\n4\n2\n1\n");
}

TEST_F(TableTest, RegenerateRepairsAnIndexThatWasChangedBehindItsBack) {
    {
        Table t(path, OpenMode::Exclusive);
        t.addTag("NEWINDEX", "UPPER(Item)");
        (void)t.insert(make(t, "b"));
        (void)t.insert(make(t, "a"));
    }
    {
        // A program that knows nothing of the index changes a record.
        db::DbfTable raw(path, OpenMode::Exclusive);
        std::string rec(raw.record(1));
        raw.setText(rec, 0, "0");
        raw.writeRecord(1, rec);
    }
    Table t(path, OpenMode::Exclusive);
    EXPECT_EQ(order(t), (V{2, 1}));
    t.regenerateIndexes();
    EXPECT_EQ(order(t), (V{1, 2}));
}

TEST_F(TableTest, DeletingTheLastTagRemovesTheIndex) {
    {
        Table t(path, OpenMode::Exclusive);
        t.addTag("NEWINDEX", "UPPER(Item)");
        t.deleteTag("NEWINDEX");
        EXPECT_EQ(t.index(), nullptr);
        EXPECT_THROW(t.deleteTag("NEWINDEX"), db::DbError);
    }
    EXPECT_EQ(byte28(path), 0);
    EXPECT_FALSE(db::findFileIgnoringCase(db::companionPath(path, ".MDX")));
    Table again(path, OpenMode::Shared);
    EXPECT_EQ(again.index(), nullptr);
}

TEST_F(TableTest, FlagWithoutIndexFileIsRefusedUntilCleared) {
    {
        Table t(path, OpenMode::Exclusive);
        t.addTag("NEWINDEX", "UPPER(Item)");
    }
    ASSERT_EQ(std::remove(db::companionPath(path, ".MDX").c_str()), 0);
    try {
        Table t(path, OpenMode::Shared);
        ADD_FAILURE() << "opened without its index";
    } catch (const db::DbError &e) {
        EXPECT_NE(std::string(e.what()).find("HOME.MDX"), std::string::npos) << e.what();
    }
    db::DbfTable::writeProductionIndexFlag(path, false);
    EXPECT_EQ(byte28(path), 0);
    Table t(path, OpenMode::Shared);
    EXPECT_EQ(t.index(), nullptr);
}

TEST_F(TableTest, CreateDropsAStaleIndex) {
    {
        Table t(path, OpenMode::Exclusive);
        t.addTag("NEWINDEX", "UPPER(Item)");
    }
    Table::create(path, {{"Item", 'C', 20, 0, 0}});
    EXPECT_FALSE(db::findFileIgnoringCase(db::companionPath(path, ".MDX")));
    EXPECT_EQ(byte28(path), 0);
}

TEST_F(TableTest, TwoSharedUsersSeeEachOthersKeys) {
    Table a(path, OpenMode::Shared);
    a.addTag("NEWINDEX", "UPPER(Item)");
    Table b(path, OpenMode::Shared);
    ASSERT_NE(b.index(), nullptr);
    (void)a.insert(make(a, "m"));
    (void)b.insert(make(b, "c")); // b's write re-reads the header and the index first
    (void)a.insert(make(a, "x"));
    b.refresh();
    EXPECT_EQ(b.recordCount(), 3u);
    EXPECT_EQ(order(b), (V{2, 1, 3}));
    EXPECT_NO_THROW(b.index()->verify(0));
}

TEST_F(TableTest, ASharedUserTakesUpAnIndexMadeElsewhereAndRepairsAKilledWritersMarker) {
    Table a(path, OpenMode::Shared); // opened while the table has no index
    (void)a.insert(make(a, "m"));
    {
        Table b(path, OpenMode::Shared);
        b.addTag("NEWINDEX", "UPPER(Item)");
    }
    EXPECT_EQ(a.index(), nullptr);
    (void)a.insert(make(a, "c")); // must give the record its key in the new index
    ASSERT_NE(a.index(), nullptr);
    EXPECT_EQ(order(a), (V{2, 1}));

    // A writer killed inside its update window leaves the marker on disk.
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(ready[0]);
        try {
            Table w(path, OpenMode::Shared);
            auto lock = w.dbf().lockForWrite();
            w.index()->beginUpdate();
            (void)w.dbf().appendRecord(make(w, "a")); // posted, but never keyed
            const char go = 1;
            (void)!::write(ready[1], &go, 1);
            ::pause();
        } catch (...) {
        }
        ::_exit(1);
    }
    ::close(ready[1]);
    char go = 0;
    ASSERT_EQ(::read(ready[0], &go, 1), 1);
    ::close(ready[0]);
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);

    // `a` still holds the index it read before; its next change finds the marker under the
    // lock, rebuilds the index, and goes on.
    (void)a.insert(make(a, "b"));
    EXPECT_FALSE(a.indexNeedsRegeneration());
    EXPECT_EQ(a.recordCount(), 4u);
    EXPECT_EQ(order(a), (V{3, 4, 2, 1}));
    EXPECT_NO_THROW(a.index()->verify(0));
}

TEST_F(TableTest, AReadOnlyTableRefusesEveryChangeAndNamesIt) {
    {
        Table t(path, OpenMode::Exclusive);
        (void)t.insert(make(t, "a"));
    }
    Table t(path, OpenMode::ReadOnly);
    const std::string before = dbftest::readBytes(path);
    const auto refusal = [](const std::function<void()> &change) {
        try {
            change();
        } catch (const db::DbError &e) {
            return std::string(e.what());
        }
        return std::string("accepted");
    };
    EXPECT_NE(refusal([&] { t.addTag("NEWINDEX", "UPPER(Item)"); }).find("add an index tag"),
              std::string::npos);
    EXPECT_NE(refusal([&] { t.regenerateIndexes(); }).find("read-only"), std::string::npos);
    EXPECT_NE(refusal([&] { (void)t.insert(make(t, "b")); }).find("read-only"), std::string::npos);
    EXPECT_NE(refusal([&] { t.remove(1); }).find("read-only"), std::string::npos);
    EXPECT_NE(refusal([&] { t.pack(); }).find("exclusively"), std::string::npos);
    EXPECT_EQ(dbftest::readBytes(path), before);
    EXPECT_FALSE(db::findFileIgnoringCase(db::companionPath(path, ".MDX")));
}

TEST_F(TableTest, AKilledWriterLeavesATableThatOpensWithAGoodIndex) {
    {
        Table t(path, OpenMode::Exclusive);
        t.addTag("NEWINDEX", "UPPER(Item)");
    }
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[0]);
        try {
            Table t(path, OpenMode::Shared);
            for (int i = 1;; ++i) {
                (void)t.insert(make(t, "item" + std::to_string(i % 97), i));
                if (i % 3 == 0)
                    t.remove(static_cast<std::uint32_t>(i - 1));
                (void)!::write(fds[1], &i, sizeof i);
            }
        } catch (...) {
            ::_exit(1);
        }
    }
    ::close(fds[1]);
    int posted = 0, value = 0;
    while (posted < 400 && ::read(fds[0], &value, sizeof value) == sizeof value)
        posted = value;
    ::kill(child, SIGKILL);
    while (::read(fds[0], &value, sizeof value) == sizeof value)
        posted = value;
    ::close(fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);

    Table t(path, OpenMode::Shared);
    ASSERT_GE(t.recordCount(), static_cast<std::uint32_t>(posted));
    std::uint64_t live = 0;
    for (std::uint32_t r = 1; r <= t.recordCount(); ++r) {
        const std::string rec(t.record(r));
        EXPECT_EQ(t.dbf().integer(rec, 1), static_cast<long long>(r));
        if (!db::DbfTable::isDeleted(rec))
            ++live;
    }
    ASSERT_FALSE(t.indexNeedsRegeneration());
    EXPECT_NO_THROW(t.index()->verify(0));
    EXPECT_EQ(t.index()->count(0), live);
}

TEST_F(TableTest, ABatchKeepsTheIndexCurrentAndSurvivesAKill) {
    {
        Table t(path, OpenMode::Shared);
        t.addTag("NEWINDEX", "UPPER(Item)");
        Table::Batch batch(t);
        for (int i = 0; i < 50; ++i)
            (void)t.insert(make(t, "item" + std::to_string(49 - i), i + 1));
        batch.commit();
        EXPECT_EQ(order(t).front(), 50u);
        EXPECT_EQ(t.index()->count(0), 50u);
    }
    // The child reports every record it has given to the batch; the kills land before the
    // first 1 MB piece is written, just after it, and in the middle of the second.
    int recordLength = 0;
    {
        Table t(path, OpenMode::ReadOnly);
        recordLength = t.dbf().recordLength();
    }
    const int perPiece = (1024 * 1024 + recordLength - 1) / recordLength;
    for (int killAfter : {200, perPiece + 20, perPiece + perPiece / 2}) {
        SCOPED_TRACE("killed after " + std::to_string(killAfter) + " inserts");
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(fds[0]);
            try {
                Table t(path, OpenMode::Shared);
                Table::Batch batch(t);
                for (int i = static_cast<int>(t.recordCount()) + 1;; ++i) {
                    (void)t.insert(make(t, "more" + std::to_string(i), i));
                    (void)!::write(fds[1], &i, sizeof i);
                }
            } catch (...) {
                ::_exit(1);
            }
        }
        ::close(fds[1]);
        int given = 0, value = 0;
        while (given < killAfter && ::read(fds[0], &value, sizeof value) == sizeof value)
            ++given;
        ::kill(child, SIGKILL);
        ::close(fds[0]);
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status));
        Table t(path, OpenMode::Shared); // rebuilds the index the kill left half changed
        EXPECT_FALSE(t.indexNeedsRegeneration());
        EXPECT_GE(t.recordCount(), 50u);
        EXPECT_EQ(t.index()->count(0), t.recordCount());
        EXPECT_NO_THROW(t.index()->verify(0));
        for (std::uint32_t r = 1; r <= t.recordCount(); ++r)
            ASSERT_EQ(t.dbf().integer(std::string(t.record(r)), 1), static_cast<long long>(r));
    }
}
