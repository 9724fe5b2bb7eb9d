#include "settings/file_copy.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t kBlockSize = 2048;

// Closes the descriptor it holds on every way out.
class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    ~Descriptor() {
        if (m_fd >= 0)
            ::close(m_fd);
    }

    [[nodiscard]] int get() const { return m_fd; }
    [[nodiscard]] bool isOpen() const { return m_fd >= 0; }

    // Closes now and reports the result: a full disk may only show up here.
    int release() {
        const int rc = ::close(m_fd);
        m_fd = -1;
        return rc;
    }

private:
    int m_fd;
};

int OpenRetrying(const QByteArray &name, int flags, mode_t mode = 0) {
    int fd;
    do {
        fd = ::open(name.constData(), flags | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

QString Reason(int err) {
    return QString::fromLocal8Bit(std::strerror(err));
}

[[noreturn]] void Fail(const QString &path, int err, const char *doing,
                       const QByteArray &destToRemove) {
    if (!destToRemove.isEmpty())
        ::unlink(destToRemove.constData());
    throw IoError(path, err,
                  QStringLiteral("%1 %2: %3").arg(QLatin1StringView(doing), path, Reason(err)));
}

} // namespace

IoError::IoError(const QString &path, int errorCode, const QString &what)
    : std::runtime_error(what.toStdString()), m_path(path), m_errorCode(errorCode) {}

bool CopyFile(const QString &source, const QString &dest) {
    const QByteArray sourceName = QFile::encodeName(source);
    const QByteArray destName = QFile::encodeName(dest);
    if (sourceName.isEmpty() || destName.isEmpty())
        return false;

    Descriptor in(OpenRetrying(sourceName, O_RDONLY));
    if (!in.isOpen())
        return false;
    struct stat inStat {};
    if (::fstat(in.get(), &inStat) != 0 || !S_ISREG(inStat.st_mode))
        return false;

    // Opened without O_TRUNC so that the identity check below runs before anything is lost.
    Descriptor out(OpenRetrying(destName, O_WRONLY | O_CREAT, 0666));
    if (!out.isOpen())
        return false;
    struct stat outStat {};
    if (::fstat(out.get(), &outStat) != 0)
        return false;
    if (outStat.st_dev == inStat.st_dev && outStat.st_ino == inStat.st_ino)
        return false;
    // Only a regular file is emptied first, and only a regular file is removed after a
    // failure: a device such as /dev/null is written as it is.
    const QByteArray removeOnFailure = S_ISREG(outStat.st_mode) ? destName : QByteArray();
    if (!removeOnFailure.isEmpty() && ::ftruncate(out.get(), 0) != 0)
        return false;

    char block[kBlockSize];
    for (;;) {
        const ssize_t got = ::read(in.get(), block, sizeof block);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            Fail(source, errno, "Cannot read", removeOnFailure);
        }
        if (got == 0)
            break;
        // A short write is not the end of the copy: the rest is written, or the failure
        // behind it (a full disk) is reported.
        ssize_t done = 0;
        while (done < got) {
            const ssize_t put =
                ::write(out.get(), block + done, static_cast<std::size_t>(got - done));
            if (put < 0) {
                if (errno == EINTR)
                    continue;
                Fail(dest, errno, "Cannot write", removeOnFailure);
            }
            if (put == 0)
                Fail(dest, ENOSPC, "Cannot write", removeOnFailure);
            done += put;
        }
    }
    if (out.release() != 0)
        Fail(dest, errno, "Cannot write", removeOnFailure);
    return true;
}
