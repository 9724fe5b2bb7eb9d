#pragma once

#include <QChar>
#include <QString>
#include <QStringView>

// Number-to-text formatting and the small text helpers every window uses. Texts are short
// (paths, names, amounts), so these work on whole strings and never fail.

// `value` with `decimals` places (negative counts as 0, more than 40 as 40), right-aligned with
// leading spaces to at least `width` characters; a longer text is never cut. Rounding is half
// away from zero on the shortest decimal text that reads back as the same double, so 1.005 with
// 2 decimals gives "1.01" and 2.675 gives "2.68": that is what the user typed and sees, even
// though the nearest double lies just below the half. A value that rounds to zero never shows
// a minus sign ("0.00", not "-0.00"). NaN and infinities give "NAN", "INF" and "-INF".
[[nodiscard]] QString FormatPlain(int width, int decimals, double value);

// As FormatPlain, with `thousands` between every group of three digits left of the decimal
// point and `point` as that point; never a separator directly behind the minus sign. A null
// `thousands` groups nothing.
[[nodiscard]] QString FormatWithSeparators(int width, int decimals, double value, QChar point,
                                           QChar thousands);

// FormatWithSeparators with "." and ",": 1234567.891 with 2 decimals gives "1,234,567.89".
[[nodiscard]] QString FormatGrouped(int width, int decimals, double value);

// Removes leading and trailing spaces (only the blank character: tabs are data).
[[nodiscard]] QString Trim(QStringView text);

// Trims, removes every `ch`, then cuts to `maxLen` characters.
[[nodiscard]] QString TrimAndStrip(QStringView text, int maxLen, QChar ch);

// Trims, removes every comma, then cuts: "1,250.00" becomes "1250.00" before it is parsed.
[[nodiscard]] QString TrimAndStripCommas(QStringView text, int maxLen);

// Appends spaces up to `length`; a longer text is returned unchanged.
[[nodiscard]] QString PadRight(QStringView text, int length);

// Prepends spaces up to `length`; a longer text is returned unchanged.
[[nodiscard]] QString PadLeft(QStringView text, int length);

// `count` copies of `ch`; zero or a negative count gives the empty text.
[[nodiscard]] QString Repeat(QChar ch, int count);

// Upper-cases character by character (so the length never changes: "ß" stays) and cuts to
// `maxLen`. A text ending early at a NUL character stops there, as a zero-terminated copy would.
[[nodiscard]] QString UpperCopy(QStringView text, int maxLen);
