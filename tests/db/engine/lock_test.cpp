// Open modes and locks between opens of one process and between processes; appends from
// several processes; a writer killed in the middle of its work.
#include "db/engine/db_error.h"
#include "db/engine/dbf_table.h"
#include "dbf_test_support.h"

#include <gtest/gtest.h>

#include <csignal>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

using db::DbfTable;
using db::OpenMode;

namespace {

class LockTest : public ::testing::Test {
protected:
    void SetUp() override {
        path = dir.file("SHARED.DBF");
        DbfTable::create(path, {{"WHO", 'C', 12, 0, 0}, {"N", 'N', 6, 0, 0}});
    }

    // Runs `body` in a child process; returns its pid. The child exits 0 when body returns
    // normally and 1 on an exception.
    template <class F> pid_t spawn(F body) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            int rc = 0;
            try {
                body();
            } catch (...) {
                rc = 1;
            }
            ::_exit(rc);
        }
        return pid;
    }
    static int waitFor(pid_t pid) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        return status;
    }

    static void append(DbfTable &t, const std::string &who, int n) {
        std::string rec = t.blankRecord();
        t.setText(rec, 0, who);
        t.setInteger(rec, 1, n);
        (void)t.appendRecord(rec);
    }

    dbftest::TempDir dir;
    std::string path;
};

bool refused(const std::string &path, OpenMode mode) {
    try {
        DbfTable t(path, mode);
        return false;
    } catch (const db::DbError &e) {
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos);
        EXPECT_NE(std::string(e.what()).find("in use"), std::string::npos) << e.what();
        return true;
    }
}

} // namespace

TEST_F(LockTest, OpensOfThisProcessConflictLikeThoseOfOthers) {
    {
        DbfTable shared(path, OpenMode::Shared);
        EXPECT_TRUE(refused(path, OpenMode::Exclusive));
        DbfTable reader(path, OpenMode::ReadOnly);
        DbfTable second(path, OpenMode::Shared);
    }
    {
        DbfTable reader(path, OpenMode::ReadOnly);
        EXPECT_TRUE(refused(path, OpenMode::Exclusive));
    }
    {
        DbfTable exclusive(path, OpenMode::Exclusive);
        EXPECT_TRUE(refused(path, OpenMode::Shared));
        EXPECT_TRUE(refused(path, OpenMode::ReadOnly));
        EXPECT_TRUE(refused(path, OpenMode::Exclusive));
        EXPECT_THROW(DbfTable::create(path, {{"X", 'C', 1, 0, 0}}), db::DbError);
    }
    DbfTable again(path, OpenMode::Exclusive); // all closed: free again
}

TEST_F(LockTest, ExclusiveOpenIsRefusedWhileAnotherProcessHasTheTable) {
    int toChild[2], toParent[2];
    ASSERT_EQ(::pipe(toChild), 0);
    ASSERT_EQ(::pipe(toParent), 0);
    const pid_t child = spawn([&] {
        DbfTable t(path, OpenMode::Shared);
        char c = 'o';
        (void)!::write(toParent[1], &c, 1);
        (void)!::read(toChild[0], &c, 1); // hold the table until told to close it
    });
    char c = 0;
    ASSERT_EQ(::read(toParent[0], &c, 1), 1);
    EXPECT_TRUE(refused(path, OpenMode::Exclusive));
    EXPECT_NO_THROW(DbfTable(path, OpenMode::Shared));
    (void)!::write(toChild[1], &c, 1);
    EXPECT_EQ(waitFor(child), 0);
    EXPECT_NO_THROW(DbfTable(path, OpenMode::Exclusive));
    for (int fd : {toChild[0], toChild[1], toParent[0], toParent[1]})
        ::close(fd);
}

TEST_F(LockTest, TwoProcessesAppendingConcurrentlyLoseNothing) {
    std::vector<pid_t> children;
    for (int c = 0; c < 2; ++c)
        children.push_back(spawn([&, c] {
            DbfTable t(path, OpenMode::Shared);
            for (int i = 0; i < 500; ++i)
                append(t, "child" + std::to_string(c), i);
        }));
    for (pid_t p : children)
        EXPECT_EQ(waitFor(p), 0);

    DbfTable t(path, OpenMode::ReadOnly);
    ASSERT_EQ(t.recordCount(), 1000u);
    EXPECT_FALSE(t.countExceedsFile());
    std::set<std::pair<std::string, long long>> seen;
    for (std::uint32_t r = 1; r <= t.recordCount(); ++r) {
        const std::string rec(t.record(r));
        EXPECT_EQ(rec[0], ' ');
        const auto n = t.integer(rec, 1);
        ASSERT_TRUE(n) << r;
        seen.insert({t.text(rec, 0), *n});
    }
    EXPECT_EQ(seen.size(), 1000u);
    const std::string bytes = dbftest::readBytes(path);
    EXPECT_EQ(bytes.size(),
              static_cast<std::size_t>(t.header().headerLength + 1000 * t.recordLength() + 1));
    EXPECT_EQ(bytes.back(), '\x1A');
}

TEST_F(LockTest, AKilledWriterLeavesEveryPostedRecord) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const pid_t child = spawn([&] {
        ::close(fds[0]);
        DbfTable t(path, OpenMode::Shared);
        for (int i = 1;; ++i) {
            append(t, "rec", i);
            // The record is posted once appendRecord returned: tell the parent.
            (void)!::write(fds[1], &i, sizeof i);
        }
    });
    ::close(fds[1]);
    int posted = 0, value = 0;
    while (posted < 300 && ::read(fds[0], &value, sizeof value) == sizeof value)
        posted = value;
    ::kill(child, SIGKILL);
    while (::read(fds[0], &value, sizeof value) == sizeof value)
        posted = value;
    ::close(fds[0]);
    waitFor(child);

    DbfTable t(path, OpenMode::Exclusive); // the killed open left no lock behind
    ASSERT_GE(t.recordCount(), static_cast<std::uint32_t>(posted));
    EXPECT_LE(t.recordCount(), static_cast<std::uint32_t>(posted) + 1);
    for (std::uint32_t r = 1; r <= t.recordCount(); ++r) {
        const std::string rec(t.record(r));
        ASSERT_EQ(t.text(rec, 0), "rec") << r;
        ASSERT_EQ(t.integer(rec, 1), static_cast<long long>(r));
    }
    append(t, "after", 0);
}

TEST_F(LockTest, RefreshShowsWhatAnotherOpenAppended) {
    DbfTable reader(path, OpenMode::Shared);
    DbfTable writer(path, OpenMode::Shared);
    append(writer, "one", 1);
    EXPECT_EQ(reader.recordCount(), 0u);
    reader.refresh();
    EXPECT_EQ(reader.recordCount(), 1u);
    // A write re-reads the header first, so this append lands after the other's.
    append(reader, "two", 2);
    append(writer, "three", 3);
    writer.refresh();
    ASSERT_EQ(writer.recordCount(), 3u);
    EXPECT_EQ(writer.text(std::string(writer.record(2)), 0), "two");
    EXPECT_EQ(writer.text(std::string(writer.record(3)), 0), "three");
}

TEST_F(LockTest, PackNeedsExclusiveUse) {
    DbfTable t(path, OpenMode::Shared);
    EXPECT_THROW(t.pack(), db::DbError);
}

TEST_F(LockTest, AppendsOfABatchAreWrittenTogether) {
    DbfTable t(path, OpenMode::Shared);
    const auto sizeNow = [&] { return dbftest::readBytes(path).size(); };
    const std::size_t empty = sizeNow();
    {
        DbfTable::AppendBatch batch(t);
        for (int i = 1; i <= 100; ++i)
            append(t, "batch", i);
        EXPECT_EQ(t.recordCount(), 100u);
        EXPECT_EQ(t.integer(std::string(t.record(77)), 1), 77); // seen before it is written
        EXPECT_EQ(sizeNow(), empty);
        {
            DbfTable other(path, OpenMode::ReadOnly);
            EXPECT_EQ(other.recordCount(), 0u);
        }
        // A change of an earlier record needs the file current: the batch is written first.
        std::string rec(t.record(5));
        t.setText(rec, 0, "changed");
        t.writeRecord(5, rec);
        EXPECT_EQ(sizeNow(), empty + 100 * static_cast<std::size_t>(t.recordLength()));
        append(t, "batch", 101);
    }
    {
        // A plain write lock gathers nothing: callers that pair each append with their own
        // index change rely on the record being in the file when appendRecord returns.
        auto lock = t.lockForWrite();
        append(t, "single", 102);
        EXPECT_EQ(sizeNow(), empty + 102 * static_cast<std::size_t>(t.recordLength()));
    }
    DbfTable other(path, OpenMode::ReadOnly);
    ASSERT_EQ(other.recordCount(), 102u);
    EXPECT_EQ(other.text(std::string(other.record(5)), 0), "changed");
    EXPECT_EQ(other.integer(std::string(other.record(101)), 1), 101);
    EXPECT_EQ(dbftest::readBytes(path).back(), '\x1A');
}

TEST_F(LockTest, AWriterKilledInABatchLeavesAValidFile) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const pid_t child = spawn([&] {
        ::close(fds[0]);
        DbfTable t(path, OpenMode::Shared);
        DbfTable::AppendBatch batch(t);
        for (int i = 1;; ++i) {
            append(t, "rec", i);
            if (i % 5000 == 0)
                (void)!::write(fds[1], &i, sizeof i);
        }
    });
    ::close(fds[1]);
    int value = 0;
    // Records are 19 bytes: more than two 1 MB pieces are written by record 120000.
    while (value < 120000)
        ASSERT_EQ(::read(fds[0], &value, sizeof value), static_cast<ssize_t>(sizeof value));
    ::kill(child, SIGKILL);
    ::close(fds[0]);
    waitFor(child);
    DbfTable t(path, OpenMode::Exclusive);
    EXPECT_GT(t.recordCount(), 100000u); // pieces of 1 MB were written before the kill
    EXPECT_FALSE(t.countExceedsFile());
    for (std::uint32_t r = 1; r <= t.recordCount(); ++r)
        ASSERT_EQ(t.integer(std::string(t.record(r)), 1), static_cast<long long>(r));
}
