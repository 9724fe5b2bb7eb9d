#include "interchange/safe_copy.h"

#include "db/engine/db_error.h"
#include "db/engine/io_util.h"
#include "db/engine/stale_temps.h"
#include "db/engine/unique_fd.h"
#include "settings/file_copy.h"

#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

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
    const std::string target = QFile::encodeName(dest).toStdString();
    // The partial copies a killed backup or restore left here: a live copy holds the
    // staging lock of its file and is passed over.
    db::removeStaleTemporaries({target});
    std::string temporary;
    db::UniqueFd fd;
    try {
        fd.reset(db::createTempBeside(target, temporary));
    } catch (const db::DbError &) {
        return false;
    }
    if (const std::optional<struct stat> old = StatOf(dest))
        (void)::fchmod(fd.get(), old->st_mode & 07777);
    bool copied = false;
    try {
        copied = files.copy(source, QFile::decodeName(QByteArray::fromStdString(temporary)));
    } catch (const IoError &) {
        copied = false;
    }
    if (!copied) {
        ::unlink(temporary.c_str());
        return false;
    }
    try {
        // Synced before its name replaces the old file's, and the directory after.
        db::commitTemp(fd.get(), temporary, target);
    } catch (const db::DbError &) {
        return false; // the temporary is gone with it
    }
    return true;
}

} // namespace safekeeping
