#include "db/engine/file_lock.h"

#include "db/engine/db_error.h"
#include "db/engine/io_util.h"
#include "db/engine/test_hook.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>

namespace db::filelock {

namespace {

int setLock(int fd, std::int64_t byte, short type, int cmd) {
    struct flock fl {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = static_cast<off_t>(byte);
    fl.l_len = 1;
    fl.l_pid = 0; // required by OFD locks
    int rc;
    do {
        rc = fcntl(fd, cmd, &fl);
    } while (rc == -1 && errno == EINTR && cmd == F_OFD_SETLKW);
    return rc;
}

short lockType(Kind kind) {
    return kind == Kind::Shared ? F_RDLCK : F_WRLCK;
}

} // namespace

bool tryLock(int fd, std::int64_t byte, Kind kind, const char *file) {
    if (setLock(fd, byte, lockType(kind), F_OFD_SETLK) == 0)
        return true;
    if (errno == EAGAIN || errno == EACCES)
        return false;
    throw DbError(file, std::string("cannot lock the file: ") + std::strerror(errno));
}

void lockWait(int fd, std::int64_t byte, Kind kind, const char *file) {
    if (setLock(fd, byte, lockType(kind), F_OFD_SETLKW) != 0)
        throw DbError(file, std::string("cannot lock the file: ") + std::strerror(errno));
}

void unlock(int fd, std::int64_t byte) {
    setLock(fd, byte, F_UNLCK, F_OFD_SETLK);
}

OpenResult openLocked(const std::string &path, int flags, Kind kind, UniqueFd &fd) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        fd = openRegularFile(path, flags);
        if (!fd.valid())
            return OpenResult::Failed;
        testhook::reach("table:opened");
        if (!tryLock(fd.get(), kOpenByte, kind, path.c_str())) {
            fd.reset();
            return OpenResult::InUse;
        }
        if (namesOpenFile(path, fd.get()))
            return OpenResult::Opened;
    }
    fd.reset();
    throw DbError(path, "another program keeps replacing the file");
}

} // namespace db::filelock
