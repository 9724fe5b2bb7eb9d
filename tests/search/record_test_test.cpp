#include "db/inventory_fixture.h"
#include "search/level_options.h"
#include "search/record_test.h"
#include "settings/date_format.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <random>

namespace {

using namespace search;

constexpr int kBrand = field::Brand + 1;
constexpr int kLocation = field::Location + 1;
constexpr int kCost = field::Cost + 1;
constexpr int kPurchDate = field::PurchDate + 1;

struct Item {
    QString item, brand, location;
    QString cost;    // as typed, blank for none
    QDate purchased; // null for none
};

class RecordTestTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        ResetDateFormat();
        ASSERT_TRUE(ApplyDateFormat(7, true));
        m_path = fixture::newInventory(m_dir);
    }
    void TearDown() override { ResetDateFormat(); }

    void fill(const std::vector<Item> &items) {
        m_table.open(m_path, MyTable::OpenMode::Exclusive);
        for (const Item &i : items) {
            m_table.insert();
            m_table.setText(field::Item, i.item);
            m_table.setText(field::Brand, i.brand);
            m_table.setText(field::Location, i.location);
            m_table.setText(field::Cost, i.cost);
            m_table.setDate(field::PurchDate, i.purchased);
            m_table.post();
        }
        fixture::reopenSorted(m_table, m_path, QStringLiteral("Upper(Left(Item,80))"));
    }

    // The items of the records the test accepts, in sort order, through the data set.
    QStringList matching(const std::vector<LevelSpec> &levels) {
        const BuiltSearch built = BuildSearch(levels);
        EXPECT_TRUE(built.test.has_value()) << built.failure.message().toStdString();
        if (!built.test)
            return {};
        m_table.setFilter([t = *built.test](const RecordView &r) { return t.matches(r); });
        m_table.setFiltered(true);
        QStringList out;
        for (MyTable::Scanner s = m_table.scanner(); s.next();)
            out << s.view().text(field::Item);
        EXPECT_EQ(m_table.recordCount(), out.size());
        m_table.setFiltered(false);
        return out;
    }

    QTemporaryDir m_dir;
    QString m_path;
    MyTable m_table;
};

TEST_F(RecordTestTest, ThreeLettersMatchAnywhereInAnyCase) {
    fill({{"a", "Sony", "", "", {}},
          {"b", "JOHNSON", "", "", {}},
          {"c", "panasonic", "", "", {}},
          {"d", "Sanyo", "", "", {}},
          {"e", "", "", "", {}},
          {"f", QStringLiteral("Müller SON"), "", "", {}},
          {"g", QStringLiteral("Smörgås"), "", "", {}}});
    EXPECT_EQ(matching({{{kBrand, "sOn"}}}), (QStringList{"a", "b", "c", "f"}));
    // Text outside ASCII is compared upper-cased character by character, as decoded.
    EXPECT_EQ(matching({{{kBrand, QStringLiteral("mÜl")}}}), QStringList{"f"});
    EXPECT_EQ(matching({{{kBrand, QStringLiteral("RGÅS")}}}), QStringList{"g"});
}

TEST_F(RecordTestTest, ARangeExcludesBothEndsAndEmptyNumbersCountAsZero) {
    fill({{"a", "", "", "100", {}},
          {"b", "", "", "100.01", {}},
          {"c", "", "", "499.99", {}},
          {"d", "", "", "500", {}},
          {"e", "", "", "", {}},
          {"f", "", "", "-5", {}}});
    EXPECT_EQ(matching({{{kCost, "> 100 AND < 500"}}}), (QStringList{"b", "c"}));
    EXPECT_EQ(matching({{{kCost, "= 100"}}}), QStringList{"a"});
    EXPECT_EQ(matching({{{kCost, "< 1"}}}), (QStringList{"e", "f"}));
    EXPECT_EQ(matching({{{kCost, "= 0"}}}), QStringList{"e"});
}

TEST_F(RecordTestTest, LessThanADateMatchesRecordsWithoutADate) {
    fill({{"a", "", "", "", QDate(1995, 12, 30)},
          {"b", "", "", "", QDate(1995, 12, 31)},
          {"c", "", "", "", {}},
          {"d", "", "", "", QDate(2001, 1, 1)}});
    EXPECT_EQ(matching({{{kPurchDate, "< 12/31/1995"}}}), (QStringList{"a", "c"}));
    EXPECT_EQ(matching({{{kPurchDate, "> 12/31/1995"}}}), QStringList{"d"});
    EXPECT_EQ(matching({{{kPurchDate, "= 12/31/1995"}}}), QStringList{"b"});
    EXPECT_EQ(matching({{{kPurchDate, "> 12/30/1995 AND < 01/01/2001"}}}), QStringList{"b"});
}

TEST_F(RecordTestTest, LevelsAreOredAndCriteriaWithinALevelAnded) {
    fill({{"a", "Sony", "Kitchen", "150", {}},
          {"b", "Sony", "Garage", "150", {}},
          {"c", "Bosch", "Kitchen", "50", {}},
          {"d", "Bosch", "Garage", "50", {}},
          {"e", "Sony", "Kitchen", "50", {}}});
    EXPECT_EQ(matching({{{kBrand, "sony"}, {kCost, "> 100"}}}), (QStringList{"a", "b"}));
    EXPECT_EQ(matching({{{kBrand, "sony"}, {kCost, "> 100"}}, {{kLocation, "kitch"}}}),
              (QStringList{"a", "b", "c", "e"}));
    EXPECT_EQ(matching({{{kBrand, "bosch"}}, {{kLocation, "garage"}, {kCost, "> 100"}}}),
              (QStringList{"b", "c", "d"}));

    // With no items nothing matches.
    EXPECT_FALSE(RecordTest().matches(m_table.current()));
}

// The record test agrees with a plain evaluation of the same criteria over every record of a
// generated inventory, for many random searches.
TEST_F(RecordTestTest, AgreesWithAPlainLoopOverGeneratedRecords) {
    m_table.open(m_path, MyTable::OpenMode::Exclusive);
    fixture::addGenerated(m_table, 1500, 7);
    fixture::reopenSorted(m_table, m_path, QStringLiteral("Upper(Left(Category,80))"));

    std::mt19937 random(42);
    const char *fragments[] = {"a", "on", "KIT", "er", "x", "Room", "1", "e"};
    const int charFields[] = {field::Item,     field::Brand,      field::Location,
                              field::Category, field::Descriptio, field::Owner};
    const int numberFields[] = {field::Cost, field::Value, field::Quantity, field::RepCost};
    for (int round = 0; round < 40; ++round) {
        std::vector<LevelSpec> levels(1 + random() % 3);
        struct Check {
            int field = 0;
            int kind = 0; // 0 contains, 1 >, 2 <, 3 range
            QString text;
            double a = 0, b = 0;
        };
        std::vector<std::vector<Check>> checks(levels.size());
        for (std::size_t l = 0; l < levels.size(); ++l) {
            const int n = 1 + static_cast<int>(random() % 2);
            std::vector<int> used;
            for (int i = 0; i < n; ++i) {
                Check c;
                if (random() % 2) {
                    c.field = charFields[random() % 6];
                    c.text = QString::fromLatin1(fragments[random() % 8]);
                } else {
                    c.field = numberFields[random() % 4];
                    c.kind = 1 + static_cast<int>(random() % 3);
                    c.a = static_cast<double>(random() % 800);
                    c.b = c.a + static_cast<double>(random() % 600);
                }
                if (std::find(used.begin(), used.end(), c.field) != used.end())
                    continue;
                used.push_back(c.field);
                QString text = c.text;
                if (c.kind == 1)
                    text = QStringLiteral("> %1").arg(c.a);
                else if (c.kind == 2)
                    text = QStringLiteral("< %1").arg(c.a);
                else if (c.kind == 3)
                    text = QStringLiteral("> %1 AND < %2").arg(c.a).arg(c.b);
                levels[l].push_back({c.field + 1, text});
                checks[l].push_back(c);
            }
        }
        QStringList expected;
        m_table.setFiltered(false);
        for (MyTable::Scanner s = m_table.scanner(); s.next();) {
            const RecordView v = s.view();
            bool any = false;
            for (const std::vector<Check> &level : checks) {
                bool all = true;
                for (const Check &c : level) {
                    if (c.kind == 0) {
                        all = all && v.text(c.field).toUpper().contains(c.text.toUpper());
                    } else {
                        const double x = v.number(c.field);
                        all = all && (c.kind == 1   ? x > c.a
                                      : c.kind == 2 ? x < c.a
                                                    : x > c.a && x < c.b);
                    }
                }
                any = any || all;
            }
            if (any)
                expected << v.text(field::Item) + QString::number(s.bookmark());
        }
        const BuiltSearch built = BuildSearch(levels);
        ASSERT_TRUE(built.test.has_value());
        m_table.setFilter([t = *built.test](const RecordView &r) { return t.matches(r); });
        m_table.setFiltered(true);
        QStringList got;
        for (MyTable::Scanner s = m_table.scanner(); s.next();)
            got << s.view().text(field::Item) + QString::number(s.bookmark());
        QString described;
        for (const LevelSpec &l : levels) {
            described += QStringLiteral(" | ");
            for (const LevelCriterion &c : l)
                described += QString::number(c.fieldNumber) + u':' + c.text + u' ';
        }
        ASSERT_EQ(got, expected) << "round " << round << described.toStdString();
    }
}

} // namespace
