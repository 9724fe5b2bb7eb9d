#include "db/engine/db_error.h"
#include "db/engine/memo_file.h"
#include "dbf_test_support.h"

#include <gtest/gtest.h>

using db::MemoFile;
using db::MemoKind;

class MemoKinds : public ::testing::TestWithParam<MemoKind> {};

TEST_P(MemoKinds, AppendedMemosReadBack) {
    dbftest::TempDir dir;
    const std::string path = dir.file("T.MEM");
    MemoFile::create(path, GetParam(), "T");
    std::vector<std::pair<std::uint32_t, std::string>> memos;
    {
        MemoFile m(path, GetParam(), true);
        // A dBASE III memo ends at 0x1A, so only the other layouts can hold one.
        const std::string control = GetParam() == MemoKind::DBase3 ? "a\r\nb\x01"
                                                                     "c"
                                                                   : "a\r\nb\x1A"
                                                                     "c";
        for (const std::string &text : {std::string("short"), std::string(2000, 'x'), control,
                                        std::string(511, 'y'), std::string(1, 'z')}) {
            const auto block = m.append(text);
            for (const auto &[b, t] : memos)
                EXPECT_NE(b, block);
            memos.emplace_back(block, text);
        }
    }
    MemoFile m(path, GetParam(), false);
    for (const auto &[b, t] : memos)
        EXPECT_EQ(m.read(b), t) << b;
    EXPECT_EQ(m.read(0), "");
    EXPECT_THROW((void)m.read(100000), db::DbError);
}

INSTANTIATE_TEST_SUITE_P(Layouts, MemoKinds,
                         ::testing::Values(MemoKind::DBase3, MemoKind::DBase4, MemoKind::FoxPro));

TEST(MemoTest, DBase4HeaderIsWhatDBaseWrites) {
    dbftest::TempDir dir;
    const std::string path = dir.file("STOCK.DBT");
    MemoFile::create(path, MemoKind::DBase4, "stock");
    {
        MemoFile m(path, MemoKind::DBase4, true);
        EXPECT_EQ(m.append("first memo note"), 1u);
    }
    const std::string b = dbftest::readBytes(path);
    ASSERT_EQ(b.size(), 1024u);
    EXPECT_EQ(b.substr(0, 4), std::string("\x02\0\0\0", 4));
    EXPECT_EQ(b.substr(8, 8), std::string("STOCK\0\0\0", 8));
    EXPECT_EQ(b.substr(16, 6), std::string("\0\0\x02\x01\0\x02", 6));
    EXPECT_EQ(b.substr(512, 8), std::string("\xFF\xFF\x08\0\x17\0\0\0", 8)); // length 15 + 8
}

TEST(MemoTest, DBase3CannotKeepItsOwnTerminator) {
    dbftest::TempDir dir;
    const std::string path = dir.file("T.DBT");
    MemoFile::create(path, MemoKind::DBase3, "T");
    MemoFile m(path, MemoKind::DBase3, true);
    EXPECT_THROW((void)m.append("a\x1A\x1A"
                                "b"),
                 db::DbError);
    // One alone would end the memo when read back, so it is refused too.
    EXPECT_THROW((void)m.append("before\x1A"
                                "after"),
                 db::DbError);
}

TEST(MemoTest, DBase3MemoEndsAtItsFirstEndOfFileByte) {
    dbftest::TempDir dir;
    const std::string path = dir.file("T.DBT");
    std::string b(512, '\0');
    b[0] = 2;
    b += "before\x1A"
         "after\x1A\x1A";
    dbftest::writeBytes(path, b);
    const MemoFile m(path, MemoKind::DBase3, false);
    EXPECT_EQ(m.read(1), "before");
}

TEST(MemoTest, LengthsThatLeaveTheFileAreErrors) {
    dbftest::TempDir dir;
    const std::string path = dir.file("T.DBT");
    std::string b(512, '\0');
    b[0] = 3;
    b[20] = 0;
    b[21] = 2;
    b += std::string("\xFF\xFF\x08\0\xFF\xFF\0\0", 8) + "short";
    b.resize(1024, '\0');
    b += std::string("\xFF\xFF\x08\0\x03\0\0\0", 8); // length below the block header
    dbftest::writeBytes(path, b);
    MemoFile m(path, MemoKind::DBase4, false);
    EXPECT_THROW((void)m.read(1), db::DbError);
    EXPECT_THROW((void)m.read(2), db::DbError);

    const std::string fpt = dir.file("T.FPT");
    std::string f(512, '\0');
    f[7] = 64;
    f += std::string("\0\0\0\1\x7F\0\0\0", 8) + "data";
    dbftest::writeBytes(fpt, f);
    MemoFile fm(fpt, MemoKind::FoxPro, false);
    EXPECT_THROW((void)fm.read(8), db::DbError);
    EXPECT_THROW((void)fm.read(0xFFFFFFFFu), db::DbError);

    const std::string zero = dir.file("Z.FPT");
    dbftest::writeBytes(zero, std::string(512, '\0'));
    EXPECT_THROW(MemoFile(zero, MemoKind::FoxPro, false), db::DbError);
}
