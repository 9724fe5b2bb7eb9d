#include "db/engine/dbf_bulk_writer.h"

#include "db/engine/byte_order.h"
#include "db/engine/db_error.h"

namespace db {

namespace {

// A few hundred kilobytes: few writes, and still in the processor's cache when the kernel
// copies them.
constexpr std::size_t kPieceBytes = 256 << 10;

} // namespace

DbfBulkWriter::DbfBulkWriter(const std::string &target, const std::vector<FieldDef> &fields,
                             const CreateOptions &options)
    : m_file(target) {
    for (const FieldDef &f : fields)
        if (f.type == 'M')
            throw DbError(target, "field " + f.name + ": a table written in bulk has no memos");
    DbfTable::create(m_file.stagedPath(), fields, options);
    m_file.reopen();
    {
        const DbfTable made(m_file.stagedPath(), OpenMode::ReadOnly);
        m_fields = made.fields();
        m_recordLength = made.recordLength();
        m_writeAt = made.header().headerLength;
    }
    m_pending.reserve(kPieceBytes + static_cast<std::size_t>(m_recordLength));
}

std::string DbfBulkWriter::blankRecord() const {
    // Every field this writer makes (C N F D L) is blank as spaces.
    return std::string(static_cast<std::size_t>(m_recordLength), ' ');
}

void DbfBulkWriter::append(std::string_view record) {
    if (record.size() != static_cast<std::size_t>(m_recordLength))
        throw DbError(m_file.target(), "a record of the wrong length was given");
    if (m_count == UINT32_MAX)
        throw DbError(m_file.target(), "the table cannot hold more records");
    m_pending.append(record);
    ++m_count;
    if (m_pending.size() >= kPieceBytes)
        writePending();
}

void DbfBulkWriter::writePending() {
    m_file.writeAt(m_writeAt, m_pending);
    m_writeAt += m_pending.size();
    m_pending.clear();
}

void DbfBulkWriter::commit() {
    // The end-of-file byte follows the last record, over the one the empty table ended in.
    m_pending.push_back('\x1A');
    writePending();
    unsigned char count[4];
    bytes::putLe32(count, m_count);
    m_file.writeAt(4, std::string_view(reinterpret_cast<const char *>(count), 4));
    m_file.commit();
}

} // namespace db
