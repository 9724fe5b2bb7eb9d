#include "interchange/dbf_import_source.h"

#include "db/engine/codepage.h"
#include "db/engine/dbf_table.h"
#include "db/engine/field_codec.h"
#include "interchange/delimited_reader.h"
#include "interchange/import_record.h"
#include "settings/date_format.h"

#include <QDate>

#include <cstdio>

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
      m_sameCodePage(m_table->codePage().number() == targetCodePage),
      m_count(m_table->recordCount()) {}

DbfImportSource::~DbfImportSource() = default;

QStringList DbfImportSource::fieldNames() const {
    QStringList names;
    for (const db::FieldDef &f : m_table->fields())
        names << QString::fromStdString(
                     m_table->codePage().toUtf8(std::string_view(f.name).substr(0, 20)));
    return names;
}

void DbfImportSource::convert(std::string &text) {
    bool plain = true;
    for (const char c : text)
        plain = plain && static_cast<unsigned char>(c) < 0x80;
    if (m_sameCodePage || plain)
        return;
    std::string utf8 = m_table->codePage().toUtf8(text);
    std::string out;
    for (;;) {
        db::EncodeResult r = m_target->fromUtf8(utf8);
        out += r.bytes;
        if (r.ok)
            break;
        out += '?';
        ++m_replaced;
        std::size_t next = r.badOffset + 1;
        while (next < utf8.size() && (static_cast<unsigned char>(utf8[next]) & 0xC0) == 0x80)
            ++next;
        utf8.erase(0, next);
    }
    text = std::move(out);
}

void DbfImportSource::fieldText(std::string_view rec, int field, std::string &out) {
    const db::FieldDef &f = m_table->field(field);
    const bool fox = m_table->isFoxPro();
    out.clear();
    if (isBinary(f.type, fox))
        return;
    if (holdsDate(f.type)) {
        const auto value = m_table->dateTime(rec, field);
        if (!value)
            return;
        out = DateToText(QDate(value->year, value->month, value->day)).toStdString();
        if (f.type != 'D') {
            char time[16];
            const int s = value->millisecond / 1000;
            std::snprintf(time, sizeof time, " %02d:%02d:%02d", s / 3600, (s / 60) % 60, s % 60);
            out += time;
        }
        return;
    }
    if (f.type == 'M' || f.type == 'B') {
        if (!m_table->hasMemoFile())
            return;
        out = m_table->memo(rec, field);
        for (char &c : out)
            if (static_cast<unsigned char>(c) < 32)
                c = ' ';
    } else if (f.type == 'C') {
        std::string_view raw = m_table->raw(rec, field);
        while (!raw.empty() && (raw.back() == ' ' || raw.back() == '\0'))
            raw.remove_suffix(1);
        out.assign(raw.substr(0, delimited::kMaxValue));
    } else {
        out = m_table->text(rec, field);
    }
    cutToValue(out);
    convert(out);
    cutToValue(out);
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
        const char type = m_table->field(k).type;
        if (holdsDate(type) && filler.isDate(target)) {
            filler.storeDbfDate(record, target, m_table->date(rec, k).value_or(std::string()));
            continue;
        }
        fieldText(rec, k, m_text);
        filler.storeText(record, target, m_text);
    }
    return true;
}

QStringList DbfFieldNames(const QString &path) {
    return DbfImportSource(path, db::kDefaultCodePage).fieldNames();
}

} // namespace importing
