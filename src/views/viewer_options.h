#pragma once

#include "core/field_catalogue.h"
#include "core/font_spec.h"

#include <QString>

#include <array>
#include <optional>
#include <vector>

struct Settings;

// The rules of the viewer configuration dialog, kept apart from its widgets: what the four
// field pages show, what their cells mean when the dialog closes, and what the viewer's
// columns become.
namespace viewcfg {

using FieldTexts = std::array<QString, kFieldCount>;

inline constexpr int kMinWidth = 1;
inline constexpr int kMaxWidth = 255;
// What an unreadable or out-of-range width becomes.
inline constexpr int kFallbackWidth = 10;

inline const QString kYes = QStringLiteral("Yes");
inline const QString kNo = QStringLiteral("No");

// The page the dialog opens on (zero-based): "Fields to &Show".
inline constexpr int kFirstPage = 2;
inline constexpr int kPageCount = 6;
// The page that holds the display names.
inline constexpr int kNamesPage = 5;

// The help keyword of a page (0 to 5); empty for any other page.
[[nodiscard]] QString HelpTopic(int page);

// A width cell: trimmed, read as a decimal integer; anything outside 1 to 255, or text that
// is not a number, gives 10.
[[nodiscard]] int ParseWidth(const QString &cell);

// A double click on a "display it" cell: "Yes" becomes "No", anything else "Yes".
[[nodiscard]] QString ToggledShown(const QString &cell);

// The font texts of the first two pages: "12pt Arial".
[[nodiscard]] QString FontText(const FontSpec &font);

// The first name (in field order) that another field also carries, compared exactly, so
// "Cost" and "cost" are different names. Nothing when all 22 differ.
[[nodiscard]] std::optional<QString> FirstDuplicateName(const FieldTexts &names);
[[nodiscard]] QString DuplicateNameMessage(const QString &name);

// The question of the order page's Defaults button and its box title.
inline const QString kReorderTitle = QStringLiteral("Re-Order");
inline const QString kReorderQuestion =
    QStringLiteral("This will set the order of fields to the program defaults.  Continue?");

// The cells of the four field pages, one entry per field (or, for the order page, per row).
struct FieldPages {
    FieldTexts names;  // names page, second column
    FieldTexts widths; // widths page, second column
    FieldTexts shown;  // show page, second column
    FieldTexts order;  // order page: row r holds the name of the field at position r + 1
};

// The pages as the dialog fills them from the settings. A position outside 1 to 22 fills no
// row; of two fields with one position the later one holds the row.
[[nodiscard]] FieldPages FieldPagesFrom(const Settings &settings);

// The order page after Defaults: the display names in catalogue order.
[[nodiscard]] FieldTexts DefaultOrder(const Settings &settings);

// The closing steps: display names (cut to 20 characters), widths (invalid ones become 10,
// in the settings and in `pages.widths`), shown flags (exactly "Yes" is shown) and positions
// (the first order row holding a field's new name; a name not found keeps the old position,
// and a found field that would share it moves to the first free row).
void ApplyFieldPages(Settings &settings, FieldPages &pages);

// The row an order-page row swaps with when moved up or down; nothing at either end.
[[nodiscard]] std::optional<int> OrderSwapRow(int row, bool up);

// The viewer's columns, left to right, as catalogue indexes (0 to 21). Position p takes the
// lowest-numbered field whose position is p (field 1 when none is), hidden fields take no
// column, and a field appears once at most: a shown field no position reached still gets a
// column, after the others, so that damaged positions never lose a field from view.
[[nodiscard]] std::vector<int> ViewerColumns(const std::array<int, 22> &positions,
                                             const std::array<bool, 22> &shown);

// One column of the viewer, left to right.
struct ViewerColumn {
    int field = 0; // catalogue index, 0 to 21
    QString title;
    int width = 0; // display width in characters
};
// The viewer's shown columns from the settings: for positions 1 to 22 the lowest-numbered
// field with that position (field 1 when none has it), hidden fields taking no column, so
// the shown ones are numbered without gaps.
[[nodiscard]] std::vector<ViewerColumn> ViewerColumnPlan(const Settings &settings);

} // namespace viewcfg
