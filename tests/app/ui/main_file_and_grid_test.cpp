#include "app/main_commands.h"
#include "app/ui/t_main.h"
#include "app/ui/viewer_model.h"
#include "core/field_catalogue.h"
#include "db/engine/db_error.h"
#include "db/engine/test_hook.h"
#include "db/inventory_file.h"
#include "db/my_table.h"
#include "edit/ui/key_input.h"
#include "settings/date_format.h"
#include "started_main.h"
#include "support/ordinary_user.h"
#include "support/qt_app.h"
#include "support/scripted_prompter.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolButton>

#include <sys/stat.h>

using mainwin::Cmd;
using mainwin::Needs;

namespace {

// The main window over files that fail to open, files that cannot be changed, long paths,
// and the grid's own editing.
class MainFileAndGridTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureQtApplication();
        ASSERT_TRUE(m_dir.isValid());
        QDir(m_dir.path()).mkpath("data");
        ResetDateFormat();
    }
    void TearDown() override {
        db::testhook::set(nullptr);
        if (m_main)
            closeMain();
        ResetDateFormat();
    }

    QString dataFile(const QString &name) const { return m_dir.filePath("data/" + name); }

    TMain &start(const QString &config) {
        QFile file(m_dir.filePath("STOWKP.INI"));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(("[Misc]\r\nShow Tips=No\r\n" + config).toLatin1());
        file.close();
        m_settings = std::make_unique<Settings>(m_dir.path());
        m_main =
            StartMain(*m_settings, m_prompter, m_dir.filePath("STOWKP.INI"), m_dir.filePath("data"),
                      [this](TMain &main) {
                          main.provideWindow(Needs::RecordEditor, [this](Cmd) { ++m_editorShown; });
                      });
        return *m_main;
    }
    void closeMain() {
        m_main->close();
        m_main.reset();
    }

    // An inventory with the given items, added in this order, sorted by item.
    static void makeInventory(const QString &path, const QStringList &items) {
        ScriptedPrompter quiet;
        ASSERT_TRUE(MakeNewDB(path, quiet));
        MyTable table;
        ASSERT_TRUE(OpenInventory(table, path, QStringLiteral("Upper(Left(Item,80))"),
                                  OpenPath::NewFile, quiet));
        for (const QString &item : items) {
            table.insert();
            table.setText(field::Item, item);
            table.post();
        }
    }
    static QByteArray bytes(const QString &path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static std::int64_t recordsOnDisk(const QString &path) {
        MyTable table;
        table.open(path, MyTable::OpenMode::ReadOnly);
        return table.recordCount();
    }

    // What the grid shows in the item column, top to bottom.
    QStringList itemsShown() const {
        ViewerModel *model = m_main->viewerModel();
        QStringList out;
        for (int row = 0; row < model->rowCount(); ++row)
            out << model->index(row, model->columnOfField(field::Item)).data().toString();
        return out;
    }
    QString shown(int row, int field) const {
        ViewerModel *model = m_main->viewerModel();
        return model->index(row, model->columnOfField(field)).data().toString();
    }
    QToolButton *navButton(const char *name) const {
        return m_main->findChild<QToolButton *>(QLatin1String(name));
    }
    QString count() const { return ShownCount(*m_main); }

    QTemporaryDir m_dir;
    ScriptedPrompter m_prompter;
    std::unique_ptr<Settings> m_settings;
    std::unique_ptr<TMain> m_main;
    int m_editorShown = 0;
};

const char *const kByItem = "[Sort Order]\r\nPrimary Sort=1\r\n";

// The engine fails where a new index is complete beside the old one, as on a full disk.
void FailWhenWritten(const char *point) {
    if (std::string_view(point) == "index:written")
        throw db::DbError("the disk is full");
}

TEST_F(MainFileAndGridTest, AnOpenThatFailsLeavesThePreviousFileAsItWas) {
    const QString a = dataFile("A.DBF"), b = dataFile("B.DBF");
    makeInventory(a, {"pear", "apple", "fig"});
    makeInventory(b, {"one"});
    TMain &main = start("Last Database=" + a + "\r\n" + kByItem);
    ASSERT_EQ(itemsShown(), QStringList({"apple", "fig", "pear"}));
    const QStringList recent(main.settings().lastFiles.begin(), main.settings().lastFiles.end());

    db::testhook::set(&FailWhenWritten);
    m_prompter.fileNames = {b};
    main.runCommand(Cmd::Open);
    db::testhook::set(nullptr);
    EXPECT_EQ(m_prompter.last().title, "Error");
    EXPECT_TRUE(m_prompter.last().text.contains("the disk is full"));
    EXPECT_EQ(main.currentFile(), a);
    EXPECT_EQ(main.windowTitle(), "Stowkeep Inventory 95 (A)");
    EXPECT_EQ(count(), "3");
    EXPECT_EQ(itemsShown(), QStringList({"apple", "fig", "pear"}));
    EXPECT_EQ(QStringList(main.settings().lastFiles.begin(), main.settings().lastFiles.end()),
              recent);

    // Read again from disk: still in the sort order.
    main.runCommand(Cmd::Update);
    EXPECT_EQ(itemsShown(), QStringList({"apple", "fig", "pear"}));
    EXPECT_EQ(main.myTable().indexName(), "NewIndex");
}

TEST_F(MainFileAndGridTest, AFailedOpenKeepsTheSearchInForce) {
    const QString a = dataFile("A.DBF"), b = dataFile("B.DBF");
    makeInventory(a, {"pear", "apple", "fig"});
    makeInventory(b, {"one"});
    TMain &main = start("Last Database=" + a + "\r\n" + kByItem);
    main.setSearchFilter([](const RecordView &r) { return r.text(field::Item) != "fig"; });
    main.EnableEndSearch();
    ASSERT_EQ(itemsShown(), QStringList({"apple", "pear"}));

    db::testhook::set(&FailWhenWritten);
    m_prompter.fileNames = {b};
    main.runCommand(Cmd::Open);
    db::testhook::set(nullptr);
    EXPECT_TRUE(main.searchInForce());
    EXPECT_EQ(itemsShown(), QStringList({"apple", "pear"}));
}

// A folder others may enter, holding an inventory that it will not let be changed.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const QTemporaryDir &dir) : m_folder(dir.filePath("ro")) {
        OrdinaryUser::openUp(dir.path().toStdString());
        QDir(dir.path()).mkpath("ro");
    }
    ~ReadOnlyFolder() { ::chmod(QFile::encodeName(m_folder).constData(), 0755); }
    [[nodiscard]] QString file(const QString &name) const { return m_folder + "/" + name; }
    void close() { ::chmod(QFile::encodeName(m_folder).constData(), 0555); }

private:
    QString m_folder;
};

TEST_F(MainFileAndGridTest, AFileInAReadOnlyFolderOpensForBrowsing) {
    const QString a = dataFile("A.DBF");
    makeInventory(a, {"pear"});
    ReadOnlyFolder folder(m_dir);
    const QString b = folder.file("B.DBF");
    makeInventory(b, {"zebra", "ant", "moth"});
    const QByteArray table = bytes(b), index = bytes(folder.file("B.MDX"));
    folder.close();

    TMain &main =
        start("Last Database=" + a + "\r\n" + kByItem + "[Grid Options]\r\nField Editing=Yes\r\n");
    {
        const OrdinaryUser nobody;
        ASSERT_TRUE(nobody.ok());
        m_prompter.fileNames = {b};
        main.runCommand(Cmd::Open);
        ASSERT_EQ(m_prompter.asked.size(), 1u);
        EXPECT_EQ(m_prompter.last().title, "Warning");
        EXPECT_EQ(m_prompter.last().text, mainwin::ReadOnlyOpenNotice(b));
        EXPECT_EQ(main.currentFile(), b);
        EXPECT_EQ(main.windowTitle(), "Stowkeep Inventory 95 (B)");
        EXPECT_EQ(count(), "3");
        EXPECT_EQ(itemsShown(), QStringList({"ant", "moth", "zebra"}));
        EXPECT_EQ(main.settings().lastFiles[0], a);

        // Every change is refused with the reason, before any window opens.
        for (Cmd id : {Cmd::Add, Cmd::Edit, Cmd::Delete, Cmd::Pack, Cmd::Rebuild}) {
            m_prompter.asked.clear();
            main.runCommand(id);
            ASSERT_EQ(m_prompter.asked.size(), 1u);
            EXPECT_EQ(m_prompter.last().title, "Error");
            EXPECT_EQ(m_prompter.last().text, mainwin::kReadOnlyRefusal);
        }
        EXPECT_EQ(m_editorShown, 0);
        EXPECT_FALSE(main.viewerModel()->editable());
        EXPECT_FALSE(navButton("NavInsert")->isEnabled());

        // Read again, it stays as it was opened.
        main.runCommand(Cmd::Update);
        EXPECT_EQ(itemsShown(), QStringList({"ant", "moth", "zebra"}));
        EXPECT_EQ(main.myTable().openMode(), MyTable::OpenMode::ReadOnly);
    }
    EXPECT_EQ(bytes(b), table);
    EXPECT_EQ(bytes(folder.file("B.MDX")), index);

    // A file that may be changed ends it.
    m_prompter.asked.clear();
    m_prompter.fileNames = {a};
    main.runCommand(Cmd::Open);
    EXPECT_TRUE(m_prompter.asked.empty());
    EXPECT_TRUE(main.viewerModel()->editable());
    main.runCommand(Cmd::Add);
    EXPECT_EQ(m_editorShown, 1);
}

TEST_F(MainFileAndGridTest, APathTheSettingsCannotKeepIsRefused) {
    const QString a = dataFile("A.DBF");
    makeInventory(a, {"pear"});
    QString folder = m_dir.path();
    while (folder.size() < 320)
        folder += "/" + QString(60, u'f');
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString far = folder + "/FAR.DBF";
    makeInventory(far, {"one"});
    TMain &main = start("Last Database=" + a + "\r\n");

    m_prompter.fileNames = {far};
    main.runCommand(Cmd::Open);
    EXPECT_EQ(m_prompter.last().title, "Error");
    EXPECT_EQ(m_prompter.last().text, mainwin::PathLengthRefusal(far).value_or("accepted"));
    EXPECT_EQ(main.currentFile(), a);
    EXPECT_TRUE(main.settings().lastFiles[0].isEmpty());

    // Nor is a new file made there.
    const QString fresh = folder + "/NEW.DBF";
    m_prompter.fileNames = {fresh};
    main.runCommand(Cmd::New);
    EXPECT_EQ(m_prompter.last().text, mainwin::PathLengthRefusal(fresh).value_or("accepted"));
    EXPECT_FALSE(QFile::exists(fresh));
    EXPECT_EQ(main.currentFile(), a);
}

TEST_F(MainFileAndGridTest, ALongRecentPathIsShortenedInTheMenuOnly) {
    // As long a path as the settings keep: folders of 40 characters, then one to fill up.
    QString folder = m_dir.path();
    const int fill = mainwin::kMaxStoredPath - static_cast<int>(QString("/FAR.DBF").size());
    while (folder.size() + 41 < fill - 1)
        folder += "/" + QString(40, u'g');
    folder += "/" + QString(fill - 1 - folder.size(), u'h');
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString a = dataFile("A.DBF"), far = folder + "/FAR.DBF";
    ASSERT_EQ(far.size(), mainwin::kMaxStoredPath);
    makeInventory(a, {"pear"});
    makeInventory(far, {"one"});
    TMain &main = start("Last Database=" + a + "\r\nLast File 1=" + far + "\r\n");

    auto *item = m_main->findChild<QAction *>("MenuLastFile1");
    const QFontMetrics metrics(item->font());
    EXPECT_LE(metrics.horizontalAdvance(item->text()),
              1280 / 2 + metrics.horizontalAdvance("&1   "));
    EXPECT_TRUE(item->text().startsWith("&1   " + far.left(10)));
    EXPECT_TRUE(item->text().endsWith("FAR.DBF"));
    EXPECT_EQ(item->toolTip(), far);
    item->trigger();
    EXPECT_EQ(main.currentFile(), far);
    EXPECT_EQ(main.settings().lastFiles[0], a);
}

TEST_F(MainFileAndGridTest, AmountsShowTheCataloguesDecimals) {
    const QString a = dataFile("A.DBF");
    makeInventory(a, {});
    {
        MyTable table;
        table.open(a);
        table.insert();
        table.setText(field::Item, "lamp");
        table.setText(field::Cost, "359.92");
        table.setText(field::RepCost, "1250");
        table.setText(field::Value, "12.3456");
        table.setText(field::Quantity, "3");
        table.post();
    }
    TMain &main = start("Last Database=" + a + "\r\n[Grid Options]\r\nField Editing=Yes\r\n");
    EXPECT_EQ(shown(0, field::Cost), "359.92");
    EXPECT_EQ(shown(0, field::RepCost), "1250.00");
    EXPECT_EQ(shown(0, field::Value), "12.35");
    EXPECT_EQ(shown(0, field::Quantity), "3");

    // A cell left as it was shown keeps what is stored; a typed amount is stored as typed.
    ViewerModel *model = main.viewerModel();
    EXPECT_TRUE(
        model->setData(model->index(0, model->columnOfField(field::Value)), "12.35", Qt::EditRole));
    EXPECT_TRUE(
        model->setData(model->index(0, model->columnOfField(field::Cost)), "10.5", Qt::EditRole));
    EXPECT_EQ(shown(0, field::Cost), "10.50");
    closeMain();
    MyTable table;
    table.open(a, MyTable::OpenMode::ReadOnly);
    EXPECT_DOUBLE_EQ(table.number(field::Value), 12.3456);
    EXPECT_DOUBLE_EQ(table.number(field::Cost), 10.5);
}

TEST_F(MainFileAndGridTest, TheNavigatorsInsertIsWrittenOnlyWhenPosted) {
    const QString a = dataFile("A.DBF");
    makeInventory(a, {});
    TMain &main = start("Last Database=" + a + "\r\n[Grid Options]\r\nField Editing=Yes\r\n");
    QTableView *grid = main.viewerGrid();
    QToolButton *post = navButton("NavPost"), *cancel = navButton("NavCancel");
    ASSERT_FALSE(post->isEnabled());

    // Insert, then Escape in the cell editor: nothing is written.
    navButton("NavInsert")->click();
    EXPECT_EQ(main.viewerModel()->rowCount(), 1);
    EXPECT_EQ(recordsOnDisk(a), 0);
    EXPECT_TRUE(post->isEnabled());
    EXPECT_TRUE(cancel->isEnabled());
    auto *editor = qobject_cast<QLineEdit *>(grid->indexWidget(grid->currentIndex()));
    ASSERT_NE(editor, nullptr);
    keys::press(editor, Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_EQ(main.viewerModel()->rowCount(), 0);
    EXPECT_FALSE(post->isEnabled());
    EXPECT_EQ(recordsOnDisk(a), 0);
    EXPECT_EQ(main.myTable().state(), MyTable::State::Browse);

    // Insert, type, Cancel: nothing is written either.
    navButton("NavInsert")->click();
    editor = qobject_cast<QLineEdit *>(grid->indexWidget(grid->currentIndex()));
    ASSERT_NE(editor, nullptr);
    keys::type(editor, "kettle");
    cancel->click();
    EXPECT_EQ(main.viewerModel()->rowCount(), 0);
    EXPECT_EQ(recordsOnDisk(a), 0);

    // Insert, type, Post: the record is written with what was typed.
    navButton("NavInsert")->click();
    editor = qobject_cast<QLineEdit *>(grid->indexWidget(grid->currentIndex()));
    ASSERT_NE(editor, nullptr);
    keys::type(editor, "lamp");
    post->click();
    EXPECT_EQ(recordsOnDisk(a), 1);
    EXPECT_EQ(itemsShown(), QStringList({"lamp"}));
    EXPECT_FALSE(post->isEnabled());

    // Insert, type, leave the row: posted; insert and leave without typing: dropped.
    ViewerModel *model = main.viewerModel();
    navButton("NavInsert")->click();
    editor = qobject_cast<QLineEdit *>(grid->indexWidget(grid->currentIndex()));
    ASSERT_NE(editor, nullptr);
    keys::type(editor, "mirror");
    EXPECT_EQ(recordsOnDisk(a), 1);
    grid->setCurrentIndex(model->index(0, 0));
    QApplication::processEvents();
    EXPECT_EQ(recordsOnDisk(a), 2);
    EXPECT_EQ(itemsShown(), QStringList({"lamp", "mirror"}));
    EXPECT_EQ(main.myTable().text(field::Item), "mirror") << "the cursor is on the new record";
    navButton("NavInsert")->click();
    grid->setCurrentIndex(model->index(0, 0));
    QApplication::processEvents();
    EXPECT_EQ(recordsOnDisk(a), 2);
    EXPECT_EQ(model->rowCount(), 2);
    EXPECT_EQ(main.myTable().text(field::Item), "lamp") << "the row chosen";

    // Escape on the grid itself (its cell editor closed) drops a new record as well.
    navButton("NavInsert")->click();
    editor = qobject_cast<QLineEdit *>(grid->indexWidget(grid->currentIndex()));
    ASSERT_NE(editor, nullptr);
    keys::press(editor, Qt::Key_Return);
    QApplication::processEvents();
    ASSERT_EQ(grid->indexWidget(grid->currentIndex()), nullptr);
    EXPECT_EQ(model->rowCount(), 3);
    keys::press(grid, Qt::Key_Escape);
    EXPECT_EQ(model->rowCount(), 2);
    EXPECT_EQ(main.myTable().state(), MyTable::State::Browse);
    EXPECT_EQ(recordsOnDisk(a), 2);
}

} // namespace

TEST_F(MainFileAndGridTest, ClosingTheWindowKeepsATypedNewRecordAndDropsAnEmptyOne) {
    const QString a = dataFile("A.DBF");
    makeInventory(a, {"lamp"});
    TMain &main = start("Last Database=" + a + "\r\n[Grid Options]\r\nField Editing=Yes\r\n");
    QTableView *grid = main.viewerGrid();
    navButton("NavInsert")->click();
    auto *editor = qobject_cast<QLineEdit *>(grid->indexWidget(grid->currentIndex()));
    ASSERT_NE(editor, nullptr);
    keys::type(editor, "kettle");
    closeMain();
    EXPECT_EQ(recordsOnDisk(a), 2) << "what was typed is kept, as leaving its row keeps it";

    start("Last Database=" + a + "\r\n[Grid Options]\r\nField Editing=Yes\r\n");
    EXPECT_EQ(itemsShown(), QStringList({"kettle", "lamp"}));
    navButton("NavInsert")->click();
    closeMain();
    EXPECT_EQ(recordsOnDisk(a), 2);
}
