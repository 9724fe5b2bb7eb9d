#include "db/inventory_generator.h"

#include "db/engine/db_error.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QString>

#include <set>

namespace {

std::vector<InventoryRecord> generate(std::uint64_t count, std::uint64_t seed) {
    std::vector<InventoryRecord> out;
    GenerateInventory(count, seed, [&](const InventoryRecord &r) { out.push_back(r); });
    return out;
}

TEST(InventoryGenerator, SameSeedSameRecordsOtherSeedOthers) {
    const auto a = generate(300, 7);
    EXPECT_EQ(a, generate(300, 7));
    EXPECT_NE(a, generate(300, 8));
}

TEST(InventoryGenerator, TextsFitTheirFieldsAndParse) {
    std::set<std::string> categories;
    int withWarranty = 0;
    for (const InventoryRecord &r : generate(2500, 42)) {
        for (const CatalogueField &f : kCatalogue) {
            const std::string &text = r[static_cast<std::size_t>(f.number - 1)];
            SCOPED_TRACE(std::string(f.key) + "=" + text);
            for (char c : text)
                ASSERT_TRUE(c >= 0x20 && c < 0x7F);
            switch (f.createdAs) {
            case FieldCreatedAs::Character:
                ASSERT_LE(text.size(), static_cast<std::size_t>(f.width));
                break;
            case FieldCreatedAs::Integer: {
                bool ok = false;
                const int q = QString::fromStdString(text).toInt(&ok);
                ASSERT_TRUE(ok);
                ASSERT_GE(q, 1);
                break;
            }
            case FieldCreatedAs::Float: {
                bool ok = false;
                QString::fromStdString(text).toDouble(&ok);
                ASSERT_TRUE(ok);
                ASSERT_EQ(text.find('.'), text.size() - 3);
                break;
            }
            case FieldCreatedAs::Date:
                if (!text.empty()) {
                    const QDate d = QDate::fromString(QString::fromStdString(text), u"yyyyMMdd");
                    ASSERT_TRUE(d.isValid());
                    if (f.number == 10) {
                        ASSERT_GE(d.year(), 1980);
                        ASSERT_LE(d.year(), 2026);
                    }
                }
                break;
            }
        }
        const std::string &warranty = r[field::Warranty];
        ASSERT_TRUE(warranty == "Yes" || warranty == "No");
        ASSERT_EQ(warranty == "Yes", !r[field::WarDate].empty());
        withWarranty += warranty == "Yes";
        ASSERT_FALSE(r[field::Item].empty());
        categories.insert(r[field::Category]);
    }
    EXPECT_GE(categories.size(), 25u);
    EXPECT_GT(withWarranty, 50);
    EXPECT_LT(withWarranty, 2000);
}

TEST(InventoryGenerator, FieldTextsTakeTheirStoredForm) {
    // Each field between two marks, so a write past its width shows.
    const auto stored = [](char type, int length, int decimals, const std::string &text) {
        std::string record(static_cast<std::size_t>(length) + 2, '|');
        StoreGeneratedField({"F", type, length, decimals, 1}, text, record.data());
        return record;
    };
    EXPECT_EQ(stored('N', 10, 2, "1249.99"), "|   1249.99|");
    EXPECT_EQ(stored('N', 10, 2, "3"), "|      3.00|") << "decimals filled up";
    EXPECT_EQ(stored('N', 10, 2, "3.5"), "|      3.50|");
    EXPECT_EQ(stored('F', 8, 1, "12.345"), "|    12.3|") << "extra decimals cut";
    EXPECT_EQ(stored('N', 5, 0, "42"), "|   42|");
    EXPECT_EQ(stored('N', 5, 2, ""), "|     |") << "no amount stays blank";
    EXPECT_EQ(stored('N', 4, 0, "1234"), "|1234|");
    EXPECT_THROW(stored('N', 6, 2, "1249.99"), db::DbError) << "never a cut amount";
    EXPECT_THROW(stored('N', 3, 0, "1234"), db::DbError);
    EXPECT_EQ(stored('C', 6, 0, "Lamp"), "|Lamp  |");
    EXPECT_EQ(stored('C', 3, 0, "Lamp"), "|Lam|") << "text cut to the width";
    EXPECT_EQ(stored('D', 8, 0, ""), "|        |");
}

} // namespace
