// Importing delimited text into an inventory file: how each kind of field takes a value, the
// skip-first flag, field maps, failures part-way and a kill half-way.
#include "db/engine/codepage.h"
#include "db/engine/crash_points.h"
#include "db/engine/table.h"
#include "import_fixture.h"
#include "interchange/delimited_reader.h"
#include "interchange/import_matching.h"
#include "interchange/import_record.h"
#include "interchange/import_run.h"
#include "settings/regional.h"
#include "settings/settings.h"
#include "settings/typed_number.h"

using importing::ImportText;
using namespace Qt::StringLiterals;

namespace {

// The code page of every inventory file made here (Windows ANSI).
constexpr int kCodePage = db::kDefaultCodePage;

std::string line(const std::vector<std::string> &values) {
    std::string out;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0)
            out += ',';
        delimited::AppendQuoted(out, values[i]);
    }
    return out + "\r\n";
}

// The catalogue order identity: import field k fills program field k.
std::vector<int> inOrder(int n) {
    std::vector<int> map;
    for (int k = 0; k < n; ++k)
        map.push_back(k < kFieldCount ? k : -1);
    return map;
}

using ImportTextTest = ImportFixture;

TEST_F(ImportTextTest, AnExportWithTitlesReproducesTheRecordsInAnEmptyFile) {
    ApplyDateFormat(7, false); // four-digit years, so no date depends on the century window
    const QString sourcePath = dir.filePath(QStringLiteral("SOURCE.DBF"));
    ScriptedPrompter prompter;
    ASSERT_TRUE(MakeNewDB(sourcePath, prompter));
    MyTable source;
    source.open(sourcePath);
    fixture::addGenerated(source, 60, 7);
    // The export's form: titles, every field quoted, dates in the short date format.
    const Settings settings;
    std::string text;
    std::vector<std::string> titles;
    for (const QString &name : settings.fieldNames)
        titles.push_back(name.toStdString());
    text += line(titles);
    for (MyTable::Scanner s = source.scanner(); s.next();) {
        std::vector<std::string> values;
        for (int f = 0; f < kFieldCount; ++f)
            values.push_back(kCatalogue[static_cast<std::size_t>(f)].createdAs ==
                                     FieldCreatedAs::Date
                                 ? DateToText(s.view().date(f)).toStdString()
                                 : std::string(field_codec::trimmed(s.view().raw(f))));
        text += line(values);
    }
    const QString file = writeText(text);

    const importing::TextFirstLine first = importing::ReadFirstLine(file, kCodePage);
    ASSERT_EQ(first.problem, delimited::FirstLine::None);
    const importing::Matching matching(first.names);
    for (int r = 0; r < kFieldCount; ++r) {
        EXPECT_EQ(matching.importField(r), settings.fieldNames[static_cast<std::size_t>(r)]);
        EXPECT_EQ(matching.use(r), importing::kUse);
    }
    std::vector<std::int64_t> counts;
    const auto outcome = ImportText(table, file, matching.fieldMap(), true,
                                    [&](std::int64_t n) { counts.push_back(n); });
    EXPECT_EQ(outcome.count, 60);
    ASSERT_EQ(counts.size(), 60u);
    EXPECT_EQ(counts.back(), 60);
    EXPECT_EQ(table.recordCount(), 60);
    for (std::uint32_t r = 1; r <= 60; ++r) {
        ASSERT_TRUE(source.gotoBookmark(r));
        ASSERT_TRUE(table.gotoBookmark(r));
        const std::size_t length = static_cast<std::size_t>(table.layout().recordLength());
        EXPECT_EQ(std::string(table.current().buffer(), length),
                  std::string(source.current().buffer(), length))
            << "record " << r;
    }
    table.close();
    EXPECT_TRUE(InspectInventory(path).faults.isEmpty());
}

TEST_F(ImportTextTest, AQuotedEmptyFieldGivesEmptyTextZeroAndNoDate) {
    const QString file = writeText(line(std::vector<std::string>(22, "")));
    EXPECT_EQ(ImportText(table, file, inOrder(22), false).count, 1);
    EXPECT_EQ(stored(1, field::Item), "");
    EXPECT_EQ(stored(1, field::Quantity), "0");
    EXPECT_EQ(stored(1, field::Cost), "0.0000");
    EXPECT_EQ(stored(1, field::PurchDate), "");
    EXPECT_TRUE(table.date(field::PurchDate).isNull());
}

TEST_F(ImportTextTest, NumbersAreReadAsFarAsTheyGoWithAFullStopAsDecimalPoint) {
    std::string text;
    for (const char *cost : {"12.5", "1,234.75", "-3", "7.25 dollars", "abc"})
        text += line({"item", "", "", "", "", "", "", "", cost, "", cost});
    const QString file = writeText(text);
    EXPECT_EQ(ImportText(table, file, inOrder(11), false).count, 5);
    const char *quantities[] = {"12", "1234", "-3", "7", "0"};
    const char *costs[] = {"12.5000", "1234.7500", "-3.0000", "7.2500", "0.0000"};
    for (std::uint32_t r = 1; r <= 5; ++r) {
        EXPECT_EQ(stored(r, field::Quantity), quantities[r - 1]);
        EXPECT_EQ(stored(r, field::Cost), costs[r - 1]);
    }
}

TEST_F(ImportTextTest, OnlyDatesWithTheSeparatorAndNoLettersAreStored) {
    ApplyDateFormat(1, false); // m/d/yy with "/"
    std::string text;
    for (const char *date : {"12/31/95", "Dec 31 95", "12-31-95", " / / "})
        text += line({date, date});
    const QString file = writeText(text);
    const std::vector<int> map{field::Item, field::PurchDate};
    EXPECT_EQ(ImportText(table, file, map, false).count, 4);
    EXPECT_EQ(stored(1, field::PurchDate), "19951231");
    for (std::uint32_t r = 2; r <= 4; ++r)
        EXPECT_EQ(stored(r, field::PurchDate), "") << r;
    EXPECT_EQ(stored(2, field::Item), "Dec 31 95");
}

TEST_F(ImportTextTest, ADateThatIsNoDateStopsTheImportAndKeepsTheRecordsBefore) {
    ApplyDateFormat(1, false);
    const QString file =
        writeText(line({"one", "1/2/96"}) + line({"two", "2/30/96"}) + line({"three", "1/3/96"}));
    try {
        (void)ImportText(table, file, {field::Item, field::PurchDate}, false);
        FAIL() << "the import went on";
    } catch (const importing::ImportError &e) {
        EXPECT_EQ(e.text(), "'2/30/96' is not a valid date");
    }
    EXPECT_EQ(table.recordCount(), 1);
    EXPECT_EQ(stored(1, field::Item), "one");
    table.close();
    EXPECT_TRUE(InspectInventory(path).faults.isEmpty());
}

TEST_F(ImportTextTest, AShortLineFillsOnlyItsFieldsAndLongValuesAreCutToTheFieldWidth) {
    const QString file = writeText(line({"Lamp", "Acme", "M1", "S1"}) + line({"Chair"}) +
                                   line({std::string(60, 'x'), "Brand"}));
    EXPECT_EQ(ImportText(table, file, inOrder(4), false).count, 3);
    EXPECT_EQ(stored(2, field::Item), "Chair");
    EXPECT_EQ(stored(2, field::Brand), "");
    EXPECT_EQ(stored(2, field::Serial), "");
    EXPECT_EQ(stored(3, field::Item), std::string(40, 'x'));
    EXPECT_EQ(stored(3, field::Brand), "Brand");
}

TEST_F(ImportTextTest, TwoBlankFieldsBothFollowTheFirstRowOfThatName) {
    const std::string text = line({"", "Brand", ""}) + line({"first", "Acme", "second"});
    const QString file = writeText(text);
    const QStringList names = importing::ReadFirstLine(file, kCodePage).names;
    ASSERT_EQ(names, QStringList({"<BLANK FIELD>", "Brand", "<BLANK FIELD>"}));
    const std::vector<int> map = importing::Matching(names).fieldMap();
    EXPECT_EQ(map, (std::vector<int>{field::Item, field::Brand, field::Item}));
    EXPECT_EQ(ImportText(table, file, map, true).count, 1);
    EXPECT_EQ(stored(1, field::Item), "second"); // stored in file order, the later wins
    EXPECT_EQ(stored(1, field::Brand), "Acme");
}

TEST_F(ImportTextTest, AFileMarkedAsUtf8HasItsTextStoredInTheInventorysCodePage) {
    // As a spreadsheet program's "CSV UTF-8" writes it: the byte order mark, then UTF-8.
    const std::string name = "Beschreibung \xC3\xA4\xC3\xB6\xC3\xBC\xC3\xA9 und mehr";
    const QString file = writeText("\xEF\xBB\xBF" + line({"Item", name, "Owner"}) +
                                   line({"Caf\xC3\xA9 table \xE2\x82\xAC", "\xE2\x84\xA2 x",
                                         "\xE4\xB8\xAD\xE6\x96\x87 Zo\xC3\xAB"}));
    const importing::TextFirstLine first = importing::ReadFirstLine(file, kCodePage);
    ASSERT_EQ(first.problem, delimited::FirstLine::None);
    // Twenty characters, not bytes, and no mark before the first name.
    EXPECT_EQ(first.names,
              QStringList({u"Item"_s, u"Beschreibung \u00e4\u00f6\u00fc\u00e9 un"_s, u"Owner"_s}));
    const importing::ImportOutcome outcome =
        ImportText(table, file, {field::Item, field::Brand, field::Owner}, true);
    EXPECT_EQ(outcome.count, 1);
    // Windows ANSI holds the accented letters, the euro and the trade mark sign; two Chinese
    // characters it cannot hold become "?" and are counted.
    EXPECT_EQ(stored(1, field::Item), "Caf\xE9 table \x80");
    EXPECT_EQ(stored(1, field::Brand), "\x99 x");
    EXPECT_EQ(stored(1, field::Owner), "?? Zo\xEB");
    EXPECT_EQ(outcome.replacedCharacters, 2);

    // Without the mark the same bytes are the inventory's own code page, as always.
    const QString plain =
        writeText(line({"Item"}) + line({"Caf\xC3\xA9"}), QStringLiteral("PLAIN.TXT"));
    EXPECT_EQ(ImportText(table, plain, inOrder(1), true).replacedCharacters, 0);
    EXPECT_EQ(stored(2, field::Item), "Caf\xC3\xA9");
}

TEST_F(ImportTextTest, WithSkipFirstOffTheFirstLineIsARecordToo) {
    const QString file = writeText(line({"Item", "Brand"}) + line({"Lamp", "Acme"}));
    EXPECT_EQ(ImportText(table, file, inOrder(2), false).count, 2);
    EXPECT_EQ(stored(1, field::Item), "Item");
    EXPECT_EQ(stored(2, field::Item), "Lamp");
    EXPECT_EQ(ImportText(table, file, inOrder(2), true).count, 1);
    EXPECT_EQ(table.recordCount(), 3);
}

TEST_F(ImportTextTest, AMissingFileIsAnImportErrorAndNothingChanges) {
    EXPECT_THROW(
        (void)importing::ReadFirstLine(dir.filePath(QStringLiteral("NONE.TXT")), kCodePage),
        importing::ImportError);
    EXPECT_THROW(
        (void)ImportText(table, dir.filePath(QStringLiteral("NONE.TXT")), inOrder(2), true),
        importing::ImportError);
    EXPECT_EQ(table.recordCount(), 0);
}

TEST_F(ImportTextTest, AKillHalfWayLeavesAnInventoryFileThatOpensWithAnAgreeingIndex) {
    constexpr int kLines = 20000;
    std::string text;
    for (int i = 1; i <= kLines; ++i)
        text += line({"item " + std::to_string(i), "", "", "", "", "", "", "", std::to_string(i),
                      "", "", "Category " + std::to_string(i % 13)});
    const QString file = writeText(text);
    table.close();
    const auto work = [&] {
        MyTable t;
        t.open(path);
        (void)ImportText(t, file, inOrder(12), false);
    };
    const fixture::KeptFiles kept(
        dir.path().toStdString(),
        {path.toStdString(), dir.filePath("INV.MDX").toStdString(), file.toStdString()});
    const std::vector<std::string> points = crashtest::pointsOf(work);
    ASSERT_GE(points.size(), 3u);
    kept.restore();
    crashtest::Options o;
    o.killAt = points.size() / 2;
    ASSERT_EQ(points[o.killAt], "bulk:records");
    ASSERT_EQ(crashtest::run(work, o), crashtest::End::Killed);

    EXPECT_TRUE(InspectInventory(path).isInventory);
    table.setIndexName(QStringLiteral("NewIndex"));
    table.open(path); // mends the index the kill left marked
    const std::int64_t count = table.recordCount();
    EXPECT_GT(count, 0);
    EXPECT_LT(count, kLines);
    for (std::uint32_t r = 1; r <= static_cast<std::uint32_t>(count); r += 331)
        EXPECT_EQ(stored(r, field::Quantity), std::to_string(r));
    table.close();
    EXPECT_TRUE(InspectInventory(path).faults.isEmpty())
        << InspectInventory(path).faults.join(u' ').toStdString();
}

} // namespace

namespace {

// The stored bytes of one field after storing `text` into it through the filler.
std::string storedBy(const importing::RecordFiller &filler, int field, const std::string &text,
                     const RecordLayout &layout) {
    std::string record = filler.blankRecord();
    filler.storeText(record, field, text);
    const int at = layout.indexOf(
        QString::fromLatin1(kCatalogue[field].key.data(), qsizetype(kCatalogue[field].key.size())));
    const db::FieldDef &f = layout.fields()[static_cast<std::size_t>(at)];
    return record.substr(static_cast<std::size_t>(f.offset), static_cast<std::size_t>(f.length));
}

TEST_F(ImportTextTest, DatesAndNumbersAreStoredAsTheShortDateAndTypedNumberReadersReadThem) {
    const char *dates[] = {"12/31/95", "1/2/2001",   "31/12/95", "2/29/00",  "29/2/1900",
                           "7/5/49",   "7/5/50",     "12.31.95", "12-31-95", "1/2/0",
                           "1/2/123",  "01/02/0001", "1/2/0000", "12/31/95 "};
    for (int format = 1; format <= 12; ++format) {
        ApplyDateFormat(format, false);
        const importing::RecordFiller filler(table.layout());
        for (const char *text : dates) {
            SCOPED_TRACE(std::string(text) + " in format " + std::to_string(format));
            const QString value = QString::fromLatin1(text);
            std::string expected(8, ' ');
            bool invalid = false;
            if (value.contains(CurrentDateSeparator())) {
                const ParsedDate parsed = TextToDate(value);
                invalid = parsed.isInvalid();
                if (parsed.isValid())
                    expected = DateToDbfText(parsed.date).toStdString();
            }
            if (invalid)
                EXPECT_THROW((void)storedBy(filler, field::PurchDate, text, table.layout()),
                             importing::ImportError);
            else
                EXPECT_EQ(storedBy(filler, field::PurchDate, text, table.layout()), expected);
        }
    }
    ResetDateFormat();
    const importing::RecordFiller filler(table.layout());
    for (const char *text : {"0", "-0", "12", "007", "12.5", "-0.125", "2.675", "1e3", "+4",
                             "1234567890.5", "99999999.99995", ".5", "5.", "1,000.5"}) {
        SCOPED_TRACE(text);
        std::string cost(20, ' '), quantity(11, ' ');
        db::field_codec::storeNumber({"C", 'N', 20, 4, 0},
                                     ReadTypedAmountPrefix(QString::fromLatin1(text), kFormatUS),
                                     cost.data());
        EXPECT_EQ(storedBy(filler, field::Cost, text, table.layout()), cost);
        db::field_codec::storeNumber(
            {"Q", 'N', 11, 0, 0},
            static_cast<double>(ReadTypedWholeNumberPrefix(QString::fromLatin1(text), kFormatUS)),
            quantity.data());
        EXPECT_EQ(storedBy(filler, field::Quantity, text, table.layout()), quantity);
    }
}

} // namespace
