#include "views/ui/t_view_config.h"

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

namespace {

class ViewConfigTest : public ::testing::Test {
protected:
    void SetUp() override { EnsureQtApplication(); }

    std::unique_ptr<TViewConfig> make() {
        return std::make_unique<TViewConfig>(settings, prompter, look);
    }
    template <typename T> static T *child(QWidget &dialog, const char *name) {
        auto *widget = dialog.findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    static QTableWidget *grid(QWidget &dialog, const char *name) {
        return child<QTableWidget>(dialog, name);
    }
    static QString cell(QWidget &dialog, const char *name, int row, int column) {
        const QTableWidgetItem *item = grid(dialog, name)->item(row, column);
        return item ? item->text() : QStringLiteral("<none>");
    }
    static void setCell(QWidget &dialog, const char *name, int row, int column,
                        const QString &text) {
        grid(dialog, name)->item(row, column)->setText(text);
    }
    static void exitButton(QWidget &dialog) { child<QPushButton>(dialog, "ExitButton")->click(); }

    Settings settings;
    ScriptedPrompter prompter;
    FormLook look;
};

} // namespace

TEST_F(ViewConfigTest, OpensOnTheShowPageWithTheDefaults) {
    auto dialog = make();
    dialog->open();
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Viewer Configuration"));
    auto *tabs = child<QTabWidget>(*dialog, "MyTabbedPage");
    ASSERT_EQ(tabs->count(), 6);
    EXPECT_EQ(tabs->currentIndex(), 2);
    const QStringList captions{"&Title",        "&Look and Feel", "Fields to &Show",
                               "Field &Widths", "Field &Order",   "Field &Names"};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(tabs->tabText(i), captions[i]);
    for (int f = 0; f < kFieldCount; ++f) {
        EXPECT_EQ(cell(*dialog, "FieldsToDisplay", f, 0), settings.fieldNames[f]);
        EXPECT_EQ(cell(*dialog, "FieldsToDisplay", f, 1), "Yes");
        EXPECT_EQ(cell(*dialog, "FieldWidthGrid", f, 1), "15");
        EXPECT_EQ(cell(*dialog, "FieldOrderGrid", f, 0), settings.fieldNames[f]);
        EXPECT_EQ(cell(*dialog, "FieldNameGrid", f, 1), settings.fieldNames[f]);
    }
    EXPECT_EQ(cell(*dialog, "FieldNameGrid", 5, 0), "Descriptio") << "the field key";
    EXPECT_EQ(grid(*dialog, "FieldsToDisplay")->horizontalHeaderItem(1)->text(), "DISPLAY IT");
    EXPECT_EQ(grid(*dialog, "FieldNameGrid")->horizontalHeaderItem(1)->text(), "NAME TO USE");
    EXPECT_TRUE(child<QRadioButton>(*dialog, "TitleCenter")->isChecked());
    EXPECT_FALSE(child<QRadioButton>(*dialog, "TitleLeft")->isChecked());
    EXPECT_EQ(child<QLineEdit>(*dialog, "TitleFont")->text(), "12pt Arial");
    EXPECT_EQ(child<QLineEdit>(*dialog, "GridFont")->text(), "10pt Arial");
    EXPECT_TRUE(child<QCheckBox>(*dialog, "ShowGridTitle")->isChecked());
    EXPECT_FALSE(child<QCheckBox>(*dialog, "FieldEditing")->isChecked());
    for (const char *name : {"Button1", "TitleFontButton", "NewColorBUtton", "NewFontButton",
                             "OrderUp", "OrderDown", "OrderDefaults", "HelpButton"})
        EXPECT_NE(dialog->findChild<QPushButton *>(QString::fromLatin1(name)), nullptr) << name;
    exitButton(*dialog);
    EXPECT_FALSE(dialog->isVisible());
}

TEST_F(ViewConfigTest, StoredAlignmentOutsideTheRangeChecksNoRadio) {
    settings.gridTitleAlignment = 7;
    auto dialog = make();
    for (const char *name : {"TitleLeft", "TitleCenter", "TitleRight"})
        EXPECT_FALSE(child<QRadioButton>(*dialog, name)->isChecked()) << name;
    child<QRadioButton>(*dialog, "TitleRight")->click();
    EXPECT_EQ(settings.gridTitleAlignment, 3) << "radio buttons write at once";
}

TEST_F(ViewConfigTest, FirstTwoPagesChangeTheSettingsAtOnceAndCancelledDialogsNothing) {
    auto dialog = make();
    child<QCheckBox>(*dialog, "ShowGridTitle")->click();
    child<QCheckBox>(*dialog, "RowLines")->click();
    child<QCheckBox>(*dialog, "FieldEditing")->click();
    EXPECT_FALSE(settings.gridShowTitles);
    EXPECT_FALSE(settings.gridRowLines);
    EXPECT_TRUE(settings.gridColumnLines);
    EXPECT_TRUE(settings.gridFieldEditing);

    // Cancelled colour and font dialogs (no scripted answer) leave everything as it was.
    const Settings before = settings;
    child<QPushButton>(*dialog, "Button1")->click();
    child<QPushButton>(*dialog, "NewFontButton")->click();
    EXPECT_EQ(settings.gridTitleColor, before.gridTitleColor);
    EXPECT_EQ(settings.gridFont, before.gridFont);
    EXPECT_EQ(child<QLineEdit>(*dialog, "GridFont")->text(), "10pt Arial");

    prompter.colors.push_back(0x0000FFu); // red
    child<QPushButton>(*dialog, "NewColorBUtton")->click();
    EXPECT_EQ(settings.gridCellColor, 0x0000FFu);
    EXPECT_EQ(child<QFrame>(*dialog, "CellColorShape")->palette().color(QPalette::Window),
              QColor(255, 0, 0));
    EXPECT_EQ(settings.gridTitleColor, before.gridTitleColor) << "the other swatch's colour";

    FontSpec courier{QStringLiteral("Courier New"), 14};
    courier.underline = true;
    prompter.fonts.push_back(courier);
    child<QPushButton>(*dialog, "TitleFontButton")->click();
    EXPECT_EQ(settings.gridTitleFont, courier);
    EXPECT_EQ(child<QLineEdit>(*dialog, "TitleFont")->text(), "14pt Courier New");
    EXPECT_EQ(settings.gridFont, before.gridFont);
}

TEST_F(ViewConfigTest, FieldPagesReachTheSettingsOnlyWhenClosed) {
    auto dialog = make();
    dialog->open();
    setCell(*dialog, "FieldWidthGrid", 0, 1, "0");
    setCell(*dialog, "FieldWidthGrid", 1, 1, "256");
    setCell(*dialog, "FieldWidthGrid", 2, 1, "-3");
    setCell(*dialog, "FieldWidthGrid", 3, 1, "abc");
    setCell(*dialog, "FieldWidthGrid", 4, 1, " 40 ");
    dialog->FieldsToDisplayDblClick(field::Brand, 1);
    dialog->FieldsToDisplayDblClick(field::Model, 0); // first column: no toggle
    EXPECT_EQ(cell(*dialog, "FieldsToDisplay", field::Brand, 1), "No");
    EXPECT_EQ(cell(*dialog, "FieldsToDisplay", field::Model, 1), "Yes");
    setCell(*dialog, "FieldNameGrid", field::Cost, 1, "Price of the thing, with tax");
    EXPECT_EQ(settings.fieldWidth[0], 15);
    EXPECT_TRUE(settings.displayFields[field::Brand]);
    EXPECT_EQ(settings.fieldNames[field::Cost], "Cost");

    exitButton(*dialog);
    EXPECT_FALSE(dialog->isVisible());
    for (int f = 0; f < 4; ++f) {
        EXPECT_EQ(settings.fieldWidth[f], 10) << f;
        EXPECT_EQ(cell(*dialog, "FieldWidthGrid", f, 1), "10") << f;
    }
    EXPECT_EQ(settings.fieldWidth[4], 40);
    EXPECT_FALSE(settings.displayFields[field::Brand]);
    EXPECT_TRUE(settings.displayFields[field::Model]);
    EXPECT_EQ(settings.fieldNames[field::Cost], "Price of the thing, ");
}

TEST_F(ViewConfigTest, DuplicateNamesKeepTheDialogOpenOnTheNamesPage) {
    auto dialog = make();
    dialog->open();
    setCell(*dialog, "FieldNameGrid", field::Item, 1, "Cost");
    setCell(*dialog, "FieldWidthGrid", 0, 1, "33");
    exitButton(*dialog);
    EXPECT_TRUE(dialog->isVisible());
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.last().title, "Error");
    EXPECT_EQ(prompter.last().text,
              "Two field names have the same name \"Cost\".  Please change one.");
    EXPECT_EQ(prompter.last().buttons, Prompter::Ok);
    EXPECT_EQ(child<QTabWidget>(*dialog, "MyTabbedPage")->currentIndex(), 5);
    EXPECT_EQ(settings.fieldNames[field::Item], "Item") << "nothing stored while refused";
    EXPECT_EQ(settings.fieldWidth[0], 15);

    // Escape and the close box take the same check.
    dialog->reject();
    EXPECT_TRUE(dialog->isVisible());
    dialog->close();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(prompter.asked.size(), 3u);

    // Names that differ only in case are different names.
    setCell(*dialog, "FieldNameGrid", field::Item, 1, "cost");
    dialog->reject();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(prompter.asked.size(), 3u);
    EXPECT_EQ(settings.fieldNames[field::Item], "cost");
    EXPECT_EQ(settings.fieldNames[field::Cost], "Cost");
    EXPECT_EQ(settings.fieldWidth[0], 33) << "closing by Escape keeps the changes too";
}

TEST_F(ViewConfigTest, OrderPageMovesRowsAndDefaultsAskFirst) {
    for (int f = 0; f < kFieldCount; ++f)
        settings.fieldOrder[f] = kFieldCount - f;
    auto dialog = make();
    QTableWidget *order = grid(*dialog, "FieldOrderGrid");
    EXPECT_EQ(cell(*dialog, "FieldOrderGrid", 0, 0), "User Defined 4");

    order->setCurrentCell(0, 0);
    dialog->OrderUpClick(); // nothing above row 0
    EXPECT_EQ(cell(*dialog, "FieldOrderGrid", 0, 0), "User Defined 4");
    dialog->OrderDownClick();
    EXPECT_EQ(cell(*dialog, "FieldOrderGrid", 0, 0), "User Defined 3");
    EXPECT_EQ(cell(*dialog, "FieldOrderGrid", 1, 0), "User Defined 4");
    EXPECT_EQ(order->currentRow(), 1) << "the selection moves with the row";
    order->setCurrentCell(21, 0);
    child<QPushButton>(*dialog, "OrderDown")->click(); // nothing below the last row
    EXPECT_EQ(cell(*dialog, "FieldOrderGrid", 21, 0), "Item");

    prompter.answers.push_back(Prompter::No);
    child<QPushButton>(*dialog, "OrderDefaults")->click();
    EXPECT_EQ(prompter.last().title, "Re-Order");
    EXPECT_EQ(prompter.last().text,
              "This will set the order of fields to the program defaults.  Continue?");
    EXPECT_EQ(prompter.last().buttons, Prompter::Yes | Prompter::No);
    EXPECT_EQ(cell(*dialog, "FieldOrderGrid", 0, 0), "User Defined 3") << "No changes nothing";

    prompter.answers.push_back(Prompter::Yes);
    child<QPushButton>(*dialog, "OrderDefaults")->click();
    for (int r = 0; r < kFieldCount; ++r)
        EXPECT_EQ(cell(*dialog, "FieldOrderGrid", r, 0), settings.fieldNames[r]);
    EXPECT_EQ(settings.fieldOrder[0], 22) << "the order takes effect on closing";
    exitButton(*dialog);
    for (int f = 0; f < kFieldCount; ++f)
        EXPECT_EQ(settings.fieldOrder[f], f + 1);
}

TEST_F(ViewConfigTest, RenamedFieldKeepsItsPositionWhenAlsoMoved) {
    settings.fieldOrder[field::Cost] = 3;
    settings.fieldOrder[field::Model] = 11;
    auto dialog = make();
    dialog->open();
    QTableWidget *order = grid(*dialog, "FieldOrderGrid");
    ASSERT_EQ(cell(*dialog, "FieldOrderGrid", 2, 0), "Cost");
    order->setCurrentCell(2, 0);
    dialog->OrderUpClick();
    dialog->OrderUpClick();
    ASSERT_EQ(cell(*dialog, "FieldOrderGrid", 0, 0), "Cost");
    setCell(*dialog, "FieldNameGrid", field::Cost, 1, "Price");
    exitButton(*dialog);
    EXPECT_EQ(settings.fieldNames[field::Cost], "Price");
    EXPECT_EQ(settings.fieldOrder[field::Cost], 3);
    // The Ups left Item on row 2 and Brand on row 3, which Price still holds: Brand goes
    // to the first free row instead of sharing position 3.
    EXPECT_EQ(settings.fieldOrder[field::Item], 2);
    EXPECT_EQ(settings.fieldOrder[field::Brand], 1);

    // The next opening lists the new name where the field stands, and moving it works.
    auto again = make();
    EXPECT_EQ(cell(*again, "FieldOrderGrid", 2, 0), "Price");
    grid(*again, "FieldOrderGrid")->setCurrentCell(2, 0);
    again->OrderUpClick();
    exitButton(*again);
    EXPECT_EQ(settings.fieldOrder[field::Cost], 2);
}

TEST_F(ViewConfigTest, HelpOpensTheTopicOfTheVisiblePage) {
    auto dialog = make();
    auto *tabs = child<QTabWidget>(*dialog, "MyTabbedPage");
    for (int page = 0; page < 6; ++page) {
        tabs->setCurrentIndex(page);
        child<QPushButton>(*dialog, "HelpButton")->click();
    }
    EXPECT_EQ(prompter.helpKeywords,
              QStringList({"Viewer Configuration Title", "Viewer Configuration Look",
                           "Viewer Configuration Show", "Viewer Configuration Widths",
                           "Viewer Configuration Order", "Viewer Configuration Names"}));
}

TEST_F(ViewConfigTest, ShowingScalesTheGridsAndPaintsTheConfigureColours) {
    look.factor = 2.0;
    look.screen = QSize(1280, 1024);
    settings.colorSet(ColorTarget::Configure)[ColorRole::ListBoxBackground] = 0x00FF00u;
    settings.colorSet(ColorTarget::Configure)[ColorRole::MinorTitle] = 0xFF0000u;
    auto dialog = make();
    dialog->open();
    QTableWidget *names = grid(*dialog, "FieldNameGrid");
    EXPECT_EQ(names->columnWidth(0), 400);
    EXPECT_EQ(names->columnWidth(1), 400);
    EXPECT_EQ(names->width(), 820);
    EXPECT_EQ(grid(*dialog, "FieldsToDisplay")->columnWidth(1), 200);
    EXPECT_EQ(names->palette().color(QPalette::Base), QColor(0, 255, 0));
    EXPECT_EQ(child<QWidget>(*dialog, "OrderingLabel")->palette().color(QPalette::WindowText),
              QColor(0, 0, 255));
    // The swatches keep their own colours.
    EXPECT_EQ(child<QFrame>(*dialog, "TitleShape")->palette().color(QPalette::Window),
              ToQColor(settings.gridTitleColor));
    EXPECT_GE(dialog->width(), 2 * 470 - 2);
    dialog->accept();
}
