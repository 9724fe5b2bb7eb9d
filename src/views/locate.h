#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class MyTable;
class Prompter;
class RecordLayout;

// The published option types of the locate component.
enum class TMyLocateMatchType { mtExactMatch, mtPartialMatchStart, mtPartialMatchAny };
enum class TMyFieldSortType { fsSortByFieldNo, fsSortByFieldName };
enum class TMyDefaultButtonType { dbFindFirst, dbFindNext };
enum class TMyFieldSelection { fsAllFields, fsVisibleFields };

namespace locate {

inline constexpr int kMaxSearchText = 255;

inline const QString kNoMatches = QStringLiteral("No matches found");
inline const QString kNoMoreMatches = QStringLiteral("No more matches found");
inline const QString kNoActiveTable =
    QStringLiteral("DataSource does not refer to an active table!");
inline const QString kNoActiveDataSet =
    QStringLiteral("DataSource does not reference an active DataSet");
[[nodiscard]] QString FieldNotFoundMessage(const QString &name);

// The test of one field of a record against a search value, prepared once per search so
// that a scan of a million records works on the stored bytes: the value is turned into the
// table's code page (and upper-cased) once, character fields are compared byte by byte
// through an upper-case table of the code page, and the verdict for the stored bytes of
// other fields (numbers, dates) is remembered, since such values repeat.
//
// A field's text form: character fields as stored without trailing blanks, numbers in
// general format (1250.00 reads 1250) with the regional decimal character, dates in the
// current short date format, logicals "True"/"False", memos their text.
class FieldMatcher {
public:
    FieldMatcher(const RecordLayout &layout, int field, const QString &value,
                 TMyLocateMatchType matchType, bool caseSensitive);

    [[nodiscard]] bool matches(std::string_view raw) const;
    // The same test on a field's text form (memo fields and other kinds go this way).
    [[nodiscard]] bool matchesText(const QString &fieldText) const;
    // True for fields whose test needs the whole record's text form (memos).
    [[nodiscard]] bool needsText() const { return m_kind == Kind::Text; }

private:
    enum class Kind { Bytes, Number, Date, Text };
    [[nodiscard]] bool matchesBytes(std::string_view raw) const;
    [[nodiscard]] bool matchesStored(std::string_view raw) const;
    [[nodiscard]] QString storedText(std::string_view raw) const;

    const RecordLayout &m_layout;
    int m_field;
    TMyLocateMatchType m_matchType;
    bool m_caseSensitive;
    Kind m_kind = Kind::Text;
    QString m_value; // upper-cased unless case-sensitive
    std::string m_valueBytes;
    bool m_valueEncodable = true;
    bool m_valueIsNumber = false;
    double m_number = 0;
    std::array<unsigned char, 256> m_upper{};
    mutable std::unordered_map<std::string, bool> m_verdicts;
};

// The text form of a field of a record buffer, as the matcher sees it.
[[nodiscard]] QString FieldTextForm(const RecordLayout &layout, int field, std::string_view raw);

// Finds the next record of the data set (from the first visible one, or after the current
// one) whose field matches. Finishes a pending edit first. On a match the data set is on the
// matching record; otherwise it stays where it was. A field the data set does not have shows
// the warning "Field <name> not found." and gives false.
[[nodiscard]] bool FindValue(bool fromFirst, MyTable &table, const QString &fieldName,
                             bool caseSensitive, TMyLocateMatchType matchType, const QString &value,
                             Prompter &prompter);

// The entries of the dialog's field list: the data set's fields in field order, without
// binary and graphic kinds, each under its column title ("~" read as a space).
struct FieldEntry {
    int field = 0;
    QString title;
};
[[nodiscard]] bool IsLocatableType(char dbaseType);
[[nodiscard]] QString TitleText(const QString &title);

} // namespace locate
