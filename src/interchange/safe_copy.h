#pragma once

#include <QString>

#include <functional>
#include <optional>

// The file steps of backup and restore: whether two names reach one file, whether a copy
// fits, and a copy that never leaves a torn file under the destination's name.
namespace safekeeping {

// True when both names reach the same existing file (device and inode), whatever links,
// "..", letter case on a case-insensitive file system or relative spellings lie between.
[[nodiscard]] bool SameFile(const QString &a, const QString &b);

// The ways backup and restore reach the file system, replaceable in tests.
struct FileOps {
    // Bytes free for the user on the file system holding `directory`; nothing when unknown.
    std::function<std::optional<qint64>(const QString &directory)> freeSpace;
    // A whole-file copy as CopyFile does it: false when an end cannot be opened, IoError
    // when a read or write fails part-way.
    std::function<bool(const QString &source, const QString &dest)> copy;
};
[[nodiscard]] FileOps RealFileOps();

// There is room when the size of a file already at `dest` (it will be replaced) plus the free
// space of its file system is at least the size of `source`. An unknown free space counts as
// room: the copy itself then finds out, and fails without harm.
[[nodiscard]] bool HasRoom(const QString &source, const QString &dest, const FileOps &files);

// Copies `source` to a new file beside `dest` and renames it into place, so `dest` is at every
// moment either its old self, whole, or the complete copy; a failed copy removes its own
// partial file, and the partial files of killed copies to `dest` go at the next one. The copy
// takes the permissions of the file it replaces. False on failure.
[[nodiscard]] bool PlaceCopy(const QString &source, const QString &dest, const FileOps &files);

} // namespace safekeeping
