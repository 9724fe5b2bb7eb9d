#pragma once

#include "test_paths.h"

#include <QDir>
#include <QProcess>
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
    QProcess p;
    if (!stdoutFile.isEmpty())
        p.setStandardOutputFile(stdoutFile);
    p.start(QString::fromLatin1(test_paths::kBatchExe), args);
    Outcome r;
    if (!p.waitForFinished(120000))
        return r;
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

} // namespace batchtest
