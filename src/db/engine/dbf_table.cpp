#include "db/engine/dbf_table.h"

#include "db/engine/byte_order.h"
#include "db/engine/db_error.h"
#include "db/engine/file_lock.h"
#include "db/engine/file_names.h"
#include "db/engine/io_util.h"
#include "db/engine/stale_temps.h"
#include "db/engine/test_hook.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

namespace db {

namespace {

constexpr std::size_t kCacheBytes = 256 * 1024;
constexpr std::size_t kBatchBytes = 1024 * 1024;

using bytes::le16;
using bytes::le32;
using bytes::putLe16;
using bytes::putLe32;

bool knownVersion(std::uint8_t v) {
    switch (v) {
    case 0x03:
    case 0x04:
    case 0x05:
    case 0x30:
    case 0x31:
    case 0x32:
    case 0x43:
    case 0x63:
    case 0x7B:
    case 0x83:
    case 0x8B:
    case 0x8C:
    case 0x8E:
    case 0xCB:
    case 0xE5:
    case 0xF5:
    case 0xFB:
        return true;
    default:
        return false;
    }
}

bool dBase7Version(std::uint8_t v) {
    return v == 0x04 || v == 0x8C;
}
bool foxVersion(std::uint8_t v) {
    return v == 0x30 || v == 0x31 || v == 0x32 || v == 0xF5 || v == 0xFB;
}
bool visualFoxVersion(std::uint8_t v) {
    return v == 0x30 || v == 0x31 || v == 0x32;
}

// Today's date as the header stores it: year - 1900, month, day.
void putToday(unsigned char *p) {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    p[0] = static_cast<unsigned char>(std::clamp(tm.tm_year, 0, 255));
    p[1] = static_cast<unsigned char>(tm.tm_mon + 1);
    p[2] = static_cast<unsigned char>(tm.tm_mday);
}

bool isMemoLike(char type, bool fox) {
    return type == 'M' || type == 'G' || type == 'P' || (type == 'B' && !fox) ||
           (type == 'W' && fox);
}

std::string upperAscii(std::string_view s) {
    std::string out(s);
    for (char &c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

std::string tableBaseName(const std::string &path) {
    std::string name = fileNameOf(path);
    const auto dot = name.find('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

// Checks field definitions for a new table and fills in lengths and offsets.
std::vector<FieldDef> validateNewFields(const std::string &path, std::vector<FieldDef> fields,
                                        TableFormat format) {
    if (fields.empty())
        throw DbError(path, "a table needs at least one field");
    if (fields.size() > 255)
        throw DbError(path, "a table can have at most 255 fields");
    const bool iv = format == TableFormat::DBase4;
    int offset = 1;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        FieldDef &f = fields[i];
        if (f.name.empty() || f.name.size() > 10)
            throw DbError(path, "field name \"" + f.name + "\" must have 1 to 10 characters");
        if (!std::isalpha(static_cast<unsigned char>(f.name[0])))
            throw DbError(path, "field name \"" + f.name + "\" must start with a letter");
        for (char c : f.name)
            if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_')
                throw DbError(path,
                              "field name \"" + f.name + "\" may hold only letters, digits and _");
        f.name = upperAscii(f.name);
        for (std::size_t j = 0; j < i; ++j)
            if (fields[j].name == f.name)
                throw DbError(path, "field name \"" + f.name + "\" is used twice");
        const std::string what = "field " + f.name + ": ";
        switch (f.type) {
        case 'C':
            if (f.length < 1 || f.length > 254)
                throw DbError(path, what + "a character field is 1 to 254 wide");
            f.decimals = 0;
            break;
        case 'F':
            if (!iv)
                throw DbError(path, what + "dBASE III has no F fields");
            [[fallthrough]];
        case 'N': {
            const int maxWidth = iv ? 20 : 19;
            const int maxDec = iv ? 18 : 15;
            if (f.length < 1 || f.length > maxWidth)
                throw DbError(path, what + "a number field is 1 to " + std::to_string(maxWidth) +
                                        " wide");
            if (f.decimals < 0 || f.decimals > maxDec ||
                (f.decimals > 0 && f.decimals > f.length - 2))
                throw DbError(path, what + "the decimals do not fit the width");
            break;
        }
        case 'D':
            f.length = 8;
            f.decimals = 0;
            break;
        case 'L':
            f.length = 1;
            f.decimals = 0;
            break;
        case 'M':
            f.length = 10;
            f.decimals = 0;
            break;
        default:
            throw DbError(path,
                          what + "new tables cannot have fields of type " + std::string(1, f.type));
        }
        f.offset = offset;
        offset += f.length;
    }
    if (offset > 65535)
        throw DbError(path, "the record is longer than 65535 bytes");
    return fields;
}

} // namespace

DbfTable::DbfTable(const std::string &path, OpenMode mode) : m_path(path), m_mode(mode) {
    openFile();
}

DbfTable::~DbfTable() {
    if (m_fd.valid() && m_changed) {
        // Nobody is left to hear of a failure here; flush() is how callers learn of one.
        (void)::fdatasync(m_fd.get());
        if (m_memo)
            (void)m_memo->sync();
    }
}

bool DbfTable::isDBase7() const {
    return dBase7Version(m_header.version);
}
bool DbfTable::isFoxPro() const {
    return foxVersion(m_header.version);
}
bool DbfTable::productionIndexFlag() const {
    return !isFoxPro() && (m_header.flags & 0x01) != 0;
}

UniqueFd DbfTable::openLockedFile() const {
    const int flags = m_mode == OpenMode::ReadOnly ? O_RDONLY : O_RDWR;
    const auto kind =
        m_mode == OpenMode::Exclusive ? filelock::Kind::Exclusive : filelock::Kind::Shared;
    UniqueFd fd;
    switch (filelock::openLocked(m_path, flags, kind, fd)) {
    case filelock::OpenResult::Opened:
        return fd;
    case filelock::OpenResult::InUse:
        throw DbError(m_path, "the table is in use by another program");
    case filelock::OpenResult::Failed:
        break;
    }
    throw DbError(m_path, "cannot open the table: " + errnoText());
}

void DbfTable::openFile() {
    m_fd = openLockedFile();
    try {
        readHeaderBytes(false);
        openMemo(m_mode != OpenMode::ReadOnly);
    } catch (...) {
        m_fd.reset();
        throw;
    }
    if (m_mode == OpenMode::Exclusive)
        removeStaleTemporaries({m_path, companionPath(m_path, ".MDX"),
                                companionPath(m_path, ".DBT"), companionPath(m_path, ".FPT")});
}

// Nothing of this engine replaces a table while others have it open (pack and create need it
// to themselves), but another program may rename a file over it. What is written must then go
// to the file the name leads to, or it is lost with the old one.
void DbfTable::reopenReplaced() {
    m_fd = openLockedFile();
    m_cacheFirst = 0;
    m_cacheCount = 0;
    readHeaderBytes(true);
    openMemo(m_mode != OpenMode::ReadOnly);
}

void DbfTable::readHeaderBytes(bool checkStructure) {
    struct stat st {};
    if (::fstat(m_fd.get(), &st) != 0)
        throw DbError(m_path, "cannot read the table: " + errnoText());
    m_fileSize = static_cast<std::uint64_t>(st.st_size);
    if (checkStructure) {
        // Only the counters can have moved; the structure is fixed while the table is open.
        unsigned char h[32];
        if (preadFull(m_fd.get(), h, 32, 0, m_path) != 32)
            throw DbError(m_path, "the table header cannot be read");
        if (le16(h + 8) != m_header.headerLength || le16(h + 10) != m_header.recordLength)
            throw DbError(m_path, "the table structure was changed by another program");
        m_header.year = 1900 + h[1];
        m_header.month = h[2];
        m_header.day = h[3];
        m_header.recordCount = le32(h + 4);
        m_header.flags = h[28];
        std::memcpy(m_headerBytes.data(), h, 32);
    } else {
        if (m_fileSize < 32)
            throw DbError(m_path, "the file is too short to be a dBASE table");
        unsigned char h[32];
        if (preadFull(m_fd.get(), h, 32, 0, m_path) != 32)
            throw DbError(m_path, "the table header cannot be read");
        const std::uint16_t headerLength = le16(h + 8);
        if (headerLength < 32 || headerLength > m_fileSize)
            throw DbError(m_path, "the header length " + std::to_string(headerLength) +
                                      " does not fit the file (truncated or not a dBASE table)");
        std::vector<unsigned char> head(headerLength);
        if (preadFull(m_fd.get(), head.data(), headerLength, 0, m_path) != headerLength)
            throw DbError(m_path, "the table header cannot be read");
        parseHeader(head);
    }
    const std::uint64_t data =
        m_fileSize > m_header.headerLength ? m_fileSize - m_header.headerLength : 0;
    const std::uint64_t whole = data / m_header.recordLength;
    m_count = static_cast<std::uint32_t>(std::min<std::uint64_t>(m_header.recordCount, whole));
}

void DbfTable::parseHeader(const std::vector<unsigned char> &head) {
    const unsigned char *h = head.data();
    DbfHeader hd;
    hd.version = h[0];
    if (!knownVersion(hd.version)) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "0x%02X", hd.version);
        throw DbError(m_path, std::string("not a dBASE table (version byte ") + buf + ")");
    }
    hd.year = 1900 + h[1];
    hd.month = h[2];
    hd.day = h[3];
    hd.recordCount = le32(h + 4);
    hd.headerLength = le16(h + 8);
    hd.recordLength = le16(h + 10);
    hd.flags = h[28];
    hd.languageDriver = h[29];
    if (h[15] != 0)
        throw DbError(m_path, "the table is encrypted");
    const bool d7 = dBase7Version(hd.version);
    const bool fox = foxVersion(hd.version);
    const std::size_t first = d7 ? 68 : 32;
    const std::size_t size = d7 ? 48 : 32;
    if (head.size() < first + 1)
        throw DbError(m_path, "the header is too short for its field descriptors");
    if (hd.recordLength < 2)
        throw DbError(m_path,
                      "the record length " + std::to_string(hd.recordLength) + " is too small");

    std::vector<FieldDef> fields;
    std::vector<std::uint8_t> flags;
    std::size_t pos = first;
    bool terminated = false;
    int offset = 1;
    while (pos < head.size()) {
        if (h[pos] == 0x0D) {
            terminated = true;
            break;
        }
        if (pos + size > head.size())
            throw DbError(m_path, "the field descriptors are not terminated");
        const unsigned char *d = h + pos;
        FieldDef f;
        const std::size_t nameLen = d7 ? 32 : 11;
        std::size_t n = 0;
        while (n < nameLen && d[n] != 0)
            ++n;
        f.name.assign(reinterpret_cast<const char *>(d), n);
        // Names keep their case as stored; blanks after the name (some writers pad) go.
        while (!f.name.empty() && f.name.back() == ' ')
            f.name.pop_back();
        const std::string which = "field " + std::to_string(fields.size() + 1);
        if (f.name.empty())
            throw DbError(m_path, which + " has no name");
        f.type = static_cast<char>(d7 ? d[32] : d[11]);
        if (d7) {
            f.length = d[33];
            f.decimals = d[34];
        } else {
            f.length = d[16];
            f.decimals = d[17];
            // FoxPro and Clipper keep character widths above 255 in bytes 16-17.
            if (f.type == 'C') {
                f.length = bytes::le16(d + 16);
                f.decimals = 0;
            }
        }
        if (f.length == 0)
            throw DbError(m_path, which + " (" + f.name + ") has length 0");
        int wanted = 0;
        switch (f.type) {
        case 'I':
        case '+':
            wanted = 4;
            break;
        case 'Y':
        case 'T':
        case 'O':
        case '@':
            wanted = 8;
            break;
        case 'B':
            wanted = visualFoxVersion(hd.version) ? 8 : 0;
            break;
        case 'D':
            wanted = 8;
            break;
        default:
            break;
        }
        if (wanted && f.length != wanted)
            throw DbError(m_path, which + " (" + f.name + ") of type " + std::string(1, f.type) +
                                      " must be " + std::to_string(wanted) + " bytes long");
        if (isMemoLike(f.type, fox) && f.length != 10 && f.length != 4)
            throw DbError(m_path, which + " (" + f.name + ") is a memo field of width " +
                                      std::to_string(f.length));
        f.offset = offset;
        offset += f.length;
        if (offset > hd.recordLength)
            throw DbError(m_path, which + " (" + f.name + ") lies beyond the record length " +
                                      std::to_string(hd.recordLength));
        flags.push_back(d7 ? 0 : d[18]);
        fields.push_back(std::move(f));
        pos += size;
    }
    if (!terminated)
        throw DbError(m_path, "the header length " + std::to_string(head.size()) +
                                  " leaves no room for the end of the field descriptors");
    checkHeaderPadding(head, pos + 1, hd.version);
    if (fields.empty())
        throw DbError(m_path, "the table has no fields");
    if (offset != hd.recordLength)
        throw DbError(m_path, "the record length " + std::to_string(hd.recordLength) +
                                  " does not match the fields (" + std::to_string(offset) + ")");
    m_header = hd;
    m_headerBytes = head;
    m_fields = std::move(fields);
    m_fieldFlags = std::move(flags);
    m_nullFlagsField = -1;
    for (std::size_t i = 0; i < m_fields.size(); ++i)
        if (m_fields[i].type == '0')
            m_nullFlagsField = static_cast<int>(i);

    int cp = codePageForLanguageDriver(hd.languageDriver);
    m_codePage = nullptr;
    if (cp != 0) {
        try {
            m_codePage = &CodePage::get(cp);
        } catch (const DbError &) {
            m_codePage = nullptr;
        }
    }
    if (!m_codePage)
        m_codePage = &CodePage::get(kDefaultCodePage);

    m_memoKind = MemoKind::None;
    const bool anyMemo = std::any_of(m_fields.begin(), m_fields.end(),
                                     [fox](const FieldDef &f) { return isMemoLike(f.type, fox); });
    m_hasMemoFields = anyMemo;
    if (anyMemo) {
        switch (hd.version) {
        case 0x83:
            m_memoKind = MemoKind::DBase3;
            break;
        case 0x8B:
        case 0xCB:
        case 0x8C:
        case 0x7B:
            m_memoKind = MemoKind::DBase4;
            break;
        case 0xF5:
        case 0x30:
        case 0x31:
        case 0x32:
        case 0xFB:
            m_memoKind = MemoKind::FoxPro;
            break;
        default:
            // A memo field under a version byte that names no memo file: take what is there.
            if (findFileIgnoringCase(companionPath(m_path, ".DBT")))
                m_memoKind = MemoKind::DBase3;
            else if (findFileIgnoringCase(companionPath(m_path, ".FPT")))
                m_memoKind = MemoKind::FoxPro;
            break;
        }
    }
}

// Records start at the header length, so a length that is off by a byte or two shifts every
// field of every record. Beyond the terminator only what writers are known to put there is
// accepted: zeros (dBASE III and Clipper write one), the 263-byte backlink of Visual FoxPro,
// and the field properties of dBASE 7 (whose layout is not checked).
void DbfTable::checkHeaderPadding(const std::vector<unsigned char> &head, std::size_t end,
                                  std::uint8_t version) const {
    if (dBase7Version(version))
        return;
    std::size_t from = end;
    if (visualFoxVersion(version) && head.size() > end) {
        // A writer that leaves the backlink out is believed; one cut short is not.
        constexpr std::size_t kBacklink = 263;
        if (head.size() < end + kBacklink)
            throw DbError(m_path, "the header length " + std::to_string(head.size()) +
                                      " leaves no room for the backlink after the fields");
        from += kBacklink;
    }
    if (std::any_of(head.begin() + static_cast<std::ptrdiff_t>(from), head.end(),
                    [](unsigned char c) { return c != 0; }))
        throw DbError(m_path, "the header length " + std::to_string(head.size()) +
                                  " does not fit its field descriptors (they end at " +
                                  std::to_string(end) + ")");
}

void DbfTable::openMemo(bool writable) {
    m_memo.reset();
    if (m_memoKind == MemoKind::None)
        return;
    const auto found = findFileIgnoringCase(
        companionPath(m_path, m_memoKind == MemoKind::FoxPro ? ".FPT" : ".DBT"));
    if (!found)
        return;
    // dBASE III memo files carry no format mark; their dBASE IV-style memos are recognised
    // block by block, so the reader copes with both under either version byte.
    m_memo = std::make_unique<MemoFile>(*found, m_memoKind, writable);
}

const FieldDef &DbfTable::field(int index) const {
    return checkedField(index);
}

const FieldDef &DbfTable::checkedField(int index) const {
    if (index < 0 || index >= fieldCount())
        throw DbError(m_path, "no field number " + std::to_string(index + 1));
    return m_fields[static_cast<std::size_t>(index)];
}

int DbfTable::fieldIndex(std::string_view name) const {
    for (int i = 0; i < fieldCount(); ++i) {
        const std::string &n = m_fields[static_cast<std::size_t>(i)].name;
        if (n.size() == name.size() &&
            std::equal(n.begin(), n.end(), name.begin(), [](char a, char b) {
                return std::toupper(static_cast<unsigned char>(a)) ==
                       std::toupper(static_cast<unsigned char>(b));
            }))
            return i;
    }
    return -1;
}

void DbfTable::loadCache(std::uint32_t recno) const {
    const std::size_t len = m_header.recordLength;
    const std::uint32_t per =
        static_cast<std::uint32_t>(std::max<std::size_t>(1, kCacheBytes / len));
    const std::uint32_t n = std::min(per, flushedCount() - recno + 1);
    m_cache.resize(static_cast<std::size_t>(n) * len);
    const auto got =
        preadFull(m_fd.get(), m_cache.data(), m_cache.size(), recordOffset(recno), m_path);
    if (got < len) {
        m_cacheFirst = 0;
        m_cacheCount = 0;
        throw DbError(m_path, "record " + std::to_string(recno) +
                                  " cannot be read (the file is shorter than its header says)");
    }
    m_cacheFirst = recno;
    m_cacheCount = static_cast<std::uint32_t>(got / len);
}

std::string_view DbfTable::record(std::uint32_t recno) const {
    if (recno < 1 || recno > m_count)
        throw DbError(m_path, "there is no record " + std::to_string(recno) + " (the table has " +
                                  std::to_string(m_count) + ")");
    const std::size_t len = m_header.recordLength;
    if (!m_pending.empty() && recno >= m_pendingFirst)
        return {m_pending.data() + static_cast<std::size_t>(recno - m_pendingFirst) * len, len};
    if (m_cacheFirst == 0 || recno < m_cacheFirst || recno >= m_cacheFirst + m_cacheCount)
        loadCache(recno);
    return {m_cache.data() + static_cast<std::size_t>(recno - m_cacheFirst) * len, len};
}

void DbfTable::readRecord(std::uint32_t recno, std::string &out) const {
    out.assign(record(recno));
}

std::string DbfTable::blankRecord() const {
    std::string rec(m_header.recordLength, ' ');
    for (int i = 0; i < fieldCount(); ++i)
        setBlank(rec, i);
    return rec;
}

void DbfTable::requireWritable(const char *what) const {
    if (m_mode == OpenMode::ReadOnly)
        throw DbError(m_path, std::string("cannot ") + what + ": the table is open read-only");
}

void DbfTable::checkRecordArg(std::string_view record) const {
    if (record.size() != m_header.recordLength)
        throw DbError(m_path, "a record buffer of " + std::to_string(record.size()) +
                                  " bytes does not match the record length " +
                                  std::to_string(m_header.recordLength));
}

DbfTable::WriteLock::WriteLock(DbfTable *table) : m_table(table) {
    m_table->beginWrite();
}

DbfTable::WriteLock &DbfTable::WriteLock::operator=(WriteLock &&other) noexcept {
    if (this != &other) {
        if (m_table)
            m_table->endWrite();
        m_table = other.m_table;
        other.m_table = nullptr;
    }
    return *this;
}

DbfTable::WriteLock::~WriteLock() {
    if (m_table)
        m_table->endWrite();
}

DbfTable::AppendBatch::AppendBatch(DbfTable &table) : m_table(table), m_lock(&table) {
    ++m_table.m_batchDepth;
}

void DbfTable::AppendBatch::commit() {
    if (!m_open)
        return;
    m_open = false;
    --m_table.m_batchDepth;
    m_table.commitAppends();
}

DbfTable::AppendBatch::~AppendBatch() {
    if (!m_open)
        return;
    try {
        commit();
    } catch (const DbError &) {
        // The lock's release drops what could not be written: those records are not posted.
    }
}

std::uint32_t DbfTable::flushedCount() const {
    return m_count - static_cast<std::uint32_t>(m_pending.size() / m_header.recordLength);
}

void DbfTable::commitAppends() {
    if (m_pending.empty())
        return;
    // Records and end-of-file byte first, then the count (see appendRecord).
    m_pending += '\x1A';
    const std::uint64_t at = recordOffset(m_pendingFirst);
    try {
        writeAtEnd(m_pending, at);
    } catch (...) {
        m_pending.pop_back();
        throw;
    }
    m_pending.clear();
    writeHeaderCount(m_count);
}

void DbfTable::writeAtEnd(std::string_view bytes, std::uint64_t at) {
    try {
        pwriteFull(m_fd.get(), bytes.data(), bytes.size(), at, m_path);
    } catch (const DbError &) {
        // A full disk may have taken part of the bytes: the file ends where it ended before,
        // with its end-of-file mark, so it is the same as before the append (best effort:
        // the count was not changed, so readers ignore whatever stays).
        if (::ftruncate(m_fd.get(), static_cast<off_t>(at)) == 0) {
            const char eof = '\x1A';
            (void)::pwrite(m_fd.get(), &eof, 1, static_cast<off_t>(at));
        }
        throw;
    }
    m_fileSize = std::max(m_fileSize, at + bytes.size());
}

void DbfTable::beginWrite() {
    requireWritable("change it");
    if (m_writeDepth == 0 && m_mode == OpenMode::Shared) {
        for (int attempt = 0;; ++attempt) {
            filelock::lockWait(m_fd.get(), filelock::kWriteByte, filelock::Kind::Exclusive,
                               m_path.c_str());
            if (namesOpenFile(m_path, m_fd.get()))
                break;
            filelock::unlock(m_fd.get(), filelock::kWriteByte);
            if (attempt == 100)
                throw DbError(m_path, "another program keeps replacing the file");
            reopenReplaced();
        }
        try {
            readHeaderBytes(true);
        } catch (...) {
            filelock::unlock(m_fd.get(), filelock::kWriteByte);
            throw;
        }
        // Another process may have changed records in place while we did not hold the lock.
        m_cacheFirst = 0;
        m_cacheCount = 0;
    }
    ++m_writeDepth;
}

void DbfTable::endWrite() {
    if (m_writeDepth == 1 && !m_pending.empty()) {
        try {
            commitAppends();
        } catch (const DbError &) {
            // Called from a destructor: the gathered records are not posted. Callers that
            // must know call commitAppends() before they release the lock.
            m_count = flushedCount();
            m_pending.clear();
        }
    }
    if (--m_writeDepth == 0 && m_mode == OpenMode::Shared)
        filelock::unlock(m_fd.get(), filelock::kWriteByte);
}

void DbfTable::writeHeaderCount(std::uint32_t count) {
    unsigned char h[7];
    putToday(h);
    putLe32(h + 3, count);
    pwriteFull(m_fd.get(), h, sizeof h, 1, m_path);
    std::memcpy(m_headerBytes.data() + 1, h, sizeof h);
    m_header.year = 1900 + h[0];
    m_header.month = h[1];
    m_header.day = h[2];
    m_header.recordCount = count;
    m_changed = true;
}

void DbfTable::writeRecord(std::uint32_t recno, std::string_view rec) {
    checkRecordArg(rec);
    WriteLock lock(this);
    commitAppends();
    if (recno < 1 || recno > m_count)
        throw DbError(m_path, "there is no record " + std::to_string(recno) + " to write");
    pwriteFull(m_fd.get(), rec.data(), rec.size(), recordOffset(recno), m_path);
    if (m_cacheFirst != 0 && recno >= m_cacheFirst && recno < m_cacheFirst + m_cacheCount)
        std::memcpy(m_cache.data() + static_cast<std::size_t>(recno - m_cacheFirst) * rec.size(),
                    rec.data(), rec.size());
    writeHeaderCount(m_count);
}

std::uint32_t DbfTable::appendRecord(std::string_view rec) {
    checkRecordArg(rec);
    // Inside a batch, appends are gathered and written together (see the class comment);
    // otherwise each is written at once.
    const bool batch = m_batchDepth > 0;
    WriteLock lock(this);
    if (m_count == 0xFFFFFFFFu)
        throw DbError(m_path, "the table is full");
    if (batch) {
        if (m_pending.empty())
            m_pendingFirst = m_count + 1;
        m_pending.append(rec);
        ++m_count;
        if (m_pending.size() >= kBatchBytes)
            commitAppends();
        return m_count;
    }
    // Record and end-of-file byte first, then the count: a process stopped in between leaves
    // the old count, and the uncounted bytes are ignored by every reader.
    std::string bytes;
    bytes.reserve(rec.size() + 1);
    bytes.assign(rec);
    bytes += '\x1A';
    const std::uint32_t recno = m_count + 1;
    writeAtEnd(bytes, recordOffset(recno));
    writeHeaderCount(recno);
    m_count = recno;
    return recno;
}

void DbfTable::setDeleted(std::uint32_t recno, bool deleted) {
    WriteLock lock(this);
    commitAppends();
    if (recno < 1 || recno > m_count)
        throw DbError(m_path, "there is no record " + std::to_string(recno) + " to delete");
    const char flag = deleted ? '*' : ' ';
    pwriteFull(m_fd.get(), &flag, 1, recordOffset(recno), m_path);
    if (m_cacheFirst != 0 && recno >= m_cacheFirst && recno < m_cacheFirst + m_cacheCount)
        m_cache[static_cast<std::size_t>(recno - m_cacheFirst) * m_header.recordLength] = flag;
    writeHeaderCount(m_count);
}

void DbfTable::writeCount() {
    WriteLock lock(this);
    commitAppends();
    writeHeaderCount(m_count);
}

void DbfTable::setProductionIndexFlag(bool on) {
    WriteLock lock(this);
    const unsigned char b = on ? 0x01 : 0x00;
    pwriteFull(m_fd.get(), &b, 1, 28, m_path);
    m_header.flags = b;
    m_headerBytes[28] = b;
    m_changed = true;
}

void DbfTable::writeProductionIndexFlag(const std::string &path, bool on) {
    UniqueFd fd;
    const auto opened = filelock::openLocked(path, O_RDWR, filelock::Kind::Shared, fd);
    if (opened == filelock::OpenResult::Failed)
        throw DbError(path, "cannot open the table: " + errnoText());
    if (opened == filelock::OpenResult::InUse)
        throw DbError(path, "the table is in use by another program");
    unsigned char h[32];
    if (preadFull(fd.get(), h, 32, 0, path) != 32 || !knownVersion(h[0]))
        throw DbError(path, "not a dBASE table");
    const unsigned char b = on ? 0x01 : 0x00;
    pwriteFull(fd.get(), &b, 1, 28, path);
    if (::fdatasync(fd.get()) != 0)
        throw DbError(path, "cannot write: " + errnoText());
}

void DbfTable::refresh() {
    if (m_writeDepth > 0)
        return; // the header is current while we hold the write lock
    // Another program put a new file in its place (one removed leaves us what we hold).
    if (m_mode != OpenMode::Exclusive && !namesOpenFile(m_path, m_fd.get()) &&
        ::access(m_path.c_str(), F_OK) == 0) {
        reopenReplaced();
        return;
    }
    readHeaderBytes(true);
    m_cacheFirst = 0;
    m_cacheCount = 0;
}

void DbfTable::flush() {
    if (m_mode == OpenMode::ReadOnly)
        return;
    commitAppends();
    if (::fdatasync(m_fd.get()) != 0)
        throw DbError(m_path, "cannot write: " + errnoText());
    if (m_memo && !m_memo->sync())
        throw DbError(m_memo->path(), "cannot write: " + errnoText());
}

void DbfTable::create(const std::string &path, const std::vector<FieldDef> &input,
                      const CreateOptions &options) {
    const std::vector<FieldDef> fields = validateNewFields(path, input, options.format);
    const bool memo =
        std::any_of(fields.begin(), fields.end(), [](const FieldDef &f) { return f.type == 'M'; });
    const int recordLength = fields.back().offset + fields.back().length;
    const std::size_t headerLength = 32 + 32 * fields.size() + 1;

    std::string bytes(headerLength + 1, '\0');
    auto *h = reinterpret_cast<unsigned char *>(bytes.data());
    h[0] = memo ? (options.format == TableFormat::DBase3 ? 0x83 : 0x8B) : 0x03;
    putToday(h + 1);
    putLe32(h + 4, 0);
    putLe16(h + 8, static_cast<std::uint16_t>(headerLength));
    putLe16(h + 10, static_cast<std::uint16_t>(recordLength));
    h[28] = options.productionIndex ? 0x01 : 0x00;
    h[29] = options.languageDriver;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        unsigned char *d = h + 32 + 32 * i;
        std::memcpy(d, fields[i].name.data(), fields[i].name.size());
        d[11] = static_cast<unsigned char>(fields[i].type);
        // dBASE leaves a memory address here; the record offset helps FoxPro-family readers.
        putLe32(d + 12, static_cast<std::uint32_t>(fields[i].offset));
        d[16] = static_cast<unsigned char>(fields[i].length);
        d[17] = static_cast<unsigned char>(fields[i].decimals);
    }
    h[headerLength - 1] = 0x0D;
    h[headerLength] = 0x1A;

    // Hold the old file so nobody opens it while it is being replaced, and refuse to replace
    // a table another open still works on.
    UniqueFd old;
    auto held = filelock::openLocked(path, O_RDWR, filelock::Kind::Exclusive, old);
    if (held == filelock::OpenResult::Failed && errno != ENOENT) {
        // Without write access to the old file only exclusive users can be seen.
        held = filelock::openLocked(path, O_RDONLY, filelock::Kind::Shared, old);
    }
    if (held == filelock::OpenResult::InUse)
        throw DbError(path, "the table is in use by another program");
    // The new table first: it has no records, so it agrees with whatever memo file is there
    // when a kill comes before the memo file is made. The old table's records would point
    // into a new, empty memo file in the other order.
    writeFileAtomically(path, bytes);
    if (memo)
        MemoFile::create(companionPath(path, ".DBT"),
                         options.format == TableFormat::DBase3 ? MemoKind::DBase3
                                                               : MemoKind::DBase4,
                         tableBaseName(path));
}

void DbfTable::replaceFile(const std::function<void(std::string &)> *transform,
                           const std::function<void()> &beforeSwitch) {
    const std::size_t len = m_header.recordLength;
    std::string tempPath;
    UniqueFd fd(createTempBeside(m_path, tempPath));
    try {
        std::vector<unsigned char> head = m_headerBytes;
        std::string out;
        out.reserve(std::min<std::size_t>(kCacheBytes * 4, len * (m_count + 1) + 1));
        std::uint64_t pos = head.size();
        std::uint32_t kept = 0;
        std::string rec;
        for (std::uint32_t r = 1; r <= m_count; ++r) {
            const std::string_view src = record(r);
            if (isDeleted(src))
                continue;
            if (transform) {
                rec.assign(src);
                (*transform)(rec);
                out += rec;
            } else {
                out.append(src);
            }
            if (++kept % 4096 == 0)
                testhook::reach("pack:records");
            if (out.size() >= kCacheBytes * 4) {
                pwriteFull(fd.get(), out.data(), out.size(), pos, m_path);
                pos += out.size();
                out.clear();
            }
        }
        out += '\x1A';
        pwriteFull(fd.get(), out.data(), out.size(), pos, m_path);
        putToday(head.data() + 1);
        putLe32(head.data() + 4, kept);
        pwriteFull(fd.get(), head.data(), head.size(), 0, m_path);
        // Lock the new file before it takes the old one's name, so no other open can slip in.
        if (!filelock::tryLock(fd.get(), filelock::kOpenByte, filelock::Kind::Exclusive,
                               m_path.c_str()))
            throw DbError(m_path, "cannot lock the packed table");
        if (beforeSwitch)
            beforeSwitch();
        testhook::reach("pack:written");
        commitTemp(fd.get(), tempPath, m_path);
    } catch (...) {
        ::unlink(tempPath.c_str());
        throw;
    }
    m_fd = std::move(fd);
    ++m_replacements;
    m_cacheFirst = 0;
    m_cacheCount = 0;
    m_changed = true;
    readHeaderBytes(true);
}

// Pack without a memo file is one rename. With one, the table's memo pointers are block
// numbers in the one memo file whose name goes with the table's, so a new memo file cannot be
// renamed into place together with the new table: whichever came second, a kill between the
// two renames would leave a table pointing into the wrong memo file. Instead the memo file is
// only ever changed in ways that keep it consistent with the table in place at that moment:
//   1. The live records' memos are copied behind everything in use (from block `start` on),
//      where the old table points nowhere; the new table, written beside the old, points at
//      the copies. The memo file is synced before the new table is renamed into place, so
//      the old table, or the new one with its copies, is the table at every instant.
//   2. The copies are moved to the front of the memo file, into blocks only the old table
//      used; the table in place still points at the copies, which are not touched.
//   3. A second new table pointing at the moved copies is renamed into place; then the
//      memo file is cut after them.
// A kill anywhere leaves a table and memo file that agree; at worst the memo file is longer
// than it need be, as after a failure in steps 2 and 3, which the next pack tidies up.
void DbfTable::packWithMemo() {
    const bool fox = isFoxPro();
    const std::uint32_t first = m_memo->firstDataBlock();
    const std::uint32_t start = m_memo->endBlock();
    std::uint32_t end = start;
    std::unordered_map<std::uint32_t, std::uint32_t> copies; // old block -> its copy
    const std::function<void(std::string &)> copyMemos = [&](std::string &rec) {
        for (int i = 0; i < fieldCount(); ++i) {
            const FieldDef &f = m_fields[static_cast<std::size_t>(i)];
            if (!isMemoLike(f.type, fox))
                continue;
            const auto block = memoBlock(rec, i);
            std::uint32_t copy = 0;
            if (block) {
                const auto known = copies.find(*block);
                if (known != copies.end()) {
                    copy = known->second;
                } else {
                    const std::string data = m_memo->read(*block);
                    if (!data.empty()) {
                        copy = end;
                        end = m_memo->appendAt(end, data);
                    }
                    copies.emplace(*block, copy);
                }
            }
            putMemoPointer(rec, f, copy);
        }
    };
    try {
        replaceFile(&copyMemos, [this] {
            if (!m_memo->sync())
                throw DbError(m_memo->path(), "cannot write: " + errnoText());
        });
    } catch (const DbError &) {
        // The old table is in place and points at nothing from `start` on.
        try {
            m_memo->truncate(start);
        } catch (const DbError &) {
        }
        throw;
    }
    testhook::reach("pack:switched");
    try {
        const std::uint32_t count = end - start;
        if (count == 0) {
            m_memo->truncate(first);
        } else if (first + count <= start) {
            m_memo->copyBlocks(start, first, count);
            if (!m_memo->sync())
                throw DbError(m_memo->path(), "cannot write: " + errnoText());
            testhook::reach("pack:moved");
            const std::uint32_t shift = start - first;
            const std::function<void(std::string &)> renumber = [&](std::string &rec) {
                for (int i = 0; i < fieldCount(); ++i) {
                    const FieldDef &f = m_fields[static_cast<std::size_t>(i)];
                    if (!isMemoLike(f.type, fox))
                        continue;
                    if (const auto block = memoBlock(rec, i))
                        putMemoPointer(rec, f, *block - shift);
                }
            };
            replaceFile(&renumber, {});
            testhook::reach("pack:renumbered");
            m_memo->truncate(first + count);
        }
        // else the copies overlap the blocks they would move to (memos shared or overlapping
        // in a damaged file): they stay where they are.
    } catch (const DbError &) {
        // The records are packed; only the memo file stays larger than it need be.
    }
}

void DbfTable::pack() {
    if (m_mode != OpenMode::Exclusive)
        throw DbError(m_path, "packing needs the table open exclusively");
    commitAppends();
    if (m_memo) {
        packWithMemo();
        return;
    }
    replaceFile(nullptr, {});
    testhook::reach("pack:switched");
}

} // namespace db
