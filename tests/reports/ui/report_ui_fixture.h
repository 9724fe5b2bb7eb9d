#pragma once

#include "db/inventory_fixture.h"
#include "reports/report_file.h"
#include "reports/ui/t_my_report.h"
#include "settings/settings.h"
#include "support/fake_main_hooks.h"
#include "support/qt_app.h"
#include "support/scripted_prompter.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <functional>
#include <memory>

// QStrings in failure messages as text.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString &s, std::ostream *os) {
    *os << '"' << s.toStdString() << '"';
}
QT_END_NAMESPACE

namespace reportui {

// Lets window events through until `done` holds or five seconds have passed; whether it
// holds.
inline bool WaitFor(const std::function<bool()> &done) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > 5000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// A program directory with the built-in definitions, an inventory of generated items open
// in the data set, and the services the report windows are given.
class ReportWindowTest : public testing::Test {
protected:
    void SetUp() override {
        EnsureQtApplication();
        ASSERT_TRUE(m_dir.isValid());
        m_programDir = m_dir.path();
        (void)ReportFile(m_programDir).ensure();
        m_settings.programDirectory = m_programDir;
        const QString path = fixture::newInventory(m_dir);
        m_table.open(path, MyTable::OpenMode::Exclusive);
        fixture::addGenerated(m_table, records(), 7);
        m_table.first();
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        m_prompter.testPrinter = m_printer.get();
    }

    virtual int records() const { return 120; }

    ReportServices services() {
        return ReportServices{m_table,
                              m_settings,
                              m_prompter,
                              m_hooks,
                              m_programDir,
                              [this] { return m_searching; },
                              [] { return FormLook{}; }};
    }

    [[nodiscard]] QString urpPath() const { return ReportFile(m_programDir).path(); }
    [[nodiscard]] QByteArray urpBytes() const {
        QFile f(urpPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // Closes the report status window with OK as soon as its run is over, as a user would.
    static void closeStatusWhenDone(QDialog *form) {
        auto *timer = new QTimer(form);
        QObject::connect(timer, &QTimer::timeout, form, [form] {
            auto *button = form->findChild<QPushButton *>(QStringLiteral("BitBtn1"));
            if (button && button->text() == u"OK")
                button->click();
        });
        timer->start(5);
    }

    QTemporaryDir m_dir;
    QString m_programDir;
    Settings m_settings;
    MyTable m_table;
    ScriptedPrompter m_prompter;
    FakeMainHooks m_hooks;
    std::unique_ptr<QPrinter> m_printer;
    bool m_searching = false;
};

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
