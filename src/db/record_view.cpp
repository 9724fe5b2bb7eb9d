#include "db/record_view.h"

#include "db/engine/db_error.h"
#include "settings/date_format.h"

#include <charconv>
#include <cmath>
#include <cstdio>

RecordLayout::RecordLayout(std::vector<db::FieldDef> fields, int recordLength, Decoder decode,
                           Encoder encode, QString codePageName)
    : m_fields(std::move(fields)), m_recordLength(recordLength), m_decode(std::move(decode)),
      m_encode(std::move(encode)), m_codePageName(std::move(codePageName)) {
    m_upperNames.reserve(m_fields.size());
    for (const db::FieldDef &f : m_fields)
        m_upperNames.push_back(QString::fromLatin1(f.name).toUpper());
}

int RecordLayout::indexOf(QStringView name) const {
    for (std::size_t i = 0; i < m_upperNames.size(); ++i)
        if (name.compare(m_upperNames[i], Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    return -1;
}

namespace field_codec {

std::string_view trimmed(std::string_view bytes) {
    std::size_t b = 0, e = bytes.size();
    while (b < e && (bytes[b] == ' ' || bytes[b] == '\0'))
        ++b;
    while (e > b && (bytes[e - 1] == ' ' || bytes[e - 1] == '\0'))
        --e;
    return bytes.substr(b, e - b);
}

QDate dateFromStorage(std::string_view bytes) {
    const std::string_view t = trimmed(bytes);
    if (t.size() != 8)
        return {};
    int v[3] = {0, 0, 0};
    const int widths[3] = {4, 2, 2};
    std::size_t at = 0;
    for (int part = 0; part < 3; ++part) {
        for (int i = 0; i < widths[part]; ++i, ++at) {
            const char c = t[at];
            if (c < '0' || c > '9')
                return {};
            v[part] = v[part] * 10 + (c - '0');
        }
    }
    const QDate d(v[0], v[1], v[2]);
    return d.isValid() ? d : QDate();
}

std::string dateToStorage(const QDate &date) {
    if (!date.isValid())
        return std::string(8, ' ');
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d", date.year() % 10000, date.month(), date.day());
    return std::string(buf, 8);
}

namespace {

[[noreturn]] void tooLarge(const db::FieldDef &field, const std::string &text) {
    throw db::DbError("The value " + text + " does not fit field " + field.name + " (width " +
                      std::to_string(field.length) + ", " + std::to_string(field.decimals) +
                      " decimals).");
}

std::string rightJustify(const db::FieldDef &field, const std::string &text) {
    if (static_cast<int>(text.size()) > field.length)
        tooLarge(field, text);
    return std::string(static_cast<std::size_t>(field.length) - text.size(), ' ') + text;
}

} // namespace

std::string numberToStorage(const db::FieldDef &field, double value) {
    if (!std::isfinite(value))
        throw db::DbError("Field " + field.name + " cannot hold a value that is not a number.");
    char buf[512];
    const int decimals = std::max(0, std::min(field.decimals, 30));
    std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
    std::string text(buf);
    // "-0.00" would read back as a negative amount in some tools.
    if (text.front() == '-' && text.find_first_not_of("-0.") == std::string::npos)
        text.erase(0, 1);
    return rightJustify(field, text);
}

std::string numberTextToStorage(const db::FieldDef &field, QStringView text) {
    const QString t = text.trimmed().toString();
    if (t.isEmpty())
        return std::string(static_cast<std::size_t>(field.length), ' ');
    bool ok = false;
    const double value = t.toDouble(&ok);
    if (!ok)
        throw db::DbError("\"" + t.toStdString() + "\" is not a number for field " + field.name +
                          ".");
    return numberToStorage(field, value);
}

} // namespace field_codec

std::string_view RecordView::raw(int field) const {
    const db::FieldDef &f = m_layout->fields().at(static_cast<std::size_t>(field));
    return {m_buffer + f.offset, static_cast<std::size_t>(f.length)};
}

bool RecordView::isBlank(int field) const {
    return field_codec::trimmed(raw(field)).empty();
}

QString RecordView::text(int field) const {
    const db::FieldDef &f = m_layout->fields().at(static_cast<std::size_t>(field));
    const std::string_view bytes = raw(field);
    switch (f.type) {
    case 'C':
    case 'M': {
        std::size_t e = bytes.size();
        while (e > 0 && (bytes[e - 1] == ' ' || bytes[e - 1] == '\0'))
            --e;
        return m_layout->decode(bytes.substr(0, e));
    }
    case 'D': {
        const QDate d = field_codec::dateFromStorage(bytes);
        return d.isValid() ? DateToText(d) : QString();
    }
    case 'L': {
        const std::string_view t = field_codec::trimmed(bytes);
        if (t.empty())
            return {};
        const char c = t.front();
        if (c == 'T' || c == 't' || c == 'Y' || c == 'y')
            return QStringLiteral("T");
        if (c == 'F' || c == 'f' || c == 'N' || c == 'n')
            return QStringLiteral("F");
        return {};
    }
    default:
        return QString::fromLatin1(field_codec::trimmed(bytes));
    }
}

QString RecordView::text(QStringView name) const {
    const int i = m_layout->indexOf(name);
    return i < 0 ? QString() : text(i);
}

double RecordView::number(int field) const {
    const std::string_view t = field_codec::trimmed(raw(field));
    double value = 0;
    const char *begin = t.data();
    if (!t.empty() && *begin == '+')
        ++begin;
    const auto result = std::from_chars(begin, t.data() + t.size(), value);
    return result.ec == std::errc() ? value : 0.0;
}

long long RecordView::integer(int field) const {
    return std::llround(number(field));
}

QDate RecordView::date(int field) const {
    return field_codec::dateFromStorage(raw(field));
}
