#pragma once

#include "db/engine/codepage.h"
#include "db/engine/field_def.h"
#include "db/engine/memo_file.h"
#include "db/engine/unique_fd.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace db {

enum class OpenMode { ReadOnly, Shared, Exclusive };

// The layout a new table gets. Both write version byte 0x03 without memo fields; with memo
// fields dBASE III gives 0x83 and a dBASE III .DBT, dBASE IV gives 0x8B and a dBASE IV .DBT.
enum class TableFormat { DBase3, DBase4 };

struct CreateOptions {
    TableFormat format = TableFormat::DBase4;
    std::uint8_t languageDriver = kDefaultLanguageDriver;
    bool productionIndex = false; // header byte 28
};

// The 32-byte file header as stored.
struct DbfHeader {
    std::uint8_t version = 0;
    int year = 0;  // last update: 1900 + the stored byte (informational: some writers store
    int month = 0; // the year modulo 100)
    int day = 0;
    std::uint32_t recordCount = 0;
    std::uint16_t headerLength = 0;
    std::uint16_t recordLength = 0;
    std::uint8_t flags = 0;          // byte 28: production index flag (dBASE), table flags (FoxPro)
    std::uint8_t languageDriver = 0; // byte 29
};

struct DateTimeValue {
    int year = 0, month = 0, day = 0;
    int millisecond = 0; // since midnight
};

// One .DBF table file, opened in one of three modes.
//
// Opens and locks. Every open holds a lock on the file: read-only and shared opens a shared
// one, an exclusive open an exclusive one, taken without waiting, so an exclusive open fails
// with "... is in use by another program" while any other open of the file exists, in this
// process or another, and every open fails while an exclusive one exists. In shared use each
// change runs under a short exclusive write lock, after re-reading the header (another
// process may have appended). A read-only open never writes a byte. Locks are taken on the
// file the name leads to once they are held: an open that another process's pack overtook
// between its open and its lock, or a shared open whose file another program renamed a new
// one over, opens the file now in place rather than write to one nobody sees. Only regular
// files are opened (a FIFO would block the open). An exclusive open removes the temporary
// files of the table and its companions that killed processes left (see stale_temps.h).
//
// Record count. The header count is the authority. When the file is too short for it (a
// writer that counted before writing and was stopped), the table reads the whole records
// that are there: recordCount() gives those, countExceedsFile() says so, and the next change
// writes the corrected count. Bytes after the last counted record are ignored.
//
// Crash safety. An append writes the record and the end-of-file byte first and the header
// count after them; an update overwrites the record in place. A process killed at any point
// therefore leaves a file that opens with every record whose append had returned. There is no
// fsync per record (the kernel keeps what a killed process wrote; one fdatasync runs when a
// changed table is closed or flush() is called). An append that fails (a full disk) leaves
// the file as it was: old count, old end. Pack builds the new table beside the old one, syncs
// it, then renames it into place; memos are moved within the memo file so that it agrees
// with whichever table is in place (see packWithMemo).
//
// Batches. Appends made inside an AppendBatch (an import, say) are gathered in
// memory and written in large pieces, records and end-of-file byte first and the count
// after, when 1 MB is gathered, when another change or flush() needs the file current, at
// commitAppends(), and when the batch ends. Such records are posted when
// that write is done: a process killed in a batch leaves a valid file holding the records of
// the pieces written before. record() sees gathered records at once.
//
// Reads go through a block cache of whole records (large preads, no system call per record
// in a sequential scan). In shared use the cache holds what was read: refresh() drops it and
// re-reads the header to see what other processes changed.
//
// Field values. Record buffers are record-length byte strings whose byte 0 is the deletion
// flag ('*' deleted, anything else live); fields lie at their FieldDef offsets. Text is in the
// table's code page (codePage()); the typed accessors below interpret every common type:
//   C N F D L M  dBASE III/IV;  B G P  memo-like (dBASE) / B double (Visual FoxPro);
//   I  4-byte integer (little-endian in Visual FoxPro, sign-flipped big-endian in dBASE 7);
//   +  dBASE 7 autoincrement;  O  dBASE 7 double;  @  dBASE 7 timestamp;  T  FoxPro datetime;
//   Y  currency (value x 10000);  V  varchar;  W  blob;  0  _NullFlags.
// Writing supports the types our own tables use: C N F D L M.
class DbfTable {
public:
    // Throws DbError naming the file when it cannot be opened, is not a table we can read,
    // or (exclusive) is in use.
    DbfTable(const std::string &path, OpenMode mode);
    ~DbfTable();
    DbfTable(const DbfTable &) = delete;
    DbfTable &operator=(const DbfTable &) = delete;

    // Creates an empty table (and its memo file when a field is of type M). An existing
    // table of that name is replaced (the new file is built beside it and renamed into
    // place); creation fails while another open of the old file exists.
    static void create(const std::string &path, const std::vector<FieldDef> &fields,
                       const CreateOptions &options = {});

    // Sets or clears header byte 28 of a table file without opening it as a table (the file
    // must not be open exclusively elsewhere).
    static void writeProductionIndexFlag(const std::string &path, bool on);

    [[nodiscard]] const std::string &path() const { return m_path; }
    [[nodiscard]] OpenMode mode() const { return m_mode; }
    [[nodiscard]] const DbfHeader &header() const { return m_header; }
    [[nodiscard]] std::uint8_t version() const { return m_header.version; }
    [[nodiscard]] std::uint32_t recordCount() const { return m_count; }
    [[nodiscard]] bool countExceedsFile() const { return m_count < m_header.recordCount; }
    [[nodiscard]] int recordLength() const { return m_header.recordLength; }
    [[nodiscard]] bool isDBase7() const;
    [[nodiscard]] bool isFoxPro() const;
    [[nodiscard]] bool productionIndexFlag() const;
    void setProductionIndexFlag(bool on);

    [[nodiscard]] const std::vector<FieldDef> &fields() const { return m_fields; }
    [[nodiscard]] int fieldCount() const { return static_cast<int>(m_fields.size()); }
    [[nodiscard]] const FieldDef &field(int index) const;
    // Position of a field by name compared ignoring ASCII case; -1 when there is none.
    [[nodiscard]] int fieldIndex(std::string_view name) const;
    // The code page of byte 29 (1252 when the byte names none or one iconv lacks).
    [[nodiscard]] const CodePage &codePage() const { return *m_codePage; }

    [[nodiscard]] MemoKind memoKind() const { return m_memoKind; }
    [[nodiscard]] bool hasMemoFile() const { return m_memo != nullptr; }
    // The table has memo fields but its memo file is missing: memos then read as empty text
    // (the other fields stay readable) and writing one is a DbError. Callers say so once.
    [[nodiscard]] bool memoFileMissing() const { return m_hasMemoFields && !m_memo; }
    // Whole records the file's bytes hold, whatever the header counts.
    [[nodiscard]] std::uint64_t recordsInFile() const {
        return m_fileSize > m_header.headerLength
                   ? (m_fileSize - m_header.headerLength) / m_header.recordLength
                   : 0;
    }

    // The record buffer of record `recno` (1-based). The view stays valid until the next read
    // or change of this table. Throws DbError for a number outside 1..recordCount().
    [[nodiscard]] std::string_view record(std::uint32_t recno) const;
    void readRecord(std::uint32_t recno, std::string &out) const;
    [[nodiscard]] static bool isDeleted(std::string_view record) {
        return !record.empty() && record[0] == '*';
    }
    // A live record with every field blank.
    [[nodiscard]] std::string blankRecord() const;

    // Changes (DbError in read-only mode; each takes the write lock in shared use).
    void writeRecord(std::uint32_t recno, std::string_view record);
    [[nodiscard]] std::uint32_t appendRecord(std::string_view record);
    void setDeleted(std::uint32_t recno, bool deleted);
    // Removes the deleted records for good (exclusive mode only): the new table is built
    // beside the old one and renamed into place; record numbers change. When it throws, the
    // table in place is the old one (replacements() unchanged).
    void pack();
    // How often the table's file was replaced by a packed one since it was opened.
    [[nodiscard]] int replacements() const { return m_replacements; }
    // Writes the appends gathered in a batch now (DbError when that fails).
    void commitAppends();
    // Writes the count of the whole records the file holds into the header, mending a count
    // that claims more (countExceedsFile()).
    void writeCount();
    // Re-reads the header (and drops the read cache) to see other processes' changes.
    void refresh();
    // Writes what the kernel holds for this table to disk.
    void flush();

    // Holds the write lock for a run of changes (nested holds are fine). In shared use it
    // re-reads the header when first taken; in exclusive use it costs nothing.
    class WriteLock {
    public:
        WriteLock() = default;
        explicit WriteLock(DbfTable *table);
        WriteLock(WriteLock &&other) noexcept : m_table(other.m_table) { other.m_table = nullptr; }
        WriteLock &operator=(WriteLock &&other) noexcept;
        ~WriteLock();

    private:
        DbfTable *m_table = nullptr;
    };
    [[nodiscard]] WriteLock lockForWrite() { return WriteLock(this); }

    // Holds the write lock and gathers appends (see Batches above). commit() writes them
    // and reports a failure; the destructor writes them too but cannot report one.
    class AppendBatch {
    public:
        explicit AppendBatch(DbfTable &table);
        ~AppendBatch();
        AppendBatch(const AppendBatch &) = delete;
        AppendBatch &operator=(const AppendBatch &) = delete;
        void commit();

    private:
        DbfTable &m_table;
        WriteLock m_lock;
        bool m_open = true;
    };

    // Typed reads of one field of a record buffer. nullopt means blank (or unreadable).
    [[nodiscard]] std::string_view raw(std::string_view record, int field) const;
    // Display text in the table's code page: character fields without trailing blanks,
    // numbers as stored without padding, dates YYYYMMDD, logicals "T"/"F", memos their text,
    // binary numbers in decimal.
    [[nodiscard]] std::string text(std::string_view record, int field) const;
    [[nodiscard]] std::string textUtf8(std::string_view record, int field) const;
    [[nodiscard]] std::optional<double> number(std::string_view record, int field) const;
    // The exact decimal text of a number ("-12.50", currency with four decimals).
    [[nodiscard]] std::optional<std::string> decimalText(std::string_view record, int field) const;
    // YYYYMMDD (D fields, and the date part of T and @ fields).
    [[nodiscard]] std::optional<std::string> date(std::string_view record, int field) const;
    [[nodiscard]] std::optional<DateTimeValue> dateTime(std::string_view record, int field) const;
    [[nodiscard]] std::optional<bool> logical(std::string_view record, int field) const;
    [[nodiscard]] std::optional<std::int64_t> integer(std::string_view record, int field) const;
    // Currency as value x 10000 (Y fields exactly; N and F rounded to four decimals).
    [[nodiscard]] std::optional<std::int64_t> currency(std::string_view record, int field) const;
    // The memo block a memo-like field points to (nullopt for no memo). DbError for a pointer
    // that is not a number.
    [[nodiscard]] std::optional<std::uint32_t> memoBlock(std::string_view record, int field) const;
    // The memo's stored bytes (empty for no memo, and when the memo file is missing).
    [[nodiscard]] std::string memo(std::string_view record, int field) const;
    [[nodiscard]] bool isBlank(std::string_view record, int field) const;
    // A Visual FoxPro field its _NullFlags mark NULL. Every typed read above gives such a
    // field as blank (text() as empty), and the _NullFlags field itself as empty text.
    [[nodiscard]] bool isNull(std::string_view record, int field) const;

    // Writes into a record buffer (record-length bytes). DbError names the field when the
    // value does not fit or the field's type cannot take it; nothing is cut silently.
    void setText(std::string &record, int field, std::string_view bytes) const;
    // UTF-8 text converted to the code page; a character the code page cannot hold is a
    // DbError naming it.
    void setTextUtf8(std::string &record, int field, std::string_view utf8) const;
    // Numbers and dates go through field_codec (rounded half away from zero on the decimal
    // text, a double through its shortest text; impossible dates refused).
    void setNumber(std::string &record, int field, double value) const;
    // A decimal text ("1234.5", "-0.125"); empty text blanks the field.
    void setDecimalText(std::string &record, int field, std::string_view decimal) const;
    void setInteger(std::string &record, int field, std::int64_t value) const;
    // "YYYYMMDD", or empty for no date.
    void setDate(std::string &record, int field, std::string_view yyyymmdd) const;
    void setLogical(std::string &record, int field, std::optional<bool> value) const;
    void setBlank(std::string &record, int field) const;
    // Appends the memo text to the memo file and points the field at it (empty: no memo).
    void setMemo(std::string &record, int field, std::string_view bytes);

private:
    friend class WriteLock;
    [[nodiscard]] UniqueFd openLockedFile() const;
    void openFile();
    void reopenReplaced();
    void parseHeader(const std::vector<unsigned char> &head);
    void checkHeaderPadding(const std::vector<unsigned char> &head, std::size_t end,
                            std::uint8_t version) const;
    void readHeaderBytes(bool checkStructure);
    void openMemo(bool writable);
    void requireWritable(const char *what) const;
    void beginWrite();
    void endWrite();
    void writeHeaderCount(std::uint32_t count);
    void writeAtEnd(std::string_view bytes, std::uint64_t at);
    void replaceFile(const std::function<void(std::string &)> *transform,
                     const std::function<void()> &beforeSwitch);
    void packWithMemo();
    void loadCache(std::uint32_t recno) const;
    void checkRecordArg(std::string_view record) const;
    static void putMemoPointer(std::string &record, const FieldDef &f, std::uint32_t block);
    [[nodiscard]] const FieldDef &checkedField(int index) const;
    [[nodiscard]] const FieldDef &numberField(int index) const;
    [[nodiscard]] std::size_t varLength(std::string_view record, int field) const;
    [[nodiscard]] std::optional<bool> nullFlagsBit(std::string_view record, int field,
                                                   bool lengthBit) const;
    [[nodiscard]] std::uint32_t flushedCount() const;
    [[nodiscard]] std::uint64_t recordOffset(std::uint32_t recno) const {
        return m_header.headerLength +
               static_cast<std::uint64_t>(recno - 1) * m_header.recordLength;
    }

    std::string m_path;
    OpenMode m_mode;
    UniqueFd m_fd;
    DbfHeader m_header;
    std::vector<unsigned char> m_headerBytes; // the whole header region as read
    std::vector<FieldDef> m_fields;
    std::vector<std::uint8_t> m_fieldFlags; // FoxPro field flags (byte 18)
    int m_nullFlagsField = -1;              // the _NullFlags field, -1 for none
    std::uint32_t m_count = 0;
    std::uint64_t m_fileSize = 0;
    const CodePage *m_codePage = nullptr;
    MemoKind m_memoKind = MemoKind::None;
    bool m_hasMemoFields = false;
    std::unique_ptr<MemoFile> m_memo;
    int m_writeDepth = 0;
    int m_batchDepth = 0;
    bool m_changed = false;
    int m_replacements = 0;

    std::string m_pending; // appends gathered under a held lock
    std::uint32_t m_pendingFirst = 0;

    mutable std::vector<char> m_cache;
    mutable std::uint32_t m_cacheFirst = 0; // recno of the first cached record, 0 = none
    mutable std::uint32_t m_cacheCount = 0;
};

} // namespace db
