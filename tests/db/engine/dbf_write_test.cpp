// Tables our engine writes, in both layouts, read back by the engine and by independent
// dBASE readers.
#include "db/engine/db_error.h"
#include "db/engine/dbf_table.h"
#include "db/engine/file_names.h"
#include "dbf_test_support.h"
#include "test_paths.h"

#include <gtest/gtest.h>

#include <ctime>

using db::DbfTable;
using db::FieldDef;
using db::OpenMode;
using db::TableFormat;

namespace {

std::vector<FieldDef> sampleFields(bool withMemo) {
    std::vector<FieldDef> f = {
        {"Item", 'C', 20, 0, 0},  {"Qty", 'N', 11, 0, 0},    {"Cost", 'N', 19, 4, 0},
        {"Bought", 'D', 0, 0, 0}, {"Insured", 'L', 0, 0, 0},
    };
    if (withMemo)
        f.push_back({"Notes", 'M', 0, 0, 0});
    return f;
}

// True when Debian's python3 can import the reader module an oracle script needs.
bool pythonHas(const char *module) {
    int status = -1;
    (void)dbftest::run(std::string("/usr/bin/python3 -c 'import ") + module + "' 2>/dev/null",
                       &status);
    return status == 0;
}

std::string oracle(const char *script) {
    return std::string(test_paths::kOraclesDir) + "/" + script;
}

int todayYear() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return tm.tm_year + 1900;
}

} // namespace

template <TableFormat F> struct Layout { static constexpr TableFormat format = F; };
using DBase3 = Layout<TableFormat::DBase3>;
using DBase4 = Layout<TableFormat::DBase4>;

template <class L> class WrittenTable : public ::testing::Test {
protected:
    static constexpr TableFormat kFormat = L::format;
    bool dBase4() const { return kFormat == TableFormat::DBase4; }

    // Creates the table and appends three records: a full one, a blank one, one with
    // negative and rounded numbers.
    void build(bool memo) {
        path = dir.file("STOCK.DBF");
        db::CreateOptions o;
        o.format = kFormat;
        DbfTable::create(path, sampleFields(memo), o);
        DbfTable t(path, OpenMode::Exclusive);
        std::string rec = t.blankRecord();
        t.setTextUtf8(rec, 0, "Caf\xC3\xA9 table");
        t.setInteger(rec, 1, 42);
        t.setNumber(rec, 2, 1234567890.12);
        t.setDate(rec, 3, "20240229");
        t.setLogical(rec, 4, true);
        if (memo)
            t.setMemo(rec, 5, "first line\r\nsecond line");
        EXPECT_EQ(t.appendRecord(rec), 1u);
        EXPECT_EQ(t.appendRecord(t.blankRecord()), 2u);
        rec = t.blankRecord();
        t.setText(rec, 0, "Lamp");
        t.setInteger(rec, 1, -7);
        t.setDecimalText(rec, 2, "-2.67495");
        t.setLogical(rec, 4, false);
        if (memo)
            t.setMemo(rec, 5, std::string(1500, 'm'));
        EXPECT_EQ(t.appendRecord(rec), 3u);
    }

    dbftest::TempDir dir;
    std::string path;
};

using Layouts = ::testing::Types<DBase3, DBase4>;
TYPED_TEST_SUITE(WrittenTable, Layouts);

TYPED_TEST(WrittenTable, HeaderFactsAreWhatDBaseExpects) {
    this->build(true);
    const std::string bytes = dbftest::readBytes(this->path);
    const auto u = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    EXPECT_EQ(u(0), this->dBase4() ? 0x8B : 0x83);
    EXPECT_EQ(u(1) + 1900, todayYear());
    EXPECT_EQ(u(4), 3); // record count
    const int headerLength = 32 + 32 * 6 + 1;
    EXPECT_EQ(u(8) | (u(9) << 8), headerLength);
    const int recordLength = 1 + 20 + 11 + 19 + 8 + 1 + 10;
    EXPECT_EQ(u(10) | (u(11) << 8), recordLength);
    EXPECT_EQ(u(28), 0);
    EXPECT_EQ(u(29), 0x57);
    EXPECT_EQ(u(static_cast<std::size_t>(headerLength) - 1), 0x0D);
    ASSERT_EQ(bytes.size(), static_cast<std::size_t>(headerLength + 3 * recordLength + 1));
    EXPECT_EQ(bytes.back(), '\x1A');
    EXPECT_EQ(bytes.substr(32, 5), std::string("ITEM\0", 5));
    EXPECT_EQ(bytes.substr(static_cast<std::size_t>(headerLength), 1 + 20),
              " Caf\xE9 table          ");
    EXPECT_EQ(bytes.substr(static_cast<std::size_t>(headerLength) + 21, 30),
              "         42    1234567890.1200");
}

TYPED_TEST(WrittenTable, ValuesReadBack) {
    this->build(true);
    DbfTable t(this->path, OpenMode::ReadOnly);
    ASSERT_EQ(t.recordCount(), 3u);
    EXPECT_EQ(t.fields()[2].offset, 32);
    EXPECT_EQ(t.fields()[3].offset, 51);
    const std::string r1(t.record(1));
    EXPECT_EQ(t.textUtf8(r1, 0), "Caf\xC3\xA9 table");
    EXPECT_EQ(t.integer(r1, 1), 42);
    EXPECT_EQ(t.decimalText(r1, 2), "1234567890.1200");
    EXPECT_EQ(t.date(r1, 3), "20240229");
    EXPECT_EQ(t.logical(r1, 4), true);
    EXPECT_EQ(t.memo(r1, 5), "first line\r\nsecond line");
    const std::string r2(t.record(2));
    for (int i = 0; i < t.fieldCount(); ++i)
        EXPECT_TRUE(t.isBlank(r2, i)) << i;
    EXPECT_EQ(t.number(r2, 2), std::nullopt);
    EXPECT_EQ(t.date(r2, 3), std::nullopt);
    EXPECT_EQ(t.memo(r2, 5), "");
    const std::string r3(t.record(3));
    EXPECT_EQ(t.decimalText(r3, 2), "-2.6750"); // decimal rounding, half away from zero
    EXPECT_EQ(t.integer(r3, 1), -7);
    EXPECT_EQ(t.memo(r3, 5), std::string(1500, 'm'));
}

TYPED_TEST(WrittenTable, IndependentReadersAgree) {
    if (!dbftest::executable("/usr/bin/dbf_dump") || !pythonHas("dbfread"))
        GTEST_SKIP() << "dBASE oracles are not installed";
    this->build(true);
    const std::string perl =
        dbftest::run(oracle("xbase_dump.sh") + " " + dbftest::quoted(this->path));
    EXPECT_EQ(perl, "Caf\xE9 table|42|1234567890.12|20240229|1|first line\r\nsecond line\n"
                    "|<NULL>|<NULL>|<NULL>|<NULL>|<NULL>\n"
                    "Lamp|-7|-2.675|<NULL>|0|" +
                        std::string(1500, 'm') + "\n");
    const std::string py =
        dbftest::run(oracle("dbfread_dump.py") + " " + dbftest::quoted(this->path));
    EXPECT_NE(
        py.find("1   'Caf\xC3\xA9 table' | 42 | 1234567890.12 | datetime.date(2024, 2, 29) | True"),
        std::string::npos)
        << py;
    EXPECT_NE(py.find("3   'Lamp' | -7 | -2.675 | None | False"), std::string::npos) << py;
    EXPECT_NE(py.find("language_driver=87"), std::string::npos) << py;
}

TYPED_TEST(WrittenTable, TablesWithoutMemoAreVersion3ForEveryReader) {
    this->build(false);
    EXPECT_EQ(dbftest::readBytes(this->path)[0], '\x03');
    if (!dbftest::executable("/usr/bin/dbview") || !pythonHas("dbf"))
        GTEST_SKIP() << "dBASE oracles are not installed";
    const std::string view =
        dbftest::run(oracle("dbview_dump.sh") + " " + dbftest::quoted(this->path));
    EXPECT_NE(view.find("Lamp|-7|-2.6750||F"), std::string::npos) << view;
    const std::string pydbf =
        dbftest::run(oracle("pydbf_dump.py") + " " + dbftest::quoted(this->path));
    EXPECT_NE(pydbf.find("3 records"), std::string::npos) << pydbf;
    EXPECT_NE(pydbf.find("'Lamp"), std::string::npos) << pydbf;
}

TYPED_TEST(WrittenTable, UpdateDeleteAndPack) {
    this->build(true);
    {
        DbfTable t(this->path, OpenMode::Exclusive);
        std::string rec(t.record(3));
        t.setText(rec, 0, "Floor lamp");
        t.writeRecord(3, rec);
        t.setDeleted(1, true);
        EXPECT_TRUE(DbfTable::isDeleted(t.record(1)));
        t.setDeleted(2, true);
        t.setDeleted(2, false);
        t.pack();
        ASSERT_EQ(t.recordCount(), 2u);
        EXPECT_EQ(t.text(std::string(t.record(2)), 0), "Floor lamp");
        EXPECT_EQ(t.memo(std::string(t.record(2)), 5), std::string(1500, 'm'));
        // The packed table takes new records after the last kept one.
        std::string extra = t.blankRecord();
        t.setText(extra, 0, "Rug");
        EXPECT_EQ(t.appendRecord(extra), 3u);
    }
    DbfTable t(this->path, OpenMode::ReadOnly);
    ASSERT_EQ(t.recordCount(), 3u);
    EXPECT_TRUE(t.isBlank(std::string(t.record(1)), 0));
    EXPECT_EQ(t.text(std::string(t.record(3)), 0), "Rug");
    const std::string bytes = dbftest::readBytes(this->path);
    EXPECT_EQ(bytes.size(),
              static_cast<std::size_t>(t.header().headerLength + 3 * t.recordLength() + 1));
    // The rebuilt memo file keeps only the live memos.
    // (header block + three blocks of the 1500-byte memo; the deleted record's memo is gone)
    EXPECT_EQ(dbftest::readBytes(db::companionPath(this->path, ".DBT")).size(), 4u * 512u);
    // No temporary files are left behind.
    int files = 0;
    for ([[maybe_unused]] const auto &e : std::filesystem::directory_iterator(this->dir.path()))
        ++files;
    EXPECT_EQ(files, 2);
}

TYPED_TEST(WrittenTable, CreateReplacesAnExistingTable) {
    this->build(false);
    DbfTable::create(this->path, {{"Only", 'C', 5, 0, 0}}, {this->kFormat, 0x57, true});
    DbfTable t(this->path, OpenMode::ReadOnly);
    EXPECT_EQ(t.recordCount(), 0u);
    EXPECT_EQ(t.fieldCount(), 1);
    EXPECT_TRUE(t.productionIndexFlag());
}

TEST(WriteTest, ValuesThatDoNotFitAreRefused) {
    dbftest::TempDir dir;
    const std::string path = dir.file("T.DBF");
    DbfTable::create(path,
                     {{"Name", 'C', 5, 0, 0}, {"Amount", 'N', 6, 2, 0}, {"When", 'D', 8, 0, 0}});
    DbfTable t(path, OpenMode::Shared);
    std::string rec = t.blankRecord();
    EXPECT_THROW(t.setText(rec, 0, "toolong"), db::DbError);
    EXPECT_NO_THROW(t.setText(rec, 0, "exact"));
    EXPECT_THROW(t.setNumber(rec, 1, 1000.0), db::DbError); // "1000.00" is 7 wide
    EXPECT_NO_THROW(t.setNumber(rec, 1, 999.99));
    EXPECT_EQ(t.decimalText(rec, 1), "999.99");
    EXPECT_THROW(t.setNumber(rec, 1, 999.995), db::DbError); // rounds to 1000.00
    EXPECT_THROW(t.setDecimalText(rec, 1, "12a"), db::DbError);
    EXPECT_THROW(t.setDate(rec, 2, "20230229"), db::DbError);
    EXPECT_THROW(t.setDate(rec, 2, "2023-1-1"), db::DbError);
    EXPECT_THROW(t.setLogical(rec, 0, true), db::DbError);
    EXPECT_THROW(t.setTextUtf8(rec, 0, "\xD0\x96"), db::DbError);
    EXPECT_THROW((void)t.appendRecord("short"), db::DbError);
    t.setNumber(rec, 1, -0.001);
    EXPECT_EQ(t.decimalText(rec, 1), "0.00"); // no minus sign on a rounded zero
    t.setNumber(rec, 1, 2.675);               // binary 2.67499999..., the user typed 2.675
    EXPECT_EQ(t.decimalText(rec, 1), "2.68");
}

TEST(WriteTest, BadFieldDefinitionsAreRefused) {
    dbftest::TempDir dir;
    const std::string path = dir.file("T.DBF");
    using V = std::vector<FieldDef>;
    EXPECT_THROW(DbfTable::create(path, V{}), db::DbError);
    EXPECT_THROW(DbfTable::create(path, V{{"ELEVENCHARS", 'C', 5, 0, 0}}), db::DbError);
    EXPECT_THROW(DbfTable::create(path, V{{"A", 'C', 0, 0, 0}}), db::DbError);
    EXPECT_THROW(DbfTable::create(path, V{{"A", 'C', 255, 0, 0}}), db::DbError);
    EXPECT_THROW(DbfTable::create(path, V{{"A", 'N', 5, 4, 0}}), db::DbError);
    EXPECT_THROW(DbfTable::create(path, V{{"A", 'C', 5, 0, 0}, {"a", 'C', 5, 0, 0}}), db::DbError);
    EXPECT_THROW(DbfTable::create(path, V{{"A", 'I', 4, 0, 0}}), db::DbError);
    EXPECT_THROW(DbfTable::create(path, V{{"A", 'F', 10, 2, 0}}, {TableFormat::DBase3}),
                 db::DbError);
    EXPECT_THROW(DbfTable::create(path, V{{"A", 'N', 20, 2, 0}}, {TableFormat::DBase3}),
                 db::DbError);
    EXPECT_FALSE(std::filesystem::exists(path));
}
