#include "views/ui/t_color_config.h"

#include "support/qt_app.h"
#include "support/scripted_prompter.h"
#include "ui/qt_convert.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

using colors::DialogTarget;

namespace {

class ColorConfigTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureQtApplication();
        for (int i = 0; i < kColorTargetCount; ++i) {
            for (int r = 0; r < kColorRoleCount; ++r)
                sets[static_cast<std::size_t>(i)].colors[static_cast<std::size_t>(r)] =
                    static_cast<std::uint32_t>(1000 * (i + 1) + r);
        }
    }

    static QPushButton *button(TColorConfig &dialog, const char *name) {
        auto *b = dialog.findChild<QPushButton *>(QString::fromLatin1(name));
        EXPECT_NE(b, nullptr) << name;
        return b;
    }
    static void choose(TColorConfig &dialog, int entry) {
        auto *box = dialog.findChild<QComboBox *>(QStringLiteral("ColorSets"));
        ASSERT_NE(box, nullptr);
        box->setCurrentIndex(entry);
        Q_EMIT box->activated(entry);
    }

    ScriptedPrompter prompter;
    std::array<ColorSet, kColorTargetCount> sets;
    FormLook look;
};

} // namespace

TEST_F(ColorConfigTest, ControlsCarryTheirNamesAndCaptions) {
    TColorConfig dialog(prompter, DialogTarget::Main, sets[0], look);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Color Configuration"));
    const std::pair<const char *, const char *> buttons[] = {{"MainBack", "Background"},
                                                             {"MajorTitles", "Major Titles"},
                                                             {"MinorTitles", "Minor Titles"},
                                                             {"EditBoxBack", "Background"},
                                                             {"EditBoxText", "Text"},
                                                             {"ComboBack", "Background"},
                                                             {"ComboText", "Text"},
                                                             {"ListBack", "Background"},
                                                             {"ListText", "Text"},
                                                             {"RadioBack", "Background"},
                                                             {"RadioText", "Text"},
                                                             {"CheckBack", "Background"},
                                                             {"CheckText", "Text"},
                                                             {"Ok", "&Ok"},
                                                             {"Cancel", "&Cancel"}};
    for (const auto &[name, caption] : buttons) {
        QPushButton *b = button(dialog, name);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->text(), QString::fromLatin1(caption)) << name;
    }
    auto *box = dialog.findChild<QComboBox *>(QStringLiteral("ColorSets"));
    ASSERT_NE(box, nullptr);
    ASSERT_EQ(box->count(), 13);
    EXPECT_TRUE(box->itemText(0).isEmpty());
    EXPECT_EQ(box->itemText(9), QStringLiteral("Wine"));
    auto *sample = dialog.findChild<QLineEdit *>(QStringLiteral("SampleEdit"));
    ASSERT_NE(sample, nullptr);
    EXPECT_EQ(sample->text(), QStringLiteral("Sample Text"));
    for (const char *label : {"Window", "List Box", "Radio Button", "Check Box", "Edit Box",
                              "Combo Box", "Predefined Color Combinations"}) {
        bool found = false;
        for (QLabel *l : dialog.findChildren<QLabel *>())
            found = found || l->text() == QString::fromLatin1(label);
        EXPECT_TRUE(found) << label;
    }
}

TEST_F(ColorConfigTest, EachButtonEditsItsOwnColourAndRepaintsTheSample) {
    const char *names[kColorRoleCount] = {
        "MainBack",  "MajorTitles", "MinorTitles", "EditBoxBack", "EditBoxText",
        "ComboBack", "ComboText",   "ListBack",    "ListText",    "RadioBack",
        "RadioText", "CheckBack",   "CheckText"};
    TColorConfig dialog(prompter, DialogTarget::Edit, sets[1], look);
    ColorSet expected = sets[1];
    for (int role = 0; role < kColorRoleCount; ++role) {
        const std::uint32_t chosen = 0x00A000u + static_cast<std::uint32_t>(role);
        prompter.colors.push_back(chosen);
        button(dialog, names[role])->click();
        expected.colors[static_cast<std::size_t>(role)] = chosen;
        EXPECT_EQ(dialog.workingColors(), expected) << names[role];
    }
    auto *list = dialog.findChild<QListWidget *>(QStringLiteral("SampleList"));
    EXPECT_EQ(list->palette().color(QPalette::Base),
              ToQColor(expected[ColorRole::ListBoxBackground]));
    EXPECT_EQ(dialog.palette().color(QPalette::Window),
              ToQColor(expected[ColorRole::MainBackground]));

    // A cancelled colour dialog changes nothing.
    button(dialog, "ListBack")->click();
    EXPECT_EQ(dialog.workingColors(), expected);
}

TEST_F(ColorConfigTest, HandPickedColourAfterACombinationSurvivesOk) {
    TColorConfig dialog(prompter, DialogTarget::Report, sets[3], look);
    dialog.open();
    choose(dialog, 9); // Wine
    prompter.colors.push_back(0x112233u);
    button(dialog, "ListBack")->click();
    button(dialog, "Ok")->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    const auto before = sets;
    EXPECT_FALSE(dialog.applyTo(sets));
    EXPECT_EQ(sets[3][ColorRole::ListBoxBackground], 0x112233u);
    EXPECT_EQ(sets[3][ColorRole::MainBackground], colors::Rgb(128, 0, 64));
    EXPECT_EQ(sets[3][ColorRole::ComboBackground], colors::Rgb(128, 0, 128));
    EXPECT_EQ(sets[0], before[0]);
    EXPECT_EQ(sets[4], before[4]);
}

TEST_F(ColorConfigTest, MonochromePaintsTheSamples) {
    TColorConfig dialog(prompter, DialogTarget::Main, sets[0], look);
    choose(dialog, 1);
    auto *combo = dialog.findChild<QComboBox *>(QStringLiteral("SampleCombo"));
    EXPECT_EQ(combo->palette().color(QPalette::Base), QColor(Qt::white));
    EXPECT_EQ(combo->palette().color(QPalette::ButtonText), QColor(Qt::black));
    choose(dialog, 0); // the empty entry leaves the colours alone
    EXPECT_EQ(dialog.workingColors()[ColorRole::EditBackground], kWhite);
}

TEST_F(ColorConfigTest, AllTargetStartsFromMainAndGivesEverySetTheSameColours) {
    std::array<ColorSet, kColorTargetCount> expectedStart = sets;
    TColorConfig dialog(prompter, DialogTarget::All,
                        colors::StartingColors(sets, DialogTarget::All), look);
    EXPECT_EQ(dialog.workingColors(), expectedStart[0]);
    prompter.colors.push_back(0x445566u);
    button(dialog, "CheckText")->click();
    dialog.open();
    button(dialog, "Ok")->click();
    EXPECT_TRUE(dialog.applyTo(sets));
    ColorSet expected = expectedStart[0];
    expected[ColorRole::CheckText] = 0x445566u;
    for (const ColorSet &set : sets)
        EXPECT_EQ(set, expected);
}

TEST_F(ColorConfigTest, CancelDiscardsTheWorkingCopy) {
    const auto before = sets;
    TColorConfig dialog(prompter, DialogTarget::Main, sets[0], look);
    dialog.open();
    choose(dialog, 3);
    button(dialog, "Cancel")->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(dialog.applyTo(sets));
    EXPECT_EQ(sets, before);
}

TEST_F(ColorConfigTest, ShowingScalesCentresAndMovesUp) {
    look.factor = 1.25;
    look.screen = QSize(1024, 768);
    look.labelFont = FontSpec{QStringLiteral("Courier New"), 10, 0, false, true};
    TColorConfig dialog(prompter, DialogTarget::Main, sets[0], look);
    const QSize design = dialog.size();
    dialog.open();
    EXPECT_EQ(dialog.size(), QSize(qRound(design.width() * 1.25), qRound(design.height() * 1.25)));
    // Centred by the outer size, window frame included.
    const QSize outer = dialog.frameGeometry().size();
    EXPECT_EQ(dialog.pos(), QPoint((1024 - outer.width()) / 2, (768 - outer.height()) / 2 - 10));
    auto *heading = dialog.findChild<QLabel *>(QStringLiteral("WindowLabel"));
    EXPECT_EQ(heading->font().family(), QStringLiteral("Courier New"));
    EXPECT_TRUE(heading->font().italic());
    if (const QByteArray dir = qgetenv("STOWKEEP_SCREENSHOT_DIR"); !dir.isEmpty())
        dialog.grab().save(QDir(QString::fromLocal8Bit(dir)).filePath("color_config.png"));
}
