#pragma once

#include "reports/report_definition.h"

#include <QString>

#include <array>
#include <optional>

// The rules of the report definition editor, apart from its window: what the controls
// store into the definition, the check of the number of body lines, the switch of the
// characters per line with its questions and the refit of the lines.
namespace reportedit {

inline constexpr int kMaxBodyLines = urp::kBodyLineSlots;

inline constexpr const char *kNumLinesNotice =
    "Number of lines must be in range of 0 to 12.  Please correct.";
inline constexpr const char *kRenameQuestion =
    "Report Title has changed!  Do you wish to save this as a new report?   (YES saves as new "
    "report.  NO overwrites old report.  CANCEL aborts.)";
inline constexpr const char *kDeleteQuestion = "Are you sure you want to delete this report?";

// The whole number at the start of a text after blanks (its leading digits, an optional
// sign); 0 when there is none. How the editor reads the number of body lines and the page
// range dialog its pages.
[[nodiscard]] int LeadingInt(const QString &text);
// The number a margin text gives: its leading decimal number, 0 when there is none.
[[nodiscard]] double MarginValue(const QString &text);
// A margin as the editor shows it: two decimals ("0.50").
[[nodiscard]] QString MarginText(double inches);

// A font as the editor's read-only boxes show it: "Courier New 10pt".
[[nodiscard]] QString FontBoxText(const FontSpec &font);

// Fits one line to `width` characters: from part 1 on, a part of width 0 is first given the
// whole width, the widths are summed, and the part at which the sum reaches or passes the
// width (or part 20) is shortened or widened so that the line adds up to exactly the width;
// every later part gets width 0. Narrowing cuts a line; widening appends the remaining
// characters as one more part (the slot after the old end, with whatever it holds).
void RefitLine(ReportLine &line, int width);

// The editor's controls, as texts and states, before they are stored.
struct EditorValues {
    QString name;
    std::array<QString, 3> titles;
    QString numLines;
    std::array<QString, 4> margins; // top, bottom, left, right
    int charsPerLine = 90;          // the checked radio button: 150, 120, otherwise 90
    bool columnHeaders = false, pageNumbers = false, landscape = false, dateOnPage = false,
         useTotals = false, horzLines = false, vertLines = false;
    bool level1Group = false, level2Group = false;
};

// What the editor shows for a definition (FormShow).
[[nodiscard]] EditorValues ValuesOf(const ReportDefinition &definition);
// SaveOutVars: every control into the definition. The number of body lines is stored as
// read, even outside 0..12 (NumLinesOk checks it); texts are trimmed and cut to their
// capacity; level 2 grouping is off whenever level 1 grouping is.
void SaveOutVars(const EditorValues &values, ReportDefinition &definition);

// The column-header and line check boxes apply only to reports of fewer than 2 body lines.
[[nodiscard]] inline bool SingleLineControlsEnabled(int numLines) {
    return numLines < 2;
}
[[nodiscard]] inline bool NumLinesInRange(int numLines) {
    return numLines >= 0 && numLines <= kMaxBodyLines;
}

// Switching the characters per line.
struct CharsSwitch {
    // The question to ask first ("Warning", Yes and No, No the default); none: no question.
    std::optional<QString> question;
    // The notice shown after the switch ("Notice"); none: nothing shown.
    std::optional<QString> notice;
};
// What switching from `from` to `to` characters asks and tells. Nothing to do when they
// are the same (the caller checks).
[[nodiscard]] CharsSwitch PlanCharsSwitch(int from, int to);
// The report body font size that goes with a width: 10 points for 90, 8 for 120, 6 for 150.
[[nodiscard]] int BodyFontPoints(int charsPerLine);
// After the user agreed: the new width is stored, body lines 1 to (number of body lines)
// are refitted to it, and the body font gets its size. The totals line and the unused line
// slots stay as they are.
void SwitchCharsPerLine(ReportDefinition &definition, int charsPerLine);

} // namespace reportedit
