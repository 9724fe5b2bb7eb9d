#include "db/engine/io_util.h"

#include "db/engine/db_error.h"
#include "db/engine/file_names.h"
#include "db/engine/unique_fd.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace db {

std::string errnoText() {
    return std::strerror(errno);
}

std::size_t preadFull(int fd, void *buf, std::size_t n, std::uint64_t offset) {
    std::size_t done = 0;
    auto *p = static_cast<char *>(buf);
    while (done < n) {
        const ssize_t r = ::pread(fd, p + done, n - done, static_cast<off_t>(offset + done));
        if (r < 0) {
            if (errno == EINTR)
                continue;
            throw DbError("read error: " + errnoText());
        }
        if (r == 0)
            break;
        done += static_cast<std::size_t>(r);
    }
    return done;
}

void pwriteFull(int fd, const void *buf, std::size_t n, std::uint64_t offset,
                const std::string &file) {
    std::size_t done = 0;
    const auto *p = static_cast<const char *>(buf);
    while (done < n) {
        const ssize_t r = ::pwrite(fd, p + done, n - done, static_cast<off_t>(offset + done));
        if (r < 0) {
            if (errno == EINTR)
                continue;
            throw DbError(file, "cannot write: " + errnoText());
        }
        if (r == 0)
            throw DbError(file, "cannot write: no space left");
        done += static_cast<std::size_t>(r);
    }
}

int createTempBeside(const std::string &path, std::string &tempPath) {
    const std::string dir = directoryOf(path);
    std::string templ = dir + "/." + fileNameOf(path) + ".XXXXXX";
    std::vector<char> buf(templ.begin(), templ.end());
    buf.push_back('\0');
    const int fd = ::mkostemp(buf.data(), O_CLOEXEC);
    if (fd < 0)
        throw DbError(path, "cannot create a file beside it: " + errnoText());
    // mkstemp gives 0600; tables are shared with the user's other programs like any file.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    tempPath.assign(buf.data());
    return fd;
}

void syncDirectoryOf(const std::string &path) {
    const UniqueFd dir(::open(directoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.valid())
        (void)::fsync(dir.get());
}

void commitTemp(int fd, const std::string &tempPath, const std::string &path) {
    if (::fsync(fd) != 0) {
        const std::string err = errnoText();
        ::unlink(tempPath.c_str());
        throw DbError(path, "cannot write: " + err);
    }
    if (::rename(tempPath.c_str(), path.c_str()) != 0) {
        const std::string err = errnoText();
        ::unlink(tempPath.c_str());
        throw DbError(path, "cannot replace the file: " + err);
    }
    syncDirectoryOf(path);
}

void writeFileAtomically(const std::string &path, std::string_view bytes) {
    std::string temp;
    const UniqueFd fd(createTempBeside(path, temp));
    try {
        pwriteFull(fd.get(), bytes.data(), bytes.size(), 0, path);
        commitTemp(fd.get(), temp, path);
    } catch (...) {
        ::unlink(temp.c_str());
        throw;
    }
}

} // namespace db
