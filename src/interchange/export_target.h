#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// Where an export may go. An export is written beside its target and renamed over it, so
// naming a file the program has open would replace it under the running program: the
// inventory file being read, or its index or memo file. Files are compared by what they
// are (device and inode), not by name, so another spelling, a link or a name differing only
// in letter case cannot slip through.
namespace exporting {

enum class Format { Text = 1, DBase = 2 };

inline const QString kInvalidFileType = QStringLiteral("Invalid file type selected.");
inline const QString kOwnFile = QStringLiteral(
    "The export cannot be written over the inventory file being exported or over its index "
    "or memo file.  Please choose another file name.");

// The files that belong to the open table at `tablePath`: the table, its production index
// and its memo file, those of them that exist.
[[nodiscard]] QStringList InventoryFiles(const QString &tablePath);

// True when both paths name one existing file.
[[nodiscard]] bool SameFile(const QString &a, const QString &b);

// The index a dBASE table at `path` would be taken to have: its .MDX as the engine finds it
// (ignoring letter case); nothing when there is none.
[[nodiscard]] std::optional<QString> CompanionIndex(const QString &path);

// Why the export may not be written to `target` while the table at `tablePath` is open, or
// nothing when it may. A dBASE export must end in ".DBF" (any letter case); neither kind may
// replace one of InventoryFiles(), and a dBASE export may not take over the inventory's
// index as its own stale one.
[[nodiscard]] std::optional<QString> TargetProblem(Format format, const QString &target,
                                                   const QString &tablePath);

} // namespace exporting
