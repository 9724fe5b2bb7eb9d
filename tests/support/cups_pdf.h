#pragma once

#include "support/test_files.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPrinterInfo>
#include <QRegularExpression>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QThread>

#include <functional>
#include <string>

// Printing through the real CUPS PDF queue, and reading back what it printed.
namespace reportui {

// The queue scripts/start-cups.sh makes, and where its cups-pdf backend puts the files.
inline constexpr const char *kPdfQueue = "StowkeepPDF";

inline bool PdfQueueExists() {
    return !QPrinterInfo::printerInfo(QLatin1String(kPdfQueue)).isNull();
}

// The folder cups-pdf writes this user's jobs into: "Out" of cups-pdf.conf with ${HOME} and
// ${USER} filled in (the default is ${HOME}/PDF).
inline QString CupsPdfFolder() {
    QString out = QStringLiteral("${HOME}/PDF");
    QFile conf(QStringLiteral("/etc/cups/cups-pdf.conf"));
    if (conf.open(QIODevice::ReadOnly)) {
        for (const QByteArray &raw : conf.readAll().split('\n')) {
            const QString line = QString::fromUtf8(raw).trimmed();
            if (line.startsWith(QLatin1String("Out ")))
                out = line.mid(4).trimmed();
        }
    }
    const QString user = QString::fromStdString(testfiles::run("id -un")).trimmed();
    const QString home =
        QString::fromStdString(testfiles::run("getent passwd \"$(id -un)\" | cut -d: -f6"))
            .trimmed();
    out.replace(QLatin1String("${HOME}"), home);
    out.replace(QLatin1String("${USER}"), user);
    return out;
}

// Waits for the PDF cups-pdf writes for a job submitted after `since` and returns it; empty
// when none came within a minute. Other jobs may pass through the queue meanwhile (tests run
// side by side): the file taken is the newest one that `wanted` accepts.
inline QString WaitForCupsPdf(const QDateTime &since,
                              const std::function<bool(const QString &)> &wanted) {
    const QString folder = CupsPdfFolder();
    QSet<QString> refused;
    for (int i = 0; i < 600; ++i) {
        const auto files =
            QDir(folder).entryInfoList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Time);
        for (const QFileInfo &f : files) {
            if (f.lastModified() < since.addSecs(-1))
                break;
            const QString key = f.filePath() + QString::number(f.size());
            if (f.size() == 0 || refused.contains(key))
                continue;
            // cups-pdf writes the file whole once its job is done: a file of a job still
            // running is not there yet, or is refused until it is complete.
            if (wanted(f.filePath()))
                return f.filePath();
            refused.insert(key);
        }
        QThread::msleep(100);
    }
    return {};
}

inline QString PdfText(const QString &pdf, int first = 0, int last = 0) {
    std::string command = "pdftotext -layout";
    if (first > 0)
        command += " -f " + std::to_string(first) + " -l " + std::to_string(last);
    command += " " + testfiles::quoted(pdf.toStdString()) + " -";
    return QString::fromStdString(testfiles::run(command));
}

inline int PdfPages(const QString &pdf) {
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)"))
                                          .match(QString::fromStdString(testfiles::run(
                                              "pdfinfo " + testfiles::quoted(pdf.toStdString()))));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// Texts of a PDF page as words, so that layouts of the same text compare equal.
inline QStringList Words(const QString &text) {
    return text.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

} // namespace reportui
