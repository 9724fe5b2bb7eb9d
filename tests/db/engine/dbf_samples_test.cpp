// Files written by other dBASE-family programs, read by our table layer. Expected values
// were taken from the independent readers (Perl XBase, python dbfread) run on the same
// files; where those readers are known to be wrong (dBASE IV memo length) the byte-level
// facts decide.
#include "db/engine/db_error.h"
#include "db/engine/dbf_table.h"
#include "dbf_test_support.h"
#include "test_paths.h"

#include <gtest/gtest.h>

using db::DbfTable;
using db::OpenMode;

namespace {

std::string sample(const std::string &name) {
    return std::string(test_paths::kSamplesDir) + "/" + name;
}

struct Row {
    DbfTable &t;
    std::string rec;
    Row(DbfTable &table, std::uint32_t recno) : t(table), rec(table.record(recno)) {}
    std::string text(const char *field) const { return t.text(rec, idx(field)); }
    std::string utf8(const char *field) const { return t.textUtf8(rec, idx(field)); }
    int idx(const char *field) const {
        const int i = t.fieldIndex(field);
        EXPECT_GE(i, 0) << field;
        return i;
    }
};

} // namespace

class EverySample : public ::testing::TestWithParam<const char *> {};

// Every record and every memo of every sample is readable (memo files that are not in the
// collection give a DbError, which is the documented behaviour).
TEST_P(EverySample, ReadsEveryRecordAndMemo) {
    const std::string path = sample(GetParam());
    const std::string before = dbftest::readBytes(path);
    {
        DbfTable t(path, OpenMode::ReadOnly);
        ASSERT_GT(t.recordCount(), 0u);
        EXPECT_EQ(t.recordCount(), t.header().recordCount);
        int offset = 1;
        for (const auto &f : t.fields()) {
            EXPECT_EQ(f.offset, offset) << f.name;
            offset += f.length;
        }
        EXPECT_EQ(offset, t.recordLength());
        for (std::uint32_t r = 1; r <= t.recordCount(); ++r) {
            const std::string rec(t.record(r));
            for (int i = 0; i < t.fieldCount(); ++i) {
                if (t.memoFileMissing() && t.memoBlock(rec, i)) {
                    EXPECT_EQ(t.memo(rec, i), ""); // the other fields stay readable
                    continue;
                }
                (void)t.textUtf8(rec, i);
            }
        }
    }
    EXPECT_EQ(dbftest::readBytes(path), before) << "a read-only open changed the file";
}

INSTANTIATE_TEST_SUITE_P(Samples, EverySample,
                         ::testing::Values("blipper/ACCT_REC.DBF", "blipper/CLIENT.DBF",
                                           "blipper/CODES.DBF", "blipper/NAMES.DBF",
                                           "blipper/PEOPLE.DBF", "blipper/STOKPRIC.DBF",
                                           "blipper/TESTGEN.DBF", "blipper/FMEMO.DBF",
                                           "blipper/FDATA.DBF", "blipper/PHOTOS.DBF",
                                           "infused-dbf/dbase_83.dbf", "infused-dbf/dbase_8c.dbf",
                                           "infused-dbf/dbase_30.dbf", "infused-dbf/dbase_31.dbf",
                                           "infused-dbf/dbase_32.dbf", "infused-dbf/cp1251.dbf",
                                           "DBFFile/vfp9_30.dbf", "DBFFile/dbase_currency.dbf"));

TEST(SampleTest, DBase5TableWithProductionIndex) {
    DbfTable t(sample("blipper/ACCT_REC.DBF"), OpenMode::ReadOnly);
    EXPECT_EQ(t.version(), 0x03);
    EXPECT_TRUE(t.productionIndexFlag());
    EXPECT_EQ(t.header().languageDriver, 0x1B);
    EXPECT_EQ(t.codePage().number(), 437);
    EXPECT_EQ(t.header().year, 1994);
    EXPECT_EQ(t.header().headerLength, 481);
    EXPECT_EQ(t.recordLength(), 173);
    ASSERT_EQ(t.fieldCount(), 14);
    // Garbage after the NUL of a name is not part of it.
    EXPECT_EQ(t.field(0).name, "CUST_ID");
    EXPECT_EQ(t.field(3).type, 'N');
    EXPECT_EQ(t.field(3).length, 9);
    EXPECT_EQ(t.field(3).decimals, 2);

    Row r3(t, 3);
    EXPECT_EQ(r3.text("CUST_ID"), "A00001");
    EXPECT_EQ(t.date(r3.rec, r3.idx("DAT_OF_BIL")), "19880630");
    EXPECT_EQ(t.decimalText(r3.rec, r3.idx("OLDBALANCE")), "-200.00");
    EXPECT_DOUBLE_EQ(*t.number(r3.rec, r3.idx("AMT_LSTBIL")), 500000.0);
    EXPECT_EQ(t.currency(r3.rec, r3.idx("OLDBALANCE")), -2000000);
    EXPECT_EQ(r3.text("COMMENTS"), "Send refund check");
    Row r1(t, 1);
    EXPECT_EQ(t.decimalText(r1.rec, r1.idx("AMT_CUR_PD")), "0.00");
    EXPECT_EQ(r1.text("COMMENTS"), "");
}

TEST(SampleTest, DBase4MemosCountTheirBlockHeader) {
    DbfTable t(sample("blipper/TESTGEN.DBF"), OpenMode::ReadOnly);
    EXPECT_EQ(t.version(), 0x8B);
    EXPECT_EQ(t.header().year, 2026); // dBASE 5 wrote 126
    EXPECT_EQ(t.memoKind(), db::MemoKind::DBase4);
    ASSERT_TRUE(t.hasMemoFile());
    ASSERT_EQ(t.recordCount(), 2u); // and no 0x1A at the end of the file
    Row r1(t, 1), r2(t, 2);
    EXPECT_EQ(t.integer(r1.rec, r1.idx("ID")), 1);
    EXPECT_EQ(r1.text("NAME"), "ALPHA");
    EXPECT_EQ(t.memoBlock(r1.rec, r1.idx("NOTES")), 1u); // stored "0000000001"
    EXPECT_EQ(t.memo(r1.rec, r1.idx("NOTES")), "first memo note");
    EXPECT_EQ(t.memo(r2.rec, r2.idx("NOTES")), "second");
}

TEST(SampleTest, DBase4MemoWithLineBreaks) {
    DbfTable t(sample("blipper/CLIENT.DBF"), OpenMode::ReadOnly);
    Row r1(t, 1);
    const std::string memo = r1.text("CLIEN_HIST");
    EXPECT_EQ(memo.rfind("85-200  08/02/85\r\n", 0), 0u) << memo;
    Row r4(t, 4);
    EXPECT_EQ(t.memoBlock(r4.rec, r4.idx("CLIEN_HIST")), std::nullopt);
}

TEST(SampleTest, DBase3MemosFromClipper) {
    DbfTable t(sample("blipper/FMEMO.DBF"), OpenMode::ReadOnly);
    EXPECT_EQ(t.version(), 0x83);
    EXPECT_EQ(t.header().year, 1926); // Clipper stores the year modulo 100
    EXPECT_EQ(t.memoKind(), db::MemoKind::DBase3);
    EXPECT_EQ(Row(t, 1).text("NOTE"), "Hello memo.");
    EXPECT_EQ(Row(t, 2).text("NOTE"), "");
    const std::string span = Row(t, 3).text("NOTE");
    EXPECT_GT(span.size(), 512u); // spans two blocks
    EXPECT_EQ(span.find_first_not_of('X'), std::string::npos);
    // A dBASE III memo ends at its first 0x1A, as independent readers agree.
    EXPECT_EQ(Row(t, 4).text("NOTE"), "before");
    EXPECT_EQ(Row(t, 5).text("NOTE"), "tail memo"); // ends at the end of the file
}

TEST(SampleTest, DBase3MemosWithManyBlocks) {
    DbfTable t(sample("infused-dbf/dbase_83.dbf"), OpenMode::ReadOnly);
    EXPECT_EQ(t.recordCount(), 67u);
    Row r1(t, 1);
    EXPECT_EQ(t.integer(r1.rec, r1.idx("ID")), 87);
    EXPECT_EQ(r1.text("NAME"), "Assorted Petits Fours");
    EXPECT_EQ(t.logical(r1.rec, r1.idx("TAXABLE")), true);
    EXPECT_EQ(t.decimalText(r1.rec, r1.idx("WEIGHT")), "5.51");
    EXPECT_EQ(r1.text("DESC").rfind("Our Original assortment...a little taste of heaven", 0), 0u);
    Row r3(t, 3);
    EXPECT_EQ(t.logical(r3.rec, r3.idx("ACTIVE")), false);
}

TEST(SampleTest, FoxProMemoFileIsBigEndian) {
    DbfTable t(sample("blipper/FDATA.DBF"), OpenMode::ReadOnly);
    EXPECT_EQ(t.memoKind(), db::MemoKind::FoxPro);
    EXPECT_EQ(Row(t, 1).text("NOTES"), "hello world");
    EXPECT_EQ(Row(t, 2).text("NOTES"), "second memo, deliberately longer to span more than one "
                                       "64-byte block. Padding padding padding.");
    EXPECT_EQ(Row(t, 3).text("NOTES"), "");
}

TEST(SampleTest, VisualFoxProTypes) {
    DbfTable t(sample("DBFFile/vfp9_30.dbf"), OpenMode::ReadOnly);
    EXPECT_TRUE(t.isFoxPro());
    EXPECT_EQ(t.header().headerLength, 488); // includes the 263-byte backlink
    Row r1(t, 1);
    EXPECT_EQ(r1.text("FIELD1"), "carlos manuel");
    const auto dt = t.dateTime(r1.rec, r1.idx("FIELD3"));
    ASSERT_TRUE(dt);
    EXPECT_EQ(dt->year, 2013);
    EXPECT_EQ(dt->month, 12);
    EXPECT_EQ(dt->day, 12);
    EXPECT_EQ(dt->millisecond, ((8 * 60 + 29) * 60 + 59) * 1000 + 999);
    EXPECT_DOUBLE_EQ(*t.number(r1.rec, r1.idx("FIELD5")), 2500.55);
    EXPECT_EQ(t.decimalText(r1.rec, r1.idx("FIELD4")), "17000000000.00");
    EXPECT_EQ(t.logical(r1.rec, r1.idx("FIELD6")), true);
    Row r3(t, 3);
    EXPECT_TRUE(DbfTable::isDeleted(r3.rec));
    EXPECT_EQ(t.date(r3.rec, r3.idx("FIELD2")), std::nullopt);
    EXPECT_EQ(t.number(r3.rec, r3.idx("FIELD4")), std::nullopt);
    EXPECT_EQ(t.logical(r3.rec, r3.idx("FIELD6")), std::nullopt);
    EXPECT_FALSE(DbfTable::isDeleted(r1.rec));
}

TEST(SampleTest, VisualFoxProIntegerCurrencyAndVarchar) {
    DbfTable t(sample("infused-dbf/dbase_31.dbf"), OpenMode::ReadOnly);
    EXPECT_EQ(t.recordCount(), 77u);
    Row r1(t, 1);
    EXPECT_EQ(t.integer(r1.rec, r1.idx("PRODUCTID")), 1);
    EXPECT_EQ(t.integer(r1.rec, r1.idx("UNITSINSTO")), 39);
    EXPECT_EQ(t.currency(r1.rec, r1.idx("UNITPRICE")), 180000);
    EXPECT_EQ(t.decimalText(r1.rec, r1.idx("UNITPRICE")), "18.0000");
    EXPECT_EQ(r1.text("PRODUCTNAM"), "Chai");

    DbfTable v(sample("infused-dbf/dbase_32.dbf"), OpenMode::ReadOnly);
    Row vr(v, 1);
    EXPECT_EQ(vr.text("NAME"), "Bad Meets Evil"); // length from the last byte
}

TEST(SampleTest, DBase7LayoutAndAutoincrement) {
    DbfTable t(sample("infused-dbf/dbase_8c.dbf"), OpenMode::ReadOnly);
    EXPECT_TRUE(t.isDBase7());
    ASSERT_EQ(t.fieldCount(), 6);
    EXPECT_EQ(t.field(3).name, "Length CM");
    EXPECT_EQ(t.field(0).type, '+');
    Row r1(t, 1);
    EXPECT_EQ(t.integer(r1.rec, 0), 1); // stored 80 00 00 01
    EXPECT_EQ(Row(t, 10).text("ID"), "10");
    EXPECT_EQ(r1.text("Name"), "Clown Triggerfish");
    EXPECT_EQ(t.decimalText(r1.rec, 3), "100.0000");
    EXPECT_TRUE(t.memoFileMissing());
    EXPECT_EQ(r1.text("Description"), "");
}

TEST(SampleTest, CodePagesFromTheHeader) {
    DbfTable cyr(sample("infused-dbf/cp1251.dbf"), OpenMode::ReadOnly);
    EXPECT_EQ(cyr.codePage().number(), 1251);
    EXPECT_EQ(Row(cyr, 2).utf8("NAME"), "\xD0\xB1\xD0\xBE\xD0\xBB\xD1\x8C\xD0\xBD\xD0\xB8\xD1\x87"
                                        "\xD0\xBD\xD0\xBE\xD0\xB5"); // "bolnichnoe"
    DbfTable thai(sample("DBFFile/dbase_currency.dbf"), OpenMode::ReadOnly);
    EXPECT_EQ(thai.codePage().number(), 874);
    Row t1(thai, 1);
    EXPECT_EQ(thai.decimalText(t1.rec, t1.idx("UP")), "350.0000");
    EXPECT_EQ(thai.date(t1.rec, t1.idx("DATEEND")), "99991231");
}

TEST(SampleTest, FoxProTableWithoutItsMemoFile) {
    DbfTable t(sample("blipper/PHOTOS.DBF"), OpenMode::ReadOnly);
    EXPECT_FALSE(t.hasMemoFile());
    Row r2(t, 2);
    EXPECT_EQ(r2.text("TITLE"), "Two Barns");
    EXPECT_EQ(t.integer(r2.rec, r2.idx("MEDIA_ID")), 5);
    EXPECT_EQ(r2.text("CREATED"), "20041012 14:20:06");
    EXPECT_TRUE(t.memoFileMissing());
    EXPECT_EQ(r2.text("MEDIA"), ""); // memos read as empty, the other fields as stored
}

TEST(SampleTest, VisualFoxProNullFlagsBlankTheFieldsTheyMark) {
    dbftest::TempDir dir;
    const std::string path = dir.file("NULLS.DBF");
    std::string bytes = dbftest::readBytes(sample("infused-dbf/dbase_31.dbf"));
    // Record 1's _NullFlags (its last byte): bit 0 is SUPPLIERID, the first field that may be
    // NULL; bit 3 is UNITPRICE, the fourth.
    const std::size_t headerLength = 648, recordLength = 95;
    bytes[headerLength + recordLength - 1] = 0x09;
    dbftest::writeBytes(path, bytes);
    DbfTable t(path, OpenMode::ReadOnly);
    Row r1(t, 1);
    EXPECT_EQ(r1.text("PRODUCTNAM"), "Chai");
    EXPECT_EQ(r1.text("SUPPLIERID"), "");
    EXPECT_EQ(t.integer(r1.rec, r1.idx("SUPPLIERID")), std::nullopt);
    EXPECT_TRUE(t.isNull(r1.rec, r1.idx("SUPPLIERID")));
    EXPECT_EQ(r1.text("CATEGORYID"), "1");
    EXPECT_EQ(r1.text("UNITPRICE"), "");
    EXPECT_EQ(t.currency(r1.rec, r1.idx("UNITPRICE")), std::nullopt);
    EXPECT_EQ(r1.text("UNITSINSTO"), "39");
    EXPECT_EQ(r1.text("_NullFlags"), "") << "bookkeeping, not a value";
    Row r2(t, 2);
    EXPECT_EQ(r2.text("SUPPLIERID"), "1");
    EXPECT_EQ(r2.text("UNITPRICE"), "19.0000");
}

TEST(SampleTest, CompanionFilesAreFoundWhateverTheirCase) {
    dbftest::TempDir dir;
    dbftest::copyFile(sample("blipper/TESTGEN.DBF"), dir.file("testgen.dbf"));
    dbftest::copyFile(sample("blipper/TESTGEN.DBT"), dir.file("TestGen.Dbt"));
    DbfTable t(dir.file("testgen.dbf"), OpenMode::ReadOnly);
    ASSERT_TRUE(t.hasMemoFile());
    EXPECT_EQ(Row(t, 2).text("NOTES"), "second");
}
