#include "views/ui/t_my_sort_order.h"

#include "db/inventory_file.h"
#include "db/inventory_fixture.h"
#include "db/my_table.h"
#include "settings/settings.h"
#include "support/fake_main_hooks.h"
#include "support/qt_app.h"
#include "support/scripted_prompter.h"
#include "ui/qt_convert.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>

namespace {

class SortOrderWindow : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureQtApplication();
        ASSERT_TRUE(m_dir.isValid());
        m_path = fixture::newInventory(m_dir);
        m_config = m_dir.filePath(QStringLiteral("STOWKP.INI"));
        m_table.open(m_path, MyTable::OpenMode::Exclusive);
        const char *items[] = {"Saw", "Bowl", "Radio", "Atlas"};
        const char *cats[] = {"Tools", "Kitchen", "Audio", "Books"};
        for (int i = 0; i < 4; ++i)
            fixture::addItem(m_table, QString::fromLatin1(items[i]), QString::fromLatin1(cats[i]));
        fixture::reopenSorted(m_table, m_path, QStringLiteral("Upper(Left(Category,80))"));
        m_settings.lastDatabase = m_path;
        m_settings.sortLevels = {12, 1, 0, 0};
        m_hooks.onSaveSettings = [this] { return m_settings.saveTo(m_config); };
    }

    QStringList items() {
        QStringList out;
        for (m_table.first(); !m_table.isEmpty() && !m_table.eof(); m_table.next())
            out << m_table.text(field::Item);
        return out;
    }
    static QComboBox *combo(TMySortOrder &dialog, int n) {
        return dialog.findChild<QComboBox *>(QStringLiteral("ComboBox%1").arg(n));
    }
    void choose(TMySortOrder &dialog, std::array<int, 4> levels) {
        for (int i = 0; i < 4; ++i)
            combo(dialog, i + 1)->setCurrentIndex(levels[static_cast<std::size_t>(i)]);
    }
    static void pressOk(TMySortOrder &dialog) {
        dialog.findChild<QPushButton *>(QStringLiteral("OkButton"))->click();
    }

    QTemporaryDir m_dir;
    QString m_path, m_config;
    Settings m_settings;
    MyTable m_table;
    ScriptedPrompter m_prompter;
    FakeMainHooks m_hooks;
};

TEST_F(SortOrderWindow, ShowsTheFourLevelsUnderTheirLabelsInTheConfigurationColours) {
    m_settings.fieldNames[0] = QStringLiteral("Thing");
    m_settings.colorSet(ColorTarget::Configure)[ColorRole::MinorTitle] = 0x0000ff;
    m_settings.colorSet(ColorTarget::Configure)[ColorRole::MajorTitle] = 0x00ff00;
    TMySortOrder dialog(m_table, m_settings, m_prompter, m_hooks, FormLook{});
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Sort Order"));
    const char *labels[] = {"Primary Sort", "Secondary Sort", "Third Level Sort",
                            "Fourth Level Sort"};
    for (int i = 0; i < 4; ++i) {
        auto *label = dialog.findChild<QLabel *>(QStringLiteral("LabelSort%1").arg(i + 1));
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->text(), QLatin1String(labels[i]));
        EXPECT_EQ(label->palette().color(QPalette::WindowText), ToQColor(0x0000ff))
            << "labels take the minor title colour";
        QComboBox *box = combo(dialog, i + 1);
        ASSERT_NE(box, nullptr);
        ASSERT_EQ(box->count(), 23);
        EXPECT_EQ(box->itemText(0), QStringLiteral("<NONE>"));
        EXPECT_EQ(box->itemText(1), QStringLiteral("Thing"));
    }
    EXPECT_EQ(combo(dialog, 1)->currentIndex(), 12);
    EXPECT_EQ(combo(dialog, 2)->currentIndex(), 1);
    EXPECT_EQ(combo(dialog, 3)->currentIndex(), 0);
    EXPECT_EQ(dialog.findChild<QPushButton *>(QStringLiteral("OkButton"))->text(),
              QStringLiteral("&Ok"));
    EXPECT_EQ(dialog.findChild<QPushButton *>(QStringLiteral("CancelButton"))->text(),
              QStringLiteral("&Cancel"));
}

TEST_F(SortOrderWindow, AllNoneClosesWithFileOrderAndSavesAtOnce) {
    TMySortOrder dialog(m_table, m_settings, m_prompter, m_hooks, FormLook{});
    dialog.show();
    choose(dialog, {0, 0, 0, 0});
    pressOk(dialog);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(m_prompter.asked.empty());
    EXPECT_EQ(items(), (QStringList{"Saw", "Bowl", "Radio", "Atlas"}));
    Settings saved;
    ASSERT_EQ(saved.loadFrom(m_config), ProfileFile::LoadStatus::Loaded);
    EXPECT_EQ(saved.sortLevels, (std::array<int, 4>{0, 0, 0, 0}));
    EXPECT_EQ(m_hooks.viewerApplied, 1);
}

TEST_F(SortOrderWindow, TheSameFieldTwiceAndAGapAreTakenAsChosen) {
    TMySortOrder dialog(m_table, m_settings, m_prompter, m_hooks, FormLook{});
    dialog.show();
    choose(dialog, {1, 0, 1, 0});
    EXPECT_EQ(dialog.selectedLevels(), (std::array<int, 4>{1, 0, 1, 0}));
    pressOk(dialog);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(m_settings.sortLevels, (std::array<int, 4>{1, 0, 1, 0}));
    EXPECT_EQ(items(), (QStringList{"Atlas", "Bowl", "Radio", "Saw"}));
}

TEST_F(SortOrderWindow, ASecondOpenOfTheFileKeepsTheDialogOpenAndTheOldLevels) {
    TMySortOrder dialog(m_table, m_settings, m_prompter, m_hooks, FormLook{});
    dialog.show();
    choose(dialog, {1, 0, 0, 0});
    {
        MyTable other; // another user of the same file
        other.open(m_path, MyTable::OpenMode::Shared);
        pressOk(dialog);
    }
    EXPECT_TRUE(dialog.isVisible()) << "the dialog stays for another try";
    EXPECT_EQ(dialog.lastOutcome(), sortorder::Outcome::InUse);
    ASSERT_EQ(m_prompter.asked.size(), 1u);
    EXPECT_EQ(m_prompter.asked[0].title, QStringLiteral("Error"));
    EXPECT_EQ(m_prompter.asked[0].text, sortorder::kInUseMessage);
    EXPECT_EQ(m_settings.sortLevels, (std::array<int, 4>{12, 1, 0, 0}));
    EXPECT_FALSE(QFile::exists(m_config));
    EXPECT_EQ(items(), (QStringList{"Radio", "Atlas", "Bowl", "Saw"}));

    // Once the other user has gone, the same choice goes through.
    pressOk(dialog);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(m_settings.sortLevels, (std::array<int, 4>{1, 0, 0, 0}));
}

TEST_F(SortOrderWindow, CancelChangesNothing) {
    TMySortOrder dialog(m_table, m_settings, m_prompter, m_hooks, FormLook{});
    dialog.show();
    choose(dialog, {2, 3, 4, 5});
    dialog.findChild<QPushButton *>(QStringLiteral("CancelButton"))->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(m_settings.sortLevels, (std::array<int, 4>{12, 1, 0, 0}));
    EXPECT_EQ(m_hooks.viewerApplied, 0);
    EXPECT_FALSE(QFile::exists(m_config));
}

TEST_F(SortOrderWindow, ScalesByTheSizeFactorAndCentresWithoutLift) {
    TMySortOrder plain(m_table, m_settings, m_prompter, m_hooks, FormLook{});
    const QSize design = plain.size();
    FormLook look;
    look.factor = 1.6;
    look.screen = QSize(1024, 768);
    TMySortOrder dialog(m_table, m_settings, m_prompter, m_hooks, look);
    dialog.show();
    EXPECT_EQ(dialog.size(), QSize(qRound(design.width() * 1.6), qRound(design.height() * 1.6)));
    const QSize outer = dialog.frameGeometry().size();
    EXPECT_EQ(dialog.pos(), QPoint((1024 - outer.width()) / 2, (768 - outer.height()) / 2))
        << "centred, without the lift some dialogs take";
}

} // namespace
