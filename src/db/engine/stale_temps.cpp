#include "db/engine/stale_temps.h"

#include "db/engine/db_error.h"
#include "db/engine/file_names.h"
#include "db/engine/io_util.h"

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <string_view>
#include <unistd.h>

namespace db {

namespace {

constexpr std::string_view kRandomPart = "XXXXXX";

bool isTemporaryOf(std::string_view entry, const std::string &prefix) {
    if (entry.size() != prefix.size() + kRandomPart.size() || !entry.starts_with(prefix))
        return false;
    // mkstemp's letters.
    return std::all_of(
        entry.begin() + static_cast<std::ptrdiff_t>(prefix.size()), entry.end(), [](char c) {
            return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        });
}

void removeIfStale(const std::string &path) {
    try {
        const UniqueFd fd = openRegularFile(path, O_RDWR | O_NOFOLLOW);
        // Holding its lock, no writer can take the file up again; without it, it is being
        // written.
        if (fd.valid() && takeStagingLock(fd.get(), path))
            (void)::unlink(path.c_str());
    } catch (const DbError &) {
        // Not a regular file, or its lock cannot be asked for: not ours to remove.
    }
}

} // namespace

void removeStaleTemporaries(const std::vector<std::string> &paths) {
    if (paths.empty())
        return;
    std::vector<std::string> prefixes;
    for (const std::string &p : paths) {
        std::string name = hiddenTempName(fileNameOf(p), kRandomPart);
        name.resize(name.size() - kRandomPart.size());
        prefixes.push_back(std::move(name));
    }
    const std::string dir = directoryOf(paths.front());
    std::vector<std::string> found;
    {
        std::unique_ptr<DIR, int (*)(DIR *)> d(::opendir(dir.c_str()), &::closedir);
        if (!d)
            return;
        while (const dirent *e = ::readdir(d.get())) {
            const std::string_view name(e->d_name);
            if (std::any_of(prefixes.begin(), prefixes.end(),
                            [&](const std::string &p) { return isTemporaryOf(name, p); }))
                found.emplace_back(name);
        }
    }
    for (const std::string &name : found)
        removeIfStale(dir + "/" + name);
}

} // namespace db
