#include "settings/regional.h"

#include "core/text_codec.h"
#include "settings/format_helpers.h"

#include <array>
#include <cmath>
#include <utility>

namespace {

RegionalValues &Current() {
    static RegionalValues values;
    return values;
}

QChar FirstCharOrSpace(const QString &value) {
    return value.isEmpty() ? QLatin1Char(' ') : value.front();
}

// Leading blanks, an optional sign, then digits; 0 when no digit follows.
int ProfileInt(const QString &value) {
    qsizetype i = 0;
    while (i < value.size() && value[i] == QLatin1Char(' '))
        ++i;
    bool negative = false;
    if (i < value.size() && (value[i] == QLatin1Char('-') || value[i] == QLatin1Char('+'))) {
        negative = value[i] == QLatin1Char('-');
        ++i;
    }
    long long n = 0;
    while (i < value.size() && value[i] >= QLatin1Char('0') && value[i] <= QLatin1Char('9')) {
        n = n * 10 + (value[i].unicode() - u'0');
        if (n > 1'000'000'000)
            break;
        ++i;
    }
    return static_cast<int>(negative ? -n : n);
}

int CountryCode(QLocale::Territory territory) {
    static constexpr std::array<std::pair<QLocale::Territory, int>, 30> kCodes{{
        {QLocale::UnitedStates, 1},   {QLocale::Canada, 2},       {QLocale::Russia, 7},
        {QLocale::Greece, 30},        {QLocale::Netherlands, 31}, {QLocale::Belgium, 32},
        {QLocale::France, 33},        {QLocale::Spain, 34},       {QLocale::Hungary, 36},
        {QLocale::Italy, 39},         {QLocale::Switzerland, 41}, {QLocale::Austria, 43},
        {QLocale::UnitedKingdom, 44}, {QLocale::Denmark, 45},     {QLocale::Sweden, 46},
        {QLocale::Norway, 47},        {QLocale::Poland, 48},      {QLocale::Germany, 49},
        {QLocale::Mexico, 52},        {QLocale::Brazil, 55},      {QLocale::Australia, 61},
        {QLocale::NewZealand, 64},    {QLocale::Japan, 81},       {QLocale::SouthKorea, 82},
        {QLocale::China, 86},         {QLocale::Turkey, 90},      {QLocale::Portugal, 351},
        {QLocale::Ireland, 353},      {QLocale::Iceland, 354},    {QLocale::Finland, 358},
    }};
    for (const auto &[t, code] : kCodes) {
        if (t == territory)
            return code;
    }
    return 1;
}

QChar StorableSeparator(const QString &value, QChar fallback) {
    const QChar c = FirstCharOrSpace(value);
    bool lossless = true;
    (void)text8::encode(QStringView(&c, 1), &lossless);
    if (lossless)
        return c;
    return c.isSpace() ? QChar(u'\u00A0') : fallback;
}

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

bool IsDecimalNumber(QStringView s) {
    qsizetype i = 0;
    SkipSign(s, i);
    qsizetype digits = SkipDigits(s, i);
    if (i < s.size() && s[i] == QLatin1Char('.')) {
        ++i;
        digits += SkipDigits(s, i);
    }
    if (digits == 0)
        return false;
    if (i < s.size() && (s[i] == QLatin1Char('e') || s[i] == QLatin1Char('E'))) {
        ++i;
        SkipSign(s, i);
        if (SkipDigits(s, i) == 0)
            return false;
    }
    return i == s.size();
}

QString FormatRegional(int width, int decimals, double value, const RegionalValues &regional) {
    return FormatWithSeparators(width, decimals, value, regional.sDecimal, regional.sThousand);
}

} // namespace

RegionalValues RegionalValues::fromProfile(const QHash<QString, QString> &intl) {
    RegionalValues v;
    if (const auto it = intl.find(QStringLiteral("sDecimal")); it != intl.end())
        v.sDecimal = FirstCharOrSpace(*it);
    if (const auto it = intl.find(QStringLiteral("sThousand")); it != intl.end())
        v.sThousand = FirstCharOrSpace(*it);
    if (const auto it = intl.find(QStringLiteral("iDigits")); it != intl.end())
        v.iDigits = ProfileInt(*it);
    if (const auto it = intl.find(QStringLiteral("iCurrDigits")); it != intl.end())
        v.iCurrDigits = ProfileInt(*it);
    if (const auto it = intl.find(QStringLiteral("iCountry")); it != intl.end())
        v.iCountry = ProfileInt(*it);
    return v;
}

RegionalValues RegionalValues::fromLocale(const QLocale &locale) {
    RegionalValues v;
    v.sDecimal = StorableSeparator(locale.decimalPoint(), QLatin1Char('.'));
    v.sThousand = StorableSeparator(locale.groupSeparator(), QLatin1Char(','));
    v.iCountry = CountryCode(locale.territory());
    return v;
}

const RegionalValues &CurrentRegional() {
    return Current();
}

void SetCurrentRegional(const RegionalValues &values) {
    Current() = values;
}

void ReadRegionalValues() {
    SetCurrentRegional(RegionalValues::fromLocale(QLocale::system()));
}

QString FormatMoney(int width, double value, int currencyFormat, const RegionalValues &regional) {
    if (currencyFormat == kFormatWindows)
        return FormatRegional(width, regional.iCurrDigits, value, regional);
    return FormatGrouped(width, 2, value);
}

QString FormatNumber(int width, int decimals, double value, int numericFormat,
                     const RegionalValues &regional) {
    if (numericFormat == kFormatWindows)
        return FormatRegional(width, decimals, value, regional);
    return FormatGrouped(width, decimals, value);
}

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
    if (!IsDecimalNumber(normal))
        return std::nullopt;
    bool ok = false;
    const double value = normal.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<long long> ReadTypedWholeNumber(QStringView text, int numericFormat,
                                              const RegionalValues &regional) {
    const QString normal = NormaliseTypedNumber(text, numericFormat, regional);
    if (normal.isEmpty())
        return 0;
    qsizetype i = 0;
    SkipSign(normal, i);
    if (SkipDigits(normal, i) == 0 || i != normal.size())
        return std::nullopt;
    bool ok = false;
    const long long value = normal.toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}
