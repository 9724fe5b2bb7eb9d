#pragma once

#include "interchange/export_fields.h"

#include <QString>

#include <string>
#include <string_view>
#include <vector>

class RecordLayout;
class RecordView;

// The lines of an ASCII delimited export: every field in double quotation marks, quotation
// marks inside doubled, leading and trailing spaces dropped, fields separated by a comma
// alone, each line ended by CR LF. The text is the table's own 8-bit text: character fields
// go out byte for byte in the table's code page.
namespace exporting {

// Appends one field to a line (a comma before it unless it is the first).
void AppendQuoted(std::string &line, std::string_view text, bool first);
// The same into a buffer with room for 2 * text.size() + 3 bytes; returns the end.
[[nodiscard]] char *WriteQuoted(char *out, std::string_view text, bool first);
inline constexpr std::string_view kLineEnd = "\r\n";

// A stored number ("   12.5000") as the general format with up to 15 significant digits
// writes it ("12.5"; "1e+20" for what needs an exponent), with `point` as the decimal
// separator. Blank or unreadable text gives nothing.
// Written into a buffer with room for stored.size() + kNumberRoom bytes; returns the end.
inline constexpr std::size_t kNumberRoom = 32;
[[nodiscard]] char *WriteGeneralNumber(char *out, std::string_view stored, char point);

// Stored dates ("YYYYMMDD") in a short date pattern as date_format.h spells it ("m/d/yy",
// "dd.mm.yyyy": runs of d, m, y; any other character stands for `separator`).
class DateWriter {
public:
    DateWriter(const QString &pattern, char separator);
    // Written into a buffer with room for kDateRoom bytes; returns the end. Nothing for a
    // blank or impossible date.
    static constexpr std::size_t kDateRoom = 32;
    [[nodiscard]] char *write(char *out, std::string_view stored) const;

private:
    struct Part {
        char what; // 'd', 'm', 'y' or the separator itself
        int width;
    };
    std::vector<Part> m_parts;
};

// The record lines of one export: the listed fields of each record as the engine renders
// them without display formatting (character text as stored, numbers in general format
// with the current decimal separator, dates in the current short date format).
class LineWriter {
public:
    LineWriter(const RecordLayout &layout, const std::vector<ExportColumn> &columns,
               char decimalPoint, DateWriter dates);
    // The most a line can take, and the whole line (CR LF included) written into a buffer
    // with that much room; returns the end.
    [[nodiscard]] std::size_t maxLineBytes() const { return m_maxLine; }
    [[nodiscard]] char *write(char *out, const RecordView &record) const;

private:
    enum class Kind { Character, Number, Date, Other };
    struct Column {
        int field;
        Kind kind;
        int offset;
        int length;
    };
    const RecordLayout &m_layout;
    std::vector<Column> m_columns;
    char m_point;
    DateWriter m_dates;
    std::size_t m_maxLine = kLineEnd.size();
};

// The 8-bit texts of a line, quoted and joined, CR LF included (the title line).
[[nodiscard]] std::string JoinedLine(const std::vector<std::string> &texts);

} // namespace exporting
