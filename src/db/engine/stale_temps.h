#pragma once

#include <string>
#include <vector>

namespace db {

// Removes the temporary files (createTempBeside) of the files `paths`, all in one directory (a
// table and its companions), that no process is writing any more: those a killed pack or index
// rebuild left behind, told from live ones by their staging lock, which a live writer holds.
// Errors are passed over: what stays is tried again at the next exclusive open.
void removeStaleTemporaries(const std::vector<std::string> &paths);

} // namespace db
