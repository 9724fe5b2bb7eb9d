#include "views/sort_order.h"

#include "db/engine/dbf_table.h"
#include "db/inventory_file.h"
#include "db/inventory_fixture.h"
#include "db/my_table.h"
#include "settings/settings.h"
#include "support/fake_main_hooks.h"
#include "support/scripted_prompter.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class SortOrder : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_path = fixture::newInventory(m_dir);
        m_config = m_dir.filePath(QStringLiteral("STOWKP.INI"));
        m_table.open(m_path, MyTable::OpenMode::Exclusive);
        const char *items[] = {"Saw", "Bowl", "Radio", "Atlas"};
        const char *cats[] = {"Tools", "Kitchen", "Audio", "Books"};
        for (int i = 0; i < 4; ++i)
            fixture::addItem(m_table, QString::fromLatin1(items[i]), QString::fromLatin1(cats[i]));
        fixture::reopenSorted(m_table, m_path, QStringLiteral("Upper(Left(Category,80))"));
        m_settings.lastDatabase = m_path;
        m_hooks.onSaveSettings = [this] { return m_settings.saveTo(m_config); };
    }

    QStringList items() {
        QStringList out;
        for (m_table.first(); !m_table.isEmpty() && !m_table.eof(); m_table.next())
            out << m_table.text(field::Item);
        return out;
    }

    QTemporaryDir m_dir;
    QString m_path, m_config;
    Settings m_settings;
    MyTable m_table;
    ScriptedPrompter m_prompter;
    FakeMainHooks m_hooks;
};

TEST_F(SortOrder, ListsOfferNoneThenTheDisplayNames) {
    m_settings.fieldNames[0] = QStringLiteral("Thing");
    const QStringList entries = sortorder::LevelEntries(m_settings);
    ASSERT_EQ(entries.size(), 23);
    EXPECT_EQ(entries[0], QStringLiteral("<NONE>"));
    EXPECT_EQ(entries[1], QStringLiteral("Thing"));
    EXPECT_EQ(entries[12], QStringLiteral("Category"));
}

TEST_F(SortOrder, ANewOrderRebuildsTheIndexAndSavesAtOnce) {
    EXPECT_EQ(items(), (QStringList{"Radio", "Atlas", "Bowl", "Saw"}));
    EXPECT_EQ(sortorder::ApplySortOrder(m_table, m_settings, {1, 1, 0, 0}, m_prompter, m_hooks),
              sortorder::Outcome::Done);
    EXPECT_TRUE(m_prompter.asked.empty());
    EXPECT_EQ(m_settings.sortLevels, (std::array<int, 4>{1, 1, 0, 0})) << "a field twice is fine";
    EXPECT_EQ(m_table.openMode(), MyTable::OpenMode::Shared);
    EXPECT_EQ(items(), (QStringList{"Atlas", "Bowl", "Radio", "Saw"}));
    EXPECT_EQ(m_hooks.viewerApplied, 1);
    EXPECT_EQ(m_hooks.sortRebuilt, 1);
    Settings saved;
    ASSERT_EQ(saved.loadFrom(m_config), ProfileFile::LoadStatus::Loaded);
    EXPECT_EQ(saved.sortLevels, (std::array<int, 4>{1, 1, 0, 0}));
}

TEST_F(SortOrder, AllNoneGivesFileOrder) {
    EXPECT_EQ(sortorder::ApplySortOrder(m_table, m_settings, {0, 0, 0, 0}, m_prompter, m_hooks),
              sortorder::Outcome::Done);
    EXPECT_EQ(items(), (QStringList{"Saw", "Bowl", "Radio", "Atlas"}));
    EXPECT_EQ(m_table.indexName(), QString());
    Settings saved;
    ASSERT_EQ(saved.loadFrom(m_config), ProfileFile::LoadStatus::Loaded);
    EXPECT_EQ(saved.sortLevels, (std::array<int, 4>{0, 0, 0, 0}));
}

TEST_F(SortOrder, AnotherProcessHoldingTheFileKeepsTheOldLevels) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        db::DbfTable held(QFile::encodeName(m_path).toStdString(), db::OpenMode::Shared);
        (void)!::write(fds[1], "r", 1);
        ::pause();
        ::_exit(0);
    }
    char ready = 0;
    ASSERT_EQ(::read(fds[0], &ready, 1), 1);
    const auto outcome =
        sortorder::ApplySortOrder(m_table, m_settings, {1, 0, 0, 0}, m_prompter, m_hooks);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_EQ(outcome, sortorder::Outcome::InUse);
    ASSERT_EQ(m_prompter.asked.size(), 1u);
    EXPECT_EQ(m_prompter.asked[0].title, QStringLiteral("Error"));
    EXPECT_EQ(m_prompter.asked[0].text, sortorder::kInUseMessage);
    EXPECT_EQ(m_settings.sortLevels, (std::array<int, 4>{12, 0, 0, 0}));
    EXPECT_TRUE(m_table.isOpen());
    EXPECT_EQ(items(), (QStringList{"Radio", "Atlas", "Bowl", "Saw"}));
    EXPECT_FALSE(QFile::exists(m_config)) << "nothing was saved";
    EXPECT_EQ(m_hooks.viewerApplied, 1);
}

TEST_F(SortOrder, AFailureRestoresTheLevelsAndSaysSo) {
    m_hooks.onSaveSettings = [] { return false; };
    EXPECT_EQ(sortorder::ApplySortOrder(m_table, m_settings, {2, 0, 0, 0}, m_prompter, m_hooks),
              sortorder::Outcome::Failed);
    ASSERT_EQ(m_prompter.asked.size(), 1u);
    EXPECT_EQ(m_prompter.asked[0].text,
              QStringLiteral("Error in implementing sort order.  New sort order not implemented."));
    EXPECT_EQ(m_settings.sortLevels, (std::array<int, 4>{12, 0, 0, 0}));
    EXPECT_TRUE(m_table.isOpen());
    EXPECT_EQ(m_table.openMode(), MyTable::OpenMode::Shared);
    EXPECT_EQ(m_table.recordCount(), 4);
}

} // namespace
