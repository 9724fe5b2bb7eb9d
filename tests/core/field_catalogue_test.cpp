#include "core/field_catalogue.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

TEST(FieldCatalogue, NumbersKeysAndLookupAgree) {
    std::set<std::string> keys;
    for (int n = 1; n <= kFieldCount; ++n) {
        const CatalogueField *f = catalogueField(n);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->number, n);
        EXPECT_LE(f->key.size(), 10u) << "dBASE field names hold at most 10 characters";
        keys.insert(std::string(f->key));
        if (f->createdAs == FieldCreatedAs::Character) {
            EXPECT_EQ(f->width, f->entryLength);
        }
    }
    EXPECT_EQ(keys.size(), static_cast<size_t>(kFieldCount));
    EXPECT_EQ(catalogueField(0), nullptr);
    EXPECT_EQ(catalogueField(23), nullptr);
    EXPECT_EQ(catalogueField(12)->key, "Category");
}
