#include "settings/date_format.h"

#include <array>

namespace {

struct DateFormatState {
    int number = 0;
    bool leadingZeros = false;
    QChar separator = QLatin1Char('/');
    QString pattern = QStringLiteral("m/d/yy");
};

DateFormatState &State() {
    static DateFormatState state;
    return state;
}

bool IsFormatNumber(int number) {
    return number >= kFirstDateFormat && number <= kLastDateFormat;
}

bool DayFirst(int number) {
    return (number - 1) % 6 >= 3;
}

bool FourDigitYear(int number) {
    return number >= 7;
}

// Reads an unsigned run of digits from the whole view; -1 when it is empty, too long or has
// anything but digits.
int ReadDigits(QStringView part, int maxDigits) {
    if (part.isEmpty() || part.size() > maxDigits)
        return -1;
    int n = 0;
    for (QChar c : part) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return -1;
        n = n * 10 + (c.unicode() - u'0');
    }
    return n;
}

QStringView TrimSpaces(QStringView s) {
    while (!s.isEmpty() && s.front() == QLatin1Char(' '))
        s = s.mid(1);
    while (!s.isEmpty() && s.back() == QLatin1Char(' '))
        s.chop(1);
    return s;
}

ParsedDate Invalid() {
    return {ParsedDate::Kind::Invalid, {}};
}

ParsedDate FromParts(int year, int month, int day) {
    if (year < 1 || year > 9999)
        return Invalid();
    const QDate date(year, month, day);
    if (!date.isValid())
        return Invalid();
    return {ParsedDate::Kind::Valid, date};
}

} // namespace

QString DatePattern(int number, bool leadingZeros) {
    if (!IsFormatNumber(number))
        return {};
    const QChar sep = DateSeparator(number);
    const QString day = leadingZeros ? QStringLiteral("dd") : QStringLiteral("d");
    const QString month = leadingZeros ? QStringLiteral("mm") : QStringLiteral("m");
    const QString year = FourDigitYear(number) ? QStringLiteral("yyyy") : QStringLiteral("yy");
    return DayFirst(number) ? day + sep + month + sep + year : month + sep + day + sep + year;
}

QChar DateSeparator(int number) {
    if (!IsFormatNumber(number))
        return {};
    static constexpr std::array<char16_t, 3> kSeparators{u'/', u'-', u'.'};
    return QChar(kSeparators[static_cast<std::size_t>((number - 1) % 3)]);
}

bool ApplyDateFormat(int number, bool leadingZeros) {
    if (!IsFormatNumber(number))
        return false;
    DateFormatState &s = State();
    s.number = number;
    s.leadingZeros = leadingZeros;
    s.separator = DateSeparator(number);
    s.pattern = DatePattern(number, leadingZeros);
    return true;
}

int CurrentDateFormat() {
    return State().number;
}

bool CurrentDateLeadingZeros() {
    return State().leadingZeros;
}

QChar CurrentDateSeparator() {
    return State().separator;
}

QString CurrentDatePattern() {
    return State().pattern;
}

void ResetDateFormat() {
    State() = DateFormatState{};
}

QString DateToText(const QDate &date) {
    if (!date.isValid())
        return {};
    const QString &pattern = State().pattern;
    QString out;
    qsizetype i = 0;
    while (i < pattern.size()) {
        const QChar c = pattern[i];
        qsizetype run = 1;
        while (i + run < pattern.size() && pattern[i + run] == c)
            ++run;
        if (c == QLatin1Char('d')) {
            out += QString::number(date.day()).rightJustified(run, QLatin1Char('0'));
        } else if (c == QLatin1Char('m')) {
            out += QString::number(date.month()).rightJustified(run, QLatin1Char('0'));
        } else if (c == QLatin1Char('y')) {
            const int year = run <= 2 ? date.year() % 100 : date.year();
            out += QString::number(year).rightJustified(run <= 2 ? 2 : 4, QLatin1Char('0'));
        } else {
            // A pattern's own separator character stands for the separator in force.
            out += QString(run, State().separator);
        }
        i += run;
    }
    return out;
}

int ExpandTwoDigitYear(int twoDigitYear, int currentYear) {
    const int earliest = currentYear - 50;
    int year = earliest - earliest % 100 + twoDigitYear;
    if (year < earliest)
        year += 100;
    return year;
}

ParsedDate TextToDate(QStringView text) {
    return TextToDate(text, QDate::currentDate().year());
}

ParsedDate TextToDate(QStringView text, int currentYear) {
    const QChar sep = State().separator;
    bool blank = true;
    for (QChar c : text) {
        if (c != QLatin1Char(' ') && c != sep) {
            blank = false;
            break;
        }
    }
    if (blank)
        return {};

    const auto parts = text.split(sep);
    if (parts.size() != 3)
        return Invalid();
    const bool dayFirst = State().pattern.startsWith(QLatin1Char('d'));
    const int day = ReadDigits(TrimSpaces(parts[dayFirst ? 0 : 1]), 2);
    const int month = ReadDigits(TrimSpaces(parts[dayFirst ? 1 : 0]), 2);
    const QStringView yearText = TrimSpaces(parts[2]);
    int year = ReadDigits(yearText, 4);
    if (day < 0 || month < 0 || year < 0 || yearText.size() == 3)
        return Invalid();
    if (yearText.size() <= 2)
        year = ExpandTwoDigitYear(year, currentYear);
    return FromParts(year, month, day);
}

QString DateToDbfText(const QDate &date) {
    if (!date.isValid() || date.year() < 1 || date.year() > 9999)
        return QString(8, QLatin1Char(' '));
    return QString::number(date.year()).rightJustified(4, QLatin1Char('0')) +
           QString::number(date.month()).rightJustified(2, QLatin1Char('0')) +
           QString::number(date.day()).rightJustified(2, QLatin1Char('0'));
}

ParsedDate DbfTextToDate(QStringView text) {
    if (TrimSpaces(text).isEmpty() || text == QLatin1StringView("00000000"))
        return {};
    if (text.size() != 8)
        return Invalid();
    const int year = ReadDigits(text.mid(0, 4), 4);
    const int month = ReadDigits(text.mid(4, 2), 2);
    const int day = ReadDigits(text.mid(6, 2), 2);
    if (year < 0 || month < 0 || day < 0)
        return Invalid();
    return FromParts(year, month, day);
}

ParsedDate DbfTextToDate(QByteArrayView bytes) {
    return DbfTextToDate(QString::fromLatin1(bytes));
}
