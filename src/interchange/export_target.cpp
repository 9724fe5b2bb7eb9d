#include "interchange/export_target.h"

#include "db/engine/file_names.h"
#include "db/inventory_names.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace exporting {

namespace {

std::optional<QString> existing(const std::string &path) {
    if (const auto found = db::findFileIgnoringCase(path))
        return QString::fromStdString(*found);
    return std::nullopt;
}

std::string withExtension(const QString &path, const char *ext) {
    const QFileInfo info(path);
    return QString(info.path() + u'/' + info.completeBaseName() + QLatin1StringView(ext))
        .toStdString();
}

bool isInventoryFile(const QString &path, const QStringList &inventory) {
    for (const QString &own : inventory)
        if (SameFile(path, own))
            return true;
    return false;
}

} // namespace

QStringList InventoryFiles(const QString &tablePath) {
    QStringList files;
    if (tablePath.isEmpty())
        return files;
    files << tablePath;
    const QString index = ProductionIndexPath(tablePath);
    if (QFileInfo::exists(index))
        files << index;
    for (const char *memo : {".DBT", ".FPT"})
        if (const auto found = existing(withExtension(tablePath, memo)))
            files << *found;
    return files;
}

bool SameFile(const QString &a, const QString &b) {
    struct stat sa {
    }, sb{};
    if (::stat(QFile::encodeName(a).constData(), &sa) != 0 ||
        ::stat(QFile::encodeName(b).constData(), &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

std::optional<QString> CompanionIndex(const QString &path) {
    return existing(withExtension(path, ".MDX"));
}

std::optional<QString> TargetProblem(Format format, const QString &target,
                                     const QString &tablePath) {
    if (format == Format::DBase && target.right(4).toUpper() != QLatin1String(".DBF"))
        return kInvalidFileType;
    const QStringList inventory = InventoryFiles(tablePath);
    if (isInventoryFile(target, inventory))
        return kOwnFile;
    if (format == Format::DBase) {
        const auto index = CompanionIndex(target);
        if (index && isInventoryFile(*index, inventory))
            return kOwnFile;
    }
    return std::nullopt;
}

} // namespace exporting
