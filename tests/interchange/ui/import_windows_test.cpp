// The import windows driven as a user would: the chooser's checks and messages, the
// matching grid's moves and toggle, Skip First Record, the running count and the end.
#include "app/ui/when_shown.h"
#include "db/inventory_fixture.h"
#include "interchange/delimited_reader.h"
#include "interchange/ui/t_import_format.h"
#include "interchange/ui/t_my_import.h"
#include "settings/date_format.h"
#include "settings/settings.h"
#include "support/qt_app.h"
#include "support/scripted_prompter.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class ImportWindowsTest : public testing::Test {
protected:
    void SetUp() override {
        EnsureQtApplication();
        ResetDateFormat();
        ASSERT_TRUE(m_dir.isValid());
        m_path = fixture::newInventory(m_dir);
        fixture::reopenSorted(m_table, m_path, QStringLiteral("Upper(Left(Category,80))"));
        m_settings.fieldNames[field::Brand] = QStringLiteral("Maker");
    }

    QString writeText(const std::string &bytes) {
        const QString file = m_dir.filePath(QStringLiteral("IN.TXT"));
        QFile out(file);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes.data(), static_cast<qint64>(bytes.size()));
        return file;
    }

    template <typename W> static W *child(QWidget &parent, const char *name) {
        auto *w = parent.findChild<W *>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }

    QTemporaryDir m_dir;
    QString m_path;
    MyTable m_table;
    Settings m_settings;
    ScriptedPrompter m_prompter;
    FormLook m_look;
};

TEST_F(ImportWindowsTest, TheChooserRefusesFilesThatFailTheirCheckAndStaysOpen) {
    TImportFormat chooser(m_table, m_settings, m_prompter, m_look);
    chooser.show();
    EXPECT_EQ(chooser.windowTitle(), "Import Format");
    EXPECT_TRUE(child<QRadioButton>(chooser, "AsciiDelimited")->isChecked());
    m_prompter.fileNames.push_back(writeText("Item,Brand\r\n"));
    child<QPushButton>(chooser, "FileButton")->click();
    EXPECT_EQ(m_prompter.last().title, "Error");
    EXPECT_TRUE(m_prompter.last().text.endsWith(
        "The selected file had an unexpected end of a line most likely due to an unmatched "
        "quote."));
    EXPECT_EQ(m_prompter.dialogCaptions, QStringList({"Import Data"}));

    child<QRadioButton>(chooser, "DBFFormat")->setChecked(true);
    m_prompter.fileNames.push_back(m_dir.filePath(QStringLiteral("IN.TXT")));
    child<QPushButton>(chooser, "FileButton")->click();
    EXPECT_EQ(m_prompter.last().text, "Invalid file type selected.");
    m_prompter.fileNames.push_back(std::nullopt); // cancelled: nothing asked
    const std::size_t asked = m_prompter.asked.size();
    child<QPushButton>(chooser, "FileButton")->click();
    EXPECT_EQ(m_prompter.asked.size(), asked);
    EXPECT_TRUE(chooser.isVisible());
    child<QPushButton>(chooser, "CancelButton")->click();
    EXPECT_EQ(m_settings.importFileType, 2);
}

TEST_F(ImportWindowsTest, TheMatchingGridMovesFieldsAndTogglesUse) {
    TMyImport dialog(m_table, m_settings, m_prompter, m_look, TMyImport::Kind::Text,
                     m_dir.filePath(QStringLiteral("IN.TXT")), {"Name", "Make", "Price"});
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Ascii Delimited Text Import");
    auto *grid = child<QTableWidget>(dialog, "ImportGrid");
    ASSERT_EQ(grid->rowCount(), 22);
    EXPECT_EQ(grid->horizontalHeaderItem(0)->text(), "STOWKEEP FIELDS");
    EXPECT_EQ(grid->horizontalHeaderItem(1)->text(), "IMPORT FIELDS");
    EXPECT_EQ(grid->horizontalHeaderItem(2)->text(), "USE");
    EXPECT_EQ(grid->item(1, 0)->text(), "Maker");
    EXPECT_EQ(grid->item(2, 1)->text(), "Price");
    EXPECT_EQ(grid->item(3, 1)->text(), "<EMPTY>");
    EXPECT_EQ(grid->item(3, 2)->text(), "");
    EXPECT_EQ(grid->columnWidth(0), 179);

    grid->setCurrentCell(2, 1);
    for (int i = 0; i < 8; ++i)
        child<QPushButton>(dialog, "DownButton")->click(); // Price opposite the cost
    EXPECT_EQ(grid->currentRow(), field::Cost);
    EXPECT_EQ(grid->item(field::Cost, 1)->text(), "Price");
    EXPECT_EQ(grid->item(2, 0)->text(), m_settings.fieldNames[2]); // the names stay
    grid->setCurrentCell(0, 1);
    child<QPushButton>(dialog, "UpButton")->click();
    EXPECT_EQ(grid->currentRow(), 0);
    dialog.ImportGridDblClick(1, 2);
    EXPECT_EQ(grid->item(1, 2)->text(), "No");
    dialog.ImportGridDblClick(1, 1); // not the USE column
    EXPECT_EQ(grid->item(1, 2)->text(), "No");
    EXPECT_EQ(dialog.matching().fieldMap(), (std::vector<int>{0, -1, field::Cost}));

    auto *skip = child<QCheckBox>(dialog, "SkipFirst");
    EXPECT_TRUE(skip->isChecked());
    skip->click();
    EXPECT_FALSE(m_settings.importSkipFirst); // at once, before any import
    child<QPushButton>(dialog, "HelpButton")->click();
    EXPECT_EQ(m_prompter.helpKeywords, QStringList({"Import Window"}));
}

TEST_F(ImportWindowsTest, StartImportAddsTheRecordsShowsTheCountAndEndsBothWindows) {
    const QString file = writeText("\"Item\",\"Brand\",\"Cost\"\r\n\"Lamp\",\"Acme\",\"12.5\"\r\n"
                                   "\"Chair\",\"\",\"7\"\r\n");
    TImportFormat chooser(m_table, m_settings, m_prompter, m_look);
    chooser.show();
    m_prompter.fileNames.push_back(file);
    qint64 shown = -1;
    QPoint at;
    WhenShown<TMyImport>([&](TMyImport &dialog) {
        auto *grid = child<QTableWidget>(dialog, "ImportGrid");
        grid->setCurrentCell(2, 1);
        for (int i = 0; i < 8; ++i)
            dialog.DownButtonClick();
        child<QPushButton>(dialog, "StartButton")->click();
        shown = dialog.shownCount();
        at = dialog.countPosition();
        EXPECT_EQ(child<QLabel>(dialog, "CountText")->text(), "2");
    });
    child<QPushButton>(chooser, "FileButton")->click();
    EXPECT_FALSE(chooser.isVisible());
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(at, QPoint(540, 96));
    EXPECT_EQ(m_prompter.last().title, "Ok");
    EXPECT_EQ(m_prompter.last().text, "Import Complete.");
    EXPECT_EQ(m_table.recordCount(), 2);
    ASSERT_TRUE(m_table.gotoBookmark(1));
    EXPECT_EQ(m_table.text(field::Brand), "Acme");
    EXPECT_EQ(m_table.number(field::Cost), 12.5);
    EXPECT_EQ(m_settings.importFileType, 1);
}

TEST_F(ImportWindowsTest, ADbaseImportHidesSkipFirstAndReportsAFailureWithoutClosing) {
    TMyImport dialog(m_table, m_settings, m_prompter, m_look, TMyImport::Kind::Dbf,
                     m_dir.filePath(QStringLiteral("GONE.DBF")), {"ITEM"});
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "DBase File Import");
    EXPECT_FALSE(child<QCheckBox>(dialog, "SkipFirst")->isVisible());
    child<QPushButton>(dialog, "StartButton")->click();
    EXPECT_EQ(m_prompter.last().title, "Error");
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(m_table.recordCount(), 0);
}

} // namespace
