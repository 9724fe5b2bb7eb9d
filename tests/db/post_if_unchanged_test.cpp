#include "db/inventory_fixture.h"
#include "db/my_table.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

// An edit posted only while the record is as it was shown: another process's change or
// delete in between is never overwritten or undone.
class PostIfUnchanged : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_path = fixture::newInventory(m_dir);
        m_table.open(m_path);
        fixture::addItem(m_table, QStringLiteral("Lamp"), QStringLiteral("Light"));
        fixture::addItem(m_table, QStringLiteral("Desk"), QStringLiteral("Office"));
        m_table.first();
        m_loaded.assign(m_table.current().buffer(),
                        static_cast<std::size_t>(m_table.layout().recordLength()));
    }

    void elsewhere(const std::function<void(MyTable &)> &change) {
        fixture::InOtherProcess(m_path, change);
    }

    QString itemOnDisk(std::uint32_t recno) {
        MyTable reader;
        reader.open(m_path, MyTable::OpenMode::ReadOnly);
        if (!reader.gotoBookmark(recno))
            return QStringLiteral("<gone>");
        return reader.text(field::Item);
    }

    QTemporaryDir m_dir;
    QString m_path;
    MyTable m_table;
    std::string m_loaded;
};

TEST_F(PostIfUnchanged, WritesWhenNobodyChangedTheRecord) {
    m_table.edit();
    m_table.setText(field::Item, QStringLiteral("Desk lamp"));
    EXPECT_TRUE(m_table.postIfUnchanged(m_loaded));
    EXPECT_EQ(m_table.state(), MyTable::State::Browse);
    EXPECT_EQ(itemOnDisk(1), QStringLiteral("Desk lamp"));
}

TEST_F(PostIfUnchanged, AChangeElsewhereIsKeptAndTheEditWaits) {
    elsewhere([](MyTable &other) {
        other.edit();
        other.setText(field::Item, QStringLiteral("Floor lamp"));
        other.post();
    });
    m_table.edit();
    m_table.setText(field::Item, QStringLiteral("Desk lamp"));
    EXPECT_FALSE(m_table.postIfUnchanged(m_loaded));
    EXPECT_EQ(m_table.state(), MyTable::State::Edit) << "the typed values stay in the buffer";
    EXPECT_EQ(m_table.text(field::Item), QStringLiteral("Desk lamp"));
    EXPECT_EQ(itemOnDisk(1), QStringLiteral("Floor lamp"));
    m_table.cancel();
}

TEST_F(PostIfUnchanged, ADeletedRecordIsNotBroughtBack) {
    elsewhere([](MyTable &other) { other.deleteRecord(); });
    m_table.edit();
    m_table.setText(field::Item, QStringLiteral("Desk lamp"));
    EXPECT_FALSE(m_table.postIfUnchanged(m_loaded));
    m_table.cancel();
    EXPECT_EQ(itemOnDisk(1), QStringLiteral("<gone>"));
    EXPECT_EQ(itemOnDisk(2), QStringLiteral("Desk"));
}

} // namespace
