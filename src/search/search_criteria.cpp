#include "search/search_criteria.h"

#include "settings/date_format.h"
#include "settings/format_helpers.h"

#include <cmath>

namespace search {

QString TooManyItemsMessage() {
    return QStringLiteral("More than ") + QString::number(kMaxItems) +
           QStringLiteral(" search items have been entered.  ") +
           QStringLiteral("This exceeds the maximum allowable.  Search criteria will be cleared.");
}

RowKind KindOf(int fieldNumber) {
    const CatalogueField *f = catalogueField(fieldNumber);
    if (f && f->kind == 'N')
        return RowKind::Number;
    if (f && f->kind == 'D')
        return RowKind::Date;
    return RowKind::Character;
}

bool HasValueList(int fieldNumber) {
    switch (fieldNumber - 1) {
    case field::Brand:
    case field::Location:
    case field::BoughtFrom:
    case field::Category:
    case field::Owner:
    case field::Warranty:
        return true;
    default:
        return false;
    }
}

bool HasOptionsButton(int fieldNumber) {
    return KindOf(fieldNumber) != RowKind::Character || HasValueList(fieldNumber);
}

QString CriterionMask(int fieldNumber, int comparison) {
    switch (KindOf(fieldNumber)) {
    case RowKind::Character: {
        const CatalogueField *f = catalogueField(fieldNumber);
        return QString(f ? f->entryLength : 0, u'c');
    }
    case RowKind::Number:
        switch (comparison) {
        case Greater:
            return QStringLiteral("\\> ccccccccc;1");
        case Less:
            return QStringLiteral("\\< ccccccccc;1");
        case Range:
            return QStringLiteral("\\> ccccccccc \\A\\ND \\< cccccccc");
        default:
            return QStringLiteral("= ccccccccc;1");
        }
    case RowKind::Date:
        switch (comparison) {
        case Greater:
            return QStringLiteral("\\> 99/99/0000;1");
        case Less:
            return QStringLiteral("\\< 99/99/0000;1");
        case Range:
            return QStringLiteral("\\> 99/99/0000 \\A\\ND \\< 99/99/0000;1");
        default:
            return QStringLiteral("= 99/99/0000;1");
        }
    }
    return {};
}

double DayNumber(const QDate &date) {
    static const qint64 kDayZero = QDate(1899, 12, 30).toJulianDay();
    return date.isValid() ? static_cast<double>(date.toJulianDay() - kDayZero) : 0.0;
}

std::optional<double> ReadDecimal(QStringView text) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    int digits = 0;
    while (i < n && text[i].isDigit() && text[i].unicode() < 128) {
        ++i;
        ++digits;
    }
    if (i < n && text[i] == u'.') {
        ++i;
        while (i < n && text[i].isDigit() && text[i].unicode() < 128) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return std::nullopt;
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        ++i;
        if (i < n && (text[i] == u'+' || text[i] == u'-'))
            ++i;
        int exponentDigits = 0;
        while (i < n && text[i].isDigit() && text[i].unicode() < 128) {
            ++i;
            ++exponentDigits;
        }
        if (exponentDigits == 0)
            return std::nullopt;
    }
    if (i != n)
        return std::nullopt;
    bool ok = false;
    const double value = text.toString().toDouble(&ok); // C locale: a full stop only
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

bool IsEmptyDateText(QStringView trimmed) {
    return trimmed.isEmpty() || trimmed == u"/  /" || trimmed == u"-  -" || trimmed == u".  .";
}

QString LevelOutcome::message() const {
    switch (kind) {
    case NoCriteria:
        return kNoCriteriaMessage;
    case Invalid:
        return kInvalidCriteriaMessage;
    case TooMany:
        return TooManyItemsMessage();
    case Saved:
        break;
    }
    return {};
}

SearchCriteria::SearchCriteria() {
    m_comparisons.fill(Equal);
}

int SearchCriteria::comparison(int row) const {
    return row >= 1 && row <= kRows ? m_comparisons[static_cast<std::size_t>(row - 1)] : Equal;
}

void SearchCriteria::setComparison(int row, int comparison) {
    if (row >= 1 && row <= kRows && comparison >= Equal && comparison <= Range)
        m_comparisons[static_cast<std::size_t>(row - 1)] = comparison;
}

void SearchCriteria::nextLevel() {
    if (m_level < kMaxLevels)
        ++m_level;
}

void SearchCriteria::clear() {
    m_items.clear();
    m_level = 1;
}

bool SearchCriteria::addItem(SearchItem item) {
    if (itemCount() >= kMaxItems)
        return false;
    m_items.push_back(std::move(item));
    return true;
}

namespace {

// Removes the first occurrence of `ch`.
QString removeFirst(QString text, QChar ch) {
    const qsizetype at = text.indexOf(ch);
    if (at >= 0)
        text.remove(at, 1);
    return text;
}

struct Value {
    bool empty = true;
    bool valid = true;
    double number = 0;
    double date = 0;
    QString typed;
};

Value readValue(const QString &text, bool isDate) {
    Value v;
    const QString t = Trim(text);
    if (isDate ? IsEmptyDateText(t) : t.isEmpty())
        return v;
    v.empty = false;
    v.typed = t;
    if (isDate) {
        const ParsedDate parsed = TextToDate(t);
        v.valid = parsed.isValid();
        if (v.valid) {
            v.date = DayNumber(parsed.date);
            v.typed = QString::number(static_cast<qint64>(v.date));
        }
    } else {
        const std::optional<double> n = ReadDecimal(t);
        v.valid = n.has_value();
        v.number = n.value_or(0);
    }
    return v;
}

SearchItem itemOf(int row, const Value &v, int comparison, bool isDate) {
    SearchItem item;
    item.fieldNumber = row;
    item.comparison = comparison;
    item.isDate = isDate;
    item.text = v.typed;
    item.number = v.number;
    item.date = v.date;
    return item;
}

} // namespace

SearchCriteria::RowResult SearchCriteria::saveRow(int row, const QString &cell) {
    const RowKind kind = KindOf(row);
    if (kind == RowKind::Character) {
        const QString t = Trim(cell);
        if (t.isEmpty())
            return RowResult::None;
        SearchItem item;
        item.fieldNumber = row;
        item.comparison = Contains;
        item.text = UpperCopy(t, kItemTextLength);
        return addItem(std::move(item)) ? RowResult::Added : RowResult::TooMany;
    }
    const bool isDate = kind == RowKind::Date;
    const int comparison = this->comparison(row);
    QString t = Trim(cell);
    if (comparison != Range) {
        const QChar sign = comparison == Greater ? u'>' : comparison == Less ? u'<' : u'=';
        const Value v = readValue(removeFirst(t, sign), isDate);
        if (v.empty)
            return RowResult::None;
        if (!v.valid)
            return RowResult::Invalid;
        return addItem(itemOf(row, v, comparison, isDate)) ? RowResult::Added : RowResult::TooMany;
    }
    t = Trim(removeFirst(removeFirst(t, u'<'), u'>'));
    const qsizetype at = t.indexOf(QStringLiteral("AND"));
    const Value low = readValue(at < 0 ? t : t.left(at), isDate);
    const Value high = readValue(at < 0 ? QString() : t.mid(at + 3), isDate);
    if (low.empty && high.empty)
        return RowResult::None;
    if (low.empty || high.empty || !low.valid || !high.valid)
        return RowResult::Invalid;
    if (!addItem(itemOf(row, low, Greater, isDate)) || !addItem(itemOf(row, high, Less, isDate)))
        return RowResult::TooMany;
    return RowResult::Added;
}

LevelOutcome SearchCriteria::saveFields(const std::array<QString, kRows> &cells) {
    const std::size_t start = m_items.size();
    for (int row = 1; row <= kRows; ++row) {
        switch (saveRow(row, cells[static_cast<std::size_t>(row - 1)])) {
        case RowResult::None:
        case RowResult::Added:
            break;
        case RowResult::Invalid:
            m_items.resize(start);
            return {LevelOutcome::Invalid, row};
        case RowResult::TooMany:
            clear();
            return {LevelOutcome::TooMany, row};
        }
    }
    if (m_items.size() == start)
        return {LevelOutcome::NoCriteria, 0};
    m_items.back().endOfLevel = true;
    return {LevelOutcome::Saved, 0};
}

} // namespace search
