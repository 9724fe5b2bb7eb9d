#pragma once

#include "core/field_catalogue.h"

#include <QChar>
#include <QDate>
#include <QString>
#include <QStringView>

#include <array>
#include <optional>
#include <vector>

// Search criteria: what the search grid's rows hold, turned into items of up to ten OR-ed
// levels, each level a run of AND-ed items. The record test over these items is in
// record_test.h.
namespace search {

inline constexpr int kMaxItems = 75;
inline constexpr int kMaxLevels = 10;
inline constexpr int kItemTextLength = 110;
inline constexpr int kRows = kFieldCount; // grid rows 1 to 22, one per field

// Row comparisons 1 to 4 (chosen in the search options); items also use Contains.
enum Comparison : int { Equal = 1, Greater = 2, Less = 3, Range = 4, Contains = 5 };

inline const QString kNoCriteriaMessage = QStringLiteral("No search criteria entered.");
inline const QString kInvalidCriteriaMessage =
    QStringLiteral("Invalid search criteria entered.  Please correct.");
inline const QString kNoMatchesMessage =
    QStringLiteral("No valid matches found.  Search criteria will be cleared.");
// "More than 75 search items have been entered.  This exceeds the maximum allowable.  ..."
[[nodiscard]] QString TooManyItemsMessage();

struct SearchItem {
    QString text;        // character fields: the criterion upper-cased; numbers: as typed;
                         // dates: the day number (not used for matching)
    double number = 0;   // a number criterion
    double date = 0;     // a date criterion as a day number (day 0 is 30 December 1899)
    int fieldNumber = 0; // 1 to 22
    int comparison = Equal;
    bool endOfLevel = false;
    bool isDate = false;
};

// What a field's row is searched as: its display kind in the catalogue.
enum class RowKind { Character, Number, Date };
[[nodiscard]] RowKind KindOf(int fieldNumber);
// Brand, Location, BoughtFrom, Category, Owner (their pick lists) and Warranty (YES, NO).
[[nodiscard]] bool HasValueList(int fieldNumber);
// The rows whose "..." button opens the search options: numbers, dates, value lists.
[[nodiscard]] bool HasOptionsButton(int fieldNumber);

// The edit mask of a row's criterion cell in the masked-edit notation ("c" optional
// character, "9" optional digit, "0" required digit, "\" literal, "/" the date separator,
// ";1" literals kept in the text).
[[nodiscard]] QString CriterionMask(int fieldNumber, int comparison);

// A date as its day number: days since 30 December 1899; a null date is day 0.
[[nodiscard]] double DayNumber(const QDate &date);

// Decimal text with a full stop as the decimal sign, whatever the regional settings: an
// optional sign, digits with at most one full stop, an optional exponent. Nothing else (no
// blanks inside, no thousands separators, no comma).
[[nodiscard]] std::optional<double> ReadDecimal(QStringView text);

// Trimmed text that is empty or only a pair of date separators with blanks ("/  /",
// "-  -", ".  ."): a date box left at its mask.
[[nodiscard]] bool IsEmptyDateText(QStringView trimmed);

struct LevelOutcome {
    enum Kind { Saved, NoCriteria, Invalid, TooMany };
    Kind kind = Saved;
    int row = 0; // the invalid row, 1 to 22
    [[nodiscard]] bool ok() const { return kind == Saved; }
    // The message the search window shows (empty for Saved).
    [[nodiscard]] QString message() const;
};

// The criteria of one showing of the search window: the row comparisons (kept for the whole
// run), the items of the levels entered so far and the current level.
class SearchCriteria {
public:
    SearchCriteria();

    [[nodiscard]] int comparison(int row) const; // row 1 to 22
    void setComparison(int row, int comparison);
    [[nodiscard]] int level() const { return m_level; }
    [[nodiscard]] int itemCount() const { return static_cast<int>(m_items.size()); }
    [[nodiscard]] const std::vector<SearchItem> &items() const { return m_items; }

    // Turns the criterion texts of rows 1 to 22 (cells[0] is row 1) into the items of the
    // current level. On Invalid the level's items are dropped; on TooMany everything is
    // cleared (items and levels).
    [[nodiscard]] LevelOutcome saveFields(const std::array<QString, kRows> &cells);
    // After a saved level: the next one (up to kMaxLevels).
    void nextLevel();
    [[nodiscard]] bool canFindMore() const { return m_level < kMaxLevels; }
    // Forgets every item and level; the row comparisons stay.
    void clear();

private:
    enum class RowResult { None, Added, Invalid, TooMany };
    RowResult saveRow(int row, const QString &cell);
    bool addItem(SearchItem item);

    std::array<int, kRows> m_comparisons{};
    std::vector<SearchItem> m_items;
    int m_level = 1;
};

} // namespace search
