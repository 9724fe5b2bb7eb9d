#pragma once

#include "db/engine/field_def.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// What the data set needs from an open table. The data set works through this interface
// only, so the engine's table classes can change without touching navigation, editing and
// filtering; engine_backend.cpp adapts the engine's Table to it.
namespace dataset {

enum class OpenMode { ReadOnly, Shared, Exclusive };

// A position in one index tag. The engine takes a deleted record's keys out, but a file
// changed by another dBASE program may still hold keys of deleted records; the data set
// skips them.
class IndexCursor {
public:
    virtual ~IndexCursor() = default;
    // Each returns false when there is no such entry; the position is then undefined.
    [[nodiscard]] virtual bool first() = 0;
    [[nodiscard]] virtual bool last() = 0;
    [[nodiscard]] virtual bool next() = 0;
    [[nodiscard]] virtual bool prior() = 0;
    // The record number at the position.
    [[nodiscard]] virtual std::uint32_t recno() const = 0;
    // Positions on the entry of record `recno`, whose current bytes are `record`; false when
    // the tag holds no such entry.
    [[nodiscard]] virtual bool seekRecord(std::uint32_t recno, const char *record) = 0;
    // Entries in the tag, read from the index alone; nullopt when the index is marked as
    // left half-changed and cannot be trusted.
    [[nodiscard]] virtual std::optional<std::uint64_t> keyCount() = 0;
};

// Appends many records at once (an import): written in large pieces, with the index keys
// built in bulk at commit(), which also releases the table's write lock. A process killed
// in between leaves the table with the pieces written so far and an index its next open
// rebuilds (db/engine/bulk_append.h). Ending without commit() commits what was appended.
class BulkAppender {
public:
    virtual ~BulkAppender() = default;
    // A record buffer of recordLength() bytes; returns its record number.
    virtual std::uint32_t append(const char *record) = 0;
    virtual void commit() = 0;
};

class TableBackend {
public:
    virtual ~TableBackend() = default;

    [[nodiscard]] virtual const std::vector<db::FieldDef> &fields() const = 0;
    [[nodiscard]] virtual int recordLength() const = 0; // including the deletion flag
    [[nodiscard]] virtual int codePage() const = 0;
    [[nodiscard]] virtual std::string path() const = 0;
    // Physical records, deleted ones included.
    [[nodiscard]] virtual std::uint32_t recordCount() const = 0;
    // The bytes of a record 1..recordCount(); valid until the next call on the backend.
    [[nodiscard]] virtual const char *record(std::uint32_t recno) = 0;
    // The same bytes for a walk in record-number order: read in large blocks into a buffer
    // of the table's own, so a pass over the whole file neither makes a system call per
    // record nor keeps the file's pages resident. Valid until the next call on the backend.
    [[nodiscard]] virtual const char *sequentialRecord(std::uint32_t recno) {
        return record(recno);
    }

    // Reads between these (nested) are one long walk: the pages it maps stay mapped until it
    // ends, so a walk does not fault the same pages in again and again; its end lets them go.
    virtual void beginLongRead() = 0;
    virtual void endLongRead() = 0;

    // The plain text of a field of a record buffer in the table's code page, decoded as the
    // engine reads its type (memo text, binary numbers in decimal, dates YYYYMMDD, ...).
    [[nodiscard]] virtual std::string fieldText(const char *record, int field) = 0;

    // Why the production index was not used or was rebuilt when the table was opened (a
    // sentence naming the index), or "" (db::Table::indexProblem).
    [[nodiscard]] virtual std::string indexProblem() const = 0;
    // What else is wrong with the files that reading works around, one sentence naming the
    // file each: a missing memo file, records cut off the end.
    [[nodiscard]] virtual std::vector<std::string> damage() const = 0;

    // Changes keep every index tag current. Each returns or takes record numbers.
    [[nodiscard]] virtual std::uint32_t append(const char *record) = 0;
    virtual void update(std::uint32_t recno, const char *record) = 0;
    // Writes only while the record on disk is still `expected`; false otherwise.
    virtual bool updateIfUnchanged(std::uint32_t recno, const char *expected,
                                   const char *record) = 0;
    virtual void setDeleted(std::uint32_t recno, bool deleted) = 0;
    // Nothing else may change the table through this backend while the appender lives.
    [[nodiscard]] virtual std::unique_ptr<BulkAppender> bulkAppend() = 0;

    // Re-reads what another process may have changed; true when something did.
    virtual bool refresh() = 0;

    [[nodiscard]] virtual std::vector<std::string> tagNames() const = 0;
    // Tag names compare case-insensitively. Throw db::DbError when there is no such tag.
    [[nodiscard]] virtual std::unique_ptr<IndexCursor> openCursor(const std::string &tag) = 0;
    virtual void addTag(const std::string &tag, const std::string &expression) = 0;
    virtual void deleteTag(const std::string &tag) = 0;
    virtual void regenerateIndexes() = 0;
    // Removes deleted records for good and rebuilds the indexes; needs exclusive use.
    virtual void pack() = 0;
};

// Holds a long read of a backend for as long as it lives; movable, so a scan can carry it.
class LongRead {
public:
    explicit LongRead(TableBackend &backend) : m_backend(&backend) { backend.beginLongRead(); }
    ~LongRead() { end(); }
    LongRead(LongRead &&other) noexcept : m_backend(std::exchange(other.m_backend, nullptr)) {}
    LongRead &operator=(LongRead &&other) noexcept {
        if (this != &other) {
            end();
            m_backend = std::exchange(other.m_backend, nullptr);
        }
        return *this;
    }

private:
    void end() {
        if (m_backend)
            m_backend->endLongRead();
        m_backend = nullptr;
    }
    TableBackend *m_backend;
};

// Opens a table file through the engine. Throws db::DbError (in use elsewhere, not a table,
// damaged, no access).
[[nodiscard]] std::unique_ptr<TableBackend> openEngineTable(const std::string &path, OpenMode mode);

} // namespace dataset
