// Importing dBASE tables: every sample table the engine reads, the names offered for the
// matching, dates taken as dates, a table imported into itself, and code page conversion.
#include "db/engine/dbf_table.h"
#include "import_fixture.h"
#include "interchange/dbf_import_source.h"
#include "interchange/import_matching.h"
#include "interchange/import_run.h"
#include "test_paths.h"

#include <QDir>

#include <filesystem>
#include <fstream>
#include <iterator>

using importing::ImportDbf;

namespace {

using ImportDbfTest = ImportFixture;

TEST_F(ImportDbfTest, EverySampleTableIsReadWithEachFieldIntoACharacterField) {
    int tables = 0;
    for (const auto &entry :
         std::filesystem::recursive_directory_iterator(test_paths::kSamplesDir)) {
        const QString sample = QString::fromStdString(entry.path().string());
        if (!importing::IsDbfFileName(sample))
            continue;
        SCOPED_TRACE(sample.toStdString());
        ++tables;
        const QStringList names = importing::DbfFieldNames(sample);
        ASSERT_FALSE(names.isEmpty());
        for (const QString &name : names)
            EXPECT_LE(name.size(), 20);
        // Every source field into the Item, a date field also into the purchase date.
        const db::DbfTable source(sample.toStdString(), db::OpenMode::ReadOnly);
        std::vector<int> map(static_cast<std::size_t>(names.size()), field::Item);
        for (int k = 0; k < source.fieldCount(); ++k)
            if (source.field(k).type == 'D')
                map[static_cast<std::size_t>(k)] = field::PurchDate;
        const std::int64_t before = table.recordCount();
        std::int64_t live = 0;
        for (std::uint32_t r = 1; r <= source.recordCount(); ++r)
            live += db::DbfTable::isDeleted(source.record(r)) ? 0 : 1;
        const importing::ImportOutcome outcome = ImportDbf(table, sample, map);
        EXPECT_EQ(outcome.count, live);
        EXPECT_EQ(table.recordCount(), before + outcome.count);
    }
    EXPECT_EQ(tables, 18);
    table.close();
    EXPECT_TRUE(InspectInventory(path).faults.isEmpty());
}

TEST_F(ImportDbfTest, ValuesComeAsTheirTextAndDatesAsDates) {
    ApplyDateFormat(1, false); // two-digit years: the text would lose the century
    const std::string sourcePath = dir.filePath(QStringLiteral("OLD.DBF")).toStdString();
    db::DbfTable::create(sourcePath, {{"NAME", 'C', 30, 0, 0},
                                      {"PRICE", 'N', 9, 2, 0},
                                      {"BOUGHT", 'D', 8, 0, 0},
                                      {"OK", 'L', 1, 0, 0},
                                      {"NOTE", 'M', 10, 0, 0}});
    {
        db::DbfTable t(sourcePath, db::OpenMode::Exclusive);
        std::string rec = t.blankRecord();
        t.setText(rec, 0, "Grandfather clock");
        t.setDecimalText(rec, 1, "1250.50");
        t.setDate(rec, 2, "19200501");
        t.setLogical(rec, 3, true);
        t.setMemo(rec, 4, "line one\r\nline two");
        (void)t.appendRecord(rec);
    }
    const QString source = QString::fromStdString(sourcePath);
    EXPECT_EQ(importing::DbfFieldNames(source),
              QStringList({"NAME", "PRICE", "BOUGHT", "OK", "NOTE"}));
    // The date goes into a date field, and in a second import into a character field.
    std::vector<int> map{field::Item, field::Cost, field::PurchDate, field::Warranty,
                         field::WarNotes};
    EXPECT_EQ(ImportDbf(table, source, map).count, 1);
    map = {-1, -1, field::Item, -1, -1};
    EXPECT_EQ(ImportDbf(table, source, map).count, 1);
    EXPECT_EQ(stored(1, field::Item), "Grandfather clock");
    EXPECT_EQ(stored(1, field::Cost), "1250.5000");
    EXPECT_EQ(stored(1, field::PurchDate), "19200501");
    EXPECT_EQ(stored(1, field::Warranty), "T");
    EXPECT_EQ(stored(1, field::WarNotes), "line one  line two");
    EXPECT_EQ(stored(2, field::Item), "5/1/20");
}

TEST_F(ImportDbfTest, VisualFoxProValuesComeDecodedAndNullsAsBlanks) {
    std::string bytes;
    {
        std::ifstream in(std::string(test_paths::kSamplesDir) + "/infused-dbf/dbase_31.dbf",
                         std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    ASSERT_EQ(bytes.size(), 7963u);
    bytes[648 + 95 - 1] = 0x09; // record 1: SUPPLIERID and UNITPRICE are NULL
    const QString source = dir.filePath(QStringLiteral("NULLS.DBF"));
    {
        std::ofstream out(source.toStdString(), std::ios::binary);
        out << bytes;
    }
    // PRODUCTID I, PRODUCTNAM C, SUPPLIERID I, ..., UNITPRICE Y, ..., _NullFlags.
    std::vector<int> map(11, -1);
    map[0] = field::Serial;
    map[1] = field::Item;
    map[2] = field::Model;
    map[5] = field::Cost;
    map[10] = field::Brand;
    EXPECT_EQ(ImportDbf(table, source, map).count, 77);
    EXPECT_EQ(stored(1, field::Serial), "1");
    EXPECT_EQ(stored(1, field::Item), "Chai");
    EXPECT_EQ(stored(1, field::Model), "");
    EXPECT_EQ(stored(1, field::Cost), "0.0000"); // as an empty amount is, not 18.0000
    EXPECT_EQ(stored(1, field::Brand), "");
    EXPECT_EQ(stored(2, field::Model), "1");
    EXPECT_EQ(stored(2, field::Cost), "19.0000");
}

TEST_F(ImportDbfTest, ATableWhoseMemoFileIsMissingIsImportedAndSaidOnce) {
    const QString source = QString::fromLatin1(test_paths::kSamplesDir) + "/blipper/PHOTOS.DBF";
    // TITLE, MEDIA_ID, MEDIA (blob), NOTES (memo), ...
    const std::vector<int> map{field::Item, field::Serial, -1, field::Descriptio};
    const importing::ImportOutcome outcome = ImportDbf(table, source, map);
    EXPECT_EQ(outcome.count, 3);
    EXPECT_TRUE(outcome.memoFileMissing);
    EXPECT_EQ(stored(2, field::Item), "Two Barns");
    EXPECT_EQ(stored(2, field::Descriptio), "");
    const QStringList notes = importing::ImportNotes(outcome);
    ASSERT_EQ(notes.size(), 1);
    EXPECT_TRUE(notes[0].contains(QStringLiteral("memo file"))) << notes[0].toStdString();
}

TEST_F(ImportDbfTest, AnInventoryImportedIntoItselfGetsEachRecordOnce) {
    fixture::addGenerated(table, 40, 3);
    const std::vector<int> map = importing::Matching(importing::DbfFieldNames(path)).fieldMap();
    EXPECT_EQ(ImportDbf(table, path, map).count, 40);
    EXPECT_EQ(table.recordCount(), 80);
    for (std::uint32_t r = 1; r <= 40; ++r) {
        ASSERT_TRUE(table.gotoBookmark(r));
        const std::string original(table.current().buffer(),
                                   static_cast<std::size_t>(table.layout().recordLength()));
        ASSERT_TRUE(table.gotoBookmark(r + 40));
        EXPECT_EQ(std::string(table.current().buffer(), original.size()), original);
    }
    table.close();
    EXPECT_TRUE(InspectInventory(path).faults.isEmpty());
}

TEST_F(ImportDbfTest, CharactersTheInventoryCannotHoldBecomeQuestionMarksAndAreCounted) {
    const QString sample = QString::fromUtf8(test_paths::kSamplesDir) + u"/infused-dbf/cp1251.dbf";
    const db::DbfTable source(sample.toStdString(), db::OpenMode::ReadOnly);
    std::vector<int> map(static_cast<std::size_t>(source.fieldCount()), -1);
    for (int k = 0; k < source.fieldCount(); ++k)
        if (source.field(k).type == 'C') {
            map[static_cast<std::size_t>(k)] = field::Item;
            break;
        }
    const importing::ImportOutcome outcome = ImportDbf(table, sample, map);
    EXPECT_GT(outcome.replacedCharacters, 0);
    EXPECT_FALSE(importing::ReplacedCharactersNote(outcome.replacedCharacters).isEmpty());
    EXPECT_TRUE(importing::ReplacedCharactersNote(0).isEmpty());
    EXPECT_NE(stored(1, field::Item).find('?'), std::string::npos);
}

} // namespace

namespace {

TEST_F(ImportDbfTest, FieldsDefinedAsTheInventorysAreStoredAsTheirTextWouldBe) {
    const std::string sourcePath = dir.filePath(QStringLiteral("SAME.DBF")).toStdString();
    db::DbfTable::create(
        sourcePath,
        {{"ITEM", 'C', 40, 0, 0}, {"QUANTITY", 'N', 11, 0, 0}, {"COST", 'N', 20, 4, 0}});
    struct Row {
        std::string item, quantity, cost;       // raw bytes as another program left them
        std::string storedQuantity, storedCost; // what their text gives
    };
    const std::vector<Row> rows{
        {"Lamp", "          7", "             12.5000", "7", "12.5000"},
        {std::string("Nul\0x", 5), "7          ", "12.5                ", "7", "12.5000"},
        {"  Spaced", "         -0", "             -0.0000", "0", "0.0000"},
        {"", "        007", "               12.50", "7", "12.5000"},
    };
    {
        db::DbfTable t(sourcePath, db::OpenMode::Exclusive);
        for (const Row &r : rows) {
            std::string rec = t.blankRecord();
            rec.replace(1, r.item.size(), r.item);
            rec.replace(41, 11, r.quantity);
            rec.replace(52, 20, r.cost);
            (void)t.appendRecord(rec);
        }
    }
    EXPECT_EQ(ImportDbf(table, QString::fromStdString(sourcePath),
                        {field::Item, field::Quantity, field::Cost})
                  .count,
              4);
    for (std::uint32_t r = 1; r <= 4; ++r) {
        SCOPED_TRACE(r);
        EXPECT_EQ(stored(r, field::Quantity), rows[r - 1].storedQuantity);
        EXPECT_EQ(stored(r, field::Cost), rows[r - 1].storedCost);
    }
    EXPECT_EQ(stored(2, field::Item), std::string("Nul\0x", 5));
    EXPECT_EQ(stored(3, field::Item), "Spaced");
    ASSERT_TRUE(table.gotoBookmark(3));
    EXPECT_EQ(table.current().raw(field::Item).substr(0, 8), "  Spaced");
}

} // namespace
