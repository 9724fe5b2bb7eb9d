#include "reports/ui/t_report_form.h"

#include "db/inventory_fixture.h"
#include "reports/fake_page_engine.h"
#include "reports/report_production.h"
#include "settings/settings.h"
#include "support/qt_app.h"
#include "support/scripted_prompter.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

namespace {

using reports::OutputMode;
using reports::RunResult;

class ReportFormTest : public testing::Test {
protected:
    void SetUp() override {
        EnsureQtApplication();
        ASSERT_TRUE(m_dir.isValid());
        const QString path = fixture::newInventory(m_dir);
        m_table.open(path, MyTable::OpenMode::Exclusive);
        for (int i = 0; i < 300; ++i)
            fixture::addItem(m_table, QStringLiteral("thing %1").arg(i), QStringLiteral("Tools"));
        m_definition = urp::BuiltInDefinitions()[0];
    }

    static QPushButton *button(TReportForm &form) {
        return form.findChild<QPushButton *>(QStringLiteral("BitBtn1"));
    }
    static QLabel *status(TReportForm &form) {
        return form.findChild<QLabel *>(QStringLiteral("StatusLabel"));
    }
    // Closes the window with OK as soon as the run is over, as the user would.
    static void closeWhenDone(TReportForm &form) {
        auto *timer = new QTimer(&form);
        QObject::connect(timer, &QTimer::timeout, &form, [&form] {
            if (!form.running() && button(form)->text() == u"OK")
                button(form)->click();
        });
        timer->start(5);
    }

    QTemporaryDir m_dir;
    MyTable m_table;
    Settings m_settings;
    ScriptedPrompter m_prompter;
    FakePageEngine m_engine;
    ReportDefinition m_definition;
};

TEST_F(ReportFormTest, ARunShowsEachPageAndEndsCompletedWithAnOkButton) {
    reports::ReportProduction production(m_engine, m_definition, m_table, m_settings,
                                         OutputMode::Preview);
    TReportForm form(m_engine, production, m_prompter, FormLook{});
    EXPECT_EQ(form.windowTitle(), u"Report Status Screen");
    EXPECT_EQ(button(form)->text(), u"Cancel");
    QStringList seen;
    m_engine.onPage = [&](FakePageEngine &) {
        // The label shows the page before this one's is made.
        seen << status(form)->text();
    };
    closeWhenDone(form);
    EXPECT_FALSE(form.Run());
    EXPECT_EQ(form.result(), RunResult::Completed);
    ASSERT_GE(m_engine.pagesStarted, 6);
    EXPECT_EQ(seen.mid(1, 2), QStringList({"Printing Page 1\n\n", "Printing Page 2\n\n"}));
    EXPECT_EQ(status(form)->text(),
              QStringLiteral("Printing Page %1\n\nReport Completed!\n").arg(m_engine.pagesStarted));
    EXPECT_TRUE(m_prompter.asked.empty());
}

TEST_F(ReportFormTest, CancelDuringTheRunStopsItAtOnceAndTheWindowStaysWithTheOutcome) {
    reports::ReportProduction production(m_engine, m_definition, m_table, m_settings,
                                         OutputMode::Preview);
    TReportForm form(m_engine, production, m_prompter, FormLook{});
    // The user presses Cancel while page 2 is being made; the click arrives at the next
    // refresh of the status.
    m_engine.onPage = [&](FakePageEngine &e) {
        if (e.currentPage() == 2)
            QTimer::singleShot(0, &form, [&form] { button(form)->click(); });
    };
    closeWhenDone(form);
    EXPECT_TRUE(form.Run());
    EXPECT_EQ(form.result(), RunResult::Aborted);
    EXPECT_EQ(m_engine.pagesStarted, 2);
    EXPECT_TRUE(m_engine.printedTexts(2).isEmpty());
    EXPECT_TRUE(m_engine.calls.last().startsWith(u"footer")); // the footer handler ran
    EXPECT_FALSE(m_table.controlsDisabled());                 // and after-print
    EXPECT_EQ(status(form)->text(), u"Printing Page 2\n\nReport Canceled!\n");
}

TEST_F(ReportFormTest, EscapeDuringTheRunCancelsInsteadOfClosing) {
    reports::ReportProduction production(m_engine, m_definition, m_table, m_settings,
                                         OutputMode::Preview);
    TReportForm form(m_engine, production, m_prompter, FormLook{});
    m_engine.onPage = [&](FakePageEngine &e) {
        if (e.currentPage() == 3)
            QTimer::singleShot(0, &form, [&form] { form.reject(); });
    };
    closeWhenDone(form);
    EXPECT_TRUE(form.Run());
    EXPECT_EQ(m_engine.pagesStarted, 3);
    EXPECT_EQ(form.result(), RunResult::Aborted);
}

// A device that refuses every write, as a full disk does.
class FullDevice : public QIODevice {
public:
    FullDevice() { open(QIODevice::WriteOnly); }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *, qint64) override {
        setErrorString(QStringLiteral("No space left on device"));
        return -1;
    }
};

TEST_F(ReportFormTest, AnOutputErrorIsShownAndTheRunCountsAsCancelled) {
    FullDevice full;
    reports::ReportProduction production(m_engine, m_definition, m_table, m_settings,
                                         OutputMode::TextFile);
    production.setTextDevice(&full);
    TReportForm form(m_engine, production, m_prompter, FormLook{});
    closeWhenDone(form);
    EXPECT_TRUE(form.Run());
    ASSERT_EQ(m_prompter.asked.size(), 1u);
    EXPECT_EQ(m_prompter.asked[0].title, u"Error");
    EXPECT_TRUE(m_prompter.asked[0].text.contains(u"No space left on device"))
        << m_prompter.asked[0].text.toStdString();
    EXPECT_TRUE(status(form)->text().endsWith(u"Report Canceled!\n"));
    EXPECT_FALSE(m_table.controlsDisabled());
}

TEST_F(ReportFormTest, WithoutAPrinterNothingRunsAndTheOutcomeIsCancelled) {
    m_engine.noPrinter = true;
    reports::ReportProduction production(m_engine, m_definition, m_table, m_settings,
                                         OutputMode::Printer);
    TReportForm form(m_engine, production, m_prompter, FormLook{});
    closeWhenDone(form);
    EXPECT_TRUE(form.Run());
    EXPECT_EQ(form.result(), RunResult::NoPrinter);
    EXPECT_EQ(status(form)->text(), u"\nReport Canceled!");
    EXPECT_EQ(m_engine.pagesStarted, 0);
}

} // namespace
