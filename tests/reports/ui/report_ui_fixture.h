#pragma once

#include "db/inventory_fixture.h"
#include "reports/report_file.h"
#include "reports/ui/t_my_report.h"
#include "settings/settings.h"
#include "support/cups_pdf.h"
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

} // namespace reportui
