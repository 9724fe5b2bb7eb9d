#include "db/inventory_names.h"

#include "db/engine/file_names.h"

#include <QDir>
#include <QFileInfo>

QString ProductionIndexPath(const QString &dbfPath) {
    const std::string path = QFileInfo(dbfPath).absoluteFilePath().toStdString();
    return QString::fromStdString(db::companionPath(path, ".MDX"));
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
