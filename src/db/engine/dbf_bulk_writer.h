#pragma once

#include "db/engine/dbf_table.h"
#include "db/engine/field_def.h"
#include "db/engine/staged_file.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace db {

// Writes a new table without index or memo fields from records given in order: a table
// that nobody else has open while it is made (an export), so there is no lock, no count
// written per piece and no per-record system call. Records are gathered and written in
// large pieces to a file beside the target, which commit() renames into place with its
// header count set; until then an existing table of that name stays untouched, and a writer
// given up without commit leaves nothing behind.
class DbfBulkWriter {
public:
    // The table's header and fields come from DbfTable::create, so every table this
    // engine makes is laid out alike. Throws DbError (a field the writer cannot make, no
    // room in the directory).
    DbfBulkWriter(const std::string &target, const std::vector<FieldDef> &fields,
                  const CreateOptions &options = {});

    // The fields with their offsets in a record buffer (byte 0 the deletion flag).
    [[nodiscard]] const std::vector<FieldDef> &fields() const { return m_fields; }
    [[nodiscard]] int recordLength() const { return m_recordLength; }
    // A live record with every field blank.
    [[nodiscard]] std::string blankRecord() const;
    [[nodiscard]] std::uint32_t recordCount() const { return m_count; }

    // Adds a record of recordLength() bytes; DbError on a wrong length or a failed write.
    void append(std::string_view record);
    // Writes what is gathered, the end-of-file byte and the record count, and puts the
    // table in place of the target.
    void commit();

private:
    void writePending();

    StagedFile m_file;
    std::vector<FieldDef> m_fields;
    int m_recordLength = 0;
    std::uint64_t m_writeAt = 0; // where the gathered records go
    std::uint32_t m_count = 0;
    std::string m_pending;
};

} // namespace db
