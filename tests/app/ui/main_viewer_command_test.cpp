#include "views/ui/t_view_config.h"

#include "app/ui/t_main.h"
#include "app/ui/viewer_model.h"
#include "settings/settings.h"
#include "support/qt_app.h"
#include "support/scripted_prompter.h"
#include "ui/qt_convert.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>
#include <memory>

// The whole command from the main window: the dialog runs modally, and on closing the
// viewer shows what was chosen.
class ViewerCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureQtApplication();
        ASSERT_TRUE(m_dir.isValid());
        QDir(m_dir.path()).mkpath("data");
        QFile config(m_dir.filePath("STOWKP.INI"));
        ASSERT_TRUE(config.open(QIODevice::WriteOnly));
        config.write("[Misc]\r\nShow Tips=No\r\n");
        config.close();
        m_settings = std::make_unique<Settings>(m_dir.path());
        m_main = std::make_unique<TMain>(
            *m_settings, m_prompter,
            TMain::Options{
                m_dir.filePath("STOWKP.INI"), m_dir.filePath("data"), {}, QSize(1280, 1024)});
        m_main->provideWindow(mainwin::Needs::TipWindow, [](mainwin::Cmd) {});
        ASSERT_TRUE(m_main->FormCreate());
        m_main->show();
        QApplication::processEvents();
    }
    void TearDown() override {
        m_main->close();
        m_main.reset();
    }

    QByteArray configText() const {
        QFile config(m_dir.filePath("STOWKP.INI"));
        return config.open(QIODevice::ReadOnly) ? config.readAll() : QByteArray();
    }

    // Runs the viewer command, doing `drive` to the dialog while it is shown modally.
    void runViewer(const std::function<void(TViewConfig &)> &drive) {
        bool driven = false;
        QTimer::singleShot(0, m_main.get(), [&] {
            auto *dialog = qobject_cast<TViewConfig *>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            driven = true;
            drive(*dialog);
            if (dialog->isVisible())
                dialog->reject();
        });
        m_main->runCommand(mainwin::Cmd::Viewer);
        EXPECT_TRUE(driven);
    }

    QTemporaryDir m_dir;
    ScriptedPrompter m_prompter;
    std::unique_ptr<Settings> m_settings;
    std::unique_ptr<TMain> m_main;
};

TEST_F(ViewerCommandTest, ClosingAppliesTheFieldPagesToTheViewer) {
    ASSERT_TRUE(m_main->isAvailable(mainwin::Needs::ViewerConfig));
    ViewerModel *model = m_main->viewerModel();
    ASSERT_EQ(model->columnCount(), 22);
    const int wideBefore = m_main->viewerGrid()->columnWidth(0);

    runViewer([](TViewConfig &dialog) {
        auto *widths = dialog.findChild<QTableWidget *>(QStringLiteral("FieldWidthGrid"));
        auto *order = dialog.findChild<QTableWidget *>(QStringLiteral("FieldOrderGrid"));
        auto *names = dialog.findChild<QTableWidget *>(QStringLiteral("FieldNameGrid"));
        dialog.FieldsToDisplayDblClick(field::Brand, 1);
        widths->item(field::Category, 1)->setText(QStringLiteral("300"));
        widths->item(field::Item, 1)->setText(QStringLiteral("40"));
        order->setCurrentCell(field::Category, 0);
        for (int i = 0; i < field::Category; ++i)
            dialog.OrderUpClick();
        names->item(field::Owner, 1)->setText(QStringLiteral("Whose"));
        dialog.findChild<QCheckBox *>(QStringLiteral("ShowGridTitle"))->click();
        dialog.findChild<QPushButton *>(QStringLiteral("ExitButton"))->click();
    });

    EXPECT_EQ(model->columnCount(), 21) << "Brand hidden";
    EXPECT_EQ(model->columnOfField(field::Brand), -1);
    EXPECT_EQ(model->fieldOfColumn(0), field::Category);
    EXPECT_EQ(model->fieldOfColumn(1), field::Item);
    EXPECT_EQ(model->fieldOfColumn(2), field::Model) << "shown fields numbered without gaps";
    const int owner = model->columnOfField(field::Owner);
    ASSERT_GE(owner, 0);
    EXPECT_EQ(model->headerData(owner, Qt::Horizontal, Qt::DisplayRole).toString(), "Whose");
    EXPECT_EQ(m_settings->fieldWidth[field::Category], 10);
    EXPECT_GT(m_main->viewerGrid()->columnWidth(1), wideBefore) << "Item is 40 wide, was 15";
    EXPECT_LT(m_main->viewerGrid()->columnWidth(0), wideBefore) << "Category 10, was 15";
    EXPECT_FALSE(m_main->viewerGrid()->horizontalHeader()->isVisible());
    EXPECT_EQ(configText(), "[Misc]\r\nShow Tips=No\r\n") << "the file is written at exit only";
}
