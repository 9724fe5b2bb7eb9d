#pragma once

#include "db/engine/field_def.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace db {
class CodePage;
class DbfTable;
} // namespace db

namespace importing {

class RecordFiller;

// A dBASE table read for an import: any table the engine reads (dBASE III to 7, FoxPro,
// Visual FoxPro), opened read-only. Only the records it holds when it is opened are read,
// so importing a table into itself adds each of its records once.
//
// A source field's text is its plain text form, cut to 255 characters, in the inventory
// table's code page: character fields without trailing blanks, numbers as stored, logical
// fields "T" or "F", dates in the current short date format (date and times with the time
// after a blank), memo text with its line breaks as blanks (empty when the memo file is
// missing), binary fields empty. A character the inventory's code page cannot hold becomes
// "?" and is counted. A source date going into a date field is taken as the date itself, not
// through its text, so no century is lost to a two-digit year.
class DbfImportSource {
public:
    // Throws db::DbError when the file cannot be read as a table.
    DbfImportSource(const QString &path, int targetCodePage);
    ~DbfImportSource();
    DbfImportSource(const DbfImportSource &) = delete;
    DbfImportSource &operator=(const DbfImportSource &) = delete;

    // The field names, each cut to 20 characters.
    [[nodiscard]] QStringList fieldNames() const;
    [[nodiscard]] std::uint32_t recordCount() const { return m_count; }

    // Fills `record` from source record `recno` through the field map (catalogue index per
    // source field, -1 for none). False, with nothing filled, for a record marked deleted:
    // the program that wrote the table has taken it away.
    bool readRecord(std::uint32_t recno, const std::vector<int> &map, const RecordFiller &filler,
                    std::string &record);

    // The table has memo fields but no memo file: they read as empty.
    [[nodiscard]] bool memoFileMissing() const;
    // Characters that became "?" so far.
    [[nodiscard]] std::int64_t replacedCharacters() const { return m_replaced; }

private:
    // Valid until the next call.
    [[nodiscard]] std::string_view fieldText(std::string_view rec, int field);
    void convert(std::string &text);

    std::unique_ptr<db::DbfTable> m_table;
    const db::CodePage *m_target;
    bool m_sameCodePage;
    std::vector<db::FieldDef> m_fields;
    bool m_fox;
    std::uint32_t m_count = 0;
    std::int64_t m_replaced = 0;
    std::string m_text;
};

// Reads the field names of a dBASE table (GetDBFInfo).
[[nodiscard]] QStringList DbfFieldNames(const QString &path);

} // namespace importing
