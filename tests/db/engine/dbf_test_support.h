#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>

// Helpers shared by the table tests: a scratch directory, whole-file reads and writes, and
// running the independent dBASE readers.
namespace dbftest {

class TempDir {
public:
    TempDir() {
        std::string templ =
            (std::filesystem::temp_directory_path() / "stowkeep-dbf-XXXXXX").string();
        if (!mkdtemp(templ.data()))
            throw std::runtime_error("mkdtemp failed");
        m_path = templ;
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    [[nodiscard]] std::string file(const std::string &name) const { return m_path + "/" + name; }
    [[nodiscard]] const std::string &path() const { return m_path; }

private:
    std::string m_path;
};

inline std::string readBytes(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void writeBytes(const std::string &path, const std::string &bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline void copyFile(const std::string &from, const std::string &to) {
    std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing);
}

inline bool executable(const std::string &path) {
    return ::access(path.c_str(), X_OK) == 0;
}

// Runs a shell command and returns what it printed on standard output.
inline std::string run(const std::string &command, int *status = nullptr) {
    std::string out;
    FILE *p = ::popen(command.c_str(), "r");
    if (!p)
        return out;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    const int rc = ::pclose(p);
    if (status)
        *status = rc;
    return out;
}

inline std::string quoted(const std::string &s) {
    return "'" + s + "'";
}

} // namespace dbftest
