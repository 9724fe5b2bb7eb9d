#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

// The engine's readers work on files, so each fuzz input is written to one temporary file
// per process. Returns false when the file cannot be written (the input is then skipped).
inline bool WriteFuzzInput(const std::string &path, const std::uint8_t *data, std::size_t size) {
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

inline std::string FuzzInputPath(const char *stem, const char *extension) {
    return std::string("/tmp/") + stem + "_" + std::to_string(::getpid()) + extension;
}
