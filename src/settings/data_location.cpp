#include "settings/data_location.h"

#include "core/case_insensitive_path.h"

#include <QDir>
#include <QFileInfo>

namespace data_location {

QStringList searchFolders(const QString &programDirectory, const QString &executableDirectory) {
    QStringList folders;
    auto add = [&folders](const QString &folder) {
        if (folder.isEmpty())
            return;
        const QString clean = QDir::cleanPath(folder);
        if (!folders.contains(clean))
            folders << clean;
    };
    add(programDirectory);
    if (!executableDirectory.isEmpty()) {
        add(executableDirectory + u'/' + QString::fromLatin1(kInstalledFromBin));
        add(executableDirectory);
    }
    return folders;
}

QString find(const QString &name, const QString &programDirectory,
             const QString &executableDirectory) {
    for (const QString &folder : searchFolders(programDirectory, executableDirectory)) {
        const auto path = findCaseInsensitive(folder, name);
        if (path && QFileInfo(*path).isFile())
            return *path;
    }
    return {};
}

} // namespace data_location
