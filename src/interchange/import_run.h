#pragma once

#include "interchange/delimited_reader.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <vector>

class MyTable;

// The import itself: records read from an ASCII delimited text file or a dBASE table and
// added to the open inventory file. The records are added in bulk (MyTable::bulkInsert):
// written in large pieces, with the sort index built once at the end. When an import fails
// part-way (an ImportError or a db::DbError), the records read before the failure stay in
// the inventory file with their index keys.
namespace importing {

// The running count, after each record added.
using Progress = std::function<void(std::int64_t count)>;

struct ImportOutcome {
    std::int64_t count = 0;              // records added
    std::int64_t replacedCharacters = 0; // characters stored as "?" (dBASE sources)
    bool memoFileMissing = false;        // a dBASE source's memos were read as empty
};

// The first line of a text file (for the chooser's check) and its field names as the
// matching dialog shows them: UTF-8 text in a file that starts with the UTF-8 byte order
// mark, else text in the inventory's code page `codePage`. ImportError when it cannot be read.
struct TextFirstLine {
    delimited::FirstLine::Problem problem = delimited::FirstLine::None;
    QStringList names;
};
[[nodiscard]] TextFirstLine ReadFirstLine(const QString &path, int codePage);
// The message shown when the first line has a problem (1 to 3).
[[nodiscard]] QString FirstLineMessage(delimited::FirstLine::Problem problem);

// True when the last four characters of the name, upper-cased, are ".DBF".
[[nodiscard]] bool IsDbfFileName(const QString &path);
inline const QString kInvalidFileType = QStringLiteral("Invalid file type selected.");
inline const QString kImportComplete = QStringLiteral("Import Complete.");

// A text file: `map` has one entry per import field (catalogue index or -1). With
// `skipFirst` the first line is read and not imported.
ImportOutcome ImportText(MyTable &table, const QString &path, const std::vector<int> &map,
                         bool skipFirst, const Progress &progress = {});
// A dBASE table: `map` has one entry per source field.
ImportOutcome ImportDbf(MyTable &table, const QString &path, const std::vector<int> &map,
                        const Progress &progress = {});

// The note shown after an import that had to replace characters; empty when none were.
[[nodiscard]] QString ReplacedCharactersNote(std::int64_t replaced);
// The notes shown after an import, each once: characters replaced, a missing memo file.
[[nodiscard]] QStringList ImportNotes(const ImportOutcome &outcome);

} // namespace importing
