#include "interchange/export_line.h"

#include "db/record_view.h"

#include <QDate>

#include <charconv>
#include <cmath>
#include <cstring>

namespace exporting {

namespace {

bool isBlankByte(char c) {
    return c == ' ' || c == '\0';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view trimmed(std::string_view text) {
    std::size_t b = 0, e = text.size();
    while (b < e && isBlankByte(text[b]))
        ++b;
    while (e > b && isBlankByte(text[e - 1]))
        --e;
    return text.substr(b, e - b);
}

// The general format through the double, for what the plain decimal text cannot give
// directly: more than 15 significant digits, exponents, unusual spellings.
void appendThroughDouble(std::string &out, std::string_view text, char point) {
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return;
    char buf[32];
    const auto written =
        std::to_chars(buf, buf + sizeof buf, value == 0 ? 0.0 : value, std::chars_format::general, 15);
    for (const char *p = buf; p != written.ptr; ++p)
        out += *p == '.' ? point : *p;
}

void appendPadded(std::string &out, int value, int width) {
    char buf[8];
    int n = 0;
    do {
        buf[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value > 0 && n < 8);
    for (int i = n; i < width; ++i)
        out += '0';
    while (n > 0)
        out += buf[--n];
}

int digitsValue(std::string_view s) {
    int v = 0;
    for (const char c : s)
        v = v * 10 + (c - '0');
    return v;
}

} // namespace

void AppendQuoted(std::string &line, std::string_view text, bool first) {
    if (!first)
        line += ',';
    line += '"';
    text = trimmed(text);
    while (!text.empty()) {
        const void *quote = std::memchr(text.data(), '"', text.size());
        if (!quote) {
            line.append(text);
            break;
        }
        const auto n = static_cast<std::size_t>(static_cast<const char *>(quote) - text.data());
        line.append(text.substr(0, n + 1));
        line += '"';
        text.remove_prefix(n + 1);
    }
    line += '"';
}

void AppendGeneralNumber(std::string &out, std::string_view stored, char point) {
    const std::string_view t = trimmed(stored);
    if (t.empty())
        return;
    std::size_t i = 0;
    const bool negative = t[0] == '-';
    if (t[0] == '-' || t[0] == '+')
        ++i;
    std::size_t intBegin = i;
    while (i < t.size() && isDigit(t[i]))
        ++i;
    const std::size_t intEnd = i;
    std::size_t fracBegin = i, fracEnd = i;
    if (i < t.size() && t[i] == '.') {
        fracBegin = ++i;
        while (i < t.size() && isDigit(t[i]))
            ++i;
        fracEnd = i;
    }
    if (i != t.size() || (intBegin == intEnd && fracBegin == fracEnd)) {
        appendThroughDouble(out, t, point);
        return;
    }
    while (intBegin < intEnd && t[intBegin] == '0')
        ++intBegin;
    while (fracEnd > fracBegin && t[fracEnd - 1] == '0')
        --fracEnd;
    const std::size_t intDigits = intEnd - intBegin, fracDigits = fracEnd - fracBegin;
    if (intDigits == 0 && fracDigits == 0) {
        out += '0';
        return;
    }
    // Up to 15 significant digits and an exponent from -4 to 14: %.15g writes the decimal
    // digits as they are.
    std::size_t significant = intDigits + fracDigits;
    if (intDigits == 0) {
        std::size_t zeros = 0;
        while (t[fracBegin + zeros] == '0')
            ++zeros;
        if (zeros >= 4) {
            appendThroughDouble(out, t, point);
            return;
        }
        significant -= zeros;
    }
    if (significant > 15) {
        appendThroughDouble(out, t, point);
        return;
    }
    if (negative)
        out += '-';
    if (intDigits > 0)
        out.append(t.substr(intBegin, intDigits));
    else
        out += '0';
    if (fracDigits > 0) {
        out += point;
        out.append(t.substr(fracBegin, fracDigits));
    }
}

DateWriter::DateWriter(const QString &pattern, char separator) {
    for (qsizetype i = 0; i < pattern.size();) {
        const QChar c = pattern[i];
        qsizetype run = 1;
        while (i + run < pattern.size() && pattern[i + run] == c)
            ++run;
        const char what = c == u'd' ? 'd' : c == u'm' ? 'm' : c == u'y' ? 'y' : separator;
        if (what == 'y')
            m_parts.push_back({what, run <= 2 ? 2 : 4});
        else if (what == separator)
            for (qsizetype k = 0; k < run; ++k)
                m_parts.push_back({what, 1});
        else
            m_parts.push_back({what, static_cast<int>(run)});
        i += run;
    }
}

void DateWriter::append(std::string &out, std::string_view stored) const {
    if (stored.size() != 8)
        return;
    for (const char c : stored)
        if (!isDigit(c))
            return;
    const int year = digitsValue(stored.substr(0, 4));
    const int month = digitsValue(stored.substr(4, 2));
    const int day = digitsValue(stored.substr(6, 2));
    if (!QDate::isValid(year, month, day))
        return;
    for (const Part &part : m_parts) {
        switch (part.what) {
        case 'd':
            appendPadded(out, day, part.width);
            break;
        case 'm':
            appendPadded(out, month, part.width);
            break;
        case 'y':
            appendPadded(out, part.width == 2 ? year % 100 : year, part.width);
            break;
        default:
            out += part.what;
        }
    }
}

LineWriter::LineWriter(const RecordLayout &layout, const std::vector<ExportColumn> &columns,
                       char decimalPoint, DateWriter dates)
    : m_layout(layout), m_point(decimalPoint), m_dates(std::move(dates)) {
    for (const ExportColumn &c : columns) {
        const db::FieldDef &f = layout.fields()[static_cast<std::size_t>(c.tableField)];
        Kind kind = Kind::Other;
        if (f.type == 'C')
            kind = Kind::Character;
        else if (f.type == 'N' || f.type == 'F')
            kind = Kind::Number;
        else if (f.type == 'D')
            kind = Kind::Date;
        m_columns.push_back({c.tableField, kind, f.offset, f.length});
    }
}

void LineWriter::appendRecord(std::string &out, const RecordView &record) const {
    std::string value;
    bool first = true;
    for (const Column &c : m_columns) {
        const std::string_view raw(record.buffer() + c.offset, static_cast<std::size_t>(c.length));
        switch (c.kind) {
        case Kind::Character:
            AppendQuoted(out, raw, first);
            break;
        case Kind::Number:
            value.clear();
            AppendGeneralNumber(value, raw, m_point);
            AppendQuoted(out, value, first);
            break;
        case Kind::Date:
            value.clear();
            m_dates.append(value, raw);
            AppendQuoted(out, value, first);
            break;
        case Kind::Other: {
            // Types an inventory file does not hold (a logical, say): the data set's text,
            // back in the table's code page it came from.
            value.clear();
            QChar bad;
            if (!m_layout.encode(record.text(c.field), value, bad))
                value.clear();
            AppendQuoted(out, value, first);
            break;
        }
        }
        first = false;
    }
    out.append(kLineEnd);
}

std::string JoinedLine(const std::vector<std::string> &texts) {
    std::string line;
    bool first = true;
    for (const std::string &t : texts) {
        AppendQuoted(line, t, first);
        first = false;
    }
    line.append(kLineEnd);
    return line;
}

} // namespace exporting
