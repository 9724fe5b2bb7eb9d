#pragma once

#include "support/run_program.h"
#include "test_paths.h"

#include <QDir>
#include <QString>
#include <QStringList>

// Runs the stowkeep-batch executable the way a script would, with a private settings file
// and program directory, so the user's own settings never leak into a test.
namespace batchtest {

struct Outcome {
    int status = -1; // the exit status, or -1 when it crashed or did not end in time
    QString out;
    QString err;
};

// `stdoutFile`, when given, receives standard output instead of the outcome.
inline Outcome Run(const QDir &dir, QStringList args, const QString &stdoutFile = {}) {
    args << QStringLiteral("--config") << dir.filePath(QStringLiteral("STOWKP.INI"))
         << QStringLiteral("--data-dir") << dir.path();
    const ProgramOutput o =
        RunProgram(QString::fromLatin1(test_paths::kBatchExe), args, stdoutFile);
    return {o.status, QString::fromUtf8(o.out), QString::fromUtf8(o.err)};
}

} // namespace batchtest
