#include "app/ui/t_main.h"
#include "core/field_catalogue.h"
#include "db/inventory_file.h"
#include "db/my_table.h"
#include "edit/ui/t_my_edit.h"
#include "edit/ui/t_my_edit_box.h"
#include "settings/date_format.h"
#include "started_main.h"
#include "support/qt_app.h"
#include "support/scripted_prompter.h"
#include "when_shown.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>

using mainwin::Cmd;

namespace {

class MainEditCommands : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureQtApplication();
        ResetDateFormat();
        ASSERT_TRUE(m_dir.isValid());
        QDir(m_dir.path()).mkpath("data");
        const QString path = m_dir.filePath("data/HOME.DBF");
        {
            ScriptedPrompter quiet;
            ASSERT_TRUE(MakeNewDB(path, quiet));
            MyTable table;
            table.open(path);
            table.insert();
            table.setText(field::Item, QStringLiteral("Pan"));
            table.post();
        }
        QFile lists(m_dir.filePath("data/BRAND.LST"));
        ASSERT_TRUE(lists.open(QIODevice::WriteOnly));
        lists.write("Acme\r\n");
        lists.close();
        ASSERT_TRUE(WriteStartSettings(m_dir.filePath("STOWKP.INI"), path));
        m_main =
            StartMain(m_settings, m_prompter, m_dir.filePath("STOWKP.INI"), m_dir.filePath("data"));
    }
    void TearDown() override {
        m_main.reset();
        ResetDateFormat();
    }

    QComboBox *gridList(const char *name) {
        return m_main->findChild<QComboBox *>(QLatin1String(name));
    }
    QString count() const { return ShownCount(*m_main); }

    QTemporaryDir m_dir;
    ScriptedPrompter m_prompter;
    Settings m_settings;
    std::unique_ptr<TMain> m_main;
};

TEST_F(MainEditCommands, AddStoresARecordWhoseBrandTheGridOffersAtOnce) {
    ASSERT_EQ(count(), QStringLiteral("1"));
    ASSERT_EQ(gridList("MyComboBrand")->count(), 1);
    WhenShown<TMyEdit>([](TMyEdit &edit) {
        EXPECT_EQ(edit.windowTitle(), QStringLiteral("Edit"));
        EXPECT_EQ(edit.findChild<QLineEdit *>(QStringLiteral("Item"))->text(), QString());
        edit.findChild<QLineEdit *>(QStringLiteral("Item"))->setText(QStringLiteral("Kettle"));
        edit.findChild<QComboBox *>(QStringLiteral("Brand"))->setEditText(QStringLiteral("Zeta"));
        edit.findChild<QPushButton *>(QStringLiteral("UpdateExitButton"))->click();
    });
    m_main->runCommand(Cmd::Add);
    EXPECT_TRUE(m_prompter.asked.empty());
    EXPECT_EQ(count(), QStringLiteral("2")) << "the count is shown again after the editor";
    EXPECT_EQ(gridList("MyComboBrand")->itemText(1), QStringLiteral("Zeta"));
    EXPECT_EQ(m_main->editMode(), 2) << "the editor leaves its mode with the main window";
    QFile saved(m_dir.filePath("data/BRAND.LST"));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), QByteArray("Acme\r\nZeta\r\n"));
}

TEST_F(MainEditCommands, EditAndCopyOpenOnTheCurrentRecord) {
    WhenShown<TMyEdit>([](TMyEdit &edit) {
        EXPECT_EQ(edit.findChild<QLineEdit *>(QStringLiteral("Item"))->text(),
                  QStringLiteral("Pan"));
        edit.findChild<QLineEdit *>(QStringLiteral("Model"))->setText(QStringLiteral("cast"));
        edit.UpdateExitButtonClick();
    });
    m_main->runCommand(Cmd::Copy);
    EXPECT_EQ(count(), QStringLiteral("2")) << "a copy is stored as a new record";
    WhenShown<TMyEdit>([](TMyEdit &edit) {
        EXPECT_EQ(edit.findChild<QLineEdit *>(QStringLiteral("Model"))->text(),
                  QStringLiteral("cast"));
        edit.CancelButtonClick();
    });
    m_main->runCommand(Cmd::Edit);
    EXPECT_EQ(count(), QStringLiteral("2"));
}

TEST_F(MainEditCommands, ListMaintenanceEditsTheEditorsListAndTheGrids) {
    WhenShown<TMyEditBox>([](TMyEditBox &box) {
        EXPECT_EQ(box.windowTitle(), QStringLiteral("Edit \"Brand\" List"));
        EXPECT_EQ(box.entries(), QStringList{"Acme"});
        box.findChild<QLineEdit *>(QStringLiteral("AddInfo"))->setText(QStringLiteral("Bolt"));
        box.AddButtonClick();
        box.OkButtonClick();
    });
    m_main->runCommand(Cmd::ListBrand);
    EXPECT_EQ(gridList("MyComboBrand")->count(), 2);
    EXPECT_EQ(gridList("MyComboBrand")->itemText(1), QStringLiteral("Bolt"));
    WhenShown<TMyEditBox>([](TMyEditBox &box) {
        EXPECT_EQ(box.windowTitle(), QStringLiteral("Edit \"Purchased From\" List"));
        EXPECT_EQ(box.findChild<QLineEdit *>(QStringLiteral("AddInfo"))->maxLength(), 40);
        box.CancelButtonClick();
    });
    m_main->runCommand(Cmd::ListBought);
    // The lists reach their files when the editor closes next.
    WhenShown<TMyEdit>([](TMyEdit &edit) {
        EXPECT_EQ(edit.findChild<QComboBox *>(QStringLiteral("Brand"))->count(), 2);
        edit.CancelButtonClick();
    });
    m_main->runCommand(Cmd::Add);
    QFile saved(m_dir.filePath("data/BRAND.LST"));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), QByteArray("Acme\r\nBolt\r\n"));
}

} // namespace
