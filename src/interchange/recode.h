#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace db {
class CodePage;
}

namespace importing {

// True when every byte is below 0x80: the same text in UTF-8 and in every code page.
[[nodiscard]] bool IsAscii(std::string_view text);

// Encodes UTF-8 text in `target` into `out`, each character the code page cannot hold (and
// each malformed sequence) as "?". Returns how many were replaced.
std::int64_t EncodeReplacing(const db::CodePage &target, std::string_view utf8, std::string &out);

} // namespace importing
