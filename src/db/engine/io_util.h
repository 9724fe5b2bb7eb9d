#pragma once

#include "db/engine/unique_fd.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace db {

// Small POSIX helpers shared by the engine's file code.

// strerror(errno) as a string.
[[nodiscard]] std::string errnoText();

// Reads up to `n` bytes at `offset`, retrying short reads; returns the count read (less
// than `n` only at the end of the file). Throws DbError naming `file` on an I/O error.
[[nodiscard]] std::size_t preadFull(int fd, void *buf, std::size_t n, std::uint64_t offset,
                                    const std::string &file);

// Writes all `n` bytes at `offset` or throws DbError naming `file` (disk full included).
void pwriteFull(int fd, const void *buf, std::size_t n, std::uint64_t offset,
                const std::string &file);

// Opens a file that must be a regular one. A FIFO or a device is not opened for reading at
// all (it could block for ever or never end): such a file, or a directory, is a DbError naming
// it. An invalid descriptor, with errno set, when the open itself fails.
[[nodiscard]] UniqueFd openRegularFile(const std::string &path, int flags);

// True when `path` still names the file open as `fd` (same device and inode): false after
// another program renamed a new file into its place, or removed it.
[[nodiscard]] bool namesOpenFile(const std::string &path, int fd);

// Takes the staging lock (file_lock.h) of the temporary file `path` open as `fd`, without
// waiting: false when another holds it or the name no longer leads to that file.
[[nodiscard]] bool takeStagingLock(int fd, const std::string &path);

// A new, empty temporary file in the directory of `path` (so that a rename into place stays
// on one file system), under the hidden name hiddenTempName gives with six random letters.
// Returns its descriptor, which holds the staging lock (file_lock.h) until commitTemp or
// close, and sets `tempPath`.
[[nodiscard]] int createTempBeside(const std::string &path, std::string &tempPath);

// Flushes a file to disk, then renames it over `path` and flushes the directory, so that a
// crash leaves either the old or the new file whole.
void commitTemp(int fd, const std::string &tempPath, const std::string &path);

// Writes `bytes` to a temporary file beside `path` and renames it into place.
void writeFileAtomically(const std::string &path, std::string_view bytes);

void syncDirectoryOf(const std::string &path);

} // namespace db
