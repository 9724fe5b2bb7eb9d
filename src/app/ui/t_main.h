#pragma once

#include "app/main_commands.h"
#include "core/main_hooks.h"
#include "core/prompter.h"
#include "settings/settings.h"
#include "ui/form_scaling.h"

#include <QMainWindow>
#include <QSize>

#include <functional>
#include <map>
#include <memory>
#include <optional>

class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QPushButton;
class QTableView;
class QToolButton;
class DbNavigator;
class MyTable;
class RecordView;
class ViewerModel;
class ViewerDelegate;
class TableViewerSource;
namespace db {
class DbError;
}
namespace picklists {
class PickLists;
}

// The main window: the "Inventory Viewer" grid over the current inventory file and the hub
// from which every command is reached by menu, lettered button or speed button.
//
// Services come in through the constructor so that tests can build it over a temporary
// configuration file and program directory. The start-up sequence runs in FormCreate(),
// called by the program entry after construction.
class TMain : public QMainWindow, public MainHooks {
    Q_OBJECT
public:
    struct Options {
        QString configFile;       // the settings file (STOWKP.INI)
        QString programDirectory; // without trailing slash
        QStringList arguments;    // command-line arguments after the program name
        // The screen size the size rules and centring follow; the primary screen's if unset.
        std::optional<QSize> screenSize;
    };

    // A window built by another part of the program, opened for a command.
    using CommandHandler = std::function<void(mainwin::Cmd)>;

    TMain(Settings &settings, Prompter &prompter, Options options, QWidget *parent = nullptr);
    ~TMain() override;

    // The start-up sequence. False when the default inventory file cannot be created: the
    // program then ends at once.
    [[nodiscard]] bool FormCreate();

    // Makes the commands that open `window` work, calling `handler` with the command chosen.
    void provideWindow(mainwin::Needs window, CommandHandler handler);
    [[nodiscard]] bool isAvailable(mainwin::Needs window) const;

    // Runs a command as any of its routes would.
    void runCommand(mainwin::Cmd id);
    [[nodiscard]] QAction *action(mainwin::Cmd id) const;

    // Operations other windows call.
    void DisplayCount();
    void SetViewerOptions();
    void DoEndSearch();
    void EnableEndSearch();
    void DisableEndSearch();
    void SetColors();
    void LoadList(const QString &fileName, QComboBox *combo);
    void SetButtonBar();
    void SetMenuLastFiles();

    void DoNew();
    void DoOpen();
    void DoUpdate();
    void DoDelete();
    void OpenSaveFile(int entry); // 1 to 5
    void DoHelp();

    // The current inventory file by the open sequence; false when it was refused.
    bool OpenInventory(const QString &path, bool isNewFile);

    [[nodiscard]] MyTable &myTable() const { return *m_table; }
    [[nodiscard]] Settings &settings() const { return m_settings; }
    [[nodiscard]] Prompter &prompter() const { return m_prompter; }
    [[nodiscard]] int editMode() const { return m_editMode; }
    // The record editor leaves its mode here when it closes.
    void setEditMode(int mode) { m_editMode = mode; }
    // The pick lists the grid's combo boxes show (their grid copies); LoadList fills them.
    void setPickLists(picklists::PickLists *lists);
    [[nodiscard]] bool browseMode() const { return m_browseMode; }
    [[nodiscard]] bool searchInForce() const { return m_searchInForce; }
    [[nodiscard]] double windowSizeFactor() const { return m_sizeFactor; }
    [[nodiscard]] QSize screenSize() const { return m_screenSize; }
    [[nodiscard]] QString currentFile() const { return m_settings.lastDatabase; }
    // Where the program's own files live (report definitions, pick lists, MASTER.DBF).
    [[nodiscard]] QString programDirectory() const { return m_options.programDirectory; }
    [[nodiscard]] QString sortExpression() const override { return m_sortExpression; }
    [[nodiscard]] ViewerModel *viewerModel() const { return m_model; }
    [[nodiscard]] QTableView *viewerGrid() const { return m_grid; }

    // The search window's record test, applied while a search is in force (EnableEndSearch).
    void setSearchFilter(std::function<bool(const RecordView &)> accepts) {
        m_searchFilter = std::move(accepts);
    }
    // Rebuilds the sort expression from the settings (after a new sort order).
    void BuildSortString();
    // Fonts and sizes the program's windows take from the settings and the screen.
    [[nodiscard]] FormLook formLook() const;

    void endSearch() override;
    void enableEndSearch() override;
    void setViewerOptions() override;
    void displayCount() override;
    [[nodiscard]] bool saveSettings() override;
    void buildSortExpression() override;
    [[nodiscard]] bool openInventoryFile(const QString &path) override;

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildMenus();
    void buildClientArea();
    void buildSpeedPanel();
    void buildLetteredButtons();
    void updateCommandStates();
    [[nodiscard]] bool commandEnabled(const mainwin::CommandInfo &info) const;

    void FormShow();
    void FormActivate();
    void FormResize();
    void fitNavigator();
    void FormClose();
    void saveSettingsOnClose();
    enum class SettingsWrite { Saved, Declined, Failed };
    // Writes the settings file, asking first when it could not be read at start-up.
    [[nodiscard]] SettingsWrite writeSettings(std::vector<ProfileKey> *inexact);

    void applyBrowseMode();
    void applyFonts();
    void applyDateFormatFromSettings();
    void checkDateItem();
    void setButtonMode(int mode);
    void setScreenSize(int size);
    void chooseFont(mainwin::Cmd id);
    void chooseDateFormat(int number);
    void toggleLeadingZeros();
    void setCurrencyFormat(int format);
    void setNumericFormat(int format);
    void openWindow(mainwin::Cmd id);
    void navigatorClicked(int which);
    void DoPack();
    void DoRebuild();
    void refreshDataSet();
    [[nodiscard]] bool checkDbfExtension(const QString &path);
    void openTableAtStartUp(const QString &path);
    // Notes whether the file just opened is read-only; tellReadOnly() says so to the user.
    void noteOpenMode();
    void tellReadOnly();
    void reopenTable();
    void tableEvent(int event);
    void gridRowChanged(int row);
    // Ends the grid's new record: posted when something was typed into it, else dropped.
    // False when the post was refused; the record then stays, as typed.
    bool leaveGridInsert();
    // Closes the grid's open cell editor, keeping what it holds or not.
    void closeGridEditor(bool commit);
    void syncGridToTable();
    void showEngineError(const db::DbError &error);
    [[nodiscard]] std::optional<QString> chooseDbf(bool save);
    // The inventory file operations this window relies on.
    [[nodiscard]] bool checkFormat(const QString &path);
    [[nodiscard]] bool makeNewDb(const QString &path);

    Settings &m_settings;
    Prompter &m_prompter;
    Options m_options;

    std::unique_ptr<MyTable> m_table;
    std::unique_ptr<TableViewerSource> m_source;
    int m_listener = 0;
    bool m_syncingCursor = false;
    ViewerModel *m_model = nullptr;
    ViewerDelegate *m_delegate = nullptr;

    std::map<mainwin::Cmd, QAction *> m_actions;
    std::map<mainwin::Cmd, QPushButton *> m_lettered;
    std::map<mainwin::Cmd, QToolButton *> m_speed;
    std::map<mainwin::Needs, CommandHandler> m_windows;
    std::array<QAction *, mainwin::kRecentCount> m_recentActions{};
    QAction *m_recentSeparator = nullptr;

    QWidget *m_client = nullptr;
    QFrame *m_speedPanel = nullptr;
    std::array<QFrame *, 4> m_bevels{}; // Bevel1 to Bevel4
    QFrame *m_viewerBevel = nullptr;
    QLabel *m_viewerLabel = nullptr;
    QTableView *m_grid = nullptr;
    DbNavigator *m_navigator = nullptr;
    QLabel *m_navigatorLabel = nullptr;
    QLabel *m_countLabel = nullptr;
    QLabel *m_count2Label = nullptr;
    QLabel *m_searchOnLabel = nullptr;
    std::array<QComboBox *, 5> m_gridCombos{}; // brand, location, bought, category, owner
    picklists::PickLists *m_pickLists = nullptr;
    int m_pickListener = 0;

    QString m_sortExpression;
    QString m_mdxPath;
    QSize m_screenSize;
    double m_sizeFactor = 1.0;
    int m_editMode = 0;
    bool m_browseMode = false;
    bool m_storedFieldEditing = false;
    bool m_searchInForce = false;
    bool m_fileReadOnly = false; // the current file is open read-only, for browsing
    bool m_activatedOnce = false;
    bool m_shownOnce = false;
    bool m_closed = false;
    bool m_settingsUnreadable = false; // start-up could not read the settings file
    std::function<bool(const RecordView &)> m_searchFilter;
};
