#include "db/table_backend.h"

#include "db/engine/db_error.h"
#include "db/engine/dbf_table.h"
#include "db/engine/file_names.h"
#include "db/engine/mdx_file.h"

#include <cstdio>
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

bool fileExists(const std::string &path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

class MdxIndexCursor : public IndexCursor {
public:
    MdxIndexCursor(db::MdxFile &file, int tag) : m_cursor(file, tag) {}
    bool first() override { return m_cursor.first(); }
    bool last() override { return m_cursor.last(); }
    bool next() override { return m_cursor.next(); }
    bool prior() override { return m_cursor.prior(); }
    [[nodiscard]] std::uint32_t recno() const override { return m_cursor.recno(); }
    bool seekRecord(std::uint32_t recno, const char *record) override {
        return m_cursor.findRecord(recno, record);
    }

private:
    db::MdxCursor m_cursor;
};

// A read-only view of the table file in memory. The viewer and index-order walks read
// records in the order of the index, which is random in the file; a mapping serves those
// reads from the page cache without a system call or a copy each. Writes made through the
// table (pwrite) are visible here at once; a file that grew is mapped again on demand, and a
// file replaced by pack is mapped again from its new inode.
class FileMap {
public:
    explicit FileMap(std::string path) : m_path(std::move(path)) { remap(); }
    ~FileMap() { unmap(); }
    FileMap(const FileMap &) = delete;
    FileMap &operator=(const FileMap &) = delete;

    // The bytes at [offset, offset + length), or nullptr when the file is shorter.
    const char *at(std::uint64_t offset, std::size_t length) {
        if (offset + length > m_size) {
            grow();
            if (offset + length > m_size)
                return nullptr;
        }
        return static_cast<const char *>(m_data) + offset;
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
        if (m_fd >= 0 && ::fstat(m_fd, &st) == 0 &&
            static_cast<std::uint64_t>(st.st_size) <= m_mapped) {
            m_size = static_cast<std::uint64_t>(st.st_size);
            return;
        }
        remap();
    }

    void remap() {
        unmap();
        m_fd = ::open(m_path.c_str(), O_RDONLY | O_CLOEXEC);
        if (m_fd < 0)
            return;
        struct stat st {};
        if (::fstat(m_fd, &st) != 0 || st.st_size <= 0) {
            unmap();
            return;
        }
        m_inode = st.st_ino;
        m_device = st.st_dev;
        constexpr std::uint64_t kRoom = 64ull << 20;
        const std::uint64_t length = static_cast<std::uint64_t>(st.st_size) + kRoom;
        void *p = ::mmap(nullptr, static_cast<std::size_t>(length), PROT_READ, MAP_SHARED, m_fd, 0);
        if (p == MAP_FAILED) {
            unmap();
            return;
        }
        m_data = p;
        m_mapped = length;
        m_size = static_cast<std::uint64_t>(st.st_size);
    }

private:
    void unmap() {
        if (m_data)
            ::munmap(m_data, static_cast<std::size_t>(m_mapped));
        if (m_fd >= 0)
            ::close(m_fd);
        m_data = nullptr;
        m_size = 0;
        m_mapped = 0;
        m_fd = -1;
    }

    std::string m_path;
    int m_fd = -1;
    void *m_data = nullptr;
    std::uint64_t m_size = 0;   // bytes of the file that may be read
    std::uint64_t m_mapped = 0; // bytes of address space mapped
    ino_t m_inode = 0;
    dev_t m_device = 0;
};

// A table with its production index: every change to a record changes its keys in every
// tag under the table's write lock, inside one update window of the index, so a process
// killed half-way leaves an index that is known to need rebuilding.
class EngineTable : public TableBackend {
public:
    EngineTable(const std::string &path, OpenMode mode)
        : m_table(path, engineMode(mode)), m_mode(mode), m_map(m_table.path()) {
        if (m_table.productionIndexFlag()) {
            const std::string mdxPath = db::companionPath(m_table.path(), ".MDX");
            if (!fileExists(mdxPath))
                throw db::DbError(m_table.path(),
                                  "the production index " + mdxPath + " is missing");
            m_mdx = db::MdxFile::open(mdxPath, m_table.fields(), m_table.header().languageDriver,
                                      mode == OpenMode::ReadOnly ? db::MdxFile::Access::ReadOnly
                                                                 : db::MdxFile::Access::ReadWrite);
            if (m_mdx->needsRegeneration() && mode != OpenMode::ReadOnly) {
                db::DbfTable::WriteLock lock = m_table.lockForWrite();
                m_mdx->regenerate(records());
            }
        }
    }

    [[nodiscard]] const std::vector<db::FieldDef> &fields() const override {
        return m_table.fields();
    }
    [[nodiscard]] int recordLength() const override { return m_table.recordLength(); }
    [[nodiscard]] int codePage() const override { return m_table.codePage().number(); }
    [[nodiscard]] std::string path() const override { return m_table.path(); }
    [[nodiscard]] std::uint32_t recordCount() const override { return m_table.recordCount(); }
    [[nodiscard]] const char *record(std::uint32_t recno) override {
        if (recno >= 1 && recno <= m_table.recordCount()) {
            const std::size_t len = static_cast<std::size_t>(m_table.recordLength());
            const std::uint64_t offset =
                m_table.header().headerLength + static_cast<std::uint64_t>(recno - 1) * len;
            if (const char *p = m_map.at(offset, len))
                return p;
        }
        return m_table.record(recno).data(); // checks the number, reads what the map cannot
    }
    [[nodiscard]] std::string memoText(const char *record, int field) override {
        return m_table.memo(std::string_view(record, static_cast<std::size_t>(recordLength())),
                            field);
    }

    std::uint32_t append(const char *record) override {
        const std::string_view bytes(record, static_cast<std::size_t>(recordLength()));
        db::DbfTable::WriteLock lock = m_table.lockForWrite();
        if (!m_mdx)
            return m_table.appendRecord(bytes);
        refreshIndex();
        m_mdx->requireWritable();
        db::MdxFile::UpdateScope scope(*m_mdx);
        const std::uint32_t recno = m_table.appendRecord(bytes);
        m_mdx->insertRecord(recno, record);
        return recno;
    }

    void update(std::uint32_t recno, const char *record) override {
        const std::string_view bytes(record, static_cast<std::size_t>(recordLength()));
        db::DbfTable::WriteLock lock = m_table.lockForWrite();
        if (!m_mdx) {
            m_table.writeRecord(recno, bytes);
            return;
        }
        refreshIndex();
        m_mdx->requireWritable();
        std::string old;
        m_table.readRecord(recno, old);
        db::MdxFile::UpdateScope scope(*m_mdx);
        m_table.writeRecord(recno, bytes);
        m_mdx->updateRecord(recno, old.data(), record);
    }

    void setDeleted(std::uint32_t recno, bool deleted) override {
        db::DbfTable::WriteLock lock = m_table.lockForWrite();
        if (!m_mdx) {
            m_table.setDeleted(recno, deleted);
            return;
        }
        refreshIndex();
        m_mdx->requireWritable();
        std::string old;
        m_table.readRecord(recno, old);
        std::string now = old;
        now[0] = deleted ? '*' : ' ';
        db::MdxFile::UpdateScope scope(*m_mdx);
        m_table.setDeleted(recno, deleted);
        m_mdx->updateRecord(recno, old.data(), now.data());
    }

    bool refresh() override {
        const std::uint32_t before = m_table.recordCount();
        m_table.refresh();
        m_map.checkReplaced();
        bool changed = m_table.recordCount() != before;
        if (m_mdx)
            changed = m_mdx->refresh() || changed;
        return changed;
    }

    [[nodiscard]] std::vector<std::string> tagNames() const override {
        std::vector<std::string> names;
        if (m_mdx)
            for (const db::MdxTagInfo &t : m_mdx->tags())
                names.push_back(t.name);
        return names;
    }

    [[nodiscard]] std::unique_ptr<IndexCursor> openCursor(const std::string &tag) override {
        const int i = m_mdx ? m_mdx->findTag(tag) : -1;
        if (i < 0)
            throw db::DbError(m_table.path(), "there is no index tag " + tag);
        return std::make_unique<MdxIndexCursor>(*m_mdx, i);
    }

    void addTag(const std::string &tag, const std::string &expression) override {
        requireNotReadOnly("add an index tag");
        db::DbfTable::WriteLock lock = m_table.lockForWrite();
        if (!m_mdx) {
            m_mdx = db::MdxFile::create(db::companionPath(m_table.path(), ".MDX"), m_table.fields(),
                                        m_table.header().languageDriver);
        }
        m_mdx->addTag(tag, expression, records());
        if (!m_table.productionIndexFlag())
            m_table.setProductionIndexFlag(true);
    }

    void deleteTag(const std::string &tag) override {
        requireNotReadOnly("delete an index tag");
        if (!m_mdx || m_mdx->findTag(tag) < 0)
            throw db::DbError(m_table.path(), "there is no index tag " + tag);
        db::DbfTable::WriteLock lock = m_table.lockForWrite();
        m_mdx->deleteTag(tag);
        if (m_mdx->tagCount() == 0) {
            // An index without tags serves no one; dBASE removes it and clears the flag.
            const std::string mdxPath = m_mdx->path();
            m_mdx.reset();
            m_table.setProductionIndexFlag(false);
            std::remove(mdxPath.c_str());
        }
    }

    void regenerateIndexes() override {
        requireNotReadOnly("rebuild the index");
        if (!m_mdx)
            return;
        db::DbfTable::WriteLock lock = m_table.lockForWrite();
        m_mdx->regenerate(records());
    }

    void pack() override {
        m_table.pack();
        m_map.remap();
        if (m_mdx)
            m_mdx->regenerate(records());
    }

private:
    void requireNotReadOnly(const char *what) const {
        if (m_mode == OpenMode::ReadOnly)
            throw db::DbError(m_table.path(),
                              std::string("cannot ") + what + ": the table is open read-only");
    }

    // Another process may have changed the index since we last looked; in exclusive use no
    // one else can have.
    void refreshIndex() {
        if (m_mode == OpenMode::Exclusive)
            return;
        m_mdx->refresh();
        if (m_mdx->needsRegeneration())
            m_mdx->regenerate(records());
    }

    db::RecordSource records() {
        return [this](const db::RecordVisitor &visit) {
            const std::uint32_t n = m_table.recordCount();
            for (std::uint32_t r = 1; r <= n; ++r) {
                const std::string_view rec = m_table.record(r);
                if (!db::DbfTable::isDeleted(rec))
                    visit(r, rec.data());
            }
        };
    }

    db::DbfTable m_table;
    OpenMode m_mode;
    FileMap m_map;
    std::unique_ptr<db::MdxFile> m_mdx;
};

} // namespace

std::unique_ptr<TableBackend> openEngineTable(const std::string &path, OpenMode mode) {
    return std::make_unique<EngineTable>(path, mode);
}

} // namespace dataset
