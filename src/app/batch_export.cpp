#include "app/batch_export.h"

#include "app/batch_search.h"
#include "core/prompter.h"
#include "db/inventory_file.h"
#include "db/my_table.h"
#include "db/sort_expression.h"
#include "interchange/export_run.h"
#include "settings/date_format.h"
#include "settings/regional.h"
#include "settings/settings.h"

#include <stdexcept>

namespace {

struct ExportOptions {
    QString file;
    QString target;
    std::optional<exporting::Format> format;
    std::optional<QStringList> fields;
    bool titles = true;
};

[[noreturn]] void usage(const std::string &what) {
    throw std::invalid_argument(what);
}

ExportOptions parseExport(const QStringList &args) {
    ExportOptions o;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        const auto chooseFormat = [&](exporting::Format format) {
            if (o.format && *o.format != format)
                usage("export takes one of --text and --dbf");
            o.format = format;
        };
        if (a == u"--text") {
            chooseFormat(exporting::Format::Text);
        } else if (a == u"--dbf") {
            chooseFormat(exporting::Format::DBase);
        } else if (a == u"--no-titles") {
            o.titles = false;
        } else if (a == u"--fields") {
            if (i + 1 >= args.size())
                usage("--fields needs a list of field keys");
            o.fields = args[++i].split(u',', Qt::SkipEmptyParts);
        } else if (o.file.isEmpty()) {
            o.file = a;
        } else if (o.target.isEmpty()) {
            o.target = a;
        } else {
            usage("export takes an inventory file and an output file");
        }
    }
    if (o.target.isEmpty())
        usage("export needs an inventory file and an output file");
    if (!o.format)
        usage("export needs one of --text and --dbf");
    return o;
}

// The listed fields by key (any letter case) or number, in the order given.
std::vector<exporting::ExportColumn> listedColumns(const QStringList &keys,
                                                   const RecordLayout &layout) {
    std::vector<exporting::ExportColumn> columns;
    for (const QString &key : keys) {
        bool isNumber = false;
        const int number = key.toInt(&isNumber);
        int index = -1;
        for (const CatalogueField &f : kCatalogue)
            if (isNumber ? f.number == number
                         : key.compare(QLatin1StringView(f.key.data(),
                                                         static_cast<qsizetype>(f.key.size())),
                                       Qt::CaseInsensitive) == 0)
                index = f.number - 1;
        if (index < 0)
            usage("--fields: no field " + key.toStdString());
        const std::string_view name = kCatalogue[static_cast<std::size_t>(index)].key;
        const int column =
            layout.indexOf(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
        if (column >= 0)
            columns.push_back({column, index});
    }
    return columns;
}

} // namespace

bool IsBatchExportOption(const QString &argument, bool &takesValue) {
    takesValue = argument == u"--fields";
    return takesValue || argument == u"--text" || argument == u"--dbf" ||
           argument == u"--no-titles";
}

int BatchExport(const QStringList &arguments, const std::vector<search::LevelSpec> &levels,
                const Settings &settings, Prompter &prompter, std::FILE *out) {
    const ExportOptions o = parseExport(arguments);
    // The formats the program applies at start-up.
    (void)ApplyDateFormat(settings.dateFormat, settings.dateLeadingZeros);
    ReadRegionalValues();
    if (!CheckDBaseFormat(o.file, prompter))
        return 1;
    MyTable table;
    table.setIndexName(QString::fromLatin1(kSortIndexTag));
    table.open(o.file, MyTable::OpenMode::ReadOnly);
    if (!batch::PutSearchInForce(table, levels, prompter))
        return 1;

    exporting::Request request;
    request.format = *o.format;
    request.target = o.target;
    request.entire = levels.empty();
    request.titles = o.titles;
    request.columns = o.fields ? listedColumns(*o.fields, table.layout())
                               : exporting::CalcIndexOrder(settings, table.layout());
    if (request.columns.empty()) {
        prompter.error(exporting::kNoFieldsSelected);
        return 1;
    }
    batch::WindowlessHooks hooks(QString::fromStdString(BuildSortString(settings.sortLevels)));
    std::int64_t written = 0;
    const exporting::Outcome outcome =
        exporting::RunExport({table, hooks, !levels.empty()}, settings, request, prompter,
                             [&written](std::int64_t done, std::int64_t) { written = done; });
    if (outcome != exporting::Outcome::Done)
        return 1;
    const std::string line = "exported " + std::to_string(written) +
                             (written == 1 ? " record to " : " records to ") +
                             o.target.toStdString() + "\n";
    std::fwrite(line.data(), 1, line.size(), out);
    return 0;
}
