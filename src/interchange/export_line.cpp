#include "interchange/export_line.h"

#include "db/engine/db_error.h"
#include "db/record_view.h"

#include <QDate>

#include <charconv>
#include <cmath>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace exporting {

namespace {

bool isBlankByte(char c) {
    return c == ' ' || c == '\0';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Character fields are mostly padding: their trailing blanks go sixteen or eight at a time.
std::string_view trimmed(std::string_view text) {
    const char *b = text.data();
    const char *e = b + text.size();
#ifdef __SSE2__
    const __m128i blanks = _mm_set1_epi8(' ');
    while (e - b >= 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i *>(e - 16));
        const auto mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, blanks)));
        if (mask != 0xFFFFu) {
            // Bit i is byte i: the highest clear bit is the last byte that is not a blank.
            e -= 15 - (31 - __builtin_clz(~mask & 0xFFFFu));
            break;
        }
        e -= 16;
    }
#else
    constexpr std::uint64_t kEightBlanks = 0x2020202020202020ull;
    while (e - b >= 8) {
        std::uint64_t word;
        std::memcpy(&word, e - 8, 8);
        if (word != kEightBlanks)
            break;
        e -= 8;
    }
#endif
    while (e > b && isBlankByte(e[-1]))
        --e;
    while (b < e && isBlankByte(*b))
        ++b;
    return {b, static_cast<std::size_t>(e - b)};
}

char *copy(char *out, std::string_view bytes) {
    std::memcpy(out, bytes.data(), bytes.size());
    return out + bytes.size();
}

// The general format through the double, for what the plain decimal text cannot give
// directly: more than 15 significant digits, exponents, unusual spellings.
char *writeThroughDouble(char *out, std::string_view text, char point) {
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return out;
    const auto written = std::to_chars(out, out + kNumberRoom, value == 0 ? 0.0 : value,
                                       std::chars_format::general, 15);
    for (char *p = out; p != written.ptr; ++p)
        if (*p == '.')
            *p = point;
    return written.ptr;
}

char *writePadded(char *out, int value, int width) {
    char buf[8];
    int n = 0;
    do {
        buf[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value > 0 && n < 8);
    for (int i = n; i < width; ++i)
        *out++ = '0';
    while (n > 0)
        *out++ = buf[--n];
    return out;
}

int digitsValue(std::string_view s) {
    int v = 0;
    for (const char c : s)
        v = v * 10 + (c - '0');
    return v;
}

} // namespace

char *WriteQuoted(char *out, std::string_view text, bool first) {
    if (!first)
        *out++ = ',';
    *out++ = '"';
    text = trimmed(text);
    while (!text.empty()) {
        const void *quote = std::memchr(text.data(), '"', text.size());
        if (!quote) {
            out = copy(out, text);
            break;
        }
        const auto n = static_cast<std::size_t>(static_cast<const char *>(quote) - text.data());
        out = copy(out, text.substr(0, n + 1));
        *out++ = '"';
        text.remove_prefix(n + 1);
    }
    *out++ = '"';
    return out;
}

void AppendQuoted(std::string &line, std::string_view text, bool first) {
    const std::size_t at = line.size();
    line.resize(at + 2 * text.size() + 3);
    line.resize(static_cast<std::size_t>(WriteQuoted(line.data() + at, text, first) - line.data()));
}

char *WriteGeneralNumber(char *out, std::string_view stored, char point) {
    const std::string_view t = trimmed(stored);
    if (t.empty())
        return out;
    std::size_t i = 0;
    const bool negative = t[0] == '-';
    if (t[0] == '-' || t[0] == '+')
        ++i;
    std::size_t intBegin = i;
    while (i < t.size() && isDigit(t[i]))
        ++i;
    const std::size_t intEnd = i;
    std::size_t fracBegin = i, fracEnd = i;
    if (i < t.size() && t[i] == '.') {
        fracBegin = ++i;
        while (i < t.size() && isDigit(t[i]))
            ++i;
        fracEnd = i;
    }
    if (i != t.size() || (intBegin == intEnd && fracBegin == fracEnd))
        return writeThroughDouble(out, t, point);
    while (intBegin < intEnd && t[intBegin] == '0')
        ++intBegin;
    while (fracEnd > fracBegin && t[fracEnd - 1] == '0')
        --fracEnd;
    const std::size_t intDigits = intEnd - intBegin, fracDigits = fracEnd - fracBegin;
    if (intDigits == 0 && fracDigits == 0) {
        *out++ = '0';
        return out;
    }
    // Up to 15 significant digits and an exponent from -4 to 14: %.15g writes the decimal
    // digits as they are.
    std::size_t significant = intDigits + fracDigits;
    if (intDigits == 0) {
        std::size_t zeros = 0;
        while (t[fracBegin + zeros] == '0')
            ++zeros;
        if (zeros >= 4)
            return writeThroughDouble(out, t, point);
        significant -= zeros;
    }
    if (significant > 15)
        return writeThroughDouble(out, t, point);
    if (negative)
        *out++ = '-';
    if (intDigits > 0)
        out = copy(out, t.substr(intBegin, intDigits));
    else
        *out++ = '0';
    if (fracDigits > 0) {
        *out++ = point;
        out = copy(out, t.substr(fracBegin, fracDigits));
    }
    return out;
}

DateWriter::DateWriter(const QString &pattern, char separator) {
    for (qsizetype i = 0; i < pattern.size();) {
        const QChar c = pattern[i];
        qsizetype run = 1;
        while (i + run < pattern.size() && pattern[i + run] == c)
            ++run;
        const char what = c == u'd' ? 'd' : c == u'm' ? 'm' : c == u'y' ? 'y' : separator;
        if (what == 'y')
            m_parts.push_back({what, run <= 2 ? 2 : 4});
        else if (what == separator)
            for (qsizetype k = 0; k < run; ++k)
                m_parts.push_back({what, 1});
        else
            m_parts.push_back({what, static_cast<int>(run)});
        i += run;
    }
}

char *DateWriter::write(char *out, std::string_view stored) const {
    if (stored.size() != 8)
        return out;
    for (const char c : stored)
        if (!isDigit(c))
            return out;
    const int year = digitsValue(stored.substr(0, 4));
    const int month = digitsValue(stored.substr(4, 2));
    const int day = digitsValue(stored.substr(6, 2));
    if (!QDate::isValid(year, month, day))
        return out;
    for (const Part &part : m_parts) {
        switch (part.what) {
        case 'd':
            out = writePadded(out, day, part.width);
            break;
        case 'm':
            out = writePadded(out, month, part.width);
            break;
        case 'y':
            out = writePadded(out, part.width == 2 ? year % 100 : year, part.width);
            break;
        default:
            *out++ = part.what;
        }
    }
    return out;
}

LineWriter::LineWriter(const RecordLayout &layout, const std::vector<ExportColumn> &columns,
                       char decimalPoint, DateWriter dates)
    : m_layout(layout), m_point(decimalPoint), m_dates(std::move(dates)) {
    for (const ExportColumn &c : columns) {
        const db::FieldDef &f = layout.fields()[static_cast<std::size_t>(c.tableField)];
        Kind kind = Kind::Other;
        if (f.type == 'C')
            kind = Kind::Character;
        else if (f.type == 'N' || f.type == 'F')
            kind = Kind::Number;
        else if (f.type == 'D')
            kind = Kind::Date;
        m_columns.push_back({c.tableField, kind, f.offset, f.length});
        // Quoted, quotation marks doubled, a comma; the text of a number, date or other
        // value is never longer than its stored bytes plus a number's exponent.
        m_maxLine += 2 * (static_cast<std::size_t>(f.length) + kNumberRoom) + 3;
    }
}

char *LineWriter::write(char *out, const RecordView &record) const {
    bool first = true;
    char value[kNumberRoom + 256];
    // Most records hold no quotation mark at all: one look over the record spares one per
    // field.
    const bool quotes = std::memchr(record.buffer(), '"',
                                    static_cast<std::size_t>(m_layout.recordLength())) != nullptr;
    for (const Column &c : m_columns) {
        const std::string_view raw(record.buffer() + c.offset, static_cast<std::size_t>(c.length));
        switch (c.kind) {
        case Kind::Character:
            if (quotes) {
                out = WriteQuoted(out, raw, first);
            } else {
                if (!first)
                    *out++ = ',';
                *out++ = '"';
                out = copy(out, trimmed(raw));
                *out++ = '"';
            }
            break;
        case Kind::Number:
            // Number fields hold at most 20 digits and signs: the value buffer holds them.
            if (raw.size() <= 256) {
                out = WriteQuoted(out,
                                  {value, static_cast<std::size_t>(
                                              WriteGeneralNumber(value, raw, m_point) - value)},
                                  first);
                break;
            }
            [[fallthrough]];
        case Kind::Other: {
            // Types an inventory file does not hold (a logical, say): the data set's text,
            // back in the table's code page it came from.
            std::string text;
            QChar bad;
            if (!m_layout.encode(record.text(c.field), text, bad))
                text.clear();
            if (text.size() > raw.size() + kNumberRoom)
                throw db::DbError("field " +
                                  m_layout.fields()[static_cast<std::size_t>(c.field)].name +
                                  ": a value longer than the field cannot be exported");
            out = WriteQuoted(out, text, first);
            break;
        }
        case Kind::Date:
            out = WriteQuoted(
                out, {value, static_cast<std::size_t>(m_dates.write(value, raw) - value)}, first);
            break;
        }
        first = false;
    }
    return copy(out, kLineEnd);
}

std::string JoinedLine(const std::vector<std::string> &texts) {
    std::string line;
    bool first = true;
    for (const std::string &t : texts) {
        AppendQuoted(line, t, first);
        first = false;
    }
    line.append(kLineEnd);
    return line;
}

} // namespace exporting
