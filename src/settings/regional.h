#pragma once

#include <QChar>
#include <QHash>
#include <QLocale>
#include <QString>
#include <QStringView>

#include <optional>

// The user's regional conventions for amounts: what the operating system's regional settings
// say, read once at start-up. Until then (and in tests that set nothing) the U.S. values hold.
struct RegionalValues {
    QChar sDecimal = QLatin1Char('.');
    QChar sThousand = QLatin1Char(',');
    int iDigits = 2;     // decimals of numbers
    int iCurrDigits = 2; // decimals of money
    int iCountry = 1;    // country code (the international dialling code), for the order form

    // From profile-style key/value texts ("sDecimal", "sThousand", "iDigits", "iCurrDigits",
    // "iCountry"): a missing key keeps its default; a character takes the first character of
    // its value, a space when the value is empty; a number reads its leading digits as the
    // profile reader does (0 when there are none).
    [[nodiscard]] static RegionalValues fromProfile(const QHash<QString, QString> &intl);

    // From a locale: its decimal point and group separator. A separator the files' code page
    // (Windows 1252) cannot hold is replaced: a space-like one by the no-break space, any
    // other by the U.S. character, so that amounts survive in tables and report files.
    // Locales carry no currency-decimals figure, so both decimal counts stay 2; the country
    // code comes from a short table of territories and is 1 for the rest.
    [[nodiscard]] static RegionalValues fromLocale(const QLocale &locale);

    friend bool operator==(const RegionalValues &, const RegionalValues &) = default;
};

// The values in force for the whole process.
[[nodiscard]] const RegionalValues &CurrentRegional();
void SetCurrentRegional(const RegionalValues &values);

// Reads the system locale (LC_NUMERIC/LANG as Qt sees them) into the current values.
void ReadRegionalValues();

// The two choices of the "Currency Format" and "Numeric Format" menus, as the settings store
// keeps them. Any other stored number is treated as U.S.
inline constexpr int kFormatUS = 1;
inline constexpr int kFormatWindows = 2;

// Money: U.S. form (2 decimals, "." and ",", no currency sign) or, for kFormatWindows, the
// regional decimal character, thousands separator and iCurrDigits. Right-aligned to `width`,
// never cut. The caller passes the user's current choice from the settings.
[[nodiscard]] QString FormatMoney(int width, double value, int currencyFormat,
                                  const RegionalValues &regional = CurrentRegional());

// Other numbers: as FormatMoney with `decimals` places in either form.
[[nodiscard]] QString FormatNumber(int width, int decimals, double value, int numericFormat,
                                   const RegionalValues &regional = CurrentRegional());
