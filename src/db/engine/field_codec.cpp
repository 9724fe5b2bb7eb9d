#include "db/engine/field_codec.h"

#include "db/engine/db_error.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace db::field_codec {

namespace {

bool blankByte(char c) {
    return c == ' ' || c == '\0';
}

bool digit(char c) {
    return c >= '0' && c <= '9';
}

// The parts of a decimal number text; views into the text.
struct Parts {
    bool negative = false;
    std::string_view whole;
    std::string_view fraction;
    bool point = false;
};

std::optional<Parts> split(std::string_view s) {
    s = trimBlanks(s);
    if (s.empty())
        return std::nullopt;
    Parts p;
    std::size_t i = 0;
    if (s[0] == '-' || s[0] == '+') {
        p.negative = s[0] == '-';
        ++i;
        // Some writers leave blanks between the sign and the digits.
        while (i < s.size() && s[i] == ' ')
            ++i;
    }
    const std::size_t wholeStart = i;
    while (i < s.size() && digit(s[i]))
        ++i;
    p.whole = s.substr(wholeStart, i - wholeStart);
    if (i < s.size() && s[i] == '.') {
        p.point = true;
        const std::size_t fractionStart = ++i;
        while (i < s.size() && digit(s[i]))
            ++i;
        p.fraction = s.substr(fractionStart, i - fractionStart);
    }
    if (i != s.size() || (p.whole.empty() && p.fraction.empty()))
        return std::nullopt;
    return p;
}

// Longest rounded text the buffers below take; no field is near as wide.
constexpr std::size_t kMaxText = 600;

// Rounds half away from zero to `decimals` places into `out` (kMaxText bytes) as
// "[-]digits[.digits]"; returns the length, or 0 when the text would be longer than `room`.
std::size_t roundInto(const Parts &p, int decimals, std::size_t room, char *out) {
    const auto dec = static_cast<std::size_t>(decimals);
    std::string_view whole = p.whole;
    while (!whole.empty() && whole.front() == '0')
        whole.remove_prefix(1);
    // Sign, the whole digits and the decimals; rounding can only add one digit.
    if (whole.size() + dec + 3 > kMaxText || whole.size() > room)
        return 0;
    char digits[kMaxText];
    std::size_t n = 0;
    digits[n++] = '0'; // room for a carry out of the first digit
    // std::copy: an empty part may be a view without data, which memcpy must not get.
    std::copy(whole.begin(), whole.end(), digits + n);
    n += whole.size();
    const std::size_t fromFraction = std::min(dec, p.fraction.size());
    std::copy_n(p.fraction.begin(), fromFraction, digits + n);
    n += fromFraction;
    std::memset(digits + n, '0', dec - fromFraction);
    n += dec - fromFraction;
    if (p.fraction.size() > dec && p.fraction[dec] >= '5') {
        std::size_t i = n;
        while (digits[--i] == '9')
            digits[i] = '0';
        ++digits[i];
    }
    // Leading zeros go, keeping one digit before the point.
    std::size_t first = 0;
    while (first + dec + 1 < n && digits[first] == '0')
        ++first;
    bool zero = true;
    for (std::size_t i = first; i < n && zero; ++i)
        zero = digits[i] == '0';
    const bool sign = p.negative && !zero;
    const std::size_t intDigits = n - first - dec;
    const std::size_t length = (sign ? 1 : 0) + intDigits + (dec > 0 ? dec + 1 : 0);
    if (length > room)
        return 0;
    std::size_t at = 0;
    if (sign)
        out[at++] = '-';
    std::memcpy(out + at, digits + first, intDigits);
    at += intDigits;
    if (dec > 0) {
        out[at++] = '.';
        std::memcpy(out + at, digits + first + intDigits, dec);
        at += dec;
    }
    return at;
}

int decimalsOf(const FieldDef &field) {
    return std::max(0, field.decimals);
}

[[noreturn]] void doesNotFit(const FieldDef &field, std::string_view value,
                             const std::string &file) {
    throw DbError(file, "The value " + std::string(value) + " does not fit field " + field.name +
                            " (width " + std::to_string(field.length) + ", " +
                            std::to_string(field.decimals) + " decimals).");
}

// Writes the rounded number right-justified into the field's bytes; false (out untouched)
// when it does not fit.
bool storeParts(const FieldDef &field, const Parts &parts, char *out) {
    char text[kMaxText];
    const auto width = static_cast<std::size_t>(std::max(0, field.length));
    const std::size_t n = roundInto(parts, decimalsOf(field), width, text);
    if (n == 0)
        return false;
    std::memset(out, ' ', width - n);
    std::memcpy(out + (width - n), text, n);
    return true;
}

bool leapYear(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

} // namespace

std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && blankByte(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blankByte(s.back()))
        s.remove_suffix(1);
    return s;
}

std::optional<std::string> normalDecimal(std::string_view text) {
    const auto p = split(text);
    if (!p)
        return std::nullopt;
    std::string out;
    out.reserve(p->whole.size() + p->fraction.size() + 3);
    if (p->negative)
        out += '-';
    if (p->whole.empty())
        out += '0';
    else
        out += p->whole;
    if (p->point) {
        out += '.';
        out += p->fraction;
    }
    return out;
}

std::optional<std::string> roundDecimal(std::string_view text, int decimals) {
    const auto p = split(text);
    if (!p)
        return std::nullopt;
    char out[kMaxText];
    const std::size_t n = roundInto(*p, std::max(0, decimals), kMaxText, out);
    if (n == 0)
        return std::nullopt;
    return std::string(out, n);
}

std::string shortestDecimal(double value) {
    char buf[400];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    if (r.ec != std::errc())
        return {};
    return std::string(buf, r.ptr);
}

void storeDecimal(const FieldDef &field, std::string_view text, char *out,
                  const std::string &file) {
    const std::string_view trimmed = trimBlanks(text);
    if (trimmed.empty()) {
        std::memset(out, ' ', static_cast<std::size_t>(std::max(0, field.length)));
        return;
    }
    const auto parts = split(trimmed);
    if (!parts)
        throw DbError(file, "\"" + std::string(trimmed) + "\" is not a number for field " +
                                field.name + ".");
    if (!storeParts(field, *parts, out))
        doesNotFit(field, trimmed, file);
}

void storeNumber(const FieldDef &field, double value, char *out, const std::string &file) {
    if (!std::isfinite(value))
        throw DbError(file, "Field " + field.name + " cannot hold a value that is not a number.");
    // A finite double's fixed text is at most some 330 characters.
    char fixed[400];
    const auto r = std::to_chars(fixed, fixed + sizeof fixed, value, std::chars_format::fixed);
    const std::string_view text(fixed, static_cast<std::size_t>(r.ptr - fixed));
    const auto parts = split(text);
    if (parts && storeParts(field, *parts, out))
        return;
    if (text.size() <= 40)
        doesNotFit(field, text, file);
    // Huge values are named in exponent form, not by hundreds of digits.
    char shown[32];
    const auto s = std::to_chars(shown, shown + sizeof shown, value);
    doesNotFit(field, std::string_view(shown, static_cast<std::size_t>(s.ptr - shown)), file);
}

bool isValidDate(int year, int month, int day) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1)
        return false;
    return day <= kDays[month - 1] + (month == 2 && leapYear(year) ? 1 : 0);
}

std::optional<Date> readDate(std::string_view bytes) {
    const std::string_view t = trimBlanks(bytes);
    if (t.size() != 8)
        return std::nullopt;
    int v[3] = {0, 0, 0};
    const int widths[3] = {4, 2, 2};
    std::size_t at = 0;
    for (int part = 0; part < 3; ++part) {
        for (int i = 0; i < widths[part]; ++i, ++at) {
            if (!digit(t[at]))
                return std::nullopt;
            v[part] = v[part] * 10 + (t[at] - '0');
        }
    }
    if (!isValidDate(v[0], v[1], v[2]))
        return std::nullopt;
    return Date{v[0], v[1], v[2]};
}

void storeDate(const FieldDef &field, const Date &date, char *out, const std::string &file) {
    if (!isValidDate(date.year, date.month, date.day)) {
        char shown[48];
        std::snprintf(shown, sizeof shown, "%04d-%02d-%02d", date.year, date.month, date.day);
        throw DbError(file, std::string("The date ") + shown + " cannot be stored" +
                                (field.name.empty() ? "" : " in field " + field.name) +
                                ": there is no such day in the years 1 to 9999.");
    }
    int v = date.year * 10000 + date.month * 100 + date.day;
    for (int i = 7; i >= 0; --i, v /= 10)
        out[i] = static_cast<char>('0' + v % 10);
}

void storeDateText(const FieldDef &field, std::string_view yyyymmdd, char *out,
                   const std::string &file) {
    const auto date = yyyymmdd.size() == 8 ? readDate(yyyymmdd) : std::nullopt;
    if (!date)
        throw DbError(file, "\"" + std::string(yyyymmdd) + "\" is not a date for field " +
                                field.name + " (YYYYMMDD).");
    storeDate(field, *date, out, file);
}

std::int64_t julianDay(int year, int month, int day) {
    const std::int64_t a = (14 - month) / 12;
    const std::int64_t y = year + 4800 - a;
    const std::int64_t m = month + 12 * a - 3;
    return day + (153 * m + 2) / 5 + 365 * y + y / 4 - y / 100 + y / 400 - 32045;
}

Date fromJulianDay(std::int64_t jdn) {
    std::int64_t l = jdn + 68569;
    const std::int64_t n = 4 * l / 146097;
    l = l - (146097 * n + 3) / 4;
    const std::int64_t i = 4000 * (l + 1) / 1461001;
    l = l - 1461 * i / 4 + 31;
    const std::int64_t j = 80 * l / 2447;
    Date d;
    d.day = static_cast<int>(l - 2447 * j / 80);
    l = j / 11;
    d.month = static_cast<int>(j + 2 - 12 * l);
    d.year = static_cast<int>(100 * (n - 49) + i + l);
    return d;
}

} // namespace db::field_codec
