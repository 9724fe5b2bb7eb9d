#pragma once

#include "core/font_spec.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <array>
#include <optional>
#include <vector>

// One report definition: the fixed-size record of STOWKP.URP, in memory. Everything here
// depends on core alone, so that the record parser can be fuzzed on its own.
//
// Record layout (all integers little-endian, no gaps; a short string of capacity N is one
// length byte and N character bytes in the code page of new tables):
//     0  name (30)            31 characters per line (i16)
//    33  five font blocks of 61 bytes: face (50), size (i16), bold, italic, underline,
//        strike-out (flags), colour (u32)
//   338  column headers, page numbers, landscape, date on pages, use totals (flags)
//   343  number of body lines (i16)      345 totals line (20 parts of 75 bytes)
//  1845  top, bottom, left, right margins (doubles, inches)
//  1877  vertical lines, horizontal lines (flags)     1879 three titles (80 each)
//  2122  twelve body lines of 20 parts    20122 group by level 1, level 2 (flags)
// 20124  498 reserved bytes
// A part: name (30), field number (u8), width (i16), label (40).
namespace urp {

inline constexpr int kRecordSize = 20622;
inline constexpr int kOldRecordSize = 19831;
inline constexpr int kPartsPerLine = 20;
inline constexpr int kBodyLineSlots = 12;
inline constexpr int kFontCount = 5;
inline constexpr int kReservedSize = 498;

inline constexpr int kNameCapacity = 30;
inline constexpr int kFaceCapacity = 50;
inline constexpr int kTitleCapacity = 80;
inline constexpr int kLabelCapacity = 40;

// Font numbers (1-based, as the definition editor names them).
inline constexpr int kTitleFont = 1, kHeaderFont = 2, kBodyFont = 3, kUnusedFont = 4,
                     kFootnoteFont = 5;

// Total numbers of the totals line.
inline constexpr int kTotalCost = 1, kTotalValue = 2, kTotalRepCost = 3, kTotalQuantity = 4;

inline constexpr const char *kFillerName = "<FILLER>";
inline constexpr const char *kLabelName = "<LABEL>";

// "Cost", "Value", "Replacement Cost", "Quantity" for total numbers 1 to 4; empty otherwise.
[[nodiscard]] QString TotalName(int totalNumber);

} // namespace urp

// A cell of a body line or of the totals line.
struct ReportPart {
    QString name;        // "<FILLER>", "<LABEL>", a field key, or a total's name
    int fieldNumber = 0; // catalogue position (body) or total number (totals); 0..255
    int width = 0;       // characters; the line ends before the first part not positive
    QString label;       // the text of a label part

    [[nodiscard]] bool isFiller() const { return name == QLatin1String(urp::kFillerName); }
    [[nodiscard]] bool isLabel() const { return name == QLatin1String(urp::kLabelName); }
    [[nodiscard]] bool isField() const { return !isFiller() && !isLabel(); }

    [[nodiscard]] static ReportPart filler(int width);
    [[nodiscard]] static ReportPart labelPart(const QString &text, int width);
    // A body field by its catalogue position (1..22): the part name is the field key.
    [[nodiscard]] static ReportPart field(int fieldNumber, int width);
    // A totals part by total number (1..4): the part name is the total's name.
    [[nodiscard]] static ReportPart total(int totalNumber, int width);

    friend bool operator==(const ReportPart &, const ReportPart &) = default;
};

using ReportLine = std::array<ReportPart, urp::kPartsPerLine>;

// The parts of a line that are printed: from the first up to (not including) the first
// whose width is not positive.
[[nodiscard]] int UsedParts(const ReportLine &line);
// An empty line slot: one filler of width 150, then nineteen fillers of width 0.
[[nodiscard]] ReportLine EmptyReportLine();

struct ReportDefinition {
    QString name;
    int charsPerLine = 120;
    std::array<FontSpec, urp::kFontCount> fonts;
    bool columnHeaders = true;
    bool pageNumbers = true;
    bool landscape = false;
    bool dateOnPages = true;
    bool useTotals = true;
    int numLines = 1;
    ReportLine totals = EmptyReportLine();
    double topMargin = 0.5;
    double bottomMargin = 0.5;
    double leftMargin = 0.5;
    double rightMargin = 0.5;
    bool vertLines = false;
    bool horzLines = false;
    std::array<QString, 3> titles;
    std::array<ReportLine, urp::kBodyLineSlots> body;
    bool level1Group = true;
    bool level2Group = false;
    // Kept as read, so that rewriting a definition keeps what other versions put there.
    QByteArray reserved = QByteArray(urp::kReservedSize, '\0');

    // The defaults every built-in definition starts from: Arial 8 for all five fonts, the
    // flags and margins above, every line slot empty.
    ReportDefinition();

    [[nodiscard]] const FontSpec &font(int number) const { return fonts[number - 1]; }
    [[nodiscard]] const ReportLine &bodyLine(int n) const { return body[n - 1]; }

    friend bool operator==(const ReportDefinition &, const ReportDefinition &) = default;
};

namespace urp {

// The record of a definition: exactly kRecordSize bytes. Texts longer than their capacity
// are cut; characters the code page cannot hold become '?'.
[[nodiscard]] QByteArray Serialize(const ReportDefinition &definition);

// A definition from its record. Nothing when fewer than kRecordSize bytes are given. Any
// content is accepted: a length byte beyond its string's capacity reads as the capacity,
// and numbers are taken as stored (report production clamps what it cannot print).
[[nodiscard]] std::optional<ReportDefinition> Parse(QByteArrayView record);

// The eight definitions a new STOWKP.URP starts with, in file order.
[[nodiscard]] std::vector<ReportDefinition> BuiltInDefinitions();

// A new definition as the report selection window starts it: 90 characters per line,
// Courier New 10 (bold titles, headers and footnotes), lines on, one empty body line.
[[nodiscard]] ReportDefinition NewReportDefaults();

// The names of the earlier version's built-in definitions, which conversion skips.
[[nodiscard]] bool IsEarlierBuiltInName(const QString &name);

// A definition of the earlier HOME.URP from its record (kOldRecordSize bytes). Nothing when
// too short or when the record is one of the earlier built-ins.
[[nodiscard]] std::optional<ReportDefinition> ConvertEarlierRecord(QByteArrayView record);

} // namespace urp
