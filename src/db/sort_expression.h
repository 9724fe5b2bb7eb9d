#pragma once

#include <array>
#include <string>

// The key expression of the sort index "NewIndex" from the four sort levels (primary,
// secondary, third, fourth), each a field number 1 to 22 or 0 for none. Character fields
// share 80 key characters equally between the levels in use; numbers and dates keep their
// full form. All levels 0 give the empty text, which means physical record order.
[[nodiscard]] std::string BuildSortString(const std::array<int, 4> &levels);
