#include "db/engine/io_util.h"

#include "db/engine/db_error.h"
#include "db/engine/file_lock.h"
#include "db/engine/file_names.h"

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

std::size_t preadFull(int fd, void *buf, std::size_t n, std::uint64_t offset,
                      const std::string &file) {
    std::size_t done = 0;
    auto *p = static_cast<char *>(buf);
    while (done < n) {
        const ssize_t r = ::pread(fd, p + done, n - done, static_cast<off_t>(offset + done));
        if (r < 0) {
            if (errno == EINTR)
                continue;
            throw DbError(file, "cannot read: " + errnoText());
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

UniqueFd openRegularFile(const std::string &path, int flags) {
    // Without O_NONBLOCK the open of a FIFO waits for a writer.
    UniqueFd fd(::open(path.c_str(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd.valid())
        return fd;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        throw DbError(path, "cannot open: " + errnoText());
    if (S_ISDIR(st.st_mode))
        throw DbError(path, "cannot open: it is a directory");
    if (!S_ISREG(st.st_mode))
        throw DbError(path, "cannot open: it is not a regular file");
    const int fl = ::fcntl(fd.get(), F_GETFL);
    if (fl == -1 || ::fcntl(fd.get(), F_SETFL, fl & ~O_NONBLOCK) == -1)
        throw DbError(path, "cannot open: " + errnoText());
    return fd;
}

bool namesOpenFile(const std::string &path, int fd) {
    struct stat named {};
    struct stat held {};
    return ::stat(path.c_str(), &named) == 0 && ::fstat(fd, &held) == 0 &&
           named.st_dev == held.st_dev && named.st_ino == held.st_ino;
}

bool takeStagingLock(int fd, const std::string &path) {
    return filelock::tryLock(fd, filelock::kStagingByte, filelock::Kind::Exclusive, path.c_str()) &&
           namesOpenFile(path, fd);
}

int createTempBeside(const std::string &path, std::string &tempPath) {
    const std::string templ = directoryOf(path) + "/" + hiddenTempName(fileNameOf(path), "XXXXXX");
    // The staging lock tells a cleaner that the file is being written. A cleaner may take a
    // file in the moment between its making and its lock: then it is gone and we make another.
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::vector<char> buf(templ.begin(), templ.end());
        buf.push_back('\0');
        UniqueFd fd(::mkostemp(buf.data(), O_CLOEXEC));
        if (!fd.valid())
            throw DbError(path, "cannot create a file beside it: " + errnoText());
        const std::string made(buf.data());
        if (!takeStagingLock(fd.get(), made))
            continue;
        // mkstemp gives 0600; tables are shared with the user's other programs like any file.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd.get(), 0666 & ~mask);
        tempPath = made;
        return fd.release();
    }
    throw DbError(path, "cannot create a file beside it: its name is taken again and again");
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
    // In place, it is no longer a temporary that a cleaner might look at.
    filelock::unlock(fd, filelock::kStagingByte);
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
