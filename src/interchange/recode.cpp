#include "interchange/recode.h"

#include "db/engine/codepage.h"

#include <algorithm>

namespace importing {

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::int64_t EncodeReplacing(const db::CodePage &target, std::string_view utf8, std::string &out) {
    out.clear();
    if (IsAscii(utf8)) {
        out.assign(utf8);
        return 0;
    }
    std::int64_t replaced = 0;
    for (;;) {
        db::EncodeResult r = target.fromUtf8(utf8);
        out += r.bytes;
        if (r.ok)
            return replaced;
        out += '?';
        ++replaced;
        // On past the rest of the character that could not be held.
        std::size_t next = r.badOffset + 1;
        while (next < utf8.size() && (static_cast<unsigned char>(utf8[next]) & 0xC0) == 0x80)
            ++next;
        utf8.remove_prefix(next);
    }
}

} // namespace importing
