#pragma once

#include "app/batch_usage.h"

#include <QString>
#include <QStringList>

#include <cstdio>

// The commands of stowkeep-batch: the program's data operations without a window, on the
// same code as the windows. `arguments` excludes the program name. Output goes to `out`,
// messages and errors to `err`; returns the process exit status (0 success, 1 the operation
// failed, 2 the command line was wrong). "--help" prints the usage of the command named
// beside it, or of the whole program (batch_usage.h).
[[nodiscard]] int RunBatch(const QStringList &arguments, std::FILE *out, std::FILE *err);
