#include "search/search_replace.h"

#include "core/field_catalogue.h"
#include "core/main_hooks.h"
#include "core/prompter.h"
#include "db/engine/codepage.h"
#include "db/engine/db_error.h"
#include "db/inventory_file.h"
#include "db/my_table.h"
#include "db/record_view.h"
#include "search/search_criteria.h"
#include "settings/date_format.h"
#include "settings/format_helpers.h"

#include <QFileInfo>

#include <algorithm>
#include <cctype>
#include <charconv>

namespace replace {

std::variant<CheckedRequest, InputProblem> CheckInput(const Request &request) {
    const CatalogueField *f = catalogueField(request.fieldNumber);
    if (!f)
        return InputProblem{kNoFieldMessage, Focus::FieldBox};
    CheckedRequest checked;
    checked.fieldNumber = request.fieldNumber;
    checked.kind = f->kind;
    checked.confirmEach = request.confirmEach;
    const QString searchText = Trim(request.searchText);
    const QString replacementText = Trim(request.replacementText);
    switch (f->kind) {
    case 'N': {
        const std::optional<double> s = search::ReadDecimal(searchText);
        if (!s)
            return InputProblem{kInvalidSearchValue, Focus::SearchText};
        if (!search::ReadDecimal(replacementText))
            return InputProblem{kInvalidReplacementValue, Focus::ReplaceText};
        checked.searchNumber = *s;
        checked.replacement = replacementText;
        break;
    }
    case 'D': {
        const auto readDate = [](const QString &t) -> std::optional<QDate> {
            if (search::IsEmptyDateText(t))
                return std::nullopt;
            const ParsedDate parsed = TextToDate(t);
            if (!parsed.isValid())
                return std::nullopt;
            return parsed.date;
        };
        const std::optional<QDate> s = readDate(searchText);
        if (!s)
            return InputProblem{kInvalidSearchDate, Focus::SearchText};
        const std::optional<QDate> r = readDate(replacementText);
        if (!r)
            return InputProblem{kInvalidReplacementDate, Focus::ReplaceText};
        checked.searchDay = search::DayNumber(*s);
        checked.replacementDate = *r;
        break;
    }
    default:
        checked.searchUpper = UpperCopy(searchText, static_cast<int>(searchText.size()));
        checked.replacement = replacementText;
        break;
    }
    return checked;
}

QString ConfirmQuestion(const QString &item) {
    return QStringLiteral("Item = ") + u'"' + item + u'"' +
           QStringLiteral(".  Change this record?");
}

QString FailedMessage(std::int64_t changed, const QString &engineText) {
    return QStringLiteral("Search and replace was stopped by an error after %1 %2 changed.  ")
               .arg(changed)
               .arg(changed == 1 ? QStringLiteral("record was") : QStringLiteral("records were")) +
           engineText;
}

namespace {

int columnOf(const std::vector<db::FieldDef> &fields, std::string_view key) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::string &name = fields[i].name;
        if (name.size() == key.size() &&
            std::equal(name.begin(), name.end(), key.begin(), [](char a, char b) {
                return std::toupper(static_cast<unsigned char>(a)) ==
                       std::toupper(static_cast<unsigned char>(b));
            }))
            return static_cast<int>(i);
    }
    return -1;
}

std::string_view withoutTrailingBlanks(std::string_view bytes) {
    std::size_t e = bytes.size();
    while (e > 0 && (bytes[e - 1] == ' ' || bytes[e - 1] == '\0'))
        --e;
    return bytes.substr(0, e);
}

QString decode(const db::CodePage &page, std::string_view bytes) {
    return QString::fromStdString(page.toUtf8(bytes));
}

// A number field's value as the data set reads it: blank or unreadable is 0.
double storedNumber(std::string_view stored) {
    const std::string_view t = field_codec::trimmed(stored);
    const char *begin = t.data();
    if (!t.empty() && *begin == '+')
        ++begin;
    double value = 0;
    const auto result = std::from_chars(begin, t.data() + t.size(), value);
    return result.ec == std::errc() ? value : 0.0;
}

// The replacement as the field stores it.
std::string storedReplacement(const db::FieldDef &f, const db::CodePage &page,
                              const CheckedRequest &request) {
    switch (request.kind) {
    case 'N':
        return field_codec::numberTextToStorage(f, request.replacement);
    case 'D':
        return field_codec::dateToStorage(request.replacementDate);
    default: {
        const QByteArray utf8 = request.replacement.left(f.length).toUtf8();
        db::EncodeResult r = page.fromUtf8(std::string_view(utf8.constData(), utf8.size()));
        if (!r.ok)
            throw db::DbError("The replacement text cannot be stored in field " + f.name +
                              ": the table's code page " + std::to_string(page.number()) +
                              " has no such character.");
        std::string bytes = std::move(r.bytes);
        bytes.resize(static_cast<std::size_t>(f.length), ' ');
        return bytes;
    }
    }
}

// Whole-value, case-insensitive equality of a character field with the upper-cased search.
class TextMatch {
public:
    TextMatch(const db::CodePage &page, const QString &upper) : m_page(page), m_upper(upper) {
        const QByteArray latin = upper.toLatin1();
        m_asciiOk = QString::fromLatin1(latin) == upper &&
                    std::all_of(latin.begin(), latin.end(),
                                [](char c) { return static_cast<unsigned char>(c) < 0x80; });
        m_ascii.assign(latin.constData(), static_cast<std::size_t>(latin.size()));
    }

    bool operator()(std::string_view stored) const {
        const std::string_view t = withoutTrailingBlanks(stored);
        const bool ascii = std::all_of(t.begin(), t.end(),
                                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
        if (ascii && m_asciiOk) {
            if (t.size() != m_ascii.size())
                return false;
            for (std::size_t i = 0; i < t.size(); ++i) {
                const char c = t[i] >= 'a' && t[i] <= 'z' ? static_cast<char>(t[i] - 32) : t[i];
                if (c != m_ascii[i])
                    return false;
            }
            return true;
        }
        QString text = decode(m_page, t);
        for (QChar &c : text)
            c = c.toUpper();
        return text == m_upper;
    }

private:
    const db::CodePage &m_page;
    QString m_upper;
    std::string m_ascii;
    bool m_asciiOk = false;
};

} // namespace

void Sweep(dataset::TableBackend &table, const CheckedRequest &request, SweepObserver &observer,
           Counters &counters) {
    const std::vector<db::FieldDef> &fields = table.fields();
    const CatalogueField *cf = catalogueField(request.fieldNumber);
    const int column = cf ? columnOf(fields, cf->key) : -1;
    if (column < 0)
        throw db::DbError(table.path(), "the table has no field for the chosen field");
    const int itemColumn = columnOf(fields, kCatalogue[field::Item].key);
    const db::FieldDef &f = fields[static_cast<std::size_t>(column)];
    const db::CodePage &page = db::CodePage::get(table.codePage());
    const std::string replacement = storedReplacement(f, page, request);
    const TextMatch textMatch(page, request.searchUpper);
    const std::size_t length = static_cast<std::size_t>(table.recordLength());
    const std::size_t offset = static_cast<std::size_t>(f.offset);

    std::string buffer;
    const std::uint32_t total = table.recordCount();
    for (std::uint32_t r = 1; r <= total; ++r) {
        const char *record = table.sequentialRecord(r);
        if (record[0] == '*')
            continue;
        const std::string_view stored(record + offset, static_cast<std::size_t>(f.length));
        bool match;
        switch (request.kind) {
        case 'N': {
            match = storedNumber(stored) == request.searchNumber;
            break;
        }
        case 'D':
            match = search::DayNumber(field_codec::dateFromStorage(stored)) == request.searchDay;
            break;
        default:
            match = textMatch(stored);
            break;
        }
        if (match) {
            bool change = true;
            if (request.confirmEach) {
                QString item;
                if (itemColumn >= 0) {
                    const db::FieldDef &itemField = fields[static_cast<std::size_t>(itemColumn)];
                    item = decode(page, withoutTrailingBlanks(std::string_view(
                                            record + itemField.offset,
                                            static_cast<std::size_t>(itemField.length))));
                }
                buffer.assign(record, length); // the question may take a while; keep the bytes
                change = observer.confirm(ConfirmQuestion(item));
                record = buffer.data();
            }
            ++counters.found;
            if (change) {
                if (std::string_view(record + offset, replacement.size()) != replacement) {
                    if (record != buffer.data())
                        buffer.assign(record, length);
                    buffer.replace(offset, replacement.size(), replacement);
                    table.update(r, buffer.data());
                }
                ++counters.changed;
            }
        }
        ++counters.processed;
        observer.progress(counters);
    }
}

namespace {

bool hasTag(const MyTable &table, const char *tag) {
    const QStringList tags = table.tagNames();
    return std::any_of(tags.begin(), tags.end(), [tag](const QString &t) {
        return t.compare(QLatin1StringView(tag), Qt::CaseInsensitive) == 0;
    });
}

} // namespace

Outcome Run(MyTable &table, MainHooks &hooks, Prompter &prompter, const CheckedRequest &request,
            SweepObserver &observer, Counters &counters) {
    const QString path = table.path();
    const QString sortTag = table.indexName();
    const QString expression = hooks.sortExpression();
    // Ending a search opens the data set again in shared use, so it comes before the
    // exclusive open rather than after it.
    const bool searchWasOn = table.isFiltered();
    if (searchWasOn)
        hooks.endSearch();
    const auto reopenShared = [&](const QString &tag) {
        table.close();
        table.setIndexName(tag);
        table.open(path, MyTable::OpenMode::Shared);
        hooks.setViewerOptions();
        if (searchWasOn)
            hooks.enableEndSearch();
    };

    table.close();
    if (DBaseInUse(path)) {
        prompter.error(kExclusiveRefused);
        reopenShared(sortTag);
        return Outcome::Refused;
    }
    counters = Counters{};
    try {
        table.setIndexName(QString());
        table.open(path, MyTable::OpenMode::Exclusive);
        if (QFileInfo::exists(InventoryNamesOf(path).mdxPath) && hasTag(table, kSortIndexTag))
            table.deleteIndex(QString::fromLatin1(kSortIndexTag));
    } catch (const db::DbError &) {
        prompter.error(kAborted);
        reopenShared(sortTag);
        return Outcome::Aborted;
    }
    hooks.setViewerOptions();

    std::optional<QString> failure;
    try {
        Sweep(*table.backend(), request, observer, counters);
    } catch (const db::DbError &e) {
        failure = QString::fromUtf8(e.what());
    }

    // The sort index comes back whatever happened in the sweep: the records are all whole
    // (each change is one record write), only some may not have been changed.
    QString newTag = expression.isEmpty() ? QString() : QString::fromLatin1(kSortIndexTag);
    try {
        if (!table.isOpen())
            table.open(path, MyTable::OpenMode::Exclusive);
        if (!expression.isEmpty() && !hasTag(table, kSortIndexTag))
            table.addIndex(newTag, expression);
    } catch (const db::DbError &e) {
        // Without its sort index the file still opens (in record order), and the next open
        // of the inventory builds the index again.
        if (!failure)
            failure = QString::fromUtf8(e.what());
        newTag.clear();
    }
    try {
        reopenShared(newTag);
    } catch (const db::DbError &e) {
        if (!failure)
            failure = QString::fromUtf8(e.what());
    }
    if (failure) {
        prompter.error(FailedMessage(counters.changed, *failure));
        return Outcome::Failed;
    }
    prompter.message(kFinishedTitle, kComplete, Prompter::Ok, Prompter::Ok,
                     Prompter::Icon::Information);
    return Outcome::Done;
}

} // namespace replace
