#pragma once

#include "settings/settings.h"

#include <QRect>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

// Everything about the main window that can be decided without a widget: the commands with
// their routes (menu, lettered button, speed button), the recent-files list, the browse
// argument, the window-size factor and the button-bar geometry.
namespace mainwin {

enum class Cmd {
    New,
    Open,
    Update,
    Backup,
    Restore,
    Print,
    PrinterSetup,
    Exit,
    Add,
    Edit,
    Copy,
    Delete,
    Import,
    Export,
    Search,
    EndSearch,
    Locate,
    LocateNext,
    Reports,
    Viewer,
    SortOrder,
    Size640,
    Size800,
    Size1024,
    Size1280,
    SpeedButtons,
    LetteredButtons,
    NoButtons,
    MainColor,
    EditColor,
    SearchColor,
    ReportColor,
    ConfigColor,
    AllColor,
    ListBrand,
    ListLocation,
    ListBought,
    ListCategory,
    ListOwner,
    CurrencyUS,
    CurrencyWin,
    NumericUS,
    NumericWin,
    DateLeadingZeros,
    Date1,
    Date2,
    Date3,
    Date4,
    Date5,
    Date6,
    Date7,
    Date8,
    Date9,
    Date10,
    Date11,
    Date12,
    LabelFont,
    EditFont,
    ButtonFont,
    SearchReplace,
    Rebuild,
    Pack,
    Contents,
    Tips,
    About,
    OtherProducts,
    Order,
};

// The window (or facility) a command opens. A command whose window has not been built into
// the program yet is shown on every route but disabled, so nothing claims to work that
// does not.
enum class Needs {
    Nothing,
    RecordEditor,
    SearchWindow,
    ReportWindow,
    ImportWindow,
    ExportWindow,
    ViewerConfig,
    SortOrderWindow,
    LocateDialog,
    SearchReplaceWindow,
    BackupWindow,
    RestoreWindow,
    ListEditor,
    ProductInfo,
    ColorConfig,
    TipWindow,
    AboutBox,
};

struct CommandInfo {
    Cmd id;
    std::string_view menu;       // top-level menu caption
    std::string_view submenu;    // caption of the submenu, empty for a direct item
    std::string_view caption;    // menu item caption
    std::string_view menuObject; // object name of the menu item
    std::string_view shortcut;   // portable key sequence text, empty for none
    std::string_view button;     // object name of the lettered button, empty for none
    std::string_view buttonCaption;
    std::string_view speed; // object name of the speed button, empty for none
    std::string_view hint;  // the speed button's hint
    Needs needs = Needs::Nothing;
    bool browseDisables = false; // menu item and speed button off in browse mode
    bool checkable = false;
    bool separatorBefore = false; // a separator line stands above the item
};

// Every command of the main window in menu order.
[[nodiscard]] std::span<const CommandInfo> Commands();
[[nodiscard]] const CommandInfo &Command(Cmd id);
// Commands with a lettered button, in the order of the buttons (two rows of five).
[[nodiscard]] std::span<const Cmd> LetteredButtonOrder();
// Commands with a speed button, left to right on the speed panel.
[[nodiscard]] std::span<const Cmd> SpeedButtonOrder();

// The caption of the help menu's tips item: &Review "Tips of the Day".
[[nodiscard]] QString TipsCaption();

// ---- recent files ----
inline constexpr int kRecentCount = 5;
using RecentFiles = std::array<QString, kRecentCount>;

// The list after `newPath` has been opened while `previousPath` was current: `newPath`
// leaves the list, `previousPath` becomes entry 1. Besides, no path is ever listed twice
// and an empty previous path takes no slot.
[[nodiscard]] RecentFiles DoLastFiles(const RecentFiles &list, const QString &previousPath,
                                      const QString &newPath);

// The longest path the settings keep whole (as "Last Database" and "Last File 1" to 5).
inline constexpr int kMaxStoredPath = Settings::kTextBuffer - 1;
// The refusal of a path longer than the settings keep, or nothing: a file opened under a
// path cut on the next start would not be found again.
[[nodiscard]] std::optional<QString> PathLengthRefusal(const QString &path);

struct RecentMenu {
    bool separatorVisible = false;
    std::array<std::optional<QString>, kRecentCount> captions; // nullopt: item hidden
};
// `shorten`, when given, makes the text a path is shown with (eliding a long one).
[[nodiscard]] RecentMenu
SetMenuLastFiles(const RecentFiles &list,
                 const std::function<QString(const QString &)> &shorten = nullptr);

// ---- a file that cannot be changed ----
// Commands that write the inventory file or take it for exclusive use (backup), refused
// while it is open read-only.
[[nodiscard]] bool NeedsWritableInventory(Cmd id);
// Told when a file is opened read-only, and when a change is refused.
[[nodiscard]] QString ReadOnlyOpenNotice(const QString &path);
extern const QString kReadOnlyRefusal;

// ---- start-up ----
// True when the first command-line argument asks for browse-only mode.
[[nodiscard]] bool IsBrowseArgument(const QString &firstArgument);

struct SizeChoice {
    double factor = 1.0;
    int checkedSize = 640; // which "Screen Size" item carries the check mark
};
// The factor in force for a stored `Window Size` on a screen of the given size.
[[nodiscard]] SizeChoice WindowSizeFactor(int windowSize, int screenWidth, int screenHeight);
// The refusal text when the screen cannot show the chosen size, or nothing when it can.
[[nodiscard]] std::optional<QString> ScreenSizeRefusal(int size, int screenWidth, int screenHeight);

// ---- button bar ----
inline constexpr int kHeadingWidth = 201;

struct VerticalLayout {
    int frameTop = 0, frameHeight = 0;
    int headingTop = 0;
    int gridTop = 0, gridHeight = 0;
};

struct Widths {
    QRect frame; // only left and width are meaningful without a vertical layout
    QRect grid;
    int headingLeft = 0;
};

// What `FormResize` sets: the widths always, the vertical layout for modes 1 to 3, and
// for mode 3 the navigator's left edge.
struct ResizeLayout {
    Widths widths;
    std::optional<VerticalLayout> vertical;
    std::optional<int> navigatorLeft;
};
[[nodiscard]] ResizeLayout FormResizeLayout(int mode, int clientWidth, int clientHeight);

// What `SetButtonBar` sets for modes 1 to 3.
struct ButtonBarLayout {
    bool letteredShown = false; // the lettered buttons and Bevel1: shown and enabled
    bool otherBevelsShown = false;
    bool speedPanelShown = false; // shown and enabled
    bool navigatorLabelShown = false;
    int navigatorLabelTop = 20;
    QRect navigator; // left, top, width; height stays the design height
    int searchOnTop = 0;
    int countTop = 0, count2Top = 0;
    ResizeLayout resize;
};
inline constexpr int kNavigatorHeight = 25;
[[nodiscard]] std::optional<ButtonBarLayout> SetButtonBarLayout(int mode, int clientWidth,
                                                                int clientHeight);

// The design places of the lettered buttons and their four frames.
[[nodiscard]] QRect LetteredButtonRect(int index); // index in LetteredButtonOrder()
[[nodiscard]] QRect BevelRect(int bevel);          // Bevel1 to Bevel4

// ---- list maintenance ----
struct ListEditArgs {
    QString title;
    int listNumber = 0;
    int maxLength = 0;
};
[[nodiscard]] ListEditArgs ListMaintenanceArgs(Cmd id);
// The list editor's caption: Edit "Brand" List.
[[nodiscard]] QString ListEditorCaption(const QString &title);

} // namespace mainwin
