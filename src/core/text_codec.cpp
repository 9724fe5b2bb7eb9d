#include "core/text_codec.h"

#include <string_view>

namespace text8 {

QString decode(QByteArrayView bytes, int codePage) {
    const std::string utf8 = db::CodePage::get(codePage).toUtf8(
        std::string_view(bytes.data(), static_cast<std::size_t>(bytes.size())));
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QByteArray encode(QStringView text, bool *lossless, int codePage) {
    const db::CodePage &page = db::CodePage::get(codePage);
    const QByteArray utf8 = text.toUtf8();
    std::string_view rest(utf8.constData(), static_cast<std::size_t>(utf8.size()));
    QByteArray out;
    out.reserve(text.size());
    bool exact = true;
    while (!rest.empty()) {
        const db::EncodeResult r = page.fromUtf8(rest);
        out.append(r.bytes.data(), static_cast<qsizetype>(r.bytes.size()));
        if (r.ok)
            break;
        // One replacement per character, however many bytes its UTF-8 form takes.
        exact = false;
        out.append('?');
        std::size_t skip = 1;
        while (r.badOffset + skip < rest.size() &&
               (static_cast<unsigned char>(rest[r.badOffset + skip]) & 0xC0) == 0x80)
            ++skip;
        rest.remove_prefix(r.badOffset + skip);
    }
    if (lossless)
        *lossless = exact;
    return out;
}

} // namespace text8
