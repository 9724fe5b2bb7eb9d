#include "db/conversion.h"

#include "core/case_insensitive_path.h"
#include "core/prompter.h"
#include "db/engine/db_error.h"
#include "db/engine/dbf_table.h"
#include "db/inventory_file.h"
#include "db/inventory_names.h"
#include "db/my_table.h"
#include "db/record_view.h"
#include "settings/date_format.h"

#include <QFile>
#include <QFileInfo>

namespace conversion {
namespace {

constexpr int kNameLength = 10;

// The old field names and the new field keys they go to; "" for the version 1 date parts,
// which are combined into one field.
struct Mapping {
    const char *oldName;
    const char *newKey;
};

constexpr std::array<Mapping, 18> kVersion2Mapping{{
    {"Item", "Item"},
    {"Brand", "Brand"},
    {"Model", "Model"},
    {"Serial", "Serial"},
    {"Location", "Location"},
    {"Description", "Descriptio"},
    {"BoughtFrom", "BoughtFrom"},
    {"IDMarks", "IDMarks"},
    {"Quantity", "Quantity"},
    {"PurchDate", "PurchDate"},
    {"Cost", "Cost"},
    {"Category", "Category"},
    {"RepCost", "RepCost"},
    {"Warranty", "Warranty"},
    {"WarDate", "WarDate"},
    {"WarNotes", "WarNotes"},
    {"Owner", "Owner"},
    {"Value", "Value"},
}};

constexpr std::array<Mapping, 11> kVersion1Mapping{{
    {"Item", "Item"},
    {"Brand", "Brand"},
    {"Model", "Model"},
    {"Serial", "Serial"},
    {"Room", "Location"},
    {"Description", "Descriptio"},
    {"BoughtFrom", "BoughtFrom"},
    {"IDMarks", "IDMarks"},
    {"Quantity", "Quantity"},
    {"Cost", "Cost"},
    {"Category", "Category"},
}};

constexpr std::array<const char *, 12> kMonths{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

QStringList namesOf(std::initializer_list<const char *> names) {
    QStringList list;
    for (const char *n : names)
        list << QString::fromLatin1(n);
    return list;
}

bool isNumberType(char type) {
    return type == 'N' || type == 'F';
}

// The text form of an old field: character fields without trailing blanks, numbers in
// general format (a day stored as 7.00 reads 7), dates as the current short date.
QString oldText(const db::DbfTable &old, std::string_view record, int field) {
    const char type = old.field(field).type;
    if (isNumberType(type)) {
        const std::optional<double> value = old.number(record, field);
        return value ? QString::number(*value, 'g', 15) : QString();
    }
    if (type == 'D') {
        const std::optional<std::string> date = old.date(record, field);
        return date ? DateToText(field_codec::dateFromStorage(*date)) : QString();
    }
    return QString::fromStdString(old.textUtf8(record, field));
}

// Carries one old field into the new record. Dates and numbers go as values where both
// sides hold them, text otherwise. False when the value could not be stored.
bool carry(const db::DbfTable &old, std::string_view record, int from, MyTable &table, int to) {
    const char fromType = old.field(from).type;
    const char toType = table.layout().fields()[static_cast<std::size_t>(to)].type;
    try {
        if (fromType == 'D' && toType == 'D') {
            const std::optional<std::string> date = old.date(record, from);
            table.setDate(to, date ? field_codec::dateFromStorage(*date) : QDate());
        } else if (isNumberType(fromType) && isNumberType(toType)) {
            const std::optional<std::string> decimal = old.decimalText(record, from);
            table.setText(to, decimal ? QString::fromStdString(*decimal) : QString());
        } else {
            QString text = oldText(old, record, from);
            if (isNumberType(toType))
                text = text.trimmed();
            table.setText(to, text);
        }
        return true;
    } catch (const db::DbError &) {
        return false;
    }
}

int requireField(const db::DbfTable &old, const char *name) {
    const int index = old.fieldIndex(std::string_view(name).substr(0, kNameLength));
    if (index < 0)
        throw db::DbError(old.path(), std::string("has no field ") + name);
    return index;
}

int requireNewField(MyTable &table, const char *key) {
    const int index = table.fieldIndex(QString::fromLatin1(key));
    if (index < 0)
        throw db::DbError(table.path().toStdString(), std::string("has no field ") + key);
    return index;
}

bool checkFormat(const QString &path, const QStringList &expected) {
    const InventoryNames names = InventoryNamesOf(path);
    if (!QFileInfo::exists(ProductionIndexPath(names.path)))
        RemoveMDXByte(names.path);
    const db::DbfTable check(QFile::encodeName(names.path).toStdString(), db::OpenMode::ReadOnly);
    if (check.fieldCount() != expected.size() + 1)
        return false;
    for (int i = 1; i < check.fieldCount(); ++i) {
        const QString name = QString::fromStdString(check.field(i).name).toUpper();
        if (name != expected[i - 1].left(kNameLength).toUpper())
            return false;
    }
    return true;
}

// The short date format in force, put back when the conversion ends whichever way.
class DateFormatGuard {
public:
    DateFormatGuard() : m_format(CurrentDateFormat()), m_leadingZeros(CurrentDateLeadingZeros()) {}
    ~DateFormatGuard() {
        if (m_format == 0 || !ApplyDateFormat(m_format, m_leadingZeros))
            ResetDateFormat();
    }
    DateFormatGuard(const DateFormatGuard &) = delete;
    DateFormatGuard &operator=(const DateFormatGuard &) = delete;

private:
    int m_format;
    bool m_leadingZeros;
};

template <std::size_t N>
Converted convert(const QString &path, MyTable &table, const std::array<Mapping, N> &mapping,
                  bool version1) {
    const db::DbfTable old(QFile::encodeName(QFileInfo(path).absoluteFilePath()).toStdString(),
                           db::OpenMode::ReadOnly);
    std::vector<std::pair<int, int>> fields;
    for (const Mapping &m : mapping)
        fields.emplace_back(requireField(old, m.oldName), requireNewField(table, m.newKey));
    int day = -1, month = -1, year = -1, purchDate = -1;
    if (version1) {
        day = requireField(old, "PurchDay");
        month = requireField(old, "PurchMonth");
        year = requireField(old, "PurchYear");
        purchDate = requireNewField(table, "PurchDate");
    }

    Converted result;
    std::string record;
    for (std::uint32_t r = 1; r <= old.recordCount(); ++r) {
        old.readRecord(r, record);
        if (db::DbfTable::isDeleted(record))
            continue;
        table.insert();
        for (const auto &[from, to] : fields)
            if (!carry(old, record, from, table, to))
                ++result.unreadable;
        if (version1) {
            const QString text = Version1DateText(
                oldText(old, record, day), oldText(old, record, month), oldText(old, record, year));
            // Month, day, year with "/" whatever format the user chose.
            bool ok = false;
            QDate date;
            {
                DateFormatGuard guard;
                ApplyDateFormat(1, false);
                const ParsedDate parsed = TextToDate(text);
                ok = parsed.isValid();
                date = parsed.date;
            }
            if (ok)
                table.setDate(purchDate, date);
            else
                ++result.unreadable;
        }
        table.post();
        ++result.records;
    }
    return result;
}

void offer(const QString &directory, const QString &fileName, const QString &version,
           bool (*check)(const QString &), Converted (*run)(const QString &, MyTable &),
           MyTable &table, Prompter &prompter) {
    const std::optional<QString> path = findCaseInsensitive(directory, fileName);
    if (!path || !QFileInfo(*path).isFile() || !check(*path))
        return;
    if (prompter.message(QStringLiteral("Convert"), ConvertQuestion(version, fileName),
                         Prompter::Yes | Prompter::No, Prompter::Yes,
                         Prompter::Icon::Question) != Prompter::Yes)
        return;
    const Converted converted = run(*path, table);
    QFile::remove(*path);
    if (converted.unreadable > 0)
        prompter.message(QStringLiteral("Notice"), kUnreadableNotice.arg(converted.unreadable),
                         Prompter::Ok, Prompter::Ok, Prompter::Icon::Information);
}

} // namespace

const QStringList &Version2Names() {
    static const QStringList names =
        namesOf({"Item", "Brand", "Model", "Serial", "Location", "Description", "BoughtFrom",
                 "IDMarks", "Quantity", "PurchDate", "Cost", "Category", "RepCost", "Warranty",
                 "WarDate", "WarNotes", "Owner", "Value"});
    return names;
}

const QStringList &Version1Names() {
    static const QStringList names =
        namesOf({"Item", "Brand", "Model", "Serial", "Room", "Description", "BoughtFrom", "IDMarks",
                 "Quantity", "PurchDay", "PurchMonth", "PurchYear", "Cost", "Category"});
    return names;
}

QString ConvertQuestion(const QString &version, const QString &fileName) {
    return QStringLiteral("A database from a previous version (") + version +
           QStringLiteral(") has been detected.  Would you like to convert it now?  NOTE: After "
                          "conversion the old file will be deleted.  You may wish to make a "
                          "copy of \"") +
           fileName + QStringLiteral("\" first.");
}

std::optional<int> MonthNumber(const QString &monthText) {
    const QString head = monthText.left(4);
    for (std::size_t i = 0; i < kMonths.size(); ++i)
        if (head == QLatin1StringView(kMonths[i]))
            return static_cast<int>(i) + 1;
    return std::nullopt;
}

QString Version1DateText(const QString &day, const QString &month, const QString &year) {
    QString m = month.left(4);
    if (const std::optional<int> number = MonthNumber(m))
        m = QString::number(*number);
    return m + u'/' + day.left(4) + u'/' + year.left(4);
}

bool CheckDBaseFormatV2(const QString &path) {
    return checkFormat(path, Version2Names());
}
bool CheckDBaseFormatV1(const QString &path) {
    return checkFormat(path, Version1Names());
}

Converted ConvertV2(const QString &path, MyTable &table) {
    return convert(path, table, kVersion2Mapping, false);
}

Converted ConvertV1(const QString &path, MyTable &table) {
    return convert(path, table, kVersion1Mapping, true);
}

void CheckForConversion(const QString &programDirectory, MyTable &table, Prompter &prompter) {
    offer(programDirectory, kVersion2File, QStringLiteral("2.X"), &CheckDBaseFormatV2, &ConvertV2,
          table, prompter);
    offer(programDirectory, kVersion1File, QStringLiteral("1.X"), &CheckDBaseFormatV1, &ConvertV1,
          table, prompter);
}

} // namespace conversion
