#pragma once

#include "settings/regional.h"

#include <QString>
#include <QStringView>

#include <optional>
#include <string_view>

// Reading the amounts and quantities a user types, in the notation the user chose: amounts
// follow the currency format setting, quantities the numeric format setting (kFormatUS or
// kFormatWindows). Every window that reads a typed number (the record editor, search, import,
// the report editor) reads it through these, so one text never means two numbers.

// Made readable: trimmed; in the U.S. form every comma removed; in the Windows form every
// regional thousands separator removed and the first regional decimal character turned into
// ".". When the two regional characters are the same no separator is removed, so "1.5" stays
// one and a half.
[[nodiscard]] QString NormaliseTypedNumber(QStringView text, int format,
                                           const RegionalValues &regional = CurrentRegional());

// A typed amount: empty text is 0; otherwise an optional sign, digits with an optional "." and
// fraction, and an optional exponent. Anything else, or a value too large for a double, gives
// no value.
[[nodiscard]] std::optional<double>
ReadTypedAmount(QStringView text, int currencyFormat,
                const RegionalValues &regional = CurrentRegional());

// A typed whole number (the quantity): empty text is 0; otherwise an optional sign and digits.
// A number beyond the range of long long gives no value.
[[nodiscard]] std::optional<long long>
ReadTypedWholeNumber(QStringView text, int numericFormat,
                     const RegionalValues &regional = CurrentRegional());

// The lenient readers for what a box shows after it is left and for running totals: the
// normalised text is read as far as it forms a number and the rest is ignored, so "12abc"
// is 12 and "abc" is 0. The strict readers above still decide what may be stored.
[[nodiscard]] double ReadTypedAmountPrefix(QStringView text, int format,
                                           const RegionalValues &regional = CurrentRegional());
[[nodiscard]] long long
ReadTypedWholeNumberPrefix(QStringView text, int format,
                           const RegionalValues &regional = CurrentRegional());

// The lenient readers over 8-bit text (the bytes of an imported file), with the same
// results; plain U.S.-form text is read without making a QString.
[[nodiscard]] double ReadTypedAmountPrefix(std::string_view text, int format,
                                           const RegionalValues &regional = CurrentRegional());
[[nodiscard]] long long
ReadTypedWholeNumberPrefix(std::string_view text, int format,
                           const RegionalValues &regional = CurrentRegional());
