#include "views/locate.h"

#include "core/prompter.h"
#include "db/my_table.h"
#include "db/record_view.h"
#include "settings/date_format.h"
#include "settings/regional.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace locate {
namespace {

// The number a field's stored text or a typed value holds; false for anything else.
bool parseNumber(std::string_view text, double &out) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    if (text.empty())
        return false;
    if (text.front() == '+')
        text.remove_prefix(1);
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size() && std::isfinite(out);
}

bool isNumberType(char type) {
    return type == 'N' || type == 'F';
}

QString generalFormat(double value) {
    QString text = QString::number(value, 'g', 15);
    const QChar decimal = CurrentRegional().sDecimal;
    if (decimal != u'.')
        text.replace(u'.', decimal);
    return text;
}

bool textMatches(const QString &field, const QString &value, TMyLocateMatchType type) {
    switch (type) {
    case TMyLocateMatchType::mtExactMatch:
        return field == value;
    case TMyLocateMatchType::mtPartialMatchStart:
        return !value.isEmpty() && field.startsWith(value);
    case TMyLocateMatchType::mtPartialMatchAny:
        return !value.isEmpty() && field.contains(value);
    }
    return false;
}

// Verdicts remembered per stored value; a scan over values that never repeat should not
// grow without end.
constexpr std::size_t kMaxVerdicts = 1 << 16;

} // namespace

QString FieldNotFoundMessage(const QString &name) {
    return QStringLiteral("Field ") + name + QStringLiteral(" not found.");
}

bool IsLocatableType(char type) {
    switch (type) {
    case 'B': // binary (dBASE) / double (Visual FoxPro) are both left out as byte kinds
    case 'G':
    case 'P':
    case 'W':
    case 'V':
    case '0':
        return false;
    default:
        return true;
    }
}

QString TitleText(const QString &title) {
    QString text = title;
    text.replace(u'~', u' ');
    return text;
}

QString FieldTextForm(const RecordLayout &layout, int field, std::string_view raw) {
    const db::FieldDef &def = layout.fields()[static_cast<std::size_t>(field)];
    switch (def.type) {
    case 'C': {
        std::size_t n = raw.size();
        while (n > 0 && raw[n - 1] == ' ')
            --n;
        return layout.decode(raw.substr(0, n));
    }
    case 'N':
    case 'F': {
        double value = 0;
        if (!parseNumber(raw, value))
            return {};
        return generalFormat(value);
    }
    case 'D':
        return DateToText(field_codec::dateFromStorage(raw));
    case 'L': {
        const char c = raw.empty() ? ' ' : raw[0];
        if (c == 'T' || c == 't' || c == 'Y' || c == 'y')
            return QStringLiteral("True");
        if (c == 'F' || c == 'f' || c == 'N' || c == 'n')
            return QStringLiteral("False");
        return {};
    }
    default:
        return {};
    }
}

FieldMatcher::FieldMatcher(const RecordLayout &layout, int field, const QString &value,
                           TMyLocateMatchType matchType, bool caseSensitive)
    : m_layout(layout), m_field(field), m_matchType(matchType), m_caseSensitive(caseSensitive),
      m_value(caseSensitive ? value : value.toUpper()) {
    const db::FieldDef &def = layout.fields()[static_cast<std::size_t>(field)];
    switch (def.type) {
    case 'C':
        m_kind = Kind::Bytes;
        break;
    case 'N':
    case 'F':
    case 'L':
        m_kind = Kind::Number;
        break;
    case 'D':
        m_kind = Kind::Date;
        break;
    default:
        m_kind = Kind::Text;
        break;
    }

    // Floating-point fields compare by value when the typed text is a number.
    if (isNumberType(def.type) && (def.decimals > 0 || def.type == 'F')) {
        QString typed = value.trimmed();
        const QChar decimal = CurrentRegional().sDecimal;
        if (decimal != u'.')
            typed.replace(decimal, u'.');
        const QByteArray latin = typed.toLatin1();
        m_valueIsNumber = parseNumber(
            std::string_view(latin.constData(), static_cast<std::size_t>(latin.size())), m_number);
    }

    if (m_kind == Kind::Bytes) {
        QChar bad;
        m_valueEncodable = layout.encode(m_value, m_valueBytes, bad);
        for (int b = 0; b < 256; ++b) {
            m_upper[static_cast<std::size_t>(b)] = static_cast<unsigned char>(b);
            if (caseSensitive)
                continue;
            const char byte = static_cast<char>(b);
            const QString upper = layout.decode(std::string_view(&byte, 1)).toUpper();
            std::string encoded;
            if (upper.size() == 1 && layout.encode(upper, encoded, bad) && encoded.size() == 1)
                m_upper[static_cast<std::size_t>(b)] = static_cast<unsigned char>(encoded[0]);
        }
    }
}

bool FieldMatcher::matches(std::string_view raw) const {
    if (m_kind == Kind::Bytes)
        return matchesBytes(raw);
    if (m_kind == Kind::Text)
        return matchesText(storedText(raw));
    const std::string key(raw);
    const auto found = m_verdicts.find(key);
    if (found != m_verdicts.end())
        return found->second;
    const bool verdict = matchesStored(raw);
    if (m_verdicts.size() >= kMaxVerdicts)
        m_verdicts.clear();
    m_verdicts.emplace(key, verdict);
    return verdict;
}

QString FieldMatcher::storedText(std::string_view raw) const {
    return FieldTextForm(m_layout, m_field, raw);
}

bool FieldMatcher::matchesStored(std::string_view raw) const {
    if (m_matchType == TMyLocateMatchType::mtExactMatch && m_valueIsNumber) {
        double stored = 0;
        return parseNumber(raw, stored) && stored == m_number;
    }
    return matchesText(storedText(raw));
}

bool FieldMatcher::matchesText(const QString &fieldText) const {
    return textMatches(m_caseSensitive ? fieldText : fieldText.toUpper(), m_value, m_matchType);
}

bool FieldMatcher::matchesBytes(std::string_view raw) const {
    if (!m_valueEncodable)
        return false;
    std::size_t n = raw.size();
    while (n > 0 && raw[n - 1] == ' ')
        --n;
    const std::size_t m = m_valueBytes.size();
    const auto *field = reinterpret_cast<const unsigned char *>(raw.data());
    const auto *value = reinterpret_cast<const unsigned char *>(m_valueBytes.data());
    const auto sameAt = [&](std::size_t at) {
        for (std::size_t i = 0; i < m; ++i)
            if (m_upper[field[at + i]] != value[i])
                return false;
        return true;
    };
    switch (m_matchType) {
    case TMyLocateMatchType::mtExactMatch:
        return n == m && sameAt(0);
    case TMyLocateMatchType::mtPartialMatchStart:
        return m > 0 && n >= m && sameAt(0);
    case TMyLocateMatchType::mtPartialMatchAny:
        if (m == 0 || n < m)
            return false;
        for (std::size_t at = 0; at + m <= n; ++at) {
            if (m_upper[field[at]] == value[0] && sameAt(at))
                return true;
        }
        return false;
    }
    return false;
}

bool FindValue(bool fromFirst, MyTable &table, const QString &fieldName, bool caseSensitive,
               TMyLocateMatchType matchType, const QString &value, Prompter &prompter) {
    if (table.state() == MyTable::State::Edit || table.state() == MyTable::State::Insert)
        table.post();
    const int field = table.fieldIndex(fieldName);
    if (field < 0) {
        prompter.message(QStringLiteral("Warning"), FieldNotFoundMessage(fieldName), Prompter::Ok,
                         Prompter::Ok, Prompter::Icon::Warning);
        return false;
    }
    const FieldMatcher matcher(table.layout(), field, value, matchType, caseSensitive);
    MyTable::Scanner scan = table.scanner(!fromFirst);
    while (scan.next()) {
        const bool hit = matcher.needsText() ? matcher.matchesText(scan.view().text(field))
                                             : matcher.matches(scan.raw(field));
        if (hit)
            return table.gotoBookmark(scan.bookmark());
    }
    return false;
}

} // namespace locate
