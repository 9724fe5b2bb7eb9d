#pragma once

#include <QString>
#include <QStringList>

#include <cstdio>

class Prompter;
struct Settings;

// The batch tool's import:
//   import FILE IN (--text | --dbf) [--map IMPORTNAME=KEY,...] [--no-skip-first]
// adds the records of IN, an ASCII delimited text file whose first line names its fields or
// a dBASE table, to the inventory file FILE, as the import window does. Without --map the
// import fields fill the program fields in their order (the window's starting grid); with it
// only the import fields named there are imported, each into the field of key KEY (the
// import names as the window lists them, "<BLANK FIELD>" included; every field of that name
// follows its entry). The first line of a text file is not imported unless
// --no-skip-first is given. Dates are read in the settings' date format. Messages go to the
// error stream; returns the exit status (0, 1 failed, 2 the command line was wrong).
int RunBatchImport(const QStringList &arguments, const Settings &settings, Prompter &prompter,
                   std::FILE *out, std::FILE *err);

// The options that belong to import: flags, and --map with its value.
[[nodiscard]] bool IsBatchImportFlag(const QString &argument);
[[nodiscard]] bool IsBatchImportValueOption(const QString &argument);
