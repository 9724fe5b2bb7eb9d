#include "interchange/export_run.h"

#include "db/engine/dbf_table.h"
#include "db/inventory_fixture.h"
#include "db/inventory_schema.h"
#include "db/my_table.h"
#include "settings/date_format.h"
#include "settings/settings.h"
#include "support/fake_main_hooks.h"
#include "support/scripted_prompter.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace exporting;

namespace {

const QString kSortExpression = QStringLiteral("Upper(Left(Item,40))");

// The main window's part as it plays it: ending a search opens the table again, putting it
// back switches the filter on again.
class ViewerHooks : public FakeMainHooks {
public:
    explicit ViewerHooks(MyTable &table) : m_table(table) {}
    void endSearch() override {
        FakeMainHooks::endSearch();
        m_table.setFiltered(false);
        const QString path = m_table.path();
        m_table.close();
        m_table.open(path);
    }
    void enableEndSearch() override {
        FakeMainHooks::enableEndSearch();
        m_table.setFilter(filter);
        m_table.setFiltered(true);
    }
    MyTable::RecordFilter filter;

private:
    MyTable &m_table;
};

QByteArray readAll(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class ExportRun : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        ResetDateFormat();
        m_path = fixture::newInventory(m_dir);
        m_table.open(m_path, MyTable::OpenMode::Exclusive);
        add("Saw", "Tools", "12.5", "07/05/96");
        add("  Bowl \"large\"", "Kitchen", "1250", "");
        add("Atlas", "Books", "", "12/31/04");
        add("Radio, portable", "Audio", "0.25", "");
        fixture::reopenSorted(m_table, m_path, kSortExpression);
        m_hooks.filter = [](const RecordView &r) { return r.text(field::Category) != u"Books"; };
    }

    void add(const char *item, const char *category, const char *cost, const char *date) {
        m_table.insert();
        m_table.setText(field::Item, QString::fromLatin1(item));
        m_table.setText(field::Category, QString::fromLatin1(category));
        m_table.setText(field::Cost, QString::fromLatin1(cost));
        m_table.setText(field::PurchDate, QString::fromLatin1(date));
        m_table.post();
    }

    // Only these fields exported, in this order.
    std::vector<ExportColumn> only(std::initializer_list<int> fields) {
        m_settings.exportFields.fill(false);
        int position = 1;
        for (const int f : fields) {
            m_settings.exportFields[static_cast<std::size_t>(f)] = true;
            m_settings.exportOrder[static_cast<std::size_t>(f)] = position++;
        }
        for (std::size_t f = 0; f < kFieldCount; ++f)
            if (!m_settings.exportFields[f])
                m_settings.exportOrder[f] = position++;
        return CalcIndexOrder(m_settings, m_table.layout());
    }

    Outcome run(Format format, const QString &target, std::vector<ExportColumn> columns,
                bool entire = true) {
        Request request;
        request.format = format;
        request.target = target;
        request.entire = entire;
        request.titles = m_settings.exportFirstRow;
        request.columns = std::move(columns);
        return RunExport({m_table, m_hooks, m_table.isFiltered()}, m_settings, request, m_prompter,
                         [this](std::int64_t done, std::int64_t total) {
                             m_progress.emplace_back(done, total);
                         });
    }

    void searchOn() {
        m_table.setFilter(m_hooks.filter);
        m_table.setFiltered(true);
    }

    QString file(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)); }

    QTemporaryDir m_dir;
    QString m_path;
    MyTable m_table;
    Settings m_settings;
    ViewerHooks m_hooks{m_table};
    ScriptedPrompter m_prompter;
    std::vector<std::pair<std::int64_t, std::int64_t>> m_progress;
};

} // namespace

TEST_F(ExportRun, TextExportOfItemAndCostWithTitles) {
    const QString out = file("OUT.TXT");
    ASSERT_EQ(run(Format::Text, out, only({field::Item, field::Cost, field::PurchDate})),
              Outcome::Done);
    EXPECT_EQ(readAll(out), QByteArray("\"Item\",\"Cost\",\"Purchase Date\"\r\n"
                                       "\"Bowl \"\"large\"\"\",\"1250\",\"\"\r\n"
                                       "\"Atlas\",\"\",\"12/31/04\"\r\n"
                                       "\"Radio, portable\",\"0.25\",\"\"\r\n"
                                       "\"Saw\",\"12.5\",\"7/5/96\"\r\n"));
    EXPECT_EQ(m_prompter.last().title, kCompleteTitle);
    EXPECT_EQ(m_prompter.last().text, kExportComplete);
    EXPECT_EQ(m_progress.front(), std::make_pair(std::int64_t{0}, std::int64_t{4}));
    EXPECT_EQ(m_progress.back(), std::make_pair(std::int64_t{4}, std::int64_t{4}));
    // Nothing but the export is left beside it.
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 3);
}

TEST_F(ExportRun, TitlesOfHiddenFieldsAreTheTableNamesAndNoTitlesWhenOff) {
    m_settings.displayFields[field::Cost] = false;
    m_settings.fieldNames[field::Item] = QStringLiteral("Thing");
    const QString out = file("OUT.TXT");
    ASSERT_EQ(run(Format::Text, out, only({field::Cost, field::Item})), Outcome::Done);
    // The sort index puts "  Bowl" (leading blanks) first.
    EXPECT_TRUE(readAll(out).startsWith("\"COST\",\"Thing\"\r\n\"1250\",\"Bowl"));
    m_settings.exportFirstRow = false;
    ASSERT_EQ(run(Format::Text, out, only({field::Cost, field::Item})), Outcome::Done);
    EXPECT_TRUE(readAll(out).startsWith("\"1250\",\"Bowl")) << readAll(out).toStdString();
}

TEST_F(ExportRun, WholeFileWhileSearchingWritesEveryRecordAndLeavesTheSearchOn) {
    searchOn();
    ASSERT_EQ(m_table.recordCount(), 3);
    m_settings.exportFirstRow = false;
    const QString out = file("ALL.TXT");
    ASSERT_EQ(run(Format::Text, out, only({field::Item})), Outcome::Done);
    EXPECT_EQ(readAll(out).count("\r\n"), 4);
    EXPECT_EQ(m_hooks.endSearchCalls, 1);
    EXPECT_EQ(m_hooks.enableEndSearchCalls, 1);
    EXPECT_GE(m_hooks.viewerApplied, 1);
    EXPECT_TRUE(m_table.isFiltered());
    EXPECT_EQ(m_table.recordCount(), 3);

    // Only the search result: the search is not touched.
    ASSERT_EQ(run(Format::Text, out, only({field::Item}), false), Outcome::Done);
    EXPECT_EQ(readAll(out),
              QByteArray("\"Bowl \"\"large\"\"\"\r\n\"Radio, portable\"\r\n\"Saw\"\r\n"));
    EXPECT_EQ(m_hooks.endSearchCalls, 1);
}

TEST_F(ExportRun, DBaseExportKeepsTheSchemaAndWritesNoIndex) {
    searchOn();
    const QString out = file("OUT.DBF");
    ASSERT_EQ(run(Format::DBase, out, only({field::Cost, field::Item, field::PurchDate}), false),
              Outcome::Done);
    EXPECT_EQ(m_prompter.last().text, kExportComplete);
    db::DbfTable t(out.toStdString(), db::OpenMode::ReadOnly);
    ASSERT_EQ(t.fieldCount(), 3);
    EXPECT_EQ(t.field(0).name, "COST");
    EXPECT_EQ(t.field(0).type, 'N');
    EXPECT_EQ(t.field(0).length, 20);
    EXPECT_EQ(t.field(0).decimals, 4);
    EXPECT_EQ(t.field(1).name, "ITEM");
    EXPECT_EQ(t.field(1).length, 40);
    EXPECT_EQ(t.field(2).type, 'D');
    EXPECT_FALSE(t.productionIndexFlag());
    ASSERT_EQ(t.recordCount(), 3u);
    EXPECT_EQ(t.text(t.record(1), 1), "  Bowl \"large\"");
    EXPECT_EQ(t.decimalText(t.record(1), 0), std::optional<std::string>("1250.0000"));
    EXPECT_EQ(t.date(t.record(3), 2), std::optional<std::string>("19960705"));
    EXPECT_FALSE(QFileInfo::exists(file("OUT.MDX")));
}

TEST_F(ExportRun, DBaseExportReplacesATableAndItsStaleIndex) {
    const QString out = file("OLD.DBF");
    {
        ScriptedPrompter made;
        ASSERT_TRUE(MakeNewDB(out, made));
        MyTable old;
        RebuildSortIndex(old, out, kSortExpression);
    }
    ASSERT_TRUE(QFileInfo::exists(file("OLD.MDX")));
    ASSERT_EQ(run(Format::DBase, out, only({field::Item})), Outcome::Done);
    EXPECT_FALSE(QFileInfo::exists(file("OLD.MDX")));
    EXPECT_EQ(db::DbfTable(out.toStdString(), db::OpenMode::ReadOnly).recordCount(), 4u);
}

TEST_F(ExportRun, WrongExtensionForDBaseCreatesNothing) {
    const QString out = file("OUT.TXT");
    EXPECT_EQ(run(Format::DBase, out, only({field::Item})), Outcome::Refused);
    EXPECT_EQ(m_prompter.last().title, QStringLiteral("Error"));
    EXPECT_EQ(m_prompter.last().text, kInvalidFileType);
    EXPECT_FALSE(QFileInfo::exists(out));
    EXPECT_EQ(run(Format::DBase, file("out.dbf"), only({field::Item})), Outcome::Done);
}

TEST_F(ExportRun, NeverWritesOverTheInventoryItsIndexOrItsOtherNames) {
    const testfiles::FileState table = testfiles::fileState(m_path.toStdString());
    const QString mdx = file("INV.MDX");
    const testfiles::FileState index = testfiles::fileState(mdx.toStdString());
    ASSERT_TRUE(QFile::link(m_path, file("link.txt")));
    const QStringList targets{m_path, file("./INV.DBF"), file("link.txt"), mdx,
                              // Another file, but the engine would give it INV.MDX as index.
                              file("inv.dbf")};
    for (const QString &target : targets) {
        const Format format =
            target.endsWith(u".txt") || target.endsWith(u".MDX") ? Format::Text : Format::DBase;
        EXPECT_EQ(run(format, target, only({field::Item})), Outcome::Refused)
            << target.toStdString();
        EXPECT_EQ(m_prompter.last().text, kOwnFile);
    }
    EXPECT_EQ(run(Format::Text, m_path, only({field::Item})), Outcome::Refused);
    EXPECT_FALSE(QFileInfo::exists(file("inv.dbf")));
    EXPECT_EQ(testfiles::fileState(m_path.toStdString()), table);
    EXPECT_EQ(testfiles::fileState(mdx.toStdString()), index);
    EXPECT_EQ(m_table.recordCount(), 4);
}

TEST_F(ExportRun, FailedExportLeavesTheChosenFileAsItWas) {
    // An inventory whose Cost is text: a value that is no number cannot go into the dBASE
    // export's number field, and the export stops there.
    const std::string odd = file("ODD.DBF").toStdString();
    std::vector<db::FieldDef> fields = db::inventoryFieldDefs();
    fields[field::Cost] = db::fieldDefFor("Cost", FieldCreatedAs::Character, 20);
    db::DbfTable::create(odd, fields);
    {
        db::DbfTable t(odd, db::OpenMode::Exclusive);
        for (const char *cost : {"12", "lots"}) {
            std::string rec = t.blankRecord();
            t.setText(rec, field::Cost, cost);
            (void)t.appendRecord(rec);
        }
    }
    m_table.close();
    m_table.setIndexName(QString());
    m_table.open(QString::fromStdString(odd));
    const QString out = file("KEEP.DBF");
    testfiles::writeBytes(out.toStdString(), "what was there");
    EXPECT_EQ(run(Format::DBase, out, only({field::Item, field::Cost})), Outcome::Failed);
    EXPECT_EQ(m_prompter.last().title, QStringLiteral("Error"));
    EXPECT_TRUE(m_prompter.last().text.contains(u"lots")) << m_prompter.last().text.toStdString();
    EXPECT_EQ(testfiles::readBytes(out.toStdString()), "what was there");
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden).filter(u".KEEP").size(), 0);

    // A directory that does not exist: the error names it, nothing is made.
    EXPECT_EQ(run(Format::Text, file("none/OUT.TXT"), only({field::Item})), Outcome::Failed);
    EXPECT_EQ(m_prompter.last().title, QStringLiteral("Error"));
}
