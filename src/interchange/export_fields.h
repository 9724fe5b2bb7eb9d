#pragma once

#include "core/field_catalogue.h"

#include <QString>

#include <array>
#include <optional>
#include <vector>

class RecordLayout;
struct Settings;

// Which fields an export writes and in which order, as the export window's grid shows them
// and the settings keep them ([Export Fields] and [Export Order]).
namespace exporting {

inline const QString kYes = QStringLiteral("Yes");
inline const QString kNo = QStringLiteral("No");

// One grid row: a display name and "Yes" or "No".
struct GridRow {
    QString name;
    QString flag;
    friend bool operator==(const GridRow &, const GridRow &) = default;
};
// Rows 1 to 22 of the grid, row r at index r - 1.
using Grid = std::array<GridRow, kFieldCount>;

// The grid as the window fills it: each field in the row of its export position. A field
// whose position is outside 1 to 22 or taken by an earlier field goes to the first free row,
// so that a damaged configuration file never hides a field from the grid.
[[nodiscard]] Grid FillGrid(const Settings &settings);

// The grid after Defaults: every field in catalogue order, all exported.
[[nodiscard]] Grid DefaultGrid(const Settings &settings);

// A double click on a flag cell: "Yes" becomes "No", anything else "Yes".
[[nodiscard]] QString ToggledFlag(const QString &flag);

// The row (0-based) Up or Down swaps `row` with; nothing at either end or outside the rows.
[[nodiscard]] std::optional<int> SwapRow(int row, bool up);

// Takes the grid back into the settings: for each field, the first row holding its display
// name gives its export position and (exactly "Yes") its export flag. A field whose name no
// row holds keeps its values.
void UpdateConfigs(Settings &settings, const Grid &grid);

// One field an export writes: its column in the table and its catalogue index (0 to 21).
struct ExportColumn {
    int tableField = 0;
    int catalogueIndex = 0;
    friend bool operator==(const ExportColumn &, const ExportColumn &) = default;
};

// The fields to write, in export order: for positions 1 to 22 the exported fields holding
// that position (catalogue order among fields that share one), each found in the table by
// its field key. A field the table lacks is left out.
[[nodiscard]] std::vector<ExportColumn> CalcIndexOrder(const Settings &settings,
                                                       const RecordLayout &layout);

// The question of Defaults and its box title.
inline const QString kReorderTitle = QStringLiteral("Re-Order");
inline const QString kReorderQuestion =
    QStringLiteral("This will set the order of fields to the program defaults.  Continue?");

} // namespace exporting
