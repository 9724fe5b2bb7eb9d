#pragma once

#include <string>

namespace db {

// One field of a table as its descriptor gives it. `offset` counts from the start of the
// record buffer, whose byte 0 is the deletion flag, so the first field has offset 1.
struct FieldDef {
    std::string name; // as stored, without the terminating zero bytes
    char type = 'C';  // the dBASE type letter: C N F D L M I B @ + O Y T G P V W 0 ...
    int length = 0;
    int decimals = 0;
    int offset = 0;
};

} // namespace db
