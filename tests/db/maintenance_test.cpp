#include "db/engine/crash_points.h"
#include "db/engine/dbf_table.h"
#include "db/inventory_file.h"
#include "db/inventory_fixture.h"
#include "db/maintenance.h"
#include "db/my_table.h"
#include "support/scripted_prompter.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <csignal>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The items of the live records, read straight from the file.
std::multiset<std::string> liveItems(const QString &path) {
    std::multiset<std::string> items;
    const db::DbfTable table(QFile::encodeName(path).toStdString(), db::OpenMode::ReadOnly);
    for (std::uint32_t r = 1; r <= table.recordCount(); ++r) {
        const std::string_view rec = table.record(r);
        if (!db::DbfTable::isDeleted(rec))
            items.insert(table.text(rec, 0));
    }
    return items;
}

// A child process that holds the file open in shared use until it is killed.
class Holder {
public:
    explicit Holder(const QString &path) {
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(fds[0]);
            try {
                db::DbfTable held(QFile::encodeName(path).toStdString(), db::OpenMode::Shared);
                const char ready = 'r';
                (void)!::write(fds[1], &ready, 1);
                ::pause();
            } catch (...) {
            }
            ::_exit(0);
        }
        ::close(fds[1]);
        char ready = 0;
        m_ready = ::read(fds[0], &ready, 1) == 1;
        ::close(fds[0]);
    }
    ~Holder() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    [[nodiscard]] bool ready() const { return m_ready; }

private:
    pid_t m_pid = -1;
    bool m_ready = false;
};

class Maintenance : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_path = fixture::newInventory(m_dir);
        m_table.open(m_path, MyTable::OpenMode::Exclusive);
        for (int i = 1; i <= 10; ++i)
            fixture::addItem(m_table, QStringLiteral("item %1").arg(i),
                             i % 2 ? QStringLiteral("Odd") : QStringLiteral("Even"));
        fixture::reopenSorted(m_table, m_path, QStringLiteral("Upper(Left(Item,80))"));
    }

    void deleteItems(std::initializer_list<int> numbers) {
        for (int n : numbers) {
            for (m_table.first(); !m_table.eof(); m_table.next()) {
                if (m_table.text(field::Item) == QStringLiteral("item %1").arg(n)) {
                    m_table.deleteRecord();
                    break;
                }
            }
        }
    }

    QTemporaryDir m_dir;
    QString m_path;
    MyTable m_table;
    ScriptedPrompter m_prompter;
    int m_viewerApplied = 0;
    std::function<void()> m_apply = [this] { ++m_viewerApplied; };
};

TEST_F(Maintenance, PackRemovesExactlyTheDeletedRecords) {
    deleteItems({2, 5, 10});
    m_prompter.answers = {Prompter::Yes};
    EXPECT_EQ(maintenance::PackDatabase(m_table, m_prompter, m_apply), maintenance::Outcome::Done);
    ASSERT_EQ(m_prompter.asked.size(), 1u);
    EXPECT_EQ(m_prompter.asked[0].title, QStringLiteral("Confirm"));
    EXPECT_EQ(m_prompter.asked[0].text, maintenance::kPackQuestion);
    EXPECT_EQ(m_viewerApplied, 1);
    EXPECT_TRUE(m_table.isOpen());
    EXPECT_EQ(m_table.openMode(), MyTable::OpenMode::Shared);
    EXPECT_EQ(m_table.indexName(), QString::fromLatin1(kSortIndexTag));
    EXPECT_EQ(m_table.recordCount(), 7);
    m_table.close();
    const std::multiset<std::string> expected{"item 1", "item 3", "item 4", "item 6",
                                              "item 7", "item 8", "item 9"};
    EXPECT_EQ(liveItems(m_path), expected);
    const db::DbfTable raw(QFile::encodeName(m_path).toStdString(), db::OpenMode::ReadOnly);
    EXPECT_EQ(raw.recordCount(), 7u) << "the deleted records are gone from the file";
}

TEST_F(Maintenance, NoLeavesTheTableAndItsCursorAlone) {
    deleteItems({3});
    m_table.first();
    m_table.next();
    const auto where = m_table.recNo();
    m_prompter.answers = {Prompter::No};
    EXPECT_EQ(maintenance::PackDatabase(m_table, m_prompter, m_apply),
              maintenance::Outcome::NotAsked);
    m_prompter.answers = {Prompter::No};
    EXPECT_EQ(maintenance::RebuildIndexes(m_table, m_prompter, m_apply),
              maintenance::Outcome::NotAsked);
    EXPECT_TRUE(m_table.isOpen());
    EXPECT_EQ(m_table.recNo(), where);
    EXPECT_EQ(m_viewerApplied, 0);
    m_table.close();
    const db::DbfTable raw(QFile::encodeName(m_path).toStdString(), db::OpenMode::ReadOnly);
    EXPECT_EQ(raw.recordCount(), 10u);
}

TEST_F(Maintenance, ASecondProcessHoldingTheFileRefusesBoth) {
    deleteItems({4});
    const Holder holder(m_path);
    ASSERT_TRUE(holder.ready());
    m_prompter.answers = {Prompter::Yes};
    EXPECT_EQ(maintenance::PackDatabase(m_table, m_prompter, m_apply),
              maintenance::Outcome::Refused);
    ASSERT_EQ(m_prompter.asked.size(), 2u);
    EXPECT_EQ(m_prompter.asked[1].title, QStringLiteral("Error"));
    EXPECT_EQ(m_prompter.asked[1].text, maintenance::kPackRefused);
    EXPECT_TRUE(m_table.isOpen()) << "the first copy keeps working in shared use";
    EXPECT_EQ(m_table.openMode(), MyTable::OpenMode::Shared);
    EXPECT_EQ(m_table.recordCount(), 9);
    EXPECT_EQ(m_viewerApplied, 1);

    m_prompter.answers = {Prompter::Yes};
    EXPECT_EQ(maintenance::RebuildIndexes(m_table, m_prompter, m_apply),
              maintenance::Outcome::Refused);
    EXPECT_EQ(m_prompter.last().text, maintenance::kRebuildRefused);
    EXPECT_TRUE(m_table.isOpen());
    EXPECT_NE(maintenance::kPackRefused.indexOf(QStringLiteral("program  or that")), -1);
}

TEST_F(Maintenance, RebuildKeepsTheSortIndexAndTheFilter) {
    m_table.setFilter([](const RecordView &v) { return v.text(field::Category) == u"Odd"; });
    m_table.setFiltered(true);
    m_prompter.answers = {Prompter::Yes};
    EXPECT_EQ(maintenance::RebuildIndexes(m_table, m_prompter, m_apply),
              maintenance::Outcome::Done);
    EXPECT_EQ(m_prompter.asked[0].text, maintenance::kRebuildQuestion);
    EXPECT_TRUE(m_table.isFiltered());
    EXPECT_EQ(m_table.recordCount(), 5);
    EXPECT_EQ(m_table.indexName(), QString::fromLatin1(kSortIndexTag));
    m_table.first();
    EXPECT_EQ(m_table.text(field::Item), QStringLiteral("item 1"));
    m_table.next();
    EXPECT_EQ(m_table.text(field::Item), QStringLiteral("item 3"));
}

TEST_F(Maintenance, RebuildMakesTheSortIndexOfATableWhoseIndexWasSetAside) {
    m_table.close();
    {
        QFile mdx(m_dir.filePath(QStringLiteral("INV.MDX")));
        ASSERT_TRUE(mdx.exists());
        ASSERT_TRUE(mdx.open(QIODevice::WriteOnly | QIODevice::Truncate));
        mdx.write(QByteArray(4096, 'x'));
    }
    m_table.open(m_path, MyTable::OpenMode::Shared); // sets the damaged index aside
    ASSERT_TRUE(m_table.tagNames().isEmpty());
    m_prompter.answers = {Prompter::Yes};
    EXPECT_EQ(maintenance::RebuildIndexes(m_table, m_prompter, m_apply,
                                          QStringLiteral("Upper(Left(Category,80))")),
              maintenance::Outcome::Done)
        << (m_prompter.asked.size() > 1 ? m_prompter.last().text.toStdString() : "");
    EXPECT_EQ(m_table.tagNames(), QStringList{QStringLiteral("NEWINDEX")});
    EXPECT_EQ(m_table.indexName(), QString::fromLatin1(kSortIndexTag));
    EXPECT_EQ(m_table.recordCount(), 10);
    m_table.first();
    EXPECT_EQ(m_table.text(field::Category), QStringLiteral("Even"));
    m_table.last();
    EXPECT_EQ(m_table.text(field::Category), QStringLiteral("Odd"));
}

// A pack killed at any moment leaves every live record in the file and in the sort order.
TEST(MaintenanceKill, KilledPackLosesNoLiveRecord) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("BIG.DBF"));
    ScriptedPrompter made;
    ASSERT_TRUE(MakeNewDB(path, made));
    MyTable table;
    table.open(path, MyTable::OpenMode::Exclusive);
    fixture::addGenerated(table, 12000, 7);
    table.close();
    RebuildSortIndex(table, path, QStringLiteral("Upper(Left(Item,40))+Upper(Left(Serial,40))"));
    table.open(path, MyTable::OpenMode::Exclusive);
    // Every third record deleted.
    int n = 0;
    for (table.first(); !table.eof();) {
        if (++n % 3 == 0)
            table.deleteRecord();
        else
            table.next();
    }
    table.close();
    const std::multiset<std::string> live = liveItems(path);

    const auto pack = [&] {
        MyTable t;
        t.setIndexName(QString::fromLatin1(kSortIndexTag));
        t.open(path, MyTable::OpenMode::Exclusive);
        t.pack();
        t.close();
    };
    // The steps of a pack, from one that runs to its end; each kill then lands on one of them,
    // on the file as it was before.
    const QString mdx = dir.filePath(QStringLiteral("BIG.MDX"));
    ASSERT_TRUE(QFile::copy(path, path + ".keep"));
    ASSERT_TRUE(QFile::copy(mdx, mdx + ".keep"));
    const auto restore = [&] {
        for (const QString &f : {path, mdx}) {
            QFile::remove(f);
            ASSERT_TRUE(QFile::copy(f + ".keep", f));
        }
    };
    const std::vector<std::string> points = crashtest::pointsOf(pack);
    ASSERT_FALSE(points.empty());
    for (std::size_t k : crashtest::spread(points, 6)) {
        restore();
        const std::string where = "killed at step " + std::to_string(k) + " (" + points[k] + ")";
        crashtest::Options kill;
        kill.killAt = k;
        EXPECT_EQ(crashtest::run(pack, kill), crashtest::End::Killed) << where;
        EXPECT_EQ(liveItems(path), live) << where;
        MyTable after;
        after.setIndexName(QString::fromLatin1(kSortIndexTag));
        after.open(path);
        EXPECT_EQ(after.recordCount(), static_cast<std::int64_t>(live.size()))
            << where << ": the sort order shows every record";
    }
}

} // namespace
