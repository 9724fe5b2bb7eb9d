#pragma once

#include "db/engine/field_def.h"
#include "db/engine/key_expression.h"
#include "db/engine/unique_fd.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace db {

// One tag of a production index as the file describes it.
struct MdxTagInfo {
    std::string name;       // as stored (upper case)
    std::string expression; // as typed when the tag was made
    char keyType = 'C';     // 'C', 'N' or 'D'
    int keyLength = 0;
    bool descending = false;
    bool unique = false;
    bool hasFor = false;
    // False when this program cannot keep the tag current: its expression is not one the
    // key compiler accepts, gives another key length or type than the file says, or the tag
    // is descending, unique or has a FOR condition. Such a tag can still be read and walked,
    // but every write to the index is refused (see MdxFile::requireWritable).
    bool maintainable = true;
    std::string problem; // why not maintainable; empty otherwise
};

// Gives every live record of the table, in ascending record number order, to the visitor.
// The buffer passed to the visitor is the raw record (byte 0 = deletion flag) and is only
// valid during the call.
using RecordVisitor = std::function<void(std::uint32_t recno, const char *record)>;
using RecordSource = std::function<void(const RecordVisitor &visit)>;

// A dBASE IV production index (.MDX): 512-byte pages, 1024-byte blocks, up to 47 tags, each
// a B-tree of (key, record number) ordered by key then record number.
//
// Which records have keys: exactly the live ones (deletion flag not '*'). insertRecord,
// removeRecord and updateRecord look at the deletion flag of the buffers they get, so the
// table can pass the record as it was before and after any change (append, edit, delete,
// recall) to updateRecord/insertRecord/removeRecord.
//
// Shared use. The table holds its write lock around every modification; the index keeps
// no node cache between calls (nodes are read from the file, the OS caches them), but it
// does keep the header and tag headers. refresh() re-reads them when another process has
// changed the file (a change counter in a reserved area of the file header, bytes 48-59,
// which other dBASE tools ignore) or replaced it (rename by regenerate). Every modifying
// call refreshes first, so a writer holding the lock always works on the current file.
// Readers call refresh() when they want to see other processes' changes (for example after
// taking the lock, or before showing a new screen); cursors positioned before a change
// re-find their entry by key and record number.
//
// Crash safety. Before the first node of a modification is written, a dirty marker is set
// in the file header; it is cleared (and the change counter advanced) when the
// modification is complete. beginUpdate()/endUpdate() widen that window so the table can
// cover its own record write too: begin, write the record, update the index, end. A
// process killed in between leaves the marker set; the next open (or refresh) reports
// needsRegeneration(), and the caller rebuilds every tag with regenerate(). Whole-file
// rewrites (regenerate, addTag on a file that is rebuilt, deleteTag) are written beside
// the old file and renamed into place, so a kill there leaves the old file intact.
//
// Malformed files (pointers out of range, loops, key lengths that disagree, garbage)
// raise DbError naming the file, never a crash or an endless walk.
class MdxFile {
public:
    enum class Access { ReadOnly, ReadWrite };

    // Opens an existing index. `fields` are the table's fields, used to compile the tag
    // expressions; `languageDriver` is the table's byte 29 (decides UPPER's letters).
    [[nodiscard]] static std::unique_ptr<MdxFile> open(const std::string &path,
                                                       std::vector<FieldDef> fields,
                                                       std::uint8_t languageDriver,
                                                       Access access = Access::ReadWrite);

    // Creates a new index with no tags, replacing any file of that name (written beside and
    // renamed). The header names the table by the base name of `path`.
    [[nodiscard]] static std::unique_ptr<MdxFile>
    create(const std::string &path, std::vector<FieldDef> fields, std::uint8_t languageDriver);

    ~MdxFile();
    MdxFile(const MdxFile &) = delete;
    MdxFile &operator=(const MdxFile &) = delete;

    [[nodiscard]] const std::string &path() const { return m_path; }
    [[nodiscard]] std::uint8_t languageDriver() const { return m_languageDriver; }

    // True when the file was left in the middle of a modification (dirty marker set): its
    // keys cannot be trusted; call regenerate().
    [[nodiscard]] bool needsRegeneration() const { return m_dirtyOnDisk; }

    // Re-reads the header when another process changed or replaced the file. Returns true
    // if anything changed (cursors will re-find their position).
    bool refresh();

    [[nodiscard]] int tagCount() const { return static_cast<int>(m_tags.size()); }
    [[nodiscard]] std::vector<MdxTagInfo> tags() const;
    [[nodiscard]] const MdxTagInfo &tag(int index) const;
    // Index of the tag of that name (case-insensitive), or -1.
    [[nodiscard]] int findTag(std::string_view name) const;

    // Adds an expression tag (name upper-cased, at most 10 characters) built from the live
    // records. Throws DbError if the name exists, the expression does not compile, or the
    // file already holds 47 tags.
    void addTag(std::string_view name, std::string_view expression, const RecordSource &records);
    // Removes a tag; the file is rewritten without it (other tags keep their keys).
    void deleteTag(std::string_view name);
    // Rebuilds every tag from the table beside the old file and renames it into place;
    // clears needsRegeneration(). Throws DbError naming the tag if a tag is not
    // maintainable (the old file is then left as it was).
    void regenerate(const RecordSource &records);

    // The same from keys made beforehand (a bulk append into an empty table): for tag i,
    // `keys[i]` holds one row per live record in ascending record number order, each the
    // tag's key (keyLength bytes, as keyInto writes it) followed by the record number in
    // native byte order. The rows are taken over.
    void regenerateFromKeys(std::vector<std::vector<char>> keys);
    // Writes the key a record has in a tag (keyLength bytes) to `out`.
    void keyInto(int tag, const char *record, char *out) const;

    // Throws DbError naming the first tag this program cannot keep current (and the file);
    // the table calls this before it changes a record so nothing is half done.
    void requireWritable() const;

    // Key maintenance for every tag; the caller holds the table's write lock.
    void insertRecord(std::uint32_t recno, const char *record);
    void removeRecord(std::uint32_t recno, const char *record);
    void updateRecord(std::uint32_t recno, const char *oldRecord, const char *newRecord);

    // Batches several modifications under one dirty-marker window (nesting allowed). The
    // marker is written when the window opens, so the table may be changed inside it
    // before the keys are. endUpdate is not called when an exception leaves the index half changed:
    // the marker then stays and needsRegeneration() tells the next user.
    void beginUpdate();
    void endUpdate();
    class UpdateScope {
    public:
        explicit UpdateScope(MdxFile &file);
        ~UpdateScope() noexcept(false);
        UpdateScope(const UpdateScope &) = delete;
        UpdateScope &operator=(const UpdateScope &) = delete;

    private:
        MdxFile &m_file;
        int m_uncaught;
    };

    // Single-key operations on one tag (for tests and tools).
    void insertKey(int tag, std::string_view key, std::uint32_t recno);
    [[nodiscard]] bool removeKey(int tag, std::string_view key, std::uint32_t recno);
    // The key a record has in a tag (tag must be maintainable, else DbError).
    [[nodiscard]] std::string keyFor(int tag, const char *record) const;

    // Number of keys in the tag (walks the tree; cached until the file changes). The tag
    // holds exactly the live records, so this is the live count when the index is sound.
    // DbError for a tree that cannot be walked, or with an interior node claiming no keys.
    [[nodiscard]] std::uint64_t count(int tag);
    // The highest record number a key of the tag names (0 for none), found by the same walk.
    [[nodiscard]] std::uint32_t highestRecord(int tag);
    // The table the header says the index was made for (its base name as written, "" when
    // the header names none).
    [[nodiscard]] std::string tableName() const;

    // Checks the whole tree of a tag: node pointers in range, no node visited twice, keys
    // in order (key, then record number), interior keys equal to their child's last key.
    // Throws DbError describing the first fault.
    void verify(int tag);
    // verify(), then the keys against the table: exactly one key for every live record and
    // none else, each the key the record gives (tags this program can compute keys for).
    // Throws DbError describing the first fault.
    void verifyAgainst(int tag, const RecordSource &records);

    // Implementation details shared with MdxCursor.
    struct TagState;
    struct Node;
    [[nodiscard]] std::uint64_t generation() const { return m_generation; }
    [[nodiscard]] TagState &tagState(int index);
    void readNode(const TagState &tag, std::uint32_t page, Node &node) const;

private:
    MdxFile(std::string path, std::vector<FieldDef> fields, std::uint8_t languageDriver,
            Access access);
    void openFd();
    void loadHeader();
    void loadTags();
    [[noreturn]] void fail(const std::string &what) const;
    void writeAt(std::uint64_t offset, const void *data, std::size_t size);
    void readAt(std::uint64_t offset, void *data, std::size_t size) const;
    // readNode taking the bytes from `mapped` (the file's first `mappedBytes`) when it holds
    // them.
    void readNode(const TagState &tag, std::uint32_t page, Node &node, const unsigned char *mapped,
                  std::uint64_t mappedBytes) const;
    void markDirty();
    void markClean();
    void abandonUpdate();
    void writeTagTable();
    std::uint32_t allocateBlock(TagState &tag);
    void writeNode(const TagState &tag, const Node &node);
    void writeTagHeader(TagState &tag);
    void writeFileHeader();
    void requireTagWritable(const TagState &tag) const;
    void prepareWrite();
    void insertEntry(TagState &tag, const char *key, std::uint32_t recno);
    bool removeEntry(TagState &tag, const char *key, std::uint32_t recno);
    void rebuild(const std::vector<int> &keepFromOld, const RecordSource *records,
                 std::vector<std::vector<char>> *keys = nullptr);
    void requireRegenerable();
    void reopenAfterReplace();

    std::string m_path;
    std::vector<FieldDef> m_fields;
    std::uint8_t m_languageDriver;
    Access m_access;
    UniqueFd m_fd;
    std::uint64_t m_inode = 0;
    std::uint64_t m_device = 0;
    std::vector<std::unique_ptr<TagState>> m_tags;
    std::vector<unsigned char> m_header; // pages 0-3
    std::uint32_t m_pages = 0;           // where the next block goes
    std::uint32_t m_filePages = 0;       // pages that exist (bounds for node pointers)
    std::uint32_t m_counter = 0;
    bool m_dirtyOnDisk = false;
    int m_updateDepth = 0;
    bool m_dirtyMarked = false;
    std::uint64_t m_generation = 1;
};

// A position in one tag. All moves return false when there is no such entry (the cursor
// is then not valid). After the file changed (refresh), the next move re-finds the entry
// by key and record number first, so a walk continues where it was.
class MdxCursor {
public:
    MdxCursor(MdxFile &file, int tag);
    ~MdxCursor();
    MdxCursor(const MdxCursor &) = delete;
    MdxCursor &operator=(const MdxCursor &) = delete;

    [[nodiscard]] bool first();
    [[nodiscard]] bool last();
    [[nodiscard]] bool next();
    [[nodiscard]] bool prior();
    // First entry whose key is >= `key`. A key shorter than the tag's is compared on its
    // length only (a prefix seek); a longer one is cut.
    [[nodiscard]] bool seek(std::string_view key);
    // The entry of exactly this key and record number.
    [[nodiscard]] bool find(std::string_view key, std::uint32_t recno);
    // The entry of a record, its key computed from the buffer.
    [[nodiscard]] bool findRecord(std::uint32_t recno, const char *record);

    [[nodiscard]] bool valid() const { return m_valid; }
    [[nodiscard]] std::uint32_t recno() const { return m_recno; }
    [[nodiscard]] std::string_view key() const { return m_key; }

private:
    struct Level;
    bool descendEdge(std::uint32_t page, bool leftmost);
    bool stepForward();
    bool stepBackward();
    bool lowerBound(const char *key, int keyLength, std::uint32_t recno, bool useRecno);
    bool settle(bool forward);
    void resync();
    void capture();

    MdxFile &m_file;
    int m_tag;
    std::vector<Level> m_path;
    bool m_valid = false;
    std::uint32_t m_recno = 0;
    std::string m_key;
    std::uint64_t m_generation = 0;
};

} // namespace db
