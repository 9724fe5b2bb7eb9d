#pragma once

#include "reports/report_definition.h"

#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <vector>

struct Settings;

// The rules of the report layout editor apart from its window: where the rows and boxes
// are, which (line, part) a point falls on, what each box says, and what the part dialog
// stores.
namespace replayout {

inline constexpr int kTotalsLine = 100;

inline constexpr const char *kInvalidWidth = "Invalid width entered.  Please correct.";
// Confirming "Field (database value)" with no field chosen would store neither a field key
// nor a field number; the dialog refuses instead.
inline constexpr const char *kNoFieldSelected =
    "No field has been selected.  Please choose one from the list.";

// Design geometry multiplied by the screen-size factor and rounded to whole pixels.
struct Geometry {
    explicit Geometry(double factor = 1.0);
    int x0, x1; // the drawing area
    int bodyTop, rowHeight;
    int totalsTop, totalsBottom; // the totals row, its last pixel included
    // Top and bottom (exclusive) of body line n (1-based).
    [[nodiscard]] int rowTop(int n) const { return bodyTop + (n - 1) * rowHeight; }
    [[nodiscard]] int bodyBottom(int numLines) const { return bodyTop + numLines * rowHeight + 1; }
};

struct Box {
    int part = 0; // 1-based
    int left = 0, right = 0;
};
// The boxes of a line, left to right, skipping parts whose width is not positive: each
// part's right edge is x0 + span x (widths so far) / characters per line, except that the
// last part, and a part followed by one of width 0, reach x1.
[[nodiscard]] std::vector<Box> LineBoxes(const ReportLine &line, int charsPerLine,
                                         const Geometry &g);

struct Position {
    int line = -1; // 1..12 body, kTotalsLine, -1 outside
    int part = -1; // 1..20, -1 outside
    [[nodiscard]] bool valid() const { return line > 0 && part > 0; }
    friend bool operator==(const Position &, const Position &) = default;
};
// The (line, part) under a point. `bodyLines` rows are shown; the totals row only when
// `totalsShown`.
[[nodiscard]] Position CalcPosition(int x, int y, const ReportDefinition &definition, int bodyLines,
                                    bool totalsShown, int charsPerLine, const Geometry &g);

// What a box says and how.
struct BoxLabel {
    enum class Kind { Field, Label, Filler };
    Kind kind = Kind::Filler;
    QString text;
};
// In a body row a field shows the display name of the catalogue field whose key is the part
// name (the part name itself when none is); in the totals row the part name. A label shows
// its text, a filler "Filler".
[[nodiscard]] BoxLabel LabelOf(const ReportPart &part, bool totalsRow, const Settings &settings);

// 0-based catalogue index of the field whose key is `name`, or -1.
[[nodiscard]] int GetField(const QString &name);
// 0-based index of `name` among "Cost", "Value", "Replacement Cost", "Quantity", or -1.
[[nodiscard]] int GetTotField(const QString &name);

// The part dialog's list: the four totals names for the totals line, otherwise the 22
// display names in catalogue order.
[[nodiscard]] QStringList FieldListEntries(bool totalsLine, const Settings &settings);
// "Totals Line, Item 3" or "Line 2, Item 3".
[[nodiscard]] QString SelectedPartText(int line, int part);

// What the part dialog was given.
struct PartChoice {
    enum class Kind { Filler, Label, Field };
    Kind kind = Kind::Filler;
    QString widthText;
    QString labelText;
    int fieldIndex = -1; // selected entry of the list, -1 for none
};
enum class PartError { None, InvalidWidth, NoField };
// The part dialog's OK on part `part` (1-based) of `line`: the width is read as a whole
// number (negative widths are accepted), the line refitted to `charsPerLine`, and the part
// becomes the chosen filler, label or field. On an error the line is unchanged.
[[nodiscard]] PartError ApplyPart(ReportLine &line, int part, const PartChoice &choice,
                                  bool totalsLine, int charsPerLine);

} // namespace replayout
