#include "db/inventory_names.h"

#include <QDir>
#include <QFileInfo>

QString ProductionIndexPath(const QString &dbfPath) {
    const QFileInfo info(dbfPath);
    QString base = info.fileName();
    const qsizetype dot = base.lastIndexOf(u'.');
    if (dot > 0)
        base.truncate(dot);
    const QString wanted = base + QStringLiteral(".MDX");
    const QDir dir = info.absoluteDir();
    if (!dir.exists(wanted)) {
        const QStringList found =
            dir.entryList({base + QStringLiteral(".*")}, QDir::Files | QDir::Hidden);
        for (const QString &name : found)
            if (name.compare(wanted, Qt::CaseInsensitive) == 0)
                return dir.filePath(name);
    }
    return dir.filePath(wanted);
}

InventoryNames InventoryNamesOf(const QString &path) {
    InventoryNames names;
    const QFileInfo info(path);
    names.path = info.absoluteFilePath();
    names.databaseName = info.absolutePath();
    if (!names.databaseName.endsWith(u'/'))
        names.databaseName += u'/';
    const QString file = info.fileName();
    const qsizetype dot = file.indexOf(u'.');
    names.tableName = dot < 0 ? file : file.left(dot);
    names.mdxPath = ProductionIndexPath(names.path);
    return names;
}
