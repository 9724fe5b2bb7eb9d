#include "interchange/import_record.h"

#include "core/field_catalogue.h"
#include "db/engine/field_codec.h"
#include "db/record_view.h"
#include "settings/date_format.h"
#include "settings/regional.h"
#include "settings/typed_number.h"

#include <QDate>

#include <algorithm>
#include <cstring>

namespace importing {

namespace {

// Plain decimal text: an optional minus, digits without a needless leading zero and, where
// `point`, an optional point with digits; at most 15 significant digits. Such a text is
// exactly the shortest text of the double the typed-number reader makes of it, so it is
// stored as it is, giving the same digits without the round trip through the double.
bool PlainDecimal(std::string_view s, bool point) {
    std::size_t i = !s.empty() && s[0] == '-' ? 1 : 0;
    const std::size_t start = i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9')
        ++i;
    const std::size_t whole = i - start;
    if (whole == 0 || (whole > 1 && s[start] == '0'))
        return false;
    std::size_t fraction = 0;
    if (point && i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9')
            ++i, ++fraction;
        if (fraction == 0)
            return false;
    }
    return i == s.size() && whole + fraction <= 15;
}

// Up to `most` digits from `i`; -1 when there are none.
int Digits(std::string_view s, std::size_t &i, std::size_t most, std::size_t &count) {
    int value = 0;
    count = 0;
    while (i < s.size() && count < most && s[i] >= '0' && s[i] <= '9') {
        value = value * 10 + (s[i++] - '0');
        ++count;
    }
    return count == 0 ? -1 : value;
}

} // namespace

// The common form "d/m/yy" (one or two digits, two or four for the year, nothing else) read
// without TextToDate, with the same result; nullopt for anything else, which TextToDate
// reads (and refuses when it is not a date).
std::optional<db::field_codec::Date> RecordFiller::quickDate(std::string_view text) const {
    std::size_t i = 0, n = 0;
    const int first = Digits(text, i, 2, n);
    if (first < 0 || i >= text.size() || text[i++] != m_separator)
        return std::nullopt;
    const int second = Digits(text, i, 2, n);
    if (second < 0 || i >= text.size() || text[i++] != m_separator)
        return std::nullopt;
    int year = Digits(text, i, 4, n);
    if (year < 0 || i != text.size() || (n != 2 && n != 4))
        return std::nullopt;
    if (n == 2)
        year = ExpandTwoDigitYear(year, m_currentYear);
    const int day = m_dayFirst ? first : second;
    const int month = m_dayFirst ? second : first;
    if (year < 1 || !db::field_codec::isValidDate(year, month, day))
        return std::nullopt;
    return db::field_codec::Date{year, month, day};
}

RecordFiller::RecordFiller(const RecordLayout &layout)
    : m_recordLength(layout.recordLength()), m_currentYear(QDate::currentDate().year()),
      m_dayFirst(CurrentDatePattern().startsWith(u'd')),
      m_separator(static_cast<char>(CurrentDateSeparator().toLatin1())) {
    for (std::size_t i = 0; i < kCatalogue.size(); ++i) {
        const std::string_view key = kCatalogue[i].key.substr(0, 10);
        const int at = layout.indexOf(QString::fromLatin1(key.data(), qsizetype(key.size())));
        if (at >= 0)
            m_targets[i] = {layout.fields()[static_cast<std::size_t>(at)], true};
    }
    m_blank.assign(static_cast<std::size_t>(m_recordLength), ' ');
}

bool RecordFiller::isDate(int catalogueIndex) const {
    return kCatalogue[static_cast<std::size_t>(catalogueIndex)].createdAs == FieldCreatedAs::Date;
}

void RecordFiller::storeText(std::string &record, int catalogueIndex, std::string_view text) const {
    const Target &t = m_targets[static_cast<std::size_t>(catalogueIndex)];
    if (!t.present)
        return;
    char *out = record.data() + t.field.offset;
    const std::size_t width = static_cast<std::size_t>(t.field.length);
    switch (kCatalogue[static_cast<std::size_t>(catalogueIndex)].createdAs) {
    case FieldCreatedAs::Character: {
        const std::size_t n = std::min(width, text.size());
        // copy_n: an empty view may have no data, which memcpy must not get.
        std::copy_n(text.data(), n, out);
        std::memset(out + n, ' ', width - n);
        break;
    }
    case FieldCreatedAs::Integer:
        if (PlainDecimal(text, false))
            db::field_codec::storeDecimal(t.field, text, out);
        else
            db::field_codec::storeNumber(
                t.field, static_cast<double>(ReadTypedWholeNumberPrefix(text, kFormatUS)), out);
        break;
    case FieldCreatedAs::Float:
        if (PlainDecimal(text, true))
            db::field_codec::storeDecimal(t.field, text, out);
        else
            db::field_codec::storeNumber(t.field, ReadTypedAmountPrefix(text, kFormatUS), out);
        break;
    case FieldCreatedAs::Date:
        storeDateText(record, t, text);
        break;
    }
}

void RecordFiller::storeDateText(std::string &record, const Target &t,
                                 std::string_view text) const {
    const QChar separator = CurrentDateSeparator();
    bool hasSeparator = false;
    for (const char c : text) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))
            return;
        hasSeparator = hasSeparator || QLatin1Char(c) == separator;
    }
    if (!hasSeparator)
        return;
    if (const auto quick = quickDate(text)) {
        db::field_codec::storeDate(t.field, *quick, record.data() + t.field.offset);
        return;
    }
    const QString value = QString::fromLatin1(text.data(), qsizetype(text.size()));
    const ParsedDate parsed = TextToDate(value, m_currentYear);
    if (parsed.isInvalid())
        throw ImportError(QStringLiteral("'%1' is not a valid date").arg(value));
    if (parsed.isValid())
        db::field_codec::storeDate(t.field,
                                   {parsed.date.year(), parsed.date.month(), parsed.date.day()},
                                   record.data() + t.field.offset);
}

bool RecordFiller::storeSameField(std::string &record, int catalogueIndex,
                                  const db::FieldDef &source, std::string_view bytes) const {
    const Target &t = m_targets[static_cast<std::size_t>(catalogueIndex)];
    if (!t.present || t.field.length != source.length ||
        static_cast<std::size_t>(t.field.length) != bytes.size())
        return false;
    switch (kCatalogue[static_cast<std::size_t>(catalogueIndex)].createdAs) {
    case FieldCreatedAs::Character:
        if (source.type != 'C' || std::memchr(bytes.data(), 0, bytes.size()))
            return false;
        break;
    case FieldCreatedAs::Integer:
    case FieldCreatedAs::Float: {
        if ((source.type != 'N' && source.type != 'F') || source.decimals != t.field.decimals)
            return false;
        const std::string_view text = db::field_codec::trimBlanks(bytes);
        if (text.empty() || text.data() + text.size() != bytes.data() + bytes.size() ||
            !PlainDecimal(text, t.field.decimals > 0))
            return false;
        const std::size_t point = text.find('.');
        const std::size_t decimals = point == std::string_view::npos ? 0 : text.size() - point - 1;
        // Stored text never carries a sign on zero.
        if (decimals != static_cast<std::size_t>(t.field.decimals) ||
            (text[0] == '-' && text.find_first_not_of("-0.") == std::string_view::npos))
            return false;
        break;
    }
    case FieldCreatedAs::Date:
        return false;
    }
    std::memcpy(record.data() + t.field.offset, bytes.data(), bytes.size());
    return true;
}

void RecordFiller::storeDbfDate(std::string &record, int catalogueIndex,
                                const std::optional<db::field_codec::Date> &date) const {
    const Target &t = m_targets[static_cast<std::size_t>(catalogueIndex)];
    if (t.present && isDate(catalogueIndex) && date &&
        db::field_codec::isValidDate(date->year, date->month, date->day))
        db::field_codec::storeDate(t.field, *date, record.data() + t.field.offset);
}

} // namespace importing
