#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace db {

// Tables come from systems where case does not matter, so companion files (.MDX, .DBT,
// .FPT) and fixed file names are looked up without regard to ASCII case.

// The path of an existing file whose name equals the last component of `path` ignoring
// case (the exact name first), in the directory of `path`; nullopt when there is none.
[[nodiscard]] std::optional<std::string> findFileIgnoringCase(const std::string &path);

// The companion of a table with another extension (".MDX", ".DBT", ".FPT"): the existing
// file if one matches ignoring case, otherwise the name a new one should get (the
// extension in the case of the table's own extension).
[[nodiscard]] std::string companionPath(const std::string &tablePath, std::string_view ext);

// Directory part of a path ("." when there is none) and the name without directory.
[[nodiscard]] std::string directoryOf(const std::string &path);
[[nodiscard]] std::string fileNameOf(const std::string &path);

// The hidden name of a temporary file made beside the file `fileName`: "." + the name + "." +
// `tail`. When that would pass the longest name the system allows, the name is cut and
// followed by "~" and a hash of the whole name, so that temporaries of two long names that
// begin alike still differ, and each file's temporaries can be told by their name.
[[nodiscard]] std::string hiddenTempName(const std::string &fileName, std::string_view tail);

} // namespace db
