#include "db/sort_expression.h"

#include <gtest/gtest.h>

namespace {

struct SortCase {
    std::array<int, 4> levels;
    const char *expected;
};

class SortExpression : public testing::TestWithParam<SortCase> {};

TEST_P(SortExpression, Builds) {
    EXPECT_EQ(BuildSortString(GetParam().levels), GetParam().expected);
}

// Field numbers: 1 Item, 2 Brand, 5 Location, 9 Quantity (integer), 10 PurchDate (date),
// 11 Cost (float), 12 Category, 17 Owner.
INSTANTIATE_TEST_SUITE_P(
    Levels, SortExpression,
    testing::Values(SortCase{{12, 0, 0, 0}, "Upper(Left(Category,80))"},
                    SortCase{{12, 10, 0, 0}, "Upper(Left(Category,40))+DTOS(PurchDate)"},
                    SortCase{{1, 2, 5, 0},
                             "Upper(Left(Item,26))+Upper(Left(Brand,26))+Upper(Left(Location,26))"},
                    SortCase{{1, 2, 5, 17},
                             "Upper(Left(Item,20))+Upper(Left(Brand,20))+Upper(Left(Location,20))+"
                             "Upper(Left(Owner,20))"},
                    SortCase{{9, 11, 0, 0}, "STR(Quantity,12,0)+STR(Cost,12,2)"},
                    // Gaps do not matter: the levels in use are taken in order and share the width.
                    SortCase{{0, 12, 0, 1}, "Upper(Left(Category,40))+Upper(Left(Item,40))"},
                    SortCase{{-3, 0, 10, 0}, "DTOS(PurchDate)"},
                    // A number beyond the catalogue still counts for the width but adds no piece.
                    SortCase{{12, 99, 0, 0}, "Upper(Left(Category,40))"},
                    SortCase{{0, 0, 0, 0}, ""}));

} // namespace
