#pragma once

#include "db/engine/field_codec.h"
#include "db/engine/field_def.h"

#include <QString>

#include <array>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

class RecordLayout;

namespace importing {

// A failure that ends an import (a date that is not one, a file that cannot be read); the
// records imported before it stay. The text is for the user.
class ImportError : public std::runtime_error {
public:
    explicit ImportError(const QString &text)
        : std::runtime_error(text.toStdString()), m_text(text) {}
    [[nodiscard]] const QString &text() const { return m_text; }

private:
    QString m_text;
};

// Fills the record buffer of a new inventory record from imported texts, by the kind each
// catalogue field was created as (the target found by its field key):
//  - character: the text, cut to the field's width;
//  - integer, floating point: the number the text begins with, read by the typed-number
//    reader in the U.S. form (a full stop as decimal point); an empty text, or one that
//    does not begin with a number, is 0. A number too large for the field is a DbError;
//  - date: only a text holding the current date separator and no letter A to Z is taken,
//    read in the current short date format; other texts leave the field empty, and a text
//    that passes those tests without being a date is an ImportError.
// Character texts are stored as they come: they are in the table's code page.
class RecordFiller {
public:
    explicit RecordFiller(const RecordLayout &layout);

    [[nodiscard]] int recordLength() const { return m_recordLength; }
    // A live record with every field empty.
    [[nodiscard]] const std::string &blankRecord() const { return m_blank; }
    [[nodiscard]] bool isDate(int catalogueIndex) const;

    void storeText(std::string &record, int catalogueIndex, std::string_view text) const;
    // A field defined as the source field `source` (of a dBASE table in the same code page)
    // takes its bytes as they are when storing their text would give the same bytes: a
    // character field holding no NUL, a number right-justified with exactly the field's
    // decimals. False, with nothing stored, otherwise.
    bool storeSameField(std::string &record, int catalogueIndex, const db::FieldDef &source,
                        std::string_view bytes) const;
    // A date field from a dBASE source's own date; none leaves it empty.
    void storeDbfDate(std::string &record, int catalogueIndex,
                      const std::optional<db::field_codec::Date> &date) const;

private:
    struct Target {
        db::FieldDef field;
        bool present = false;
    };
    void storeDateText(std::string &record, const Target &target, std::string_view text) const;
    [[nodiscard]] std::optional<db::field_codec::Date> quickDate(std::string_view text) const;

    std::array<Target, 22> m_targets{};
    int m_recordLength = 0;
    int m_currentYear; // the two-digit year window's centre, taken once per import
    bool m_dayFirst;   // the short date format in force when the import starts
    char m_separator;
    std::string m_blank;
};

} // namespace importing
