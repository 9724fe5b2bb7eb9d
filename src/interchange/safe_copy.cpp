#include "interchange/safe_copy.h"

#include "db/engine/file_names.h"
#include "settings/file_copy.h"

#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace safekeeping {

namespace {

std::optional<struct stat> StatOf(const QString &path) {
    struct stat st {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0)
        return std::nullopt;
    return st;
}

// A new, empty file beside `dest` that no one else uses, created with the mode a new file gets
// (or the mode of the file it will replace). Empty on failure.
QString CreateBeside(const QString &dest) {
    const QFileInfo info(dest);
    const std::optional<struct stat> old = StatOf(dest);
    for (int attempt = 0; attempt < 100; ++attempt) {
        // Within the name length the system allows, also beside a file of the longest name.
        const std::string tail =
            std::to_string(::getpid()) + "-" + std::to_string(attempt) + ".part";
        const QString name = info.absolutePath() + u'/' +
                             QFile::decodeName(QByteArray::fromStdString(db::hiddenTempName(
                                 QFile::encodeName(info.fileName()).toStdString(), tail)));
        const QByteArray encoded = QFile::encodeName(name);
        const int fd = ::open(encoded.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return {};
        }
        if (old)
            (void)::fchmod(fd, old->st_mode & 07777);
        ::close(fd);
        return name;
    }
    return {};
}

// The copy reaches the disk before its name replaces the old file's.
bool Flush(const QString &path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    return ::close(fd) == 0 && synced;
}

} // namespace

bool SameFile(const QString &a, const QString &b) {
    const std::optional<struct stat> first = StatOf(a);
    const std::optional<struct stat> second = StatOf(b);
    return first && second && first->st_dev == second->st_dev && first->st_ino == second->st_ino;
}

FileOps RealFileOps() {
    FileOps files;
    files.freeSpace = [](const QString &directory) -> std::optional<qint64> {
        const QStorageInfo storage(directory);
        if (!storage.isValid() || storage.bytesAvailable() < 0)
            return std::nullopt;
        return storage.bytesAvailable();
    };
    files.copy = [](const QString &source, const QString &dest) { return CopyFile(source, dest); };
    return files;
}

bool HasRoom(const QString &source, const QString &dest, const FileOps &files) {
    const QFileInfo target(dest);
    const std::optional<qint64> free = files.freeSpace(target.absolutePath());
    if (!free)
        return true;
    const qint64 replaced = target.isFile() ? target.size() : 0;
    return replaced + *free >= QFileInfo(source).size();
}

bool PlaceCopy(const QString &source, const QString &dest, const FileOps &files) {
    const QString temporary = CreateBeside(dest);
    if (temporary.isEmpty())
        return false;
    bool copied = false;
    try {
        copied = files.copy(source, temporary) && Flush(temporary);
    } catch (const IoError &) {
        copied = false;
    }
    if (copied && std::rename(QFile::encodeName(temporary).constData(),
                              QFile::encodeName(dest).constData()) == 0)
        return true;
    ::unlink(QFile::encodeName(temporary).constData());
    return false;
}

} // namespace safekeeping
