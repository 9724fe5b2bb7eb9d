// The data set's filter is taken as a set of matching records in one pass; the set must
// follow the data set's own changes and be taken again when another process changed the
// file, so that what is visible is exactly what the filter accepts now.
#include "db/inventory_fixture.h"
#include "db/my_table.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace {

class MatchSetTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_path = fixture::newInventory(m_dir);
        m_table.open(m_path, MyTable::OpenMode::Exclusive);
        const char *cats[] = {"Art", "Tools", "Art", "Books", "Art", "Tools"};
        for (int i = 0; i < 6; ++i)
            fixture::addItem(m_table, QStringLiteral("item %1").arg(i + 1),
                             QString::fromLatin1(cats[i]));
        fixture::reopenSorted(m_table, m_path, QStringLiteral("Upper(Left(Item,80))"));
        m_table.setFilter([this](const RecordView &r) {
            ++m_calls;
            return r.text(field::Category) == u"Art";
        });
        m_table.setFiltered(true);
    }

    QStringList items() {
        QStringList out;
        for (MyTable::Scanner s = m_table.scanner(); s.next();)
            out << s.view().text(field::Item);
        return out;
    }

    QTemporaryDir m_dir;
    QString m_path;
    MyTable m_table;
    int m_calls = 0;
};

TEST_F(MatchSetTest, TheFilterIsAskedOncePerRecordWhateverIsWalked) {
    EXPECT_EQ(m_table.recordCount(), 3);
    EXPECT_EQ(items(), (QStringList{"item 1", "item 3", "item 5"}));
    EXPECT_EQ(m_table.rowAt(2)->recno, 5u);
    m_table.last();
    EXPECT_EQ(m_table.recNo(), 5u);
    EXPECT_EQ(m_calls, 6) << "one pass, then the set answers";
}

TEST_F(MatchSetTest, OwnPostsAndDeletesAreTestedAgain) {
    ASSERT_TRUE(m_table.gotoBookmark(3));
    m_table.edit();
    m_table.setText(field::Category, QStringLiteral("Music"));
    m_table.post();
    EXPECT_EQ(m_table.recordCount(), 2) << "an edited record the filter now refuses goes";
    EXPECT_EQ(items(), (QStringList{"item 1", "item 5"}));

    fixture::addItem(m_table, QStringLiteral("item 7"), QStringLiteral("Art"));
    fixture::addItem(m_table, QStringLiteral("item 8"), QStringLiteral("Books"));
    EXPECT_EQ(m_table.recordCount(), 3);
    EXPECT_EQ(items(), (QStringList{"item 1", "item 5", "item 7"}));

    ASSERT_TRUE(m_table.gotoBookmark(1));
    m_table.deleteRecord();
    EXPECT_EQ(m_table.recordCount(), 2);
    EXPECT_EQ(items(), (QStringList{"item 5", "item 7"}));
    EXPECT_FALSE(m_table.gotoBookmark(1));
}

TEST_F(MatchSetTest, RefreshTakesTheSetAgainAfterAnotherProcessChangedRecords) {
    EXPECT_EQ(m_table.recordCount(), 3);
    {
        MyTable other;
        other.setIndexName(QStringLiteral("NewIndex"));
        other.open(m_path, MyTable::OpenMode::Shared);
        ASSERT_TRUE(other.gotoBookmark(2));
        other.edit();
        other.setText(field::Category, QStringLiteral("Art")); // a non-key field
        other.post();
        fixture::addItem(other, QStringLiteral("item 9"), QStringLiteral("Art"));
    }
    m_table.refresh();
    EXPECT_EQ(m_table.recordCount(), 5);
    EXPECT_EQ(items(), (QStringList{"item 1", "item 2", "item 3", "item 5", "item 9"}));
}

TEST_F(MatchSetTest, ChangingTheFilterOrTheOrderKeepsItRight) {
    m_table.setFilter([](const RecordView &r) { return r.text(field::Category) == u"Tools"; });
    EXPECT_EQ(items(), (QStringList{"item 2", "item 6"}));
    m_table.setIndexName(QString());
    EXPECT_EQ(m_table.recordCount(), 2);
    m_table.setFiltered(false);
    EXPECT_EQ(m_table.recordCount(), 6);
    m_table.setFiltered(true);
    EXPECT_EQ(items(), (QStringList{"item 2", "item 6"}));
    m_table.close();
    m_table.open(m_path);
    EXPECT_EQ(m_table.recordCount(), 2) << "a reopened data set takes the set again";
}

} // namespace
