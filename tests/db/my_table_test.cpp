#include "db/engine/db_error.h"
#include "db/inventory_file.h"
#include "db/inventory_fixture.h"
#include "db/my_table.h"
#include "settings/date_format.h"
#include "support/scripted_prompter.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <algorithm>
#include <map>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class MyTableTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_path = fixture::newInventory(m_dir);
        ResetDateFormat();
    }
    void TearDown() override { ResetDateFormat(); }

    // A table of items whose categories repeat out of order, with the sort index on
    // Category, open in shared use in index order.
    void openWithItems() {
        m_table.open(m_path, MyTable::OpenMode::Exclusive);
        const char *cats[] = {"Tools", "Art", "Kitchen", "Art", "Books", "Tools", "Audio"};
        for (int i = 0; i < 7; ++i)
            fixture::addItem(m_table, QStringLiteral("item %1").arg(i + 1),
                             QString::fromLatin1(cats[i]));
        fixture::reopenSorted(m_table, m_path, QStringLiteral("Upper(Left(Category,80))"));
    }

    QTemporaryDir m_dir;
    QString m_path;
    MyTable m_table;
};

TEST_F(MyTableTest, WalksBothOrdersForwardAndBack) {
    openWithItems();
    EXPECT_EQ(m_table.indexName(), QStringLiteral("NewIndex"));
    // Category order, equal keys by record number.
    const std::vector<std::uint32_t> indexOrder{2, 4, 7, 5, 3, 1, 6};
    EXPECT_EQ(fixture::walk(m_table), indexOrder);

    std::vector<std::uint32_t> back;
    for (m_table.last(); !m_table.bof(); m_table.prior())
        back.push_back(m_table.recNo());
    EXPECT_EQ(back, std::vector<std::uint32_t>(indexOrder.rbegin(), indexOrder.rend()));
    EXPECT_EQ(m_table.recNo(), 2u) << "prior() at the top stays on the first record";

    m_table.setIndexName(QString());
    EXPECT_EQ(fixture::walk(m_table), (std::vector<std::uint32_t>{1, 2, 3, 4, 5, 6, 7}));

    m_table.setIndexName(QStringLiteral("newindex"));
    m_table.first();
    EXPECT_TRUE(m_table.bof());
    EXPECT_EQ(m_table.moveBy(3), 3);
    EXPECT_EQ(m_table.recNo(), 5u);
    EXPECT_EQ(m_table.moveBy(10), 3);
    EXPECT_TRUE(m_table.eof());
    EXPECT_EQ(m_table.recNo(), 6u);
    EXPECT_EQ(m_table.moveBy(-2), -2);
    EXPECT_EQ(m_table.recNo(), 3u);
    EXPECT_EQ(m_table.text(field::Category), QStringLiteral("Kitchen"));

    EXPECT_THROW(m_table.setIndexName(QStringLiteral("NOSUCH")), db::DbError);
    EXPECT_EQ(m_table.indexName(), QStringLiteral("newindex"));
}

TEST_F(MyTableTest, DeletedRecordsAreInvisibleAndNeverCounted) {
    openWithItems();
    EXPECT_EQ(m_table.recordCount(), 7);
    m_table.first();
    m_table.next(); // record 4, the second "Art"
    ASSERT_EQ(m_table.recNo(), 4u);
    m_table.deleteRecord();
    EXPECT_EQ(m_table.recNo(), 7u) << "the next record becomes current";
    EXPECT_EQ(m_table.recordCount(), 6);
    EXPECT_EQ(fixture::walk(m_table), (std::vector<std::uint32_t>{2, 7, 5, 3, 1, 6}));
    EXPECT_FALSE(m_table.gotoBookmark(4));

    m_table.last();
    m_table.deleteRecord();
    EXPECT_EQ(m_table.recNo(), 1u) << "deleting the last record moves back";
    EXPECT_TRUE(m_table.eof());

    // Still not counted after reopening, in physical order too, and by another data set.
    m_table.close();
    m_table.setIndexName(QString());
    m_table.open(m_path);
    EXPECT_EQ(m_table.recordCount(), 5);
    EXPECT_EQ(fixture::walk(m_table), (std::vector<std::uint32_t>{1, 2, 3, 5, 7}));
    ASSERT_TRUE(m_table.rowAt(3).has_value());
    EXPECT_EQ(m_table.rowAt(3)->recno, 5u);
    EXPECT_FALSE(m_table.rowAt(5).has_value());
}

TEST_F(MyTableTest, FilterNarrowsWhatIsVisibleAndCounted) {
    openWithItems();
    m_table.setFilter([](const RecordView &r) { return r.text(field::Category).startsWith(u'A'); });
    EXPECT_EQ(m_table.recordCount(), 7) << "a filter that is off changes nothing";
    m_table.setFiltered(true);
    EXPECT_EQ(m_table.recordCount(), 3);
    EXPECT_EQ(fixture::walk(m_table), (std::vector<std::uint32_t>{2, 4, 7}));
    EXPECT_FALSE(m_table.gotoBookmark(1)) << "a record the filter refuses cannot be reached";
    EXPECT_EQ(m_table.rowAt(2)->recno, 7u);
    EXPECT_FALSE(m_table.rowAt(3).has_value());

    ASSERT_TRUE(m_table.gotoBookmark(4));
    m_table.deleteRecord();
    EXPECT_EQ(m_table.recordCount(), 2);

    m_table.setFiltered(false);
    EXPECT_EQ(m_table.recordCount(), 6);
    EXPECT_EQ(m_table.recNo(), 2u) << "changing the filter moves to the first record";
}

TEST_F(MyTableTest, BookmarksReturnToARecordInEitherOrder) {
    openWithItems();
    m_table.first();
    ASSERT_EQ(m_table.moveBy(4), 4);
    const MyTable::Bookmark mark = m_table.bookmark();
    ASSERT_EQ(mark, 3u);
    m_table.first();
    ASSERT_TRUE(m_table.gotoBookmark(mark));
    EXPECT_EQ(m_table.text(field::Item), QStringLiteral("item 3"));
    EXPECT_EQ(m_table.position(), 4);
    m_table.next();
    EXPECT_EQ(m_table.recNo(), 1u) << "navigation goes on from the bookmarked record";
    EXPECT_FALSE(m_table.gotoBookmark(0));
    EXPECT_FALSE(m_table.gotoBookmark(99));
    EXPECT_EQ(m_table.recNo(), 1u);
}

TEST_F(MyTableTest, InsertEditPostAndCancel) {
    openWithItems();
    fixture::addItem(m_table, QStringLiteral("new"), QStringLiteral("Bikes"));
    EXPECT_EQ(m_table.recNo(), 8u) << "a posted record becomes current";
    EXPECT_EQ(m_table.recordCount(), 8);
    EXPECT_EQ(m_table.position(), 3) << "the index places it after Art and Audio";

    m_table.edit();
    EXPECT_EQ(m_table.state(), MyTable::State::Edit);
    m_table.setText(field::Category, QStringLiteral("Zebras"));
    EXPECT_EQ(m_table.text(field::Category), QStringLiteral("Zebras"));
    m_table.cancel();
    EXPECT_EQ(m_table.text(field::Category), QStringLiteral("Bikes"));
    EXPECT_EQ(m_table.state(), MyTable::State::Browse);

    m_table.edit();
    m_table.setText(field::Category, QStringLiteral("Zebras"));
    m_table.post();
    m_table.last();
    EXPECT_EQ(m_table.recNo(), 8u) << "a changed key moves the record in the index";
    EXPECT_EQ(m_table.recordCount(), 8);

    // Insert then cancel adds nothing.
    m_table.insert();
    m_table.setText(field::Item, QStringLiteral("never"));
    m_table.cancel();
    EXPECT_EQ(m_table.recordCount(), 8);
    EXPECT_EQ(m_table.backend()->recordCount(), 8u);

    // A text longer than the field is cut to its width.
    m_table.edit();
    m_table.setText(field::Category, QString(30, u'x'));
    m_table.post();
    EXPECT_EQ(m_table.text(field::Category), QString(20, u'x'));

    EXPECT_THROW(m_table.setText(field::Item, QStringLiteral("not editing")), db::DbError);
}

TEST_F(MyTableTest, TypedValuesAndDatesInTheShortDateFormat) {
    m_table.open(m_path);
    m_table.insert();
    m_table.setInteger(field::Quantity, 3);
    m_table.setNumber(field::Cost, 1249.99);
    m_table.setText(field::RepCost, QStringLiteral("-12.5"));
    m_table.setDate(field::PurchDate, QDate(1996, 7, 5));
    m_table.setText(field::WarDate, QStringLiteral("2/29/96"));
    m_table.post();

    EXPECT_EQ(m_table.integer(field::Quantity), 3);
    EXPECT_DOUBLE_EQ(m_table.number(field::Cost), 1249.99);
    EXPECT_DOUBLE_EQ(m_table.number(field::RepCost), -12.5);
    EXPECT_EQ(m_table.date(field::PurchDate), QDate(1996, 7, 5));
    EXPECT_EQ(m_table.text(field::PurchDate), QStringLiteral("7/5/96"));
    EXPECT_EQ(m_table.date(field::WarDate), QDate(1996, 2, 29));
    EXPECT_TRUE(m_table.text(field::Value).isEmpty()) << "an amount never set stays blank";
    EXPECT_EQ(m_table.text(QStringLiteral("quantity")), QStringLiteral("3"));

    ASSERT_TRUE(ApplyDateFormat(12, true));
    EXPECT_EQ(m_table.text(field::PurchDate), QStringLiteral("05.07.1996"));

    m_table.edit();
    EXPECT_THROW(m_table.setText(field::PurchDate, QStringLiteral("31.02.1996")), db::DbError);
    EXPECT_THROW(m_table.setText(field::Cost, QStringLiteral("12,50")), db::DbError);
    EXPECT_THROW(m_table.setNumber(field::Quantity, 1e12), db::DbError);
    EXPECT_EQ(m_table.date(field::PurchDate), QDate(1996, 7, 5)) << "refused values change nothing";
    m_table.setText(field::PurchDate, QStringLiteral("  .  .    "));
    m_table.post();
    EXPECT_FALSE(m_table.date(field::PurchDate).isValid());
    EXPECT_TRUE(m_table.text(field::PurchDate).isEmpty());
}

TEST_F(MyTableTest, ACharacterTheCodePageCannotHoldFailsThePostAndKeepsTheEdit) {
    m_table.open(m_path);
    m_table.insert();
    m_table.setText(field::Item, QStringLiteral("Caf\u00e9 table \u20ac")); // both in 1252
    m_table.post();
    EXPECT_EQ(m_table.text(field::Item), QStringLiteral("Caf\u00e9 table \u20ac"));

    m_table.edit();
    m_table.setText(field::Owner, QStringLiteral("Wojciech \u0141ukasz"));
    try {
        m_table.post();
        FAIL() << "post accepted a character code page 1252 does not have";
    } catch (const db::DbError &e) {
        EXPECT_NE(std::string(e.what()).find("OWNER"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("\u0141"), std::string::npos) << e.what();
    }
    EXPECT_EQ(m_table.state(), MyTable::State::Edit);
    EXPECT_EQ(m_table.text(field::Owner), QStringLiteral("Wojciech \u0141ukasz"));
    m_table.setText(field::Owner, QStringLiteral("Wojciech Lukasz"));
    m_table.post();

    MyTable other;
    other.open(m_path, MyTable::OpenMode::ReadOnly);
    EXPECT_EQ(other.text(field::Owner), QStringLiteral("Wojciech Lukasz"));
    EXPECT_THROW(other.edit(), db::DbError);
    EXPECT_THROW(other.insert(), db::DbError);
}

TEST_F(MyTableTest, RefreshSeesWhatAnotherProcessAppended) {
    openWithItems();
    m_table.first();
    m_table.next();
    ASSERT_EQ(m_table.recordCount(), 7);

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        int status = 0;
        try {
            MyTable other;
            other.setIndexName(QStringLiteral("NewIndex"));
            other.open(m_path, MyTable::OpenMode::Shared);
            fixture::addItem(other, QStringLiteral("from elsewhere"), QStringLiteral("Aardvarks"));
            fixture::addItem(other, QStringLiteral("and more"), QStringLiteral("Zoo"));
        } catch (...) {
            status = 1;
        }
        _exit(status);
    }
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    m_table.refresh();
    EXPECT_EQ(m_table.recNo(), 4u) << "the current record stays current";
    EXPECT_EQ(m_table.recordCount(), 9);
    m_table.first();
    EXPECT_EQ(m_table.text(field::Item), QStringLiteral("from elsewhere"));
    m_table.last();
    EXPECT_EQ(m_table.text(field::Item), QStringLiteral("and more"));
}

TEST_F(MyTableTest, RowsByPositionAgreeWithAWalkWithoutMovingTheCurrentRecord) {
    m_table.open(m_path, MyTable::OpenMode::Exclusive);
    fixture::addGenerated(m_table, 1500, 11);
    fixture::reopenSorted(m_table, m_path,
                          QStringLiteral("Upper(Left(Category,40))+DTOS(PurchDate)"));
    // Delete every seventh record so positions and record numbers part ways.
    for (std::uint32_t r = 7; r <= 1500; r += 7) {
        ASSERT_TRUE(m_table.gotoBookmark(r));
        m_table.deleteRecord();
    }
    const std::vector<std::uint32_t> order = fixture::walk(m_table);
    ASSERT_EQ(order.size(), 1500u - 214u);
    m_table.first();
    ASSERT_EQ(m_table.moveBy(10), 10);
    const std::uint32_t current = m_table.recNo();

    std::mt19937 random(5);
    std::vector<std::int64_t> asks{0, 1, 1285, 1284, 700, 699, 698, 300, 1000, 256, 255, 512};
    for (int i = 0; i < 60; ++i)
        asks.push_back(static_cast<std::int64_t>(random() % order.size()));
    for (std::int64_t p : asks) {
        const auto row = m_table.rowAt(p);
        ASSERT_TRUE(row.has_value()) << p;
        ASSERT_EQ(row->recno, order[static_cast<std::size_t>(p)]) << "position " << p;
        ASSERT_EQ(row->view().text(field::Item), [&] {
            MyTable::Scanner s = m_table.scanner();
            while (s.next())
                if (s.bookmark() == row->recno)
                    return s.view().text(field::Item);
            return QString();
        }());
    }
    EXPECT_FALSE(m_table.rowAt(static_cast<std::int64_t>(order.size())).has_value());
    EXPECT_FALSE(m_table.rowAt(-1).has_value());
    EXPECT_EQ(m_table.recNo(), current);
    EXPECT_EQ(m_table.recordCount(), static_cast<std::int64_t>(order.size()));

    ASSERT_TRUE(m_table.moveToPosition(900));
    EXPECT_EQ(m_table.recNo(), order[900]);
    EXPECT_EQ(m_table.position(), 900);
    m_table.next();
    EXPECT_EQ(m_table.recNo(), order[901]);
    EXPECT_EQ(m_table.position(), 901);
    EXPECT_FALSE(m_table.moveToPosition(5000));
}

TEST_F(MyTableTest, ListenersHearChangesUnlessControlsAreDisabled) {
    openWithItems();
    std::vector<MyTable::Event> events;
    const int id = m_table.addListener([&](MyTable::Event e) { events.push_back(e); });
    m_table.next();
    EXPECT_EQ(events, std::vector<MyTable::Event>{MyTable::Event::Scrolled});

    events.clear();
    m_table.disableControls();
    m_table.disableControls();
    m_table.next();
    m_table.edit();
    m_table.setText(field::Item, QStringLiteral("changed"));
    m_table.post();
    m_table.enableControls();
    EXPECT_TRUE(events.empty()) << "still disabled once";
    EXPECT_TRUE(m_table.controlsDisabled());
    m_table.enableControls();
    EXPECT_EQ(events, std::vector<MyTable::Event>{MyTable::Event::DataChanged});
    EXPECT_FALSE(m_table.controlsDisabled());

    events.clear();
    m_table.edit();
    m_table.setText(field::Item, QStringLiteral("again"));
    m_table.post();
    EXPECT_EQ(events, (std::vector<MyTable::Event>{
                          MyTable::Event::StateChanged, MyTable::Event::FieldChanged,
                          MyTable::Event::StateChanged, MyTable::Event::DataChanged}));
    m_table.removeListener(id);
    events.clear();
    m_table.next();
    EXPECT_TRUE(events.empty());
}

TEST_F(MyTableTest, ScannerWalksTheOrderAndLeavesTheCurrentRecordAlone) {
    openWithItems();
    m_table.setFilter([](const RecordView &r) { return r.text(field::Category) != u"Art"; });
    m_table.setFiltered(true);
    m_table.first();
    m_table.next(); // Books, record 5
    ASSERT_EQ(m_table.recNo(), 5u);

    std::vector<std::uint32_t> seen;
    for (MyTable::Scanner s = m_table.scanner(true); s.next();)
        seen.push_back(s.bookmark());
    EXPECT_EQ(seen, (std::vector<std::uint32_t>{3, 1, 6}));

    MyTable::Scanner all = m_table.scanner();
    ASSERT_TRUE(all.next());
    EXPECT_EQ(all.bookmark(), 7u);
    EXPECT_EQ(all.raw(field::Category).substr(0, 5), "Audio");
    EXPECT_EQ(m_table.recNo(), 5u);
}

} // namespace
