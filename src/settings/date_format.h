#pragma once

#include <QByteArrayView>
#include <QChar>
#include <QDate>
#include <QString>
#include <QStringView>

// The program's short date format: one process-wide pattern and separator, as the date
// conversion of the original platform had, which the data set, the viewer and every date box
// follow. The twelve choices are numbered as the "Date Format" menu numbers them:
//   1 m/d/yy   2 m-d-yy   3 m.d.yy   4 d/m/yy   5 d-m-yy   6 d.m.yy
//   7 m/d/yyyy 8 m-d-yyyy 9 m.d.yyyy 10 d/m/yyyy 11 d-m-yyyy 12 d.m.yyyy
// each written "mm"/"dd" when leading zeros are on. Until a format is applied the conversion
// uses "m/d/yy" with "/" (the U.S. short date) and CurrentDateFormat() is 0.
//
// Two-digit years (and one-digit ones) are read through a sliding window: the year that lies
// from 50 years before to 49 years after the current year, so in 2026 "76" is 1976 and "75"
// is 2075. Years of three digits are refused; four digits are taken as given (1 to 9999).

inline constexpr int kFirstDateFormat = 1;
inline constexpr int kLastDateFormat = 12;

// Pattern text of format `number` ("mm/dd/yy", "d.m.yyyy"); empty for a number outside 1..12.
[[nodiscard]] QString DatePattern(int number, bool leadingZeros);

// Separator of format `number`; a null QChar for a number outside 1..12.
[[nodiscard]] QChar DateSeparator(int number);

// Sets the process-wide pattern and separator. A number outside 1..12 changes nothing and
// returns false (the format in force stays, including its leading-zeros choice).
bool ApplyDateFormat(int number, bool leadingZeros);

// The format number last applied (0 while none was), and its leading-zeros flag.
[[nodiscard]] int CurrentDateFormat();
[[nodiscard]] bool CurrentDateLeadingZeros();
[[nodiscard]] QChar CurrentDateSeparator();

// The pattern in force, e.g. "dd.mm.yyyy": "d"/"dd" day, "m"/"mm" month, "yy"/"yyyy" year,
// the separator between them. Input masks are built from it.
[[nodiscard]] QString CurrentDatePattern();

// Back to the state before any format was applied; for tests and start-up.
void ResetDateFormat();

// The date in the current pattern; a null or invalid date gives the empty text.
[[nodiscard]] QString DateToText(const QDate &date);

// The outcome of reading a date: blank text is "no date", which is not an error.
struct ParsedDate {
    enum class Kind { NoDate, Valid, Invalid };
    Kind kind = Kind::NoDate;
    QDate date; // valid only when kind is Valid

    [[nodiscard]] bool isValid() const { return kind == Kind::Valid; }
    [[nodiscard]] bool isNoDate() const { return kind == Kind::NoDate; }
    [[nodiscard]] bool isInvalid() const { return kind == Kind::Invalid; }
};

// Reads text in the current pattern's order (month-day-year or day-month-year) with the current
// separator. Day and month take one or two digits; spaces around the parts are allowed, so a
// box showing " 7/ 5/96" reads. Text of nothing but spaces and separators (an empty masked
// box) is no date. Anything else that is not a real calendar date is Invalid: 31 February,
// day 0, month 13, letters, a missing part, text after the year.
[[nodiscard]] ParsedDate TextToDate(QStringView text);

// Same, with the sliding window centred on `currentYear` instead of today's year.
[[nodiscard]] ParsedDate TextToDate(QStringView text, int currentYear);

// The four-digit year a one- or two-digit year stands for in the window around `currentYear`.
[[nodiscard]] int ExpandTwoDigitYear(int twoDigitYear, int currentYear);

// dBASE keeps a date as eight characters "YYYYMMDD", blank when there is no date.
// A null or invalid date (or a year outside 1..9999) gives eight spaces.
[[nodiscard]] QString DateToDbfText(const QDate &date);

// Reads "YYYYMMDD". Blank (empty or all spaces), and the all-zero form some programs write,
// are no date; anything else that is not eight digits of a real date is Invalid.
[[nodiscard]] ParsedDate DbfTextToDate(QStringView text);
[[nodiscard]] ParsedDate DbfTextToDate(QByteArrayView bytes);
