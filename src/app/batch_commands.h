#pragma once

#include "app/batch_usage.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstdio>

class MyTable;

// The commands of stowkeep-batch: the program's data operations without a window, on the
// same code as the windows. `arguments` excludes the program name. Output goes to `out`,
// messages and errors to `err`; returns the process exit status (0 success, 1 the operation
// failed, 2 the command line was wrong). "--help" prints the usage of the command named
// beside it, or of the whole program (batch_usage.h).
[[nodiscard]] int RunBatch(const QStringList &arguments, std::FILE *out, std::FILE *err);

// Writes the visible records of an open table in its current order, one line each as the
// `dump` command prints them (with the record number first when `recno`); returns how many.
std::int64_t WriteDumpLines(MyTable &table, bool recno, std::FILE *out);
