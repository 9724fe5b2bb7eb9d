#include "db/table_backend.h"

#include "db/engine/db_error.h"
#include "db/engine/dbf_table.h"
#include "db/engine/file_names.h"
#include "db/engine/mdx_file.h"

#include <cstdio>
#include <sys/stat.h>

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

// A table with its production index: every change to a record changes its keys in every
// tag under the table's write lock, inside one update window of the index, so a process
// killed half-way leaves an index that is known to need rebuilding.
class EngineTable : public TableBackend {
public:
    EngineTable(const std::string &path, OpenMode mode)
        : m_table(path, engineMode(mode)), m_mode(mode) {
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
        return m_table.record(recno).data();
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
        if (m_mdx)
            m_mdx->regenerate(records());
    }

private:
    void requireNotReadOnly(const char *what) const {
        if (m_mode == OpenMode::ReadOnly)
            throw db::DbError(m_table.path(),
                              std::string("cannot ") + what + ": the table is open read-only");
    }

    // Another process may have changed the index since we last looked.
    void refreshIndex() {
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
    std::unique_ptr<db::MdxFile> m_mdx;
};

} // namespace

std::unique_ptr<TableBackend> openEngineTable(const std::string &path, OpenMode mode) {
    return std::make_unique<EngineTable>(path, mode);
}

} // namespace dataset
