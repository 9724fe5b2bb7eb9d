#pragma once

#include <string>

namespace db {

class DbfTable;
class MdxFile;

// Whether a production index belongs to its table and can agree with it, judged from what
// is cheap to learn on every open: the table its header names, and for each tag the number
// of keys and the highest record number a key names (one walk of the tag's nodes, which the
// data set's record count takes anyway; cached by the index). A tag may name records up to
// the header's count or the records the file holds, whichever is more: keys of records cut
// off the table's end are the table's damage, not the index's.
//
// Returns why the index does not fit (a clause such as "it was made for the table OTHER"),
// or "" when nothing cheap shows a fault. Damage the walk meets (loops, pointers out of the
// file) is such a reason too. A full check against the records is MdxFile::verifyAgainst.
[[nodiscard]] std::string IndexDisagreement(MdxFile &index, const DbfTable &table);

} // namespace db
