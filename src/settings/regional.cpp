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
