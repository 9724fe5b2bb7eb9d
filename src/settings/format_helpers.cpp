#include "settings/format_helpers.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <string>

namespace {

constexpr int kMaxDecimals = 40;

struct FixedDigits {
    bool negative = false;
    std::string integer;  // at least one digit, no sign
    std::string fraction; // exactly the requested number of digits
};

FixedDigits RoundToDecimals(double value, int decimals) {
    // The shortest round-trip text of a double has at most 17 significant digits; in fixed
    // notation the largest doubles need 309 integer digits and the smallest about 330 places.
    std::array<char, 512> buf{};
    const auto res = std::to_chars(buf.data(), buf.data() + buf.size(), std::fabs(value),
                                   std::chars_format::fixed);
    const std::string text(buf.data(), res.ptr);

    FixedDigits out;
    const auto dot = text.find('.');
    out.integer = text.substr(0, dot);
    std::string frac = dot == std::string::npos ? std::string() : text.substr(dot + 1);

    const auto places = static_cast<std::size_t>(decimals);
    if (frac.size() > places) {
        const bool roundUp = frac[places] >= '5';
        frac.resize(places);
        if (roundUp) {
            std::string all = out.integer + frac;
            auto i = all.size();
            while (i > 0) {
                --i;
                if (all[i] == '9') {
                    all[i] = '0';
                } else {
                    ++all[i];
                    break;
                }
                if (i == 0)
                    all.insert(all.begin(), '1');
            }
            out.integer = all.substr(0, all.size() - places);
            frac = all.substr(all.size() - places);
        }
    } else {
        frac.append(places - frac.size(), '0');
    }
    out.fraction = frac;

    const auto nonZero = [](char c) { return c != '0'; };
    out.negative =
        std::signbit(value) && (std::any_of(out.integer.begin(), out.integer.end(), nonZero) ||
                                std::any_of(frac.begin(), frac.end(), nonZero));
    return out;
}

QString NonFinite(double value) {
    if (std::isnan(value))
        return QStringLiteral("NAN");
    return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
}

int ClampDecimals(int decimals) {
    return std::clamp(decimals, 0, kMaxDecimals);
}

} // namespace

QString FormatPlain(int width, int decimals, double value) {
    return FormatWithSeparators(width, decimals, value, QLatin1Char('.'), QChar());
}

QString FormatWithSeparators(int width, int decimals, double value, QChar point, QChar thousands) {
    if (!std::isfinite(value))
        return PadLeft(NonFinite(value), width);
    const FixedDigits d = RoundToDecimals(value, ClampDecimals(decimals));
    QString text;
    if (d.negative)
        text += QLatin1Char('-');
    // Groups are counted from the decimal point over the digits only, so no separator can
    // land directly behind the sign.
    const auto n = d.integer.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0 && !thousands.isNull())
            text += thousands;
        text += QLatin1Char(d.integer[i]);
    }
    if (!d.fraction.empty()) {
        text += point;
        text += QLatin1StringView(d.fraction.data(), static_cast<qsizetype>(d.fraction.size()));
    }
    return PadLeft(text, width);
}

QString FormatGrouped(int width, int decimals, double value) {
    return FormatWithSeparators(width, decimals, value, QLatin1Char('.'), QLatin1Char(','));
}

QString Trim(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == QLatin1Char(' '))
        ++begin;
    while (end > begin && text[end - 1] == QLatin1Char(' '))
        --end;
    return text.mid(begin, end - begin).toString();
}

QString TrimAndStrip(QStringView text, int maxLen, QChar ch) {
    QString out = Trim(text);
    out.remove(ch);
    out.truncate(std::max(maxLen, 0));
    return out;
}

QString TrimAndStripCommas(QStringView text, int maxLen) {
    return TrimAndStrip(text, maxLen, QLatin1Char(','));
}

QString PadRight(QStringView text, int length) {
    QString out = text.toString();
    if (out.size() < length)
        out.append(QString(length - out.size(), QLatin1Char(' ')));
    return out;
}

QString PadLeft(QStringView text, int length) {
    if (text.size() >= length)
        return text.toString();
    return QString(length - text.size(), QLatin1Char(' ')) + text;
}

QString Repeat(QChar ch, int count) {
    return count > 0 ? QString(count, ch) : QString();
}

QString UpperCopy(QStringView text, int maxLen) {
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    if (nul >= 0)
        text = text.left(nul);
    QString out = text.left(std::max(maxLen, 0)).toString();
    for (QChar &c : out)
        c = c.toUpper();
    return out;
}
