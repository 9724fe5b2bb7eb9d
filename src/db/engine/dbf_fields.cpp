// Typed reads and writes of single fields of a record buffer.
#include "db/engine/byte_order.h"
#include "db/engine/db_error.h"
#include "db/engine/dbf_table.h"
#include "db/engine/field_codec.h"

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

using field_codec::trimBlanks;

std::string_view trimRight(std::string_view s) {
    while (!s.empty() && blankByte(s.back()))
        s.remove_suffix(1);
    return s;
}

using bytes::be32;
using bytes::be64;
using bytes::le32;
using bytes::le64;

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

// Rounded decimal text of a number text already validated by normalDecimal.
std::string rounded(const std::string &normal, int decimals) {
    return field_codec::roundDecimal(normal, decimals).value_or(std::string());
}

std::optional<double> toDouble(const std::string &decimal) {
    double d = 0;
    const auto r = std::from_chars(decimal.data(), decimal.data() + decimal.size(), d);
    if (r.ec != std::errc() || r.ptr != decimal.data() + decimal.size())
        return std::nullopt;
    return d;
}

std::optional<DateTimeValue> dateOf(std::optional<field_codec::Date> d) {
    if (!d)
        return std::nullopt;
    return DateTimeValue{d->year, d->month, d->day, 0};
}

DateTimeValue fromJulianDay(std::int64_t jdn) {
    const field_codec::Date d = field_codec::fromJulianDay(jdn);
    return DateTimeValue{d.year, d.month, d.day, 0};
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
    if (isNull(rec, index))
        return std::nullopt;
    switch (f.type) {
    case 'N':
    case 'F':
        return field_codec::normalDecimal(r);
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
    if (isNull(rec, index))
        return std::nullopt;
    switch (f.type) {
    case 'N':
    case 'F':
        if (auto t = field_codec::normalDecimal(r))
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
    if (isNull(rec, index))
        return std::nullopt;
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
        const auto t = field_codec::normalDecimal(r);
        if (!t)
            return std::nullopt;
        const std::string whole = rounded(*t, 0);
        std::int64_t v = 0;
        const auto res = std::from_chars(whole.data(), whole.data() + whole.size(), v);
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
    if (isNull(rec, index))
        return std::nullopt;
    if (f.type == 'Y')
        return static_cast<std::int64_t>(le64(r.data()));
    const auto t = decimalText(rec, index);
    if (!t)
        return std::nullopt;
    std::string scaled = rounded(*t, 4);
    const auto dot = scaled.find('.');
    if (dot == std::string::npos)
        return std::nullopt;
    scaled.erase(dot, 1);
    std::int64_t v = 0;
    const auto res = std::from_chars(scaled.data(), scaled.data() + scaled.size(), v);
    if (res.ec != std::errc())
        return std::nullopt;
    return v;
}

std::optional<DateTimeValue> DbfTable::dateTime(std::string_view rec, int index) const {
    const FieldDef &f = checkedField(index);
    const std::string_view r = raw(rec, index);
    if (isNull(rec, index))
        return std::nullopt;
    switch (f.type) {
    case 'D':
        return dateOf(field_codec::readDate(r));
    case 'T': {
        if (allZero(r) || trimBlanks(r).empty())
            return std::nullopt;
        const auto jdn = static_cast<std::int32_t>(le32(r.data()));
        const auto ms = static_cast<std::int32_t>(le32(r.data() + 4));
        if (jdn <= 0 || ms < 0 || ms >= 86400000)
            return std::nullopt;
        DateTimeValue v = fromJulianDay(jdn);
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
        DateTimeValue v = fromJulianDay(1721426 + days - 1);
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
    if (!block || !m_memo)
        return {};
    return m_memo->read(*block);
}

std::string DbfTable::text(std::string_view rec, int index) const {
    const FieldDef &f = checkedField(index);
    const std::string_view r = raw(rec, index);
    if (f.type == '0' || isNull(rec, index))
        return {};
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

// Visual FoxPro's _NullFlags field gives each varchar field one bit (set: the value is
// shorter than the field, its length in the field's last byte) and each field that may be
// NULL one more (set: NULL), in field order, a field's length bit before its null bit.
std::optional<bool> DbfTable::nullFlagsBit(std::string_view rec, int index, bool lengthBit) const {
    const auto &fields = m_fields;
    const auto flagsOf = [this](int i) { return m_fieldFlags[static_cast<std::size_t>(i)]; };
    const auto isVar = [&fields](int i) {
        const char t = fields[static_cast<std::size_t>(i)].type;
        return t == 'V' || t == 'Q';
    };
    const int nullFlags = m_nullFlagsField;
    if (nullFlags < 0 || (lengthBit ? !isVar(index) : (flagsOf(index) & 0x02) == 0))
        return std::nullopt;
    int bit = 0;
    for (int i = 0; i < index; ++i)
        bit += (isVar(i) ? 1 : 0) + ((flagsOf(i) & 0x02) ? 1 : 0);
    if (!lengthBit && isVar(index))
        ++bit;
    const std::string_view flags = raw(rec, nullFlags);
    if (static_cast<std::size_t>(bit / 8) >= flags.size())
        return std::nullopt;
    return ((static_cast<unsigned char>(flags[static_cast<std::size_t>(bit / 8)]) >> (bit % 8)) &
            1) != 0;
}

bool DbfTable::isNull(std::string_view rec, int index) const {
    return nullFlagsBit(rec, index, false).value_or(false);
}

std::size_t DbfTable::varLength(std::string_view rec, int index) const {
    const FieldDef &f = checkedField(index);
    if (!nullFlagsBit(rec, index, true).value_or(false))
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
    const FieldDef &f = numberField(index);
    (void)raw(rec, index);
    field_codec::storeDecimal(f, decimal, rec.data() + f.offset, m_path);
}

void DbfTable::setNumber(std::string &rec, int index, double value) const {
    const FieldDef &f = numberField(index);
    (void)raw(rec, index);
    field_codec::storeNumber(f, value, rec.data() + f.offset, m_path);
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
    field_codec::storeDateText(f, yyyymmdd, rec.data() + f.offset, m_path);
}

const FieldDef &DbfTable::numberField(int index) const {
    const FieldDef &f = checkedField(index);
    if (f.type != 'N' && f.type != 'F')
        throw DbError(m_path, "field " + f.name + " is not a number field");
    return f;
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
        bytes::putLe32(p, block);
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
