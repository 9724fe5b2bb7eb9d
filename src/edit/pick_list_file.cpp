#include "edit/pick_list_file.h"

#include "core/text_codec.h"

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
        items << text8::decode(line);
    }
    return items;
}

} // namespace picklists
