#include "db/table_backend.h"

#include "db/engine/bulk_append.h"
#include "db/engine/db_error.h"
#include "db/engine/mdx_file.h"
#include "db/engine/table.h"
#include "db/engine/unique_fd.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dataset {

namespace {

db::OpenMode engineMode(OpenMode mode) {
    switch (mode) {
    case OpenMode::ReadOnly:
        return db::OpenMode::ReadOnly;
    case OpenMode::Exclusive:
        return db::OpenMode::Exclusive;
    case OpenMode::Shared:
        break;
    }
    return db::OpenMode::Shared;
}

class MdxIndexCursor : public IndexCursor {
public:
    MdxIndexCursor(db::MdxFile &file, int tag) : m_file(file), m_tag(tag), m_cursor(file, tag) {}
    bool first() override { return m_cursor.first(); }
    bool last() override { return m_cursor.last(); }
    bool next() override { return m_cursor.next(); }
    bool prior() override { return m_cursor.prior(); }
    [[nodiscard]] std::uint32_t recno() const override { return m_cursor.recno(); }
    bool seekRecord(std::uint32_t recno, const char *record) override {
        return m_cursor.findRecord(recno, record);
    }
    [[nodiscard]] std::optional<std::uint64_t> keyCount() override {
        if (m_file.needsRegeneration())
            return std::nullopt;
        return m_file.count(m_tag);
    }

private:
    db::MdxFile &m_file;
    int m_tag;
    db::MdxCursor m_cursor;
};

// A read-only view of the table file in memory. The viewer and index-order walks read
// records in the order of the index, which is random in the file; a mapping serves those
// reads from the page cache without a system call or a copy each. Writes made through the
// table (pwrite) are visible here at once; a file that grew is mapped again on demand, and a
// file replaced by pack is mapped again from its new inode.
//
// Mapped pages that were read count as the process's resident memory for as long as they
// stay mapped, and a walk in index order touches the whole file. So the map lets its pages
// go (the page cache keeps them; the next read maps them again without reading the disk)
// whenever the reads since the last time may have made more than kResidentLimit resident.
// The kernel maps up to kFaultAround bytes around each page it faults in, so every read
// outside the window of the previous one is counted as that much.
class FileMap {
public:
    explicit FileMap(std::string path) : m_path(std::move(path)) { remap(); }
    ~FileMap() { unmap(); }
    FileMap(const FileMap &) = delete;
    FileMap &operator=(const FileMap &) = delete;

    // The bytes at [offset, offset + length), or nullptr when the file is shorter. Valid
    // until the next call.
    const char *at(std::uint64_t offset, std::size_t length) {
        if (offset + length > m_size) {
            grow();
            if (offset + length > m_size)
                return nullptr;
        }
        const std::uint64_t first = offset / kFaultAround;
        const std::uint64_t last = (offset + length - 1) / kFaultAround;
        if (first != m_lastWindow) {
            m_residentGuess += (last - first + 1) * kFaultAround;
            m_lastWindow = last;
            if (m_residentGuess > kResidentLimit && m_longReads == 0)
                dropPages();
        }
        return static_cast<const char *>(m_data) + offset;
    }

    void beginLongRead() { ++m_longReads; }
    void endLongRead() {
        if (m_longReads > 0 && --m_longReads == 0 && m_residentGuess > kResidentLimit)
            dropPages();
    }

    // Lets every mapped page go from the process's resident memory.
    void dropPages() {
        if (m_data)
            ::madvise(m_data, static_cast<std::size_t>(m_mapped), MADV_DONTNEED);
        m_residentGuess = 0;
        m_lastWindow = ~std::uint64_t{0};
    }

    // Maps the file again when another file has taken its name.
    void checkReplaced() {
        struct stat byName {};
        if (::stat(m_path.c_str(), &byName) == 0 &&
            (byName.st_ino != m_inode || byName.st_dev != m_device))
            remap();
    }

    // The file grew (appends): the mapping reserves room beyond the end, so only the size
    // known to be readable changes until the room is used up.
    void grow() {
        struct stat st {};
        if (m_fd.valid() && ::fstat(m_fd.get(), &st) == 0 &&
            static_cast<std::uint64_t>(st.st_size) <= m_mapped) {
            m_size = static_cast<std::uint64_t>(st.st_size);
            return;
        }
        remap();
    }

    void remap() {
        unmap();
        m_fd.reset(::open(m_path.c_str(), O_RDONLY | O_CLOEXEC));
        if (!m_fd.valid())
            return;
        struct stat st {};
        if (::fstat(m_fd.get(), &st) != 0 || st.st_size <= 0) {
            unmap();
            return;
        }
        m_inode = st.st_ino;
        m_device = st.st_dev;
        constexpr std::uint64_t kRoom = 64ull << 20;
        const std::uint64_t length = static_cast<std::uint64_t>(st.st_size) + kRoom;
        void *p =
            ::mmap(nullptr, static_cast<std::size_t>(length), PROT_READ, MAP_SHARED, m_fd.get(), 0);
        if (p == MAP_FAILED) {
            unmap();
            return;
        }
        m_data = p;
        m_mapped = length;
        m_size = static_cast<std::uint64_t>(st.st_size);
    }

private:
    static constexpr std::uint64_t kFaultAround = 64 * 1024;
    static constexpr std::uint64_t kResidentLimit = 48ull << 20;

    void unmap() {
        m_residentGuess = 0;
        m_lastWindow = ~std::uint64_t{0};
        if (m_data)
            ::munmap(m_data, static_cast<std::size_t>(m_mapped));
        m_fd.reset();
        m_data = nullptr;
        m_size = 0;
        m_mapped = 0;
    }

    std::string m_path;
    db::UniqueFd m_fd;
    void *m_data = nullptr;
    std::uint64_t m_size = 0;   // bytes of the file that may be read
    std::uint64_t m_mapped = 0; // bytes of address space mapped
    ino_t m_inode = 0;
    dev_t m_device = 0;
    std::uint64_t m_residentGuess = 0; // bytes the reads since the last drop may have mapped
    std::uint64_t m_lastWindow = ~std::uint64_t{0};
    int m_longReads = 0;
};

class EngineBulkAppender : public BulkAppender {
public:
    explicit EngineBulkAppender(db::Table &table)
        : m_length(static_cast<std::size_t>(table.dbf().recordLength())), m_bulk(table) {}
    std::uint32_t append(const char *record) override { return m_bulk.append({record, m_length}); }
    void commit() override { m_bulk.commit(); }

private:
    std::size_t m_length;
    db::BulkAppend m_bulk;
};

// The data set's view of the engine's table with its production index (db::Table does the
// change ordering, locking and crash safety); random reads come from the file map.
class EngineTable : public TableBackend {
public:
    EngineTable(const std::string &path, OpenMode mode)
        : m_table(path, engineMode(mode)), m_map(m_table.path()) {}

    [[nodiscard]] const std::vector<db::FieldDef> &fields() const override {
        return m_table.dbf().fields();
    }
    [[nodiscard]] int recordLength() const override { return m_table.dbf().recordLength(); }
    [[nodiscard]] int codePage() const override { return m_table.dbf().codePage().number(); }
    [[nodiscard]] std::string path() const override { return m_table.path(); }
    [[nodiscard]] std::uint32_t recordCount() const override { return m_table.recordCount(); }
    [[nodiscard]] const char *record(std::uint32_t recno) override {
        if (recno >= 1 && recno <= m_table.recordCount()) {
            const std::size_t len = static_cast<std::size_t>(recordLength());
            const std::uint64_t offset =
                m_table.dbf().header().headerLength + static_cast<std::uint64_t>(recno - 1) * len;
            if (const char *p = m_map.at(offset, len))
                return p;
        }
        return m_table.record(recno).data(); // checks the number, reads what the map cannot
    }
    [[nodiscard]] const char *sequentialRecord(std::uint32_t recno) override {
        return m_table.record(recno).data(); // the table's block cache
    }
    void beginLongRead() override { m_map.beginLongRead(); }
    void endLongRead() override { m_map.endLongRead(); }
    [[nodiscard]] std::string fieldText(const char *record, int field) override {
        return m_table.dbf().text(bytes(record), field);
    }
    [[nodiscard]] std::string indexProblem() const override { return m_table.indexProblem(); }
    [[nodiscard]] std::vector<std::string> damage() const override {
        std::vector<std::string> found;
        const db::DbfTable &dbf = m_table.dbf();
        if (dbf.memoFileMissing())
            found.push_back(
                dbf.path() +
                ": the memo file of the table is missing; its memo fields read as empty");
        if (dbf.countExceedsFile())
            found.push_back(dbf.path() + ": the header counts " +
                            std::to_string(dbf.header().recordCount) + " records; the file holds " +
                            std::to_string(dbf.recordCount()) + " (its end was cut off)");
        return found;
    }

    std::uint32_t append(const char *record) override { return m_table.insert(bytes(record)); }
    void update(std::uint32_t recno, const char *record) override {
        m_table.update(recno, bytes(record));
    }
    bool updateIfUnchanged(std::uint32_t recno, const char *expected, const char *record) override {
        return m_table.updateIfUnchanged(recno, bytes(expected), bytes(record));
    }
    void setDeleted(std::uint32_t recno, bool deleted) override {
        if (deleted)
            m_table.remove(recno);
        else
            m_table.recall(recno);
    }

    [[nodiscard]] std::unique_ptr<BulkAppender> bulkAppend() override {
        return std::make_unique<EngineBulkAppender>(m_table);
    }

    bool refresh() override {
        const bool changed = m_table.refresh();
        m_map.checkReplaced();
        return changed;
    }

    [[nodiscard]] std::vector<std::string> tagNames() const override {
        std::vector<std::string> names;
        if (const db::MdxFile *mdx = index())
            for (const db::MdxTagInfo &t : mdx->tags())
                names.push_back(t.name);
        return names;
    }

    [[nodiscard]] std::unique_ptr<IndexCursor> openCursor(const std::string &tag) override {
        db::MdxFile *mdx = m_table.index();
        const int i = mdx ? mdx->findTag(tag) : -1;
        if (i < 0)
            throw db::DbError(m_table.path(), "there is no index tag " + tag);
        return std::make_unique<MdxIndexCursor>(*mdx, i);
    }

    void addTag(const std::string &tag, const std::string &expression) override {
        m_table.addTag(tag, expression);
    }
    void deleteTag(const std::string &tag) override {
        const db::MdxFile *mdx = index();
        if (!mdx || mdx->findTag(tag) < 0)
            throw db::DbError(m_table.path(), "there is no index tag " + tag);
        m_table.deleteTag(tag);
    }
    void regenerateIndexes() override { m_table.regenerateIndexes(); }

    void pack() override {
        m_table.pack();
        m_map.remap(); // the packed file is a new one under the old name
    }

private:
    [[nodiscard]] std::string_view bytes(const char *record) const {
        return {record, static_cast<std::size_t>(recordLength())};
    }
    [[nodiscard]] const db::MdxFile *index() const { return m_table.index(); }

    db::Table m_table;
    FileMap m_map;
};

} // namespace

std::unique_ptr<TableBackend> openEngineTable(const std::string &path, OpenMode mode) {
    return std::make_unique<EngineTable>(path, mode);
}

} // namespace dataset
