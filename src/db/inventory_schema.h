#pragma once

#include "core/field_catalogue.h"
#include "db/engine/field_def.h"

#include <string_view>
#include <vector>

namespace db {

// The dBASE representations of the field kinds that tables are created with. Integer,
// floating-point and date fields come without a size; these choices hold every value the
// record editor accepts without loss and are read by every dBASE-family tool:
//  - integer:        N(11,0)  every 32-bit integer, sign included;
//  - floating-point: N(20,4)  amounts of up to 15 integer digits with 4 decimals; the editor
//                    takes 2 decimals and about 12 digits, imports may bring more decimals.
//                    N rather than F: dBASE III readers know no F, and both store the same text;
//  - date:           D(8)     YYYYMMDD, blank as 8 spaces;
//  - character:      C(width).
inline constexpr int kIntegerWidth = 11;
inline constexpr int kFloatWidth = 20;
inline constexpr int kFloatDecimals = 4;

// The field definition for one field as it is to be created (offset left 0; create() sets
// it). Throws DbError for a character field without a width of 1 to 254.
[[nodiscard]] FieldDef fieldDefFor(std::string_view name, FieldCreatedAs kind, int width = 0);

// The 22 fields of an inventory file in catalogue order.
[[nodiscard]] std::vector<FieldDef> inventoryFieldDefs();

} // namespace db
