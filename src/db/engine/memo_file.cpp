#include "db/engine/memo_file.h"

#include "db/engine/byte_order.h"
#include "db/engine/db_error.h"
#include "db/engine/file_names.h"
#include "db/engine/io_util.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace db {

namespace {

using bytes::be32;
using bytes::le32;
using bytes::putBe32;
using bytes::putLe32;

std::string memoKindName(MemoKind k) {
    switch (k) {
    case MemoKind::DBase3:
        return "dBASE III memo file";
    case MemoKind::DBase4:
        return "dBASE IV memo file";
    case MemoKind::FoxPro:
        return "FoxPro memo file";
    case MemoKind::None:
        break;
    }
    return "memo file";
}

} // namespace

MemoFile::MemoFile(const std::string &path, MemoKind kind, bool writable)
    : m_path(path), m_kind(kind), m_writable(writable),
      m_fd(openRegularFile(path, writable ? O_RDWR : O_RDONLY)) {
    if (!m_fd.valid())
        throw DbError(path, "cannot open the " + memoKindName(kind) + ": " + errnoText());
    readHeader();
}

MemoFile::~MemoFile() = default;

void MemoFile::readHeader() {
    struct stat st {};
    if (::fstat(m_fd.get(), &st) != 0)
        throw DbError(m_path, "cannot read the memo file: " + errnoText());
    m_size = static_cast<std::uint64_t>(st.st_size);
    unsigned char h[32] = {};
    const auto got = preadFull(m_fd.get(), h, sizeof h, 0, m_path);
    if (got < 8)
        throw DbError(m_path, "the memo file is too short to have a header");
    switch (m_kind) {
    case MemoKind::DBase3:
        m_blockSize = 512;
        break;
    case MemoKind::DBase4: {
        const int bs = got >= 22 ? bytes::le16(h + 20) : 0;
        // Garbage here is common in files from other writers; 512 is dBASE's default.
        m_blockSize = (bs >= 32 && bs % 32 == 0) ? bs : 512;
        break;
    }
    case MemoKind::FoxPro: {
        const int bs = bytes::be16(h + 6);
        if (bs == 0)
            throw DbError(m_path, "the memo file gives a block size of 0");
        m_blockSize = bs;
        break;
    }
    case MemoKind::None:
        throw DbError(m_path, "no memo file kind given");
    }
}

void MemoFile::create(const std::string &path, MemoKind kind, std::string_view tableName,
                      int blockSize) {
    if (blockSize <= 0)
        blockSize = kind == MemoKind::FoxPro ? 64 : 512;
    std::string header(kind == MemoKind::DBase4 ? static_cast<std::size_t>(blockSize) : 512, '\0');
    auto *h = reinterpret_cast<unsigned char *>(header.data());
    switch (kind) {
    case MemoKind::DBase3:
        putLe32(h, 1);
        break;
    case MemoKind::DBase4: {
        putLe32(h, 1);
        std::string name(tableName.substr(0, 8));
        for (char &c : name)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        std::memcpy(h + 8, name.data(), name.size());
        h[16] = 0x00;
        h[17] = 0x00;
        h[18] = 0x02;
        h[19] = 0x01;
        bytes::putLe16(h + 20, static_cast<std::uint16_t>(blockSize));
        break;
    }
    case MemoKind::FoxPro:
        putBe32(h, static_cast<std::uint32_t>((512 + blockSize - 1) / blockSize));
        bytes::putBe16(h + 6, static_cast<std::uint16_t>(blockSize));
        break;
    case MemoKind::None:
        throw DbError(path, "no memo file kind given");
    }
    writeFileAtomically(path, header);
}

// A dBASE III memo runs to the first 0x1A (its writers put two there), or to the end of the
// file; a 0x1A cannot be part of the text.
std::string MemoFile::readDBase3(std::uint64_t pos) const {
    std::string out;
    char buf[4096];
    while (pos < m_size) {
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(sizeof buf, m_size - pos));
        const auto got = preadFull(m_fd.get(), buf, want, pos, m_path);
        if (got == 0)
            break;
        if (const void *end = std::memchr(buf, '\x1A', got)) {
            out.append(buf, static_cast<std::size_t>(static_cast<const char *>(end) - buf));
            return out;
        }
        out.append(buf, got);
        pos += got;
    }
    return out;
}

std::string MemoFile::read(std::uint32_t block) const {
    if (block == 0)
        return {};
    const std::uint64_t pos =
        static_cast<std::uint64_t>(block) * static_cast<std::uint64_t>(m_blockSize);
    if (pos >= m_size ||
        (m_kind != MemoKind::FoxPro && pos < static_cast<std::uint64_t>(m_blockSize)))
        throw DbError(m_path,
                      "memo block " + std::to_string(block) + " lies outside the memo file");
    if (m_kind == MemoKind::FoxPro) {
        if (pos < 8 || pos + 8 > m_size)
            throw DbError(m_path,
                          "memo block " + std::to_string(block) + " lies outside the memo file");
        unsigned char h[8];
        if (preadFull(m_fd.get(), h, 8, pos, m_path) != 8)
            throw DbError(m_path, "cannot read memo block " + std::to_string(block));
        const std::uint32_t len = be32(h + 4);
        if (len > m_size - pos - 8)
            throw DbError(m_path, "memo at block " + std::to_string(block) +
                                      " runs past the end of the memo file");
        std::string out(len, '\0');
        if (preadFull(m_fd.get(), out.data(), len, pos + 8, m_path) != len)
            throw DbError(m_path, "cannot read memo block " + std::to_string(block));
        return out;
    }
    unsigned char h[8] = {};
    const auto got = preadFull(m_fd.get(), h, 8, pos, m_path);
    if (got == 8 && h[0] == 0xFF && h[1] == 0xFF && h[2] == 0x08 && h[3] == 0x00) {
        const std::uint32_t len = le32(h + 4);
        if (len < 8 || len - 8 > m_size - pos - 8)
            throw DbError(m_path, "memo at block " + std::to_string(block) +
                                      " has a length that does not fit the memo file");
        std::string out(len - 8, '\0');
        if (preadFull(m_fd.get(), out.data(), out.size(), pos + 8, m_path) != out.size())
            throw DbError(m_path, "cannot read memo block " + std::to_string(block));
        return out;
    }
    return readDBase3(pos);
}

std::uint32_t MemoFile::firstDataBlock() const {
    const auto bs = static_cast<std::uint32_t>(m_blockSize);
    return m_kind == MemoKind::FoxPro ? (512 + bs - 1) / bs : 1;
}

std::uint32_t MemoFile::nextFree() const {
    unsigned char h[8] = {};
    if (preadFull(m_fd.get(), h, 8, 0, m_path) != 8)
        throw DbError(m_path, "cannot read the memo file header");
    return m_kind == MemoKind::FoxPro ? be32(h) : le32(h);
}

void MemoFile::setNextFree(std::uint32_t block) {
    unsigned char nh[4];
    if (m_kind == MemoKind::FoxPro)
        putBe32(nh, block);
    else
        putLe32(nh, block);
    pwriteFull(m_fd.get(), nh, 4, 0, m_path);
}

std::uint32_t MemoFile::endBlock() {
    readHeader();
    const std::uint64_t bs = static_cast<std::uint64_t>(m_blockSize);
    const std::uint64_t fileEnd = (m_size + bs - 1) / bs;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(
        std::max<std::uint64_t>({fileEnd, nextFree(), firstDataBlock()}), 0xFFFFFFFFull));
}

std::uint32_t MemoFile::append(std::string_view data) {
    if (!m_writable)
        throw DbError(m_path, "the memo file is open read-only");
    readHeader();
    std::uint32_t next = nextFree();
    const std::uint64_t bs = static_cast<std::uint64_t>(m_blockSize);
    const std::uint64_t firstData = firstDataBlock();
    // A next-free pointer before the data area or far beyond the end is not to be trusted:
    // append at the end of the file instead, which abandons nothing that is in use.
    const std::uint64_t endBlock = (m_size + bs - 1) / bs;
    if (next < firstData || next > endBlock)
        next = static_cast<std::uint32_t>(std::max(firstData, endBlock));
    (void)appendAt(next, data);
    return next;
}

std::uint32_t MemoFile::appendAt(std::uint32_t next, std::string_view data) {
    if (!m_writable)
        throw DbError(m_path, "the memo file is open read-only");
    const std::uint64_t bs = static_cast<std::uint64_t>(m_blockSize);
    std::string bytes;
    switch (m_kind) {
    case MemoKind::DBase3:
        if (data.find('\x1A') != std::string_view::npos)
            throw DbError(m_path,
                          "memo text holds an end-of-memo mark a dBASE III memo file cannot keep");
        bytes.assign(data);
        bytes += "\x1A\x1A";
        break;
    case MemoKind::DBase4: {
        unsigned char mh[8] = {0xFF, 0xFF, 0x08, 0x00};
        putLe32(mh + 4, static_cast<std::uint32_t>(data.size() + 8));
        bytes.assign(reinterpret_cast<char *>(mh), 8);
        bytes += data;
        break;
    }
    case MemoKind::FoxPro: {
        unsigned char mh[8];
        putBe32(mh, 1);
        putBe32(mh + 4, static_cast<std::uint32_t>(data.size()));
        bytes.assign(reinterpret_cast<char *>(mh), 8);
        bytes += data;
        break;
    }
    case MemoKind::None:
        break;
    }
    const std::uint64_t blocks = (bytes.size() + bs - 1) / bs;
    if (next + blocks > 0xFFFFFFFFull)
        throw DbError(m_path, "the memo file is full");
    bytes.resize(static_cast<std::size_t>(blocks * bs), '\0');
    const std::uint64_t pos = next * bs;
    pwriteFull(m_fd.get(), bytes.data(), bytes.size(), pos, m_path);
    const auto after = static_cast<std::uint32_t>(next + blocks);
    setNextFree(after);
    m_size = std::max(m_size, pos + bytes.size());
    return after;
}

void MemoFile::copyBlocks(std::uint32_t from, std::uint32_t to, std::uint32_t count) {
    const std::uint64_t bs = static_cast<std::uint64_t>(m_blockSize);
    std::vector<char> buf(static_cast<std::size_t>(bs) * 64);
    for (std::uint32_t done = 0; done < count;) {
        const std::uint32_t n = std::min<std::uint32_t>(64, count - done);
        const std::size_t want = static_cast<std::size_t>(n * bs);
        const std::size_t got = preadFull(m_fd.get(), buf.data(), want, (from + done) * bs, m_path);
        std::memset(buf.data() + got, 0, want - got);
        pwriteFull(m_fd.get(), buf.data(), want, (to + done) * bs, m_path);
        done += n;
    }
}

void MemoFile::truncate(std::uint32_t blocks) {
    setNextFree(blocks);
    const std::uint64_t size = static_cast<std::uint64_t>(blocks) * m_blockSize;
    if (::ftruncate(m_fd.get(), static_cast<off_t>(size)) != 0)
        throw DbError(m_path, "cannot shorten the memo file: " + errnoText());
    m_size = size;
}

bool MemoFile::sync() {
    return !m_writable || ::fdatasync(m_fd.get()) == 0;
}

} // namespace db
