#include "search/record_test.h"

#include "db/record_view.h"

#include <QLatin1StringView>

#include <algorithm>
#include <cstring>

namespace search {

namespace {

char asciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// `haystack` upper-cased holds `needle` (already upper case); both plain ASCII.
bool asciiContains(std::string_view haystack, const std::string &needle) {
    const std::size_t n = needle.size();
    if (n > haystack.size())
        return false;
    const char first = needle[0];
    for (std::size_t i = 0; i + n <= haystack.size(); ++i) {
        if (asciiUpper(haystack[i]) != first)
            continue;
        std::size_t k = 1;
        while (k < n && asciiUpper(haystack[i + k]) == needle[k])
            ++k;
        if (k == n)
            return true;
    }
    return false;
}

bool isAscii(std::string_view bytes) {
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
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
            c.column = layout.indexOf(QString::fromLatin1(
                f->key.data(), static_cast<qsizetype>(f->key.size())));
        c.comparison = item.comparison;
        c.isDate = item.isDate;
        c.endOfLevel = item.endOfLevel;
        c.value = item.isDate ? item.date : item.number;
        if (item.comparison == Contains) {
            c.upper = upperEachCharacter(item.text);
            const QByteArray latin = c.upper.toLatin1();
            c.asciiOk = isAscii(std::string_view(latin.constData(),
                                                 static_cast<std::size_t>(latin.size()))) &&
                        QString::fromLatin1(latin) == c.upper;
            if (c.asciiOk)
                c.ascii.assign(latin.constData(), static_cast<std::size_t>(latin.size()));
        }
        m_compiled.push_back(std::move(c));
    }
}

bool RecordTest::evaluate(const Compiled &c, const RecordView &record) const {
    if (c.comparison == Contains) {
        if (c.upper.isEmpty())
            return true;
        if (c.column < 0)
            return false;
        const std::string_view bytes = withoutTrailingBlanks(record.raw(c.column));
        if (c.asciiOk && isAscii(bytes))
            return asciiContains(bytes, c.ascii);
        return upperEachCharacter(record.layout().decode(bytes)).contains(c.upper);
    }
    double field = 0;
    if (c.column >= 0)
        field = c.isDate ? DayNumber(record.date(c.column)) : record.number(c.column);
    return compare(field, c.comparison, c.value);
}

bool RecordTest::matches(const RecordView &record) const {
    if (m_items.empty() || !record.isValid())
        return false;
    if (m_layout != &record.layout() || m_layoutFields != record.layout().fieldCount())
        compileFor(record.layout());
    bool level = true;
    for (const Compiled &c : m_compiled) {
        if (level)
            level = evaluate(c, record);
        if (c.endOfLevel) {
            if (level)
                return true;
            level = true;
        }
    }
    return false;
}

} // namespace search
