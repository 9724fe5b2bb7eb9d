#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace db {

// Small POSIX helpers shared by the engine's file code.

// strerror(errno) as a string.
[[nodiscard]] std::string errnoText();

// Reads up to `n` bytes at `offset`, retrying short reads; returns the count read (less
// than `n` only at the end of the file). Throws DbError on an I/O error.
[[nodiscard]] std::size_t preadFull(int fd, void *buf, std::size_t n, std::uint64_t offset);

// Writes all `n` bytes at `offset` or throws DbError naming `file` (disk full included).
void pwriteFull(int fd, const void *buf, std::size_t n, std::uint64_t offset,
                const std::string &file);

// A new, empty temporary file in the directory of `path` (so that a rename into place stays
// on one file system). Returns its descriptor and sets `tempPath`.
[[nodiscard]] int createTempBeside(const std::string &path, std::string &tempPath);

// Flushes a file to disk, then renames it over `path` and flushes the directory, so that a
// crash leaves either the old or the new file whole.
void commitTemp(int fd, const std::string &tempPath, const std::string &path);

// Writes `bytes` to a temporary file beside `path` and renames it into place.
void writeFileAtomically(const std::string &path, std::string_view bytes);

void syncDirectoryOf(const std::string &path);

} // namespace db
