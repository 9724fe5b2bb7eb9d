#include "app/main_commands.h"

#include <algorithm>
#include <stdexcept>

namespace mainwin {

namespace {

constexpr std::string_view kFile = "&File", kRecords = "&Records", kNavigate = "Navi&gate",
                           kOptions = "&Options", kTools = "&Tools", kHelp = "&Help";

// Order matters: menus are built from this table top to bottom.
constexpr CommandInfo kCommands[] = {
    {Cmd::New, kFile, "", "&New Database", "MenuNew", "Ctrl+W", "", "", "NewSpeed", "New Database"},
    {Cmd::Open, kFile, "", "&Open Database", "MenuOpen", "Ctrl+O", "", "", "OpenSpeed",
     "Open Database"},
    {Cmd::Update, kFile, "", "&Update Database", "MenuUpdate", "Ctrl+Z", "", "", "", ""},
    {Cmd::Backup, kFile, "", "&Back Up Data", "MenuBackup", "Ctrl+B", "", "", "", "",
     Needs::BackupWindow, true, false, true},
    {Cmd::Restore, kFile, "", "&Restore Data", "MenuRestore", "Ctrl+Y", "", "", "", "",
     Needs::RestoreWindow, true},
    {Cmd::Print, kFile, "", "&Print", "MenuPrint", "Ctrl+P", "", "", "", "", Needs::ReportWindow,
     false, false, true},
    {Cmd::PrinterSetup, kFile, "", "Printer &Setup", "MenuPrinterSetup", "Ctrl+U", "", "", "", ""},
    {Cmd::Exit, kFile, "", "E&xit", "MenuExit", "Ctrl+X", "ButtonExit", "E&xit", "", "",
     Needs::Nothing, false, false, true},

    {Cmd::Add, kRecords, "", "&Add", "MenuAdd", "Ctrl+A", "AddButton", "&Add", "AddSpeed",
     "Add Record", Needs::RecordEditor, true},
    {Cmd::Edit, kRecords, "", "&Edit", "MenuEdit", "Ctrl+E", "EditButton", "&Edit", "EditSpeed",
     "Edit Record", Needs::RecordEditor},
    {Cmd::Copy, kRecords, "", "&Copy", "MenuCopy", "Ctrl+C", "CopyButton", "&Copy", "CopySpeed",
     "Copy Record", Needs::RecordEditor, true},
    {Cmd::Delete, kRecords, "", "&Delete", "MenuDelete", "Ctrl+D", "DeleteButton", "&Delete",
     "DeleteSpeed", "Delete Record", Needs::Nothing, true},
    {Cmd::Import, kRecords, "", "&Import", "MenuImport", "Ctrl+M", "", "", "ImportSpeed",
     "Import Records", Needs::ImportWindow, true, false, true},
    {Cmd::Export, kRecords, "", "E&xport", "MenuExport", "Ctrl+T", "", "", "ExportSpeed",
     "Export Records", Needs::ExportWindow},

    {Cmd::Search, kNavigate, "", "&Search (Query)", "MenuSearch", "Ctrl+S", "SearchButton",
     "&Search", "SearchSpeed", "Search Records", Needs::SearchWindow},
    {Cmd::EndSearch, kNavigate, "", "&End Search", "MenuEndSearch", "Ctrl+I", "EndSearchButton",
     "E&nd Srch", "EndSearchSpeed", "End Search"},
    {Cmd::Locate, kNavigate, "", "&Locate", "MenuLocate", "Ctrl+L", "", "", "LocateSpeed",
     "Locate Record", Needs::LocateDialog, false, false, true},
    {Cmd::LocateNext, kNavigate, "", "Locate &Next", "MenuLocateNext", "Ctrl+N", "", "",
     "LocateNextSpeed", "Locate Next Record", Needs::LocateDialog},
    {Cmd::Reports, kNavigate, "", "&Reports", "MenuReports", "Ctrl+R", "ReportButton", "&Reports",
     "ReportSpeed", "Reports", Needs::ReportWindow, false, false, true},
    {Cmd::Viewer, kNavigate, "", "&Viewer", "MenuViewer", "Ctrl+V", "ViewerButton", "&Viewer",
     "ViewerSpeed", "Viewer Configuration", Needs::ViewerConfig, true},

    {Cmd::SortOrder, kOptions, "", "Sort &Order", "MenuSortOrder", "Ctrl+Q", "", "",
     "SpeedSetOrder", "Set Sorting Order", Needs::SortOrderWindow},
    {Cmd::Size640, kOptions, "Screen Si&ze", "640 x 480", "Menu640", "Shift+F1", "", "", "", "",
     Needs::Nothing, false, true, true},
    {Cmd::Size800, kOptions, "Screen Si&ze", "800 x 600", "Menu800", "Shift+F2", "", "", "", "",
     Needs::Nothing, false, true},
    {Cmd::Size1024, kOptions, "Screen Si&ze", "1024 x 768", "Menu1024", "Shift+F3", "", "", "", "",
     Needs::Nothing, false, true},
    {Cmd::Size1280, kOptions, "Screen Si&ze", "1280 x 1024", "Menu1280", "Shift+F4", "", "", "", "",
     Needs::Nothing, false, true},
    {Cmd::SpeedButtons, kOptions, "&Screen Access", "&Speed Buttons", "MenuSpeedButtons", "Ctrl+F1",
     "", "", "", "", Needs::Nothing, false, true},
    {Cmd::LetteredButtons, kOptions, "&Screen Access", "&Lettered Buttons", "MenuLetteredButtons",
     "Ctrl+F2", "", "", "", "", Needs::Nothing, false, true},
    {Cmd::NoButtons, kOptions, "&Screen Access", "&None", "MenuNoButtons", "Ctrl+F3", "", "", "",
     "", Needs::Nothing, false, true},
    {Cmd::MainColor, kOptions, "&Color", "&Main Window Color", "MenuMainColor", "Ctrl+F4", "", "",
     "", "", Needs::ColorConfig},
    {Cmd::EditColor, kOptions, "&Color", "&Edit Window Color", "MenuEditColor", "Ctrl+F5", "", "",
     "", "", Needs::ColorConfig},
    {Cmd::SearchColor, kOptions, "&Color", "&Search Window Color", "MenuSearchColor", "Ctrl+F6", "",
     "", "", "", Needs::ColorConfig},
    {Cmd::ReportColor, kOptions, "&Color", "&Report Window Color", "MenuReportColor", "Ctrl+F7", "",
     "", "", "", Needs::ColorConfig},
    {Cmd::ConfigColor, kOptions, "&Color", "&Configure Window Color", "MenuConfigColor", "Ctrl+F8",
     "", "", "", "", Needs::ColorConfig},
    {Cmd::AllColor, kOptions, "&Color", "&ALL Windows Color", "MenuAllColor", "Ctrl+F9", "", "",
     "ColorSpeed", "Color Setup", Needs::ColorConfig, false, false, true},
    {Cmd::ListBrand, kOptions, "List &Maintenance", "Brand", "MenuListBrand", "", "", "", "", "",
     Needs::ListEditor, true},
    {Cmd::ListLocation, kOptions, "List &Maintenance", "Location", "MenuListLocation", "", "", "",
     "", "", Needs::ListEditor, true},
    {Cmd::ListBought, kOptions, "List &Maintenance", "Purchased From", "MenuListBought", "", "", "",
     "", "", Needs::ListEditor, true},
    {Cmd::ListCategory, kOptions, "List &Maintenance", "Category", "MenuListCategory", "", "", "",
     "", "", Needs::ListEditor, true},
    {Cmd::ListOwner, kOptions, "List &Maintenance", "Owner", "MenuListOwner", "", "", "", "", "",
     Needs::ListEditor, true},
    {Cmd::CurrencyUS, kOptions, "C&urrency Format", "U.S. Dollars", "MenuCurrencyUS", "", "", "",
     "", "", Needs::Nothing, false, true, true},
    {Cmd::CurrencyWin, kOptions, "C&urrency Format", "Windows Setting", "MenuCurrencyWin", "", "",
     "", "", "", Needs::Nothing, false, true},
    {Cmd::NumericUS, kOptions, "&Numeric Format", "U.S. Format", "MenuNumericUS", "", "", "", "",
     "", Needs::Nothing, false, true},
    {Cmd::NumericWin, kOptions, "&Numeric Format", "Windows Setting", "MenuNumericWin", "", "", "",
     "", "", Needs::Nothing, false, true},
    {Cmd::DateLeadingZeros, kOptions, "&Date Format", "&Leading Zeros", "MenuDateLeadingZeros", "",
     "", "", "", "", Needs::Nothing, false, true},
    {Cmd::Date1, kOptions, "&Date Format", "mm/dd/yy", "MenuDateMDYSlash", "", "", "", "", "",
     Needs::Nothing, false, true, true},
    {Cmd::Date2, kOptions, "&Date Format", "mm-dd-yy", "MenuDateMDYDash", "", "", "", "", "",
     Needs::Nothing, false, true},
    {Cmd::Date3, kOptions, "&Date Format", "mm.dd.yy", "MenuDateMDYDot", "", "", "", "", "",
     Needs::Nothing, false, true},
    {Cmd::Date4, kOptions, "&Date Format", "dd/mm/yy", "MenuDateDMYSlash", "", "", "", "", "",
     Needs::Nothing, false, true},
    {Cmd::Date5, kOptions, "&Date Format", "dd-mm-yy", "MenuDateDMYDash", "", "", "", "", "",
     Needs::Nothing, false, true},
    {Cmd::Date6, kOptions, "&Date Format", "dd.mm.yy", "MenuDateDMYDot", "", "", "", "", "",
     Needs::Nothing, false, true},
    {Cmd::Date7, kOptions, "&Date Format", "mm/dd/yyyy", "MenuDateMDYSlashYr", "", "", "", "", "",
     Needs::Nothing, false, true},
    {Cmd::Date8, kOptions, "&Date Format", "mm-dd-yyyy", "MenuDateMDYDashYr", "", "", "", "", "",
     Needs::Nothing, false, true},
    {Cmd::Date9, kOptions, "&Date Format", "mm.dd.yyyy", "MenuDateMDYDotYr", "", "", "", "", "",
     Needs::Nothing, false, true},
    {Cmd::Date10, kOptions, "&Date Format", "dd/mm/yyyy", "MenuDateDMYSlashYr", "", "", "", "", "",
     Needs::Nothing, false, true},
    {Cmd::Date11, kOptions, "&Date Format", "dd-mm-yyyy", "MenuDateDMYDashYr", "", "", "", "", "",
     Needs::Nothing, false, true},
    {Cmd::Date12, kOptions, "&Date Format", "dd.mm.yyyy", "MenuDateDMYDotYr", "", "", "", "", "",
     Needs::Nothing, false, true},
    {Cmd::LabelFont, kOptions, "", "&Label Font", "MenuLabelFont", "Shift+F8", "", "", "", "",
     Needs::Nothing, false, false, true},
    {Cmd::EditFont, kOptions, "", "&Edit Font", "MenuEditFont", "Shift+F9", "", "", "", ""},
    {Cmd::ButtonFont, kOptions, "", "&Button Font", "MenuButtonFont", "Shift+F10", "", "", "", ""},

    {Cmd::SearchReplace, kTools, "", "&Search and Replace", "MenuSearchAndReplace", "Ctrl+F", "",
     "", "", "", Needs::SearchReplaceWindow, true},
    {Cmd::Rebuild, kTools, "", "&Rebuild Indexes", "MenuRebuild", "", "", "", "", "",
     Needs::Nothing, false, false, true},
    {Cmd::Pack, kTools, "", "&Pack Database", "MenuPack", "", "", "", "", ""},

    {Cmd::Contents, kHelp, "", "&Contents", "MenuContents", "Ctrl+H", "HelpButton", "He&lp",
     "HelpSpeed", "Help"},
    {Cmd::Tips, kHelp, "", "", "MenuTips", "", "", "", "", "", Needs::TipWindow},
    {Cmd::About, kHelp, "", "&About", "MenuAbout", "", "", "", "", "", Needs::AboutBox},
    {Cmd::OtherProducts, kHelp, "", "Other &Products", "MenuOtherProducts", "", "", "", "", "",
     Needs::ProductInfo, false, false, true},
    {Cmd::Order, kHelp, "", "&Order", "MenuOrder", "", "", "", "", "", Needs::ProductInfo},
};

constexpr Cmd kLettered[] = {Cmd::Add,       Cmd::Edit,    Cmd::Copy,   Cmd::Delete,   Cmd::Search,
                             Cmd::EndSearch, Cmd::Reports, Cmd::Viewer, Cmd::Contents, Cmd::Exit};

constexpr Cmd kSpeed[] = {
    Cmd::New,     Cmd::Open,   Cmd::Add,      Cmd::Edit,      Cmd::Copy,    Cmd::Delete,
    Cmd::Import,  Cmd::Export, Cmd::Search,   Cmd::EndSearch, Cmd::Locate,  Cmd::LocateNext,
    Cmd::Reports, Cmd::Viewer, Cmd::AllColor, Cmd::SortOrder, Cmd::Contents};

} // namespace

std::span<const CommandInfo> Commands() {
    return kCommands;
}

const CommandInfo &Command(Cmd id) {
    for (const CommandInfo &info : kCommands)
        if (info.id == id)
            return info;
    throw std::logic_error("command missing from the table");
}

std::span<const Cmd> LetteredButtonOrder() {
    return kLettered;
}
std::span<const Cmd> SpeedButtonOrder() {
    return kSpeed;
}

QString TipsCaption() {
    return QStringLiteral("&Review \"Tips of the Day\"");
}

RecentFiles DoLastFiles(const RecentFiles &list, const QString &previousPath,
                        const QString &newPath) {
    RecentFiles result = list;
    auto removeEntry = [&result](const QString &path) {
        auto found = std::find(result.begin(), result.end(), path);
        if (found == result.end())
            return;
        std::move(found + 1, result.end(), found);
        result.back().clear();
    };
    removeEntry(newPath);
    if (previousPath.isEmpty())
        return result;
    // A path listed twice would waste a slot; the previous file may already be listed
    // after the current file was reopened.
    removeEntry(previousPath);
    std::move_backward(result.begin(), result.end() - 1, result.end());
    result.front() = previousPath;
    return result;
}

RecentMenu SetMenuLastFiles(const RecentFiles &list,
                            const std::function<QString(const QString &)> &shorten) {
    RecentMenu menu;
    for (int i = 0; i < kRecentCount; ++i) {
        if (list[i].isEmpty())
            continue;
        menu.separatorVisible = true;
        menu.captions[i] =
            QStringLiteral("&%1   %2").arg(i + 1).arg(shorten ? shorten(list[i]) : list[i]);
    }
    return menu;
}

std::optional<QString> PathLengthRefusal(const QString &path) {
    if (path.size() <= kMaxStoredPath)
        return std::nullopt;
    return QStringLiteral("The path of this file is %1 characters long.  The program can keep "
                          "paths of at most %2 characters, so it cannot open this file.  Move "
                          "the file to a folder with a shorter path.")
        .arg(path.size())
        .arg(kMaxStoredPath);
}

bool NeedsWritableInventory(Cmd id) {
    switch (id) {
    case Cmd::Add:
    case Cmd::Edit:
    case Cmd::Copy:
    case Cmd::Delete:
    case Cmd::Import:
    case Cmd::Backup:
    case Cmd::Restore:
    case Cmd::SortOrder:
    case Cmd::SearchReplace:
    case Cmd::Rebuild:
    case Cmd::Pack:
        return true;
    default:
        return false;
    }
}

QString ReadOnlyOpenNotice(const QString &path) {
    return QStringLiteral("The file %1 or its folder is read-only.  The file is opened for "
                          "browsing only: changes cannot be saved.")
        .arg(path);
}

const QString kReadOnlyRefusal =
    QStringLiteral("The current file is open for browsing only: it or its folder is "
                   "read-only, so changes cannot be saved.");

bool IsBrowseArgument(const QString &firstArgument) {
    return firstArgument.toUpper().left(30) == QLatin1String("/BROWSE");
}

namespace {
struct SizeRule {
    int size;
    double factor;
    int minWidth, minHeight;
};
constexpr SizeRule kSizes[] = {
    {640, 1.0, 0, 0}, {800, 1.25, 800, 600}, {1024, 1.6, 1024, 768}, {1280, 2.0, 1280, 1024}};
} // namespace

SizeChoice WindowSizeFactor(int windowSize, int screenWidth, int screenHeight) {
    for (const SizeRule &rule : kSizes)
        if (rule.size == windowSize && screenWidth >= rule.minWidth &&
            screenHeight >= rule.minHeight)
            return {rule.factor, rule.size};
    return {};
}

std::optional<QString> ScreenSizeRefusal(int size, int screenWidth, int screenHeight) {
    for (const SizeRule &rule : kSizes) {
        if (rule.size != size)
            continue;
        if (screenWidth >= rule.minWidth && screenHeight >= rule.minHeight)
            return std::nullopt;
        return QStringLiteral("Your current screen resolution does not support %1 x %2 pixels.")
            .arg(rule.minWidth)
            .arg(rule.minHeight);
    }
    return std::nullopt;
}

ResizeLayout FormResizeLayout(int mode, int clientWidth, int clientHeight) {
    ResizeLayout layout;
    layout.widths.frame = QRect(3, 0, clientWidth - 6, 0);
    layout.widths.grid = QRect(7, 0, clientWidth - 14, 0);
    layout.widths.headingLeft = (clientWidth - kHeadingWidth) / 2;
    const int H = clientHeight;
    switch (mode) {
    case 1:
        layout.vertical = VerticalLayout{34, H - 37, 38, 70, H - 77};
        break;
    case 2:
        layout.vertical = VerticalLayout{86, H - 89, 90, 122, H - 129};
        break;
    case 3:
        layout.vertical = VerticalLayout{4, H - 7, 8, 40, H - 47};
        layout.navigatorLeft = clientWidth - 207;
        break;
    default:
        break;
    }
    if (layout.vertical) {
        layout.widths.frame.setTop(layout.vertical->frameTop);
        layout.widths.frame.setHeight(layout.vertical->frameHeight);
        layout.widths.grid.setTop(layout.vertical->gridTop);
        layout.widths.grid.setHeight(layout.vertical->gridHeight);
    }
    return layout;
}

std::optional<ButtonBarLayout> SetButtonBarLayout(int mode, int clientWidth, int clientHeight) {
    ButtonBarLayout layout;
    switch (mode) {
    case 1:
        layout.speedPanelShown = true;
        layout.navigator = QRect(424, 3, 241, kNavigatorHeight);
        layout.searchOnTop = 44;
        layout.countTop = 38;
        layout.count2Top = 52;
        break;
    case 2:
        layout.letteredShown = true;
        layout.otherBevelsShown = true;
        layout.navigatorLabelShown = true;
        layout.navigator = QRect(400, 47, 221, kNavigatorHeight);
        layout.searchOnTop = 96;
        layout.countTop = 90;
        layout.count2Top = 105;
        break;
    case 3:
        layout.navigator = QRect(clientWidth - 207, 8, 201, kNavigatorHeight);
        layout.searchOnTop = 14;
        layout.countTop = 8;
        layout.count2Top = 23;
        break;
    default:
        return std::nullopt;
    }
    layout.resize = FormResizeLayout(mode, clientWidth, clientHeight);
    return layout;
}

QRect LetteredButtonRect(int index) {
    static constexpr int kLefts[] = {8, 80, 160, 240, 320};
    const int column = std::clamp(index / 2, 0, 4);
    const int top = index % 2 == 0 ? 8 : 44;
    return QRect(kLefts[column], top, 69, 33);
}

QRect BevelRect(int bevel) {
    switch (bevel) {
    case 1:
        return QRect(4, 4, 149, 77);
    case 3:
        return QRect(156, 4, 77, 77);
    case 2:
        return QRect(236, 4, 77, 77);
    case 4:
        return QRect(316, 4, 77, 77);
    default:
        return {};
    }
}

ListEditArgs ListMaintenanceArgs(Cmd id) {
    switch (id) {
    case Cmd::ListBrand:
        return {QStringLiteral("Brand"), 1, 20};
    case Cmd::ListLocation:
        return {QStringLiteral("Location"), 2, 30};
    case Cmd::ListBought:
        return {QStringLiteral("Purchased From"), 3, 40};
    case Cmd::ListCategory:
        return {QStringLiteral("Category"), 4, 30};
    case Cmd::ListOwner:
        return {QStringLiteral("Owner"), 5, 30};
    default:
        return {};
    }
}

QString ListEditorCaption(const QString &title) {
    return QStringLiteral("Edit \"") + title + QStringLiteral("\" List");
}

} // namespace mainwin
