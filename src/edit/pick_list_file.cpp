#include "edit/pick_list_file.h"

#include "core/cp1252.h"

#include <QFile>

namespace picklists {

QStringList LoadGridList(const QString &path) {
    QStringList items;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return items;
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (QByteArray line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.trimmed().isEmpty())
            continue;
        items << cp1252::decode(line);
    }
    return items;
}

} // namespace picklists
