#pragma once

#include "search/level_options.h"

#include <QString>
#include <QStringList>

#include <cstdio>

class Prompter;
struct Settings;

// stowkeep-batch export FILE OUT (--text | --dbf) [--fields KEY,KEY,...] [--no-titles]
//                       [--level KEY:TEXT ... as in search]
// Writes the records of the inventory FILE in its sort order to OUT, as the export window
// does: ASCII delimited text (with a first line of field titles unless --no-titles) or a
// dBASE table. The fields are those listed, or else the export fields and order of the
// settings; with --level only the matching records.

// Whether an argument is an option of the export command; `takesValue` tells whether the
// next argument belongs to it.
[[nodiscard]] bool IsBatchExportOption(const QString &argument, bool &takesValue);

// `arguments`: FILE, OUT and the export options. Returns the exit status; throws
// std::invalid_argument for a wrong command line.
int BatchExport(const QStringList &arguments, const std::vector<search::LevelSpec> &levels,
                const Settings &settings, Prompter &prompter, std::FILE *out);
