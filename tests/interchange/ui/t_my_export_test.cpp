#include "interchange/ui/t_my_export.h"

#include "db/inventory_fixture.h"
#include "db/my_table.h"
#include "interchange/export_run.h"
#include "settings/date_format.h"
#include "settings/settings.h"
#include "support/fake_main_hooks.h"
#include "support/qt_app.h"
#include "support/scripted_prompter.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFile>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>

namespace {

class ExportWindow : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureQtApplication();
        ResetDateFormat();
        ASSERT_TRUE(m_dir.isValid());
        m_path = fixture::newInventory(m_dir);
        m_table.open(m_path, MyTable::OpenMode::Exclusive);
        for (const char *item : {"Saw", "Bowl", "Atlas"})
            fixture::addItem(m_table, QString::fromLatin1(item), QStringLiteral("Things"));
        fixture::reopenSorted(m_table, m_path, QStringLiteral("Upper(Left(Item,40))"));
    }

    std::unique_ptr<TMyExport> open(bool searchInForce = false) {
        auto dialog = std::make_unique<TMyExport>(m_table, m_settings, m_prompter, m_hooks,
                                                  searchInForce, FormLook{});
        dialog->show();
        return dialog;
    }
    template <typename W> static W *child(TMyExport &dialog, const char *name) {
        W *w = dialog.findChild<W *>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    static QTableWidget *grid(TMyExport &dialog) {
        return child<QTableWidget>(dialog, "ExportGrid");
    }
    static void press(TMyExport &dialog, const char *name) {
        child<QPushButton>(dialog, name)->click();
    }
    static QString cell(TMyExport &dialog, int row, int column) {
        return grid(dialog)->item(row, column)->text();
    }

    QTemporaryDir m_dir;
    QString m_path;
    MyTable m_table;
    Settings m_settings;
    FakeMainHooks m_hooks;
    ScriptedPrompter m_prompter;
};

} // namespace

TEST_F(ExportWindow, ShowsTheFieldsInExportOrderAndTheChoicesOfTheSettings) {
    m_settings.exportOrder[field::Cost] = 1;
    m_settings.exportOrder[field::Item] = 11;
    m_settings.exportFields[field::Brand] = false;
    m_settings.exportFileType = 2;
    auto dialog = open();
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Export"));
    EXPECT_EQ(grid(*dialog)->horizontalHeaderItem(0)->text(), QStringLiteral("FIELD"));
    EXPECT_EQ(grid(*dialog)->horizontalHeaderItem(1)->text(), QStringLiteral("EXPORT IT"));
    EXPECT_EQ(cell(*dialog, 0, 0), QStringLiteral("Cost"));
    EXPECT_EQ(cell(*dialog, 1, 1), QStringLiteral("No"));
    EXPECT_EQ(cell(*dialog, 10, 0), QStringLiteral("Item"));
    EXPECT_TRUE(child<QRadioButton>(*dialog, "ExportEntire")->isChecked());
    EXPECT_FALSE(child<QRadioButton>(*dialog, "ExportSearch")->isEnabled());
    EXPECT_TRUE(child<QRadioButton>(*dialog, "DBaseFile")->isChecked());
    // No title line for a dBASE file: the check box goes, and comes back for text.
    auto *firstRow = child<QCheckBox>(*dialog, "FirstRow");
    EXPECT_FALSE(firstRow->isVisible());
    child<QRadioButton>(*dialog, "AsciiFile")->setChecked(true);
    EXPECT_TRUE(firstRow->isVisible() && firstRow->isEnabled());
    firstRow->click();
    EXPECT_FALSE(m_settings.exportFirstRow);

    auto searching = open(true);
    EXPECT_TRUE(child<QRadioButton>(*searching, "ExportSearch")->isChecked());
    EXPECT_TRUE(child<QRadioButton>(*searching, "ExportSearch")->isEnabled());
}

TEST_F(ExportWindow, ToggledAndMovedFieldsAreRememberedWhenItClosesWithoutExporting) {
    auto dialog = open();
    dialog->ExportGridDblClick(0, 1);
    dialog->ExportGridDblClick(0, 0); // the name column does not toggle
    EXPECT_EQ(cell(*dialog, 0, 1), QStringLiteral("No"));
    grid(*dialog)->setCurrentCell(0, 0);
    press(*dialog, "UpButton"); // nothing above the first row
    press(*dialog, "DownButton");
    press(*dialog, "DownButton");
    EXPECT_EQ(cell(*dialog, 2, 0), QStringLiteral("Item"));
    EXPECT_EQ(cell(*dialog, 2, 1), QStringLiteral("No"));
    EXPECT_EQ(grid(*dialog)->currentRow(), 2);
    child<QRadioButton>(*dialog, "DBaseFile")->setChecked(true);
    press(*dialog, "ExitButton");
    EXPECT_EQ(m_settings.exportOrder[field::Item], 3);
    EXPECT_FALSE(m_settings.exportFields[field::Item]);
    EXPECT_EQ(m_settings.exportOrder[field::Brand], 1);
    EXPECT_EQ(m_settings.exportFileType, 2);

    // Opened again, the grid shows what was left; Defaults asks first.
    auto again = open();
    EXPECT_EQ(cell(*again, 2, 0), QStringLiteral("Item"));
    m_prompter.answers = {Prompter::No, Prompter::Yes};
    press(*again, "DefaultsButton");
    EXPECT_EQ(cell(*again, 2, 0), QStringLiteral("Item"));
    press(*again, "DefaultsButton");
    EXPECT_EQ(m_prompter.last().title, QStringLiteral("Re-Order"));
    EXPECT_EQ(
        m_prompter.last().text,
        QStringLiteral("This will set the order of fields to the program defaults.  Continue?"));
    EXPECT_EQ(cell(*again, 0, 0), QStringLiteral("Item"));
    EXPECT_EQ(cell(*again, 0, 1), QStringLiteral("Yes"));
    again->reject();
    EXPECT_EQ(m_settings.exportOrder[field::Item], 1);
    EXPECT_TRUE(m_settings.exportFields[field::Item]);
}

TEST_F(ExportWindow, StartExportWritesTheFileShowsProgressAndCloses) {
    m_settings.exportFields.fill(false);
    auto dialog = open();
    press(*dialog, "StartExportButton");
    EXPECT_EQ(m_prompter.last().title, QStringLiteral("Error"));
    EXPECT_EQ(m_prompter.last().text, QStringLiteral("No fields selected for export."));
    EXPECT_TRUE(dialog->isVisible());

    dialog->ExportGridDblClick(0, 1); // Item only
    const QString out = m_dir.filePath(QStringLiteral("items"));
    m_prompter.fileNames = {out};
    std::vector<std::int64_t> seen;
    dialog->setProgressWatcher([&](std::int64_t done, std::int64_t total) {
        seen.push_back(done);
        EXPECT_EQ(child<QProgressBar>(*dialog, "MyGauge")->maximum(), total);
    });
    press(*dialog, "StartExportButton");
    EXPECT_EQ(m_prompter.dialogCaptions.last(), QStringLiteral("Export Data"));
    QFile file(out + QStringLiteral(".TXT"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("\"Item\"\r\n\"Atlas\"\r\n\"Bowl\"\r\n\"Saw\"\r\n"));
    EXPECT_EQ(m_prompter.last().title, QStringLiteral("Ok"));
    EXPECT_EQ(m_prompter.last().text, QStringLiteral("Export Complete."));
    EXPECT_EQ(seen.back(), 3);
    EXPECT_EQ(child<QProgressBar>(*dialog, "MyGauge")->value(), 0);
    EXPECT_FALSE(dialog->isVisible());
}

TEST_F(ExportWindow, ARefusedDBaseNameKeepsTheWindowOpenAndHelpHasItsTopic) {
    m_settings.exportFileType = 2;
    auto dialog = open();
    m_prompter.fileNames = {m_dir.filePath(QStringLiteral("OUT.TXT")), std::nullopt};
    press(*dialog, "StartExportButton");
    EXPECT_EQ(m_prompter.last().text, QStringLiteral("Invalid file type selected."));
    EXPECT_FALSE(QFile::exists(m_dir.filePath(QStringLiteral("OUT.TXT"))));
    EXPECT_TRUE(dialog->isVisible());
    const std::size_t asked = m_prompter.asked.size();
    press(*dialog, "StartExportButton"); // cancelled: nothing more
    EXPECT_EQ(m_prompter.asked.size(), asked);
    press(*dialog, "HelpButton");
    EXPECT_EQ(m_prompter.helpKeywords, QStringList{QStringLiteral("Export Window")});
}
