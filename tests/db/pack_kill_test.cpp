// A process packing an inventory through the data set is killed at each step of the pack. Wherever
// the kill lands, the file must open with exactly the records that were live before, and its sort
// index must either be sound or be made anew by the open.
#include "core/field_catalogue.h"
#include "db/engine/crash_points.h"
#include "db/engine/dbf_table.h"
#include "db/engine/table.h"
#include "db/inventory_file.h"
#include "db/inventory_fixture.h"
#include "db/my_table.h"
#include "support/scripted_prompter.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <filesystem>
#include <optional>
#include <set>
#include <string>

namespace {

namespace fs = std::filesystem;

const QString kSort = QStringLiteral("Upper(Left(Category,80))");
constexpr int kRecords = 20000;

// Items of the live records, read straight from the table file.
std::multiset<std::string> liveItems(const std::string &path) {
    db::DbfTable t(path, db::OpenMode::ReadOnly);
    std::multiset<std::string> items;
    for (std::uint32_t r = 1; r <= t.recordCount(); ++r) {
        const std::string_view rec = t.record(r);
        if (!db::DbfTable::isDeleted(rec))
            items.insert(t.text(rec, field::Item));
    }
    return items;
}

class PackKillTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_path = m_dir.filePath(QStringLiteral("INV.DBF")).toStdString();
        m_mdx = m_dir.filePath(QStringLiteral("INV.MDX")).toStdString();
        fixture::newRawInventory(
            m_path, kRecords,
            [](const db::DbfTable &t, std::string &rec, int i) {
                const char *cats[] = {"Tools", "Art", "Kitchen", "Books", "Audio", "Garden"};
                t.setText(rec, field::Item, "item " + std::to_string(i));
                t.setText(rec, field::Category, cats[(i * 7) % 6]);
            },
            kSort);
        int deleted = 0;
        {
            // Deleted records scattered over the file, so pack moves nearly every record.
            db::Table t(m_path, db::OpenMode::Exclusive);
            for (std::uint32_t r = 2; r <= kRecords; r += 3, ++deleted)
                t.remove(r);
        }
        m_expected = liveItems(m_path);
        ASSERT_EQ(m_expected.size(), static_cast<std::size_t>(kRecords - deleted));
        m_kept.emplace(m_dir.path().toStdString(), std::vector<std::string>{m_path, m_mdx});
    }

    void restore() { m_kept->restore(); }

    // Packs in a child through the data set, as the program's pack does.
    void pack() const {
        MyTable table;
        table.setIndexName(QStringLiteral("NewIndex"));
        table.open(QString::fromStdString(m_path), MyTable::OpenMode::Exclusive);
        table.pack();
    }

    // What must hold however the pack ended.
    void expectSoundFile(const std::string &when) {
        SCOPED_TRACE(when);
        ASSERT_EQ(liveItems(m_path), m_expected) << "live records lost or doubled";
        bool indexed = false;
        {
            // An open for writing repairs an index a kill left marked.
            db::Table t(m_path, db::OpenMode::Shared);
            if (db::MdxFile *mdx = t.index()) {
                indexed = true;
                EXPECT_FALSE(t.indexNeedsRegeneration());
                ASSERT_NO_THROW(mdx->verify(0));
                std::set<std::uint32_t> keyed;
                db::MdxCursor c(*mdx, 0);
                for (bool ok = c.first(); ok; ok = c.next()) {
                    ASSERT_TRUE(keyed.insert(c.recno()).second);
                    ASSERT_LE(c.recno(), t.recordCount());
                    const std::string rec(t.record(c.recno()));
                    ASSERT_FALSE(db::DbfTable::isDeleted(rec))
                        << "a key points at record " << c.recno() << ", deleted";
                    ASSERT_EQ(mdx->keyFor(0, rec.data()), std::string(c.key()));
                }
                EXPECT_EQ(keyed.size(), m_expected.size());
            }
        }
        if (!indexed) {
            // No index belongs to the table (byte 28 clear): the program's open makes it.
            MyTable table;
            RebuildSortIndex(table, QString::fromStdString(m_path), kSort);
        }
        // The data set in sort order shows every live record once.
        MyTable table;
        table.setIndexName(QStringLiteral("NewIndex"));
        table.open(QString::fromStdString(m_path));
        EXPECT_EQ(table.indexName(), QStringLiteral("NewIndex"));
        EXPECT_EQ(table.recordCount(), static_cast<std::int64_t>(m_expected.size()));
        std::multiset<std::string> seen;
        QString lastKey;
        for (MyTable::Scanner s = table.scanner(); s.next();) {
            const QString key = s.view().text(field::Category).toUpper();
            EXPECT_GE(key, lastKey) << "out of sort order";
            lastKey = key;
            seen.insert(s.view().text(field::Item).toStdString());
        }
        EXPECT_EQ(seen, m_expected);
    }

    QTemporaryDir m_dir;
    std::optional<fixture::KeptFiles> m_kept;
    std::string m_path;
    std::string m_mdx;
    std::multiset<std::string> m_expected;
};

} // namespace

TEST_F(PackKillTest, EveryKillPointLeavesEveryLiveRecordAndAGoodIndex) {
    // One pack to completion tells the steps a pack takes here (the engine reports them); the
    // kills land on each of them.
    const std::vector<std::string> points = crashtest::pointsOf([this] { pack(); });
    expectSoundFile("pack ran to the end");
    ASSERT_EQ(liveItems(m_path).size(), m_expected.size());
    EXPECT_EQ(db::DbfTable(m_path, db::OpenMode::ReadOnly).recordCount(), m_expected.size())
        << "a finished pack leaves no deleted record";
    ASSERT_GE(points.size(), 6u);
    for (std::size_t k : crashtest::spread(points, 16)) {
        restore();
        crashtest::Options kill;
        kill.killAt = k;
        ASSERT_EQ(crashtest::run([this] { pack(); }, kill), crashtest::End::Killed);
        expectSoundFile("killed at step " + std::to_string(k) + " of " +
                        std::to_string(points.size()) + " (" + points[k] + ")");
        if (HasFatalFailure())
            return;
    }
}
