#pragma once

#include "interchange/export_fields.h"
#include "interchange/export_target.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

class MainHooks;
class MyTable;
class Prompter;
struct Settings;

// Writing the records of the main window's table to a new file, as the export window
// starts it and the batch tool runs it.
namespace exporting {

inline const QString kNoFieldsSelected = QStringLiteral("No fields selected for export.");
inline const QString kExportComplete = QStringLiteral("Export Complete.");
// The title of the box that says so.
inline const QString kCompleteTitle = QStringLiteral("Ok");

// Told the records written so far and the records to write (the gauge's range).
using Progress = std::function<void(std::int64_t done, std::int64_t total)>;

// What is exported and where.
struct Request {
    Format format = Format::Text;
    QString target;
    // The whole inventory file rather than the records of the search in force.
    bool entire = true;
    // A text export's first line of field titles.
    bool titles = true;
    std::vector<ExportColumn> columns;
};

// The main window's side of an export: its table, whether a search is in force, and the
// hooks that end the search and put it back.
struct Source {
    MyTable &table;
    MainHooks &hooks;
    bool searchInForce = false;
};

enum class Outcome { Done, Refused, Failed };

// Checks the target (TargetProblem), writes the records of the table in its current order
// (every record when `entire`, the search in force being suspended and put back afterwards;
// otherwise the visible ones) beside the target, and renames the result into place, then
// says "Export Complete.". A refusal or a failure is shown as an error; the target is then
// as it was. `settings` gives the title line's names.
Outcome RunExport(const Source &source, const Settings &settings, const Request &request,
                  Prompter &prompter, const Progress &progress = {});

// The title line's text of each listed field: its display name when the viewer shows the
// field, otherwise the table's own name for it.
[[nodiscard]] QStringList FieldTitles(const Settings &settings, const MyTable &table,
                                      const std::vector<ExportColumn> &columns);

} // namespace exporting
