#include "interchange/export_dbase.h"

#include "db/engine/db_error.h"
#include "db/inventory_schema.h"
#include "db/record_view.h"
#include "settings/date_format.h"

#include <cstring>

namespace exporting {

namespace {

bool storedAlike(const db::FieldDef &a, const db::FieldDef &b) {
    const auto number = [](char t) { return t == 'N' || t == 'F'; };
    return (a.type == b.type || (number(a.type) && number(b.type))) && a.length == b.length &&
           a.decimals == b.decimals;
}

[[noreturn]] void refuse(const db::FieldDef &field, const QString &value, const char *why) {
    throw db::DbError("field " + field.name + ": the value \"" + value.toStdString() + "\" " + why);
}

} // namespace

std::vector<db::FieldDef> DBaseFields(const std::vector<ExportColumn> &columns) {
    std::vector<db::FieldDef> fields;
    fields.reserve(columns.size());
    for (const ExportColumn &c : columns) {
        const CatalogueField &f = kCatalogue[static_cast<std::size_t>(c.catalogueIndex)];
        fields.push_back(db::fieldDefFor(f.key, f.createdAs, f.width));
    }
    return fields;
}

DBaseRecordMaker::DBaseRecordMaker(const RecordLayout &layout,
                                   const std::vector<ExportColumn> &columns,
                                   std::vector<db::FieldDef> outFields, std::string blankRecord)
    : m_layout(layout), m_out(std::move(outFields)), m_blank(std::move(blankRecord)) {
    for (std::size_t k = 0; k < columns.size(); ++k) {
        const db::FieldDef &from = layout.fields()[static_cast<std::size_t>(columns[k].tableField)];
        m_carry.push_back({columns[k].tableField, storedAlike(from, m_out[k]), from.offset});
    }
}

void DBaseRecordMaker::make(std::string &out, const RecordView &record) const {
    out = m_blank;
    for (std::size_t k = 0; k < m_carry.size(); ++k) {
        const Carry &c = m_carry[k];
        const db::FieldDef &to = m_out[k];
        if (c.copy)
            std::memcpy(out.data() + to.offset, record.buffer() + c.fromOffset,
                        static_cast<std::size_t>(to.length));
        else
            convert(out.data() + to.offset, to, record, c.from);
    }
}

void DBaseRecordMaker::convert(char *out, const db::FieldDef &to, const RecordView &record,
                               int from) const {
    const QString text = record.text(from);
    std::string bytes;
    switch (to.type) {
    case 'C': {
        QChar bad;
        if (!m_layout.encode(text, bytes, bad))
            refuse(to, text, "holds a character the table's code page cannot hold");
        if (bytes.size() > static_cast<std::size_t>(to.length))
            refuse(to, text, "is too long for the field");
        bytes.resize(static_cast<std::size_t>(to.length), ' ');
        break;
    }
    case 'D': {
        const db::FieldDef &source = m_layout.fields()[static_cast<std::size_t>(from)];
        QDate date;
        if (source.type == 'D') {
            date = record.date(from);
        } else {
            const ParsedDate parsed = TextToDate(text);
            if (parsed.isInvalid())
                refuse(to, text, "is not a date");
            date = parsed.date;
        }
        bytes = field_codec::dateToStorage(date);
        break;
    }
    default:
        bytes = field_codec::numberTextToStorage(to, text.trimmed());
    }
    std::memcpy(out, bytes.data(), static_cast<std::size_t>(to.length));
}

} // namespace exporting
