// Names that lead to something other than a table file: a FIFO or a directory in place of a
// table, index or memo file is refused at once, with a message naming it.
#include "db/engine/db_error.h"
#include "db/engine/dbf_table.h"
#include "db/engine/mdx_file.h"
#include "db/engine/memo_file.h"
#include "db/engine/table.h"
#include "dbf_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using db::DbfTable;
using db::OpenMode;

namespace {

namespace fs = std::filesystem;

// Runs `open` in a child process given a few seconds (an open that waits for a FIFO's writer
// would wait for ever); the text of the DbError it threw, or what went wrong instead.
std::string refusal(const std::function<void()> &open) {
    int fds[2];
    if (::pipe(fds) != 0)
        return "no pipe";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[0]);
        ::alarm(5);
        std::string text = "opened";
        try {
            open();
        } catch (const db::DbError &e) {
            text = e.what();
        }
        (void)!::write(fds[1], text.data(), text.size());
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string text;
    char buf[512];
    ssize_t n;
    while ((n = ::read(fds[0], buf, sizeof buf)) > 0)
        text.append(buf, static_cast<std::size_t>(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (WIFSIGNALED(status))
        return "the open did not return";
    return text;
}

void expectRefused(const std::string &path, const std::function<void()> &open,
                   const std::string &why) {
    const std::string text = refusal(open);
    EXPECT_NE(text.find(path), std::string::npos) << text;
    EXPECT_NE(text.find(why), std::string::npos) << text;
}

class BadFileTest : public ::testing::Test {
protected:
    dbftest::TempDir dir;
};

TEST_F(BadFileTest, AFifoInPlaceOfATableIsRefusedWithoutWaiting) {
    const std::string path = dir.file("INV.DBF");
    ASSERT_EQ(::mkfifo(path.c_str(), 0666), 0);
    for (OpenMode mode : {OpenMode::ReadOnly, OpenMode::Shared, OpenMode::Exclusive}) {
        SCOPED_TRACE(static_cast<int>(mode));
        expectRefused(
            path, [&] { DbfTable t(path, mode); }, "not a regular file");
    }
    expectRefused(
        path, [&] { DbfTable::writeProductionIndexFlag(path, false); }, "not a regular file");
}

TEST_F(BadFileTest, AFifoInPlaceOfAnIndexOrMemoFileIsRefusedWithoutWaiting) {
    const std::string path = dir.file("INV.DBF");
    DbfTable::create(path, {{"ITEM", 'C', 10, 0, 0}, {"NOTES", 'M', 10, 0, 0}});
    const std::string mdx = dir.file("INV.MDX");
    const std::string dbt = dir.file("INV.DBT");
    ASSERT_EQ(::mkfifo(mdx.c_str(), 0666), 0);
    fs::remove(dbt);
    ASSERT_EQ(::mkfifo(dbt.c_str(), 0666), 0);
    expectRefused(
        mdx, [&] { (void)db::MdxFile::open(mdx, {}, 0, db::MdxFile::Access::ReadOnly); },
        "not a regular file");
    expectRefused(
        dbt, [&] { db::MemoFile m(dbt, db::MemoKind::DBase4, false); }, "not a regular file");
    expectRefused(
        dbt, [&] { DbfTable t(path, OpenMode::ReadOnly); }, "not a regular file");
}

TEST_F(BadFileTest, ADirectoryInPlaceOfATableOrMemoFileIsNamed) {
    const std::string path = dir.file("INV.DBF");
    fs::create_directory(path);
    for (OpenMode mode : {OpenMode::ReadOnly, OpenMode::Shared})
        expectRefused(
            path, [&] { DbfTable t(path, mode); }, "directory");
    const std::string dbt = dir.file("NOTES.DBT");
    fs::create_directory(dbt);
    for (db::MemoKind kind : {db::MemoKind::DBase3, db::MemoKind::DBase4, db::MemoKind::FoxPro})
        expectRefused(
            dbt, [&] { db::MemoFile m(dbt, kind, false); }, "directory");
}

TEST_F(BadFileTest, AKeyExpressionThatDoesNotCompileIsRefusedNamingTheIndex) {
    const std::string path = dir.file("INV.DBF");
    db::Table::create(path, {{"ITEM", 'C', 10, 0, 0}});
    db::Table t(path, OpenMode::Exclusive);
    for (const char *expression : {"NOSUCHFIELD", "UPPER(ITEM", "ITEM + 1"}) {
        try {
            t.addTag("BAD", expression);
            ADD_FAILURE() << expression << " was taken";
        } catch (const db::DbError &e) {
            EXPECT_NE(std::string(e.what()).find(dir.file("INV.MDX")), std::string::npos)
                << e.what();
        }
    }
}

} // namespace
