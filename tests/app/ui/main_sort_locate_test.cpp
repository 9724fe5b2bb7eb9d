#include "app/ui/t_main.h"
#include "app/ui/viewer_model.h"
#include "core/field_catalogue.h"
#include "db/inventory_file.h"
#include "db/my_table.h"
#include "reports/ui/t_my_report.h"
#include "settings/date_format.h"
#include "settings/profile_file.h"
#include "started_main.h"
#include "support/qt_app.h"
#include "support/scripted_prompter.h"
#include "views/ui/t_my_locate_dlg.h"
#include "views/ui/t_my_sort_order.h"
#include "when_shown.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <functional>

using mainwin::Cmd;
using mainwin::Needs;

namespace {

// The main window over an inventory of four records, in physical order Pan, Lamp, Kettle,
// Saw, sorted by item.
class MainSortLocate : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureQtApplication();
        ResetDateFormat();
        ASSERT_TRUE(m_dir.isValid());
        QDir(m_dir.path()).mkpath("data");
        QDir(m_dir.path()).mkpath("cfg");
        const QString path = m_dir.filePath("data/HOME.DBF");
        {
            ScriptedPrompter quiet;
            ASSERT_TRUE(MakeNewDB(path, quiet));
            MyTable table;
            table.open(path);
            const char *rows[][3] = {{"Pan", "Den", "10"},
                                     {"Lamp", "Hall", "1250.5"},
                                     {"Kettle", "Kitchen", "1250"},
                                     {"Saw", "Garage", "30"}};
            for (const auto &row : rows) {
                table.insert();
                table.setText(field::Item, QLatin1String(row[0]));
                table.setText(field::Location, QLatin1String(row[1]));
                table.setText(field::Cost, QLatin1String(row[2]));
                table.post();
            }
        }
        ASSERT_TRUE(WriteStartSettings(configFile(), path, "[Sort Order]\r\nPrimary Sort=1\r\n"));

        m_settings = std::make_unique<Settings>(m_dir.path());
        m_main = StartMain(*m_settings, m_prompter, configFile(), m_dir.filePath("data"));
    }
    void TearDown() override {
        m_main.reset();
        ResetDateFormat();
    }

    QString configFile() const { return m_dir.filePath("cfg/STOWKP.INI"); }
    int gridRow() const { return m_main->viewerGrid()->currentIndex().row(); }
    QString itemInRow(int row) const {
        ViewerModel *model = m_main->viewerModel();
        return model->data(model->index(row, model->columnOfField(field::Item)), Qt::DisplayRole)
            .toString();
    }
    QString currentItem() const { return m_main->myTable().text(field::Item); }

    QTemporaryDir m_dir;
    ScriptedPrompter m_prompter;
    std::unique_ptr<Settings> m_settings;
    std::unique_ptr<TMain> m_main;
};

TEST_F(MainSortLocate, LocateMovesTheViewersRecordToTheMatchAndNextLeavesItThere) {
    ASSERT_TRUE(m_main->isAvailable(Needs::LocateDialog));
    ASSERT_EQ(itemInRow(0), QStringLiteral("Kettle"));
    m_main->myTable().first();
    QApplication::processEvents();
    ASSERT_EQ(gridRow(), 0);

    WhenShown<TMyLocateDlg>([](TMyLocateDlg &dialog) {
        auto *list = dialog.findChild<QComboBox *>(QStringLiteral("FieldNameComboBox"));
        list->setCurrentIndex(list->findText(QStringLiteral("Cost"), Qt::MatchFixedString));
        dialog.findChild<QLineEdit *>(QStringLiteral("SearchValue"))->setText("10");
        dialog.findChild<QRadioButton *>(QStringLiteral("ExactMatchBtn"))->setChecked(true);
        dialog.findChild<QPushButton *>(QStringLiteral("FirstButton"))->click();
    });
    m_main->runCommand(Cmd::Locate);
    QApplication::processEvents();
    EXPECT_EQ(currentItem(), QStringLiteral("Pan")) << "10.00 is 10, 1250.50 is not 1250";
    EXPECT_EQ(gridRow(), 2) << "the viewer shows the match as current";
    EXPECT_TRUE(m_prompter.asked.empty());

    m_main->runCommand(Cmd::LocateNext);
    QApplication::processEvents();
    EXPECT_EQ(m_prompter.last().text, QStringLiteral("No more matches found"));
    EXPECT_EQ(currentItem(), QStringLiteral("Pan"));
    EXPECT_EQ(gridRow(), 2);
}

TEST_F(MainSortLocate, LocateWithoutAMatchLeavesTheViewerWhereItWas) {
    m_main->myTable().last();
    QApplication::processEvents();
    ASSERT_EQ(gridRow(), 3);
    WhenShown<TMyLocateDlg>([this](TMyLocateDlg &dialog) {
        auto *list = dialog.findChild<QComboBox *>(QStringLiteral("FieldNameComboBox"));
        list->setCurrentIndex(list->findText(QStringLiteral("Location"), Qt::MatchFixedString));
        dialog.findChild<QLineEdit *>(QStringLiteral("SearchValue"))->setText("kit");
        dialog.findChild<QCheckBox *>(QStringLiteral("CaseSensitiveCheckBox"))->setChecked(true);
        dialog.findChild<QPushButton *>(QStringLiteral("FirstButton"))->click();
        EXPECT_EQ(m_prompter.last().text, QStringLiteral("No matches found"));
    });
    m_main->runCommand(Cmd::Locate);
    QApplication::processEvents();
    EXPECT_EQ(currentItem(), QStringLiteral("Saw"));
    EXPECT_EQ(gridRow(), 3);
}

TEST_F(MainSortLocate, SortOrderOfNoneShowsFileOrderAndIsSavedAtOnce) {
    ASSERT_TRUE(m_main->isAvailable(Needs::SortOrderWindow));
    WhenShown<TMySortOrder>([](TMySortOrder &dialog) {
        EXPECT_EQ(dialog.findChild<QComboBox *>(QStringLiteral("ComboBox1"))->currentIndex(), 1);
        for (int i = 1; i <= 4; ++i)
            dialog.findChild<QComboBox *>(QStringLiteral("ComboBox%1").arg(i))->setCurrentIndex(0);
        dialog.findChild<QPushButton *>(QStringLiteral("OkButton"))->click();
    });
    m_main->runCommand(Cmd::SortOrder);
    QApplication::processEvents();
    EXPECT_TRUE(m_prompter.asked.empty());
    EXPECT_EQ(m_settings->sortLevels, (std::array<int, 4>{0, 0, 0, 0}));
    EXPECT_TRUE(m_main->sortExpression().isEmpty());
    EXPECT_EQ(itemInRow(0), QStringLiteral("Pan"));
    EXPECT_EQ(itemInRow(3), QStringLiteral("Saw"));
    EXPECT_EQ(ProfileFile::load(configFile()).value("Sort Order", "Primary Sort"),
              std::optional<QString>(QStringLiteral("0")));
    EXPECT_EQ(m_main->myTable().openMode(), MyTable::OpenMode::Shared);
}

} // namespace

// The report commands share this fixture for its sorted inventory: the report window shows
// the main window's sort order, and every route opens the one window of the run.
TEST_F(MainSortLocate, ReportCommandsOpenTheOneReportWindowOfTheRun) {
    ASSERT_TRUE(m_main->isAvailable(Needs::ReportWindow));
    std::vector<QWidget *> shown;
    QStringList orders;
    const auto drive = [&](TMyReport &report) {
        shown.push_back(&report);
        orders << report.findChild<QLabel *>(QStringLiteral("SortOrderLabel"))->text();
        report.findChild<QPushButton *>(QStringLiteral("ExitButton"))->click();
    };
    WhenShown<TMyReport>(drive);
    m_main->runCommand(Cmd::Reports);
    WhenShown<TMyReport>(drive);
    m_main->action(Cmd::Print)->trigger();
    WhenShown<TMyReport>(drive);
    m_main->findChild<QToolButton *>(QStringLiteral("ReportSpeed"))->click();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0], shown[1]);
    EXPECT_EQ(shown[1], shown[2]);
    EXPECT_EQ(orders, QStringList({"Item", "Item", "Item"}));
    EXPECT_EQ(m_main->action(Cmd::Reports)->shortcut(), QKeySequence(QStringLiteral("Ctrl+R")));
    EXPECT_EQ(m_main->action(Cmd::Print)->shortcut(), QKeySequence(QStringLiteral("Ctrl+P")));
}
