#pragma once

#include <QString>
#include <QStringList>

#include <cstdio>

// The commands of stowkeep-batch: the program's data operations without a window, on the
// same code as the windows. `arguments` excludes the program name. Output goes to `out`,
// messages and errors to `err`; returns the process exit status (0 success, 1 the operation
// failed, 2 the command line was wrong).
[[nodiscard]] int RunBatch(const QStringList &arguments, std::FILE *out, std::FILE *err);

// The usage text printed for a wrong command line and for --help.
[[nodiscard]] QString BatchUsage();
