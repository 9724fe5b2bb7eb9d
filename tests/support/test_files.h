#pragma once

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

// Plain C++ file helpers of the tests that cannot use Qt (the engine tests link the engine
// alone): a scratch directory, whole-file reads and writes, and running other programs.
namespace testfiles {

// A fresh directory under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir() {
        std::string templ =
            (std::filesystem::temp_directory_path() / "stowkeep-test-XXXXXX").string();
        if (!::mkdtemp(templ.data()))
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

// A file's bytes and modification time, to tell that nothing wrote to it.
struct FileState {
    std::string bytes;
    long long mtimeNs = -1;
    bool operator==(const FileState &) const = default;
};

inline FileState fileState(const std::string &path) {
    FileState s;
    s.bytes = readBytes(path);
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0)
        s.mtimeNs = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    return s;
}

inline void copyFile(const std::string &from, const std::string &to) {
    std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing);
}

inline bool executable(const std::string &path) {
    return ::access(path.c_str(), X_OK) == 0;
}

// Runs a shell command and returns what it printed on standard output. `status` gets the
// command's exit status, or -1 when it could not be started or was ended by a signal.
inline std::string run(const std::string &command, int *status = nullptr) {
    std::string out;
    FILE *p = ::popen(command.c_str(), "r");
    if (!p) {
        if (status)
            *status = -1;
        return out;
    }
    char buf[4096];
    std::size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    const int rc = ::pclose(p);
    if (status)
        *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    return out;
}

// A path as one shell word (paths of the tests hold no single quotes).
inline std::string quoted(const std::string &s) {
    return "'" + s + "'";
}

} // namespace testfiles
