#include "interchange/ui/t_my_backup.h"
#include "interchange/ui/t_my_restore.h"

#include "core/color_set.h"
#include "db/inventory_file.h"
#include "db/my_table.h"
#include "edit/pick_lists.h"
#include "settings/settings.h"
#include "support/fake_main_hooks.h"
#include "support/qt_app.h"
#include "support/scripted_prompter.h"
#include "ui/qt_convert.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

namespace {

class SafekeepingWindows : public testing::Test {
protected:
    void SetUp() override {
        EnsureQtApplication();
        ASSERT_TRUE(m_root.isValid());
        QDir(m_root.path()).mkdir(QStringLiteral("prog"));
        QDir(m_root.path()).mkdir(QStringLiteral("media"));
        m_current = prog(QStringLiteral("INV.DBF"));
        ScriptedPrompter quiet;
        ASSERT_TRUE(MakeNewDB(m_current, quiet));
        m_table.open(m_current);
        m_settings.lastDatabase = m_current;
        m_settings.colorSet(ColorTarget::Configure)[ColorRole::MajorTitle] = 0x0000ff;
    }

    QString prog(const QString &name) const {
        return m_root.filePath(QStringLiteral("prog/") + name);
    }
    QString media(const QString &name = {}) const {
        return m_root.filePath(QStringLiteral("media/") + name);
    }
    static void write(const QString &path, const QByteArray &bytes) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    safekeeping::Services services() {
        return {.table = m_table,
                .settings = m_settings,
                .prompter = m_prompter,
                .hooks = m_hooks,
                .programDirectory = m_root.filePath(QStringLiteral("prog")),
                .lists = &m_lists,
                .reloadReportList = [this] { ++m_reloads; }};
    }
    template <typename T> static T *child(QWidget &window, const char *name) {
        T *found = window.findChild<T *>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    QTemporaryDir m_root;
    QString m_current;
    MyTable m_table;
    Settings m_settings;
    ScriptedPrompter m_prompter;
    FakeMainHooks m_hooks;
    picklists::PickLists m_lists{m_root.filePath(QStringLiteral("prog"))};
    int m_reloads = 0;
};

TEST_F(SafekeepingWindows, BackupShowsItsChoicesAndCopiesIntoTheChosenFolder) {
    TMyBackup dialog(services(), FormLook{});
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Backup"));
    const char *radios[][2] = {{"BackDBF", "Back Up Current Database (*.DBF)"},
                               {"BackLST", "Back Up Lists (*.LST)"},
                               {"BackURP", "Back Up Report Definitions (*.URP)"}};
    for (const auto &r : radios)
        EXPECT_EQ(child<QRadioButton>(dialog, r[0])->text(), QLatin1String(r[1]));
    EXPECT_TRUE(child<QRadioButton>(dialog, "BackDBF")->isChecked());
    for (const auto &[name, text] : {std::pair{"WhatLabel", "What To Back Up"},
                                     std::pair{"WhereLabel", "Where To Back Up To"}}) {
        QLabel *label = child<QLabel>(dialog, name);
        EXPECT_EQ(label->text(), QLatin1String(text));
        EXPECT_EQ(label->palette().color(QPalette::WindowText), ToQColor(0x0000ff));
    }
    auto *start = child<QPushButton>(dialog, "StartButton");
    EXPECT_EQ(start->text(), QStringLiteral("&Start Back Up"));
    EXPECT_TRUE(start->isDefault());
    // The folder starts at the program directory; the folder dialog changes it.
    EXPECT_EQ(dialog.directory(), m_root.filePath(QStringLiteral("prog")));
    m_prompter.fileNames.push_back(media());
    child<QPushButton>(dialog, "DirButton")->click();
    EXPECT_EQ(child<QLineEdit>(dialog, "DirBox")->text(), QDir::toNativeSeparators(media()));

    start->click();
    EXPECT_EQ(m_prompter.last().text, safekeeping::kBackupDone);
    EXPECT_TRUE(QFile::exists(media(QStringLiteral("INV.DBF"))));
    EXPECT_TRUE(m_table.isOpen());
    EXPECT_EQ(child<QPushButton>(dialog, "CancelButton")->text(), QStringLiteral("&Close"));
    EXPECT_TRUE(dialog.isVisible()) << "the dialog stays open";

    child<QPushButton>(dialog, "HelpButton")->click();
    EXPECT_EQ(m_prompter.helpKeywords, QStringList{"Backup and Restore"});
}

TEST_F(SafekeepingWindows, AFailedBackupKeepsCancel) {
    TMyBackup dialog(services(), FormLook{});
    dialog.show();
    child<QRadioButton>(dialog, "BackLST")->setChecked(true);
    write(prog(QStringLiteral("BRAND.LST")), "Acme\r\n");
    child<QPushButton>(dialog, "StartButton")->click();
    EXPECT_EQ(m_prompter.last().text, safekeeping::kIdentical);
    EXPECT_EQ(dialog.lastOutcome(), safekeeping::Outcome::Stopped);
    EXPECT_EQ(child<QPushButton>(dialog, "CancelButton")->text(), QStringLiteral("&Cancel"));
}

TEST_F(SafekeepingWindows, RestoreAsksForTheFileOfTheChoiceAndRestoresIt) {
    TMyRestore dialog(services(), FormLook{});
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Restore"));
    EXPECT_TRUE(child<QRadioButton>(dialog, "RestoreDBF")->isChecked());
    EXPECT_EQ(child<QLabel>(dialog, "WhatLabel")->text(), QStringLiteral("What To Restore"));
    auto *start = child<QPushButton>(dialog, "StartButton");
    EXPECT_EQ(start->text(), QStringLiteral("&Start Restore"));

    // A cancelled open dialog ends the restore.
    start->click();
    EXPECT_EQ(m_prompter.dialogCaptions, QStringList{"Restore DBF File"});
    EXPECT_TRUE(m_prompter.asked.empty());
    EXPECT_FALSE(dialog.lastOutcome().has_value());

    write(media(QStringLiteral("STOWKP.URP")), "definitions");
    child<QRadioButton>(dialog, "RestoreURP")->setChecked(true);
    m_prompter.fileNames.push_back(media(QStringLiteral("WHATEVER.URP")));
    start->click();
    EXPECT_EQ(m_prompter.dialogCaptions.last(), QStringLiteral("Restore URP File"));
    EXPECT_EQ(m_prompter.last().text, safekeeping::kRestoreDone);
    EXPECT_EQ(m_reloads, 1);
    EXPECT_EQ(child<QPushButton>(dialog, "CancelButton")->text(), QStringLiteral("&Close"));

    // Lists: a partial restore still ends with Close.
    write(media(QStringLiteral("BRAND.LST")), "Acme\r\n");
    child<QRadioButton>(dialog, "RestoreLST")->setChecked(true);
    m_prompter.fileNames.push_back(media(QStringLiteral("BRAND.LST")));
    start->click();
    EXPECT_EQ(m_prompter.dialogCaptions.last(), QStringLiteral("Restore LST Files"));
    EXPECT_EQ(dialog.lastOutcome(), safekeeping::Outcome::Incomplete);
    EXPECT_EQ(m_lists.items(picklists::List::Brand), QStringList{"Acme"});
}

} // namespace
