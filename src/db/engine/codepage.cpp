#include "db/engine/codepage.h"

#include "db/engine/byte_order.h"
#include "db/engine/db_error.h"

#include <algorithm>
#include <cerrno>
#include <functional>
#include <iconv.h>
#include <map>
#include <memory>
#include <mutex>
#include <set>

namespace db {

namespace {

struct DriverEntry {
    std::uint8_t id;
    int codePage;
};

// Language driver IDs (dBASE) and code page marks (FoxPro) share one byte; this is the
// union that dBASE-family readers agree on.
constexpr DriverEntry kDrivers[] = {
    {0x01, 437},   {0x02, 850},   {0x03, 1252}, {0x04, 10000}, {0x08, 865},  {0x09, 437},
    {0x0A, 850},   {0x0B, 437},   {0x0D, 437},  {0x0E, 850},   {0x0F, 437},  {0x10, 850},
    {0x11, 437},   {0x12, 850},   {0x13, 932},  {0x14, 850},   {0x15, 437},  {0x16, 850},
    {0x17, 865},   {0x18, 437},   {0x19, 437},  {0x1A, 850},   {0x1B, 437},  {0x1C, 863},
    {0x1D, 850},   {0x1F, 852},   {0x22, 852},  {0x23, 852},   {0x24, 860},  {0x25, 850},
    {0x26, 866},   {0x37, 850},   {0x40, 852},  {0x4D, 936},   {0x4E, 949},  {0x4F, 950},
    {0x50, 874},   {0x57, 1252},  {0x58, 1252}, {0x59, 1252},  {0x64, 852},  {0x65, 866},
    {0x66, 865},   {0x67, 861},   {0x68, 895},  {0x69, 620},   {0x6A, 737},  {0x6B, 857},
    {0x6C, 863},   {0x78, 950},   {0x79, 949},  {0x7A, 936},   {0x7B, 932},  {0x7C, 874},
    {0x7D, 1255},  {0x7E, 1256},  {0x86, 737},  {0x87, 852},   {0x88, 857},  {0x96, 10007},
    {0x97, 10029}, {0x98, 10006}, {0xC8, 1250}, {0xC9, 1251},  {0xCA, 1254}, {0xCB, 1253},
    {0xCC, 1257},
};

bool isMultiByte(int cp) {
    return cp == 932 || cp == 936 || cp == 949 || cp == 950;
}

class Iconv {
public:
    Iconv(const char *to, const char *from) : m_cd(iconv_open(to, from)) {}
    ~Iconv() {
        if (ok())
            iconv_close(m_cd);
    }
    Iconv(const Iconv &) = delete;
    Iconv &operator=(const Iconv &) = delete;
    [[nodiscard]] bool ok() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    [[nodiscard]] iconv_t get() const { return m_cd; }

private:
    iconv_t m_cd;
};

// Decodes one UTF-8 sequence at `pos`; returns U+FFFD and advances one byte when the
// input is malformed (overlong forms and surrogates included).
char32_t nextUtf8(std::string_view s, std::size_t &pos) {
    const auto b0 = static_cast<unsigned char>(s[pos]);
    if (b0 < 0x80) {
        ++pos;
        return b0;
    }
    int len = 0;
    char32_t c = 0;
    if ((b0 & 0xE0) == 0xC0) {
        len = 2;
        c = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3;
        c = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4;
        c = b0 & 0x07;
    } else {
        ++pos;
        return 0xFFFD;
    }
    if (pos + len > s.size()) {
        ++pos;
        return 0xFFFD;
    }
    for (int i = 1; i < len; ++i) {
        const auto b = static_cast<unsigned char>(s[pos + i]);
        if ((b & 0xC0) != 0x80) {
            ++pos;
            return 0xFFFD;
        }
        c = (c << 6) | (b & 0x3F);
    }
    static constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < kMin[len] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        ++pos;
        return 0xFFFD;
    }
    pos += len;
    return c;
}

std::string iconvConvert(iconv_t cd, std::string_view in, std::size_t *failedAt) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr); // back to the initial shift state
    std::string out;
    out.resize(in.size() * 4 + 16);
    char *inPtr = const_cast<char *>(in.data());
    std::size_t inLeft = in.size();
    char *outPtr = out.data();
    std::size_t outLeft = out.size();
    while (inLeft > 0) {
        if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
            if (errno == E2BIG) {
                const std::size_t used = static_cast<std::size_t>(outPtr - out.data());
                out.resize(out.size() * 2);
                outPtr = out.data() + used;
                outLeft = out.size() - used;
                continue;
            }
            if (failedAt) {
                *failedAt = in.size() - inLeft;
                break;
            }
            // Undecodable bytes of a multi-byte code page: keep going with U+FFFD.
            const std::size_t used = static_cast<std::size_t>(outPtr - out.data());
            out.resize(used);
            out += "\xEF\xBF\xBD";
            ++inPtr;
            --inLeft;
            out.resize(out.size() + inLeft * 4 + 16);
            outPtr = out.data() + used + 3;
            outLeft = out.size() - used - 3;
        }
    }
    out.resize(static_cast<std::size_t>(outPtr - out.data()));
    return out;
}

} // namespace

int codePageForLanguageDriver(std::uint8_t driver) {
    for (const auto &e : kDrivers)
        if (e.id == driver)
            return e.codePage;
    return 0;
}

std::string iconvName(int codePage) {
    switch (codePage) {
    case 10000:
        return "MACINTOSH";
    case 10007:
        return "MAC-CYRILLIC";
    case 10006:
        return "MAC-GREEK"; // not in every glibc; CodePage reports it then
    case 10029:
        return "MAC-CENTRALEUROPE";
    case 874:
        return "CP874";
    case 620:
    case 895:
        return ""; // Mazovia and Kamenicky: no iconv module
    default:
        return codePage > 0 ? "CP" + std::to_string(codePage) : std::string();
    }
}

void appendUtf8(std::string &out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

CodePage::CodePage(int number) : m_number(number) {
    const std::string name = iconvName(number);
    if (name.empty())
        throw DbError("code page " + std::to_string(number) + " is not supported");
    Iconv cd("UTF-32LE", name.c_str());
    if (!cd.ok())
        throw DbError("code page " + std::to_string(number) + " is not supported");
    for (int b = 0; b < 256; ++b) {
        m_toUnicode[b] = static_cast<char32_t>(b);
        if (b < 0x80 || isMultiByte(number))
            continue;
        char in = static_cast<char>(b);
        unsigned char out[8] = {};
        char *inPtr = &in;
        std::size_t inLeft = 1;
        char *outPtr = reinterpret_cast<char *>(out);
        std::size_t outLeft = sizeof out;
        iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd.get(), &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1) &&
            outLeft == 4)
            m_toUnicode[b] = static_cast<char32_t>(bytes::le32(out));
    }
    for (int b = 0x80; b < 256; ++b)
        m_high[b - 0x80] = {m_toUnicode[b], static_cast<unsigned char>(b)};
    std::sort(m_high.begin(), m_high.end());
    if (isMultiByte(number)) {
        m_toUtf8 = iconv_open("UTF-8", name.c_str());
        m_fromUtf8 = iconv_open(name.c_str(), "UTF-8");
        if (m_toUtf8 == reinterpret_cast<iconv_t>(-1) ||
            m_fromUtf8 == reinterpret_cast<iconv_t>(-1)) {
            closeDescriptors();
            throw DbError("code page " + std::to_string(number) + " is not supported");
        }
    }
}

CodePage::~CodePage() {
    closeDescriptors();
}

void CodePage::closeDescriptors() {
    for (void *&cd : {std::ref(m_toUtf8), std::ref(m_fromUtf8)}) {
        if (cd && cd != reinterpret_cast<void *>(-1))
            iconv_close(static_cast<iconv_t>(cd));
        cd = nullptr;
    }
}

const CodePage &CodePage::get(int number) {
    static std::mutex mutex;
    static std::map<int, std::unique_ptr<CodePage>> pages;
    static std::set<int> unsupported; // so a failing lookup stays cheap
    std::lock_guard lock(mutex);
    if (unsupported.count(number))
        throw DbError("code page " + std::to_string(number) + " is not supported");
    auto &slot = pages[number];
    if (!slot) {
        try {
            slot = std::make_unique<CodePage>(number);
        } catch (const DbError &) {
            pages.erase(number);
            unsupported.insert(number);
            throw;
        }
    }
    return *slot;
}

bool CodePage::encodeOne(char32_t c, char &out) const {
    if (c < 0x80) {
        // Every code page we handle keeps ASCII; the table still decides for safety.
        if (m_toUnicode[c] == c) {
            out = static_cast<char>(c);
            return true;
        }
    }
    auto it = std::lower_bound(m_high.begin(), m_high.end(), std::make_pair(c, 0),
                               [](const auto &a, const auto &b) { return a.first < b.first; });
    if (it != m_high.end() && it->first == c) {
        out = static_cast<char>(it->second);
        return true;
    }
    return false;
}

std::string CodePage::toUtf8(std::string_view bytes) const {
    if (isMultiByte(m_number))
        return iconvConvert(static_cast<iconv_t>(m_toUtf8), bytes, nullptr);
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (b < 0x80)
            out += ch;
        else
            appendUtf8(out, m_toUnicode[b]);
    }
    return out;
}

EncodeResult CodePage::fromUtf8(std::string_view utf8) const {
    EncodeResult r;
    if (isMultiByte(m_number)) {
        std::size_t failedAt = std::string_view::npos;
        r.bytes = iconvConvert(static_cast<iconv_t>(m_fromUtf8), utf8, &failedAt);
        if (failedAt != std::string_view::npos) {
            r.ok = false;
            r.badOffset = failedAt;
            std::size_t p = failedAt;
            r.badChar = nextUtf8(utf8, p);
        }
        return r;
    }
    r.bytes.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const std::size_t start = pos;
        const char32_t c = nextUtf8(utf8, pos);
        char out = 0;
        if (c == 0xFFFD || !encodeOne(c, out)) {
            r.ok = false;
            r.badChar = c;
            r.badOffset = start;
            return r;
        }
        r.bytes += out;
    }
    return r;
}

} // namespace db
