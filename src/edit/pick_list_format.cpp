#include "edit/pick_list_format.h"

#include "core/text_codec.h"

namespace picklists {

QStringList ParseListFile(QByteArrayView bytes) {
    QStringList entries;
    qsizetype at = 0;
    const qsizetype size = bytes.size();
    while (at < size) {
        qsizetype end = at;
        while (end < size && bytes[end] != '\r' && bytes[end] != '\n')
            ++end;
        const QByteArrayView line = bytes.sliced(at, std::min<qsizetype>(end - at, kMaxLineLength));
        // Blank as the trimming of lines sees it: spaces and control characters only.
        bool blank = true;
        for (char c : line)
            blank = blank && static_cast<unsigned char>(c) <= ' ';
        if (!blank)
            entries << text8::decode(line);
        at = end;
        if (at < size && bytes[at] == '\r')
            ++at;
        if (at < size && bytes[at] == '\n')
            ++at;
    }
    return entries;
}

QByteArray FormatListFile(const QStringList &entries, bool *lossless) {
    QByteArray out;
    bool exact = true;
    for (const QString &entry : entries) {
        bool ok = true;
        out += text8::encode(entry, &ok);
        out += "\r\n";
        exact = exact && ok;
    }
    if (lossless)
        *lossless = exact;
    return out;
}

} // namespace picklists
