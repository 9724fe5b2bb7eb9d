#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Reading ASCII delimited text: fields surrounded by double quotes and separated by commas,
// one record a line, read one character at a time. Plain C++, so it can be fuzzed alone.
//
// Lines. A carriage return ends a line, as does the end of the file; other characters below
// 32 (line feeds, tabs, ...) are never stored and otherwise ignored, so the line feed of a
// CR LF pair and empty lines have no effect. A file whose first line break is a line feed
// without a carriage return (text written on this system) has its lines ended by line
// feeds instead.
//
// A field: a quotation mark outside quotes opens the quoted part (nothing is stored); inside
// quotes a quotation mark is a closing candidate: at the end of the line, or followed by a
// comma, it closes the field; followed by a second quotation mark it stands for one
// quotation mark in the value. Outside quotes a comma is ordinary data, so a line of
// unquoted words is one field that is never closed. A closing quotation mark followed by
// anything else leaves the quotes: that character and those after it up to the next comma
// (which closes the field) or the line end are kept in the value, so nothing is lost and
// the fields after it stay in their places.
//
// A value holds at most 255 characters; the rest of a longer field is read (so the next
// field starts where it should) but not kept.
namespace delimited {

inline constexpr std::size_t kMaxValue = 255;
inline constexpr int kMaxFields = 32;

class Reader {
public:
    // Fills `buffer` with up to `size` bytes and returns how many; 0 at the end of the
    // input. May throw (a read failure ends the reading).
    using Source = std::function<std::size_t(char *buffer, std::size_t size)>;

    explicit Reader(Source source);
    explicit Reader(std::string_view bytes);

    struct Field {
        bool closed = false;  // ended by its closing quotation mark
        bool tooLong = false; // more than kMaxValue characters; the value holds the first
    };
    // Reads the next field of the current line into `value`.
    Field readField(std::string &value);
    // True when the current line has no more characters (what is left before its end would
    // not be stored).
    [[nodiscard]] bool lineEnded();
    // Passes over what is left of the current line and its line end.
    void nextLine();
    // True when no character is left.
    [[nodiscard]] bool atEnd() { return peek() < 0; }

private:
    enum class Breaks { Unknown, CarriageReturn, LineFeed };

    int peek() {
        if (m_pos == m_end && !fill())
            return -1;
        return static_cast<unsigned char>(*m_pos);
    }
    bool fill();
    bool readPlainQuoted(std::string &value);
    [[nodiscard]] bool isLineBreak(int c);
    void append(std::string &value, char c, Field &field);

    Source m_source;
    std::vector<char> m_buffer;
    const char *m_pos = nullptr;
    const char *m_end = nullptr;
    Breaks m_breaks = Breaks::Unknown;
};

// The first line of a file as the import format chooser checks it.
struct FirstLine {
    enum Problem { None = 0, TooLong = 1, UnexpectedEnd = 2, TooManyFields = 3 };
    Problem problem = None;
    // One name per field: its value cut to 20 characters, kBlankField when empty.
    std::vector<std::string> names;
};
inline constexpr const char *kBlankField = "<BLANK FIELD>";
inline constexpr std::size_t kMaxNameLength = 20;

// Reads the fields of the first line: a 33rd field is problem 3, a value longer than 255
// characters problem 1, a last field not closed by a quotation mark (or no field at all)
// problem 2. In `utf8` text a name is cut to 20 characters, not bytes, so that no character
// is cut in two.
[[nodiscard]] FirstLine GetFirstLine(Reader &reader, bool utf8 = false);

// Reads one record: up to `fieldCount` fields of the current line, each handed to `store`
// (field number from 0, value) the moment it is read; what the line holds beyond them is
// passed over. False, with nothing stored, when the line holds no field or only one empty
// field (blank lines, the end of the file). Ends with the reader at the next line.
template <typename Store> bool ReadInAsciiRecord(Reader &reader, int fieldCount, Store &&store) {
    thread_local std::string value; // one buffer for all records: no allocation per value
    int read = 0;
    while (read < fieldCount && !reader.lineEnded()) {
        (void)reader.readField(value);
        if (read == 0 && value.empty() && reader.lineEnded())
            break;
        store(read++, static_cast<const std::string &>(value));
    }
    reader.nextLine();
    return read > 0;
}

// A value as a field of a line: quoted, quotation marks doubled.
void AppendQuoted(std::string &line, std::string_view value);

} // namespace delimited
