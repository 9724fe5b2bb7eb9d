#include "search/record_test.h"

#include "db/record_view.h"

#include <QLatin1StringView>

#include <algorithm>
#include <cstdint>
#include <optional>

namespace search {

namespace {

constexpr std::size_t kMaxField = 256;

// `haystack` upper-cased holds `needle` (already upper case, plain ASCII). Nothing when the
// haystack is not plain ASCII (the caller then compares decoded text).
std::optional<bool> asciiContains(std::string_view haystack, const std::string &needle) {
    if (haystack.size() > kMaxField)
        return std::nullopt;
    char upper[kMaxField];
    unsigned char high = 0;
    for (std::size_t i = 0; i < haystack.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(haystack[i]);
        high |= c;
        upper[i] = static_cast<char>(c >= 'a' && c <= 'z' ? c - ('a' - 'A') : c);
    }
    if (high & 0x80)
        return std::nullopt;
    return std::string_view(upper, haystack.size()).find(needle) != std::string_view::npos;
}

// A number field's value as RecordView::number reads it (blank or unreadable is 0), with the
// common stored form (sign, up to 15 digits, one full stop) read without a library call; the
// quotient of two exact doubles is the correctly rounded value, as from_chars gives it.
double storedNumber(const RecordView &record, int column) {
    const std::string_view raw = record.raw(column);
    std::size_t b = 0, e = raw.size();
    while (b < e && (raw[b] == ' ' || raw[b] == '\0'))
        ++b;
    while (e > b && (raw[e - 1] == ' ' || raw[e - 1] == '\0'))
        --e;
    if (b == e)
        return 0.0;
    static constexpr double kPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    std::size_t i = b;
    const bool negative = raw[i] == '-';
    if (raw[i] == '-' || raw[i] == '+')
        ++i;
    std::uint64_t mantissa = 0;
    int digits = 0, decimals = -1;
    for (; i < e; ++i) {
        const char c = raw[i];
        if (c >= '0' && c <= '9') {
            mantissa = mantissa * 10 + static_cast<std::uint64_t>(c - '0');
            ++digits;
            if (decimals >= 0)
                ++decimals;
        } else if (c == '.' && decimals < 0) {
            decimals = 0;
        } else {
            break;
        }
    }
    if (i != e || digits == 0 || digits > 15)
        return record.number(column);
    const double value = static_cast<double>(mantissa) / kPowers[decimals < 0 ? 0 : decimals];
    return negative ? -value : value;
}

std::string_view withoutTrailingBlanks(std::string_view bytes) {
    std::size_t e = bytes.size();
    while (e > 0 && (bytes[e - 1] == ' ' || bytes[e - 1] == '\0'))
        --e;
    return bytes.substr(0, e);
}

QString upperEachCharacter(QString text) {
    for (QChar &c : text)
        c = c.toUpper();
    return text;
}

bool compare(double field, int comparison, double value) {
    switch (comparison) {
    case Greater:
        return field > value;
    case Less:
        return field < value;
    default:
        return field == value;
    }
}

} // namespace

RecordTest::RecordTest(std::vector<SearchItem> items) : m_items(std::move(items)) {}

void RecordTest::compileFor(const RecordLayout &layout) const {
    m_layout = &layout;
    m_layoutFields = layout.fieldCount();
    m_compiled.clear();
    m_compiled.reserve(m_items.size());
    for (const SearchItem &item : m_items) {
        Compiled c;
        if (const CatalogueField *f = catalogueField(item.fieldNumber))
            c.column = layout.indexOf(
                QString::fromLatin1(f->key.data(), static_cast<qsizetype>(f->key.size())));
        c.comparison = item.comparison;
        c.isDate = item.isDate;
        c.endOfLevel = item.endOfLevel;
        c.value = item.isDate ? item.date : item.number;
        if (item.comparison == Contains) {
            c.upper = upperEachCharacter(item.text);
            const QByteArray latin = c.upper.toLatin1();
            c.asciiOk =
                std::all_of(latin.begin(), latin.end(),
                            [](char ch) { return static_cast<unsigned char>(ch) < 0x80; }) &&
                QString::fromLatin1(latin) == c.upper;
            if (c.asciiOk)
                c.ascii.assign(latin.constData(), static_cast<std::size_t>(latin.size()));
        }
        m_compiled.push_back(std::move(c));
    }
}

bool RecordTest::evaluate(const Compiled &c, const RecordView &record, Cache &cache) const {
    if (c.comparison == Contains) {
        if (c.upper.isEmpty())
            return true;
        if (c.column < 0)
            return false;
        const std::string_view bytes = withoutTrailingBlanks(record.raw(c.column));
        if (c.asciiOk)
            if (const std::optional<bool> found = asciiContains(bytes, c.ascii))
                return *found;
        return upperEachCharacter(record.layout().decode(bytes)).contains(c.upper);
    }
    double field = 0;
    if (c.column >= 0) {
        // The two bounds of a range read the same field.
        if (cache.column != c.column) {
            cache.column = c.column;
            cache.value =
                c.isDate ? DayNumber(record.date(c.column)) : storedNumber(record, c.column);
        }
        field = cache.value;
    }
    return compare(field, c.comparison, c.value);
}

bool RecordTest::matches(const RecordView &record) const {
    if (m_items.empty() || !record.isValid())
        return false;
    if (m_layout != &record.layout() || m_layoutFields != record.layout().fieldCount())
        compileFor(record.layout());
    bool level = true;
    Cache cache;
    for (const Compiled &c : m_compiled) {
        if (level)
            level = evaluate(c, record, cache);
        if (c.endOfLevel) {
            if (level)
                return true;
            level = true;
        }
    }
    return false;
}

} // namespace search
