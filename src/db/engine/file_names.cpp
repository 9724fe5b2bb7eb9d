#include "db/engine/file_names.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <dirent.h>
#include <memory>
#include <sys/stat.h>

namespace db {

namespace {

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool exists(const std::string &path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

} // namespace

std::string directoryOf(const std::string &path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string fileNameOf(const std::string &path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string hiddenTempName(const std::string &fileName, std::string_view tail) {
    const std::size_t room = NAME_MAX - 2 - std::min<std::size_t>(tail.size(), NAME_MAX - 2);
    std::string name = fileName;
    if (name.size() > room) {
        // FNV-1a: the same in every process, which is all the cleaner needs.
        std::uint32_t hash = 2166136261u;
        for (const char c : fileName)
            hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
        char mark[10];
        std::snprintf(mark, sizeof mark, "~%08x", hash);
        std::size_t keep = room > 9 ? room - 9 : 0;
        // Not in the middle of a UTF-8 character.
        while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80)
            --keep;
        name = name.substr(0, keep) + mark;
    }
    return "." + name + "." + std::string(tail);
}

std::optional<std::string> findFileIgnoringCase(const std::string &path) {
    if (exists(path))
        return path;
    const std::string dir = directoryOf(path);
    const std::string name = fileNameOf(path);
    std::unique_ptr<DIR, int (*)(DIR *)> d(::opendir(dir.c_str()), &::closedir);
    if (!d)
        return std::nullopt;
    while (const dirent *e = ::readdir(d.get())) {
        if (equalsIgnoringCase(e->d_name, name)) {
            const auto slash = path.rfind('/');
            return slash == std::string::npos ? std::string(e->d_name)
                                              : path.substr(0, slash + 1) + e->d_name;
        }
    }
    return std::nullopt;
}

std::string companionPath(const std::string &tablePath, std::string_view ext) {
    const auto slash = tablePath.rfind('/');
    const auto dot = tablePath.rfind('.');
    const bool hasExt = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    const std::string base = hasExt ? tablePath.substr(0, dot) : tablePath;
    // Match the case of the table's extension: "inv.dbf" gets "inv.mdx".
    bool lower = false;
    if (hasExt)
        for (std::size_t i = dot + 1; i < tablePath.size(); ++i)
            if (std::islower(static_cast<unsigned char>(tablePath[i])))
                lower = true;
    std::string e(ext);
    for (char &c : e)
        c = static_cast<char>(lower ? std::tolower(static_cast<unsigned char>(c))
                                    : std::toupper(static_cast<unsigned char>(c)));
    const std::string wanted = base + e;
    if (auto found = findFileIgnoringCase(wanted))
        return *found;
    return wanted;
}

} // namespace db
