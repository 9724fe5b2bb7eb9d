#include "db/record_view.h"

#include "db/engine/db_error.h"
#include "db/engine/field_codec.h"
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
    return db::field_codec::trimBlanks(bytes);
}

QDate dateFromStorage(std::string_view bytes) {
    const auto d = db::field_codec::readDate(bytes);
    return d ? QDate(d->year, d->month, d->day) : QDate();
}

std::string dateToStorage(const QDate &date) {
    std::string out(8, ' ');
    if (date.isValid())
        db::field_codec::storeDate({"", 'D', 8, 0, 0}, {date.year(), date.month(), date.day()},
                                   out.data());
    return out;
}

std::string numberToStorage(const db::FieldDef &field, double value) {
    std::string out(static_cast<std::size_t>(field.length), ' ');
    db::field_codec::storeNumber(field, value, out.data());
    return out;
}

std::string numberTextToStorage(const db::FieldDef &field, QStringView text) {
    const QString t = text.trimmed().toString();
    std::string out(static_cast<std::size_t>(field.length), ' ');
    const std::string plain = t.toStdString();
    // Plain decimal text is rounded as typed; other forms a number may take ("1e3") go
    // through their value.
    if (t.isEmpty() || db::field_codec::normalDecimal(plain)) {
        db::field_codec::storeDecimal(field, plain, out.data());
        return out;
    }
    bool ok = false;
    const double value = t.toDouble(&ok);
    if (!ok)
        throw db::DbError("\"" + plain + "\" is not a number for field " + field.name + ".");
    db::field_codec::storeNumber(field, value, out.data());
    return out;
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
