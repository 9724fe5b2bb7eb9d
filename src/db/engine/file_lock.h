#pragma once

#include "db/engine/unique_fd.h"

#include <cstdint>
#include <string>

namespace db {

// Byte-range locks owned by an open file description (Linux OFD fcntl locks): two opens of
// one file conflict even inside one process, and a lock ends when its descriptor is closed,
// also when the process is killed. The locked bytes lie far beyond any real table size, so
// they never stand in the way of the data itself nor of other programs' record locks.
namespace filelock {

// Held for as long as a table is open: shared by read-only and shared opens, exclusive by an
// exclusive open.
inline constexpr std::int64_t kOpenByte = 0x4000000000000000LL;
// Held exclusively for the few system calls of one change in shared use.
inline constexpr std::int64_t kWriteByte = kOpenByte + 1;
// Held exclusively by the writer of a temporary file beside a table (createTempBeside) until
// the file is renamed into place or given up: the temporaries a killed process left are those
// whose staging lock anyone can take.
inline constexpr std::int64_t kStagingByte = kOpenByte + 2;

enum class Kind { Shared, Exclusive };

// Takes the lock without waiting; false when another open holds a conflicting one.
// Throws DbError (naming `file`) on any other failure.
[[nodiscard]] bool tryLock(int fd, std::int64_t byte, Kind kind, const char *file);
// Waits for the lock.
void lockWait(int fd, std::int64_t byte, Kind kind, const char *file);
void unlock(int fd, std::int64_t byte);

// Opens a table's file (a regular file only, see openRegularFile) with `flags` and takes the
// open lock of `kind` without waiting. Another program may rename a new file over the name
// between the open and the lock (a pack, a sort): a lock on the old file guards nothing, and
// what is written to that file is lost with it. So once locked, the name must still lead to
// the file held, else it starts over with the file now there.
enum class OpenResult { Opened, InUse, Failed }; // Failed: the open failed, errno says why
[[nodiscard]] OpenResult openLocked(const std::string &path, int flags, Kind kind, UniqueFd &fd);

} // namespace filelock
} // namespace db
