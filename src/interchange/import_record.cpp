#include "interchange/import_record.h"

#include "core/field_catalogue.h"
#include "db/engine/field_codec.h"
#include "db/record_view.h"
#include "settings/date_format.h"
#include "settings/regional.h"
#include "settings/typed_number.h"

#include <cstring>

namespace importing {

RecordFiller::RecordFiller(const RecordLayout &layout) : m_recordLength(layout.recordLength()) {
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

void RecordFiller::storeText(std::string &record, int catalogueIndex,
                             std::string_view text) const {
    const Target &t = m_targets[static_cast<std::size_t>(catalogueIndex)];
    if (!t.present)
        return;
    char *out = record.data() + t.field.offset;
    const std::size_t width = static_cast<std::size_t>(t.field.length);
    switch (kCatalogue[static_cast<std::size_t>(catalogueIndex)].createdAs) {
    case FieldCreatedAs::Character: {
        const std::size_t n = std::min(width, text.size());
        std::memcpy(out, text.data(), n);
        std::memset(out + n, ' ', width - n);
        break;
    }
    case FieldCreatedAs::Integer:
        db::field_codec::storeNumber(
            t.field, static_cast<double>(ReadTypedWholeNumberPrefix(text, kFormatUS)), out);
        break;
    case FieldCreatedAs::Float:
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
    const QString value = QString::fromLatin1(text.data(), qsizetype(text.size()));
    const ParsedDate parsed = TextToDate(value);
    if (parsed.isInvalid())
        throw ImportError(QStringLiteral("'%1' is not a valid date").arg(value));
    if (parsed.isValid())
        db::field_codec::storeDate(
            t.field, {parsed.date.year(), parsed.date.month(), parsed.date.day()},
            record.data() + t.field.offset);
}

void RecordFiller::storeDbfDate(std::string &record, int catalogueIndex,
                                std::string_view yyyymmdd) const {
    const Target &t = m_targets[static_cast<std::size_t>(catalogueIndex)];
    if (!t.present || !isDate(catalogueIndex))
        return;
    if (const auto date = db::field_codec::readDate(yyyymmdd))
        db::field_codec::storeDate(t.field, *date, record.data() + t.field.offset);
}

} // namespace importing
