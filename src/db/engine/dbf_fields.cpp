// Typed reads and writes of single fields of a record buffer.
#include "db/engine/db_error.h"
#include "db/engine/dbf_table.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace db {

namespace {

bool blankByte(char c) {
    return c == ' ' || c == '\0';
}

std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && blankByte(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blankByte(s.back()))
        s.remove_suffix(1);
    return s;
}

std::string_view trimRight(std::string_view s) {
    while (!s.empty() && blankByte(s.back()))
        s.remove_suffix(1);
    return s;
}

std::uint32_t le32(const char *p) {
    const auto *u = reinterpret_cast<const unsigned char *>(p);
    return u[0] | (u[1] << 8) | (u[2] << 16) | (static_cast<std::uint32_t>(u[3]) << 24);
}
std::uint64_t le64(const char *p) {
    return le32(p) | (static_cast<std::uint64_t>(le32(p + 4)) << 32);
}
std::uint64_t be64(const char *p) {
    const auto *u = reinterpret_cast<const unsigned char *>(p);
    std::uint64_t v = 0;
    for (int i = 0; i < 8; ++i)
        v = (v << 8) | u[i];
    return v;
}
std::uint32_t be32(const char *p) {
    const auto *u = reinterpret_cast<const unsigned char *>(p);
    return (static_cast<std::uint32_t>(u[0]) << 24) | (u[1] << 16) | (u[2] << 8) | u[3];
}

bool allZero(std::string_view s) {
    for (char c : s)
        if (c != '\0')
            return false;
    return true;
}

double bitsToDouble(std::uint64_t bits) {
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

// dBASE 7 stores doubles big-endian with the sign bit set for positive values and all bits
// inverted for negative ones, so that the bytes sort like the numbers.
std::optional<double> dBase7Double(const char *p) {
    std::uint64_t v = be64(p);
    if (v == 0)
        return std::nullopt;
    if (v & 0x8000000000000000ULL)
        v &= ~0x8000000000000000ULL;
    else
        v = ~v;
    return bitsToDouble(v);
}

// A validated decimal number text: optional sign, digits, optional point and digits.
// Returns it normalised ("-0.5" for "-.5", no "+"), or nullopt for blanks and anything else.
std::optional<std::string> parseDecimal(std::string_view s) {
    s = trimBlanks(s);
    if (s.empty())
        return std::nullopt;
    std::string out;
    std::size_t i = 0;
    if (s[0] == '-' || s[0] == '+') {
        if (s[0] == '-')
            out += '-';
        ++i;
    }
    // Some writers leave blanks between the sign and the digits.
    while (i < s.size() && s[i] == ' ')
        ++i;
    std::size_t digits = 0;
    const std::size_t intStart = out.size();
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
        out += s[i++];
        ++digits;
    }
    if (out.size() == intStart)
        out += '0';
    if (i < s.size() && s[i] == '.') {
        out += '.';
        ++i;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
            out += s[i++];
            ++digits;
        }
    }
    if (i != s.size() || digits == 0)
        return std::nullopt;
    return out;
}

std::string formatScaled(std::int64_t v, int decimals) {
    const bool neg = v < 0;
    const unsigned long long a =
        neg ? 0ULL - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
    std::string digits = std::to_string(a);
    if (decimals > 0) {
        if (digits.size() <= static_cast<std::size_t>(decimals))
            digits.insert(0, static_cast<std::size_t>(decimals) + 1 - digits.size(), '0');
        digits.insert(digits.size() - static_cast<std::size_t>(decimals), ".");
    }
    return neg ? "-" + digits : digits;
}

std::string shortestDouble(double d) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, d);
    return std::string(buf, r.ptr);
}

std::optional<double> toDouble(const std::string &decimal) {
    double d = 0;
    const auto r = std::from_chars(decimal.data(), decimal.data() + decimal.size(), d);
    if (r.ec != std::errc() || r.ptr != decimal.data() + decimal.size())
        return std::nullopt;
    return d;
}

// Rounds a normalised decimal half away from zero to `decimals` places, giving
// [-]digits[.digits] with exactly `decimals` decimals and no sign on zero.
std::string roundDecimal(const std::string &normal, int decimals) {
    const bool neg = !normal.empty() && normal[0] == '-';
    std::string body = neg ? normal.substr(1) : normal;
    const auto dot = body.find('.');
    std::string intPart = dot == std::string::npos ? body : body.substr(0, dot);
    std::string frac = dot == std::string::npos ? std::string() : body.substr(dot + 1);
    bool roundUp = false;
    if (frac.size() > static_cast<std::size_t>(decimals)) {
        roundUp = frac[static_cast<std::size_t>(decimals)] >= '5';
        frac.resize(static_cast<std::size_t>(decimals));
    } else {
        frac.append(static_cast<std::size_t>(decimals) - frac.size(), '0');
    }
    std::string digits = intPart + frac;
    if (roundUp) {
        int i = static_cast<int>(digits.size()) - 1;
        while (i >= 0 && digits[static_cast<std::size_t>(i)] == '9')
            digits[static_cast<std::size_t>(i--)] = '0';
        if (i < 0)
            digits.insert(0, "1");
        else
            ++digits[static_cast<std::size_t>(i)];
    }
    std::size_t nz = 0;
    while (nz + 1 < digits.size() - static_cast<std::size_t>(decimals) && digits[nz] == '0')
        ++nz;
    digits.erase(0, nz);
    if (digits.size() <= static_cast<std::size_t>(decimals))
        digits.insert(0, static_cast<std::size_t>(decimals) + 1 - digits.size(), '0');
    std::string out = digits;
    if (decimals > 0)
        out.insert(out.size() - static_cast<std::size_t>(decimals), ".");
    const bool zero = out.find_first_not_of("0.") == std::string::npos;
    return (neg && !zero) ? "-" + out : out;
}

void civilFromJulianDay(std::int64_t jdn, int &y, int &m, int &d) {
    std::int64_t l = jdn + 68569;
    const std::int64_t n = 4 * l / 146097;
    l = l - (146097 * n + 3) / 4;
    const std::int64_t i = 4000 * (l + 1) / 1461001;
    l = l - 1461 * i / 4 + 31;
    const std::int64_t j = 80 * l / 2447;
    d = static_cast<int>(l - 2447 * j / 80);
    l = j / 11;
    m = static_cast<int>(j + 2 - 12 * l);
    y = static_cast<int>(100 * (n - 49) + i + l);
}

bool leapYear(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

bool validDate(int y, int m, int d) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (y < 1 || m < 1 || m > 12 || d < 1)
        return false;
    return d <= kDays[m - 1] + (m == 2 && leapYear(y) ? 1 : 0);
}

std::optional<DateTimeValue> parseYmd(std::string_view s) {
    if (s.size() != 8)
        return std::nullopt;
    int v[3] = {0, 0, 0};
    const int widths[3] = {4, 2, 2};
    std::size_t p = 0;
    for (int k = 0; k < 3; ++k) {
        for (int i = 0; i < widths[k]; ++i, ++p) {
            if (s[p] < '0' || s[p] > '9')
                return std::nullopt;
            v[k] = v[k] * 10 + (s[p] - '0');
        }
    }
    if (!validDate(v[0], v[1], v[2]))
        return std::nullopt;
    return DateTimeValue{v[0], v[1], v[2], 0};
}

bool isMemoType(char type, bool fox) {
    return type == 'M' || type == 'G' || type == 'P' || (type == 'B' && !fox) ||
           (type == 'W' && fox);
}

} // namespace

std::string_view DbfTable::raw(std::string_view rec, int index) const {
    const FieldDef &f = checkedField(index);
    if (rec.size() < static_cast<std::size_t>(f.offset + f.length))
        throw DbError(m_path, "a record buffer of " + std::to_string(rec.size()) +
                                  " bytes is too short for field " + f.name);
    return rec.substr(static_cast<std::size_t>(f.offset), static_cast<std::size_t>(f.length));
}

bool DbfTable::isBlank(std::string_view rec, int index) const {
    const std::string_view r = raw(rec, index);
    for (char c : r)
        if (!blankByte(c))
            return false;
    return true;
}

std::optional<std::string> DbfTable::decimalText(std::string_view rec, int index) const {
    const FieldDef &f = checkedField(index);
    const std::string_view r = raw(rec, index);
    switch (f.type) {
    case 'N':
    case 'F':
        return parseDecimal(r);
    case 'Y':
        return formatScaled(static_cast<std::int64_t>(le64(r.data())), 4);
    case 'I':
    case '+':
        if (auto v = integer(rec, index))
            return std::to_string(*v);
        return std::nullopt;
    case 'B':
    case 'O':
        if (auto d = number(rec, index))
            return shortestDouble(*d);
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

std::optional<double> DbfTable::number(std::string_view rec, int index) const {
    const FieldDef &f = checkedField(index);
    const std::string_view r = raw(rec, index);
    switch (f.type) {
    case 'N':
    case 'F':
        if (auto t = parseDecimal(r))
            return toDouble(*t);
        return std::nullopt;
    case 'I':
    case '+':
    case 'Y':
        if (f.type == 'Y')
            return static_cast<double>(static_cast<std::int64_t>(le64(r.data()))) / 10000.0;
        if (auto v = integer(rec, index))
            return static_cast<double>(*v);
        return std::nullopt;
    case 'B':
        if (isFoxPro())
            return bitsToDouble(le64(r.data()));
        return std::nullopt;
    case 'O':
        return dBase7Double(r.data());
    default:
        return std::nullopt;
    }
}

std::optional<std::int64_t> DbfTable::integer(std::string_view rec, int index) const {
    const FieldDef &f = checkedField(index);
    const std::string_view r = raw(rec, index);
    switch (f.type) {
    case 'I':
    case '+':
        if (isDBase7() || f.type == '+') {
            const std::uint32_t v = be32(r.data());
            if (v == 0)
                return std::nullopt;
            return static_cast<std::int64_t>(static_cast<std::int32_t>(v ^ 0x80000000u));
        }
        return static_cast<std::int64_t>(static_cast<std::int32_t>(le32(r.data())));
    case 'N':
    case 'F': {
        const auto t = parseDecimal(r);
        if (!t)
            return std::nullopt;
        const std::string rounded = roundDecimal(*t, 0);
        std::int64_t v = 0;
        const auto res = std::from_chars(rounded.data(), rounded.data() + rounded.size(), v);
        if (res.ec != std::errc())
            return std::nullopt;
        return v;
    }
    case 'Y': {
        const auto v = static_cast<std::int64_t>(le64(r.data()));
        return (v >= 0 ? v + 5000 : v - 5000) / 10000;
    }
    case 'B':
    case 'O': {
        const auto d = number(rec, index);
        if (!d || !std::isfinite(*d) || std::fabs(*d) > 9.2e18)
            return std::nullopt;
        return static_cast<std::int64_t>(std::llround(*d));
    }
    default:
        return std::nullopt;
    }
}

std::optional<std::int64_t> DbfTable::currency(std::string_view rec, int index) const {
    const FieldDef &f = checkedField(index);
    const std::string_view r = raw(rec, index);
    if (f.type == 'Y')
        return static_cast<std::int64_t>(le64(r.data()));
    const auto t = decimalText(rec, index);
    if (!t)
        return std::nullopt;
    std::string rounded = roundDecimal(*t, 4);
    rounded.erase(rounded.find('.'), 1);
    std::int64_t v = 0;
    const auto res = std::from_chars(rounded.data(), rounded.data() + rounded.size(), v);
    if (res.ec != std::errc())
        return std::nullopt;
    return v;
}

std::optional<DateTimeValue> DbfTable::dateTime(std::string_view rec, int index) const {
    const FieldDef &f = checkedField(index);
    const std::string_view r = raw(rec, index);
    switch (f.type) {
    case 'D':
        return parseYmd(r);
    case 'T': {
        if (allZero(r) || trimBlanks(r).empty())
            return std::nullopt;
        const auto jdn = static_cast<std::int32_t>(le32(r.data()));
        const auto ms = static_cast<std::int32_t>(le32(r.data() + 4));
        if (jdn <= 0 || ms < 0 || ms >= 86400000)
            return std::nullopt;
        DateTimeValue v;
        civilFromJulianDay(jdn, v.year, v.month, v.day);
        v.millisecond = ms;
        return v;
    }
    case '@': {
        // Milliseconds since day 1 = 0001-01-01, as a dBASE 7 double.
        const auto d = dBase7Double(r.data());
        if (!d || !std::isfinite(*d) || *d < 86400000.0 || *d > 3.2e14)
            return std::nullopt;
        const auto total = static_cast<std::int64_t>(std::llround(*d));
        const std::int64_t days = total / 86400000;
        DateTimeValue v;
        civilFromJulianDay(1721426 + days - 1, v.year, v.month, v.day);
        v.millisecond = static_cast<int>(total % 86400000);
        return v;
    }
    default:
        return std::nullopt;
    }
}

std::optional<std::string> DbfTable::date(std::string_view rec, int index) const {
    const auto v = dateTime(rec, index);
    if (!v)
        return std::nullopt;
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d", v->year % 10000, v->month, v->day);
    return std::string(buf);
}

std::optional<bool> DbfTable::logical(std::string_view rec, int index) const {
    const FieldDef &f = checkedField(index);
    if (f.type != 'L')
        return std::nullopt;
    switch (raw(rec, index)[0]) {
    case 'T':
    case 't':
    case 'Y':
    case 'y':
    case '1':
        return true;
    case 'F':
    case 'f':
    case 'N':
    case 'n':
    case '0':
        return false;
    default:
        return std::nullopt;
    }
}

std::optional<std::uint32_t> DbfTable::memoBlock(std::string_view rec, int index) const {
    const FieldDef &f = checkedField(index);
    if (!isMemoType(f.type, isFoxPro()))
        return std::nullopt;
    const std::string_view r = raw(rec, index);
    if (r.size() == 4) {
        const std::uint32_t b = le32(r.data());
        return b == 0 ? std::nullopt : std::optional<std::uint32_t>(b);
    }
    const std::string_view t = trimBlanks(r);
    if (t.empty())
        return std::nullopt;
    std::uint64_t v = 0;
    for (char c : t) {
        if (c < '0' || c > '9' || v > 0xFFFFFFFFull / 10)
            throw DbError(m_path,
                          "field " + f.name + " holds a memo pointer that is not a block number");
        v = v * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (v > 0xFFFFFFFFull)
        throw DbError(m_path,
                      "field " + f.name + " holds a memo pointer that is not a block number");
    if (v == 0)
        return std::nullopt;
    return static_cast<std::uint32_t>(v);
}

std::string DbfTable::memo(std::string_view rec, int index) const {
    const auto block = memoBlock(rec, index);
    if (!block)
        return {};
    if (!m_memo)
        throw DbError(m_path, "the memo file of the table is missing");
    return m_memo->read(*block);
}

std::string DbfTable::text(std::string_view rec, int index) const {
    const FieldDef &f = checkedField(index);
    const std::string_view r = raw(rec, index);
    if (isMemoType(f.type, isFoxPro()))
        return memo(rec, index);
    switch (f.type) {
    case 'C':
        return std::string(trimRight(r));
    case 'V':
        return std::string(trimRight(r.substr(0, varLength(rec, index))));
    case 'N':
    case 'F':
        return std::string(trimBlanks(r));
    case 'D':
        return date(rec, index).value_or(std::string(trimBlanks(r)));
    case 'L': {
        const auto v = logical(rec, index);
        return v ? (*v ? "T" : "F") : "";
    }
    case 'I':
    case '+':
    case 'Y':
    case 'B':
    case 'O':
        return decimalText(rec, index).value_or("");
    case 'T':
    case '@': {
        const auto v = dateTime(rec, index);
        if (!v)
            return {};
        char buf[40];
        const int s = v->millisecond / 1000;
        std::snprintf(buf, sizeof buf, "%04d%02d%02d %02d:%02d:%02d", v->year % 10000, v->month,
                      v->day, s / 3600, (s / 60) % 60, s % 60);
        return buf;
    }
    default:
        return std::string(r);
    }
}

std::size_t DbfTable::varLength(std::string_view rec, int index) const {
    // Visual FoxPro gives each varchar field one bit in _NullFlags (after the null bit of
    // the fields before it); a set bit means the value is shorter than the field and its
    // length is in the field's last byte.
    const FieldDef &f = checkedField(index);
    int nullFlags = -1;
    for (int i = 0; i < fieldCount(); ++i)
        if (m_fields[static_cast<std::size_t>(i)].type == '0')
            nullFlags = i;
    if (nullFlags < 0)
        return static_cast<std::size_t>(f.length);
    int bit = 0;
    for (int i = 0; i < index; ++i) {
        const char t = m_fields[static_cast<std::size_t>(i)].type;
        if (t == 'V' || t == 'Q')
            ++bit;
        if (m_fieldFlags[static_cast<std::size_t>(i)] & 0x02)
            ++bit;
    }
    const std::string_view flags = raw(rec, nullFlags);
    if (static_cast<std::size_t>(bit / 8) >= flags.size())
        return static_cast<std::size_t>(f.length);
    const bool shorter =
        (static_cast<unsigned char>(flags[static_cast<std::size_t>(bit / 8)]) >> (bit % 8)) & 1;
    if (!shorter)
        return static_cast<std::size_t>(f.length);
    const auto n = static_cast<unsigned char>(raw(rec, index).back());
    return std::min<std::size_t>(n, static_cast<std::size_t>(f.length) - 1);
}

std::string DbfTable::textUtf8(std::string_view rec, int index) const {
    return codePage().toUtf8(text(rec, index));
}

void DbfTable::setText(std::string &rec, int index, std::string_view bytes) const {
    const FieldDef &f = checkedField(index);
    if (f.type != 'C')
        throw DbError(m_path, "field " + f.name + " is not a character field");
    if (bytes.size() > static_cast<std::size_t>(f.length))
        throw DbError(m_path, "field " + f.name + ": a text of " + std::to_string(bytes.size()) +
                                  " characters does not fit its width " + std::to_string(f.length));
    (void)raw(rec, index);
    char *p = rec.data() + f.offset;
    std::memcpy(p, bytes.data(), bytes.size());
    std::memset(p + bytes.size(), ' ', static_cast<std::size_t>(f.length) - bytes.size());
}

void DbfTable::setTextUtf8(std::string &rec, int index, std::string_view utf8) const {
    const EncodeResult r = codePage().fromUtf8(utf8);
    if (!r.ok) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(r.badChar));
        std::string ch;
        appendUtf8(ch, r.badChar);
        throw DbError(m_path, "field " + checkedField(index).name + ": the character " + ch + " (" +
                                  buf + ") cannot be stored in code page " +
                                  std::to_string(codePage().number()));
    }
    setText(rec, index, r.bytes);
}

void DbfTable::setDecimalText(std::string &rec, int index, std::string_view decimal) const {
    const FieldDef &f = checkedField(index);
    if (f.type != 'N' && f.type != 'F')
        throw DbError(m_path, "field " + f.name + " is not a number field");
    (void)raw(rec, index);
    if (trimBlanks(decimal).empty()) {
        setBlank(rec, index);
        return;
    }
    const auto normal = parseDecimal(decimal);
    if (!normal)
        throw DbError(m_path,
                      "field " + f.name + ": \"" + std::string(decimal) + "\" is not a number");
    const std::string text = roundDecimal(*normal, f.decimals);
    if (text.size() > static_cast<std::size_t>(f.length))
        throw DbError(m_path, "field " + f.name + ": the number " + text + " does not fit width " +
                                  std::to_string(f.length) + " with " + std::to_string(f.decimals) +
                                  " decimals");
    char *p = rec.data() + f.offset;
    const std::size_t pad = static_cast<std::size_t>(f.length) - text.size();
    std::memset(p, ' ', pad);
    std::memcpy(p + pad, text.data(), text.size());
}

void DbfTable::setNumber(std::string &rec, int index, double value) const {
    if (!std::isfinite(value))
        throw DbError(m_path, "field " + checkedField(index).name + ": the number is not finite");
    // The shortest text that reads back as the same double is what the user typed, so
    // decimal rounding of that text stores what the user sees.
    char buf[400];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    if (r.ec != std::errc())
        throw DbError(m_path, "field " + checkedField(index).name + ": the number does not fit");
    setDecimalText(rec, index, std::string_view(buf, static_cast<std::size_t>(r.ptr - buf)));
}

void DbfTable::setInteger(std::string &rec, int index, std::int64_t value) const {
    setDecimalText(rec, index, std::to_string(value));
}

void DbfTable::setDate(std::string &rec, int index, std::string_view yyyymmdd) const {
    const FieldDef &f = checkedField(index);
    if (f.type != 'D')
        throw DbError(m_path, "field " + f.name + " is not a date field");
    (void)raw(rec, index);
    if (yyyymmdd.empty()) {
        std::memset(rec.data() + f.offset, ' ', 8);
        return;
    }
    if (!parseYmd(yyyymmdd))
        throw DbError(m_path, "field " + f.name + ": \"" + std::string(yyyymmdd) +
                                  "\" is not a date YYYYMMDD");
    std::memcpy(rec.data() + f.offset, yyyymmdd.data(), 8);
}

void DbfTable::setLogical(std::string &rec, int index, std::optional<bool> value) const {
    const FieldDef &f = checkedField(index);
    if (f.type != 'L')
        throw DbError(m_path, "field " + f.name + " is not a logical field");
    (void)raw(rec, index);
    rec[static_cast<std::size_t>(f.offset)] = value ? (*value ? 'T' : 'F') : ' ';
}

void DbfTable::setBlank(std::string &rec, int index) const {
    const FieldDef &f = checkedField(index);
    (void)raw(rec, index);
    char fill = ' ';
    switch (f.type) {
    case 'I':
    case '+':
    case 'Y':
    case 'T':
    case 'O':
    case '@':
    case '0':
    case 'W':
    case 'Q':
        fill = '\0';
        break;
    case 'B':
        fill = isFoxPro() ? '\0' : ' ';
        break;
    default:
        if (isMemoType(f.type, isFoxPro()) && f.length == 4)
            fill = '\0';
        break;
    }
    std::memset(rec.data() + f.offset, fill, static_cast<std::size_t>(f.length));
}

void DbfTable::putMemoPointer(std::string &rec, const FieldDef &f, std::uint32_t block) {
    char *p = rec.data() + f.offset;
    if (f.length == 4) {
        for (int i = 0; i < 4; ++i)
            p[i] = static_cast<char>((block >> (8 * i)) & 0xFF);
    } else if (block == 0) {
        std::memset(p, ' ', static_cast<std::size_t>(f.length));
    } else {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%10u", block);
        std::memcpy(p, buf, 10);
    }
}

void DbfTable::setMemo(std::string &rec, int index, std::string_view bytes) {
    const FieldDef &f = checkedField(index);
    if (!isMemoType(f.type, isFoxPro()))
        throw DbError(m_path, "field " + f.name + " is not a memo field");
    (void)raw(rec, index);
    if (bytes.empty()) {
        putMemoPointer(rec, f, 0);
        return;
    }
    if (!m_memo)
        throw DbError(m_path, "the memo file of the table is missing");
    WriteLock lock(this);
    putMemoPointer(rec, f, m_memo->append(bytes));
    m_changed = true;
}

} // namespace db
