#pragma once

#include "db/engine/field_def.h"

#include <QDate>
#include <QString>
#include <QStringView>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The fields of a table and the conversions between their stored bytes and values, shared
// by every view of a record of that table.
class RecordLayout {
public:
    // Turns the table's 8-bit text into Unicode and back. `encode` returns false (and the
    // first character it could not convert in `bad`) when the code page cannot hold the text.
    using Decoder = std::function<QString(std::string_view)>;
    using Encoder = std::function<bool(QStringView, std::string &, QChar &bad)>;

    RecordLayout(std::vector<db::FieldDef> fields, int recordLength, Decoder decode, Encoder encode,
                 QString codePageName);

    [[nodiscard]] const std::vector<db::FieldDef> &fields() const { return m_fields; }
    [[nodiscard]] int fieldCount() const { return static_cast<int>(m_fields.size()); }
    [[nodiscard]] int recordLength() const { return m_recordLength; }
    // Position of a field by name, compared case-insensitively; -1 when there is none.
    [[nodiscard]] int indexOf(QStringView name) const;
    [[nodiscard]] QString decode(std::string_view bytes) const { return m_decode(bytes); }
    [[nodiscard]] bool encode(QStringView text, std::string &out, QChar &bad) const {
        return m_encode(text, out, bad);
    }
    [[nodiscard]] const QString &codePageName() const { return m_codePageName; }

private:
    std::vector<db::FieldDef> m_fields;
    std::vector<QString> m_upperNames;
    int m_recordLength;
    Decoder m_decode;
    Encoder m_encode;
    QString m_codePageName;
};

// Read access to the fields of one record buffer (byte 0 the deletion flag). It does not own
// the buffer: it is valid as long as the buffer it was made from.
//
// Text of a field: character fields without trailing blanks, numbers as stored without the
// padding, dates in the process-wide short date format (empty for no date), logicals "T" or
// "F" (empty when unknown).
class RecordView {
public:
    RecordView() = default;
    RecordView(const RecordLayout *layout, const char *buffer)
        : m_layout(layout), m_buffer(buffer) {}

    [[nodiscard]] bool isValid() const { return m_layout && m_buffer; }
    [[nodiscard]] const RecordLayout &layout() const { return *m_layout; }
    [[nodiscard]] bool isDeleted() const { return m_buffer[0] == '*'; }
    [[nodiscard]] const char *buffer() const { return m_buffer; }

    // The stored bytes of a field, untouched.
    [[nodiscard]] std::string_view raw(int field) const;
    [[nodiscard]] QString text(int field) const;
    [[nodiscard]] QString text(QStringView name) const;
    // A number field's value; 0 when blank or not a number. Character fields are read as
    // numbers too, as far as they hold one.
    [[nodiscard]] double number(int field) const;
    [[nodiscard]] long long integer(int field) const;
    // A date field's value; a null date when blank or not a valid date.
    [[nodiscard]] QDate date(int field) const;
    // True when the stored bytes are all blanks.
    [[nodiscard]] bool isBlank(int field) const;

private:
    const RecordLayout *m_layout = nullptr;
    const char *m_buffer = nullptr;
};

// Conversions of single field values between stored bytes and Qt values, over the engine's
// field codec (db/engine/field_codec.h: how numbers are rounded and which dates exist). They
// work on one field's bytes (`FieldDef::length` of them) and throw db::DbError naming the
// field and the value when a value does not fit.
namespace field_codec {

// Blank-trimmed text of the stored bytes.
[[nodiscard]] std::string_view trimmed(std::string_view bytes);
[[nodiscard]] QDate dateFromStorage(std::string_view bytes); // YYYYMMDD; null when blank/invalid
[[nodiscard]] std::string dateToStorage(const QDate &date);  // 8 blanks for a null date
// A number written into a field of the given width and decimals, right-justified as dBASE
// stores it, rounded half away from zero on its shortest decimal text; throws when it does
// not fit.
[[nodiscard]] std::string numberToStorage(const db::FieldDef &field, double value);
// Same, from the number's decimal text ("-12.5", blank for no value); throws on text that
// is not a number.
[[nodiscard]] std::string numberTextToStorage(const db::FieldDef &field, QStringView text);

} // namespace field_codec
