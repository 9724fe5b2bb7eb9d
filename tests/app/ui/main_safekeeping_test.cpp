#include "app/ui/t_main.h"
#include "core/field_catalogue.h"
#include "db/inventory_file.h"
#include "db/my_table.h"
#include "interchange/ui/t_my_backup.h"
#include "interchange/ui/t_my_restore.h"
#include "reports/report_file.h"
#include "reports/ui/t_my_report.h"
#include "settings/date_format.h"
#include "started_main.h"
#include "support/qt_app.h"
#include "support/scripted_prompter.h"
#include "when_shown.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

using mainwin::Cmd;

namespace {

void MakeInventory(const QString &path, const QStringList &items) {
    ScriptedPrompter quiet;
    ASSERT_TRUE(MakeNewDB(path, quiet));
    MyTable table;
    table.open(path);
    for (const QString &item : items) {
        table.insert();
        table.setText(field::Item, item);
        table.post();
    }
}

// The program over HOME.DBF in its program directory, with a backup medium beside it.
class MainSafekeeping : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureQtApplication();
        ResetDateFormat();
        ASSERT_TRUE(m_dir.isValid());
        for (const char *sub : {"data", "cfg", "media"})
            QDir(m_dir.path()).mkpath(QLatin1String(sub));
        const QString home = m_dir.filePath("data/HOME.DBF");
        MakeInventory(home, {"Pan", "Lamp"});
        ASSERT_TRUE(WriteStartSettings(m_dir.filePath("cfg/STOWKP.INI"), home,
                                       "[Sort Order]\r\nPrimary Sort=1\r\n"));
        m_settings = std::make_unique<Settings>(m_dir.path());
        m_main = StartMain(*m_settings, m_prompter, m_dir.filePath("cfg/STOWKP.INI"),
                           m_dir.filePath("data"));
    }
    void TearDown() override {
        m_main.reset();
        ResetDateFormat();
    }

    // Runs the restore command, restoring `file` as `choice` (a radio button's name).
    void restore(const char *choice, const QString &file) {
        m_prompter.fileNames.push_back(file);
        WhenShown<TMyRestore>([choice](TMyRestore &dialog) {
            dialog.findChild<QRadioButton *>(QLatin1String(choice))->setChecked(true);
            dialog.findChild<QPushButton *>(QStringLiteral("StartButton"))->click();
        });
        m_main->runCommand(Cmd::Restore);
    }
    QString count() const { return ShownCount(*m_main); }

    QTemporaryDir m_dir;
    ScriptedPrompter m_prompter;
    std::unique_ptr<Settings> m_settings;
    std::unique_ptr<TMain> m_main;
};

TEST_F(MainSafekeeping, ARestoredOldDbfBecomesTheCurrentFileUnderItsName) {
    MakeInventory(m_dir.filePath("media/OLD.DBF"), {"Radio", "Bowl", "Atlas"});
    restore("RestoreDBF", m_dir.filePath("media/OLD.DBF"));
    ASSERT_FALSE(m_prompter.asked.empty());
    EXPECT_EQ(m_prompter.last().text, QStringLiteral("Restore completed successfully."));
    const QString restored = m_dir.filePath("data/OLD.DBF");
    EXPECT_EQ(m_main->windowTitle(), QStringLiteral("Stowkeep Inventory 95 (OLD)"));
    EXPECT_EQ(m_main->currentFile(), restored);
    EXPECT_EQ(m_main->myTable().path(), restored);
    EXPECT_EQ(m_main->myTable().indexName(), QStringLiteral("NewIndex"));
    m_main->myTable().first();
    EXPECT_EQ(m_main->myTable().text(field::Item), QStringLiteral("Atlas"));
    EXPECT_EQ(count(), QStringLiteral("3"));
    // As after any open, the file left is the first recent file.
    EXPECT_EQ(m_settings->lastFiles[0], m_dir.filePath("data/HOME.DBF"));
}

TEST_F(MainSafekeeping, RestoredDefinitionsAreListedByTheReportWindowAtOnce) {
    const QString media = m_dir.filePath("media");
    ReportFile source(media);
    (void)source.ensure();
    ReportDefinition extra = source.read(0);
    extra.name = QStringLiteral("Restored Only");
    (void)source.append(extra);
    restore("RestoreURP", media + "/ANYNAME.URP");
    EXPECT_EQ(m_prompter.last().text, QStringLiteral("Restore completed successfully."));
    int listed = -1;
    WhenShown<TMyReport>(
        [&listed](TMyReport &reports) { listed = reports.findChild<QListWidget *>()->count(); });
    m_main->runCommand(Cmd::Reports);
    EXPECT_EQ(listed, ReportFile(m_dir.filePath("data")).count());
    EXPECT_EQ(listed, source.count());
}

TEST_F(MainSafekeeping, BackingUpTheCurrentFileKeepsItOpenWithTheSearchOn) {
    m_main->EnableEndSearch();
    WhenShown<TMyBackup>([this](TMyBackup &dialog) {
        dialog.setDirectory(m_dir.filePath("media"));
        dialog.findChild<QPushButton *>(QStringLiteral("StartButton"))->click();
    });
    m_main->runCommand(Cmd::Backup);
    EXPECT_EQ(m_prompter.last().text, QStringLiteral("Backup completed successfully."));
    EXPECT_TRUE(QFile::exists(m_dir.filePath("media/HOME.DBF")));
    EXPECT_TRUE(m_main->searchInForce());
    EXPECT_TRUE(m_main->myTable().isOpen());
    EXPECT_EQ(m_main->windowTitle(), QStringLiteral("Stowkeep Inventory 95 (HOME)"));
}

} // namespace
