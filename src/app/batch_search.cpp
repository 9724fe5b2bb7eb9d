#include "app/batch_search.h"

#include "app/batch_commands.h"
#include "core/field_catalogue.h"
#include "core/main_hooks.h"
#include "core/prompter.h"
#include "db/inventory_file.h"
#include "db/my_table.h"
#include "db/sort_expression.h"
#include "search/search_replace.h"
#include "settings/date_format.h"
#include "settings/settings.h"

#include <string>

namespace batch {

namespace {

void write(std::FILE *f, const std::string &s) {
    std::fwrite(s.data(), 1, s.size(), f);
}

int fieldNumberOf(const QString &text) {
    bool isNumber = false;
    const int n = text.toInt(&isNumber);
    if (isNumber)
        return catalogueField(n) ? n : 0;
    for (const CatalogueField &f : kCatalogue)
        if (text.compare(QLatin1StringView(f.key.data(), static_cast<qsizetype>(f.key.size())),
                         Qt::CaseInsensitive) == 0)
            return f.number;
    return 0;
}

} // namespace

bool PutSearchInForce(MyTable &table, const std::vector<search::LevelSpec> &levels,
                      Prompter &prompter) {
    if (levels.empty())
        return true;
    const search::BuiltSearch built = search::BuildSearch(levels);
    if (!built.test) {
        prompter.error(built.failure.message());
        return false;
    }
    table.setFilter(
        [test = *built.test](const RecordView &record) { return test.matches(record); });
    table.setFiltered(true);
    return true;
}

int Search(const QString &path, const std::vector<search::LevelSpec> &levels,
           const Settings &settings, Prompter &prompter, std::FILE *out, std::FILE *err) {
    (void)ApplyDateFormat(settings.dateFormat, settings.dateLeadingZeros);
    if (levels.empty()) {
        prompter.error(search::BuildSearch(levels).failure.message());
        return 1;
    }
    MyTable table;
    table.setIndexName(QString::fromLatin1(kSortIndexTag));
    table.open(path, MyTable::OpenMode::ReadOnly);
    if (!PutSearchInForce(table, levels, prompter))
        return 1;
    const std::int64_t count = WriteDumpLines(table, true, out);
    std::fflush(out);
    write(err, std::to_string(count) + (count == 1 ? " record matches\n" : " records match\n"));
    return 0;
}

int Replace(const QString &path, const QString &field, const QString &searchText,
            const QString &replacementText, const Settings &settings, Prompter &prompter,
            std::FILE *out) {
    (void)ApplyDateFormat(settings.dateFormat, settings.dateLeadingZeros);
    replace::Request request;
    request.fieldNumber = fieldNumberOf(field);
    request.searchText = searchText;
    request.replacementText = replacementText;
    const auto checked = replace::CheckInput(request);
    if (const auto *problem = std::get_if<replace::InputProblem>(&checked)) {
        prompter.error(problem->message);
        return 1;
    }
    // Opened the way the program opens it: shared, in its sort order.
    MyTable table;
    table.setIndexName(QString::fromLatin1(kSortIndexTag));
    table.open(path, MyTable::OpenMode::Shared);
    WindowlessHooks hooks(QString::fromStdString(BuildSortString(settings.sortLevels)));
    Unattended observer;
    replace::Counters counters;
    const replace::Outcome outcome = replace::Run(
        table, hooks, prompter, std::get<replace::CheckedRequest>(checked), observer, counters);
    write(out, "processed: " + std::to_string(counters.processed) +
                   "\nfound: " + std::to_string(counters.found) +
                   "\nchanged: " + std::to_string(counters.changed) + "\n");
    return outcome == replace::Outcome::Done ? 0 : 1;
}

} // namespace batch
