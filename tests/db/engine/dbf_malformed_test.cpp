// Damaged and hostile table files give a DbError naming the file, never a crash or a read
// outside the file.
#include "db/engine/db_error.h"
#include "db/engine/dbf_table.h"
#include "dbf_test_support.h"

#include <gtest/gtest.h>

#include <cstring>

using db::DbfTable;
using db::OpenMode;

namespace {

// A valid dBASE III table: fields NAME C(10), NOTE M(10); three records.
std::string goodTable(int records = 3) {
    std::string h(32, '\0');
    h[0] = '\x83';
    h[1] = 124;
    h[2] = 1;
    h[3] = 1;
    h[4] = static_cast<char>(records);
    const int headerLength = 32 + 64 + 1;
    h[8] = static_cast<char>(headerLength);
    h[10] = 21;
    auto field = [](const char *name, char type, int len) {
        std::string d(32, '\0');
        std::memcpy(d.data(), name, std::strlen(name));
        d[11] = type;
        d[16] = static_cast<char>(len);
        return d;
    };
    std::string bytes = h + field("NAME", 'C', 10) + field("NOTE", 'M', 10) + "\x0D";
    for (int r = 0; r < records; ++r)
        bytes += " record " + std::to_string(r) + "  " + "          ";
    return bytes + "\x1A";
}

class MalformedTest : public ::testing::Test {
protected:
    std::string write(const std::string &bytes) {
        const std::string path = dir.file("BAD.DBF");
        dbftest::writeBytes(path, bytes);
        return path;
    }
    void expectRefused(const std::string &bytes, const char *what) {
        const std::string path = write(bytes);
        try {
            DbfTable t(path, OpenMode::ReadOnly);
            ADD_FAILURE() << "opened: " << what;
        } catch (const db::DbError &e) {
            EXPECT_EQ(e.file(), path) << what;
            EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << what;
        }
    }
    dbftest::TempDir dir;
};

} // namespace

TEST_F(MalformedTest, TheGoodTableOpens) {
    DbfTable t(write(goodTable()), OpenMode::ReadOnly);
    EXPECT_EQ(t.recordCount(), 3u);
    EXPECT_EQ(t.text(std::string(t.record(2)), 0), "record 1");
}

TEST_F(MalformedTest, HeadersThatDoNotHoldTogether) {
    expectRefused("", "empty file");
    expectRefused(goodTable().substr(0, 31), "shorter than a header");
    expectRefused(goodTable().substr(0, 60), "truncated inside the descriptors");
    std::string b = goodTable();
    b[0] = '\x02';
    expectRefused(b, "unknown version byte");
    b = goodTable();
    b[8] = '\xFF';
    b[9] = '\x7F';
    expectRefused(b, "header length beyond the file");
    b = goodTable();
    b[10] = 22;
    expectRefused(b, "record length disagrees with the fields");
    b = goodTable();
    b[10] = 1;
    b[11] = 0;
    expectRefused(b, "record length too small");
    b = goodTable();
    b[32 + 16] = 0;
    expectRefused(b, "zero-length field");
    b = goodTable();
    b[32 + 16] = 30;
    expectRefused(b, "field beyond the record");
    b = goodTable();
    b[32] = '\0';
    expectRefused(b, "field without a name");
    b = goodTable();
    b[96] = 'X';
    expectRefused(b, "descriptor terminator missing");
    b = goodTable();
    b[32 + 11] = 'D';
    expectRefused(b, "date field that is not 8 wide");
    b = goodTable();
    b[15] = 1;
    expectRefused(b, "encrypted");
}

TEST_F(MalformedTest, AHeaderLengthThatDoesNotFitTheFieldsIsRefused) {
    // Records start at the header length: each of these would shift every field.
    const auto withHeaderLength = [](int records, int length) {
        std::string b = goodTable(records);
        b[4] = static_cast<char>(records & 0xFF);
        b[5] = static_cast<char>(records >> 8);
        b[8] = static_cast<char>(length & 0xFF);
        b[9] = static_cast<char>(length >> 8);
        return b;
    };
    expectRefused(withHeaderLength(3, 96), "one byte short: no room for the terminator");
    expectRefused(withHeaderLength(3, 98), "one byte long: the first record's flag in it");
    expectRefused(withHeaderLength(40, 769), "a record's worth too long");
    expectRefused(withHeaderLength(3200, 65535), "the largest length");

    // Visual FoxPro's backlink one byte short: zeros, but the records would start early.
    std::string fox = goodTable();
    fox[0] = '\x30';
    fox[32 + 11] = 'C'; // no memo field, so no memo file is wanted
    fox.insert(97, 262, '\0');
    fox[8] = static_cast<char>((97 + 262) & 0xFF);
    fox[9] = static_cast<char>((97 + 262) >> 8);
    expectRefused(fox, "a backlink cut short");
    fox.insert(97, 1, '\0');
    fox[8] = static_cast<char>((97 + 263) & 0xFF);
    fox[9] = static_cast<char>((97 + 263) >> 8);
    EXPECT_EQ(DbfTable(write(fox), OpenMode::ReadOnly).recordCount(), 3u);

    // Padding with zeros after the terminator, as dBASE III and Clipper write it, is fine.
    std::string padded = goodTable();
    padded.insert(97, 1, '\0');
    padded[8] = 98;
    DbfTable t(write(padded), OpenMode::ReadOnly);
    EXPECT_EQ(t.recordCount(), 3u);
    EXPECT_EQ(t.text(std::string(t.record(3)), 0), "record 2");
}

TEST_F(MalformedTest, CountLargerThanTheFileReadsWhatIsThere) {
    std::string b = goodTable();
    b.pop_back();           // no 0x1A
    b.resize(b.size() - 5); // and half of the last record gone
    b[4] = 10;
    const std::string path = write(b);
    {
        DbfTable t(path, OpenMode::ReadOnly);
        EXPECT_EQ(t.header().recordCount, 10u);
        EXPECT_EQ(t.recordCount(), 2u);
        EXPECT_TRUE(t.countExceedsFile());
        EXPECT_EQ(t.text(std::string(t.record(2)), 0), "record 1");
        EXPECT_THROW((void)t.record(3), db::DbError);
        EXPECT_THROW((void)t.record(0), db::DbError);
    }
    // The next change writes a count that matches the records.
    {
        DbfTable t(path, OpenMode::Shared);
        std::string rec = t.blankRecord();
        t.setText(rec, 0, "healed");
        EXPECT_EQ(t.appendRecord(rec), 3u);
    }
    DbfTable t(path, OpenMode::ReadOnly);
    EXPECT_FALSE(t.countExceedsFile());
    EXPECT_EQ(t.recordCount(), 3u);
    EXPECT_EQ(t.text(std::string(t.record(3)), 0), "healed");
}

TEST_F(MalformedTest, ExtraBytesAfterTheLastRecordAreIgnored) {
    std::string b = goodTable();
    b[4] = 2;
    const std::string path = write(b + "garbage");
    DbfTable t(path, OpenMode::ReadOnly);
    EXPECT_EQ(t.recordCount(), 2u);
    EXPECT_FALSE(t.countExceedsFile());
}

TEST_F(MalformedTest, GarbageMemoPointers) {
    std::string b = goodTable();
    const std::size_t rec1 = 97;
    std::memcpy(b.data() + rec1 + 11, "  12x45   ", 10);       // not a number
    std::memcpy(b.data() + rec1 + 21 + 11, "4000000000", 10);  // far beyond the memo file
    std::memcpy(b.data() + rec1 + 42 + 11, "99999999999", 10); // does not fit 32 bits
    const std::string path = write(b);
    std::string memo(512, '\0');
    memo[0] = 2;
    memo += "text\x1A\x1A";
    dbftest::writeBytes(dir.file("BAD.DBT"), memo);
    DbfTable t(path, OpenMode::ReadOnly);
    ASSERT_TRUE(t.hasMemoFile());
    for (std::uint32_t r = 1; r <= 3; ++r) {
        const std::string rec(t.record(r));
        EXPECT_THROW((void)t.memo(rec, 1), db::DbError) << r;
    }
}

TEST_F(MalformedTest, ReadOnlyOpenNeverWrites) {
    std::string b = goodTable();
    b[4] = 9; // count the file cannot hold: a writer would correct it
    const std::string path = write(b);
    const std::string before = dbftest::readBytes(path);
    {
        DbfTable t(path, OpenMode::ReadOnly);
        std::string rec = t.blankRecord();
        EXPECT_THROW((void)t.appendRecord(rec), db::DbError);
        EXPECT_THROW(t.writeRecord(1, rec), db::DbError);
        EXPECT_THROW(t.setDeleted(1, true), db::DbError);
        EXPECT_THROW(t.setProductionIndexFlag(true), db::DbError);
        EXPECT_THROW(t.pack(), db::DbError);
        t.refresh();
        t.flush();
    }
    EXPECT_EQ(dbftest::readBytes(path), before);
}

TEST_F(MalformedTest, RandomDamageNeverCrashes) {
    // Flip bytes of the header region one at a time; every outcome must be a table or a
    // DbError, and every record and memo of an opened table must be readable or a DbError.
    const std::string good = goodTable();
    std::string memo(512, '\0');
    memo[0] = 2;
    memo += "text\x1A\x1A";
    dbftest::writeBytes(dir.file("BAD.DBT"), memo);
    for (std::size_t pos = 0; pos < good.size(); ++pos) {
        for (unsigned char v : {0x00, 0x0D, 0x1A, 0x7F, 0xFF}) {
            std::string b = good;
            b[pos] = static_cast<char>(v);
            const std::string path = write(b);
            try {
                DbfTable t(path, OpenMode::ReadOnly);
                for (std::uint32_t r = 1; r <= t.recordCount(); ++r) {
                    const std::string rec(t.record(r));
                    for (int i = 0; i < t.fieldCount(); ++i) {
                        try {
                            (void)t.text(rec, i);
                        } catch (const db::DbError &) {
                        }
                    }
                }
            } catch (const db::DbError &) {
            }
        }
    }
}
