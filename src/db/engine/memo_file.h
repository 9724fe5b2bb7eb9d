#pragma once

#include "db/engine/unique_fd.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace db {

// The memo file layouts: dBASE III .DBT (512-byte blocks, text ended by 0x1A 0x1A),
// dBASE IV/5/7 .DBT (block size in the header, each memo behind an 8-byte block header
// whose length counts those 8 bytes), FoxPro .FPT (big-endian, typed memos).
enum class MemoKind { None, DBase3, DBase4, FoxPro };

// One open memo file. Reads are bounds-checked against the file size: a pointer or length
// that leads outside the file is a DbError naming the file, never a read past the end.
class MemoFile {
public:
    MemoFile(const std::string &path, MemoKind kind, bool writable);
    ~MemoFile();
    MemoFile(const MemoFile &) = delete;
    MemoFile &operator=(const MemoFile &) = delete;

    // Writes an empty memo file (header block only). `tableName` is the table's base name,
    // which the dBASE IV header repeats. Replaces an existing file.
    static void create(const std::string &path, MemoKind kind, std::string_view tableName,
                       int blockSize = 0);

    [[nodiscard]] const std::string &path() const { return m_path; }
    [[nodiscard]] MemoKind kind() const { return m_kind; }
    [[nodiscard]] int blockSize() const { return m_blockSize; }

    // The stored bytes of the memo at a block number (block 0 means no memo: empty).
    // A dBASE III-style text ends at its first 0x1A or at the end of the file, so such a
    // memo cannot hold 0x1A (appending one is a DbError).
    [[nodiscard]] std::string read(std::uint32_t block) const;

    // Appends a memo and returns its first block. Callers hold the table's write lock; the
    // next-free pointer is re-read from the file first, as another process may have moved it.
    [[nodiscard]] std::uint32_t append(std::string_view data);
    // Writes a memo at `block` and points the next-free pointer behind it, the block it
    // returns.
    [[nodiscard]] std::uint32_t appendAt(std::uint32_t block, std::string_view data);

    // The first block that can hold a memo (after the header), and the first block after
    // everything in use (the next-free pointer or the end of the file, whichever is further).
    [[nodiscard]] std::uint32_t firstDataBlock() const;
    [[nodiscard]] std::uint32_t endBlock();
    // Copies `count` whole blocks from block `from` to block `to` (regions apart).
    void copyBlocks(std::uint32_t from, std::uint32_t to, std::uint32_t count);
    // Ends the file after `blocks` blocks and points the next-free pointer there.
    void truncate(std::uint32_t blocks);

    // Writes what the kernel holds of the file to disk; false when that failed.
    [[nodiscard]] bool sync();

private:
    void readHeader();
    [[nodiscard]] std::string readDBase3(std::uint64_t pos) const;
    [[nodiscard]] std::uint32_t nextFree() const;
    void setNextFree(std::uint32_t block);

    std::string m_path;
    MemoKind m_kind;
    bool m_writable;
    UniqueFd m_fd;
    int m_blockSize = 512;
    std::uint64_t m_size = 0;
};

} // namespace db
