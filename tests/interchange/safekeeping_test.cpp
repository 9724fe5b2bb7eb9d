#include "interchange/safe_copy.h"
#include "interchange/safekeeping.h"

#include "core/field_catalogue.h"
#include "db/engine/io_util.h"
#include "db/engine/unique_fd.h"
#include "db/inventory_file.h"
#include "db/inventory_names.h"
#include "db/my_table.h"
#include "edit/pick_lists.h"
#include "settings/file_copy.h"
#include "settings/settings.h"
#include "support/fake_main_hooks.h"
#include "support/scripted_prompter.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cerrno>
#include <climits>
#include <csignal>
#include <functional>
#include <sys/resource.h>

namespace {

using safekeeping::Choice;
using safekeeping::Outcome;

const QString kSort = QStringLiteral("Upper(Left(Item,80))");

QByteArray Bytes(int size, char seed) {
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(seed + i * 7);
    return bytes;
}

// A program directory holding the current inventory file INV.DBF (open in the main table, in
// sort order), beside it a directory standing for the backup medium.
class SafekeepingTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_root.isValid());
        QDir(m_root.path()).mkdir(QStringLiteral("prog"));
        QDir(m_root.path()).mkdir(QStringLiteral("media"));
        m_current = prog(QStringLiteral("INV.DBF"));
        makeInventory(m_current, {QStringLiteral("Saw"), QStringLiteral("Atlas")});
        RebuildSortIndex(m_table, m_current, kSort);
        m_table.open(m_current);
        m_settings.lastDatabase = m_current;
        m_hooks.expression = kSort;
        // The main window's part: the restored file opened as the current one.
        m_hooks.onOpenInventoryFile = [this](const QString &path) {
            const auto names = OpenInventory(m_table, path, kSort, OpenPath::NewFile, m_prompter);
            m_settings.lastDatabase = path;
            return names.has_value();
        };
    }

    QString prog(const QString &name) const {
        return m_root.filePath(QStringLiteral("prog/") + name);
    }
    QString media(const QString &name = {}) const {
        return m_root.filePath(QStringLiteral("media/") + name);
    }

    static void makeInventory(const QString &path, const QStringList &items) {
        ScriptedPrompter quiet;
        ASSERT_TRUE(MakeNewDB(path, quiet));
        MyTable table;
        table.open(path, MyTable::OpenMode::Exclusive);
        for (const QString &item : items) {
            table.insert();
            table.setText(field::Item, item);
            table.post();
        }
    }
    static void write(const QString &path, const QByteArray &bytes) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }
    static QByteArray read(const QString &path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    static QStringList entries(const QString &dir) {
        return QDir(dir).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
    QStringList items() {
        QStringList out;
        for (m_table.first(); !m_table.isEmpty() && !m_table.eof(); m_table.next())
            out << m_table.text(field::Item);
        return out;
    }

    safekeeping::Services services() {
        safekeeping::Services s{.table = m_table,
                                .settings = m_settings,
                                .prompter = m_prompter,
                                .hooks = m_hooks,
                                .programDirectory = m_root.filePath(QStringLiteral("prog")),
                                .searchInForce = [this] { return m_searching; },
                                .lists = m_withoutLists ? nullptr : &m_lists,
                                .reloadReportList = [this] { ++m_reportReloads; },
                                .busy = [this](bool on) { m_busy += on ? 1 : -1; }};
        if (m_free)
            s.files.freeSpace = [this](const QString &) { return m_free; };
        if (m_failWhen) {
            // Writes half of the source, then fails as a full disk would.
            s.files.copy = [fail = m_failWhen](const QString &source, const QString &dest) -> bool {
                if (!fail(source))
                    return CopyFile(source, dest);
                QFile out(dest);
                if (!out.open(QIODevice::WriteOnly))
                    return false;
                out.write(read(source).left(static_cast<int>(QFileInfo(source).size() / 2)));
                out.close();
                throw IoError(dest, ENOSPC, QStringLiteral("Cannot write"));
            };
        }
        return s;
    }
    Outcome backup(Choice choice, const QString &dir) {
        safekeeping::Services s = services();
        return safekeeping::Backup(choice, dir, s);
    }
    Outcome restore(Choice choice, const QString &file) {
        safekeeping::Services s = services();
        return safekeeping::Restore(choice, file, s);
    }
    QStringList texts() const {
        QStringList out;
        for (const auto &a : m_prompter.asked)
            out << a.title + QStringLiteral(": ") + a.text;
        return out;
    }
    static QString error(const QString &text) { return QStringLiteral("Error: ") + text; }
    static QString notice(const QString &text) { return QStringLiteral("Notice: ") + text; }

    QTemporaryDir m_root;
    QString m_current;
    MyTable m_table;
    Settings m_settings;
    ScriptedPrompter m_prompter;
    FakeMainHooks m_hooks;
    picklists::PickLists m_lists{m_root.filePath(QStringLiteral("prog"))};
    bool m_searching = false;
    bool m_withoutLists = false;
    std::optional<qint64> m_free;
    std::function<bool(const QString &source)> m_failWhen;
    int m_reportReloads = 0;
    int m_busy = 0;
};

TEST_F(SafekeepingTest, BackingUpIntoTheProgramDirectoryByAnyNameIsRefused) {
    write(prog(QStringLiteral("BRAND.LST")), "Acme\r\n");
    ASSERT_TRUE(m_lists.LoadAllList().empty());
    write(prog(QStringLiteral("STOWKP.URP")), Bytes(100, 'u'));
    const QString alias = m_root.filePath(QStringLiteral("alias"));
    ASSERT_TRUE(QFile::link(m_root.filePath(QStringLiteral("prog")), alias));
    const QStringList spellings{m_root.filePath(QStringLiteral("prog")),
                                m_root.filePath(QStringLiteral("media/../prog")), alias};
    for (const QString &dir : spellings) {
        for (Choice choice : {Choice::Database, Choice::Lists, Choice::Reports}) {
            SCOPED_TRACE(dir.toStdString() + " " + std::to_string(static_cast<int>(choice)));
            m_prompter.asked.clear();
            EXPECT_EQ(backup(choice, dir), Outcome::Stopped);
            EXPECT_EQ(texts(), QStringList{error(safekeeping::kIdentical)});
        }
    }
    // Nothing was closed, emptied or searched again.
    EXPECT_TRUE(m_table.isOpen());
    EXPECT_EQ(items(), (QStringList{"Atlas", "Saw"}));
    EXPECT_EQ(read(prog(QStringLiteral("BRAND.LST"))), QByteArray("Acme\r\n"));
    EXPECT_EQ(m_hooks.endSearchCalls, 0);
    EXPECT_EQ(m_busy, 0);
}

TEST_F(SafekeepingTest, AnOlderCopyAtTheDestinationCountsAsFreeSpace) {
    const QByteArray definitions = Bytes(1000, 'r');
    write(prog(QStringLiteral("STOWKP.URP")), definitions);
    m_free = 100;
    // 100 free is too little for 1000 bytes...
    EXPECT_EQ(backup(Choice::Reports, media()), Outcome::Stopped);
    EXPECT_EQ(texts(), QStringList{error(safekeeping::kReportsBackupNoRoom)});
    EXPECT_FALSE(QFile::exists(media(QStringLiteral("STOWKP.URP"))));
    // ...but an older copy of 900 bytes there will make way for it (its name in other case).
    write(media(QStringLiteral("stowkp.urp")), Bytes(900, 'o'));
    m_prompter.asked.clear();
    EXPECT_EQ(backup(Choice::Reports, media()), Outcome::Completed);
    EXPECT_EQ(texts(), QStringList{notice(safekeeping::kBackupDone)});
    EXPECT_EQ(read(media(QStringLiteral("stowkp.urp"))), definitions);
    EXPECT_EQ(entries(media()), QStringList{"stowkp.urp"});

    // The inventory file likewise, with its own message; the table is open again after both.
    m_prompter.asked.clear();
    m_free = 0;
    EXPECT_EQ(backup(Choice::Database, media()), Outcome::Stopped);
    EXPECT_EQ(texts(), QStringList{error(safekeeping::kBackupNoRoom)});
    EXPECT_TRUE(m_table.isOpen());
    write(media(QStringLiteral("INV.DBF")),
          QByteArray(static_cast<int>(QFileInfo(m_current).size()), 'x'));
    m_prompter.asked.clear();
    EXPECT_EQ(backup(Choice::Database, media()), Outcome::Completed);
    EXPECT_EQ(read(media(QStringLiteral("INV.DBF"))), read(m_current));
    EXPECT_EQ(items(), (QStringList{"Atlas", "Saw"}));
}

TEST_F(SafekeepingTest, ListBackupCopiesTheListFilesThatExist) {
    write(prog(QStringLiteral("BRAND.LST")), "Acme\r\n");
    write(prog(QStringLiteral("category.lst")), "Tools\r\n");
    write(prog(QStringLiteral("OWNER.LST")), "Me\r\n");
    // No lists in memory (as in the batch tool): the files are copied as they are.
    m_withoutLists = true;
    EXPECT_EQ(backup(Choice::Lists, media()), Outcome::Completed);
    EXPECT_EQ(texts(), QStringList{notice(safekeeping::kBackupDone)});
    EXPECT_EQ(entries(media()), (QStringList{"BRAND.LST", "OWNER.LST", "category.lst"}));
    EXPECT_EQ(read(media(QStringLiteral("category.lst"))), QByteArray("Tools\r\n"));
    EXPECT_EQ(m_busy, 0);

    // The lists in memory are what the user sees: written to their files before the copy.
    m_withoutLists = false;
    ASSERT_TRUE(m_lists.LoadAllList().empty());
    m_lists.UpdateList(picklists::List::Brand, {QStringLiteral("Acme"), QStringLiteral("Zenith")});
    m_prompter.asked.clear();
    EXPECT_EQ(backup(Choice::Lists, media()), Outcome::Completed);
    EXPECT_EQ(read(media(QStringLiteral("BRAND.LST"))), read(prog(QStringLiteral("BRAND.LST"))));
    EXPECT_TRUE(read(media(QStringLiteral("BRAND.LST"))).contains("Zenith"));
    EXPECT_EQ(read(media(QStringLiteral("category.lst"))), QByteArray("Tools\r\n"));
}

TEST_F(SafekeepingTest, RestoringOneListWarnsOfTheOtherFourAndPutsItToUse) {
    write(prog(QStringLiteral("BRAND.LST")), "Old\r\n");
    write(prog(QStringLiteral("OWNER.LST")), "Me\r\n");
    ASSERT_TRUE(m_lists.LoadAllList().empty());
    write(media(QStringLiteral("brand.lst")), "Acme\r\nZenith\r\n");

    EXPECT_EQ(restore(Choice::Lists, media(QStringLiteral("brand.lst"))), Outcome::Incomplete);
    QStringList expected;
    for (const char *name : {"LOCATION.LST", "BOUGHT.LST", "CATEGORY.LST", "OWNER.LST"})
        expected << QStringLiteral("Warning: ") + safekeeping::ListMissing(QLatin1String(name));
    expected << notice(safekeeping::kListsIncomplete);
    EXPECT_EQ(texts(), expected);
    EXPECT_EQ(safekeeping::ListMissing(QStringLiteral("OWNER.LST")),
              QStringLiteral("The following file \"OWNER.LST\" could not be located on the "
                             "specified source drive."));
    EXPECT_EQ(read(prog(QStringLiteral("BRAND.LST"))), QByteArray("Acme\r\nZenith\r\n"));
    EXPECT_EQ(read(prog(QStringLiteral("OWNER.LST"))), QByteArray("Me\r\n"));
    EXPECT_EQ(m_lists.items(picklists::List::Brand), (QStringList{"Acme", "Zenith"}));
    EXPECT_EQ(m_lists.gridItems(picklists::List::Brand), (QStringList{"Acme", "Zenith"}));

    // All five: the other notice.
    for (const QString &name : safekeeping::ListFileNames())
        write(media(name), name.toLatin1() + "\r\n");
    QFile::remove(media(QStringLiteral("brand.lst")));
    m_prompter.asked.clear();
    EXPECT_EQ(restore(Choice::Lists, media(QStringLiteral("OWNER.LST"))), Outcome::Completed);
    EXPECT_EQ(texts(), QStringList{notice(safekeeping::kListsRestored)});
    EXPECT_EQ(m_lists.items(picklists::List::Owner), QStringList{"OWNER.LST"});
}

TEST_F(SafekeepingTest, AListRestoreThatFailsKeepsWhatItRestoredInUse) {
    write(prog(QStringLiteral("BRAND.LST")), "Old\r\n");
    ASSERT_TRUE(m_lists.LoadAllList().empty());
    write(media(QStringLiteral("BRAND.LST")), "New\r\n");
    write(media(QStringLiteral("LOCATION.LST")), "Attic\r\n");
    m_failWhen = [](const QString &source) { return source.endsWith(u"LOCATION.LST"); };
    EXPECT_EQ(restore(Choice::Lists, media(QStringLiteral("BRAND.LST"))), Outcome::Stopped);
    EXPECT_EQ(texts(), QStringList{error(safekeeping::kRestoreFailed)});
    EXPECT_FALSE(QFile::exists(prog(QStringLiteral("LOCATION.LST"))));
    EXPECT_EQ(m_lists.items(picklists::List::Brand), QStringList{"New"})
        << "a list in memory would be saved over the restored file";
}

TEST_F(SafekeepingTest, ARestoredInventoryFileBecomesTheCurrentOneWithAFreshSortIndex) {
    makeInventory(media(QStringLiteral("OLD.DBF")),
                  {QStringLiteral("Radio"), QStringLiteral("Bowl"), QStringLiteral("Lamp")});
    // As a backup holds it: flagged for a production index that was not copied.
    {
        MyTable sorted;
        RebuildSortIndex(sorted, media(QStringLiteral("OLD.DBF")), kSort);
    }
    ASSERT_TRUE(QFile::remove(media(QStringLiteral("OLD.MDX"))));
    const QByteArray source = read(media(QStringLiteral("OLD.DBF")));
    // An earlier OLD.DBF in the program directory, whose index holds keys of other records.
    makeInventory(prog(QStringLiteral("OLD.DBF")), {QStringLiteral("Gone")});
    {
        MyTable stale;
        RebuildSortIndex(stale, prog(QStringLiteral("OLD.DBF")), QStringLiteral("Upper(Brand)"));
    }
    m_searching = true;

    EXPECT_EQ(restore(Choice::Database, media(QStringLiteral("OLD.DBF"))), Outcome::Completed);
    EXPECT_EQ(texts(), QStringList{notice(safekeeping::kRestoreDone)});
    EXPECT_EQ(m_hooks.endSearchCalls, 1);
    EXPECT_EQ(m_hooks.enableEndSearchCalls, 0) << "the search a restore ended stays off";
    EXPECT_EQ(m_hooks.opened, QStringList{prog(QStringLiteral("OLD.DBF"))});
    EXPECT_EQ(m_settings.lastDatabase, prog(QStringLiteral("OLD.DBF")));
    EXPECT_EQ(InventoryNamesOf(m_settings.lastDatabase).tableName, QStringLiteral("OLD"));
    ASSERT_TRUE(m_table.isOpen());
    ASSERT_EQ(m_table.tagNames().size(), 1);
    EXPECT_EQ(m_table.tagNames()[0].toUpper(), QStringLiteral("NEWINDEX"));
    EXPECT_EQ(m_table.indexName(), QStringLiteral("NewIndex"));
    EXPECT_EQ(items(), (QStringList{"Bowl", "Lamp", "Radio"}));
    EXPECT_GE(m_hooks.viewerApplied, 1);
    EXPECT_EQ(m_busy, 0);
    EXPECT_EQ(read(media(QStringLiteral("OLD.DBF"))), source) << "the source is only read";
    EXPECT_FALSE(QFile::exists(media(QStringLiteral("OLD.MDX"))));
}

TEST_F(SafekeepingTest, RestoringAFileOntoItselfIsRefusedAsIdentical) {
    write(prog(QStringLiteral("BRAND.LST")), "Acme\r\n");
    write(prog(QStringLiteral("STOWKP.URP")), Bytes(300, 'u'));
    const QByteArray inventory = read(m_current);
    const struct {
        Choice choice;
        QString file;
    } cases[] = {{Choice::Database, m_current},
                 {Choice::Database, m_root.filePath(QStringLiteral("media/../prog/INV.DBF"))},
                 {Choice::Lists, prog(QStringLiteral("BRAND.LST"))},
                 {Choice::Reports, prog(QStringLiteral("ANY.URP"))}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file.toStdString());
        m_prompter.asked.clear();
        EXPECT_EQ(restore(c.choice, c.file), Outcome::Stopped);
        ASSERT_FALSE(m_prompter.asked.empty());
        EXPECT_EQ(texts().back(), error(safekeeping::kIdentical));
    }
    EXPECT_EQ(read(m_current), inventory);
    EXPECT_EQ(read(prog(QStringLiteral("BRAND.LST"))), QByteArray("Acme\r\n"));
    EXPECT_EQ(read(prog(QStringLiteral("STOWKP.URP"))), Bytes(300, 'u'));
    EXPECT_TRUE(m_table.isOpen());
    EXPECT_TRUE(m_hooks.opened.isEmpty());
}

TEST_F(SafekeepingTest, AnyChosenUrpNameRestoresTheStowkpUrpBesideIt) {
    write(prog(QStringLiteral("STOWKP.URP")), Bytes(500, 'a'));
    write(media(QStringLiteral("STOWKP.URP")), Bytes(700, 'b'));
    write(media(QStringLiteral("OTHER.URP")), Bytes(100, 'c'));
    EXPECT_EQ(restore(Choice::Reports, media(QStringLiteral("OTHER.URP"))), Outcome::Completed);
    EXPECT_EQ(texts(), QStringList{notice(safekeeping::kRestoreDone)});
    EXPECT_EQ(read(prog(QStringLiteral("STOWKP.URP"))), Bytes(700, 'b'));
    EXPECT_EQ(m_reportReloads, 1);

    // A directory without the file: told, nothing changed.
    QDir(media()).mkdir(QStringLiteral("empty"));
    m_prompter.asked.clear();
    EXPECT_EQ(restore(Choice::Reports, media(QStringLiteral("empty/STOWKP.URP"))),
              Outcome::Stopped);
    EXPECT_EQ(texts(), QStringList{error(safekeeping::kReportsMissing)});
    EXPECT_EQ(m_reportReloads, 1);
}

TEST_F(SafekeepingTest, ARestoreThatFailsPartWayLeavesTheOldFileWhole) {
    const QByteArray before = read(m_current);
    makeInventory(media(QStringLiteral("INV.DBF")), {QStringLiteral("Other")});
    write(prog(QStringLiteral("STOWKP.URP")), Bytes(5000, 'a'));
    write(media(QStringLiteral("STOWKP.URP")), Bytes(6000, 'b'));
    const QStringList files = entries(prog(QString()));
    m_failWhen = [](const QString &) { return true; };

    EXPECT_EQ(restore(Choice::Reports, media(QStringLiteral("STOWKP.URP"))), Outcome::Stopped);
    EXPECT_EQ(texts(), QStringList{error(safekeeping::kRestoreFailed)});
    EXPECT_EQ(read(prog(QStringLiteral("STOWKP.URP"))), Bytes(5000, 'a'));
    EXPECT_EQ(m_reportReloads, 0);

    // Over the current inventory file: the old file, its index and the open table as before.
    m_prompter.asked.clear();
    EXPECT_EQ(restore(Choice::Database, media(QStringLiteral("INV.DBF"))), Outcome::Stopped);
    EXPECT_EQ(texts(), QStringList{error(safekeeping::kRestoreFailed)});
    EXPECT_EQ(read(m_current), before);
    EXPECT_TRUE(m_table.isOpen());
    EXPECT_EQ(items(), (QStringList{"Atlas", "Saw"}));
    EXPECT_EQ(entries(prog(QString())), files) << "no partial copy is left behind";
    EXPECT_EQ(m_busy, 0);
}

// A real failure of the file system: a file size limit stops the write half-way.
TEST_F(SafekeepingTest, AWriteLimitHalfWayThroughARestoreKeepsTheOldFile) {
    write(prog(QStringLiteral("STOWKP.URP")), Bytes(2000, 'a'));
    write(media(QStringLiteral("STOWKP.URP")), Bytes(9000, 'b'));
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const Outcome outcome = restore(Choice::Reports, media(QStringLiteral("STOWKP.URP")));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(outcome, Outcome::Stopped);
    EXPECT_EQ(texts(), QStringList{error(safekeeping::kRestoreFailed)});
    EXPECT_EQ(read(prog(QStringLiteral("STOWKP.URP"))), Bytes(2000, 'a'));
    EXPECT_EQ(entries(prog(QString())), (QStringList{"INV.DBF", "INV.MDX", "STOWKP.URP"}));
}

TEST_F(SafekeepingTest, ABackupThatFailsPartWayLeavesNoPartialFileAndTheSearchOn) {
    m_failWhen = [](const QString &) { return true; };
    m_searching = true;
    EXPECT_EQ(backup(Choice::Database, media()), Outcome::Stopped);
    EXPECT_EQ(texts(), QStringList{error(safekeeping::kBackupFailed)});
    EXPECT_TRUE(entries(media()).isEmpty());
    EXPECT_EQ(m_hooks.endSearchCalls, 1);
    EXPECT_EQ(m_hooks.enableEndSearchCalls, 1);
    EXPECT_TRUE(m_table.isOpen());
    EXPECT_EQ(m_busy, 0);

    // An older backup there stays as it was.
    write(media(QStringLiteral("INV.DBF")), "older backup");
    write(prog(QStringLiteral("STOWKP.URP")), Bytes(3000, 'a'));
    m_prompter.asked.clear();
    EXPECT_EQ(backup(Choice::Reports, media()), Outcome::Stopped);
    EXPECT_EQ(backup(Choice::Database, media()), Outcome::Stopped);
    EXPECT_EQ(entries(media()), QStringList{"INV.DBF"});
    EXPECT_EQ(read(media(QStringLiteral("INV.DBF"))), QByteArray("older backup"));
}

TEST_F(SafekeepingTest, AFileAnotherProgramHoldsIsNeitherBackedUpNorReplaced) {
    m_searching = true;
    {
        MyTable other;
        other.open(m_current);
        EXPECT_EQ(backup(Choice::Database, media()), Outcome::Stopped);
        EXPECT_EQ(texts(), QStringList{error(safekeeping::kBackupInUse)});
        EXPECT_TRUE(entries(media()).isEmpty());
        EXPECT_EQ(m_hooks.enableEndSearchCalls, 1);
        EXPECT_TRUE(m_table.isOpen());
    }
    // A restore onto a file of the program directory that is not the current one but is held.
    makeInventory(prog(QStringLiteral("HELD.DBF")), {QStringLiteral("Mine")});
    makeInventory(media(QStringLiteral("HELD.DBF")), {QStringLiteral("Theirs")});
    const QByteArray held = read(prog(QStringLiteral("HELD.DBF")));
    MyTable other;
    other.open(prog(QStringLiteral("HELD.DBF")));
    m_prompter.asked.clear();
    EXPECT_EQ(restore(Choice::Database, media(QStringLiteral("HELD.DBF"))), Outcome::Stopped);
    EXPECT_EQ(texts(), QStringList{error(safekeeping::kRestoreInUse)});
    EXPECT_EQ(read(prog(QStringLiteral("HELD.DBF"))), held);
    EXPECT_EQ(m_settings.lastDatabase, m_current);
    EXPECT_TRUE(m_table.isOpen());
    EXPECT_EQ(m_table.path(), m_current);
}

TEST_F(SafekeepingTest, ARestoreWithoutRoomOrFromAForeignTableChangesNothing) {
    makeInventory(media(QStringLiteral("BIG.DBF")), {QStringLiteral("Radio")});
    m_free = 10;
    EXPECT_EQ(restore(Choice::Database, media(QStringLiteral("BIG.DBF"))), Outcome::Stopped);
    EXPECT_EQ(texts(), QStringList{error(safekeeping::kRestoreNoRoom)});
    EXPECT_FALSE(QFile::exists(prog(QStringLiteral("BIG.DBF"))));
    EXPECT_TRUE(m_table.isOpen());

    // Not an inventory file: the format check says so.
    write(media(QStringLiteral("JUNK.DBF")), "not a table at all");
    m_prompter.asked.clear();
    m_free.reset();
    EXPECT_EQ(restore(Choice::Database, media(QStringLiteral("JUNK.DBF"))), Outcome::Stopped);
    EXPECT_EQ(m_prompter.asked.size(), 1u);
    EXPECT_FALSE(QFile::exists(prog(QStringLiteral("JUNK.DBF"))));
    // A table of other fields: the format check's message.
    {
        ScriptedPrompter quiet;
        ASSERT_TRUE(MakeNewDB(media(QStringLiteral("FOREIGN.DBF")), quiet));
    }
    QFile foreign(media(QStringLiteral("FOREIGN.DBF")));
    ASSERT_TRUE(foreign.open(QIODevice::ReadWrite));
    ASSERT_TRUE(foreign.seek(32));
    foreign.write("XTEM", 4); // the first field's name
    foreign.close();
    m_prompter.asked.clear();
    EXPECT_EQ(restore(Choice::Database, media(QStringLiteral("FOREIGN.DBF"))), Outcome::Stopped);
    EXPECT_EQ(texts(), QStringList{error(kNotAnInventory)});
    EXPECT_FALSE(QFile::exists(prog(QStringLiteral("FOREIGN.DBF"))));
    EXPECT_TRUE(m_table.isOpen());
}

} // namespace

namespace {

// The copy is made beside the destination under a longer name: it must fit the name limit.
TEST(SafeCopyTest, ACopyOverAFileOfTheLongestNameIsPlaced) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString source = dir.filePath(QStringLiteral("SOURCE.DBF"));
    const QString dest = dir.filePath(QString(NAME_MAX - 4, u'n') + QStringLiteral(".DBF"));
    for (const QString &path : {source, dest}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(path == source ? Bytes(3000, 's') : Bytes(100, 'd'));
    }
    ASSERT_TRUE(safekeeping::PlaceCopy(source, dest, safekeeping::RealFileOps()));
    QFile placed(dest);
    ASSERT_TRUE(placed.open(QIODevice::ReadOnly));
    EXPECT_EQ(placed.readAll(), Bytes(3000, 's'));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2)
        << "a partial copy is left beside";
}

// A killed copy leaves its partial file; the next copy to that place removes it, but not the
// file of a copy still being written (it holds its staging lock).
TEST(SafeCopyTest, TheNextCopyRemovesWhatAKilledCopyLeftButNotALiveOne) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString source = dir.filePath(QStringLiteral("SOURCE.DBF"));
    const QString dest = dir.filePath(QStringLiteral("BACKUP.DBF"));
    {
        QFile file(source);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(Bytes(5000, 's'));
    }
    const std::string target = QFile::encodeName(dest).toStdString();
    std::string killed, live;
    db::UniqueFd(db::createTempBeside(target, killed)).reset();
    const db::UniqueFd writing(db::createTempBeside(target, live));
    ASSERT_TRUE(QFileInfo::exists(QString::fromStdString(killed)));

    ASSERT_TRUE(safekeeping::PlaceCopy(source, dest, safekeeping::RealFileOps()));
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(killed)));
    EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(live)));
    QFile placed(dest);
    ASSERT_TRUE(placed.open(QIODevice::ReadOnly));
    EXPECT_EQ(placed.readAll(), Bytes(5000, 's'));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 3);
}

} // namespace
