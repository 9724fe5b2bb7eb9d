#include "reports/ui/t_my_report.h"

#include "report_ui_fixture.h"
#include "reports/ui/t_file_preview.h"
#include "reports/ui/t_my_insurance.h"
#include "reports/ui/t_my_preview.h"
#include "reports/ui/t_report_form.h"
#include "reports/ui/t_user_report.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>

namespace {

using namespace reportui;

class ReportSelectionTest : public ReportWindowTest {
protected:
    template <typename T> static T *child(QWidget *w, const char *name) {
        T *found = w->findChild<T *>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    static QRadioButton *radio(TMyReport &r, const char *name) {
        return child<QRadioButton>(&r, name);
    }
    static QListWidget *list(TMyReport &r) { return child<QListWidget>(&r, "ReportBox"); }
    static void press(QWidget *w, const char *name) { child<QPushButton>(w, name)->click(); }

    // Shows the window as the main window's commands do, without waiting on it.
    static void open(TMyReport &r) {
        r.show();
        QCoreApplication::processEvents();
    }
};

TEST_F(ReportSelectionTest, SearchRadioButtonsFollowTheSearchInForceOnEveryShow) {
    TMyReport report(services());
    EXPECT_EQ(report.windowTitle(), u"Reports");
    open(report);
    EXPECT_TRUE(radio(report, "ExportEntire")->isChecked());
    EXPECT_FALSE(radio(report, "ExportSearch")->isEnabled());
    report.close();

    m_searching = true;
    open(report);
    EXPECT_TRUE(radio(report, "ExportSearch")->isEnabled());
    EXPECT_TRUE(radio(report, "ExportSearch")->isChecked());
    radio(report, "ExportEntire")->setChecked(true);
    report.close();

    m_searching = false;
    open(report);
    EXPECT_TRUE(radio(report, "ExportEntire")->isChecked());
    EXPECT_FALSE(radio(report, "ExportSearch")->isEnabled());
    report.close();
}

TEST_F(ReportSelectionTest, ListsTheDefinitionsAndKeepsTheSelectionInLastReport) {
    m_settings.lastReport = 3;
    m_settings.sortLevels = {field::Category + 1, field::Location + 1, 0, 0};
    m_settings.fieldNames[field::Location] = QStringLiteral("Room");
    TMyReport report(services());
    open(report);
    ASSERT_EQ(list(report)->count(), 8);
    EXPECT_EQ(list(report)->item(6)->text(), u"Location & Owner Report");
    EXPECT_EQ(list(report)->currentRow(), 3);
    EXPECT_EQ(child<QLabel>(&report, "SortOrderLabel")->text(), u"Category, Room");
    list(report)->setCurrentRow(5);
    press(&report, "ExitButton");
    EXPECT_FALSE(report.isVisible());
    EXPECT_EQ(m_settings.lastReport, 5);

    m_settings.sortLevels = {0, 0, 0, 0};
    open(report);
    EXPECT_EQ(child<QLabel>(&report, "SortOrderLabel")->text(), u"No Sort Order Selected");
    press(&report, "HelpButton");
    EXPECT_EQ(m_prompter.helpKeywords, QStringList{QStringLiteral("Report Window")});
    report.close();
}

TEST_F(ReportSelectionTest, ALastReportBeyondTheListLeavesNothingSelectedForEveryCommand) {
    m_settings.lastReport = 42;
    TMyReport report(services());
    open(report);
    EXPECT_EQ(list(report)->selectedItems().size(), 0);
    int windows = 0;
    report.onWindow = [&](QDialog *) { ++windows; };
    for (const char *button : {"ViewButton", "PrintButton", "FileButton", "ModifyButton"})
        press(&report, button);
    ASSERT_EQ(m_prompter.asked.size(), 4u);
    for (const auto &a : m_prompter.asked) {
        EXPECT_EQ(a.title, u"Error");
        EXPECT_EQ(a.text, u"No Report has been selected.  Please choose one.");
    }
    EXPECT_EQ(m_prompter.beeps.size(), 4u);
    EXPECT_EQ(windows, 0);
    EXPECT_EQ(m_prompter.printDialogs, 0);
    EXPECT_TRUE(m_prompter.dialogCaptions.isEmpty()); // no save dialog either
    report.close();
    EXPECT_EQ(m_settings.lastReport, -1);
}

TEST_F(ReportSelectionTest, AMissingDefinitionFileIsToldAndNothingRuns) {
    TMyReport report(services());
    open(report);
    list(report)->setCurrentRow(1);
    ASSERT_TRUE(QFile::remove(urpPath()));
    int windows = 0;
    report.onWindow = [&](QDialog *) { ++windows; };
    press(&report, "ViewButton");
    press(&report, "ModifyButton");
    ASSERT_EQ(m_prompter.asked.size(), 2u);
    EXPECT_EQ(m_prompter.asked[0].text, u"Report format could not be located.");
    EXPECT_EQ(m_prompter.asked[1].text, u"Report format could not be located.");
    EXPECT_EQ(windows, 0);
    report.close();
}

TEST_F(ReportSelectionTest, AViewRunOpensThePreviewOnTheRecordedPages) {
    TMyReport report(services());
    open(report);
    list(report)->setCurrentRow(0); // Short Narrow Report
    int pages = 0;
    QStringList labels;
    report.onWindow = [&](QDialog *window) {
        if (qobject_cast<TReportForm *>(window)) {
            closeStatusWhenDone(window);
            return;
        }
        auto *preview = qobject_cast<TMyPreview *>(window);
        ASSERT_NE(preview, nullptr);
        QTimer::singleShot(0, preview, [&, preview] {
            ASSERT_TRUE(WaitFor([preview] { return preview->viewer()->showing(); }));
            pages = preview->viewer()->pages();
            auto *label = preview->findChild<QLabel *>(QStringLiteral("PageLabel"));
            labels << label->text();
            preview->NextPage();
            labels << label->text();
            preview->LastPage();
            labels << label->text();
            preview->FirstPage();
            labels << label->text();
            EXPECT_EQ(preview->windowTitle(), u"Short Narrow Report");
            preview->Done();
        });
    };
    press(&report, "ViewButton");
    ASSERT_GE(pages, 3);
    const QString of = QStringLiteral(" of %1").arg(pages);
    EXPECT_EQ(labels, QStringList({"Page 1" + of, "Page 2" + of,
                                   QStringLiteral("Page %1").arg(pages) + of, "Page 1" + of}));
    EXPECT_EQ(m_hooks.endSearchCalls, 0);
    report.close();
}

TEST_F(ReportSelectionTest, ACancelledViewRunOpensNoPreview) {
    TMyReport report(services());
    open(report);
    list(report)->setCurrentRow(4); // Full Report: many pages
    bool previewed = false;
    report.onWindow = [&](QDialog *window) {
        if (auto *form = qobject_cast<TReportForm *>(window)) {
            // Cancel as soon as the run is under way, then OK.
            auto *timer = new QTimer(form);
            QObject::connect(timer, &QTimer::timeout, form, [form] {
                auto *button = form->findChild<QPushButton *>(QStringLiteral("BitBtn1"));
                if (form->running() || button->text() == u"OK")
                    button->click();
            });
            timer->start(0);
            return;
        }
        previewed = true;
        window->close();
    };
    press(&report, "ViewButton");
    EXPECT_FALSE(previewed);
    report.close();
}

TEST_F(ReportSelectionTest, PrintEntireDatabaseEndsTheSearchAndPutsItBackAfterwards) {
    m_searching = true;
    TMyReport report(services());
    open(report);
    list(report)->setCurrentRow(0);
    radio(report, "ExportEntire")->setChecked(true);
    int endedBeforeRun = -1;
    report.onWindow = [&](QDialog *window) {
        endedBeforeRun = m_hooks.endSearchCalls;
        closeStatusWhenDone(window);
    };
    const QString text = m_dir.filePath(QStringLiteral("all.txt"));
    report.DoIt(reports::OutputMode::TextFile, text);
    EXPECT_EQ(endedBeforeRun, 1);
    EXPECT_EQ(m_hooks.endSearchCalls, 1);
    EXPECT_EQ(m_hooks.enableEndSearchCalls, 1);
    EXPECT_TRUE(QFileInfo::exists(text));

    // "Print Search Criteria" prints what the search holds and leaves it alone.
    radio(report, "ExportSearch")->setChecked(true);
    report.DoIt(reports::OutputMode::TextFile, text);
    EXPECT_EQ(m_hooks.endSearchCalls, 1);
    EXPECT_EQ(m_hooks.enableEndSearchCalls, 1);
    report.close();
}

TEST_F(ReportSelectionTest, PrintToFileAsksForTheNameAndWritesTheText) {
    TMyReport report(services());
    open(report);
    list(report)->setCurrentRow(6); // Location & Owner Report
    report.onWindow = [&](QDialog *window) { closeStatusWhenDone(window); };
    const QString base = m_dir.filePath(QStringLiteral("owners"));
    m_prompter.fileNames.push_back(base);
    press(&report, "FileButton");
    EXPECT_EQ(m_prompter.dialogCaptions, QStringList{QStringLiteral("Save Report As a Text File")});
    QFile file(base + QStringLiteral(".TXT"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromLatin1(file.readAll());
    m_table.first();
    EXPECT_TRUE(text.contains(m_table.text(field::Item).trimmed())) << text.left(400).toStdString();
    EXPECT_TRUE(text.contains(u"GRAND TOTALS"));

    // Cancelling the save dialog produces nothing.
    m_prompter.fileNames.push_back(std::nullopt);
    int windows = 0;
    report.onWindow = [&](QDialog *) { ++windows; };
    press(&report, "FileButton");
    EXPECT_EQ(windows, 0);
    report.close();
}

TEST_F(ReportSelectionTest, InsuranceValuesAreStoredHoweverTheDialogCloses) {
    m_settings.insuranceCompany = QStringLiteral("Acme Mutual");
    m_settings.printStatement = true;
    TMyReport report(services());
    open(report);
    report.onWindow = [&](QDialog *window) {
        QTimer::singleShot(0, window, [window] {
            auto *company = window->findChild<QLineEdit *>(QStringLiteral("InsCo"));
            EXPECT_EQ(company->text(), u"Acme Mutual");
            EXPECT_TRUE(
                window->findChild<QCheckBox *>(QStringLiteral("PrintStatement"))->isChecked());
            window->findChild<QLineEdit *>(QStringLiteral("PolNum"))
                ->setText(QStringLiteral("HX-1234"));
            window->findChild<QLineEdit *>(QStringLiteral("YourName"))
                ->setText(QStringLiteral("Pat Doe"));
            window->findChild<QCheckBox *>(QStringLiteral("PrintPolNum"))->setChecked(true);
            window->reject(); // the close box, not Ok
        });
    };
    press(&report, "InsButton");
    EXPECT_EQ(m_settings.policyNumber, u"HX-1234");
    EXPECT_EQ(m_settings.yourName, u"Pat Doe");
    EXPECT_TRUE(m_settings.printPolicyNumber);
    EXPECT_EQ(m_settings.insuranceCompany, u"Acme Mutual");
    report.close();
}

TEST_F(ReportSelectionTest, NewReportStartsFromTheDefaultsAndIsSavedWithoutAQuestion) {
    TMyReport report(services());
    open(report);
    report.onWindow = [&](QDialog *window) {
        ASSERT_NE(qobject_cast<TUserReport *>(window), nullptr);
        QTimer::singleShot(0, window, [window] {
            EXPECT_TRUE(
                window->findChild<QLineEdit *>(QStringLiteral("ReportName"))->text().isEmpty());
            EXPECT_TRUE(window->findChild<QRadioButton *>(QStringLiteral("Chars90"))->isChecked());
            EXPECT_FALSE(
                window->findChild<QPushButton *>(QStringLiteral("DeleteButton"))->isEnabled());
            window->findChild<QPushButton *>(QStringLiteral("UpdateButton"))->click();
        });
    };
    press(&report, "NewButton");
    EXPECT_TRUE(m_prompter.asked.empty());
    ASSERT_EQ(ReportFile(m_programDir).count(), 9);
    EXPECT_EQ(list(report)->count(), 9);
    EXPECT_EQ(list(report)->currentRow(), 8);
    EXPECT_EQ(ReportFile(m_programDir).read(8), urp::NewReportDefaults());
    report.close();
}

TEST_F(ReportSelectionTest, ModifyReportEditsTheSelectedDefinitionInPlace) {
    TMyReport report(services());
    open(report);
    list(report)->setCurrentRow(2);
    report.onWindow = [&](QDialog *window) {
        QTimer::singleShot(0, window, [window] {
            EXPECT_EQ(window->findChild<QLineEdit *>(QStringLiteral("ReportName"))->text(),
                      u"Medium Report");
            window->findChild<QLineEdit *>(QStringLiteral("Title1"))
                ->setText(QStringLiteral("Our House"));
            window->findChild<QPushButton *>(QStringLiteral("UpdateButton"))->click();
        });
    };
    press(&report, "ModifyButton");
    EXPECT_EQ(ReportFile(m_programDir).count(), 8);
    EXPECT_EQ(ReportFile(m_programDir).read(2).titles[0], u"Our House");
    EXPECT_EQ(list(report)->currentRow(), 2);
    report.close();
}

} // namespace
