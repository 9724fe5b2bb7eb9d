#include "app/ui/db_navigator.h"
#include "app/ui/t_main.h"
#include "app/ui/viewer_model.h"
#include "db/engine/dbf_table.h"
#include "db/inventory_file.h"
#include "db/my_table.h"
#include "settings/date_format.h"
#include "settings/profile_file.h"
#include "support/qt_app.h"
#include "support/scripted_prompter.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolButton>

using mainwin::Cmd;
using mainwin::Needs;

namespace {

// One start of the program over a temporary configuration file and program directory.
class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureQtApplication();
        ASSERT_TRUE(m_dir.isValid());
        QDir(m_dir.path()).mkpath("data");
        QDir(m_dir.path()).mkpath("cfg");
        ResetDateFormat();
    }
    void TearDown() override { ResetDateFormat(); }

    QString dataDir() const { return m_dir.filePath("data"); }
    QString configFile() const { return m_dir.filePath("cfg/STOWKP.INI"); }
    QString dataFile(const QString &name) const { return dataDir() + "/" + name; }

    void writeConfig(const QString &lines) {
        QFile file(configFile());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(("[Misc]\r\nShow Tips=No\r\n" + lines).toLatin1());
    }
    QString storedValue(const char *section, const char *key) const {
        return ProfileFile::load(configFile()).value(section, key).value_or(QString());
    }

    TMain &start(QStringList arguments = {}, QSize screen = QSize(1280, 1024)) {
        m_settings = std::make_unique<Settings>(m_dir.path());
        m_main = std::make_unique<TMain>(
            *m_settings, m_prompter,
            TMain::Options{configFile(), dataDir(), std::move(arguments), screen});
        m_main->provideWindow(Needs::TipWindow, [this](Cmd) { ++m_tipsShown; });
        m_started = m_main->FormCreate();
        return *m_main;
    }
    void showMain() {
        m_main->show();
        QApplication::processEvents();
    }
    void closeMain() {
        m_main->close();
        m_main.reset();
    }

    void makeInventory(const QString &path, int records = 0) {
        ScriptedPrompter quiet;
        ASSERT_TRUE(MakeNewDB(path, quiet));
        if (records == 0)
            return;
        MyTable table;
        table.open(path);
        for (int i = 0; i < records; ++i) {
            table.insert();
            table.setText(QStringLiteral("Item"), QStringLiteral("Thing %1").arg(i));
            table.setText(QStringLiteral("PurchDate"), QStringLiteral("7/5/96"));
            table.post();
        }
        table.close();
    }

    template <typename T> T *child(const char *name) const {
        return m_main->findChild<T *>(QLatin1String(name));
    }
    QAction *menu(Cmd id) const { return m_main->action(id); }

    QTemporaryDir m_dir;
    ScriptedPrompter m_prompter;
    std::unique_ptr<Settings> m_settings;
    std::unique_ptr<TMain> m_main;
    bool m_started = false;
    int m_tipsShown = 0;
};

TEST_F(MainWindowTest, FirstStartCreatesAndOpensMasterInTheProgramDirectory) {
    TMain &main = start();
    ASSERT_TRUE(m_started);
    EXPECT_TRUE(QFile::exists(dataFile("MASTER.DBF")));
    EXPECT_EQ(main.windowTitle(), "Stowkeep Inventory 95 (MASTER)");
    EXPECT_TRUE(main.myTable().isOpen());
    EXPECT_TRUE(m_prompter.asked.empty());
    // Defaults of a first start.
    EXPECT_EQ(main.width(), 640);
    EXPECT_EQ(main.height(), 480);
    EXPECT_TRUE(menu(Cmd::Size640)->isChecked());
    EXPECT_TRUE(menu(Cmd::Date1)->isChecked());
    EXPECT_FALSE(menu(Cmd::DateLeadingZeros)->isChecked());
    EXPECT_TRUE(menu(Cmd::CurrencyUS)->isChecked());
    EXPECT_TRUE(menu(Cmd::SpeedButtons)->isChecked());
    showMain();
    EXPECT_EQ(child<QLabel>("CountLabel")->text(), "0");
    EXPECT_EQ(child<QLabel>("ViewerLabel")->text(), "Inventory Viewer");
    EXPECT_FALSE(child<QLabel>("SearchOnLabel")->isVisible());
    EXPECT_EQ(main.viewerModel()->columnCount(), 22);
    closeMain();
    EXPECT_EQ(storedValue("Misc", "Last Database"), dataFile("MASTER.DBF"));
    EXPECT_EQ(storedValue("Misc", "Main Window Width"), "640");
}

TEST_F(MainWindowTest, DeletedLastDatabaseFallsBackToMaster) {
    writeConfig("Last Database=" + dataFile("GONE.DBF") + "\r\n");
    TMain &main = start();
    ASSERT_TRUE(m_started);
    EXPECT_EQ(main.currentFile(), dataFile("MASTER.DBF"));
    EXPECT_TRUE(m_prompter.asked.empty());
    closeMain();
    EXPECT_EQ(storedValue("Misc", "Last Database"), dataFile("MASTER.DBF"));
}

TEST_F(MainWindowTest, InvalidLastDatabaseAsksUntilAValidFileIsChosen) {
    const QString bad = dataFile("OTHER.DBF");
    db::DbfTable::create(bad.toStdString(), {db::FieldDef{"NAME", 'C', 10, 0, 0}});
    const QString good = dataFile("GOOD.DBF");
    makeInventory(good, 2);
    writeConfig("Last Database=" + bad + "\r\n");
    m_prompter.fileNames = {bad, good};
    TMain &main = start();
    ASSERT_TRUE(m_started);
    ASSERT_EQ(m_prompter.asked.size(), 3u);
    EXPECT_TRUE(m_prompter.asked[0].text.startsWith("This DBase file was not created"));
    EXPECT_EQ(m_prompter.asked[1].title, "Error");
    EXPECT_EQ(m_prompter.asked[1].text,
              "The last database used as recorded in the INI file is not a valid Stowkeep "
              "Inventory 95 file.  You will need to choose a new file.");
    EXPECT_TRUE(m_prompter.asked[2].text.startsWith("This DBase file was not created"));
    EXPECT_EQ(m_prompter.dialogCaptions, QStringList({"Open Database File", "Open Database File"}));
    EXPECT_EQ(main.currentFile(), good);
    EXPECT_EQ(main.windowTitle(), "Stowkeep Inventory 95 (GOOD)");
    EXPECT_EQ(main.myTable().recordCount(), 2);
}

TEST_F(MainWindowTest, CancellingTheChoiceOfAValidFileEndsTheProgram) {
    const QString bad = dataFile("OTHER.DBF");
    db::DbfTable::create(bad.toStdString(), {db::FieldDef{"NAME", 'C', 10, 0, 0}});
    writeConfig("Last Database=" + bad + "\r\n");
    start();
    EXPECT_FALSE(m_started);
}

TEST_F(MainWindowTest, StoredScreenSizeTheScreenCannotShowFallsBackButIsKept) {
    writeConfig("Window Size=1024\r\n");
    TMain &main = start({}, QSize(800, 600));
    ASSERT_TRUE(m_started);
    EXPECT_DOUBLE_EQ(main.windowSizeFactor(), 1.0);
    EXPECT_TRUE(menu(Cmd::Size640)->isChecked());
    EXPECT_FALSE(menu(Cmd::Size1024)->isChecked());
    closeMain();
    EXPECT_EQ(storedValue("Misc", "Window Size"), "1024");
}

TEST_F(MainWindowTest, ScreenSizeCommandRefusesWhatTheScreenCannotShow) {
    TMain &main = start({}, QSize(1024, 768));
    menu(Cmd::Size1280)->trigger();
    EXPECT_EQ(m_prompter.last().title, "Error");
    EXPECT_EQ(m_prompter.last().text,
              "Your current screen resolution does not support 1280 x 1024 pixels.");
    EXPECT_TRUE(menu(Cmd::Size640)->isChecked());
    EXPECT_FALSE(menu(Cmd::Size1280)->isChecked());
    EXPECT_EQ(main.settings().windowSize, 640);

    menu(Cmd::Size1024)->trigger();
    EXPECT_DOUBLE_EQ(main.windowSizeFactor(), 1.6);
    EXPECT_TRUE(menu(Cmd::Size1024)->isChecked());
    EXPECT_FALSE(menu(Cmd::Size640)->isChecked());
    EXPECT_EQ(main.settings().windowSize, 1024);
    // The size in force again: nothing happens, the mark stays.
    const auto asked = m_prompter.asked.size();
    menu(Cmd::Size1024)->trigger();
    EXPECT_TRUE(menu(Cmd::Size1024)->isChecked());
    EXPECT_EQ(m_prompter.asked.size(), asked);
}

TEST_F(MainWindowTest, BrowseModeInLowerCaseDisablesChangesAndKeepsFieldEditing) {
    writeConfig("[Grid Options]\r\nField Editing=Yes\r\n");
    TMain &main = start({"/browse"});
    ASSERT_TRUE(m_started);
    EXPECT_TRUE(main.browseMode());
    for (Cmd id : {Cmd::Add, Cmd::Copy, Cmd::Delete, Cmd::Backup, Cmd::Restore, Cmd::Viewer,
                   Cmd::Import, Cmd::ListBrand, Cmd::SearchReplace})
        EXPECT_FALSE(menu(id)->isEnabled()) << mainwin::Command(id).menuObject;
    for (const char *speed : {"AddSpeed", "CopySpeed", "ImportSpeed", "DeleteSpeed", "ViewerSpeed"})
        EXPECT_FALSE(child<QToolButton>(speed)->isEnabled()) << speed;
    EXPECT_TRUE(menu(Cmd::Open)->isEnabled());
    showMain();
    auto *navigator = child<DbNavigator>("MyNavigator");
    EXPECT_TRUE(navigator->button(DbNavigator::Next)->isVisible());
    EXPECT_FALSE(navigator->button(DbNavigator::Insert)->isVisible());
    EXPECT_FALSE(navigator->button(DbNavigator::Delete)->isVisible());
    EXPECT_FALSE(main.viewerModel()->editable());
    // A delete by shortcut or by the lettered button cannot get past browse mode either.
    main.runCommand(Cmd::Delete);
    EXPECT_TRUE(m_prompter.asked.empty());
    closeMain();
    EXPECT_EQ(storedValue("Grid Options", "Field Editing"), "Yes");
}

TEST_F(MainWindowTest, OpeningFilesKeepsTheRecentList) {
    const QString a = dataFile("A.DBF"), b = dataFile("B.DBF"), c = dataFile("C.DBF");
    for (const QString &path : {a, b, c})
        makeInventory(path);
    writeConfig("Last Database=" + a + "\r\nLast File 1=" + b + "\r\nLast File 2=" + c + "\r\n");
    TMain &main = start();
    ASSERT_EQ(main.currentFile(), a);
    auto *recent1 = m_main->findChild<QAction *>("MenuLastFile1");
    auto *recent3 = m_main->findChild<QAction *>("MenuLastFile3");
    EXPECT_EQ(recent1->text(), "&1   " + b);

    m_prompter.fileNames = {b};
    main.runCommand(Cmd::Open);
    EXPECT_EQ(main.currentFile(), b);
    EXPECT_EQ(main.settings().lastFiles[0], a);
    EXPECT_EQ(main.settings().lastFiles[1], c);
    EXPECT_TRUE(main.settings().lastFiles[2].isEmpty());
    EXPECT_EQ(recent1->text(), "&1   " + a);
    EXPECT_FALSE(recent3->isVisible() && !recent3->text().isEmpty() &&
                 main.settings().lastFiles[2].isEmpty());

    // Reopening the current file lists it.
    m_prompter.fileNames = {b};
    main.runCommand(Cmd::Open);
    EXPECT_EQ(main.settings().lastFiles[0], b);
    EXPECT_EQ(main.settings().lastFiles[1], a);

    // A recent entry opens without the file type check, through the same sequence.
    main.OpenSaveFile(3);
    EXPECT_EQ(main.currentFile(), c);
    EXPECT_EQ(main.windowTitle(), "Stowkeep Inventory 95 (C)");

    // A listed file that is gone: the engine's message, the current file stays open.
    main.settings().lastFiles[0] = dataFile("GONE.DBF");
    main.SetMenuLastFiles();
    m_prompter.asked.clear();
    main.OpenSaveFile(1);
    EXPECT_FALSE(m_prompter.asked.empty());
    EXPECT_EQ(main.currentFile(), c);
    EXPECT_TRUE(main.myTable().isOpen());
    closeMain();
    EXPECT_EQ(storedValue("Misc", "Last File 1"), dataFile("GONE.DBF"));
}

TEST_F(MainWindowTest, EmptyRecentListHidesTheSeparator) {
    start();
    showMain();
    auto *separator = m_main->findChild<QAction *>("MenuLastFileSeparator");
    ASSERT_NE(separator, nullptr);
    EXPECT_FALSE(separator->isVisible());
    for (int i = 1; i <= 5; ++i)
        EXPECT_FALSE(
            m_main->findChild<QAction *>(QStringLiteral("MenuLastFile%1").arg(i))->isVisible());
}

TEST_F(MainWindowTest, OpenAndNewRefuseOtherFileTypes) {
    TMain &main = start();
    const QString before = main.currentFile();
    m_prompter.fileNames = {dataFile("notes.txt")};
    main.runCommand(Cmd::Open);
    EXPECT_EQ(m_prompter.last().text, "Invalid file type selected.");
    EXPECT_EQ(m_prompter.last().title, "Error");
    EXPECT_EQ(main.currentFile(), before);

    // A name typed without extension gets the default one.
    m_prompter.fileNames = {dataFile("FRESH")};
    main.runCommand(Cmd::New);
    EXPECT_TRUE(QFile::exists(dataFile("FRESH.DBF")));
    EXPECT_EQ(main.currentFile(), dataFile("FRESH.DBF"));
    EXPECT_EQ(main.settings().lastFiles[0], before);
}

TEST_F(MainWindowTest, DeleteAnsweredNoDeletesNothingAndRefreshesTheCount) {
    makeInventory(dataFile("HOME.DBF"), 3);
    writeConfig("Last Database=" + dataFile("HOME.DBF") + "\r\n");
    TMain &main = start();
    showMain();
    auto *count = child<QLabel>("CountLabel");
    count->setText("stale");
    m_prompter.answers = {Prompter::No};
    menu(Cmd::Delete)->trigger();
    ASSERT_EQ(m_prompter.asked.size(), 1u);
    EXPECT_EQ(m_prompter.asked[0].title, "Confirm");
    EXPECT_EQ(m_prompter.asked[0].text, "Delete this record?");
    EXPECT_EQ(m_prompter.asked[0].buttons, Prompter::Yes | Prompter::No);
    EXPECT_EQ(m_prompter.asked[0].defaultButton, Prompter::No);
    EXPECT_EQ(main.myTable().recordCount(), 3);
    EXPECT_EQ(count->text(), "3");

    m_prompter.answers = {Prompter::Yes};
    main.runCommand(Cmd::Delete);
    EXPECT_EQ(main.myTable().recordCount(), 2);
    EXPECT_EQ(count->text(), "2");
    EXPECT_EQ(main.viewerModel()->rowCount(), 2);
}

TEST_F(MainWindowTest, LetteredButtonModeShowsTheLabelAndMovesTheGrid) {
    TMain &main = start();
    showMain();
    auto *grid = child<QTableView>("ViewerGrid");
    EXPECT_EQ(grid->y(), 70);
    EXPECT_TRUE(child<QWidget>("SpeedPanel")->isVisible());
    EXPECT_FALSE(child<QPushButton>("AddButton")->isVisible());

    menu(Cmd::LetteredButtons)->trigger();
    EXPECT_EQ(main.settings().buttonBar, 2);
    EXPECT_TRUE(menu(Cmd::LetteredButtons)->isChecked());
    EXPECT_FALSE(menu(Cmd::SpeedButtons)->isChecked());
    EXPECT_EQ(grid->y(), 122);
    EXPECT_TRUE(child<QLabel>("NavigatorLabel")->isVisible());
    EXPECT_FALSE(child<QWidget>("SpeedPanel")->isVisible());
    for (const char *name :
         {"AddButton", "EditButton", "CopyButton", "DeleteButton", "SearchButton",
          "EndSearchButton", "ReportButton", "ViewerButton", "HelpButton", "ButtonExit"})
        EXPECT_TRUE(child<QPushButton>(name)->isVisible()) << name;
    EXPECT_TRUE(child<QPushButton>("DeleteButton")->isEnabled());
    EXPECT_TRUE(child<QPushButton>("HelpButton")->isEnabled());
    EXPECT_TRUE(child<QPushButton>("AddButton")->isEnabled());
    EXPECT_TRUE(child<QPushButton>("ReportButton")->isEnabled());
    EXPECT_FALSE(child<QPushButton>("EndSearchButton")->isEnabled());

    child<QPushButton>("HelpButton")->click();
    EXPECT_EQ(m_prompter.helpKeywords, QStringList({QString()}));

    menu(Cmd::NoButtons)->trigger();
    EXPECT_EQ(grid->y(), 40);
    main.resize(900, 500);
    QApplication::processEvents();
    auto *navigator = child<QWidget>("MyNavigator");
    EXPECT_EQ(navigator->x(), main.centralWidget()->width() - 207);
    closeMain();
    EXPECT_EQ(storedValue("Misc", "Button Bar"), "3");
}

TEST_F(MainWindowTest, CommandsOfMissingWindowsAreDisabledUntilProvided) {
    TMain &main = start();
    for (Cmd id : {Cmd::OtherProducts, Cmd::Order})
        EXPECT_FALSE(menu(id)->isEnabled()) << mainwin::Command(id).menuObject;
    // Windows the program has built are on from the start.
    for (Cmd id :
         {Cmd::Viewer, Cmd::SortOrder, Cmd::Locate, Cmd::LocateNext, Cmd::Search,
          Cmd::SearchReplace, Cmd::Reports, Cmd::Print, Cmd::Add, Cmd::Edit, Cmd::Copy,
          Cmd::ListBrand, Cmd::ListOwner, Cmd::Backup, Cmd::Restore, Cmd::Export, Cmd::Import})
        EXPECT_TRUE(menu(id)->isEnabled()) << mainwin::Command(id).menuObject;
    EXPECT_TRUE(child<QToolButton>("ImportSpeed")->isEnabled());
    main.provideWindow(Needs::ProductInfo, [](Cmd) {});
    EXPECT_TRUE(menu(Cmd::OtherProducts)->isEnabled());
    EXPECT_TRUE(menu(Cmd::Order)->isEnabled());
    EXPECT_TRUE(menu(Cmd::AllColor)->isEnabled());
    EXPECT_TRUE(child<QToolButton>("ColorSpeed")->isEnabled());
    EXPECT_TRUE(menu(Cmd::About)->isEnabled());

    std::vector<std::pair<Cmd, int>> calls;
    main.provideWindow(Needs::RecordEditor,
                       [&](Cmd id) { calls.emplace_back(id, main.editMode()); });
    EXPECT_TRUE(menu(Cmd::Add)->isEnabled());
    EXPECT_TRUE(child<QToolButton>("CopySpeed")->isEnabled());
    child<QToolButton>("AddSpeed")->click();
    menu(Cmd::Edit)->trigger();
    main.runCommand(Cmd::Copy);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0], std::make_pair(Cmd::Add, 1));
    EXPECT_EQ(calls[1], std::make_pair(Cmd::Edit, 2));
    EXPECT_EQ(calls[2], std::make_pair(Cmd::Copy, 3));
}

TEST_F(MainWindowTest, DateFormatMenuChangesWhatTheGridShows) {
    makeInventory(dataFile("HOME.DBF"), 1);
    writeConfig("Last Database=" + dataFile("HOME.DBF") + "\r\n");
    TMain &main = start();
    showMain();
    ViewerModel *model = main.viewerModel();
    const int column = model->columnOfField(field::PurchDate);
    ASSERT_GE(column, 0);
    EXPECT_EQ(model->index(0, column).data().toString(), "7/5/96");

    menu(Cmd::Date12)->trigger();
    EXPECT_EQ(main.settings().dateFormat, 12);
    EXPECT_TRUE(menu(Cmd::Date12)->isChecked());
    EXPECT_FALSE(menu(Cmd::Date1)->isChecked());
    EXPECT_EQ(model->index(0, column).data().toString(), "5.7.1996");

    menu(Cmd::DateLeadingZeros)->trigger();
    EXPECT_TRUE(main.settings().dateLeadingZeros);
    EXPECT_TRUE(menu(Cmd::DateLeadingZeros)->isChecked());
    EXPECT_EQ(model->index(0, column).data().toString(), "05.07.1996");

    menu(Cmd::NumericWin)->trigger();
    EXPECT_EQ(main.settings().numericFormat, 2);
    EXPECT_TRUE(menu(Cmd::NumericWin)->isChecked());
    EXPECT_FALSE(menu(Cmd::NumericUS)->isChecked());
    closeMain();
    EXPECT_EQ(storedValue("Misc", "Date Format"), "12");
    EXPECT_EQ(storedValue("Misc", "Date Leading Zeros"), "Yes");
    EXPECT_EQ(storedValue("Misc", "Numeric Format"), "2");
}

TEST_F(MainWindowTest, ViewerFollowsTheViewerSettings) {
    writeConfig("[Display Fields]\r\nBrand=No\r\n[Field Order]\r\nItem=12\r\nCategory=1\r\n"
                "[Field Names]\r\nCategory=Kind\r\n[Grid Options]\r\nField Editing=Yes\r\n"
                "Row Indicator=No\r\n[Grid Title]\r\nShow Titles=No\r\n");
    TMain &main = start();
    showMain();
    ViewerModel *model = main.viewerModel();
    EXPECT_EQ(model->columnCount(), 21);
    EXPECT_EQ(model->fieldOfColumn(0), field::Category);
    EXPECT_EQ(model->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), "Kind");
    EXPECT_EQ(model->columnOfField(field::Brand), -1);
    EXPECT_TRUE(model->editable());
    auto *grid = child<QTableView>("ViewerGrid");
    EXPECT_FALSE(grid->horizontalHeader()->isVisible());
    EXPECT_FALSE(grid->verticalHeader()->isVisible());
}

TEST_F(MainWindowTest, GridEditsPostToTheFileAndPickListsComeFromTheirFiles) {
    makeInventory(dataFile("HOME.DBF"), 1);
    QFile brands(dataFile("BRAND.LST"));
    ASSERT_TRUE(brands.open(QIODevice::WriteOnly));
    brands.write("Acme\r\n\r\n   \r\n Zenith \r\n");
    brands.close();
    writeConfig("Last Database=" + dataFile("HOME.DBF") +
                "\r\n[Grid Options]\r\nField Editing=Yes\r\n");
    TMain &main = start();
    showMain();
    auto *combo = child<QComboBox>("MyComboBrand");
    ASSERT_EQ(combo->count(), 2);
    EXPECT_EQ(combo->itemText(1), " Zenith ");
    EXPECT_EQ(child<QComboBox>("MyComboOwner")->count(), 0);

    ViewerModel *model = main.viewerModel();
    const QModelIndex brand = model->index(0, model->columnOfField(field::Brand));
    EXPECT_TRUE(model->setData(brand, "Acme", Qt::EditRole));
    const QModelIndex warranty = model->index(0, model->columnOfField(field::Warranty));
    EXPECT_TRUE(model->setData(warranty, Qt::Checked, Qt::CheckStateRole));
    const QModelIndex date = model->index(0, model->columnOfField(field::PurchDate));
    EXPECT_FALSE(model->setData(date, "31/31/99", Qt::EditRole));
    EXPECT_EQ(m_prompter.last().title, "Error");
    closeMain();

    MyTable table;
    table.open(dataFile("HOME.DBF"));
    EXPECT_EQ(table.text(QStringLiteral("Brand")), "Acme");
    EXPECT_EQ(table.text(QStringLiteral("Warranty")), "Yes");
    EXPECT_EQ(table.text(QStringLiteral("PurchDate")), "7/5/96");
}

} // namespace

namespace {

TEST_F(MainWindowTest, SearchIndicatorAndEndSearchFollowTheSearchInForce) {
    makeInventory(dataFile("HOME.DBF"), 5);
    writeConfig("Last Database=" + dataFile("HOME.DBF") + "\r\n");
    TMain &main = start();
    showMain();
    auto *searchOn = child<QLabel>("SearchOnLabel");
    EXPECT_FALSE(searchOn->isVisible());
    EXPECT_FALSE(menu(Cmd::EndSearch)->isEnabled());
    EXPECT_FALSE(child<QToolButton>("EndSearchSpeed")->isEnabled());

    main.setSearchFilter([](const RecordView &record) {
        return record.text(record.layout().indexOf(u"Item")).endsWith('1') ||
               record.text(record.layout().indexOf(u"Item")).endsWith('3');
    });
    main.EnableEndSearch();
    main.DisplayCount();
    EXPECT_TRUE(main.searchInForce());
    EXPECT_TRUE(searchOn->isVisible());
    EXPECT_TRUE(menu(Cmd::EndSearch)->isEnabled());
    EXPECT_TRUE(child<QToolButton>("EndSearchSpeed")->isEnabled());
    EXPECT_EQ(child<QLabel>("CountLabel")->text(), "2");
    EXPECT_EQ(main.viewerModel()->rowCount(), 2);

    // Updating the database reads it again and keeps the search.
    main.runCommand(Cmd::Update);
    EXPECT_TRUE(main.searchInForce());
    EXPECT_EQ(main.viewerModel()->rowCount(), 2);

    menu(Cmd::EndSearch)->trigger();
    EXPECT_FALSE(main.searchInForce());
    EXPECT_FALSE(searchOn->isVisible());
    EXPECT_FALSE(menu(Cmd::EndSearch)->isEnabled());
    EXPECT_EQ(child<QLabel>("CountLabel")->text(), "5");
    EXPECT_EQ(main.viewerModel()->rowCount(), 5);
}

} // namespace

TEST_F(MainWindowTest, ClosingTellsOfSettingsTheFileCouldNotKeep) {
    // A name with a character the Windows code page lacks is saved, but not as typed.
    start();
    m_settings->fieldNames[0] = QStringLiteral("Item \u03A9");
    closeMain();
    ASSERT_FALSE(m_prompter.asked.empty());
    EXPECT_EQ(m_prompter.last().title, "Warning");
    EXPECT_TRUE(m_prompter.last().text.contains("[Field Names]"))
        << m_prompter.last().text.toStdString();
    EXPECT_FALSE(storedValue("Field Names", "Item").isEmpty());

    // A save that fails outright is an error, not a silent loss.
    m_prompter.asked.clear();
    start();
    QFile::remove(configFile());
    ASSERT_TRUE(QDir().mkpath(configFile()));
    closeMain();
    ASSERT_FALSE(m_prompter.asked.empty());
    EXPECT_EQ(m_prompter.last().title, "Error");
    EXPECT_TRUE(m_prompter.last().text.contains("could not be saved"));

    // An ordinary close says nothing.
    ASSERT_TRUE(QDir().rmdir(configFile()));
    m_prompter.asked.clear();
    start();
    closeMain();
    EXPECT_TRUE(m_prompter.asked.empty());
}

TEST_F(MainWindowTest, AnUnreadableSettingsFileIsToldAndReplacedOnlyWhenTheUserSaysSo) {
    // Bigger than any settings file: the program cannot read it, but it may be the user's.
    QByteArray big("[Misc]\r\nShow Tips=No\r\n");
    big.append(QByteArray(ProfileFile::kMaxFileSize, ';'));
    auto writeBig = [&] {
        QFile file(configFile());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(big);
    };
    auto configBytes = [&] {
        QFile file(configFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    writeBig();

    start();
    ASSERT_TRUE(m_started);
    ASSERT_FALSE(m_prompter.asked.empty());
    EXPECT_EQ(m_prompter.asked.front().title, "Warning");
    EXPECT_TRUE(m_prompter.asked.front().text.contains("could not be read"));
    m_prompter.asked.clear();
    m_prompter.answers = {Prompter::No};
    closeMain();
    ASSERT_EQ(m_prompter.asked.size(), 1u) << "declining is not an error";
    EXPECT_EQ(m_prompter.last().title, "Confirm");
    EXPECT_EQ(m_prompter.last().defaultButton, Prompter::No);
    EXPECT_EQ(configBytes(), big) << "the file is left as it was";

    m_prompter.asked.clear();
    start();
    m_settings->fieldNames[0] = QStringLiteral("Thing");
    m_prompter.answers = {Prompter::Yes};
    closeMain();
    EXPECT_EQ(storedValue("Field Names", "Item"), "Thing");
    EXPECT_LT(configBytes().size(), ProfileFile::kMaxFileSize);
}
