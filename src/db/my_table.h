#pragma once

#include "db/record_view.h"
#include "db/table_backend.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class OrderWalker;

// The data set of one inventory table: the current record, the order (an index tag or
// physical record order), an optional record filter, navigation, editing through an edit
// buffer, and notifications for the windows bound to it.
//
// What is visible: live records the filter accepts (when the filter is on). Deleted records
// are never visible and never counted.
//
// Positions. The viewer asks for rows by ordinal position (0 = first visible record in the
// current order) without moving the current record: rowAt(). Positions are found by walking
// the order from the nearest known point; every 256th visible record's number is remembered
// as it is passed, so scrolling and jumping back costs little and no more than one walk of
// the table is ever needed to reach any row. The remembered points are forgotten whenever the
// visible set or the order can have changed (post, delete, filter, order, refresh).
class MyTable {
public:
    enum class State { Inactive, Browse, Edit, Insert };
    using OpenMode = dataset::OpenMode;
    // A record number (1-based); 0 is no record.
    using Bookmark = std::uint32_t;
    using RecordFilter = std::function<bool(const RecordView &)>;

    enum class Event {
        Opened,
        Closed,
        Scrolled,     // the current record changed
        FieldChanged, // a field of the edit buffer was assigned
        StateChanged, // browse / edit / insert
        DataChanged,  // records, order or filter changed: everything shown must be read again
    };
    using Listener = std::function<void(Event)>;

    // A copy of one visible record, for windows that show rows other than the current one.
    struct Row {
        std::uint32_t recno = 0;
        std::string bytes;
        std::shared_ptr<const RecordLayout> layout;
        [[nodiscard]] RecordView view() const { return {layout.get(), bytes.data()}; }
    };

    MyTable();
    ~MyTable();
    MyTable(const MyTable &) = delete;
    MyTable &operator=(const MyTable &) = delete;

    // Opening. The database name is the directory, the table name the file name; a table
    // name without extension means "<name>.DBF". Throws db::DbError (file in use elsewhere,
    // not a table, damaged, no access); the data set is then closed. Opening selects physical
    // order unless an index was chosen with setIndexName() beforehand, and positions on the
    // first visible record.
    void open(const QString &path, OpenMode mode = OpenMode::Shared);
    void open(const QString &databaseName, const QString &tableName,
              OpenMode mode = OpenMode::Shared);
    // Cancels a pending edit and closes. Safe when closed.
    void close();
    [[nodiscard]] bool isOpen() const { return m_backend != nullptr; }
    [[nodiscard]] QString path() const { return m_path; }
    [[nodiscard]] OpenMode openMode() const { return m_mode; }
    [[nodiscard]] State state() const { return m_state; }
    [[nodiscard]] const RecordLayout &layout() const { return *m_layout; }
    [[nodiscard]] int fieldCount() const { return m_layout ? m_layout->fieldCount() : 0; }
    // -1 when there is no field of that name (compared case-insensitively).
    [[nodiscard]] int fieldIndex(const QString &name) const;

    // Order. An empty name is physical record order. Selecting a tag the file does not hold
    // throws db::DbError and keeps the order as it was. The name may be set while closed; it
    // is then used by the next open.
    void setIndexName(const QString &tag);
    [[nodiscard]] QString indexName() const { return m_indexName; }
    [[nodiscard]] QStringList tagNames() const;
    // Index maintenance (open table): adding builds the tag from every record.
    void addIndex(const QString &tag, const QString &expression);
    void deleteIndex(const QString &tag);
    void regenerateIndexes();
    // Removes deleted records for good and rebuilds the index; needs exclusive use.
    void pack();

    // Filter. While it is on, only records it accepts are visible. Changing either re-reads
    // and moves to the first visible record.
    //
    // The filter is evaluated once per record in one sequential pass over the table (large
    // block reads), the first time anything needs it; the record numbers it accepts are kept
    // as a match set, so walks in index order, positions and the count need no record reads
    // for the records it refused. The data set's own posts and deletes test the record again;
    // open, pack, refresh and any change of the filter take the set afresh.
    void setFilter(RecordFilter filter);
    void setFiltered(bool on);
    [[nodiscard]] bool isFiltered() const { return m_filtered; }

    // Navigation over visible records in the current order. After next() past the last
    // record eof() is true and the current record stays the last; likewise prior()/bof().
    void first();
    void last();
    void next();
    void prior();
    // Moves up to `distance` records forward (negative: back); returns how far it moved.
    [[nodiscard]] int moveBy(int distance);
    [[nodiscard]] bool eof() const { return m_eof; }
    [[nodiscard]] bool bof() const { return m_bof; }
    // No visible record at all.
    [[nodiscard]] bool isEmpty() const { return m_recno == 0; }
    [[nodiscard]] std::uint32_t recNo() const { return m_recno; }

    [[nodiscard]] Bookmark bookmark() const { return m_recno; }
    // False (nothing moves) when the record is gone, deleted or not visible.
    [[nodiscard]] bool gotoBookmark(Bookmark bookmark);

    // Visible records. Unfiltered in index order the index gives it (the table is not read);
    // otherwise the table is walked once. Remembered, and kept by the data set's own posts
    // and deletes; taken again after order, filter, pack or another process's changes.
    [[nodiscard]] std::int64_t recordCount();
    // Ordinal position of the current record (0-based), -1 when there is none.
    [[nodiscard]] std::int64_t position();
    // Makes the record at a position current; false when the position is out of range.
    [[nodiscard]] bool moveToPosition(std::int64_t position);
    // The record at a position without moving the current record.
    [[nodiscard]] std::optional<Row> rowAt(std::int64_t position);

    // The current record (the edit buffer while editing or inserting).
    [[nodiscard]] RecordView current() const;
    [[nodiscard]] QString text(int field) const;
    [[nodiscard]] QString text(const QString &name) const;
    [[nodiscard]] long long integer(int field) const;
    [[nodiscard]] double number(int field) const;
    [[nodiscard]] QDate date(int field) const;

    // Editing. edit() and insert() start an edit buffer; post() writes it (the index places
    // the record) and makes it current; cancel() throws it away. Assignments are only
    // allowed while editing or inserting (db::DbError otherwise).
    void edit();
    void insert();
    // Throws db::DbError when a value cannot be stored (a character the table's code page
    // cannot hold, a number too large for its field); the edit buffer then stays as it was,
    // so nothing the user typed is lost.
    void post();
    // Posts an edit only while the record on disk is still `loaded` byte for byte (the
    // bytes current() gave when the record was shown), so a record another process changed
    // or deleted meanwhile is never overwritten or brought back. False, with the edit
    // buffer kept, when it was changed; an insert posts as post() does.
    [[nodiscard]] bool postIfUnchanged(std::string_view loaded);
    void cancel();
    // Deletes the current record; the next visible record becomes current (or the previous
    // one at the end).
    void deleteRecord();

    // Assignments to the edit buffer. Character text is cut to the field width; date text is
    // read in the process-wide short date format, blank for no date; number text is plain
    // decimal. Invalid dates and numbers throw db::DbError and leave the field unchanged.
    void setText(int field, const QString &value);
    void setText(const QString &name, const QString &value);
    void setInteger(int field, long long value);
    void setNumber(int field, double value);
    void setDate(int field, const QDate &value); // a null date clears it

    // Sees what another process changed (records appended, edited, deleted). Keeps the
    // current record when it is still visible.
    void refresh();

    // Appends many records at once (an import) through the backend's bulk appender: the
    // records go to the file in large pieces and get their index keys when it ends. A
    // pending edit is cancelled first. The data set takes the new records in (count,
    // positions, a search in force) when it ends, keeping the current record.
    class BulkInsert {
    public:
        BulkInsert(BulkInsert &&) noexcept;
        BulkInsert &operator=(BulkInsert &&) = delete;
        ~BulkInsert(); // commits when commit() was not called

        // A record buffer of layout().recordLength() bytes; returns its record number.
        std::uint32_t append(const std::string &record);
        // DbError when the last records or the keys cannot be written.
        void commit();

    private:
        friend class MyTable;
        explicit BulkInsert(MyTable &table);
        void end();
        MyTable *m_table;
        std::unique_ptr<dataset::BulkAppender> m_appender;
    };
    [[nodiscard]] BulkInsert bulkInsert();

    // Bound windows. While controls are disabled (a counter), no events are delivered; the
    // last enable delivers one DataChanged.
    [[nodiscard]] int addListener(Listener listener);
    void removeListener(int id);
    void disableControls();
    void enableControls();
    [[nodiscard]] bool controlsDisabled() const { return m_disableCount > 0; }

    // A scan over visible records in the current order that leaves the current record alone
    // (the locate command uses it and moves to what it finds with gotoBookmark).
    class Scanner {
    public:
        Scanner(Scanner &&) noexcept;
        Scanner &operator=(Scanner &&) noexcept;
        ~Scanner();

        // Steps to the next visible record; false at the end.
        [[nodiscard]] bool next();
        [[nodiscard]] Bookmark bookmark() const { return m_recno; }
        // A field's stored bytes, untouched.
        [[nodiscard]] std::string_view raw(int field) const;
        [[nodiscard]] RecordView view() const;

    private:
        friend class MyTable;
        explicit Scanner(MyTable &table);
        MyTable *m_table;
        std::unique_ptr<OrderWalker> m_walker;
        std::optional<dataset::LongRead> m_longRead;
        // Steps the walker; the records of the next few steps are asked of the memory ahead
        // of their turn, since an index-order walk reads them scattered over the file.
        [[nodiscard]] bool pull(std::uint32_t &recno);
        static constexpr std::size_t kAhead = 16;
        std::array<std::uint32_t, kAhead> m_ahead{};
        std::size_t m_aheadFirst = 0;
        std::size_t m_aheadCount = 0;
        bool m_walkerDone = false;
        std::uint32_t m_recno = 0;
        std::string m_bytes;
        bool m_started = false;
        std::uint32_t m_startRecno = 0; // scan after this record; 0: from the first
    };
    // Starts before the first visible record, or after the current record when
    // `afterCurrent` is true.
    [[nodiscard]] Scanner scanner(bool afterCurrent = false);

    // Whether the selected index holds a key for as many records the table has as there are
    // live records (true in physical order). A full check, one pass over the index's keys
    // and one over the records, for callers that walk the whole table anyway: an index
    // that is short (a damaged node, one copied from another table) fails it.
    [[nodiscard]] bool indexCoversLiveRecords();

    // A walk in index order met keys of records the table does not hold (a table whose end
    // was cut off or whose count is short): they were passed over.
    [[nodiscard]] bool metKeysOfMissingRecords() const { return m_keysOfMissing; }

    // The engine's table (for the inventory operations that need it). Null when closed.
    [[nodiscard]] dataset::TableBackend *backend() { return m_backend.get(); }

private:
    friend class OrderWalker;
    void requireOpen() const;
    void requireEditing() const;
    [[nodiscard]] std::unique_ptr<OrderWalker> makeWalker();
    [[nodiscard]] std::int64_t countVisible();
    [[nodiscard]] bool accepts(std::uint32_t recno, const char *bytes);
    // accepts() that reads the record only when the match set does not decide.
    [[nodiscard]] bool visible(std::uint32_t recno);
    [[nodiscard]] bool filterOn() const { return m_filtered && m_filter; }
    void ensureMatches();
    void dropMatches();
    void setMatch(std::uint32_t recno, bool on);
    [[nodiscard]] bool isMatch(std::uint32_t recno);
    void loadCurrent(std::uint32_t recno);
    void setCurrentNone();
    void moveToEnd(bool fromLast);
    void invalidatePositions();
    void notify(Event event);
    void reset();          // after order, filter or data change: first visible record
    void recordsChanged(); // keeps the current record when it is still visible
    void encodePending(std::string &buffer) const;
    bool postBuffer(const std::string_view *expected);
    [[nodiscard]] std::uint32_t stepFrom(std::uint32_t recno, int direction);
    // Walks to `position` from the nearest known point; 0 when out of range.
    [[nodiscard]] std::uint32_t recnoAt(std::int64_t position);
    void rememberPoint(std::int64_t position, std::uint32_t recno);

    std::unique_ptr<dataset::TableBackend> m_backend;
    std::shared_ptr<RecordLayout> m_layout;
    QString m_path;
    OpenMode m_mode = OpenMode::Shared;
    QString m_indexName;
    State m_state = State::Inactive;

    RecordFilter m_filter;
    bool m_filtered = false;

    std::uint32_t m_recno = 0;
    std::string m_buffer; // bytes of the current record
    bool m_eof = true;
    bool m_bof = true;
    std::unique_ptr<OrderWalker> m_walker; // positioned on m_recno when it is set

    std::string m_editBuffer;
    std::map<int, QString> m_pendingText; // character fields assigned while editing

    // The match set while the filter is on: bit r-1 for record r, for records 1..m_matchRecords.
    std::vector<std::uint64_t> m_matchBits;
    std::uint32_t m_matchRecords = 0;
    std::int64_t m_matchCount = 0;
    bool m_matchesBuilt = false;

    std::vector<std::uint32_t> m_points;  // m_points[k]: record at position k * kPointStep
    std::int64_t m_count = -1;            // visible records, -1 when unknown
    bool m_countFromKeys = false;         // m_count was taken from the index
    mutable bool m_keysOfDeleted = false; // a walk in index order met a deleted or missing record
    bool m_keysOfMissing = false;         // ... a key of a record the table does not hold
    std::int64_t m_currentPosition = -1;  // -1 when unknown
    std::int64_t m_hintPosition = -1;     // the last position rowAt() resolved
    std::uint32_t m_hintRecno = 0;

    std::map<int, Listener> m_listeners;
    int m_nextListener = 1;
    int m_disableCount = 0;
    bool m_missedEvent = false;
};
