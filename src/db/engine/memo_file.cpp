#include "db/engine/memo_file.h"

#include "db/engine/db_error.h"
#include "db/engine/file_names.h"
#include "db/engine/io_util.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace db {

namespace {

std::uint32_t le32(const unsigned char *p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint32_t be32(const unsigned char *p) {
    return (static_cast<std::uint32_t>(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}
void putLe32(unsigned char *p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(v >> (8 * i));
}
void putBe32(unsigned char *p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(v >> (8 * (3 - i)));
}

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
    : m_path(path), m_kind(kind), m_writable(writable) {
    m_fd = ::open(path.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC);
    if (m_fd < 0)
        throw DbError(path, "cannot open the " + memoKindName(kind) + ": " + errnoText());
    try {
        readHeader();
    } catch (...) {
        ::close(m_fd);
        throw;
    }
}

MemoFile::~MemoFile() {
    if (m_fd >= 0)
        ::close(m_fd);
}

void MemoFile::readHeader() {
    struct stat st {};
    if (::fstat(m_fd, &st) != 0)
        throw DbError(m_path, "cannot read the memo file: " + errnoText());
    m_size = static_cast<std::uint64_t>(st.st_size);
    unsigned char h[32] = {};
    const auto got = preadFull(m_fd, h, sizeof h, 0);
    if (got < 8)
        throw DbError(m_path, "the memo file is too short to have a header");
    switch (m_kind) {
    case MemoKind::DBase3:
        m_blockSize = 512;
        break;
    case MemoKind::DBase4: {
        const int bs = got >= 22 ? (h[20] | (h[21] << 8)) : 0;
        // Garbage here is common in files from other writers; 512 is dBASE's default.
        m_blockSize = (bs >= 32 && bs % 32 == 0) ? bs : 512;
        break;
    }
    case MemoKind::FoxPro: {
        const int bs = (h[6] << 8) | h[7];
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
        h[20] = static_cast<unsigned char>(blockSize & 0xFF);
        h[21] = static_cast<unsigned char>(blockSize >> 8);
        break;
    }
    case MemoKind::FoxPro:
        putBe32(h, static_cast<std::uint32_t>((512 + blockSize - 1) / blockSize));
        h[6] = static_cast<unsigned char>(blockSize >> 8);
        h[7] = static_cast<unsigned char>(blockSize & 0xFF);
        break;
    case MemoKind::None:
        throw DbError(path, "no memo file kind given");
    }
    writeFileAtomically(path, header);
}

std::string MemoFile::readDBase3(std::uint64_t pos) const {
    std::string out;
    char buf[4096];
    while (pos < m_size) {
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(sizeof buf, m_size - pos));
        const auto got = preadFull(m_fd, buf, want, pos);
        if (got == 0)
            break;
        for (std::size_t i = 0; i < got; ++i) {
            if (buf[i] != '\x1A')
                continue;
            const std::uint64_t next = pos + i + 1;
            char after = '\x1A';
            if (next < m_size) {
                if (i + 1 < got)
                    after = buf[i + 1];
                else if (preadFull(m_fd, &after, 1, next) != 1)
                    after = '\x1A';
            }
            if (next >= m_size || after == '\x1A' || after == '\0') {
                out.append(buf, i);
                return out;
            }
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
        if (preadFull(m_fd, h, 8, pos) != 8)
            throw DbError(m_path, "cannot read memo block " + std::to_string(block));
        const std::uint32_t len = be32(h + 4);
        if (len > m_size - pos - 8)
            throw DbError(m_path, "memo at block " + std::to_string(block) +
                                      " runs past the end of the memo file");
        std::string out(len, '\0');
        if (preadFull(m_fd, out.data(), len, pos + 8) != len)
            throw DbError(m_path, "cannot read memo block " + std::to_string(block));
        return out;
    }
    unsigned char h[8] = {};
    const auto got = preadFull(m_fd, h, 8, pos);
    if (got == 8 && h[0] == 0xFF && h[1] == 0xFF && h[2] == 0x08 && h[3] == 0x00) {
        const std::uint32_t len = le32(h + 4);
        if (len < 8 || len - 8 > m_size - pos - 8)
            throw DbError(m_path, "memo at block " + std::to_string(block) +
                                      " has a length that does not fit the memo file");
        std::string out(len - 8, '\0');
        if (preadFull(m_fd, out.data(), out.size(), pos + 8) != out.size())
            throw DbError(m_path, "cannot read memo block " + std::to_string(block));
        return out;
    }
    return readDBase3(pos);
}

std::uint32_t MemoFile::append(std::string_view data) {
    if (!m_writable)
        throw DbError(m_path, "the memo file is open read-only");
    readHeader();
    unsigned char h[8] = {};
    if (preadFull(m_fd, h, 8, 0) != 8)
        throw DbError(m_path, "cannot read the memo file header");
    std::uint32_t next = m_kind == MemoKind::FoxPro ? be32(h) : le32(h);
    const std::uint64_t bs = static_cast<std::uint64_t>(m_blockSize);
    const std::uint64_t firstData = m_kind == MemoKind::FoxPro ? (512 + bs - 1) / bs : 1;
    // A next-free pointer before the data area or far beyond the end is not to be trusted:
    // append at the end of the file instead, which abandons nothing that is in use.
    const std::uint64_t endBlock = (m_size + bs - 1) / bs;
    if (next < firstData || next > endBlock)
        next = static_cast<std::uint32_t>(std::max(firstData, endBlock));
    std::string bytes;
    switch (m_kind) {
    case MemoKind::DBase3:
        if (data.find("\x1A\x1A") != std::string_view::npos ||
            (!data.empty() && data.back() == '\x1A'))
            throw DbError(m_path,
                          "memo text holds end-of-memo marks a dBASE III memo file cannot keep");
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
    pwriteFull(m_fd, bytes.data(), bytes.size(), pos, m_path);
    unsigned char nh[4];
    const auto newNext = static_cast<std::uint32_t>(next + blocks);
    if (m_kind == MemoKind::FoxPro)
        putBe32(nh, newNext);
    else
        putLe32(nh, newNext);
    pwriteFull(m_fd, nh, 4, 0, m_path);
    m_size = std::max(m_size, pos + bytes.size());
    return next;
}

void MemoFile::sync() {
    if (m_fd >= 0 && m_writable)
        ::fdatasync(m_fd);
}

} // namespace db
