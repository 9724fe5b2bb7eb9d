#include "interchange/dbf_import_source.h"

#include "db/engine/codepage.h"
#include "db/engine/dbf_table.h"
#include "db/engine/field_codec.h"
#include "interchange/delimited_reader.h"
#include "interchange/import_record.h"
#include "interchange/recode.h"
#include "settings/date_format.h"

#include <QDate>

#include <cstdio>
#include <cstring>

namespace importing {

namespace {

bool isBinary(char type, bool fox) {
    return type == 'G' || type == 'P' || type == 'W' || type == '0' || (type == 'B' && !fox);
}

bool holdsDate(char type) {
    return type == 'D' || type == 'T' || type == '@';
}

void cutToValue(std::string &text) {
    if (text.size() > delimited::kMaxValue)
        text.resize(delimited::kMaxValue);
}

} // namespace

DbfImportSource::DbfImportSource(const QString &path, int targetCodePage)
    : m_table(std::make_unique<db::DbfTable>(path.toStdString(), db::OpenMode::ReadOnly)),
      m_target(&db::CodePage::get(targetCodePage)),
      m_sameCodePage(m_table->codePage().number() == targetCodePage), m_fields(m_table->fields()),
      m_fox(m_table->isFoxPro()), m_count(m_table->recordCount()) {}

DbfImportSource::~DbfImportSource() = default;

bool DbfImportSource::memoFileMissing() const {
    return m_table->memoFileMissing();
}

QStringList DbfImportSource::fieldNames() const {
    QStringList names;
    for (const db::FieldDef &f : m_table->fields())
        names << QString::fromStdString(
            m_table->codePage().toUtf8(std::string_view(f.name).substr(0, 20)));
    return names;
}

void DbfImportSource::convert(std::string &text) {
    if (m_sameCodePage || IsAscii(text))
        return;
    std::string out;
    m_replaced += EncodeReplacing(*m_target, m_table->codePage().toUtf8(text), out);
    text = std::move(out);
}

std::string_view DbfImportSource::fieldText(std::string_view rec, int field) {
    const db::FieldDef &f = m_fields[static_cast<std::size_t>(field)];
    const std::string_view raw =
        rec.substr(static_cast<std::size_t>(f.offset), static_cast<std::size_t>(f.length));
    if (f.type == 'C' || f.type == 'N' || f.type == 'F') {
        // Character fields without trailing blanks, numbers as stored.
        std::string_view text = f.type == 'C' ? raw : db::field_codec::trimBlanks(raw);
        // Wide fields are mostly blank: eight blanks at a time first.
        while (text.size() >= 8 && std::memcmp(text.data() + text.size() - 8, "        ", 8) == 0)
            text.remove_suffix(8);
        while (!text.empty() && (text.back() == ' ' || text.back() == '\0'))
            text.remove_suffix(1);
        text = text.substr(0, delimited::kMaxValue);
        if (m_sameCodePage)
            return text;
        m_text.assign(text);
    } else if (isBinary(f.type, m_fox)) {
        return {};
    } else if (holdsDate(f.type)) {
        m_text.clear();
        const auto value = m_table->dateTime(rec, field);
        if (!value)
            return {};
        m_text = DateToText(QDate(value->year, value->month, value->day)).toStdString();
        if (f.type != 'D') {
            char time[16];
            const int s = value->millisecond / 1000;
            std::snprintf(time, sizeof time, " %02d:%02d:%02d", s / 3600, (s / 60) % 60, s % 60);
            m_text += time;
        }
        return m_text;
    } else if (f.type == 'M') {             // B here is Visual FoxPro's double
        m_text = m_table->memo(rec, field); // empty when the memo file is missing
        for (char &c : m_text)
            if (static_cast<unsigned char>(c) < 32)
                c = ' ';
    } else {
        m_text = m_table->text(rec, field);
    }
    cutToValue(m_text);
    convert(m_text);
    cutToValue(m_text);
    return m_text;
}

bool DbfImportSource::readRecord(std::uint32_t recno, const std::vector<int> &map,
                                 const RecordFiller &filler, std::string &record) {
    const std::string_view rec = m_table->record(recno);
    if (db::DbfTable::isDeleted(rec))
        return false;
    const int n = std::min(m_table->fieldCount(), static_cast<int>(map.size()));
    for (int k = 0; k < n; ++k) {
        const int target = map[static_cast<std::size_t>(k)];
        if (target < 0)
            continue;
        const char type = m_fields[static_cast<std::size_t>(k)].type;
        if (holdsDate(type) && filler.isDate(target)) {
            if (type == 'D') {
                filler.storeDbfDate(record, target,
                                    db::field_codec::readDate(m_table->raw(rec, k)));
            } else if (const auto value = m_table->dateTime(rec, k)) {
                filler.storeDbfDate(record, target,
                                    db::field_codec::Date{value->year, value->month, value->day});
            }
            continue;
        }
        const db::FieldDef &f = m_fields[static_cast<std::size_t>(k)];
        // Its text, stored again, would be these very bytes.
        if (m_sameCodePage && filler.storeSameField(record, target, f,
                                                    rec.substr(static_cast<std::size_t>(f.offset),
                                                               static_cast<std::size_t>(f.length))))
            continue;
        filler.storeText(record, target, fieldText(rec, k));
    }
    return true;
}

QStringList DbfFieldNames(const QString &path) {
    return DbfImportSource(path, db::kDefaultCodePage).fieldNames();
}

} // namespace importing
