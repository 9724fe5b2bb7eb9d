// A table whose file is replaced by another process (pack renames a rebuilt table and index
// into place) while an open of it is between its open and its lock, or while it is open: the
// changes of that open must go to the file the name leads to, not to the old one.
#include "db/engine/db_error.h"
#include "db/engine/dbf_table.h"
#include "db/engine/file_names.h"
#include "db/engine/table.h"
#include "db/engine/test_hook.h"
#include "dbf_test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>

using db::DbfTable;
using db::OpenMode;
using db::Table;

namespace {

namespace fs = std::filesystem;

// The child's side of a hold: on its first open of a table it says so and waits to be let go.
int g_toParent = -1;
int g_toChild = -1;
bool g_held = false;

void holdAtFirstOpen(const char *point) {
    if (g_held || std::strcmp(point, "table:opened") != 0)
        return;
    g_held = true;
    char c = 'h';
    (void)!::write(g_toParent, &c, 1);
    (void)!::read(g_toChild, &c, 1);
}

class ReplacedFileTest : public ::testing::Test {
protected:
    // Records 1..count (N = the number), every third deleted, with an index on N.
    void build(int count) {
        path = dir.file("HOME.DBF");
        Table::create(path, {{"WHO", 'C', 12, 0, 0}, {"N", 'N', 8, 0, 0}});
        Table t(path, OpenMode::Exclusive);
        t.addTag("N", "N");
        for (int i = 1; i <= count; ++i)
            (void)t.insert(make(t, "builder", i));
        for (int i = 3; i <= count; i += 3)
            t.remove(static_cast<std::uint32_t>(i));
    }

    static std::string make(Table &t, const std::string &who, int n) {
        std::string rec = t.dbf().blankRecord();
        t.dbf().setText(rec, 0, who);
        t.dbf().setInteger(rec, 1, n);
        return rec;
    }

    // Starts `work` in a child process held at its first open of a table, between the open
    // and the lock, until release().
    void startHeld(const std::function<void()> &work) {
        int toParent[2], toChild[2];
        ASSERT_EQ(::pipe(toParent), 0);
        ASSERT_EQ(::pipe(toChild), 0);
        m_child = ::fork();
        ASSERT_GE(m_child, 0);
        if (m_child == 0) {
            ::close(toParent[0]);
            ::close(toChild[1]);
            g_toParent = toParent[1];
            g_toChild = toChild[0];
            db::testhook::set(&holdAtFirstOpen);
            int rc = 0;
            try {
                work();
            } catch (...) {
                rc = 1;
            }
            ::_exit(rc);
        }
        ::close(toParent[1]);
        ::close(toChild[0]);
        m_fromChild = toParent[0];
        m_toChild = toChild[1];
        char c = 0;
        ASSERT_EQ(::read(m_fromChild, &c, 1), 1) << "the child did not reach its open";
    }

    // Lets the child go on; its exit status (0: its work succeeded).
    int release() {
        char c = 'g';
        (void)!::write(m_toChild, &c, 1);
        int status = 0;
        ::waitpid(m_child, &status, 0);
        ::close(m_fromChild);
        ::close(m_toChild);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    void pack() {
        Table t(path, OpenMode::Exclusive);
        t.pack();
    }

    // Live records written by `who`.
    [[nodiscard]] int countOf(const std::string &who) const {
        const DbfTable t(path, OpenMode::ReadOnly);
        int n = 0;
        for (std::uint32_t r = 1; r <= t.recordCount(); ++r) {
            const std::string rec(t.record(r));
            n += !DbfTable::isDeleted(rec) && t.text(rec, 0) == who ? 1 : 0;
        }
        return n;
    }

    void expectIndexAgrees() const {
        Table t(path, OpenMode::ReadOnly);
        ASSERT_NE(t.index(), nullptr);
        EXPECT_FALSE(t.indexNeedsRegeneration());
        EXPECT_NO_THROW(t.verifyIndex());
    }

    dbftest::TempDir dir;
    std::string path;
    pid_t m_child = -1;
    int m_fromChild = -1;
    int m_toChild = -1;
};

TEST_F(ReplacedFileTest, AWriterOpeningWhileAPackReplacesTheTableKeepsItsAppends) {
    build(60);
    startHeld([&] {
        Table t(path, OpenMode::Shared);
        for (int i = 0; i < 100; ++i)
            (void)t.insert(make(t, "writer", 1000 + i));
    });
    ASSERT_NO_FATAL_FAILURE(pack()); // the held writer has the old file open, unlocked
    ASSERT_EQ(release(), 0);
    EXPECT_EQ(countOf("writer"), 100) << "the appends went to the file the pack replaced";
    EXPECT_EQ(countOf("builder"), 40);
    expectIndexAgrees();
}

TEST_F(ReplacedFileTest, AnIndexRebuildOpeningWhileAPackReplacesTheTableFitsThePackedTable) {
    // As a sort does: its tag made anew from the records of the table the open holds.
    build(60);
    startHeld([&] {
        Table t(path, OpenMode::Exclusive);
        if (t.index())
            t.deleteTag("N");
        t.addTag("N", "N");
    });
    ASSERT_NO_FATAL_FAILURE(pack());
    ASSERT_EQ(release(), 0);
    expectIndexAgrees();
    Table t(path, OpenMode::ReadOnly);
    EXPECT_EQ(t.recordCount(), 40u);
    EXPECT_EQ(t.index()->count(0), 40u) << "keys of the records the pack removed";
}

TEST_F(ReplacedFileTest, AnExclusiveOpenHeldWhileAPackRunsIsRefusedOnceThePackedTableIsInUse) {
    // The held open must lock the file others use: while a shared open has the packed table,
    // the exclusive one is refused instead of getting the old file to itself.
    build(30);
    startHeld([&] { DbfTable t(path, OpenMode::Exclusive); });
    ASSERT_NO_FATAL_FAILURE(pack());
    const DbfTable user(path, OpenMode::Shared);
    EXPECT_EQ(release(), 1) << "the exclusive open went through";
}

// Another program renames a new file over a table that is open in shared use: changes and
// refreshes follow the name.
TEST_F(ReplacedFileTest, AnOpenTableFollowsAFileAnotherProgramPutInItsPlace) {
    build(9);
    const std::string copy = dir.file("COPY.DBF");
    fs::copy_file(path, copy);
    DbfTable::writeProductionIndexFlag(copy, false);
    {
        DbfTable other(copy, OpenMode::Exclusive);
        std::string rec = other.blankRecord();
        other.setText(rec, 0, "other");
        (void)other.appendRecord(rec);
    }

    Table reader(path, OpenMode::ReadOnly);
    ASSERT_EQ(reader.recordCount(), 9u);
    {
        DbfTable writer(path, OpenMode::Shared);
        fs::rename(copy, path);
        reader.refresh();
        EXPECT_EQ(reader.recordCount(), 10u) << "the reader still reads the old file";

        std::string rec = writer.blankRecord();
        writer.setText(rec, 0, "writer");
        writer.setInteger(rec, 1, 77);
        EXPECT_EQ(writer.appendRecord(rec), 11u);
    }
    EXPECT_EQ(countOf("writer"), 1) << "the append went to the file that was replaced";
    EXPECT_EQ(countOf("other"), 1);
}

TEST_F(ReplacedFileTest, AFileOfAnotherLayoutPutInPlaceIsNotWrittenTo) {
    build(5);
    const std::string other = dir.file("OTHER.DBF");
    DbfTable::create(other, {{"NAME", 'C', 30, 0, 0}});
    const std::string before = dbftest::readBytes(other);
    DbfTable writer(path, OpenMode::Shared);
    fs::rename(other, path);
    std::string rec = writer.blankRecord();
    writer.setText(rec, 0, "writer");
    EXPECT_THROW((void)writer.appendRecord(rec), db::DbError);
    EXPECT_TRUE(dbftest::readBytes(path) == before);
}

} // namespace
