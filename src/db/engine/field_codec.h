#pragma once

#include "db/engine/field_def.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The one conversion between values and the stored bytes of number (N, F) and date (D)
// fields. The engine's typed accessors, the data set and the generator all store through it,
// so an amount typed in the editor and the same amount imported are stored as the same
// digits.
namespace db::field_codec {

// A field's bytes without the blanks and NULs around them (how fields are padded).
[[nodiscard]] std::string_view trimBlanks(std::string_view bytes);

// Numbers. dBASE stores a number as its decimal text with exactly the field's decimals,
// right-justified in the field's width. A value is rounded half away from zero on its decimal
// text: for a double that is the shortest text that reads back as the same double, which is
// what the user typed (2.675 is stored 2.68, not 2.67 from the binary 2.67499999...). A
// rounded zero carries no sign. A value whose rounded text is wider than the field is refused
// with a DbError naming the field and the value: never stored as asterisks, never cut.

// A decimal number text as stored or typed: blanks around it, an optional sign (blanks may
// follow it), digits, an optional point and digits. Returns it normalised ("-0.5" for
// "-.5", no "+", digits as given), or nullopt for blanks and anything else.
[[nodiscard]] std::optional<std::string> normalDecimal(std::string_view text);

// A decimal text rounded to `decimals` places: "[-]digits[.digits]" with exactly that many
// decimals, one digit before the point at least, no sign on zero. nullopt when the text is
// not a decimal number.
[[nodiscard]] std::optional<std::string> roundDecimal(std::string_view text, int decimals);

// The shortest fixed-notation text that reads back as the same double.
[[nodiscard]] std::string shortestDecimal(double value);

// Writes a number into a field's `field.length` bytes at `out` (blank text blanks it). Throws
// DbError, naming `file` when one is given, for text that is not a number and for a value
// that does not fit; `out` is then left as it was.
void storeDecimal(const FieldDef &field, std::string_view text, char *out,
                  const std::string &file = {});
// The same for a double, through its shortest decimal text; NaN and infinities are refused.
void storeNumber(const FieldDef &field, double value, char *out, const std::string &file = {});

// Dates: D fields hold YYYYMMDD, eight blanks for no date. Only real days of the Gregorian
// calendar in the years 1 to 9999 are dates (1900-02-29 is not, 2000-02-29 is).
struct Date {
    int year = 0;
    int month = 0;
    int day = 0;
};

[[nodiscard]] bool isValidDate(int year, int month, int day);
// The date in a D field's bytes: eight digits (blanks around them ignored) naming a real day.
// nullopt for blanks and for anything else.
[[nodiscard]] std::optional<Date> readDate(std::string_view bytes);
// Writes YYYYMMDD into the 8 bytes at `out`; DbError naming the field for a date that is
// not a real day (`out` untouched).
void storeDate(const FieldDef &field, const Date &date, char *out, const std::string &file = {});
// Writes the date in stored text ("YYYYMMDD") after checking it the same way.
void storeDateText(const FieldDef &field, std::string_view yyyymmdd, char *out,
                   const std::string &file = {});

// Julian day numbers (FoxPro datetimes and date keys count days so), both ways.
[[nodiscard]] std::int64_t julianDay(int year, int month, int day);
[[nodiscard]] Date fromJulianDay(std::int64_t julianDay);

} // namespace db::field_codec
