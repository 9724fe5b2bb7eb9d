#pragma once

#include <QString>

#include <optional>

// Files that came from systems where case does not matter ("stowkp.urp", "Master.dbf")
// are found under their fixed names whatever their case on disk.

// The path of the entry of `directory` whose name equals `name` ignoring ASCII case, the
// exact spelling preferred; when several differ only in case, the first in byte order.
// Nothing when there is none.
[[nodiscard]] std::optional<QString> findCaseInsensitive(const QString &directory,
                                                         const QString &name);

// The existing file's path if there is one, otherwise `directory/name` as given: the
// name to open for reading, or to create with its fixed spelling.
[[nodiscard]] QString resolveCaseInsensitive(const QString &directory, const QString &name);
