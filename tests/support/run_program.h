#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

// Runs another program to its end, as the tests run our batch tool and the independent
// readers, and gives what it printed.
struct ProgramOutput {
    int status = -1; // the exit status, or -1 when it crashed or did not end in two minutes
    QByteArray out;
    QByteArray err;
};

// `stdoutFile`, when given, receives standard output instead of the result.
inline ProgramOutput RunProgram(const QString &program, const QStringList &args,
                                const QString &stdoutFile = {}) {
    QProcess p;
    if (!stdoutFile.isEmpty())
        p.setStandardOutputFile(stdoutFile);
    p.start(program, args);
    ProgramOutput o;
    if (!p.waitForFinished(120000))
        return o;
    o.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    o.out = p.readAllStandardOutput();
    o.err = p.readAllStandardError();
    return o;
}
