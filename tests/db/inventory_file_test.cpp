#include "core/field_catalogue.h"
#include "db/engine/db_error.h"
#include "db/engine/dbf_table.h"
#include "db/inventory_file.h"
#include "db/inventory_fixture.h"
#include "db/inventory_schema.h"
#include "db/my_table.h"
#include "support/ordinary_user.h"
#include "support/scripted_prompter.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cctype>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QString kNotOursText = QStringLiteral(
    "This DBase file was not created with Stowkeep Inventory 95.  It cannot be opened.  You "
    "may, however, import data from this file using the import function.");

unsigned char headerByte(const QString &path, int offset) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || !f.seek(offset))
        return 0xFF;
    char c = 0;
    f.getChar(&c);
    return static_cast<unsigned char>(c);
}

// A child process that holds a table open (exclusive or shared) until it is told to stop.
class Holder {
public:
    Holder(const QString &path, db::OpenMode mode) {
        int ready[2];
        if (pipe(ready) != 0 || pipe(m_stop) != 0)
            return;
        m_pid = fork();
        if (m_pid == 0) {
            close(ready[0]);
            close(m_stop[1]);
            try {
                db::DbfTable t(path.toStdString(), mode);
                char c = 1;
                (void)!write(ready[1], &c, 1);
                (void)!read(m_stop[0], &c, 1);
            } catch (...) {
                char c = 0;
                (void)!write(ready[1], &c, 1);
            }
            _exit(0);
        }
        close(ready[1]);
        close(m_stop[0]);
        char c = 0;
        m_holding = read(ready[0], &c, 1) == 1 && c == 1;
        close(ready[0]);
    }
    ~Holder() { release(); }
    [[nodiscard]] bool holding() const { return m_holding; }
    void release() {
        if (m_pid > 0) {
            char c = 0;
            (void)!write(m_stop[1], &c, 1);
            close(m_stop[1]);
            waitpid(m_pid, nullptr, 0);
            m_pid = -1;
        }
    }

private:
    pid_t m_pid = -1;
    int m_stop[2] = {-1, -1};
    bool m_holding = false;
};

class InventoryFileTest : public testing::Test {
protected:
    QString path(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)); }

    // A table with the given fields (offsets are set by the engine).
    void createTable(const QString &file, std::vector<db::FieldDef> fields) {
        db::DbfTable::create(file.toStdString(), fields);
    }

    // A folder "ro" that an ordinary user may enter, with an inventory file sorted by item
    // for each name, holding "zz" and then "aa".
    void makeItemFilesInReadOnlyFolder(const std::vector<QString> &files) {
        OrdinaryUser::openUp(m_dir.path().toStdString());
        ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("ro")));
        for (const QString &file : files) {
            ASSERT_TRUE(MakeNewDB(file, m_prompter));
            MyTable table;
            ASSERT_TRUE(OpenInventory(table, file, kItemOrder, OpenPath::NewFile, m_prompter));
            fixture::addItem(table, QStringLiteral("zz"), QStringLiteral("Art"));
            fixture::addItem(table, QStringLiteral("aa"), QStringLiteral("Zoo"));
        }
    }

    const QString kItemOrder = QStringLiteral("Upper(Left(Item,80))");
    QTemporaryDir m_dir;
    ScriptedPrompter m_prompter;
};

TEST_F(InventoryFileTest, FormatCheckComparesNamesIgnoringCaseButNotTypes) {
    std::vector<db::FieldDef> lower;
    for (const CatalogueField &f : kCatalogue) {
        std::string name(f.key);
        for (char &c : name)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        lower.push_back(db::fieldDefFor(name, FieldCreatedAs::Character, 5));
    }
    createTable(path("LOWER.DBF"), lower);
    EXPECT_TRUE(CheckDBaseFormat(path("LOWER.DBF"), m_prompter));
    EXPECT_TRUE(m_prompter.asked.empty());

    std::vector<db::FieldDef> swapped = db::inventoryFieldDefs();
    std::swap(swapped[0], swapped[1]);
    createTable(path("SWAPPED.DBF"), swapped);
    EXPECT_FALSE(CheckDBaseFormat(path("SWAPPED.DBF"), m_prompter));
    ASSERT_EQ(m_prompter.asked.size(), 1u);
    EXPECT_EQ(m_prompter.last().title, QStringLiteral("Error"));
    EXPECT_EQ(m_prompter.last().text, kNotOursText);
    EXPECT_EQ(m_prompter.last().buttons, Prompter::Ok);

    std::vector<db::FieldDef> extra = db::inventoryFieldDefs();
    extra.push_back(db::fieldDefFor("EXTRA", FieldCreatedAs::Character, 10));
    createTable(path("EXTRA.DBF"), extra);
    EXPECT_FALSE(CheckDBaseFormat(path("EXTRA.DBF"), m_prompter));

    std::vector<db::FieldDef> fewer = db::inventoryFieldDefs();
    fewer.pop_back();
    createTable(path("FEWER.DBF"), fewer);
    EXPECT_FALSE(CheckDBaseFormat(path("FEWER.DBF"), m_prompter));
    EXPECT_EQ(m_prompter.asked.size(), 3u);

    ASSERT_TRUE(MakeNewDB(path("OURS.DBF"), m_prompter));
    EXPECT_TRUE(CheckDBaseFormat(path("OURS.DBF"), m_prompter));
    EXPECT_EQ(m_prompter.asked.size(), 3u);
}

TEST_F(InventoryFileTest, AMissingIndexIsSurvivedAndMadeAnewWithOnlyTheSortTag) {
    const QString file = path("HOME.DBF");
    ASSERT_TRUE(MakeNewDB(file, m_prompter));
    {
        MyTable t;
        t.open(file, MyTable::OpenMode::Exclusive);
        fixture::addGenerated(t, 40, 3);
        t.addIndex(QStringLiteral("OTHER"), QStringLiteral("Upper(Item)"));
        t.addIndex(QStringLiteral("NewIndex"), QStringLiteral("Upper(Left(Brand,80))"));
    }
    ASSERT_EQ(headerByte(file, 28), 1);
    ASSERT_TRUE(QFile::remove(m_dir.filePath(QStringLiteral("HOME.MDX"))));

    MyTable opened;
    EXPECT_THROW(opened.open(file), db::DbError) << "the engine refuses a flagged, missing index";

    ASSERT_TRUE(CheckDBaseFormat(file, m_prompter));
    EXPECT_EQ(headerByte(file, 28), 0) << "the check clears the flag of a missing index";

    MyTable table;
    const auto names = OpenInventory(table, file, QStringLiteral("Upper(Left(Category,80))"),
                                     OpenPath::Open, m_prompter);
    ASSERT_TRUE(names.has_value());
    EXPECT_TRUE(QFileInfo::exists(m_dir.filePath(QStringLiteral("HOME.MDX"))));
    EXPECT_EQ(headerByte(file, 28), 1);
    EXPECT_EQ(table.tagNames(), QStringList{QStringLiteral("NEWINDEX")});
    EXPECT_EQ(table.openMode(), MyTable::OpenMode::Shared);
    EXPECT_EQ(table.recordCount(), 40);
    QString previous;
    for (table.first(); !table.eof(); table.next()) {
        const QString category = table.text(field::Category).toUpper();
        EXPECT_LE(previous, category);
        previous = category;
    }
    EXPECT_TRUE(m_prompter.asked.empty());
}

TEST_F(InventoryFileTest, RemoveMDXByteClearsOnlyByte28AndIgnoresMissingFiles) {
    const QString file = path("FLAG.DBF");
    ASSERT_TRUE(MakeNewDB(file, m_prompter));
    {
        MyTable t;
        t.open(file, MyTable::OpenMode::Exclusive);
        t.addIndex(QStringLiteral("NewIndex"), QStringLiteral("Upper(Left(Item,80))"));
    }
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QByteArray before = f.readAll();
    f.close();
    ASSERT_EQ(before[28], 1);
    RemoveMDXByte(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray after = f.readAll();
    before[28] = 0;
    EXPECT_EQ(after, before);
    RemoveMDXByte(path("NOSUCH.DBF"));
    EXPECT_FALSE(QFileInfo::exists(path("NOSUCH.DBF")));
}

TEST_F(InventoryFileTest, AFileThatIsNotAnInventoryIsNeverWrittenTo) {
    const QString empty = path("EMPTY.DBF");
    QFile(empty).open(QIODevice::WriteOnly);
    const QString garbage = path("GARBAGE.DBF");
    {
        QFile f(garbage);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(600, '\x01'));
    }
    // A dBASE table of other fields whose index flag is set and whose index is missing.
    const QString foreign = path("FOREIGN.DBF");
    createTable(foreign, {db::fieldDefFor("NAME", FieldCreatedAs::Character, 10)});
    db::DbfTable::writeProductionIndexFlag(foreign.toStdString(), true);
    for (const QString &file : {empty, garbage, foreign}) {
        const QByteArray before = [&] {
            QFile f(file);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }();
        try {
            EXPECT_FALSE(CheckDBaseFormat(file, m_prompter)) << file.toStdString();
        } catch (const db::DbError &) {
            // Not a table at all: the engine's message.
        }
        // The header repair alone leaves anything that is not a dBASE table alone too.
        if (file != foreign)
            RemoveMDXByte(file);
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), before) << file.toStdString();
    }
}

TEST_F(InventoryFileTest, AnIndexThatDoesNotFitIsRebuiltOrReportedByTheOpen) {
    const QString file = path("HOME.DBF");
    ASSERT_TRUE(MakeNewDB(file, m_prompter));
    {
        MyTable t;
        t.open(file, MyTable::OpenMode::Exclusive);
        fixture::addGenerated(t, 30, 5);
        t.addIndex(QStringLiteral("NewIndex"), QStringLiteral("Upper(Left(Category,80))"));
    }
    const QString mdx = m_dir.filePath(QStringLiteral("HOME.MDX"));
    const auto damage = [&] {
        QFile f(mdx);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(QByteArray(4096, 'x'));
    };
    const QString sort = QStringLiteral("Upper(Left(Category,80))");
    for (const OpenPath how : {OpenPath::Open, OpenPath::StartUp}) {
        damage();
        MyTable table;
        ASSERT_TRUE(OpenInventory(table, file, sort, how, m_prompter).has_value());
        EXPECT_EQ(table.indexName(), QStringLiteral("NewIndex"));
        EXPECT_EQ(table.recordCount(), 30);
        QString previous;
        for (table.first(); !table.eof(); table.next()) {
            EXPECT_LE(previous, table.text(field::Category).toUpper());
            previous = table.text(field::Category).toUpper();
        }
        EXPECT_TRUE(m_prompter.asked.empty()) << "rebuilt, as a missing index would be";
    }

    // Held by another program, the index cannot be rebuilt: the records open in physical
    // order and the user is told.
    damage();
    Holder other(file, db::OpenMode::Shared);
    ASSERT_TRUE(other.holding());
    MyTable table;
    ASSERT_TRUE(OpenInventory(table, file, sort, OpenPath::StartUp, m_prompter).has_value());
    EXPECT_EQ(table.recordCount(), 30);
    ASSERT_EQ(m_prompter.asked.size(), 1u);
    EXPECT_TRUE(m_prompter.last().text.contains(QStringLiteral("HOME.MDX")))
        << m_prompter.last().text.toStdString();
    EXPECT_TRUE(m_prompter.last().text.contains(QStringLiteral("Rebuild Indexes")));
}

TEST_F(InventoryFileTest, CreatingReplacesAFileNoOneHoldsButNotOneHeldElsewhere) {
    const QString file = path("MASTER.DBF");
    ASSERT_TRUE(MakeNewDB(file, m_prompter));
    {
        MyTable t;
        t.open(file, MyTable::OpenMode::Exclusive);
        fixture::addGenerated(t, 25, 9);
        t.addIndex(QStringLiteral("OTHER"), QStringLiteral("Upper(Item)"));
    }
    ASSERT_TRUE(MakeNewDB(file, m_prompter));
    EXPECT_TRUE(m_prompter.asked.empty());
    {
        MyTable t;
        t.open(file, MyTable::OpenMode::ReadOnly);
        EXPECT_EQ(t.recordCount(), 0);
        EXPECT_EQ(t.backend()->recordCount(), 0u);
        EXPECT_TRUE(t.tagNames().isEmpty()) << "the old index is gone with the old records";
        EXPECT_EQ(t.fieldCount(), kFieldCount);
    }
    EXPECT_FALSE(QFileInfo::exists(path("MASTER.MDX")));

    {
        MyTable t;
        t.open(file, MyTable::OpenMode::Exclusive);
        fixture::addItem(t, QStringLiteral("keep me"), QStringLiteral("Art"));
    }
    Holder other(file, db::OpenMode::Exclusive);
    ASSERT_TRUE(other.holding());
    EXPECT_TRUE(DBaseInUse(file));
    EXPECT_FALSE(MakeNewDB(file, m_prompter));
    ASSERT_EQ(m_prompter.asked.size(), 1u);
    EXPECT_EQ(m_prompter.last().title, QStringLiteral("Error"));
    EXPECT_EQ(m_prompter.last().text,
              QStringLiteral("The table \"") + file +
                  QStringLiteral("\" is currently in use by another program.  New table "
                                 "creation will be aborted."));
    other.release();
    EXPECT_FALSE(DBaseInUse(file));
    MyTable t;
    t.open(file, MyTable::OpenMode::ReadOnly);
    EXPECT_EQ(t.text(field::Item), QStringLiteral("keep me")) << "nothing was replaced";
}

TEST_F(InventoryFileTest, InUseWhileAnyOtherProcessHasItOpen) {
    const QString file = path("USE.DBF");
    ASSERT_TRUE(MakeNewDB(file, m_prompter));
    EXPECT_FALSE(DBaseInUse(file));
    {
        Holder shared(file, db::OpenMode::Shared);
        ASSERT_TRUE(shared.holding());
        EXPECT_TRUE(DBaseInUse(file));
    }
    EXPECT_FALSE(DBaseInUse(file));
    EXPECT_TRUE(DBaseInUse(path("ABSENT.DBF")));
}

TEST_F(InventoryFileTest, OpenSequenceNamesAndSortIndexSteps) {
    const QString file = path("HOME.2024.DBF");
    ASSERT_TRUE(MakeNewDB(file, m_prompter));
    MyTable table;
    auto names = OpenInventory(table, file, QStringLiteral("Upper(Left(Category,80))"),
                               OpenPath::NewFile, m_prompter);
    ASSERT_TRUE(names.has_value());
    EXPECT_EQ(names->tableName, QStringLiteral("HOME"));
    EXPECT_EQ(InventoryCaption(names->tableName), QStringLiteral("Stowkeep Inventory 95 (HOME)"));
    EXPECT_EQ(table.path(), QFileInfo(file).absoluteFilePath()) << "the chosen file is opened";
    EXPECT_TRUE(QFileInfo::exists(path("HOME.2024.MDX")));
    fixture::addItem(table, QStringLiteral("b"), QStringLiteral("Zoo"));
    fixture::addItem(table, QStringLiteral("a"), QStringLiteral("Art"));
    table.first();
    EXPECT_EQ(table.text(field::Item), QStringLiteral("a"));

    // A new sort order on open: the tag is rebuilt with the new expression.
    names = OpenInventory(table, file, QStringLiteral("Upper(Left(Item,40))+DTOS(PurchDate)"),
                          OpenPath::Open, m_prompter);
    ASSERT_TRUE(names.has_value());
    table.first();
    EXPECT_EQ(table.text(field::Item), QStringLiteral("a"));
    EXPECT_EQ(table.indexName(), QStringLiteral("NewIndex"));

    // Start-up trusts the existing tag and does not rebuild it.
    names = OpenInventory(table, file, QStringLiteral("Upper(Left(Category,80))"),
                          OpenPath::StartUp, m_prompter);
    ASSERT_TRUE(names.has_value());
    table.first();
    EXPECT_EQ(table.text(field::Item), QStringLiteral("a"));
    table.last();
    EXPECT_EQ(table.text(field::Item), QStringLiteral("b"));

    // All sort levels 0: physical order and no sort tag left behind.
    names = OpenInventory(table, file, QString(), OpenPath::Open, m_prompter);
    ASSERT_TRUE(names.has_value());
    EXPECT_TRUE(table.indexName().isEmpty());
    EXPECT_TRUE(table.tagNames().isEmpty());
    table.first();
    EXPECT_EQ(table.text(field::Item), QStringLiteral("b"));
    EXPECT_EQ(headerByte(file, 28), 0);

    // A file that is not ours leaves the open table as it was.
    std::vector<db::FieldDef> foreign{db::fieldDefFor("NAME", FieldCreatedAs::Character, 10)};
    createTable(path("FOREIGN.DBF"), foreign);
    EXPECT_FALSE(OpenInventory(table, path("FOREIGN.DBF"), QString(), OpenPath::Open, m_prompter)
                     .has_value());
    EXPECT_TRUE(table.isOpen());
    EXPECT_EQ(table.path(), QFileInfo(file).absoluteFilePath());
    EXPECT_EQ(m_prompter.last().text, kNotOursText);
}

TEST_F(InventoryFileTest, OpenLeavesTheIndexOfAFileAnotherProgramHolds) {
    const QString file = path("SHARED.DBF");
    ASSERT_TRUE(MakeNewDB(file, m_prompter));
    MyTable table;
    ASSERT_TRUE(OpenInventory(table, file, QStringLiteral("Upper(Left(Item,80))"),
                              OpenPath::NewFile, m_prompter));
    fixture::addItem(table, QStringLiteral("zz"), QStringLiteral("Art"));
    fixture::addItem(table, QStringLiteral("aa"), QStringLiteral("Zoo"));
    table.close();

    Holder other(file, db::OpenMode::Shared);
    ASSERT_TRUE(other.holding());
    ASSERT_TRUE(OpenInventory(table, file, QStringLiteral("Upper(Left(Category,80))"),
                              OpenPath::Open, m_prompter));
    table.first();
    EXPECT_EQ(table.text(field::Item), QStringLiteral("aa")) << "still in the old item order";
}

TEST_F(InventoryFileTest, AFileThatCannotBeChangedOpensReadOnlyInTheOrderItHolds) {
    const QString sorted = path("ro/SORTED.DBF");
    const QString plain = path("ro/PLAIN.DBF");
    ASSERT_NO_FATAL_FAILURE(makeItemFilesInReadOnlyFolder({sorted, plain}));
    // The one without an index: another tool's copy.
    ASSERT_TRUE(QFile::remove(path("ro/PLAIN.MDX")));
    RemoveMDXByte(plain);
    auto bytes = [](const QString &file) {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    const QByteArray sortedBytes = bytes(sorted), indexBytes = bytes(path("ro/SORTED.MDX"));
    ASSERT_EQ(::chmod(QFile::encodeName(path("ro")).constData(), 0555), 0);

    {
        const OrdinaryUser nobody;
        ASSERT_TRUE(nobody.ok());
        EXPECT_FALSE(InventoryWritable(sorted));
        MyTable table;
        // A new sort order cannot be built here: the index the file holds is used as it is.
        ASSERT_TRUE(OpenInventory(table, sorted, QStringLiteral("Upper(Left(Category,80))"),
                                  OpenPath::Open, m_prompter));
        EXPECT_EQ(table.openMode(), MyTable::OpenMode::ReadOnly);
        EXPECT_EQ(table.indexName(), QStringLiteral("NewIndex"));
        table.first();
        EXPECT_EQ(table.text(field::Item), QStringLiteral("aa"));
        EXPECT_THROW(table.insert(), db::DbError);

        ASSERT_TRUE(OpenInventory(table, plain, kItemOrder, OpenPath::StartUp, m_prompter));
        EXPECT_EQ(table.openMode(), MyTable::OpenMode::ReadOnly);
        EXPECT_TRUE(table.indexName().isEmpty()) << "no index: record order";
        table.first();
        EXPECT_EQ(table.text(field::Item), QStringLiteral("zz"));
        EXPECT_EQ(table.recordCount(), 2);
    }
    ::chmod(QFile::encodeName(path("ro")).constData(), 0755);
    EXPECT_EQ(bytes(sorted), sortedBytes);
    EXPECT_EQ(bytes(path("ro/SORTED.MDX")), indexBytes);
    EXPECT_TRUE(m_prompter.asked.empty());

    // A file that may be changed opens in shared use, as before.
    EXPECT_TRUE(InventoryWritable(sorted));
}

TEST_F(InventoryFileTest, AReadOnlyFileWhoseIndexDoesNotFitSaysWhyItIsUnsorted) {
    const QString stale = path("ro/STALE.DBF");
    ASSERT_NO_FATAL_FAILURE(makeItemFilesInReadOnlyFolder({stale, path("ro/OTHER.DBF")}));
    // The index of another table, as a copy made by hand leaves it.
    ASSERT_TRUE(QFile::remove(path("ro/STALE.MDX")));
    ASSERT_TRUE(QFile::copy(path("ro/OTHER.MDX"), path("ro/STALE.MDX")));
    ASSERT_EQ(::chmod(QFile::encodeName(path("ro")).constData(), 0555), 0);
    {
        const OrdinaryUser nobody;
        ASSERT_TRUE(nobody.ok());
        MyTable table;
        ASSERT_TRUE(OpenInventory(table, stale, kItemOrder, OpenPath::StartUp, m_prompter));
        EXPECT_EQ(table.openMode(), MyTable::OpenMode::ReadOnly);
        table.first();
        EXPECT_EQ(table.text(field::Item), QStringLiteral("zz")) << "record order";
        EXPECT_EQ(table.recordCount(), 2);
    }
    ::chmod(QFile::encodeName(path("ro")).constData(), 0755);
    ASSERT_EQ(m_prompter.asked.size(), 1u);
    const QString told = m_prompter.last().text;
    EXPECT_TRUE(told.contains(QStringLiteral("STALE.MDX"))) << told.toStdString();
    EXPECT_TRUE(told.endsWith(QStringLiteral("read-only, so the sort index cannot be made "
                                             "anew: the records are shown in the order they "
                                             "were entered.")))
        << told.toStdString();
}

} // namespace
