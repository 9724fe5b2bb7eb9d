#include "settings/typed_number.h"

#include "settings/format_helpers.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace {

// The scanners below read QStringView and std::string_view alike.
char16_t CharAt(QStringView s, qsizetype i) {
    return s[i].unicode();
}
char16_t CharAt(std::string_view s, qsizetype i) {
    return static_cast<unsigned char>(s[static_cast<std::size_t>(i)]);
}
qsizetype SizeOf(QStringView s) {
    return s.size();
}
qsizetype SizeOf(std::string_view s) {
    return static_cast<qsizetype>(s.size());
}

bool IsDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

// Skips a run of digits from `i`; returns how many there were.
template <typename View> qsizetype SkipDigits(View s, qsizetype &i) {
    const qsizetype start = i;
    while (i < SizeOf(s) && IsDigit(CharAt(s, i)))
        ++i;
    return i - start;
}

template <typename View> void SkipSign(View s, qsizetype &i) {
    if (i < SizeOf(s) && (CharAt(s, i) == u'+' || CharAt(s, i) == u'-'))
        ++i;
}

// Length of the longest leading part of `s` that is a decimal number (sign, digits, point
// and fraction, exponent); 0 when there is none.
template <typename View> qsizetype DecimalPrefix(View s) {
    qsizetype i = 0;
    SkipSign(s, i);
    qsizetype digits = SkipDigits(s, i);
    if (i < SizeOf(s) && CharAt(s, i) == u'.') {
        ++i;
        digits += SkipDigits(s, i);
    }
    if (digits == 0)
        return 0;
    const qsizetype mantissa = i;
    if (i < SizeOf(s) && (CharAt(s, i) == u'e' || CharAt(s, i) == u'E')) {
        ++i;
        SkipSign(s, i);
        if (SkipDigits(s, i) == 0)
            return mantissa;
    }
    return i;
}

// Length of the leading sign and digits; 0 when no digit comes.
template <typename View> qsizetype WholePrefix(View s) {
    qsizetype i = 0;
    SkipSign(s, i);
    return SkipDigits(s, i) == 0 ? 0 : i;
}

// Text whose normalised form is itself without its blanks: the U.S. form holding no comma
// and nothing but what numbers are made of. nullopt for anything else.
std::optional<std::string_view> PlainUsText(std::string_view text, int format) {
    if (format == kFormatWindows)
        return std::nullopt;
    std::size_t b = 0, e = text.size();
    while (b < e && text[b] == ' ')
        ++b;
    while (e > b && text[e - 1] == ' ')
        --e;
    text = text.substr(b, e - b);
    for (const char c : text)
        if (!IsDigit(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.' &&
            c != 'e' && c != 'E')
            return std::nullopt;
    return text;
}

// from_chars takes no '+'.
std::string_view WithoutPlus(std::string_view s) {
    return !s.empty() && s[0] == '+' ? s.substr(1) : s;
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
    if (DecimalPrefix(QStringView(normal)) != normal.size())
        return std::nullopt;
    return ToFiniteDouble(normal);
}

std::optional<long long> ReadTypedWholeNumber(QStringView text, int numericFormat,
                                              const RegionalValues &regional) {
    const QString normal = NormaliseTypedNumber(text, numericFormat, regional);
    if (normal.isEmpty())
        return 0;
    if (WholePrefix(QStringView(normal)) != normal.size())
        return std::nullopt;
    bool ok = false;
    const long long value = normal.toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

double ReadTypedAmountPrefix(QStringView text, int format, const RegionalValues &regional) {
    const QString normal = NormaliseTypedNumber(text, format, regional);
    const qsizetype length = DecimalPrefix(QStringView(normal));
    if (length == 0)
        return 0.0;
    return ToFiniteDouble(QStringView(normal).left(length)).value_or(0.0);
}

long long ReadTypedWholeNumberPrefix(QStringView text, int format, const RegionalValues &regional) {
    const QString normal = NormaliseTypedNumber(text, format, regional);
    const qsizetype length = WholePrefix(QStringView(normal));
    if (length == 0)
        return 0;
    bool ok = false;
    const long long value = QStringView(normal).left(length).toLongLong(&ok);
    if (ok)
        return value;
    return normal.startsWith(QLatin1Char('-')) ? std::numeric_limits<long long>::min()
                                               : std::numeric_limits<long long>::max();
}

double ReadTypedAmountPrefix(std::string_view text, int format, const RegionalValues &regional) {
    const auto plain = PlainUsText(text, format);
    if (!plain)
        return ReadTypedAmountPrefix(QString::fromLatin1(text.data(), qsizetype(text.size())),
                                     format, regional);
    const std::string_view number =
        WithoutPlus(plain->substr(0, static_cast<std::size_t>(DecimalPrefix(*plain))));
    double value = 0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
    if (number.empty() || result.ec != std::errc() || !std::isfinite(value))
        return 0.0;
    return value;
}

long long ReadTypedWholeNumberPrefix(std::string_view text, int format,
                                     const RegionalValues &regional) {
    const auto plain = PlainUsText(text, format);
    if (!plain)
        return ReadTypedWholeNumberPrefix(QString::fromLatin1(text.data(), qsizetype(text.size())),
                                          format, regional);
    const std::string_view number =
        WithoutPlus(plain->substr(0, static_cast<std::size_t>(WholePrefix(*plain))));
    if (number.empty())
        return 0;
    long long value = 0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
    if (result.ec == std::errc::result_out_of_range)
        return number[0] == '-' ? std::numeric_limits<long long>::min()
                                : std::numeric_limits<long long>::max();
    return value;
}
