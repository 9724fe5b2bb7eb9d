#include "settings/typed_number.h"

#include "settings/format_helpers.h"

#include <cmath>
#include <limits>

namespace {

bool IsDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Skips a run of digits from `i`; returns how many there were.
qsizetype SkipDigits(QStringView s, qsizetype &i) {
    const qsizetype start = i;
    while (i < s.size() && IsDigit(s[i]))
        ++i;
    return i - start;
}

void SkipSign(QStringView s, qsizetype &i) {
    if (i < s.size() && (s[i] == QLatin1Char('+') || s[i] == QLatin1Char('-')))
        ++i;
}

// Length of the longest leading part of `s` that is a decimal number (sign, digits, point
// and fraction, exponent); 0 when there is none.
qsizetype DecimalPrefix(QStringView s) {
    qsizetype i = 0;
    SkipSign(s, i);
    qsizetype digits = SkipDigits(s, i);
    if (i < s.size() && s[i] == QLatin1Char('.')) {
        ++i;
        digits += SkipDigits(s, i);
    }
    if (digits == 0)
        return 0;
    const qsizetype mantissa = i;
    if (i < s.size() && (s[i] == QLatin1Char('e') || s[i] == QLatin1Char('E'))) {
        ++i;
        SkipSign(s, i);
        if (SkipDigits(s, i) == 0)
            return mantissa;
    }
    return i;
}

// Length of the leading sign and digits; 0 when no digit comes.
qsizetype WholePrefix(QStringView s) {
    qsizetype i = 0;
    SkipSign(s, i);
    return SkipDigits(s, i) == 0 ? 0 : i;
}

std::optional<double> ToFiniteDouble(QStringView s) {
    bool ok = false;
    const double value = s.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace

QString NormaliseTypedNumber(QStringView text, int format, const RegionalValues &regional) {
    QString out = Trim(text);
    if (format != kFormatWindows) {
        out.remove(QLatin1Char(','));
        return out;
    }
    if (regional.sThousand != regional.sDecimal)
        out.remove(regional.sThousand);
    if (const qsizetype at = out.indexOf(regional.sDecimal); at >= 0)
        out[at] = QLatin1Char('.');
    return out;
}

std::optional<double> ReadTypedAmount(QStringView text, int currencyFormat,
                                      const RegionalValues &regional) {
    const QString normal = NormaliseTypedNumber(text, currencyFormat, regional);
    if (normal.isEmpty())
        return 0.0;
    if (DecimalPrefix(normal) != normal.size())
        return std::nullopt;
    return ToFiniteDouble(normal);
}

std::optional<long long> ReadTypedWholeNumber(QStringView text, int numericFormat,
                                              const RegionalValues &regional) {
    const QString normal = NormaliseTypedNumber(text, numericFormat, regional);
    if (normal.isEmpty())
        return 0;
    if (WholePrefix(normal) != normal.size())
        return std::nullopt;
    bool ok = false;
    const long long value = normal.toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

double ReadTypedAmountPrefix(QStringView text, int format, const RegionalValues &regional) {
    const QString normal = NormaliseTypedNumber(text, format, regional);
    const qsizetype length = DecimalPrefix(normal);
    if (length == 0)
        return 0.0;
    return ToFiniteDouble(QStringView(normal).left(length)).value_or(0.0);
}

long long ReadTypedWholeNumberPrefix(QStringView text, int format, const RegionalValues &regional) {
    const QString normal = NormaliseTypedNumber(text, format, regional);
    const qsizetype length = WholePrefix(normal);
    if (length == 0)
        return 0;
    bool ok = false;
    const long long value = QStringView(normal).left(length).toLongLong(&ok);
    if (ok)
        return value;
    return normal.startsWith(QLatin1Char('-')) ? std::numeric_limits<long long>::min()
                                               : std::numeric_limits<long long>::max();
}
