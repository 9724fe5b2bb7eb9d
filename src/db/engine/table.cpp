#include "db/engine/table.h"

#include "db/engine/db_error.h"
#include "db/engine/file_names.h"
#include "db/engine/index_agreement.h"
#include "db/engine/test_hook.h"

#include <cstdio>
#include <unistd.h>

namespace db {

Table::Table(const std::string &path, OpenMode mode)
    : m_dbf(std::make_unique<DbfTable>(path, mode)) {
    openIndex();
}

Table::~Table() = default;

void Table::openIndex() {
    m_mdx.reset();
    if (!m_dbf->productionIndexFlag())
        return;
    const auto found = findFileIgnoringCase(companionPath(m_dbf->path(), ".MDX"));
    const bool readOnly = m_dbf->mode() == OpenMode::ReadOnly;
    if (!found) {
        const std::string missing = "the production index " +
                                    fileNameOf(companionPath(m_dbf->path(), ".MDX")) +
                                    " is missing";
        if (!readOnly)
            throw DbError(m_dbf->path(), missing);
        m_indexProblem = m_dbf->path() + ": " + missing + "; the table is read without it";
        return;
    }
    try {
        m_mdx = MdxFile::open(*found, m_dbf->fields(), m_dbf->header().languageDriver,
                              readOnly ? MdxFile::Access::ReadOnly : MdxFile::Access::ReadWrite);
    } catch (const DbError &e) {
        // A file we may not open is a matter of access, not of damage: that stays an error.
        if (::access(found->c_str(), readOnly ? R_OK : R_OK | W_OK) != 0)
            throw;
        setIndexAside(*found, e.what(), false);
        return;
    }
    if (!readOnly && m_mdx->needsRegeneration()) {
        auto lock = m_dbf->lockForWrite();
        m_mdx->refresh();
        if (m_mdx->needsRegeneration())
            m_mdx->regenerate(liveRecords());
    }
    checkIndex();
}

// An index that does not fit the table would give wrong record sets, so it is not used:
// where the table may be changed it is rebuilt from its own tags, or, when that cannot be
// done, the table stops calling it its production index (byte 28 cleared, as for a missing
// one), so the program makes its index anew; a read-only open only goes without it.
void Table::checkIndex() {
    if (m_mdx->needsRegeneration())
        return; // a read-only open reports it through indexNeedsRegeneration()
    std::string why = IndexDisagreement(*m_mdx, *m_dbf);
    if (!why.empty() && m_dbf->mode() != OpenMode::Exclusive) {
        // Another process may have added records and keys since the table's header was read.
        m_dbf->refresh();
        why = IndexDisagreement(*m_mdx, *m_dbf);
    }
    if (why.empty())
        return;
    const std::string path = m_mdx->path();
    if (m_dbf->mode() != OpenMode::ReadOnly) {
        auto lock = m_dbf->lockForWrite();
        try {
            m_mdx->regenerate(liveRecords());
            m_indexProblem =
                path + ": the production index did not fit the table (" + why + "); it was rebuilt";
            return;
        } catch (const DbError &) {
            // Tags this program cannot rebuild: set it aside below.
        }
    }
    setIndexAside(path, why, true);
}

void Table::setIndexAside(const std::string &indexPath, const std::string &why, bool fits) {
    m_mdx.reset();
    m_indexProblem = fits
                         ? indexPath + ": the production index does not fit the table (" + why + ")"
                         : "the production index cannot be read: " + why;
    if (m_dbf->mode() == OpenMode::ReadOnly) {
        m_indexProblem += "; the table is read without it";
        return;
    }
    m_dbf->setProductionIndexFlag(false);
    m_indexProblem += "; the table no longer uses it and gets a new index when it is rebuilt";
}

// The caller holds the write lock.
void Table::prepareChange() {
    if (!m_mdx) {
        // Another open may have made the index since we opened the table; a change without
        // its keys would leave that index short.
        if (m_dbf->mode() == OpenMode::Shared && m_dbf->productionIndexFlag())
            openIndex();
        return;
    }
    if (m_dbf->mode() == OpenMode::Shared)
        m_mdx->refresh();
    // Marked by a writer that was killed (or by our own change that failed half-way): we
    // hold the lock, so no one is in the middle of an update and the marker is stale.
    if (m_mdx->needsRegeneration()) {
        m_mdx->requireWritable();
        m_mdx->regenerate(liveRecords());
    }
}

void Table::requireChangeable(const char *what) const {
    if (m_dbf->mode() == OpenMode::ReadOnly)
        throw DbError(path(), std::string("cannot ") + what + ": the table is open read-only");
}

void Table::create(const std::string &path, const std::vector<FieldDef> &fields,
                   const CreateOptions &options) {
    CreateOptions o = options;
    o.productionIndex = false;
    DbfTable::create(path, fields, o);
    if (const auto stale = findFileIgnoringCase(companionPath(path, ".MDX")))
        std::remove(stale->c_str());
}

RecordSource Table::liveRecords() const {
    const DbfTable *dbf = m_dbf.get();
    return [dbf](const RecordVisitor &visit) {
        const std::uint32_t n = dbf->recordCount();
        for (std::uint32_t r = 1; r <= n; ++r) {
            const std::string_view rec = dbf->record(r);
            if (!DbfTable::isDeleted(rec))
                visit(r, rec.data());
        }
    };
}

void Table::checkRecord(std::string_view record) const {
    if (record.size() != static_cast<std::size_t>(m_dbf->recordLength()))
        throw DbError(path(), "a record buffer of " + std::to_string(record.size()) +
                                  " bytes does not match the record length " +
                                  std::to_string(m_dbf->recordLength()));
}

std::uint32_t Table::insert(std::string_view record) {
    checkRecord(record);
    auto lock = m_dbf->lockForWrite();
    prepareChange();
    if (!m_mdx)
        return m_dbf->appendRecord(record);
    m_mdx->requireWritable();
    MdxFile::UpdateScope scope(*m_mdx);
    const std::uint32_t recno = m_dbf->appendRecord(record);
    m_mdx->insertRecord(recno, record.data());
    return recno;
}

Table::Batch::Batch(Table &table) : m_table(table), m_batch(*table.m_dbf) {
    m_table.prepareChange(); // under the batch's lock
    if (m_table.m_mdx) {
        m_table.m_mdx->requireWritable();
        m_table.m_mdx->beginUpdate();
    }
}

void Table::Batch::commit() {
    if (!m_open)
        return;
    m_open = false;
    // Records on disk first, then the index's marker cleared.
    m_batch.commit();
    if (m_table.m_mdx)
        m_table.m_mdx->endUpdate();
}

Table::Batch::~Batch() {
    if (!m_open)
        return;
    try {
        commit();
    } catch (const DbError &) {
        // The index marker stays set: the next open rebuilds the index from what is there.
    }
}

void Table::update(std::uint32_t recno, std::string_view record) {
    checkRecord(record);
    auto lock = m_dbf->lockForWrite();
    prepareChange();
    if (!m_mdx) {
        m_dbf->writeRecord(recno, record);
        return;
    }
    m_mdx->requireWritable();
    // Read under the lock: the keys to take out are those of the record as it is on disk.
    const std::string old(m_dbf->record(recno));
    MdxFile::UpdateScope scope(*m_mdx);
    m_dbf->writeRecord(recno, record);
    m_mdx->updateRecord(recno, old.data(), record.data());
}

bool Table::updateIfUnchanged(std::uint32_t recno, std::string_view expected,
                              std::string_view record) {
    checkRecord(record);
    auto lock = m_dbf->lockForWrite();
    if (m_dbf->record(recno) != expected)
        return false;
    update(recno, record); // the lock nests
    return true;
}

void Table::remove(std::uint32_t recno) {
    setDeletedFlag(recno, true);
}

void Table::recall(std::uint32_t recno) {
    setDeletedFlag(recno, false);
}

void Table::setDeletedFlag(std::uint32_t recno, bool deleted) {
    auto lock = m_dbf->lockForWrite();
    prepareChange();
    const std::string old(m_dbf->record(recno));
    if (DbfTable::isDeleted(old) == deleted)
        return;
    if (!m_mdx) {
        m_dbf->setDeleted(recno, deleted);
        return;
    }
    m_mdx->requireWritable();
    std::string now = old;
    now[0] = deleted ? '*' : ' ';
    MdxFile::UpdateScope scope(*m_mdx);
    m_dbf->setDeleted(recno, deleted);
    m_mdx->updateRecord(recno, old.data(), now.data());
}

void Table::addTag(std::string_view name, std::string_view expression) {
    requireChangeable("add an index tag");
    auto lock = m_dbf->lockForWrite();
    prepareChange();
    if (!m_mdx)
        m_mdx = MdxFile::create(companionPath(m_dbf->path(), ".MDX"), m_dbf->fields(),
                                m_dbf->header().languageDriver);
    m_mdx->addTag(name, expression, liveRecords());
    if (!m_dbf->productionIndexFlag())
        m_dbf->setProductionIndexFlag(true);
}

void Table::deleteTag(std::string_view name) {
    requireChangeable("delete an index tag");
    auto lock = m_dbf->lockForWrite();
    prepareChange();
    if (!m_mdx)
        throw DbError(path(), "the table has no index tag " + std::string(name));
    m_mdx->deleteTag(name);
    if (m_mdx->tagCount() == 0) {
        const std::string mdxPath = m_mdx->path();
        m_mdx.reset();
        // Clear the flag first: a table whose flag is set while its index is gone cannot
        // be opened.
        m_dbf->setProductionIndexFlag(false);
        std::remove(mdxPath.c_str());
    }
}

void Table::regenerateIndexes() {
    requireChangeable("rebuild the index");
    auto lock = m_dbf->lockForWrite();
    if (!m_mdx && m_dbf->mode() == OpenMode::Shared && m_dbf->productionIndexFlag())
        openIndex();
    if (m_mdx)
        m_mdx->regenerate(liveRecords());
}

void Table::pack() {
    if (m_dbf->mode() != OpenMode::Exclusive)
        throw DbError(path(), "packing needs the table open exclusively");
    if (!m_mdx) {
        m_dbf->pack();
        return;
    }
    m_mdx->requireWritable();
    // Record numbers change, so the index is stale from the moment the packed table takes
    // the old one's place until it is rebuilt. Byte 28 stays clear over that window: a kill
    // there leaves a table without index (which opens, and whose index is made anew),
    // never one whose index points at the wrong records.
    m_dbf->setProductionIndexFlag(false);
    m_dbf->flush();
    testhook::reach("pack:unflagged");
    const int before = m_dbf->replacements();
    try {
        m_dbf->pack();
    } catch (const DbError &) {
        // The old table is in place (a full disk, say), and its index still fits it.
        if (m_dbf->replacements() == before)
            m_dbf->setProductionIndexFlag(true);
        throw;
    }
    m_mdx->regenerate(liveRecords());
    testhook::reach("pack:reindexed");
    m_dbf->setProductionIndexFlag(true);
}

void Table::verifyIndex() {
    if (!m_mdx)
        return;
    for (int i = 0; i < m_mdx->tagCount(); ++i)
        m_mdx->verifyAgainst(i, liveRecords());
}

bool Table::refresh() {
    const std::uint32_t before = m_dbf->recordCount();
    m_dbf->refresh();
    bool changed = m_dbf->recordCount() != before;
    if (m_mdx) {
        changed = m_mdx->refresh() || changed;
    } else if ((m_indexProblem.empty() || m_dbf->mode() != OpenMode::ReadOnly) &&
               m_dbf->productionIndexFlag() &&
               findFileIgnoringCase(companionPath(m_dbf->path(), ".MDX"))) {
        // Made by another open since (a read-only open keeps going without one it set aside;
        // others cleared the flag then, so a flag set again means a new index).
        openIndex();
        changed = true;
    }
    return changed;
}

} // namespace db
