#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace db {

// The code page a table's language driver byte (header byte 29) names, or 0 when the byte
// names none we know (0x00 "not set" included); callers then assume Windows ANSI 1252.
[[nodiscard]] int codePageForLanguageDriver(std::uint8_t driver);

// The language driver byte our writer puts into new tables: Windows ANSI with binary
// collation, so plain byte order of keys is the index order.
inline constexpr std::uint8_t kDefaultLanguageDriver = 0x57;
inline constexpr int kDefaultCodePage = 1252;

// Result of turning UTF-8 into a code page. On failure `bytes` holds what was converted
// before the offending character, `badChar` is that character (U+FFFD for malformed UTF-8)
// and `badOffset` its byte offset in the input.
struct EncodeResult {
    bool ok = true;
    std::string bytes;
    char32_t badChar = 0;
    std::size_t badOffset = 0;
};

// A single-byte code page, converted through tables that glibc iconv fills once per code
// page; scans of a million records then cost no iconv call per field. Bytes the code page
// leaves undefined decode to the code point of the same value (as Windows does for 0x81 in
// 1252), so decoding and encoding again gives the original bytes.
class CodePage {
public:
    // Throws DbError when iconv does not know the code page.
    explicit CodePage(int number = kDefaultCodePage);
    ~CodePage();
    CodePage(const CodePage &) = delete;
    CodePage &operator=(const CodePage &) = delete;

    [[nodiscard]] int number() const { return m_number; }
    [[nodiscard]] std::string toUtf8(std::string_view bytes) const;
    [[nodiscard]] EncodeResult fromUtf8(std::string_view utf8) const;
    [[nodiscard]] char32_t decode(unsigned char byte) const { return m_toUnicode[byte]; }

    // The shared instance for a code page number (built on first use, never freed).
    [[nodiscard]] static const CodePage &get(int number);

private:
    [[nodiscard]] bool encodeOne(char32_t c, char &out) const;
    void closeDescriptors();

    int m_number;
    std::array<char32_t, 256> m_toUnicode{};
    // Sorted (code point, byte) pairs for the characters above 0x7F.
    std::array<std::pair<char32_t, unsigned char>, 128> m_high{};
    // iconv descriptors of the multi-byte code pages (iconv_t), reset before each use.
    void *m_toUtf8 = nullptr;
    void *m_fromUtf8 = nullptr;
};

// The name iconv knows the code page by ("CP1252"), or an empty string.
[[nodiscard]] std::string iconvName(int codePage);

// Appends the UTF-8 form of a code point.
void appendUtf8(std::string &out, char32_t c);

} // namespace db
