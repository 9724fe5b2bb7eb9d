#include "db/engine/mdx_file.h"

#include "db/engine/byte_order.h"
#include "db/engine/db_error.h"
#include "db/engine/io_util.h"
#include "db/engine/test_hook.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <exception>
#include <unordered_set>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace db {

namespace {

constexpr int kPageSize = 512;
constexpr int kBlockSize = 1024;
constexpr int kPagesPerBlock = 2;
constexpr int kHeaderBytes = 2048; // pages 0-3: file header and tag table
constexpr int kTagTableOffset = 544;
constexpr int kTagEntrySize = 32;
constexpr int kMaxTags = 47;
constexpr int kMaxDepth = 24;
constexpr int kExpressionOffset = 24;
constexpr int kExpressionRoom = 220;

// Our own bookkeeping in the reserved part of the file header (other tools ignore it):
// a signature, a change counter and the dirty marker.
constexpr int kOwnOffset = 48;
constexpr char kOwnMagic[4] = {'S', 'K', 'X', '1'};
constexpr int kCounterOffset = 52;
constexpr int kDirtyOffset = 56;

void putToday(unsigned char *p) {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    p[0] = static_cast<unsigned char>(tm.tm_year);
    p[1] = static_cast<unsigned char>(tm.tm_mon + 1);
    p[2] = static_cast<unsigned char>(tm.tm_mday);
}

std::string upperAscii(std::string_view s) {
    std::string out(s);
    for (char &c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 0x20);
    return out;
}

std::string baseName(const std::string &path) {
    size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0)
        name.resize(dot);
    return upperAscii(name);
}

// Language drivers whose character order is plain byte order; keys we insert into a tag of
// any other collation would be out of that file's order.
bool binaryCollation(std::uint8_t driver) {
    switch (driver) {
    case 0x00:
    case 0x01:
    case 0x02:
    case 0x03:
    case 0x1B:
    case 0x57:
        return true;
    default:
        return false;
    }
}

// dBASE marks keys built with string functions 0x00 and plain field keys 0x10.
std::uint8_t formatFor(std::string_view expression) {
    std::string up = upperAscii(expression);
    for (const char *f : {"UPPE", "LOWE", "LEFT", "RIGH", "SUBS", "TRIM", "LTRI", "RTRI", "DTOC"})
        if (up.find(f) != std::string::npos)
            return 0x00;
    return 0x10;
}

int itemLengthFor(int keyLength) {
    return (keyLength + 4 + 3) / 4 * 4;
}
int maxKeysFor(int itemLength) {
    return (kBlockSize - 12) / itemLength;
}

} // namespace

struct MdxFile::Node {
    std::uint32_t page = 0;
    int itemLength = 0;
    int n = 0;
    bool leaf = true;
    // Room for one item more than a block holds: a node is split after the insert.
    std::array<unsigned char, 2 * kBlockSize> b{};

    [[nodiscard]] unsigned char *item(int i) { return b.data() + 8 + i * itemLength; }
    [[nodiscard]] const unsigned char *item(int i) const { return b.data() + 8 + i * itemLength; }
    [[nodiscard]] std::uint32_t pointer(int i) const { return bytes::le32(item(i)); }
    [[nodiscard]] const char *key(int i) const {
        return reinterpret_cast<const char *>(item(i) + 4);
    }
    // Child i of an interior node: items 0..n-1, then the trailing pointer.
    [[nodiscard]] std::uint32_t child(int i) const {
        return i < n ? pointer(i) : bytes::le32(b.data() + 8 + n * itemLength);
    }
    void setCount(int count) {
        n = count;
        bytes::putLe32(b.data(), static_cast<std::uint32_t>(count));
    }
    void setChild(int i, std::uint32_t page_) {
        if (i < n)
            bytes::putLe32(item(i), page_);
        else
            bytes::putLe32(b.data() + 8 + n * itemLength, page_);
    }
    // Inserts an item before i; the trailing pointer moves along.
    void insertItem(int i, std::uint32_t ptr, const char *k, int keyLength) {
        std::uint32_t trailing = leaf ? 0 : child(n);
        std::memmove(item(i + 1), item(i), static_cast<size_t>((n - i) * itemLength));
        std::memset(item(i), 0, static_cast<size_t>(itemLength));
        bytes::putLe32(item(i), ptr);
        std::memcpy(item(i) + 4, k, static_cast<size_t>(keyLength));
        setCount(n + 1);
        bytes::putLe32(b.data() + 8 + n * itemLength, trailing);
    }
    void eraseItem(int i) {
        std::uint32_t trailing = leaf ? 0 : child(n);
        std::memmove(item(i), item(i + 1), static_cast<size_t>((n - i - 1) * itemLength));
        setCount(n - 1);
        bytes::putLe32(b.data() + 8 + n * itemLength, trailing);
    }
    void setKey(int i, const char *k, int keyLength) {
        std::memcpy(item(i) + 4, k, static_cast<size_t>(keyLength));
    }
};

struct MdxFile::TagState {
    int entry = 0;
    std::string name;
    std::uint32_t headerPage = 0;
    std::uint32_t root = 0;
    std::uint32_t nodePages = 0;
    std::uint8_t tableFormat = 0x10;
    char keyType = 'C';
    int keyLength = 0;
    int itemLength = 0;
    int maxKeys = 0;   // what the file says (a node may hold this many)
    int insertMax = 0; // what we fill a node to
    std::uint32_t firstLeaf = 0;
    std::uint32_t lastNode = 0;
    std::array<unsigned char, kBlockSize> header{};
    std::unique_ptr<KeyExpression> compiled;
    MdxTagInfo info;
    std::uint64_t countValue = 0;
    std::uint32_t highestValue = 0; // the highest record number of a key, with the count
    std::uint64_t countGeneration = 0;
    bool headerChanged = false;
};

struct MdxCursor::Level {
    MdxFile::Node node;
    int index = 0;
};

namespace {

// Sorted (key, record number) rows of one tag, ready to be loaded into leaves.
struct Entries {
    int keyLength = 0;
    char keyType = 'C';
    std::vector<char> rows; // key bytes then a native 32-bit record number
    std::vector<std::uint32_t> order;
    bool ascending = true; // rows were added in record number order
    std::uint32_t lastRecno = 0;

    [[nodiscard]] int stride() const { return keyLength + 4; }
    [[nodiscard]] size_t size() const { return rows.size() / static_cast<size_t>(stride()); }
    [[nodiscard]] const char *key(size_t row) const {
        return rows.data() + row * static_cast<size_t>(stride());
    }
    [[nodiscard]] std::uint32_t recno(size_t row) const {
        std::uint32_t r;
        std::memcpy(&r, key(row) + keyLength, 4);
        return r;
    }
    void add(const char *k, std::uint32_t recno) {
        std::memcpy(append(recno), k, static_cast<size_t>(keyLength));
    }
    // Room for the key of a new row (to be filled by the caller).
    char *append(std::uint32_t recno) {
        if (recno <= lastRecno && !rows.empty())
            ascending = false;
        lastRecno = recno;
        size_t at = rows.size();
        if (rows.capacity() < at + static_cast<size_t>(stride()))
            rows.reserve(std::max<size_t>(rows.capacity() * 2, 1 << 16));
        rows.resize(at + static_cast<size_t>(stride()));
        std::memcpy(rows.data() + at + keyLength, &recno, 4);
        return rows.data() + at;
    }

    void sort() {
        size_t count = size();
        order.resize(count);
        for (size_t i = 0; i < count; ++i)
            order[i] = static_cast<std::uint32_t>(i);
        if (keyType != 'C' || !ascending) {
            std::stable_sort(order.begin(), order.end(), [this](std::uint32_t a, std::uint32_t b) {
                int c = compareKeys(keyType, key(a), key(b), keyLength);
                return c != 0 ? c < 0 : recno(a) < recno(b);
            });
            return;
        }
        // Character keys: sort 16-byte items (8 key bytes as a big-endian word, row) with
        // integer compares; runs of equal words are sorted again on the next 8 bytes. Rows
        // are in record number order, and the row breaks every tie, so equal keys end up
        // by record number. Many equal keys (a category) cost a scan, not memcmp calls.
        std::vector<Item> items(count);
        for (size_t i = 0; i < count; ++i)
            items[i] = {word(i, 0), static_cast<std::uint32_t>(i)};
        sortRun(items.data(), count, 0);
        for (size_t i = 0; i < count; ++i)
            order[i] = items[i].row;
    }

    struct Item {
        std::uint64_t word;
        std::uint32_t row;
    };

    [[nodiscard]] std::uint64_t word(size_t row, int from) const {
        const auto *k = reinterpret_cast<const unsigned char *>(key(row));
        std::uint64_t w = 0;
        for (int j = 0; j < 8; ++j)
            w = w << 8 | (from + j < keyLength ? k[from + j] : 0u);
        return w;
    }

    void sortRun(Item *items, size_t n, int from) {
        bool allEqual = true;
        bool ordered = true;
        for (size_t i = 1; i < n && (allEqual || ordered); ++i) {
            if (items[i].word != items[0].word)
                allEqual = false;
            if (items[i - 1].word > items[i].word ||
                (items[i - 1].word == items[i].word && items[i - 1].row > items[i].row))
                ordered = false;
        }
        if (!ordered)
            std::sort(items, items + n, [](const Item &a, const Item &b) {
                return a.word != b.word ? a.word < b.word : a.row < b.row;
            });
        if (from + 8 >= keyLength)
            return;
        if (allEqual) {
            for (size_t i = 0; i < n; ++i)
                items[i].word = word(items[i].row, from + 8);
            sortRun(items, n, from + 8);
            return;
        }
        size_t start = 0;
        while (start < n) {
            size_t end = start + 1;
            while (end < n && items[end].word == items[start].word)
                ++end;
            if (end - start > 1) {
                for (size_t i = start; i < end; ++i)
                    items[i].word = word(items[i].row, from + 8);
                sortRun(items + start, end - start, from + 8);
            }
            start = end;
        }
    }
};

// Lays out the nodes of one tag from sorted entries as dBASE's INDEX ON does: leaves
// packed full, interior levels of at most maxKeys children (maxKeys - 1 items), the root
// written last.
struct BuiltTree {
    std::uint32_t root = 0;
    std::uint32_t firstLeaf = 0;
    std::uint32_t lastNode = 0;
    std::uint32_t nodePages = 0;
    std::vector<unsigned char> blocks;
};

BuiltTree buildTree(const Entries &entries, int itemLength, int maxKeys, std::uint32_t firstPage) {
    BuiltTree tree;
    const int keyLength = entries.keyLength;
    std::uint32_t nextPage = firstPage;
    std::uint32_t previous = 0;
    struct Child {
        std::uint32_t page;
        const char *lastKey;
    };
    std::vector<Child> level;
    size_t total = entries.size();
    size_t leaves = total / static_cast<size_t>(maxKeys) + 1;
    tree.blocks.reserve((leaves + leaves / static_cast<size_t>(maxKeys - 1) + 8) * kBlockSize);
    auto newBlock = [&](std::uint32_t &page) -> unsigned char * {
        page = nextPage;
        nextPage += kPagesPerBlock;
        tree.blocks.resize(tree.blocks.size() + kBlockSize, 0);
        return tree.blocks.data() + tree.blocks.size() - kBlockSize;
    };
    size_t at = 0;
    do {
        std::uint32_t page = 0;
        unsigned char *block = newBlock(page);
        size_t take = std::min<size_t>(static_cast<size_t>(maxKeys), total - at);
        bytes::putLe32(block, static_cast<std::uint32_t>(take));
        bytes::putLe32(block + 4, previous);
        for (size_t i = 0; i < take; ++i) {
            size_t row = entries.order[at + i];
            unsigned char *item = block + 8 + i * static_cast<size_t>(itemLength);
            bytes::putLe32(item, entries.recno(row));
            std::memcpy(item + 4, entries.key(row), static_cast<size_t>(keyLength));
        }
        const char *last = take > 0 ? entries.key(entries.order[at + take - 1]) : nullptr;
        level.push_back({page, last});
        if (tree.firstLeaf == 0)
            tree.firstLeaf = page;
        previous = page;
        at += take;
    } while (at < total);

    // Interior levels until one node remains.
    const size_t fanout = static_cast<size_t>(maxKeys);
    while (level.size() > 1) {
        std::vector<Child> upper;
        size_t i = 0;
        while (i < level.size()) {
            size_t take = std::min(fanout, level.size() - i);
            // Never leave a last node with a single child: share with the one before.
            if (level.size() - i - take == 1 && take > 2)
                --take;
            std::uint32_t page = 0;
            unsigned char *block = newBlock(page);
            bytes::putLe32(block, static_cast<std::uint32_t>(take - 1));
            bytes::putLe32(block + 4, previous);
            for (size_t c = 0; c + 1 < take; ++c) {
                unsigned char *item = block + 8 + c * static_cast<size_t>(itemLength);
                bytes::putLe32(item, level[i + c].page);
                if (level[i + c].lastKey)
                    std::memcpy(item + 4, level[i + c].lastKey, static_cast<size_t>(keyLength));
            }
            bytes::putLe32(block + 8 + (take - 1) * static_cast<size_t>(itemLength),
                           level[i + take - 1].page);
            upper.push_back({page, level[i + take - 1].lastKey});
            previous = page;
            i += take;
        }
        level = std::move(upper);
    }
    tree.root = level.front().page;
    tree.lastNode = previous;
    tree.nodePages = nextPage - firstPage;
    return tree;
}

// Tag table threads: the tags as a binary search tree on the name, in entry order.
void computeThreads(const std::vector<std::string> &names, std::vector<std::array<int, 3>> &out) {
    out.assign(names.size(), {0, 0, 0});
    for (size_t i = 1; i < names.size(); ++i) {
        size_t at = 0;
        for (;;) {
            int &next = names[i] < names[at] ? out[at][0] : out[at][1];
            if (next == 0) {
                next = static_cast<int>(i) + 1;
                out[i][2] = static_cast<int>(at) + 1;
                break;
            }
            at = static_cast<size_t>(next - 1);
        }
    }
}

} // namespace

MdxFile::MdxFile(std::string path, std::vector<FieldDef> fields, std::uint8_t languageDriver,
                 Access access)
    : m_path(std::move(path)), m_fields(std::move(fields)), m_languageDriver(languageDriver),
      m_access(access) {}

MdxFile::~MdxFile() = default;

MdxFile::UpdateScope::UpdateScope(MdxFile &file)
    : m_file(file), m_uncaught(std::uncaught_exceptions()) {
    m_file.beginUpdate();
}

MdxFile::UpdateScope::~UpdateScope() noexcept(false) {
    if (std::uncaught_exceptions() > m_uncaught)
        m_file.abandonUpdate();
    else
        m_file.endUpdate();
}

void MdxFile::fail(const std::string &what) const {
    throw DbError(m_path, what);
}

std::unique_ptr<MdxFile> MdxFile::open(const std::string &path, std::vector<FieldDef> fields,
                                       std::uint8_t languageDriver, Access access) {
    std::unique_ptr<MdxFile> file(new MdxFile(path, std::move(fields), languageDriver, access));
    file->openFd();
    file->loadHeader();
    return file;
}

std::unique_ptr<MdxFile> MdxFile::create(const std::string &path, std::vector<FieldDef> fields,
                                         std::uint8_t languageDriver) {
    std::unique_ptr<MdxFile> file(
        new MdxFile(path, std::move(fields), languageDriver, Access::ReadWrite));
    file->rebuild({}, nullptr);
    return file;
}

void MdxFile::openFd() {
    UniqueFd fd(openRegularFile(m_path, m_access == Access::ReadOnly ? O_RDONLY : O_RDWR));
    if (!fd.valid())
        fail(std::string("cannot open the index: ") + std::strerror(errno));
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        fail(std::string("cannot read the index: ") + std::strerror(errno));
    m_fd = std::move(fd);
    m_inode = st.st_ino;
    m_device = st.st_dev;
}

void MdxFile::readAt(std::uint64_t offset, void *data, std::size_t size) const {
    auto *p = static_cast<char *>(data);
    while (size > 0) {
        ssize_t r = ::pread(m_fd.get(), p, size, static_cast<off_t>(offset));
        if (r < 0) {
            if (errno == EINTR)
                continue;
            fail(std::string("cannot read the index: ") + std::strerror(errno));
        }
        if (r == 0)
            fail("the index file ends in the middle of a block (offset " + std::to_string(offset) +
                 ")");
        p += r;
        size -= static_cast<size_t>(r);
        offset += static_cast<std::uint64_t>(r);
    }
}

void MdxFile::writeAt(std::uint64_t offset, const void *data, std::size_t size) {
    pwriteFull(m_fd.get(), data, size, offset, m_path);
}

void MdxFile::loadHeader() {
    struct stat st {};
    if (::fstat(m_fd.get(), &st) != 0)
        fail(std::string("cannot read the index: ") + std::strerror(errno));
    if (st.st_size < kHeaderBytes)
        fail("the file is too short to be a dBASE IV production index");
    m_header.assign(kHeaderBytes, 0);
    readAt(0, m_header.data(), kHeaderBytes);
    const unsigned char *h = m_header.data();
    if (h[0] != 2)
        fail("not a dBASE IV production index (version byte " + std::to_string(h[0]) + ")");
    if (bytes::le16(h + 20) != kPagesPerBlock || bytes::le16(h + 22) != kBlockSize)
        fail("index blocks of " + std::to_string(bytes::le16(h + 20)) + " pages / " +
             std::to_string(bytes::le16(h + 22)) +
             " bytes are not supported (only 1024-byte blocks)");
    int tags = bytes::le16(h + 28);
    if (tags > kMaxTags)
        fail("the index claims " + std::to_string(tags) + " tags; at most 47 are possible");
    if (h[26] != kTagEntrySize && tags > 0)
        fail("tag table entries of " + std::to_string(h[26]) + " bytes are not supported");
    std::uint64_t filePages = static_cast<std::uint64_t>(st.st_size) / kPageSize;
    std::uint64_t claimed = bytes::le32(h + 32);
    // Blocks go at the end of the file; a page count in the header beyond that (garbage)
    // is not believed.
    std::uint64_t pages = filePages + (filePages & 1);
    if (claimed > pages && claimed <= pages + kPagesPerBlock)
        pages = claimed + (claimed & 1);
    if (pages > 0x7FFFFFF0)
        fail("the index is too large");
    m_pages = static_cast<std::uint32_t>(pages);
    m_filePages = static_cast<std::uint32_t>(filePages);
    bool own = std::memcmp(h + kOwnOffset, kOwnMagic, 4) == 0;
    m_counter = own ? bytes::le32(h + kCounterOffset) : 0;
    m_dirtyOnDisk = own && h[kDirtyOffset] != 0;
    loadTags();
    ++m_generation;
}

// Why this program cannot keep a tag whose expression compiled current, or "".
static std::string maintenanceProblem(const MdxFile::TagState &tag, std::uint8_t fileDriver) {
    const MdxTagInfo &info = tag.info;
    if (tag.compiled->type() != tag.keyType)
        return std::string("its expression gives keys of type ") + tag.compiled->type() +
               ", the file holds type " + tag.keyType;
    if (tag.compiled->length() != tag.keyLength)
        return "its expression gives keys of " + std::to_string(tag.compiled->length()) +
               " bytes, the file holds " + std::to_string(tag.keyLength);
    if (info.descending)
        return "it is a descending tag";
    if (info.unique)
        return "it is a unique tag";
    if (info.hasFor)
        return "it has a FOR condition";
    if (tag.keyType == 'C' && !binaryCollation(fileDriver))
        return "its keys follow the collation of language driver " + std::to_string(fileDriver) +
               ", which this program does not know";
    return {};
}

void MdxFile::loadTags() {
    m_tags.clear();
    const unsigned char *h = m_header.data();
    int tags = bytes::le16(h + 28);
    std::uint8_t fileDriver = h[31];
    CaseTable cases = caseTableForLanguageDriver(m_languageDriver);
    for (int i = 0; i < tags; ++i) {
        const unsigned char *e = h + kTagTableOffset + i * kTagEntrySize;
        auto tag = std::make_unique<TagState>();
        tag->entry = i;
        tag->headerPage = bytes::le32(e);
        char name[12] = {};
        std::memcpy(name, e + 4, 11);
        tag->name = name;
        tag->tableFormat = e[15];
        if (tag->name.empty())
            fail("tag " + std::to_string(i + 1) + " has no name");
        if (tag->headerPage < 4 || tag->headerPage + kPagesPerBlock > m_filePages)
            fail("the header of tag " + tag->name + " lies outside the file (page " +
                 std::to_string(tag->headerPage) + ")");
        readAt(static_cast<std::uint64_t>(tag->headerPage) * kPageSize, tag->header.data(),
               kBlockSize);
        const unsigned char *t = tag->header.data();
        tag->root = bytes::le32(t);
        tag->nodePages = bytes::le32(t + 4);
        tag->keyType = static_cast<char>(t[9]);
        tag->keyLength = bytes::le16(t + 12);
        tag->maxKeys = bytes::le16(t + 14);
        tag->itemLength = bytes::le16(t + 18);
        tag->firstLeaf = bytes::le32(t + 248);
        tag->lastNode = bytes::le32(t + 252);
        const std::string &n = tag->name;
        if (tag->keyType != 'C' && tag->keyType != 'N' && tag->keyType != 'D')
            fail("tag " + n + " has an unknown key type");
        if (tag->keyLength < 1 || tag->keyLength > 240 ||
            (tag->keyType == 'N' && tag->keyLength != 12) ||
            (tag->keyType == 'D' && tag->keyLength != 8))
            fail("tag " + n + " has a key length of " + std::to_string(tag->keyLength) +
                 " that does not fit its key type");
        if (tag->itemLength < tag->keyLength + 4 || tag->itemLength > (kBlockSize - 12) / 2)
            fail("tag " + n + ": the key item length " + std::to_string(tag->itemLength) +
                 " disagrees with the key length " + std::to_string(tag->keyLength));
        if (tag->maxKeys < 2 || tag->maxKeys > (kBlockSize - 8) / tag->itemLength)
            fail("tag " + n + ": " + std::to_string(tag->maxKeys) +
                 " keys per node do not fit in a block");
        if (tag->root < 4 || tag->root + kPagesPerBlock > m_filePages)
            fail("the root node of tag " + n + " lies outside the file");
        tag->insertMax = std::min(tag->maxKeys, maxKeysFor(tag->itemLength));
        char expr[kExpressionRoom + 1] = {};
        std::memcpy(expr, t + kExpressionOffset, kExpressionRoom);
        MdxTagInfo &info = tag->info;
        info.name = tag->name;
        info.expression = expr;
        info.keyType = tag->keyType;
        info.keyLength = tag->keyLength;
        info.descending = (t[8] & 0x08) != 0;
        info.unique = (t[8] & 0x40) != 0 || t[23] != 0;
        info.hasFor = t[245] != 0;
        try {
            tag->compiled = std::make_unique<KeyExpression>(info.expression, m_fields, cases);
        } catch (const DbError &err) {
            info.problem = err.what();
        }
        if (info.problem.empty())
            info.problem = maintenanceProblem(*tag, fileDriver);
        info.maintainable = info.problem.empty();
        if (!info.maintainable)
            tag->compiled.reset();
        m_tags.push_back(std::move(tag));
    }
}

bool MdxFile::refresh() {
    struct stat st {};
    if (::stat(m_path.c_str(), &st) == 0 && (static_cast<std::uint64_t>(st.st_ino) != m_inode ||
                                             static_cast<std::uint64_t>(st.st_dev) != m_device)) {
        reopenAfterReplace();
        return true;
    }
    unsigned char head[64];
    readAt(0, head, sizeof head);
    struct stat now {};
    bool grown = ::fstat(m_fd.get(), &now) == 0 &&
                 static_cast<std::uint64_t>(now.st_size) / kPageSize != m_filePages;
    if (!grown && std::memcmp(head, m_header.data(), sizeof head) == 0)
        return false;
    loadHeader();
    return true;
}

void MdxFile::reopenAfterReplace() {
    openFd();
    loadHeader();
}

std::vector<MdxTagInfo> MdxFile::tags() const {
    std::vector<MdxTagInfo> out;
    for (const auto &t : m_tags)
        out.push_back(t->info);
    return out;
}

const MdxTagInfo &MdxFile::tag(int index) const {
    if (index < 0 || index >= tagCount())
        throw DbError(m_path, "there is no tag number " + std::to_string(index + 1));
    return m_tags[static_cast<size_t>(index)]->info;
}

int MdxFile::findTag(std::string_view name) const {
    std::string wanted = upperAscii(name);
    for (size_t i = 0; i < m_tags.size(); ++i)
        if (upperAscii(m_tags[i]->name) == wanted)
            return static_cast<int>(i);
    return -1;
}

MdxFile::TagState &MdxFile::tagState(int index) {
    if (index < 0 || index >= tagCount())
        throw DbError(m_path, "there is no tag number " + std::to_string(index + 1));
    return *m_tags[static_cast<size_t>(index)];
}

void MdxFile::readNode(const TagState &tag, std::uint32_t page, Node &node) const {
    readNode(tag, page, node, nullptr, 0);
}

void MdxFile::readNode(const TagState &tag, std::uint32_t page, Node &node,
                       const unsigned char *mapped, std::uint64_t mappedBytes) const {
    if (page < 4 || static_cast<std::uint64_t>(page) + kPagesPerBlock > m_filePages)
        fail("tag " + tag.name + ": a node pointer (page " + std::to_string(page) +
             ") lies outside the file");
    const std::uint64_t offset = static_cast<std::uint64_t>(page) * kPageSize;
    if (mapped && offset + kBlockSize <= mappedBytes)
        std::memcpy(node.b.data(), mapped + offset, kBlockSize);
    else
        readAt(offset, node.b.data(), kBlockSize);
    node.page = page;
    node.itemLength = tag.itemLength;
    std::uint32_t n = bytes::le32(node.b.data());
    if (n > static_cast<std::uint32_t>(tag.maxKeys) ||
        8 + n * static_cast<std::uint32_t>(tag.itemLength) > kBlockSize)
        fail("tag " + tag.name + ": node at page " + std::to_string(page) + " claims " +
             std::to_string(n) + " keys, more than a node holds");
    node.n = static_cast<int>(n);
    // A node filled to the last byte has no room for a trailing pointer: a leaf.
    size_t trailingAt = 8 + n * static_cast<size_t>(tag.itemLength);
    node.leaf = trailingAt + 4 > kBlockSize || bytes::le32(node.b.data() + trailingAt) == 0;
}

void MdxFile::requireTagWritable(const TagState &tag) const {
    if (!tag.info.maintainable)
        fail("the index tag " + tag.name + " (\"" + tag.info.expression +
             "\") cannot be kept up to date by this program: " + tag.info.problem +
             ". The table can be read but not changed while this tag exists.");
}

void MdxFile::requireWritable() const {
    if (m_access == Access::ReadOnly)
        fail("the index is open read-only");
    for (const auto &t : m_tags)
        requireTagWritable(*t);
}

void MdxFile::prepareWrite() {
    if (m_access == Access::ReadOnly)
        fail("the index is open read-only");
    if (!m_dirtyMarked) {
        refresh();
        if (m_dirtyOnDisk)
            fail("the index was left incomplete by an interrupted update and must be "
                 "regenerated");
    }
}

void MdxFile::markDirty() {
    if (m_dirtyMarked)
        return;
    unsigned char own[9];
    std::memcpy(own, kOwnMagic, 4);
    bytes::putLe32(own + 4, m_counter);
    own[8] = 1;
    writeAt(kOwnOffset, own, sizeof own);
    std::memcpy(m_header.data() + kOwnOffset, own, sizeof own);
    m_dirtyMarked = true;
}

void MdxFile::writeFileHeader() {
    unsigned char *h = m_header.data();
    bytes::putLe32(h + 32, m_pages);
    putToday(h + 44);
    std::memcpy(h + kOwnOffset, kOwnMagic, 4);
    bytes::putLe32(h + kCounterOffset, m_counter);
    h[kDirtyOffset] = m_dirtyMarked ? 1 : 0;
    writeAt(0, h, 64);
}

void MdxFile::markClean() {
    for (auto &t : m_tags)
        if (t->headerChanged)
            writeTagHeader(*t);
    ++m_counter;
    m_dirtyMarked = false;
    m_dirtyOnDisk = false;
    writeFileHeader();
}

void MdxFile::abandonUpdate() {
    if (m_updateDepth > 0)
        --m_updateDepth;
    if (m_dirtyMarked)
        m_dirtyOnDisk = true;
}

void MdxFile::beginUpdate() {
    if (m_updateDepth == 0) {
        prepareWrite();
        // The caller changes the table next: a kill between that write and the key
        // change must leave the marker set, or the index opens clean but short.
        markDirty();
    }
    ++m_updateDepth;
}

void MdxFile::endUpdate() {
    if (m_updateDepth == 0)
        return;
    if (--m_updateDepth == 0 && m_dirtyMarked && !m_dirtyOnDisk)
        markClean();
}

void MdxFile::writeTagHeader(TagState &tag) {
    unsigned char *t = tag.header.data();
    bytes::putLe32(t, tag.root);
    bytes::putLe32(t + 4, tag.nodePages);
    bytes::putLe32(t + 248, tag.firstLeaf);
    bytes::putLe32(t + 252, tag.lastNode);
    writeAt(static_cast<std::uint64_t>(tag.headerPage) * kPageSize, t, 260);
    tag.headerChanged = false;
}

std::uint32_t MdxFile::allocateBlock(TagState &tag) {
    std::uint32_t page = m_pages;
    m_pages += kPagesPerBlock;
    m_filePages = std::max(m_filePages, m_pages);
    tag.nodePages += kPagesPerBlock;
    tag.lastNode = page;
    tag.headerChanged = true;
    return page;
}

void MdxFile::writeNode(const TagState &tag, const Node &node) {
    (void)tag;
    writeAt(static_cast<std::uint64_t>(node.page) * kPageSize, node.b.data(), kBlockSize);
}

namespace {

struct PathLevel {
    MdxFile::Node node;
    int index = 0;
};

// Compares an item key with the target: on `length` bytes for character keys (a prefix
// seek), by value for numbers and dates.
int compareTarget(char type, const char *itemKey, const char *target, int length) {
    return compareKeys(type, itemKey, target, length);
}

} // namespace

// Descends from the root to the leaf position of the first entry >= (key, recno); with
// useRecno false, the first entry whose key >= key. Equal keys may span several children
// of one node; which of them holds the position is told by the last entry of each.
template <typename PathT>
static void descendTo(const MdxFile &file, const MdxFile::TagState &tag, const char *key,
                      int keyLength, std::uint32_t recno, bool useRecno, PathT &path) {
    path.clear();
    std::uint32_t page = tag.root;
    auto lastEntry = [&](std::uint32_t child, std::string &lastKey, std::uint32_t &lastRec) {
        MdxFile::Node n;
        std::uint32_t p = child;
        for (int depth = 0; depth < kMaxDepth; ++depth) {
            file.readNode(tag, p, n);
            if (n.leaf) {
                if (n.n == 0) {
                    lastKey.clear();
                    lastRec = 0;
                } else {
                    lastKey.assign(n.key(n.n - 1), static_cast<size_t>(tag.keyLength));
                    lastRec = n.pointer(n.n - 1);
                }
                return;
            }
            p = n.child(n.n);
        }
        throw DbError(file.path(), "tag " + tag.name + ": the tree is deeper than possible");
    };
    auto before = [&](const std::string &lastKey, std::uint32_t lastRec) {
        // True when the whole child lies before the target.
        if (lastKey.empty())
            return true;
        int c = compareTarget(tag.keyType, lastKey.data(), key, keyLength);
        if (c != 0)
            return c < 0;
        return useRecno ? lastRec < recno : false;
    };
    for (int depth = 0;; ++depth) {
        if (depth >= kMaxDepth)
            throw DbError(file.path(),
                          "tag " + tag.name + ": the tree is deeper than possible (a loop?)");
        path.emplace_back();
        auto &level = path.back();
        file.readNode(tag, page, level.node);
        const MdxFile::Node &node = level.node;
        if (node.leaf) {
            int lo = 0;
            int hi = node.n;
            while (lo < hi) {
                int mid = (lo + hi) / 2;
                int c = compareTarget(tag.keyType, node.key(mid), key, keyLength);
                bool less = c < 0 || (c == 0 && useRecno && node.pointer(mid) < recno);
                if (less)
                    lo = mid + 1;
                else
                    hi = mid;
            }
            level.index = lo;
            return;
        }
        // First separator >= key.
        int lo = 0;
        int hi = node.n;
        while (lo < hi) {
            int mid = (lo + hi) / 2;
            if (compareTarget(tag.keyType, node.key(mid), key, keyLength) < 0)
                lo = mid + 1;
            else
                hi = mid;
        }
        int first = lo;
        // End of the run of separators equal to key.
        hi = node.n;
        int l2 = first;
        while (l2 < hi) {
            int mid = (l2 + hi) / 2;
            if (compareTarget(tag.keyType, node.key(mid), key, keyLength) <= 0)
                l2 = mid + 1;
            else
                hi = mid;
        }
        int runEnd = l2;
        int chosen = runEnd;
        if (runEnd > first) {
            // Children first..runEnd-1 end with the key; find the first not wholly before.
            int a = first;
            int b = runEnd;
            while (a < b) {
                int mid = (a + b) / 2;
                std::string lk;
                std::uint32_t lr = 0;
                lastEntry(node.child(mid), lk, lr);
                if (before(lk, lr))
                    a = mid + 1;
                else
                    b = mid;
            }
            chosen = a;
        }
        level.index = chosen;
        page = node.child(chosen);
    }
}

void MdxFile::insertEntry(TagState &tag, const char *key, std::uint32_t recno) {
    markDirty();
    ++m_generation;
    std::vector<PathLevel> path;
    descendTo(*this, tag, key, tag.keyLength, recno, true, path);
    const int keyLength = tag.keyLength;

    // Item to insert at the current level: (pointer, key) before index.
    PathLevel &leafLevel = path.back();
    Node &leaf = leafLevel.node;
    int pos = leafLevel.index;
    if (pos < leaf.n && compareKeys(tag.keyType, leaf.key(pos), key, keyLength) == 0 &&
        leaf.pointer(pos) == recno)
        return; // already there
    bool newLast = pos == leaf.n;
    leaf.insertItem(pos, recno, key, keyLength);

    // Walk up splitting full nodes. `level` is the node just changed.
    int level = static_cast<int>(path.size()) - 1;
    std::string lastOfChanged; // new high key of the changed node when it moved
    for (;;) {
        Node &node = path[static_cast<size_t>(level)].node;
        int limit = node.leaf ? tag.insertMax : tag.insertMax - 1;
        if (node.n <= limit) {
            writeNode(tag, node);
            if (!newLast)
                return;
            // The node's highest key grew: fix the separators above.
            std::string high(node.leaf ? node.key(node.n - 1) : key,
                             static_cast<size_t>(keyLength));
            for (int up = level - 1; up >= 0; --up) {
                Node &parent = path[static_cast<size_t>(up)].node;
                int ci = path[static_cast<size_t>(up)].index;
                if (ci < parent.n) {
                    parent.setKey(ci, high.data(), keyLength);
                    writeNode(tag, parent);
                    return;
                }
            }
            return;
        }
        // Split: the lower half stays on this page, the upper half moves to a new one.
        Node right;
        right.itemLength = tag.itemLength;
        right.leaf = node.leaf;
        right.page = allocateBlock(tag);
        std::string separator;
        if (node.leaf) {
            int keep = (node.n + 1) / 2;
            int move = node.n - keep;
            std::memcpy(right.item(0), node.item(keep), static_cast<size_t>(move * tag.itemLength));
            right.setCount(move);
            bytes::putLe32(right.b.data() + 8 + move * tag.itemLength, 0);
            bytes::putLe32(right.b.data() + 4, node.page);
            node.setCount(keep);
            bytes::putLe32(node.b.data() + 8 + keep * tag.itemLength, 0);
            separator.assign(node.key(keep - 1), static_cast<size_t>(keyLength));
        } else {
            // Items 0..m-1 and child m stay; key m goes up; items m+1.. and the trailing
            // pointer move.
            int m = node.n / 2;
            std::uint32_t trailing = node.child(node.n);
            int move = node.n - m - 1;
            std::memcpy(right.item(0), node.item(m + 1),
                        static_cast<size_t>(move * tag.itemLength));
            right.setCount(move);
            bytes::putLe32(right.b.data() + 8 + move * tag.itemLength, trailing);
            bytes::putLe32(right.b.data() + 4, node.page);
            separator.assign(node.key(m), static_cast<size_t>(keyLength));
            std::uint32_t middleChild = node.pointer(m);
            node.setCount(m);
            bytes::putLe32(node.b.data() + 8 + m * tag.itemLength, middleChild);
        }
        writeNode(tag, right);
        writeNode(tag, node);
        if (level == 0) {
            // A new root above the two halves.
            Node root;
            root.itemLength = tag.itemLength;
            root.leaf = false;
            root.page = allocateBlock(tag);
            bytes::putLe32(root.b.data() + 4, right.page);
            root.setCount(1);
            bytes::putLe32(root.item(0), node.page);
            root.setKey(0, separator.data(), keyLength);
            bytes::putLe32(root.b.data() + 8 + tag.itemLength, right.page);
            writeNode(tag, root);
            tag.root = root.page;
            tag.headerChanged = true;
            return;
        }
        PathLevel &up = path[static_cast<size_t>(level - 1)];
        int ci = up.index;
        // The left half takes the old slot with its new high key; the right half takes the
        // next slot (an item, or the trailing pointer), whose key stays right unless the
        // new entry became the highest of all (newLast carries that up).
        up.node.insertItem(ci, node.page, separator.data(), keyLength);
        up.node.setChild(ci + 1, right.page);
        if (newLast && ci + 1 < up.node.n) {
            // The new entry is the highest of the right half.
            up.node.setKey(ci + 1, key, keyLength);
            newLast = false;
        }
        up.index = ci + 1;
        --level;
    }
}

bool MdxFile::removeEntry(TagState &tag, const char *key, std::uint32_t recno) {
    std::vector<PathLevel> path;
    descendTo(*this, tag, key, tag.keyLength, recno, true, path);
    const int keyLength = tag.keyLength;
    bool wasLast = false;
    {
        Node &leaf = path.back().node;
        int pos = path.back().index;
        if (pos >= leaf.n || compareKeys(tag.keyType, leaf.key(pos), key, keyLength) != 0 ||
            leaf.pointer(pos) != recno)
            return false;
        markDirty();
        ++m_generation;
        path.back().index = -1;
        wasLast = pos == leaf.n - 1;
        leaf.eraseItem(pos);
    }
    int level = static_cast<int>(path.size()) - 1;
    auto at = [&](int l) -> PathLevel & { return path[static_cast<size_t>(l)]; };

    // An emptied node leaves its parent; a parent whose only child went is emptied too.
    bool empty = at(level).node.n == 0 && at(level).node.leaf;
    while (empty && level > 0) {
        PathLevel &up = at(level - 1);
        Node &parent = up.node;
        --level;
        if (parent.n == 0)
            continue; // its only child went: it is empty in turn
        if (up.index < parent.n) {
            parent.eraseItem(up.index);
            wasLast = false;
        } else {
            // The trailing child went: the child before it becomes the trailing one.
            std::uint32_t newTrailing = parent.pointer(parent.n - 1);
            parent.eraseItem(parent.n - 1);
            parent.setChild(parent.n, newTrailing);
            up.index = parent.n;
            wasLast = true;
        }
        empty = false;
    }
    if (empty) {
        // Nothing is left: the root becomes an empty leaf.
        Node &root = at(0).node;
        root.leaf = true;
        root.setCount(0);
        bytes::putLe32(root.b.data() + 8, 0);
        writeNode(tag, root);
        return true;
    }
    Node &changed = at(level).node;
    if (!changed.leaf && changed.n == 0) {
        // One child left: it takes this node's place.
        std::uint32_t only = changed.child(0);
        if (level == 0) {
            tag.root = only;
            tag.headerChanged = true;
            return true;
        }
        PathLevel &up = at(level - 1);
        up.node.setChild(up.index, only);
        --level;
    }
    writeNode(tag, at(level).node);
    if (!wasLast)
        return true;
    // The highest key below at(level) changed: find it and fix the separators above.
    std::string high;
    {
        const Node *n = &at(level).node;
        Node below;
        for (int depth = 0; !n->leaf; ++depth) {
            if (depth >= kMaxDepth)
                fail("tag " + tag.name + ": the tree is deeper than possible");
            readNode(tag, n->child(n->n), below);
            n = &below;
        }
        if (n->n == 0)
            return true;
        high.assign(n->key(n->n - 1), static_cast<size_t>(keyLength));
    }
    for (int up = level - 1; up >= 0; --up) {
        Node &parent = at(up).node;
        int ci = at(up).index;
        if (ci < parent.n) {
            parent.setKey(ci, high.data(), keyLength);
            writeNode(tag, parent);
            return true;
        }
    }
    return true;
}

void MdxFile::insertKey(int tagIndex, std::string_view key, std::uint32_t recno) {
    TagState &tag = tagState(tagIndex);
    if (static_cast<int>(key.size()) > tag.keyLength)
        fail("a key of " + std::to_string(key.size()) + " bytes does not fit tag " + tag.name);
    std::string padded(key);
    padded.resize(static_cast<size_t>(tag.keyLength), tag.keyType == 'C' ? ' ' : '\0');
    prepareWrite();
    try {
        insertEntry(tag, padded.data(), recno);
    } catch (...) {
        if (m_dirtyMarked)
            m_dirtyOnDisk = true;
        throw;
    }
    if (m_updateDepth == 0 && m_dirtyMarked)
        markClean();
}

bool MdxFile::removeKey(int tagIndex, std::string_view key, std::uint32_t recno) {
    TagState &tag = tagState(tagIndex);
    std::string padded(key.substr(0, static_cast<size_t>(tag.keyLength)));
    padded.resize(static_cast<size_t>(tag.keyLength), tag.keyType == 'C' ? ' ' : '\0');
    prepareWrite();
    bool removed = false;
    try {
        removed = removeEntry(tag, padded.data(), recno);
    } catch (...) {
        if (m_dirtyMarked)
            m_dirtyOnDisk = true;
        throw;
    }
    if (m_updateDepth == 0 && m_dirtyMarked)
        markClean();
    return removed;
}

std::string MdxFile::keyFor(int tagIndex, const char *record) const {
    if (tagIndex < 0 || tagIndex >= tagCount())
        throw DbError(m_path, "there is no tag number " + std::to_string(tagIndex + 1));
    const TagState &tag = *m_tags[static_cast<size_t>(tagIndex)];
    requireTagWritable(tag);
    return tag.compiled->evaluate(record);
}

namespace {
bool isLive(const char *record) {
    return record[0] != '*';
}
} // namespace

void MdxFile::updateRecord(std::uint32_t recno, const char *oldRecord, const char *newRecord) {
    requireWritable();
    prepareWrite();
    try {
        for (auto &t : m_tags) {
            std::string oldKey =
                oldRecord && isLive(oldRecord) ? t->compiled->evaluate(oldRecord) : std::string();
            std::string newKey =
                newRecord && isLive(newRecord) ? t->compiled->evaluate(newRecord) : std::string();
            if (oldKey == newKey)
                continue;
            if (!oldKey.empty())
                removeEntry(*t, oldKey.data(), recno);
            if (!newKey.empty())
                insertEntry(*t, newKey.data(), recno);
        }
    } catch (...) {
        if (m_dirtyMarked)
            m_dirtyOnDisk = true;
        throw;
    }
    if (m_updateDepth == 0 && m_dirtyMarked)
        markClean();
}

void MdxFile::insertRecord(std::uint32_t recno, const char *record) {
    updateRecord(recno, nullptr, record);
}

void MdxFile::removeRecord(std::uint32_t recno, const char *record) {
    updateRecord(recno, record, nullptr);
}

std::uint64_t MdxFile::count(int tagIndex) {
    TagState &tag = tagState(tagIndex);
    if (tag.countGeneration == m_generation)
        return tag.countValue;
    // The walk reads every node of the tag, tens of thousands for a million keys. Through a
    // read-only mapping each costs a copy instead of a system call; the mapped pages are let
    // go every few megabytes, so the count does not make the whole index resident.
    struct Mapping {
        void *data = MAP_FAILED;
        std::size_t length = 0;
        ~Mapping() {
            if (data != MAP_FAILED)
                ::munmap(data, length);
        }
    } map;
    struct stat st {};
    if (::fstat(m_fd.get(), &st) == 0 && st.st_size > 0) {
        map.length = static_cast<std::size_t>(st.st_size);
        map.data = ::mmap(nullptr, map.length, PROT_READ, MAP_SHARED, m_fd.get(), 0);
    }
    const auto *mapped =
        map.data == MAP_FAILED ? nullptr : static_cast<const unsigned char *>(map.data);
    constexpr std::uint64_t kNodesBetweenDrops = 4096;
    std::uint64_t total = 0;
    std::uint32_t highest = 0;
    std::uint64_t visited = 0;
    const std::uint64_t limit = m_filePages / kPagesPerBlock + 1;
    struct Frame {
        std::uint32_t page;
        int depth;
    };
    std::vector<Frame> stack{{tag.root, 0}};
    Node node;
    while (!stack.empty()) {
        Frame f = stack.back();
        stack.pop_back();
        if (f.depth >= kMaxDepth || ++visited > limit)
            fail("tag " + tag.name + ": the tree has a loop");
        if (mapped && visited % kNodesBetweenDrops == 0)
            ::madvise(map.data, map.length, MADV_DONTNEED);
        readNode(tag, f.page, node, mapped, map.length);
        // No writer leaves an interior node without keys (its one child would take its place);
        // one that claims none hides all its children but the first.
        if (!node.leaf && node.n == 0)
            fail("tag " + tag.name + ": the interior node at page " + std::to_string(f.page) +
                 " claims no keys");
        if (node.leaf) {
            total += static_cast<std::uint64_t>(node.n);
            for (int i = 0; i < node.n; ++i)
                highest = std::max(highest, node.pointer(i));
            continue;
        }
        for (int i = node.n; i >= 0; --i)
            stack.push_back({node.child(i), f.depth + 1});
    }
    tag.countValue = total;
    tag.highestValue = highest;
    tag.countGeneration = m_generation;
    return total;
}

std::uint32_t MdxFile::highestRecord(int tagIndex) {
    (void)count(tagIndex);
    return tagState(tagIndex).highestValue;
}

std::string MdxFile::tableName() const {
    const char *name = reinterpret_cast<const char *>(m_header.data() + 4);
    return std::string(name, strnlen(name, 16));
}

void MdxFile::verify(int tagIndex) {
    TagState &tag = tagState(tagIndex);
    std::unordered_set<std::uint32_t> seen;
    std::string prevKey;
    std::uint32_t prevRec = 0;
    bool havePrev = false;
    int leafDepth = -1;
    // Returns the highest key of the subtree.
    std::function<std::string(std::uint32_t, int)> walk = [&](std::uint32_t page,
                                                              int depth) -> std::string {
        if (depth >= kMaxDepth)
            fail("tag " + tag.name + ": the tree is deeper than possible");
        if (!seen.insert(page).second)
            fail("tag " + tag.name + ": node at page " + std::to_string(page) +
                 " is reached twice");
        Node node;
        readNode(tag, page, node);
        if (node.leaf) {
            if (leafDepth < 0)
                leafDepth = depth;
            else if (leafDepth != depth)
                fail("tag " + tag.name + ": leaves at different depths");
            if (node.n == 0 && depth > 0)
                fail("tag " + tag.name + ": empty leaf at page " + std::to_string(page));
            for (int i = 0; i < node.n; ++i) {
                std::string k(node.key(i), static_cast<size_t>(tag.keyLength));
                std::uint32_t r = node.pointer(i);
                if (havePrev) {
                    int c = compareKeys(tag.keyType, prevKey.data(), k.data(), tag.keyLength);
                    if (c > 0 || (c == 0 && prevRec >= r))
                        fail("tag " + tag.name + ": keys out of order at page " +
                             std::to_string(page));
                }
                prevKey = k;
                prevRec = r;
                havePrev = true;
            }
            return node.n ? std::string(node.key(node.n - 1), static_cast<size_t>(tag.keyLength))
                          : std::string();
        }
        if (node.n + 1 > tag.insertMax + 1)
            fail("tag " + tag.name + ": interior node at page " + std::to_string(page) +
                 " is over-full");
        std::string high;
        for (int i = 0; i <= node.n; ++i) {
            high = walk(node.child(i), depth + 1);
            if (i < node.n &&
                compareKeys(tag.keyType, high.data(), node.key(i), tag.keyLength) != 0)
                fail("tag " + tag.name + ": separator " + std::to_string(i) + " of page " +
                     std::to_string(page) + " is not the last key of its child");
        }
        return high;
    };
    walk(tag.root, 0);
}

void MdxFile::verifyAgainst(int tagIndex, const RecordSource &records) {
    verify(tagIndex);
    TagState &tag = tagState(tagIndex);
    if (!tag.compiled)
        return; // a tag this program cannot compute keys for: only its tree is checked
    Entries expected;
    expected.keyLength = tag.keyLength;
    expected.keyType = tag.keyType;
    records([&](std::uint32_t recno, const char *record) {
        if (isLive(record))
            tag.compiled->evaluate(record, expected.append(recno));
    });
    expected.sort();
    // Both in (key, record number) order: the tag must hold exactly the expected entries.
    const std::uint64_t held = count(tagIndex);
    const auto counts = [&] {
        return " (the tag holds " + std::to_string(held) + " keys for " +
               std::to_string(expected.size()) + " live records)";
    };
    MdxCursor cursor(*this, tagIndex);
    bool more = cursor.first();
    for (size_t i = 0; more || i < expected.size();) {
        const std::uint32_t row = i < expected.size() ? expected.order[i] : 0;
        int c = 0;
        if (more && i < expected.size()) {
            c = compareKeys(tag.keyType, cursor.key().data(), expected.key(row), tag.keyLength);
            if (c == 0 && cursor.recno() == expected.recno(row)) {
                more = cursor.next();
                ++i;
                continue;
            }
        }
        const bool extra = i == expected.size() ||
                           (more && (c < 0 || (c == 0 && cursor.recno() < expected.recno(row))));
        if (extra)
            fail("tag " + tag.name + ": the key at record " + std::to_string(cursor.recno()) +
                 " is not that record's (the record is deleted, changed or not there)" + counts());
        fail("tag " + tag.name + ": record " + std::to_string(expected.recno(row)) + " has no key" +
             counts());
    }
}

void MdxFile::addTag(std::string_view name, std::string_view expression,
                     const RecordSource &records) {
    std::string tagName = upperAscii(name);
    if (tagName.empty() || tagName.size() > 10)
        fail("the tag name \"" + std::string(name) + "\" must have 1 to 10 characters");
    for (char c : tagName)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_'))
            fail("the tag name \"" + std::string(name) + "\" may hold only letters, digits and _");
    if (findTag(tagName) >= 0)
        fail("a tag named " + tagName + " exists already");
    if (tagCount() >= kMaxTags)
        fail("the index holds 47 tags already");
    if (expression.size() >= kExpressionRoom)
        fail("the key expression is longer than 219 characters");
    // The compiler knows no file; the message names the index.
    KeyExpression compiled = [&] {
        try {
            return KeyExpression(expression, m_fields,
                                 caseTableForLanguageDriver(m_languageDriver));
        } catch (const DbError &e) {
            fail(e.what());
        }
    }();
    prepareWrite();

    Entries entries;
    entries.keyLength = compiled.length();
    entries.keyType = compiled.type();
    if (records) {
        records([&](std::uint32_t recno, const char *record) {
            if (!isLive(record))
                return;
            compiled.evaluate(record, entries.append(recno));
        });
    }
    entries.sort();

    markDirty();
    ++m_generation;
    const int itemLength = itemLengthFor(compiled.length());
    const int maxKeys = maxKeysFor(itemLength);
    std::uint32_t headerPage = m_pages;
    BuiltTree tree = buildTree(entries, itemLength, maxKeys, headerPage + kPagesPerBlock);
    m_pages = headerPage + kPagesPerBlock + tree.nodePages;
    m_filePages = m_pages;

    auto tag = std::make_unique<TagState>();
    tag->entry = tagCount();
    tag->name = tagName;
    tag->headerPage = headerPage;
    tag->root = tree.root;
    tag->nodePages = tree.nodePages;
    tag->tableFormat = formatFor(expression);
    tag->keyType = compiled.type();
    tag->keyLength = compiled.length();
    tag->itemLength = itemLength;
    tag->maxKeys = maxKeys;
    tag->insertMax = maxKeys;
    tag->firstLeaf = tree.firstLeaf;
    tag->lastNode = tree.lastNode;
    unsigned char *t = tag->header.data();
    bytes::putLe32(t, tag->root);
    bytes::putLe32(t + 4, tag->nodePages);
    t[8] = tag->tableFormat;
    t[9] = static_cast<unsigned char>(tag->keyType);
    t[11] = m_languageDriver;
    bytes::putLe16(t + 12, static_cast<std::uint16_t>(tag->keyLength));
    bytes::putLe16(t + 14, static_cast<std::uint16_t>(maxKeys));
    bytes::putLe16(t + 16, tag->keyType == 'D' ? 1 : 0);
    bytes::putLe16(t + 18, static_cast<std::uint16_t>(itemLength));
    t[20] = 2;
    std::memcpy(t + kExpressionOffset, expression.data(), expression.size());
    bytes::putLe32(t + 248, tag->firstLeaf);
    bytes::putLe32(t + 252, tag->lastNode);
    putToday(t + 257);
    t[480] = tag->tableFormat == 0x00 ? 0x50 : 1;
    tag->info.name = tagName;
    tag->info.expression = std::string(expression);
    tag->info.keyType = tag->keyType;
    tag->info.keyLength = tag->keyLength;
    tag->compiled = std::make_unique<KeyExpression>(std::move(compiled));

    try {
        writeAt(static_cast<std::uint64_t>(headerPage) * kPageSize, t, kBlockSize);
        writeAt(static_cast<std::uint64_t>(headerPage + kPagesPerBlock) * kPageSize,
                tree.blocks.data(), tree.blocks.size());
        m_tags.push_back(std::move(tag));
        writeTagTable();
    } catch (...) {
        m_dirtyOnDisk = true;
        throw;
    }
    if (m_updateDepth == 0)
        markClean();
}

void MdxFile::writeTagTable() {
    unsigned char *h = m_header.data();
    std::memset(h + kTagTableOffset, 0, kHeaderBytes - kTagTableOffset);
    std::vector<std::string> names;
    for (const auto &t : m_tags)
        names.push_back(t->name);
    std::vector<std::array<int, 3>> threads;
    computeThreads(names, threads);
    for (size_t i = 0; i < m_tags.size(); ++i) {
        TagState &t = *m_tags[i];
        t.entry = static_cast<int>(i);
        unsigned char *e = h + kTagTableOffset + i * kTagEntrySize;
        bytes::putLe32(e, t.headerPage);
        std::memcpy(e + 4, t.name.data(), std::min<size_t>(t.name.size(), 10));
        e[15] = t.tableFormat;
        e[16] = static_cast<unsigned char>(threads[i][0]);
        e[17] = static_cast<unsigned char>(threads[i][1]);
        e[18] = static_cast<unsigned char>(threads[i][2]);
        e[19] = 2;
        e[20] = static_cast<unsigned char>(t.keyType);
    }
    bytes::putLe16(h + 28, static_cast<std::uint16_t>(m_tags.size()));
    writeAt(kTagTableOffset, h + kTagTableOffset, kHeaderBytes - kTagTableOffset);
    writeAt(28, h + 28, 2);
}

void MdxFile::deleteTag(std::string_view name) {
    int index = findTag(name);
    if (index < 0)
        fail("there is no tag named " + upperAscii(name));
    if (m_access == Access::ReadOnly)
        fail("the index is open read-only");
    refresh();
    index = findTag(name);
    if (index < 0)
        fail("there is no tag named " + upperAscii(name));
    std::vector<int> keep;
    for (int i = 0; i < tagCount(); ++i)
        if (i != index)
            keep.push_back(i);
    rebuild(keep, nullptr);
}

void MdxFile::requireRegenerable() {
    if (m_access == Access::ReadOnly)
        fail("the index is open read-only");
    refresh();
    for (const auto &t : m_tags) {
        if (!t->info.maintainable) {
            // A damaged file may still describe a tag we can rebuild; its problem then is
            // only that its keys disagree with what is in the file.
            requireTagWritable(*t);
        }
    }
}

void MdxFile::regenerate(const RecordSource &records) {
    requireRegenerable();
    std::vector<int> all;
    for (int i = 0; i < tagCount(); ++i)
        all.push_back(i);
    rebuild(all, &records);
}

void MdxFile::regenerateFromKeys(std::vector<std::vector<char>> keys) {
    requireRegenerable();
    if (keys.size() != m_tags.size())
        fail("keys for " + std::to_string(keys.size()) + " tags were given for " +
             std::to_string(m_tags.size()));
    std::vector<int> all;
    for (int i = 0; i < tagCount(); ++i)
        all.push_back(i);
    rebuild(all, nullptr, &keys);
}

void MdxFile::keyInto(int tagIndex, const char *record, char *out) const {
    if (tagIndex < 0 || tagIndex >= tagCount())
        throw DbError(m_path, "there is no tag number " + std::to_string(tagIndex + 1));
    const TagState &tag = *m_tags[static_cast<size_t>(tagIndex)];
    requireTagWritable(tag);
    tag.compiled->evaluate(record, out);
}

// Writes a complete new file beside the old one and renames it into place. Tags listed in
// `keepFromOld` come along: rebuilt from `records` when given, else copied key by key from
// the old file.
void MdxFile::rebuild(const std::vector<int> &keepFromOld, const RecordSource *records,
                      std::vector<std::vector<char>> *keys) {
    std::vector<Entries> entries(keepFromOld.size());
    for (size_t i = 0; i < keepFromOld.size(); ++i) {
        TagState &t = *m_tags[static_cast<size_t>(keepFromOld[i])];
        entries[i].keyLength = t.keyLength;
        entries[i].keyType = t.keyType;
    }
    if (keys) {
        for (size_t i = 0; i < keepFromOld.size(); ++i) {
            Entries &e = entries[i];
            e.rows = std::move((*keys)[static_cast<size_t>(keepFromOld[i])]);
            if (e.rows.size() % static_cast<size_t>(e.stride()) != 0)
                fail("tag " + m_tags[static_cast<size_t>(keepFromOld[i])]->name +
                     ": the keys given do not fit its key length");
            e.lastRecno = e.size() > 0 ? e.recno(e.size() - 1) : 0;
            e.sort();
        }
    } else if (records && *records) {
        std::uint32_t seen = 0;
        (*records)([&](std::uint32_t recno, const char *record) {
            if (++seen % 65536 == 0)
                testhook::reach("index:keys");
            if (!isLive(record))
                return;
            for (size_t i = 0; i < keepFromOld.size(); ++i)
                m_tags[static_cast<size_t>(keepFromOld[i])]->compiled->evaluate(
                    record, entries[i].append(recno));
        });
        for (Entries &e : entries)
            e.sort();
    } else {
        for (size_t i = 0; i < keepFromOld.size(); ++i) {
            MdxCursor cursor(*this, keepFromOld[i]);
            std::uint64_t limit = count(keepFromOld[i]);
            std::uint64_t n = 0;
            for (bool ok = cursor.first(); ok; ok = cursor.next()) {
                if (++n > limit)
                    fail("tag " + m_tags[static_cast<size_t>(keepFromOld[i])]->name +
                         ": the walk does not end");
                entries[i].add(cursor.key().data(), cursor.recno());
            }
            Entries &e = entries[i];
            e.order.resize(e.size());
            for (size_t r = 0; r < e.size(); ++r)
                e.order[r] = static_cast<std::uint32_t>(r);
        }
    }

    // The new header: keep the old table name and creation date when there was a file.
    std::vector<unsigned char> header(kHeaderBytes, 0);
    unsigned char *h = header.data();
    h[0] = 2;
    if (m_header.size() == kHeaderBytes) {
        std::memcpy(h + 1, m_header.data() + 1, 3);
        std::memcpy(h + 4, m_header.data() + 4, 16);
    } else {
        putToday(h + 1);
        std::string base = baseName(m_path).substr(0, 15);
        std::memcpy(h + 4, base.data(), base.size());
    }
    bytes::putLe16(h + 20, kPagesPerBlock);
    bytes::putLe16(h + 22, kBlockSize);
    h[24] = 1;
    h[25] = 48;
    h[26] = kTagEntrySize;
    h[31] = m_languageDriver;
    putToday(h + 44);
    h[529] = 1;

    std::vector<std::unique_ptr<TagState>> tags;
    std::vector<unsigned char> body;
    std::uint32_t page = kHeaderBytes / kPageSize;
    for (size_t i = 0; i < keepFromOld.size(); ++i) {
        const TagState &old = *m_tags[static_cast<size_t>(keepFromOld[i])];
        auto t = std::make_unique<TagState>();
        t->name = old.name;
        t->tableFormat = old.tableFormat;
        t->keyType = old.keyType;
        t->keyLength = old.keyLength;
        t->itemLength = old.itemLength;
        t->maxKeys = old.insertMax;
        t->insertMax = old.insertMax;
        t->header = old.header;
        t->headerPage = page;
        BuiltTree tree = buildTree(entries[i], t->itemLength, t->insertMax, page + kPagesPerBlock);
        t->root = tree.root;
        t->nodePages = tree.nodePages;
        t->firstLeaf = tree.firstLeaf;
        t->lastNode = tree.lastNode;
        unsigned char *th = t->header.data();
        bytes::putLe32(th, t->root);
        bytes::putLe32(th + 4, t->nodePages);
        bytes::putLe16(th + 14, static_cast<std::uint16_t>(t->maxKeys));
        th[11] = m_languageDriver;
        bytes::putLe32(th + 248, t->firstLeaf);
        bytes::putLe32(th + 252, t->lastNode);
        body.insert(body.end(), th, th + kBlockSize);
        body.insert(body.end(), tree.blocks.begin(), tree.blocks.end());
        page += kPagesPerBlock + tree.nodePages;
        entries[i] = Entries();
        tags.push_back(std::move(t));
    }
    bytes::putLe32(h + 32, page);
    std::memcpy(h + kOwnOffset, kOwnMagic, 4);
    bytes::putLe32(h + kCounterOffset, m_counter + 1);

    // Header with the tag table filled in once the tags are known.
    std::vector<std::string> names;
    for (const auto &t : tags)
        names.push_back(t->name);
    std::vector<std::array<int, 3>> threads;
    computeThreads(names, threads);
    for (size_t i = 0; i < tags.size(); ++i) {
        unsigned char *e = h + kTagTableOffset + i * kTagEntrySize;
        bytes::putLe32(e, tags[i]->headerPage);
        std::memcpy(e + 4, tags[i]->name.data(), std::min<size_t>(tags[i]->name.size(), 10));
        e[15] = tags[i]->tableFormat;
        e[16] = static_cast<unsigned char>(threads[i][0]);
        e[17] = static_cast<unsigned char>(threads[i][1]);
        e[18] = static_cast<unsigned char>(threads[i][2]);
        e[19] = 2;
        e[20] = static_cast<unsigned char>(tags[i]->keyType);
    }
    bytes::putLe16(h + 28, static_cast<std::uint16_t>(tags.size()));
    // Written beside the old file under a name of its own, synced, renamed into place and
    // the directory synced: a kill or a full disk leaves the old index whole.
    std::string temp;
    const UniqueFd fd(createTempBeside(m_path, temp));
    try {
        pwriteFull(fd.get(), header.data(), header.size(), 0, m_path);
        pwriteFull(fd.get(), body.data(), body.size(), kHeaderBytes, m_path);
        testhook::reach("index:written");
        commitTemp(fd.get(), temp, m_path);
    } catch (...) {
        ::unlink(temp.c_str());
        throw;
    }
    m_dirtyMarked = false;
    m_updateDepth = 0;
    openFd();
    loadHeader();
}

// ---- cursor

MdxCursor::MdxCursor(MdxFile &file, int tag) : m_file(file), m_tag(tag) {
    (void)m_file.tagState(tag);
}

MdxCursor::~MdxCursor() = default;

void MdxCursor::capture() {
    const Level &leaf = m_path.back();
    const MdxFile::TagState &tag = m_file.tagState(m_tag);
    m_key.assign(leaf.node.key(leaf.index), static_cast<size_t>(tag.keyLength));
    m_recno = leaf.node.pointer(leaf.index);
    m_valid = true;
    m_generation = m_file.generation();
}

bool MdxCursor::descendEdge(std::uint32_t page, bool leftmost) {
    const MdxFile::TagState &tag = m_file.tagState(m_tag);
    for (;;) {
        if (m_path.size() >= static_cast<size_t>(kMaxDepth))
            throw DbError(m_file.path(), "tag " + tag.name + ": the tree is deeper than possible");
        m_path.emplace_back();
        Level &level = m_path.back();
        m_file.readNode(tag, page, level.node);
        if (level.node.leaf) {
            level.index = leftmost ? 0 : level.node.n - 1;
            return level.node.n > 0;
        }
        level.index = leftmost ? 0 : level.node.n;
        page = level.node.child(level.index);
    }
}

// From the current leaf position (possibly one past the end, or an empty leaf), moves to
// the next entry.
bool MdxCursor::stepForward() {
    for (int guard = 0; guard < 1 << 20; ++guard) {
        if (m_path.empty())
            return false;
        Level &leaf = m_path.back();
        if (leaf.index + 1 < leaf.node.n && leaf.index >= -1) {
            ++leaf.index;
            return true;
        }
        // Up to the first ancestor with a child to the right.
        m_path.pop_back();
        while (!m_path.empty() && m_path.back().index >= m_path.back().node.n)
            m_path.pop_back();
        if (m_path.empty())
            return false;
        Level &up = m_path.back();
        ++up.index;
        if (descendEdge(up.node.child(up.index), true))
            return true;
        m_path.back().index = -1; // empty leaf: keep stepping
    }
    throw DbError(m_file.path(), "tag " + m_file.tag(m_tag).name + ": the walk does not end");
}

bool MdxCursor::stepBackward() {
    for (int guard = 0; guard < 1 << 20; ++guard) {
        if (m_path.empty())
            return false;
        Level &leaf = m_path.back();
        if (leaf.index - 1 >= 0 && leaf.index - 1 < leaf.node.n) {
            --leaf.index;
            return true;
        }
        m_path.pop_back();
        while (!m_path.empty() && m_path.back().index <= 0)
            m_path.pop_back();
        if (m_path.empty())
            return false;
        Level &up = m_path.back();
        --up.index;
        if (descendEdge(up.node.child(up.index), false))
            return true;
        m_path.back().index = 0; // empty leaf: keep stepping
    }
    throw DbError(m_file.path(), "tag " + m_file.tag(m_tag).name + ": the walk does not end");
}

bool MdxCursor::settle(bool found) {
    if (found)
        capture();
    else
        m_valid = false;
    return found;
}

bool MdxCursor::first() {
    m_path.clear();
    const MdxFile::TagState &tag = m_file.tagState(m_tag);
    bool ok = descendEdge(tag.root, true);
    if (!ok) {
        m_path.back().index = -1;
        ok = stepForward();
    }
    return settle(ok);
}

bool MdxCursor::last() {
    m_path.clear();
    const MdxFile::TagState &tag = m_file.tagState(m_tag);
    bool ok = descendEdge(tag.root, false);
    if (!ok) {
        m_path.back().index = 0;
        ok = stepBackward();
    }
    return settle(ok);
}

bool MdxCursor::lowerBound(const char *key, int keyLength, std::uint32_t recno, bool useRecno) {
    const MdxFile::TagState &tag = m_file.tagState(m_tag);
    descendTo(m_file, tag, key, keyLength, recno, useRecno, m_path);
    Level &leaf = m_path.back();
    if (leaf.index < leaf.node.n)
        return true;
    // Past the end of this leaf: the entry is the first of the next leaf.
    leaf.index = leaf.node.n - 1;
    if (leaf.node.n == 0)
        leaf.index = -1;
    return stepForward();
}

void MdxCursor::resync() {
    // The file changed since the cursor was placed: find the entry again.
    std::string key = m_key;
    std::uint32_t recno = m_recno;
    bool ok = lowerBound(key.data(), static_cast<int>(key.size()), recno, true);
    if (!ok) {
        m_path.clear();
        m_valid = false;
        return;
    }
    capture();
}

bool MdxCursor::next() {
    if (!m_valid)
        return false;
    if (m_generation != m_file.generation()) {
        std::string key = m_key;
        std::uint32_t recno = m_recno;
        resync();
        if (!m_valid)
            return false;
        // Still on the entry we were on: move past it; otherwise we already stand on what
        // followed it.
        if (m_key != key || m_recno != recno)
            return true;
    }
    return settle(stepForward());
}

bool MdxCursor::prior() {
    if (!m_valid)
        return false;
    if (m_generation != m_file.generation()) {
        std::string key = m_key;
        std::uint32_t recno = m_recno;
        const MdxFile::TagState &tag = m_file.tagState(m_tag);
        bool ok = lowerBound(key.data(), tag.keyLength, recno, true);
        if (!ok)
            return last();
        capture();
    }
    return settle(stepBackward());
}

bool MdxCursor::seek(std::string_view key) {
    const MdxFile::TagState &tag = m_file.tagState(m_tag);
    std::string k(key.substr(0, static_cast<size_t>(tag.keyLength)));
    int length = static_cast<int>(k.size());
    if (tag.keyType != 'C') {
        k.resize(static_cast<size_t>(tag.keyLength), '\0');
        length = tag.keyLength;
    }
    if (length == 0)
        return first();
    return settle(lowerBound(k.data(), length, 0, false));
}

bool MdxCursor::find(std::string_view key, std::uint32_t recno) {
    const MdxFile::TagState &tag = m_file.tagState(m_tag);
    std::string k(key.substr(0, static_cast<size_t>(tag.keyLength)));
    k.resize(static_cast<size_t>(tag.keyLength), tag.keyType == 'C' ? ' ' : '\0');
    if (!lowerBound(k.data(), tag.keyLength, recno, true))
        return settle(false);
    const Level &leaf = m_path.back();
    bool exact =
        compareKeys(tag.keyType, leaf.node.key(leaf.index), k.data(), tag.keyLength) == 0 &&
        leaf.node.pointer(leaf.index) == recno;
    return settle(exact);
}

bool MdxCursor::findRecord(std::uint32_t recno, const char *record) {
    return find(m_file.keyFor(m_tag, record), recno);
}

} // namespace db
