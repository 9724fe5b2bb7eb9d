#include "edit/ui/t_my_edit.h"

#include "db/inventory_fixture.h"
#include "key_input.h"
#include "settings/date_format.h"
#include "settings/regional.h"
#include "settings/settings.h"
#include "support/qt_app.h"
#include "support/scripted_prompter.h"
#include "ui/masked_edit.h"
#include "ui/qt_convert.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>

#include <map>

namespace {

class EditWindow : public testing::Test {
protected:
    void SetUp() override {
        EnsureQtApplication();
        ResetDateFormat();
        SetCurrentRegional(RegionalValues());
        ASSERT_TRUE(m_dir.isValid());
        m_path = fixture::newInventory(m_dir);
        m_table.open(m_path);
        QFile brands(m_dir.filePath("BRAND.LST"));
        ASSERT_TRUE(brands.open(QIODevice::WriteOnly));
        brands.write("Sony\r\nAcme\r\n");
        brands.close();
        m_edit = std::make_unique<TMyEdit>(m_table, m_settings, m_dir.path(), m_prompter,
                                           [this] { return m_look; });
    }
    void TearDown() override {
        m_edit.reset();
        ResetDateFormat();
    }

    void addRecord(const std::map<int, QString> &fields) {
        m_table.insert();
        for (const auto &[f, text] : fields)
            m_table.setText(f, text);
        m_table.post();
    }
    // Shows the window as the main window's command does, without waiting in exec().
    void open(int mode) {
        m_edit->setEditMode(mode);
        m_edit->show();
        m_edit->activateWindow();
        QApplication::setActiveWindow(m_edit.get());
        QApplication::processEvents();
    }
    template <class T = QWidget> T *find(const char *name) {
        T *w = m_edit->findChild<T *>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QLineEdit *edit(const char *name) { return find<QLineEdit>(name); }
    QComboBox *combo(const char *name) { return find<QComboBox>(name); }
    MaskedEdit *date(const char *name) { return find<MaskedEdit>(name); }
    QAction *action(const char *name) { return find<QAction>(name); }
    void click(const char *button) { find<QPushButton>(button)->click(); }
    int page() { return find<QTabWidget>("MyTabbedNoteBook")->currentIndex(); }
    // Moves the focus the way a user's Tab or click does, so the box left sees it.
    void focus(QWidget *w) {
        w->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
    }
    QString storedItem(int fieldIndex) {
        MyTable reader;
        reader.open(m_path, MyTable::OpenMode::ReadOnly);
        reader.last();
        return reader.text(fieldIndex);
    }
    int records() {
        MyTable reader;
        reader.open(m_path, MyTable::OpenMode::ReadOnly);
        return static_cast<int>(reader.recordCount());
    }

    QTemporaryDir m_dir;
    QString m_path;
    MyTable m_table;
    Settings m_settings;
    ScriptedPrompter m_prompter;
    FormLook m_look;
    std::unique_ptr<TMyEdit> m_edit;
};

TEST_F(EditWindow, HasEveryPageControlLabelButtonAndMenuItem) {
    m_settings.fieldNames[field::Descriptio] = QStringLiteral("Notes on it");
    m_settings.fieldNames[field::Quantity] = QStringLiteral("How many");
    open(1);
    EXPECT_EQ(m_edit->windowTitle(), QStringLiteral("Edit"));
    EXPECT_FALSE(m_edit->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(m_edit->windowFlags() & Qt::WindowMaximizeButtonHint);
    auto *notebook = find<QTabWidget>("MyTabbedNoteBook");
    ASSERT_EQ(notebook->count(), 4);
    EXPECT_EQ(notebook->tabText(0), QStringLiteral("De&scription"));
    EXPECT_EQ(notebook->tabText(1), QStringLiteral("&Worth"));
    EXPECT_EQ(notebook->tabText(2), QStringLiteral("W&arranty"));
    EXPECT_EQ(notebook->tabText(3), QStringLiteral("&Other"));
    EXPECT_EQ(page(), 0);

    for (const editor::ControlInfo &info : editor::Controls()) {
        QWidget *control = find(info.name);
        ASSERT_NE(control, nullptr) << info.name;
        EXPECT_EQ(notebook->indexOf(control->parentWidget()), info.page) << info.name;
        auto *label = find<QLabel>(info.label);
        ASSERT_NE(label, nullptr) << info.label;
        if (info.kind == editor::ControlKind::Edit && info.entryLimit > 0) {
            EXPECT_EQ(static_cast<QLineEdit *>(control)->maxLength(), info.entryLimit) << info.name;
        }
        if (info.kind == editor::ControlKind::Combo) {
            EXPECT_EQ(static_cast<QComboBox *>(control)->lineEdit()->maxLength(), info.entryLimit);
        }
    }
    EXPECT_EQ(find<QLabel>("CommentsLabel")->text(), QStringLiteral("Notes on it"));
    EXPECT_EQ(find<QLabel>("QuantityLabel")->text(), QStringLiteral("Quantity"))
        << "the quantity label keeps its fixed caption";
    EXPECT_EQ(find<QLabel>("BoughtLabel")->text(), QStringLiteral("Purchased From"));
    EXPECT_EQ(find<QCheckBox>("Warranty")->text(), QStringLiteral("Warranty"));
    EXPECT_EQ(find<QLabel>("TotLabel")->text(), QStringLiteral("Totals"));
    EXPECT_EQ(date("WarDate")->maskText(), QStringLiteral("  /  /    "));
    for (const char *name : {"WorthItem", "WarrantyItem", "OtherItem"})
        EXPECT_EQ(find<QLabel>(name)->text(), QStringLiteral("Item: "));
    EXPECT_EQ(combo("Brand")->count(), 2) << "the pick list was loaded at creation";

    const std::pair<const char *, const char *> buttons[] = {
        {"UpdateExitButton", "&Update && Exit"},
        {"UpdateButton", "Up&date"},
        {"ClearButton", "C&lear"},
        {"CancelButton", "E&xit"},
        {"PrevButton", "&Previous"},
        {"NextButton", "&Next"},
        {"BlankWarDate", "Blank Date"},
        {"BlankPurchDate", "Blank Date"}};
    for (const auto &[name, caption] : buttons)
        EXPECT_EQ(find<QPushButton>(name)->text(), QString::fromUtf8(caption)) << name;
    const std::tuple<const char *, const char *, const char *> items[] = {
        {"MenuNew", "N&ew Record", "Ctrl+E"},
        {"MenuCopyRecord", "Cop&y Record", "Ctrl+Y"},
        {"MenuClear", "&Clear Record", "Ctrl+L"},
        {"MenuUpdate", "Up&date Record", "Ctrl+R"},
        {"MenuUpdateExit", "&Update && Exit", "Ctrl+U"},
        {"MenuPrevious", "&Previous Record", "Ctrl+P"},
        {"MenuNext", "&Next Record", "Ctrl+N"},
        {"MenuExit", "E&xit", ""},
        {"MenuCut", "Cu&t", "Ctrl+X"},
        {"MenuCopy", "&Copy", "Ctrl+C"},
        {"MenuPaste", "&Paste", "Ctrl+V"},
        {"MenuDelete", "&Delete", "Ctrl+D"},
        {"MenuHelp", "&Help", "Ctrl+H"}};
    for (const auto &[name, caption, key] : items) {
        QAction *a = action(name);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->text(), QString::fromUtf8(caption));
        EXPECT_EQ(a->shortcut(), QKeySequence(QLatin1String(key))) << name;
    }
    QStringList menus;
    for (QAction *a : find<QMenuBar>("MainMenu")->actions())
        menus << a->text();
    EXPECT_EQ(menus, (QStringList{"&File", "&Edit", "&Help"}));
}

TEST_F(EditWindow, EditingARecordShowsItAndUpdateAndExitStoresAndSavesTheLists) {
    addRecord({{field::Item, "Radio"},
               {field::Warranty, "yes"},
               {field::Value, "10"},
               {field::Quantity, "3"},
               {field::WarDate, "12/31/2001"}});
    m_table.first();
    m_settings.fieldNames[field::Item] = QStringLiteral("Thing");
    open(2);
    EXPECT_EQ(edit("Item")->text(), QStringLiteral("Radio"));
    EXPECT_FALSE(find<QCheckBox>("Warranty")->isChecked());
    EXPECT_EQ(find<QLabel>("TotValueLabel")->text(), QStringLiteral("30.00 "));
    EXPECT_EQ(find<QLabel>("WorthItem")->text(), QStringLiteral("Thing: Radio"));
    EXPECT_EQ(date("WarDate")->maskText(), QStringLiteral("12/31/2001"));
    combo("Brand")->setEditText(QStringLiteral(" Philips "));
    click("UpdateExitButton");
    EXPECT_FALSE(m_edit->isVisible());
    EXPECT_TRUE(m_prompter.asked.empty());
    EXPECT_EQ(storedItem(field::Warranty), QStringLiteral("No"));
    EXPECT_EQ(storedItem(field::Brand), QStringLiteral("Philips"));
    EXPECT_EQ(m_edit->editMode(), editor::kCurrentRecord);
    QFile brands(m_dir.filePath("BRAND.LST"));
    ASSERT_TRUE(brands.open(QIODevice::ReadOnly));
    EXPECT_EQ(brands.readAll(), QByteArray("Sony\r\nAcme\r\nPhilips\r\n"));
    EXPECT_EQ(combo("Brand")->itemText(2), QStringLiteral("Philips"));
}

TEST_F(EditWindow, QuantityRoundsOnLeavingButARefusalComesFirstThroughTheShortcut) {
    open(1);
    edit("Item")->setText(QStringLiteral("Chairs"));
    find<QTabWidget>("MyTabbedNoteBook")->setCurrentIndex(1);
    focus(edit("Quantity"));
    edit("Quantity")->setText(QStringLiteral("2.6"));
    action("MenuUpdate")->trigger();
    EXPECT_EQ(m_prompter.last().text,
              QStringLiteral("Invalid quantity specified.  Please correct."));
    EXPECT_EQ(page(), 1);
    EXPECT_EQ(QApplication::focusWidget(), edit("Quantity"));
    EXPECT_EQ(records(), 0);

    edit("Value")->setText(QStringLiteral("10"));
    focus(edit("Value"));
    EXPECT_EQ(edit("Quantity")->text(), QStringLiteral("3"));
    focus(edit("Cost"));
    EXPECT_EQ(edit("Value")->text(), QStringLiteral("10.00"));
    EXPECT_EQ(find<QLabel>("TotValueLabel")->text(), QStringLiteral("30.00 "));
    action("MenuUpdate")->trigger();
    EXPECT_EQ(records(), 1);
    EXPECT_EQ(storedItem(field::Quantity), QStringLiteral("3"));
    EXPECT_EQ(m_edit->windowTitle(), QStringLiteral("Edit"));
}

TEST_F(EditWindow, AFailedDateCheckShowsTheWarrantyPageWithTheFocusOnTheDate) {
    open(1);
    date("PurchDate")->setMaskText(u" 2/31/2001");
    click("UpdateButton");
    EXPECT_EQ(m_prompter.last().text,
              QStringLiteral("Invalid purchase date specified.  Please correct."));
    EXPECT_EQ(m_prompter.last().title, QStringLiteral("Error"));
    EXPECT_EQ(page(), 2);
    EXPECT_EQ(QApplication::focusWidget(), date("PurchDate"));
    click("BlankPurchDate");
    EXPECT_EQ(date("PurchDate")->maskText(), QStringLiteral("  /  /    "));
    click("UpdateButton");
    EXPECT_EQ(records(), 1);
    EXPECT_EQ(storedItem(field::PurchDate), QString());
}

TEST_F(EditWindow, EnterWalksTheControlsAcrossThePages) {
    open(1);
    focus(combo("TheOwner"));
    keys::press(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(page(), 1);
    EXPECT_EQ(QApplication::focusWidget(), edit("Quantity"));
    focus(edit("RepCost"));
    keys::press(QApplication::focusWidget(), Qt::Key_Enter);
    EXPECT_EQ(page(), 2);
    EXPECT_EQ(QApplication::focusWidget(), date("WarDate"));
    find<QTabWidget>("MyTabbedNoteBook")->setCurrentIndex(3);
    focus(edit("UserDef4"));
    keys::press(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(page(), 0);
    EXPECT_EQ(QApplication::focusWidget(), edit("Item"));
    // On the Warranty box and the buttons the key does nothing, not even a default button.
    find<QTabWidget>("MyTabbedNoteBook")->setCurrentIndex(2);
    focus(find<QCheckBox>("Warranty"));
    keys::press(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), find<QCheckBox>("Warranty"));
    focus(find<QPushButton>("UpdateButton"));
    keys::press(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(records(), 0);
    EXPECT_TRUE(m_edit->isVisible());
}

TEST_F(EditWindow, RecordShortcutsWinOverTheEditBoxesOwnKeys) {
    addRecord({{field::Item, "One"}});
    m_table.first();
    open(2);
    focus(edit("Item"));
    keys::press(edit("Item"), Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(m_edit->windowTitle(), QStringLiteral("Edit (New Record)"));
    EXPECT_EQ(edit("Item")->text(), QString());
    keys::press(edit("Item"), Qt::Key_H, Qt::ControlModifier);
    EXPECT_EQ(m_prompter.helpKeywords, QStringList{"Input Window"});
}

TEST_F(EditWindow, NewCopyClearAndTheQuestionsOnLeaving) {
    addRecord({{field::Item, "One"}, {field::UserDef1, "mine"}});
    m_table.first();
    open(3);
    EXPECT_EQ(m_edit->windowTitle(), QStringLiteral("Edit")) << "a copy from the main window";
    EXPECT_EQ(edit("Item")->text(), QStringLiteral("One"));
    action("MenuCopyRecord")->trigger();
    EXPECT_EQ(m_edit->windowTitle(), QStringLiteral("Edit (New Copied Record)"));
    click("ClearButton");
    EXPECT_EQ(edit("Item")->text(), QString());
    EXPECT_EQ(edit("UserDef1")->text(), QStringLiteral("mine"));
    EXPECT_EQ(edit("Quantity")->text(), QStringLiteral("1"));
    m_prompter.answers.push_back(Prompter::No);
    click("CancelButton");
    EXPECT_TRUE(m_edit->isVisible());
    EXPECT_EQ(m_prompter.last().text,
              QStringLiteral("Data has changed.  Do you want to exit without updating?"));
    // The close box asks the same, so a click on it never throws the typing away unasked.
    m_prompter.answers.push_back(Prompter::No);
    m_edit->close();
    EXPECT_TRUE(m_edit->isVisible());
    EXPECT_EQ(m_prompter.asked.size(), 2u);
    m_prompter.answers.push_back(Prompter::Yes);
    m_edit->close();
    EXPECT_FALSE(m_edit->isVisible());
    EXPECT_EQ(records(), 1);
    EXPECT_TRUE(QFile::exists(m_dir.filePath("OWNER.LST"))) << "every close saves the lists";
}

TEST_F(EditWindow, PreviousAndNextStepThroughTheMainWindowsRecords) {
    addRecord({{field::Item, "One"}});
    addRecord({{field::Item, "Two"}});
    m_table.first();
    open(2);
    click("NextButton");
    EXPECT_EQ(edit("Item")->text(), QStringLiteral("Two"));
    EXPECT_EQ(m_table.recNo(), 2u);
    edit("Model")->setText(QStringLiteral("changed"));
    m_prompter.answers.push_back(Prompter::No);
    action("MenuPrevious")->trigger();
    EXPECT_EQ(m_prompter.last().text,
              QStringLiteral("Data has changed.  Update this record before moving to the "
                             "previous record?"));
    EXPECT_EQ(edit("Item")->text(), QStringLiteral("One"));
    EXPECT_EQ(edit("Model")->text(), QString());
    EXPECT_TRUE(m_prompter.beeps.size() == 1 && m_prompter.beeps[0] == Prompter::Icon::Question);
}

TEST_F(EditWindow, BrowseModeTurnsTheChangingCommandsOffAndAsksNothing) {
    addRecord({{field::Item, "One"}});
    addRecord({{field::Item, "Two"}});
    m_table.first();
    m_edit->setBrowseMode(true);
    open(2);
    for (const char *name : {"UpdateExitButton", "UpdateButton", "ClearButton"})
        EXPECT_FALSE(find<QPushButton>(name)->isEnabled()) << name;
    for (const char *name : {"CancelButton", "PrevButton", "NextButton"})
        EXPECT_TRUE(find<QPushButton>(name)->isEnabled()) << name;
    for (const char *name : {"MenuNew", "MenuClear", "MenuUpdate", "MenuUpdateExit", "MenuCut",
                             "MenuCopy", "MenuPaste", "MenuDelete"})
        EXPECT_FALSE(action(name)->isEnabled()) << name;
    for (const char *name : {"MenuCopyRecord", "MenuPrevious", "MenuNext", "MenuExit"})
        EXPECT_TRUE(action(name)->isEnabled()) << name;
    edit("Item")->setText(QStringLiteral("typed"));
    click("NextButton");
    EXPECT_EQ(edit("Item")->text(), QStringLiteral("Two"));
    edit("Item")->setText(QStringLiteral("typed"));
    click("CancelButton");
    EXPECT_FALSE(m_edit->isVisible());
    EXPECT_TRUE(m_prompter.asked.empty());
}

TEST_F(EditWindow, TheEditMenuWorksOnEditAndComboBoxesOnly) {
    open(1);
    focus(combo("Brand"));
    combo("Brand")->setEditText(QStringLiteral("Grundig"));
    combo("Brand")->lineEdit()->selectAll();
    action("MenuCut")->trigger();
    EXPECT_EQ(combo("Brand")->currentText(), QString());
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("Grundig"));
    focus(edit("Model"));
    action("MenuPaste")->trigger();
    EXPECT_EQ(edit("Model")->text(), QStringLiteral("Grundig"));
    edit("Model")->setSelection(0, 4);
    action("MenuDelete")->trigger();
    EXPECT_EQ(edit("Model")->text(), QStringLiteral("dig"));
    find<QTabWidget>("MyTabbedNoteBook")->setCurrentIndex(2);
    focus(date("WarDate"));
    action("MenuPaste")->trigger();
    EXPECT_EQ(date("WarDate")->maskText(), QStringLiteral("  /  /    "));
}

TEST_F(EditWindow, ScalesFromItsDesignSizeEveryTimeItIsShown) {
    open(1);
    const QSize design = m_edit->size();
    m_edit->hide();
    m_look.factor = 1.25;
    open(1);
    EXPECT_EQ(m_edit->width(), qRound(design.width() * 1.25));
    m_edit->hide();
    open(1);
    EXPECT_EQ(m_edit->width(), qRound(design.width() * 1.25)) << "it does not grow twice";
}

TEST_F(EditWindow, TheEditColoursPaintTheControls) {
    m_settings.colorSet(ColorTarget::Edit)[ColorRole::EditBackground] = 0x00ffff;
    open(1);
    EXPECT_EQ(edit("Item")->palette().color(QPalette::Base), ToQColor(0x00ffff));
}

} // namespace
