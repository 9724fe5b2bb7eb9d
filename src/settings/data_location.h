#pragma once

#include <QString>
#include <QStringList>

// The program's read-only files (the help file STOWKP.HLP) are installed in
// <prefix>/share/stowkeep and found relative to the running executable, so an installation
// works under any prefix and after DESTDIR staging.
namespace data_location {

// Where <prefix>/bin/stowkeep finds them: the installed data folder from the executable's.
inline constexpr const char *kInstalledFromBin = "../share/stowkeep";

// Folders searched for a read-only file, in order: the program directory (a copy the user
// keeps there wins), the installed data folder, then the executable's own folder (a build
// tree or an unpacked copy).
[[nodiscard]] QStringList searchFolders(const QString &programDirectory,
                                        const QString &executableDirectory);

// The first file named `name`, whatever its case on disk, in those folders; an empty text
// when there is none, and the caller falls back on the copy built into the program.
[[nodiscard]] QString find(const QString &name, const QString &programDirectory,
                           const QString &executableDirectory);

} // namespace data_location
