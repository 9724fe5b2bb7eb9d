#pragma once

#include "db/engine/dbf_table.h"
#include "db/engine/mdx_file.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace db {

// A table with its production index: every change of a record goes to the .DBF and to every
// tag of the .MDX under one write lock, so other users of the file never see a record
// without its keys or keys without their record.
//
// Header byte 28 says whether a production index belongs to the table. Opening a table
// whose byte says so while the .MDX is missing is a DbError (dBASE refuses such tables too;
// the caller may clear the byte with DbfTable::writeProductionIndexFlag and open again).
// An .MDX that cannot be read or does not fit the table is not used (see indexProblem()).
// An index left half-changed by a killed process is rebuilt when the table is next opened
// for writing; a read-only open reports it through indexNeedsRegeneration().
//
// A change runs: write lock (re-reads the header in shared use), index dirty marker on,
// record write, key changes, marker off. A kill in between leaves the record posted and the
// marker set, which the next open repairs by regenerating the index.
//
// Shared use. Before a change, under the write lock, the table looks at the index as it is
// on disk now: one another process made since we opened is taken up, changes to it are
// read, and one a killed writer left marked is rebuilt (holding the lock, we know nobody
// else is in the middle of an update).
class Table {
public:
    Table(const std::string &path, OpenMode mode);
    ~Table();
    Table(const Table &) = delete;
    Table &operator=(const Table &) = delete;

    // Creates an empty table with no index (a stale .MDX of the same name is removed, so an
    // index made later starts afresh). Replaces an existing table.
    static void create(const std::string &path, const std::vector<FieldDef> &fields,
                       const CreateOptions &options = {});

    [[nodiscard]] DbfTable &dbf() { return *m_dbf; }
    [[nodiscard]] const DbfTable &dbf() const { return *m_dbf; }
    // The production index, or nullptr when the table has none.
    [[nodiscard]] MdxFile *index() { return m_mdx.get(); }
    [[nodiscard]] const MdxFile *index() const { return m_mdx.get(); }
    [[nodiscard]] const std::string &path() const { return m_dbf->path(); }
    [[nodiscard]] OpenMode mode() const { return m_dbf->mode(); }
    [[nodiscard]] std::uint32_t recordCount() const { return m_dbf->recordCount(); }
    [[nodiscard]] std::string_view record(std::uint32_t recno) const {
        return m_dbf->record(recno);
    }
    [[nodiscard]] bool indexNeedsRegeneration() const {
        return m_mdx && m_mdx->needsRegeneration();
    }
    // Non-empty when the open found the production index unreadable or not fitting the table
    // (see IndexDisagreement): a sentence naming the index, what is wrong and what was done
    // (rebuilt from its tags, or set aside, index() then nullptr). The table's records
    // stay readable in physical order either way.
    [[nodiscard]] const std::string &indexProblem() const { return m_indexProblem; }

    // Holds the write lock and the index's dirty marker over a run of changes, so appends in
    // it are written together (see DbfTable) and the index is rebuilt on the next open if
    // the process is killed in the middle. End it with commit() to learn of write errors.
    class Batch {
    public:
        explicit Batch(Table &table);
        ~Batch();
        Batch(const Batch &) = delete;
        Batch &operator=(const Batch &) = delete;
        void commit();

    private:
        Table &m_table;
        DbfTable::AppendBatch m_batch;
        bool m_open = true;
    };

    // Appends a record and gives it its keys; returns its record number.
    [[nodiscard]] std::uint32_t insert(std::string_view record);
    // Overwrites a record: old keys out, new keys in.
    void update(std::uint32_t recno, std::string_view record);
    // The same, only while the record on disk is still `expected` byte for byte (compared
    // under the write lock, so another process cannot change or delete it in between);
    // false, with nothing written, when it is not.
    [[nodiscard]] bool updateIfUnchanged(std::uint32_t recno, std::string_view expected,
                                         std::string_view record);
    // Marks a record deleted (its keys go) or live again (its keys come back).
    void remove(std::uint32_t recno);
    void recall(std::uint32_t recno);

    // Adds an expression tag, creating the .MDX (and setting byte 28) when there is none.
    void addTag(std::string_view name, std::string_view expression);
    // Deletes a tag; with the last tag the .MDX goes and byte 28 is cleared.
    void deleteTag(std::string_view name);
    // Rebuilds every tag from the records.
    void regenerateIndexes();
    // Removes deleted records for good and rebuilds the index (exclusive use only).
    void pack();
    // Sees other processes' changes to the table and the index; true when the record count
    // or the index changed.
    bool refresh();

    // Checks every tag of the index against the records (MdxFile::verifyAgainst) without
    // changing anything; DbError describes the first fault. Nothing to check without an index.
    void verifyIndex();

    // Every live record in record-number order, for the index builders.
    [[nodiscard]] RecordSource liveRecords() const;

private:
    friend class BulkAppend;
    void openIndex();
    void checkIndex();
    void setIndexAside(const std::string &indexPath, const std::string &why, bool fits);
    void prepareChange();
    void requireChangeable(const char *what) const;
    void checkRecord(std::string_view record) const;
    void setDeletedFlag(std::uint32_t recno, bool deleted);

    std::unique_ptr<DbfTable> m_dbf;
    std::unique_ptr<MdxFile> m_mdx;
    std::string m_indexProblem;
};

} // namespace db
