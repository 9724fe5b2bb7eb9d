#include "views/locate.h"

#include "db/inventory_file.h"
#include "db/inventory_fixture.h"
#include "db/my_table.h"
#include "support/scripted_prompter.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace {

class LocateFind : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_path = fixture::newInventory(m_dir);
        m_table.open(m_path, MyTable::OpenMode::Exclusive);
        add("Pan", "Kitchen", "1250");
        add("Lamp", "Den", "1250.5");
        add("Kettle", "kitchen", "30");
        add("Saw", "Garage", "1250");
        fixture::reopenSorted(m_table, m_path, QStringLiteral("Upper(Left(Item,80))"));
        // Kettle, Lamp, Pan, Saw
    }

    void add(const char *item, const char *location, const char *cost) {
        m_table.insert();
        m_table.setText(field::Item, QString::fromLatin1(item));
        m_table.setText(field::Location, QString::fromLatin1(location));
        m_table.setText(field::Cost, QString::fromLatin1(cost));
        m_table.post();
    }

    bool find(bool first, const char *field, const char *value, TMyLocateMatchType type,
              bool caseSensitive = false) {
        return locate::FindValue(first, m_table, QString::fromLatin1(field), caseSensitive, type,
                                 QString::fromLatin1(value), m_prompter);
    }
    QString item() const { return m_table.text(field::Item); }

    QTemporaryDir m_dir;
    QString m_path;
    MyTable m_table;
    ScriptedPrompter m_prompter;
};

constexpr auto Exact = TMyLocateMatchType::mtExactMatch;
constexpr auto Start = TMyLocateMatchType::mtPartialMatchStart;

TEST_F(LocateFind, FirstAndNextFollowTheSortOrder) {
    ASSERT_TRUE(find(true, "Location", "kit", Start));
    EXPECT_EQ(item(), QStringLiteral("Kettle"));
    ASSERT_TRUE(find(false, "Location", "kit", Start));
    EXPECT_EQ(item(), QStringLiteral("Pan"));
    EXPECT_FALSE(find(false, "Location", "kit", Start)) << "Pan is the last match";
    EXPECT_EQ(item(), QStringLiteral("Pan")) << "the current record stays";
}

TEST_F(LocateFind, CaseSensitiveSkipsOtherCase) {
    m_table.last();
    ASSERT_TRUE(find(true, "Location", "Kit", Start, true));
    EXPECT_EQ(item(), QStringLiteral("Pan")) << "Kettle's kitchen is skipped";
    EXPECT_FALSE(find(false, "Location", "Kit", Start, true));
    EXPECT_EQ(item(), QStringLiteral("Pan"));
    ASSERT_TRUE(find(true, "Location", "kit", Start, true));
    EXPECT_EQ(item(), QStringLiteral("Kettle"));
    EXPECT_FALSE(find(false, "Location", "kit", Start, true));
}

TEST_F(LocateFind, ExactCostByValue) {
    ASSERT_TRUE(find(true, "COST", "1250", Exact));
    EXPECT_EQ(item(), QStringLiteral("Pan")) << "1250.00 equals 1250; 1250.50 does not";
    ASSERT_TRUE(find(false, "Cost", "1250.00", Exact));
    EXPECT_EQ(item(), QStringLiteral("Saw"));
    EXPECT_FALSE(find(false, "Cost", "1250", Exact));
}

TEST_F(LocateFind, FromFirstTestsTheFirstRecordToo) {
    m_table.last();
    ASSERT_TRUE(find(true, "Item", "Kettle", Exact));
    EXPECT_EQ(item(), QStringLiteral("Kettle"));
    EXPECT_FALSE(find(false, "Item", "Kettle", Exact));
}

TEST_F(LocateFind, AnUnknownFieldWarns) {
    EXPECT_FALSE(find(true, "Colour", "red", Exact));
    ASSERT_EQ(m_prompter.asked.size(), 1u);
    EXPECT_EQ(m_prompter.asked[0].title, QStringLiteral("Warning"));
    EXPECT_EQ(m_prompter.asked[0].text, QStringLiteral("Field Colour not found."));
}

TEST_F(LocateFind, APendingEditIsPostedFirst) {
    m_table.first();
    m_table.edit();
    m_table.setText(field::Location, QStringLiteral("Kitchenette"));
    ASSERT_TRUE(find(true, "Location", "kitchenette", Exact));
    EXPECT_EQ(m_table.state(), MyTable::State::Browse);
    EXPECT_EQ(item(), QStringLiteral("Kettle"));
}

} // namespace
