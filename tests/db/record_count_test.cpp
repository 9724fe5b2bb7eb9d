// The data set's record count: taken from the index when it can be, kept by the data set's
// own changes, and always equal to what a walk of the visible records finds.
#include "db/engine/dbf_table.h"
#include "db/inventory_file.h"
#include "db/inventory_fixture.h"
#include "db/my_table.h"
#include "support/scripted_prompter.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace {

class RecordCountTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_path = m_dir.filePath(QStringLiteral("INV.DBF"));
        ScriptedPrompter prompter;
        ASSERT_TRUE(MakeNewDB(m_path, prompter));
        m_table.open(m_path, MyTable::OpenMode::Exclusive);
        fixture::addGenerated(m_table, 300, 5);
        m_table.close();
        RebuildSortIndex(m_table, m_path, QStringLiteral("Upper(Left(Category,80))"));
        m_table.open(m_path);
    }

    // The count as a walk of the visible records finds it.
    std::int64_t walked() { return static_cast<std::int64_t>(fixture::walk(m_table).size()); }

    QTemporaryDir m_dir;
    QString m_path;
    MyTable m_table;
};

} // namespace

TEST_F(RecordCountTest, OwnChangesKeepTheCountWithAndWithoutAFilter) {
    ASSERT_EQ(m_table.indexName(), QStringLiteral("NewIndex"));
    EXPECT_EQ(m_table.recordCount(), 300);
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round == 0 ? "unfiltered" : "filtered on Category Tools");
        if (round == 1) {
            m_table.setFilter([](const RecordView &r) {
                return r.text(field::Category).startsWith(QStringLiteral("Tools"));
            });
            m_table.setFiltered(true);
        }
        const std::int64_t start = m_table.recordCount();
        ASSERT_EQ(start, walked());
        fixture::addItem(m_table, QStringLiteral("new"), QStringLiteral("Tools"));
        EXPECT_EQ(m_table.recordCount(), start + 1);
        fixture::addItem(m_table, QStringLiteral("new"), QStringLiteral("Art"));
        EXPECT_EQ(m_table.recordCount(), start + (round == 0 ? 2 : 1));
        // An edit that takes the record out of the filter, and a delete.
        m_table.first();
        m_table.edit();
        m_table.setText(field::Category, QStringLiteral("Books"));
        m_table.post();
        EXPECT_EQ(m_table.recordCount(), walked());
        m_table.first();
        m_table.deleteRecord();
        EXPECT_EQ(m_table.recordCount(), walked());
        // Counted afresh after a refresh, the same.
        const std::int64_t kept = m_table.recordCount();
        m_table.setFiltered(!m_table.isFiltered());
        m_table.setFiltered(!m_table.isFiltered());
        EXPECT_EQ(m_table.recordCount(), kept);
    }
}

TEST_F(RecordCountTest, KeysOfRecordsDeletedByAnotherProgramAreCorrectedWhenPassed) {
    m_table.close();
    std::int64_t deleted = 0;
    {
        // A dBASE program that leaves the keys of the records it deletes in the index.
        db::DbfTable raw(m_path.toStdString(), db::OpenMode::Exclusive);
        for (std::uint32_t r = 3; r <= raw.recordCount(); r += 50, ++deleted)
            raw.setDeleted(r, true);
    }
    m_table.setIndexName(QStringLiteral("NewIndex"));
    m_table.open(m_path);
    const std::int64_t fromKeys = m_table.recordCount();
    EXPECT_GE(fromKeys, 300 - deleted);
    // Scrolling through the viewer passes the keys of deleted records, which corrects the
    // count.
    for (std::int64_t row = 0; row < fromKeys; ++row)
        (void)m_table.rowAt(row);
    EXPECT_EQ(m_table.recordCount(), 300 - deleted);
    EXPECT_EQ(walked(), 300 - deleted);
}

TEST_F(RecordCountTest, PhysicalOrderCountsLiveRecords) {
    m_table.setIndexName(QString());
    ASSERT_TRUE(m_table.gotoBookmark(10));
    m_table.deleteRecord();
    EXPECT_EQ(m_table.recordCount(), 299);
    m_table.close();
    m_table.open(m_path);
    EXPECT_EQ(m_table.recordCount(), 299);
    EXPECT_EQ(walked(), 299);
}
