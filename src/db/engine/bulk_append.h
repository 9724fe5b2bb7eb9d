#pragma once

#include "db/engine/dbf_table.h"

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace db {

class Table;

// Appends many records to a table with its production index at once (an import), at a
// fraction of the cost of one Table::insert each.
//
// The table's write lock is held from construction to commit(), and the index is marked as
// being changed (MdxFile::beginUpdate) before the first record is written. Records are
// gathered and written in large pieces, each piece and the end-of-file byte first and the
// header count after it (DbfTable::AppendBatch). A process killed in between therefore
// leaves a table that opens with every record of the pieces written so far, and an index
// whose marker makes the next open rebuild it from exactly those records: never an index
// that disagrees with its table unnoticed.
//
// Keys. The new records' keys are gathered as they come. A table that was empty has every tag
// built from them at the end (beside the old index and renamed into place,
// MdxFile::regenerateFromKeys); one that grows by more than an eighth has every tag rebuilt
// from its records (MdxFile::regenerate). Otherwise the gathered keys are sorted per tag and
// put into each tag's B-tree in key order, so consecutive inserts walk the same path of nodes.
//
// Nothing else may change the table through the same Table object while this lives.
class BulkAppend {
public:
    explicit BulkAppend(Table &table);
    // Commits what was appended when commit() was not called (a failure then stays silent:
    // the index keeps its marker and is rebuilt by the next open).
    ~BulkAppend();
    BulkAppend(const BulkAppend &) = delete;
    BulkAppend &operator=(const BulkAppend &) = delete;

    // Appends a record (record-length bytes, byte 0 the deletion flag); returns its number.
    std::uint32_t append(std::string_view record);
    // Writes what is gathered, gives the new records their keys, clears the index marker and
    // releases the lock. DbError on a write failure (the records written stay; the index
    // keeps its marker).
    void commit();

    [[nodiscard]] std::uint32_t appended() const { return m_appended; }

private:
    struct TagKeys;
    void switchToRebuild();
    void insertGatheredKeys();
    void regenerateFromGatheredKeys();

    Table &m_table;
    std::unique_ptr<DbfTable::AppendBatch> m_batch;
    std::uint32_t m_startCount = 0;
    std::uint32_t m_appended = 0;
    bool m_rebuild = false;   // every tag rebuilt from the records at the end
    bool m_fromEmpty = false; // the table was empty: every key gathered
    std::vector<TagKeys> m_keys;
    bool m_open = true;
};

} // namespace db
