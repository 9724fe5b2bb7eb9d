#pragma once

#include <cstdint>

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

enum class Kind { Shared, Exclusive };

// Takes the lock without waiting; false when another open holds a conflicting one.
// Throws DbError (naming `file`) on any other failure.
[[nodiscard]] bool tryLock(int fd, std::int64_t byte, Kind kind, const char *file);
// Waits for the lock.
void lockWait(int fd, std::int64_t byte, Kind kind, const char *file);
void unlock(int fd, std::int64_t byte);

} // namespace filelock
} // namespace db
