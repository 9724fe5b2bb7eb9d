#include "app/ui/t_main.h"

#include "app/table_viewer_source.h"
#include "app/ui/db_navigator.h"
#include "app/ui/feature_windows.h"
#include "app/ui/viewer_delegate.h"
#include "app/ui/viewer_header.h"
#include "app/ui/viewer_model.h"
#include "core/case_insensitive_path.h"
#include "core/field_catalogue.h"
#include "db/conversion.h"
#include "db/engine/db_error.h"
#include "db/inventory_file.h"
#include "db/inventory_names.h"
#include "db/maintenance.h"
#include "db/my_table.h"
#include "db/sort_expression.h"
#include "edit/pick_lists.h"
#include "settings/date_format.h"
#include "settings/regional.h"
#include "ui/form_scaling.h"
#include "ui/qt_convert.h"
#include "ui/speed_icons.h"
#include "views/viewer_options.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QToolButton>

using namespace mainwin;

namespace {

constexpr const char *kProductCaption = "Stowkeep Inventory 95";
constexpr const char *kDbfFilter = "Database Files (*.DBF)|*.DBF";
// The width (pixels) a recent path may take in the File menu on a small screen.
constexpr int kMinRecentWidth = 320;

QString Latin(std::string_view text) {
    return QString::fromLatin1(text.data(), text.size());
}

// The speed button picture of a command, for the commands that have one.
std::optional<SpeedGlyph> SpeedGlyphOf(Cmd id) {
    switch (id) {
    case Cmd::New:
        return SpeedGlyph::NewFile;
    case Cmd::Open:
        return SpeedGlyph::OpenFile;
    case Cmd::Add:
        return SpeedGlyph::AddRecord;
    case Cmd::Edit:
        return SpeedGlyph::EditRecord;
    case Cmd::Copy:
        return SpeedGlyph::CopyRecord;
    case Cmd::Delete:
        return SpeedGlyph::DeleteRecord;
    case Cmd::Import:
        return SpeedGlyph::Import;
    case Cmd::Export:
        return SpeedGlyph::Export;
    case Cmd::Search:
        return SpeedGlyph::Search;
    case Cmd::EndSearch:
        return SpeedGlyph::EndSearch;
    case Cmd::Locate:
        return SpeedGlyph::Locate;
    case Cmd::LocateNext:
        return SpeedGlyph::LocateNext;
    case Cmd::Reports:
        return SpeedGlyph::Reports;
    case Cmd::Viewer:
        return SpeedGlyph::Viewer;
    case Cmd::AllColor:
        return SpeedGlyph::Colors;
    case Cmd::SortOrder:
        return SpeedGlyph::SortOrder;
    case Cmd::Contents:
        return SpeedGlyph::Help;
    default:
        return std::nullopt;
    }
}

QLabel *MakeLabel(QWidget *parent, const char *name, const QString &text) {
    auto *label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    return label;
}

void SetPointSize(QWidget *widget, int pixels, bool bold) {
    QFont font = widget->font();
    font.setPixelSize(pixels);
    font.setBold(bold);
    widget->setFont(font);
}

} // namespace

TMain::TMain(Settings &settings, Prompter &prompter, Options options, QWidget *parent)
    : QMainWindow(parent), m_settings(settings), m_prompter(prompter),
      m_options(std::move(options)), m_table(std::make_unique<MyTable>()),
      m_source(std::make_unique<TableViewerSource>(*m_table)) {
    setObjectName(QStringLiteral("Main"));
    setWindowTitle(QLatin1String(kProductCaption));
    m_browseMode = !m_options.arguments.isEmpty() && IsBrowseArgument(m_options.arguments.front());
    m_screenSize = m_options.screenSize.value_or(QGuiApplication::primaryScreen()
                                                     ? QGuiApplication::primaryScreen()->size()
                                                     : QSize(1024, 768));
    buildMenus();
    buildClientArea();
    m_listener =
        m_table->addListener([this](MyTable::Event event) { tableEvent(static_cast<int>(event)); });
    ProvideFeatureWindows(*this);
    updateCommandStates();
}

TMain::~TMain() {
    setPickLists(nullptr);
    m_model->setSource(nullptr);
    m_table->removeListener(m_listener);
}

void TMain::buildMenus() {
    QMenu *menu = nullptr;
    QMenu *submenu = nullptr;
    std::string_view menuCaption, submenuCaption;
    std::map<std::string_view, QActionGroup *> groups;
    for (const CommandInfo &info : Commands()) {
        if (!menu || info.menu != menuCaption) {
            menu = menuBar()->addMenu(Latin(info.menu));
            menu->setObjectName(QStringLiteral("Menu") + Latin(info.menu).remove('&'));
            menuCaption = info.menu;
            submenu = nullptr;
            submenuCaption = {};
        }
        QMenu *target = menu;
        if (!info.submenu.empty()) {
            if (!submenu || info.submenu != submenuCaption) {
                submenu = menu->addMenu(Latin(info.submenu));
                submenuCaption = info.submenu;
            }
            target = submenu;
        } else {
            submenu = nullptr;
            submenuCaption = {};
        }
        if (info.separatorBefore && !target->isEmpty())
            target->addSeparator();
        const QString caption = info.id == Cmd::Tips ? TipsCaption() : Latin(info.caption);
        QAction *action = target->addAction(caption);
        action->setObjectName(Latin(info.menuObject));
        if (!info.shortcut.empty())
            action->setShortcut(QKeySequence(Latin(info.shortcut)));
        action->setCheckable(info.checkable);
        const Cmd id = info.id;
        connect(action, &QAction::triggered, this, [this, id] { runCommand(id); });
        m_actions[id] = action;
        if (info.id == Cmd::Exit) {
            // A shortened recent path shows itself whole as the item's tip.
            menu->setToolTipsVisible(true);
            m_recentSeparator = menu->addSeparator();
            m_recentSeparator->setObjectName(QStringLiteral("MenuLastFileSeparator"));
            for (int i = 0; i < kRecentCount; ++i) {
                QAction *recent = menu->addAction(QStringLiteral("&%1").arg(i + 1));
                recent->setObjectName(QStringLiteral("MenuLastFile%1").arg(i + 1));
                connect(recent, &QAction::triggered, this, [this, i] { OpenSaveFile(i + 1); });
                m_recentActions[i] = recent;
            }
        }
    }
    // Check marks are set by the commands themselves (a size the screen cannot show must
    // leave the old mark), so no exclusive action groups here.
}

void TMain::buildClientArea() {
    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("MainClient"));
    setCentralWidget(m_client);
    m_client->installEventFilter(this);
    m_client->setAutoFillBackground(true);

    buildSpeedPanel();
    buildLetteredButtons();

    m_viewerBevel = new QFrame(m_client);
    m_viewerBevel->setObjectName(QStringLiteral("ViewerBevel"));
    m_viewerBevel->setFrameStyle(QFrame::Box | QFrame::Raised);

    m_viewerLabel = MakeLabel(m_client, "ViewerLabel", QString());
    m_viewerLabel->setAlignment(Qt::AlignCenter);
    m_viewerLabel->resize(kHeadingWidth, 29);
    m_viewerLabel->setAutoFillBackground(true);
    SetPointSize(m_viewerLabel, 23, true);

    m_searchOnLabel = MakeLabel(m_client, "SearchOnLabel", QStringLiteral("SEARCH ON"));
    SetPointSize(m_searchOnLabel, 18, true);
    m_searchOnLabel->setStyleSheet(QStringLiteral("color: #b00000;"));
    m_searchOnLabel->move(12, 44);
    m_searchOnLabel->adjustSize();

    m_countLabel = MakeLabel(m_client, "CountLabel", QStringLiteral("0"));
    m_count2Label = MakeLabel(m_client, "Count2Label", QStringLiteral("Items"));
    for (QLabel *label : {m_countLabel, m_count2Label}) {
        label->setAlignment(Qt::AlignCenter);
        SetPointSize(label, 11, false);
        label->setGeometry(144, 38, 57, 13);
    }

    m_navigatorLabel = MakeLabel(m_client, "NavigatorLabel", QStringLiteral("Navigation Controls"));
    m_navigatorLabel->setAlignment(Qt::AlignCenter);
    m_navigatorLabel->setGeometry(400, 20, 221, 20);
    m_navigatorLabel->setAutoFillBackground(true);

    m_navigator = new DbNavigator(m_client);
    m_navigator->setObjectName(QStringLiteral("MyNavigator"));
    m_navigator->setGeometry(424, 3, 241, kNavigatorHeight);
    connect(m_navigator, &DbNavigator::clicked, this,
            [this](DbNavigator::Button which) { navigatorClicked(which); });

    static constexpr const char *kComboNames[] = {
        "MyComboBrand", "MyComboLocation", "MyComboBought", "MyComboCategory", "MyComboOwner"};
    for (int i = 0; i < 5; ++i) {
        auto *combo = new QComboBox(m_client);
        combo->setObjectName(QLatin1String(kComboNames[i]));
        combo->setEditable(true);
        combo->hide();
        m_gridCombos[i] = combo;
    }

    m_model = new ViewerModel(this);
    m_delegate = new ViewerDelegate(m_gridCombos, this);
    m_grid = new QTableView(m_client);
    m_grid->setObjectName(QStringLiteral("ViewerGrid"));
    m_grid->setHorizontalHeader(new ViewerHeader(m_grid));
    m_grid->setModel(m_model);
    m_grid->setItemDelegate(m_delegate);
    m_grid->setShowGrid(false);
    m_grid->setWordWrap(false);
    m_grid->setCornerButtonEnabled(false);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->verticalHeader()->setFixedWidth(16);
    m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->horizontalHeader()->setSectionsClickable(false);
    m_grid->horizontalHeader()->setHighlightSections(false);
    m_grid->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    connect(m_grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) { gridRowChanged(current.row()); });
    connect(m_grid, &QTableView::doubleClicked, this, [this] {
        if (!m_model->editable() && isAvailable(Needs::RecordEditor))
            runCommand(Cmd::Edit);
    });
    // Escape in a cell of the new record drops the record, as a grid editor does.
    connect(m_delegate, &QAbstractItemDelegate::closeEditor, this,
            [this](QWidget *, QAbstractItemDelegate::EndEditHint hint) {
                if (hint == QAbstractItemDelegate::RevertModelCache && m_source->insertRow() >= 0)
                    m_table->cancel();
            });
    m_grid->installEventFilter(this);
    connect(m_model, &ViewerModel::editRefused, this,
            [this](const QString &reason) { m_prompter.error(reason); });
    // The model is reset whenever the data set changes; the grid keeps its cursor on the
    // data set's current record.
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] { syncGridToTable(); });
}

void TMain::buildSpeedPanel() {
    m_speedPanel = new QFrame(m_client);
    m_speedPanel->setObjectName(QStringLiteral("SpeedPanel"));
    m_speedPanel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    m_speedPanel->setGeometry(0, 0, 631, 31);
    int left = 0;
    for (Cmd id : SpeedButtonOrder()) {
        const CommandInfo &info = Command(id);
        auto *button = new QToolButton(m_speedPanel);
        button->setObjectName(Latin(info.speed));
        button->setToolTip(Latin(info.hint));
        if (const auto glyph = SpeedGlyphOf(id))
            button->setIcon(SpeedIcon(*glyph));
        button->setIconSize(QSize(20, 20));
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setGeometry(left, 3, 25, 25);
        left += 25;
        connect(button, &QToolButton::clicked, this, [this, id] { runCommand(id); });
        m_speed[id] = button;
    }
}

void TMain::buildLetteredButtons() {
    for (int bevel = 1; bevel <= 4; ++bevel) {
        auto *frame = new QFrame(m_client);
        frame->setObjectName(QStringLiteral("Bevel%1").arg(bevel));
        frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
        frame->setGeometry(BevelRect(bevel));
        m_bevels[bevel - 1] = frame;
    }
    const auto order = LetteredButtonOrder();
    for (int i = 0; i < static_cast<int>(order.size()); ++i) {
        const Cmd id = order[i];
        const CommandInfo &info = Command(id);
        auto *button = new QPushButton(Latin(info.buttonCaption), m_client);
        button->setObjectName(Latin(info.button));
        button->setGeometry(LetteredButtonRect(i));
        connect(button, &QPushButton::clicked, this, [this, id] { runCommand(id); });
        m_lettered[id] = button;
    }
}

QAction *TMain::action(Cmd id) const {
    const auto found = m_actions.find(id);
    return found == m_actions.end() ? nullptr : found->second;
}

void TMain::provideWindow(Needs window, CommandHandler handler) {
    m_windows[window] = std::move(handler);
    updateCommandStates();
}

bool TMain::isAvailable(Needs window) const {
    return window == Needs::Nothing || m_windows.count(window) > 0;
}

bool TMain::commandEnabled(const CommandInfo &info) const {
    if (!isAvailable(info.needs))
        return false;
    if (m_browseMode && info.browseDisables)
        return false;
    if (info.id == Cmd::EndSearch)
        return m_searchInForce;
    return true;
}

void TMain::updateCommandStates() {
    for (const CommandInfo &info : Commands()) {
        const bool enabled = commandEnabled(info);
        if (QAction *a = action(info.id))
            a->setEnabled(enabled);
        if (auto found = m_speed.find(info.id); found != m_speed.end())
            found->second->setEnabled(enabled);
        // Lettered buttons are only usable while their bar is shown; in browse mode the
        // changing ones are off as well, so no route can change the data.
        if (auto found = m_lettered.find(info.id); found != m_lettered.end())
            found->second->setEnabled(enabled && m_settings.buttonBar == 2);
    }
    m_navigator->setBrowseOnly(m_browseMode);
    const bool editing = m_model->editable();
    for (auto which : {DbNavigator::Insert, DbNavigator::Edit})
        m_navigator->button(which)->setEnabled(editing);
}

// ---------------------------------------------------------------------------------------
// Start-up

bool TMain::FormCreate() {
    DisableEndSearch();
    setWindowTitle(QLatin1String(kProductCaption));
    m_viewerLabel->setText(QStringLiteral("Inventory Viewer"));
    m_viewerLabel->move((m_client->width() - m_viewerLabel->width()) / 2, m_viewerLabel->y());

    m_settings.programDirectory = m_options.programDirectory;
    if (m_settings.loadFrom(m_options.configFile) == ProfileFile::LoadStatus::Failed) {
        // Starting with defaults is better than not starting, but the user must know, and
        // the file they may want to rescue is left alone.
        m_settingsUnreadable = true;
        m_prompter.message(QStringLiteral("Warning"),
                           QStringLiteral("The settings file %1 could not be read.  The program "
                                          "starts with the default settings and leaves the "
                                          "file as it is.")
                               .arg(QDir::toNativeSeparators(m_options.configFile)),
                           Prompter::Ok, Prompter::Ok, Prompter::Icon::Warning);
    }
    m_settings.programDirectory = m_options.programDirectory;

    move(m_settings.mainLeft, m_settings.mainTop);
    resize(m_settings.mainWidth, m_settings.mainHeight);

    BuildSortString();

    applyDateFormatFromSettings();
    if (QAction *zeros = action(Cmd::DateLeadingZeros))
        zeros->setChecked(m_settings.dateLeadingZeros);
    action(Cmd::CurrencyUS)->setChecked(m_settings.currencyFormat == 1);
    action(Cmd::CurrencyWin)->setChecked(m_settings.currencyFormat == 2);
    action(Cmd::NumericUS)->setChecked(m_settings.numericFormat == 1);
    action(Cmd::NumericWin)->setChecked(m_settings.numericFormat == 2);

    QString path = m_settings.lastDatabase;
    if (path.isEmpty() || !QFileInfo(path).isFile()) {
        path = resolveCaseInsensitive(m_options.programDirectory, QStringLiteral("MASTER.DBF"));
        if (!QFileInfo(path).isFile() && !makeNewDb(path))
            return false;
    }
    if (checkFormat(path)) {
        openTableAtStartUp(path);
    } else {
        m_prompter.error(QStringLiteral(
            "The last database used as recorded in the INI file is not a valid Stowkeep "
            "Inventory 95 file.  You will need to choose a new file."));
        m_settings.lastDatabase = path;
        // Until a valid file is open. Cancelling the dialog ends the program instead of
        // asking forever: there is no file to work on and no other way out.
        while (!m_table->isOpen()) {
            const std::optional<QString> chosen = chooseDbf(false);
            if (!chosen)
                return false;
            if (!checkDbfExtension(*chosen))
                continue;
            try {
                OpenInventory(*chosen, false);
            } catch (const db::DbError &error) {
                showEngineError(error);
            }
        }
    }

    SetButtonBar();

    const SizeChoice size =
        WindowSizeFactor(m_settings.windowSize, m_screenSize.width(), m_screenSize.height());
    m_sizeFactor = size.factor;
    for (auto [id, value] : {std::pair{Cmd::Size640, 640}, std::pair{Cmd::Size800, 800},
                             std::pair{Cmd::Size1024, 1024}, std::pair{Cmd::Size1280, 1280}})
        action(id)->setChecked(size.checkedSize == value);

    ReadRegionalValues();
    SetMenuLastFiles();
    conversion::CheckForConversion(m_options.programDirectory, *m_table, m_prompter);
    applyBrowseMode();
    return true;
}

void TMain::applyDateFormatFromSettings() {
    ApplyDateFormat(m_settings.dateFormat, m_settings.dateLeadingZeros);
    checkDateItem();
}

void TMain::checkDateItem() {
    for (int n = 1; n <= 12; ++n)
        action(static_cast<Cmd>(static_cast<int>(Cmd::Date1) + n - 1))
            ->setChecked(n == m_settings.dateFormat);
}

void TMain::applyBrowseMode() {
    if (!m_browseMode)
        return;
    m_storedFieldEditing = m_settings.gridFieldEditing;
    m_settings.gridFieldEditing = false;
    m_navigator->setBrowseOnly(true);
    m_model->setEditable(false);
    updateCommandStates();
}

void TMain::BuildSortString() {
    m_sortExpression = QString::fromStdString(::BuildSortString(m_settings.sortLevels));
}

void TMain::openTableAtStartUp(const QString &path) {
    const std::optional<InventoryNames> names =
        ::OpenInventory(*m_table, path, m_sortExpression, OpenPath::StartUp, m_prompter);
    if (!names)
        return;
    setWindowTitle(InventoryCaption(names->tableName));
    m_mdxPath = names->mdxPath;
    m_settings.lastDatabase = path;
    m_source->bindFields();
    m_model->setSource(m_source.get());
    noteOpenMode();
    tellReadOnly();
}

void TMain::noteOpenMode() {
    m_fileReadOnly = m_table->isOpen() && m_table->openMode() == MyTable::OpenMode::ReadOnly;
}

void TMain::tellReadOnly() {
    if (m_fileReadOnly)
        m_prompter.message(QStringLiteral("Warning"), ReadOnlyOpenNotice(m_settings.lastDatabase),
                           Prompter::Ok, Prompter::Ok, Prompter::Icon::Warning);
}

// ---------------------------------------------------------------------------------------
// Inventory file operations

bool TMain::checkFormat(const QString &path) {
    return CheckDBaseFormat(path, m_prompter);
}

bool TMain::makeNewDb(const QString &path) {
    try {
        return MakeNewDB(path, m_prompter);
    } catch (const db::DbError &error) {
        showEngineError(error);
        return false;
    }
}

bool TMain::OpenInventory(const QString &path, bool isNewFile) {
    if (const std::optional<QString> refusal = PathLengthRefusal(path)) {
        m_prompter.error(*refusal);
        return false;
    }
    // The format check comes before anything changes, a search in force included.
    if (!isNewFile && !checkFormat(path))
        return false;
    const bool wasSearching = m_searchInForce;
    if (wasSearching) {
        DisableEndSearch();
        m_table->setFiltered(false);
    }
    const bool hadFile = m_table->isOpen();
    const QString previous = m_settings.lastDatabase;
    const QString previousTag = m_table->indexName();
    std::optional<InventoryNames> names;
    try {
        names = ::OpenInventory(*m_table, path, m_sortExpression,
                                isNewFile ? OpenPath::NewFile : OpenPath::Open, m_prompter);
    } catch (const db::DbError &) {
        // The previous file comes back as it was: its order, and a search in force.
        if (hadFile) {
            m_table->setIndexName(previousTag);
            reopenTable();
            if (wasSearching)
                EnableEndSearch();
        }
        throw;
    }
    if (!names)
        return false;
    noteOpenMode();
    m_settings.lastDatabase = path;
    setWindowTitle(InventoryCaption(names->tableName));
    m_mdxPath = names->mdxPath;
    m_source->bindFields();
    m_model->setSource(m_source.get());
    SetViewerOptions();
    if (hadFile)
        m_settings.lastFiles = DoLastFiles(m_settings.lastFiles, previous, path);
    SetMenuLastFiles();
    DisplayCount();
    tellReadOnly();
    return true;
}

std::optional<QString> TMain::chooseDbf(bool save) {
    const QString dir = m_settings.lastDatabase.isEmpty()
                            ? m_options.programDirectory
                            : QFileInfo(m_settings.lastDatabase).absolutePath();
    std::optional<QString> chosen =
        save ? m_prompter.saveFileName(QStringLiteral("New Database File"), dir,
                                       QLatin1String(kDbfFilter))
             : m_prompter.openFileName(QStringLiteral("Open Database File"), dir,
                                       QLatin1String(kDbfFilter));
    // The dialogs add the default extension to a name typed without one.
    if (chosen && !chosen->isEmpty() && QFileInfo(*chosen).suffix().isEmpty() &&
        !chosen->endsWith('.'))
        *chosen += QStringLiteral(".DBF");
    return chosen;
}

bool TMain::checkDbfExtension(const QString &path) {
    if (path.right(4).toUpper() == QLatin1String(".DBF"))
        return true;
    m_prompter.error(QStringLiteral("Invalid file type selected."));
    return false;
}

// ---------------------------------------------------------------------------------------
// Commands

void TMain::showEngineError(const db::DbError &error) {
    m_prompter.message(QStringLiteral("Error"), QString::fromLocal8Bit(error.what()), Prompter::Ok,
                       Prompter::Ok, Prompter::Icon::Error);
}

void TMain::runCommand(Cmd id) {
    const CommandInfo &info = Command(id);
    if (!commandEnabled(info))
        return;
    // A new record in the grid ends before any command, as leaving its row would end it.
    closeGridEditor(true);
    if (!leaveGridInsert())
        return;
    if (m_fileReadOnly && NeedsWritableInventory(id)) {
        m_prompter.error(kReadOnlyRefusal);
        return;
    }
    // Database errors no command handles reach the user with the engine's own text; the
    // command is abandoned with the data as the engine left it.
    try {
        switch (id) {
        case Cmd::New:
            DoNew();
            break;
        case Cmd::Open:
            DoOpen();
            break;
        case Cmd::Update:
            DoUpdate();
            break;
        case Cmd::PrinterSetup:
            (void)m_prompter.printerSetup();
            break;
        case Cmd::Exit:
            close();
            break;
        case Cmd::Delete:
            DoDelete();
            break;
        case Cmd::EndSearch:
            DoEndSearch();
            break;
        case Cmd::Size640:
            setScreenSize(640);
            break;
        case Cmd::Size800:
            setScreenSize(800);
            break;
        case Cmd::Size1024:
            setScreenSize(1024);
            break;
        case Cmd::Size1280:
            setScreenSize(1280);
            break;
        case Cmd::SpeedButtons:
            setButtonMode(1);
            break;
        case Cmd::LetteredButtons:
            setButtonMode(2);
            break;
        case Cmd::NoButtons:
            setButtonMode(3);
            break;
        case Cmd::CurrencyUS:
            setCurrencyFormat(1);
            break;
        case Cmd::CurrencyWin:
            setCurrencyFormat(2);
            break;
        case Cmd::NumericUS:
            setNumericFormat(1);
            break;
        case Cmd::NumericWin:
            setNumericFormat(2);
            break;
        case Cmd::DateLeadingZeros:
            toggleLeadingZeros();
            break;
        case Cmd::LabelFont:
        case Cmd::EditFont:
        case Cmd::ButtonFont:
            chooseFont(id);
            break;
        case Cmd::Rebuild:
            DoRebuild();
            break;
        case Cmd::Pack:
            DoPack();
            break;
        case Cmd::Contents:
            DoHelp();
            break;
        default:
            if (id >= Cmd::Date1 && id <= Cmd::Date12) {
                chooseDateFormat(static_cast<int>(id) - static_cast<int>(Cmd::Date1) + 1);
                break;
            }
            openWindow(id);
            break;
        }
    } catch (const db::DbError &error) {
        showEngineError(error);
    }
    updateCommandStates();
}

void TMain::openWindow(Cmd id) {
    const CommandInfo &info = Command(id);
    const auto found = m_windows.find(info.needs);
    if (found == m_windows.end())
        return;
    switch (id) {
    case Cmd::Add:
        m_editMode = 1;
        break;
    case Cmd::Edit:
        m_editMode = 2;
        break;
    case Cmd::Copy:
        m_editMode = 3;
        break;
    default:
        break;
    }
    found->second(id);
    switch (id) {
    case Cmd::Add:
    case Cmd::Edit:
    case Cmd::Copy:
    case Cmd::Restore:
    case Cmd::Import:
    case Cmd::Search:
        DisplayCount();
        break;
    default:
        break;
    }
}

void TMain::DoNew() {
    const std::optional<QString> chosen = chooseDbf(true);
    if (!chosen) {
        DisplayCount();
        return;
    }
    if (m_searchInForce)
        DoEndSearch();
    if (!checkDbfExtension(*chosen))
        return;
    if (const std::optional<QString> refusal = PathLengthRefusal(*chosen)) {
        m_prompter.error(*refusal);
        return;
    }
    if (!makeNewDb(*chosen))
        return;
    OpenInventory(*chosen, true);
    DisplayCount();
}

void TMain::DoOpen() {
    const std::optional<QString> chosen = chooseDbf(false);
    if (!chosen) {
        DisplayCount();
        return;
    }
    if (!checkDbfExtension(*chosen))
        return;
    OpenInventory(*chosen, false);
    DisplayCount();
}

void TMain::OpenSaveFile(int entry) {
    if (entry < 1 || entry > kRecentCount)
        return;
    const QString path = m_settings.lastFiles[entry - 1];
    if (path.isEmpty())
        return;
    try {
        OpenInventory(path, false);
    } catch (const db::DbError &error) {
        // The file is gone or damaged: say so and go on with the one that was open.
        showEngineError(error);
    }
    DisplayCount();
}

void TMain::reopenTable() {
    const QString path = m_settings.lastDatabase;
    const QString tag = m_table->indexName();
    m_table->close();
    m_table->setIndexName(tag);
    m_table->open(path, m_fileReadOnly ? MyTable::OpenMode::ReadOnly : MyTable::OpenMode::Shared);
    m_source->bindFields();
    m_model->setSource(m_source.get());
}

void TMain::DoUpdate() {
    const bool wasSearching = m_searchInForce;
    if (wasSearching)
        DisableEndSearch();
    reopenTable();
    if (wasSearching)
        EnableEndSearch();
    SetViewerOptions();
}

void TMain::DoDelete() {
    const Prompter::Button answer =
        m_prompter.message(QStringLiteral("Confirm"), QStringLiteral("Delete this record?"),
                           Prompter::Yes | Prompter::No, Prompter::No, Prompter::Icon::Question);
    if (answer == Prompter::Yes && m_table->isOpen() && !m_table->isEmpty())
        m_table->deleteRecord();
    DisplayCount();
}

void TMain::DoEndSearch() {
    DisableEndSearch();
    m_table->setFiltered(false);
    reopenTable();
    SetViewerOptions();
    DisplayCount();
}

void TMain::EnableEndSearch() {
    m_searchInForce = true;
    m_searchOnLabel->show();
    if (m_searchFilter) {
        m_table->setFilter([this](const RecordView &record) { return m_searchFilter(record); });
        m_table->setFiltered(true);
    }
    updateCommandStates();
}

void TMain::DisableEndSearch() {
    m_searchInForce = false;
    m_searchOnLabel->hide();
    updateCommandStates();
}

void TMain::DoHelp() {
    m_prompter.showHelp(QString());
}

void TMain::DoPack() {
    (void)maintenance::PackDatabase(*m_table, m_prompter, [this] { SetViewerOptions(); });
}

void TMain::DoRebuild() {
    (void)maintenance::RebuildIndexes(
        *m_table, m_prompter, [this] { SetViewerOptions(); }, m_sortExpression);
}

void TMain::setScreenSize(int size) {
    const Cmd ids[] = {Cmd::Size640, Cmd::Size800, Cmd::Size1024, Cmd::Size1280};
    const int sizes[] = {640, 800, 1024, 1280};
    // Qt toggled the mark already; the command decides where it ends up.
    const SizeChoice inForce =
        WindowSizeFactor(m_settings.windowSize, m_screenSize.width(), m_screenSize.height());
    auto restoreMarks = [&](int checkedSize) {
        for (int i = 0; i < 4; ++i)
            action(ids[i])->setChecked(sizes[i] == checkedSize);
    };
    if (inForce.checkedSize == size) {
        restoreMarks(size);
        return;
    }
    if (const auto refusal = ScreenSizeRefusal(size, m_screenSize.width(), m_screenSize.height())) {
        restoreMarks(inForce.checkedSize);
        m_prompter.error(*refusal);
        return;
    }
    restoreMarks(size);
    m_settings.windowSize = size;
    m_sizeFactor = WindowSizeFactor(size, m_screenSize.width(), m_screenSize.height()).factor;
}

void TMain::setButtonMode(int mode) {
    m_settings.buttonBar = mode;
    SetButtonBar();
}

void TMain::SetButtonBar() {
    const int mode = m_settings.buttonBar;
    action(Cmd::SpeedButtons)->setChecked(mode == 1);
    action(Cmd::LetteredButtons)->setChecked(mode == 2);
    action(Cmd::NoButtons)->setChecked(mode == 3);
    const auto layout = SetButtonBarLayout(mode, m_client->width(), m_client->height());
    if (!layout) {
        FormResize();
        return;
    }
    for (auto &[id, button] : m_lettered)
        button->setVisible(layout->letteredShown);
    m_bevels[0]->setVisible(layout->letteredShown);
    for (int i = 1; i < 4; ++i)
        m_bevels[i]->setVisible(layout->otherBevelsShown);
    m_speedPanel->setVisible(layout->speedPanelShown);
    m_speedPanel->setEnabled(layout->speedPanelShown);
    m_navigatorLabel->setVisible(layout->navigatorLabelShown);
    m_navigatorLabel->move(m_navigatorLabel->x(), layout->navigatorLabelTop);
    m_navigator->setGeometry(layout->navigator.left(), layout->navigator.top(),
                             layout->navigator.width(), kNavigatorHeight);
    m_searchOnLabel->move(m_searchOnLabel->x(), layout->searchOnTop);
    m_countLabel->move(m_countLabel->x(), layout->countTop);
    m_count2Label->move(m_count2Label->x(), layout->count2Top);
    FormResize();
    updateCommandStates();
}

void TMain::FormResize() {
    const ResizeLayout layout =
        FormResizeLayout(m_settings.buttonBar, m_client->width(), m_client->height());
    const Widths &w = layout.widths;
    // Centred as the design heading is, also when a wider font made it wider.
    const int headingLeft = w.headingLeft - (m_viewerLabel->width() - kHeadingWidth) / 2;
    if (layout.vertical) {
        const VerticalLayout &v = *layout.vertical;
        m_viewerBevel->setGeometry(w.frame.left(), v.frameTop, w.frame.width(), v.frameHeight);
        m_grid->setGeometry(w.grid.left(), v.gridTop, w.grid.width(), v.gridHeight);
        m_viewerLabel->move(headingLeft, v.headingTop);
    } else {
        m_viewerBevel->resize(w.frame.width(), m_viewerBevel->height());
        m_grid->resize(w.grid.width(), m_grid->height());
        m_viewerLabel->move(headingLeft, m_viewerLabel->y());
    }
    if (layout.navigatorLeft)
        m_navigator->move(*layout.navigatorLeft, m_navigator->y());
    fitNavigator();
    m_speedPanel->resize(m_client->width(), m_speedPanel->height());
    m_searchOnLabel->raise();
    m_countLabel->raise();
    m_count2Label->raise();
    m_viewerLabel->raise();
}

void TMain::fitNavigator() {
    // A narrow window would cut off the last buttons: they get narrower instead.
    const auto layout =
        SetButtonBarLayout(m_settings.buttonBar, m_client->width(), m_client->height());
    if (!layout)
        return;
    const int room = m_client->width() - m_navigator->x() - 3;
    const int width = std::clamp(room, 4 * 18, layout->navigator.width());
    m_navigator->resize(width, kNavigatorHeight);
}

void TMain::SetMenuLastFiles() {
    // A long path is shortened in its middle, so that the File menu stays narrower than half
    // the screen and its shortcuts stay on it.
    const QFontMetrics metrics(m_recentActions[0]->font());
    const int room = std::max(kMinRecentWidth, m_screenSize.width() / 2);
    const RecentMenu menu =
        mainwin::SetMenuLastFiles(m_settings.lastFiles, [&metrics, room](const QString &path) {
            return metrics.elidedText(path, Qt::ElideMiddle, room);
        });
    m_recentSeparator->setVisible(menu.separatorVisible);
    for (int i = 0; i < kRecentCount; ++i) {
        QAction *item = m_recentActions[i];
        item->setVisible(menu.captions[i].has_value());
        if (menu.captions[i]) {
            item->setText(*menu.captions[i]);
            item->setToolTip(m_settings.lastFiles[i]);
        }
    }
}

void TMain::DisplayCount() {
    const std::int64_t count = m_table->isOpen() ? m_table->recordCount() : 0;
    m_countLabel->setText(QString::number(count));
}

void TMain::LoadList(const QString &fileName, QComboBox *combo) {
    if (m_pickLists) {
        for (const picklists::ListInfo &info : picklists::Lists()) {
            if (fileName.compare(QLatin1String(info.fileName), Qt::CaseInsensitive) != 0 ||
                m_gridCombos[static_cast<std::size_t>(info.list)] != combo)
                continue;
            m_pickLists->setProgramDirectory(m_settings.programDirectory);
            if (std::optional<QString> error = m_pickLists->LoadGridList(info.list))
                m_prompter.error(*error);
            return;
        }
    }
    combo->clear();
    combo->addItems(
        picklists::LoadGridList(resolveCaseInsensitive(m_settings.programDirectory, fileName)));
}

void TMain::setPickLists(picklists::PickLists *lists) {
    if (m_pickLists)
        m_pickLists->removeListener(m_pickListener);
    m_pickLists = lists;
    if (!lists)
        return;
    // The grid's combo boxes follow the grid copies: a value the record editor stores is
    // offered in the grid at once.
    m_pickListener = lists->addListener([this](picklists::List list) {
        QComboBox *combo = m_gridCombos[static_cast<std::size_t>(list)];
        combo->clear();
        combo->addItems(m_pickLists->gridItems(list));
    });
}

void TMain::chooseDateFormat(int number) {
    QAction *item = action(static_cast<Cmd>(static_cast<int>(Cmd::Date1) + number - 1));
    if (number == m_settings.dateFormat) {
        item->setChecked(true);
        return;
    }
    ApplyDateFormat(number, m_settings.dateLeadingZeros);
    m_settings.dateFormat = number;
    checkDateItem();
    refreshDataSet();
}

void TMain::toggleLeadingZeros() {
    m_settings.dateLeadingZeros = !m_settings.dateLeadingZeros;
    action(Cmd::DateLeadingZeros)->setChecked(m_settings.dateLeadingZeros);
    ApplyDateFormat(m_settings.dateFormat, m_settings.dateLeadingZeros);
    refreshDataSet();
}

void TMain::setCurrencyFormat(int format) {
    m_settings.currencyFormat = format;
    action(Cmd::CurrencyUS)->setChecked(format == 1);
    action(Cmd::CurrencyWin)->setChecked(format == 2);
}

void TMain::setNumericFormat(int format) {
    m_settings.numericFormat = format;
    action(Cmd::NumericUS)->setChecked(format == 1);
    action(Cmd::NumericWin)->setChecked(format == 2);
}

void TMain::refreshDataSet() {
    // The date texts are made when a record is read: read what is shown again.
    m_model->reload();
}

void TMain::chooseFont(Cmd id) {
    FontSpec *font = id == Cmd::LabelFont  ? &m_settings.labelFont
                     : id == Cmd::EditFont ? &m_settings.editFont
                                           : &m_settings.buttonFont;
    if (const std::optional<FontSpec> chosen = m_prompter.chooseFont(*font)) {
        *font = *chosen;
        applyFonts();
    }
}

void TMain::applyFonts() {
    ApplyFonts(m_client, m_settings.labelFont, m_settings.editFont, m_settings.buttonFont);
    // The heading and the search indicator are bold by design, whatever the label style.
    for (QLabel *label : {m_viewerLabel, m_searchOnLabel})
        label->setFont(BoldHeadingFont(label->font()));
    // A wider label font must not cut the heading at both ends.
    const QSize text = m_viewerLabel->sizeHint();
    m_viewerLabel->resize(std::max(kHeadingWidth, text.width()),
                          std::max(m_viewerLabel->height(), text.height()));
    m_searchOnLabel->adjustSize();
    FormResize();
}

void TMain::SetColors() {
    const ColorSet &colors = m_settings.colorSet(ColorTarget::Main);
    const QColor background = ToQColor(colors[ColorRole::MainBackground]);
    QPalette palette = m_client->palette();
    palette.setColor(QPalette::Window, background);
    m_client->setPalette(palette);
    QPalette heading = m_viewerLabel->palette();
    heading.setColor(QPalette::Window, background);
    heading.setColor(QPalette::WindowText, ToQColor(colors[ColorRole::MajorTitle]));
    m_viewerLabel->setPalette(heading);
    QPalette navigator = m_navigatorLabel->palette();
    navigator.setColor(QPalette::Window, background);
    navigator.setColor(QPalette::WindowText, ToQColor(colors[ColorRole::MinorTitle]));
    m_navigatorLabel->setPalette(navigator);
}

void TMain::SetViewerOptions() {
    const Settings &s = m_settings;
    m_grid->setTabKeyNavigation(true);
    m_grid->horizontalHeader()->setVisible(s.gridShowTitles);
    m_grid->verticalHeader()->setVisible(s.gridRowIndicator);
    m_delegate->setLines(s.gridColumnLines, s.gridRowLines);
    const bool editing = s.gridFieldEditing && !m_browseMode && !m_fileReadOnly;
    m_model->setEditable(editing);
    m_grid->setSelectionBehavior(editing ? QAbstractItemView::SelectItems
                                         : QAbstractItemView::SelectRows);
    m_grid->setEditTriggers(editing ? QAbstractItemView::AnyKeyPressed |
                                          QAbstractItemView::EditKeyPressed |
                                          QAbstractItemView::SelectedClicked
                                    : QAbstractItemView::NoEditTriggers);

    const QFont gridFont = ToQFont(s.gridFont);
    m_grid->setFont(gridFont);
    for (QComboBox *combo : m_gridCombos)
        combo->setFont(gridFont);
    QPalette palette = m_grid->palette();
    palette.setColor(QPalette::Base, ToQColor(s.gridCellColor));
    palette.setColor(QPalette::Text, ToQColor(s.gridFont.color));
    m_grid->setPalette(palette);

    QHeaderView *titles = m_grid->horizontalHeader();
    titles->setFont(ToQFont(s.gridTitleFont));
    titles->setStyleSheet(
        QStringLiteral("QHeaderView::section { background-color: %1; color: %2; "
                       "border: 1px solid #808080; padding: 1px 3px; }")
            .arg(ToQColor(s.gridTitleColor).name(), ToQColor(s.gridTitleFont.color).name()));
    switch (s.gridTitleAlignment) {
    case 1:
        m_model->setTitleAlignment(Qt::AlignLeft);
        break;
    case 2:
        m_model->setTitleAlignment(Qt::AlignHCenter);
        break;
    case 3:
        m_model->setTitleAlignment(Qt::AlignRight);
        break;
    default:
        break;
    }

    std::vector<ViewerModel::Column> columns;
    for (const viewcfg::ViewerColumn &c : viewcfg::ViewerColumnPlan(s))
        columns.push_back({c.field, c.title, c.width});
    m_model->setColumns(columns);
    const QFontMetrics metrics(gridFont);
    const int charWidth = metrics.horizontalAdvance(QLatin1Char('0'));
    for (int c = 0; c < static_cast<int>(columns.size()); ++c)
        m_grid->setColumnWidth(c, std::max(1, columns[c].width) * charWidth + 6);
    m_grid->verticalHeader()->setDefaultSectionSize(metrics.height() + 6);
    updateCommandStates();
    syncGridToTable();
}

// ---------------------------------------------------------------------------------------
// What features ask of the main window

void TMain::endSearch() {
    DoEndSearch();
}

void TMain::enableEndSearch() {
    EnableEndSearch();
}

void TMain::setViewerOptions() {
    SetViewerOptions();
}

void TMain::displayCount() {
    DisplayCount();
}

bool TMain::saveSettings() {
    return writeSettings(nullptr) == SettingsWrite::Saved;
}

TMain::SettingsWrite TMain::writeSettings(std::vector<ProfileKey> *inexact) {
    auto unreadable = Settings::UnreadableFile::Keep;
    if (m_settingsUnreadable) {
        if (m_prompter.message(QStringLiteral("Confirm"),
                               QStringLiteral("The settings file %1 could not be read when the "
                                              "program started.  Replace it with the current "
                                              "settings?")
                                   .arg(QDir::toNativeSeparators(m_options.configFile)),
                               Prompter::Yes | Prompter::No, Prompter::No,
                               Prompter::Icon::Question) != Prompter::Yes)
            return SettingsWrite::Declined;
        unreadable = Settings::UnreadableFile::Replace;
    }
    if (!m_settings.saveTo(m_options.configFile, inexact, unreadable))
        return SettingsWrite::Failed;
    m_settingsUnreadable = false;
    return SettingsWrite::Saved;
}

void TMain::buildSortExpression() {
    BuildSortString();
}

bool TMain::openInventoryFile(const QString &path) {
    // A restore closes the current file before it copies: the file it leaves is listed
    // among the recent files here, as any other open lists it.
    const QString previous = m_settings.lastDatabase;
    try {
        if (!OpenInventory(path, true))
            return false;
    } catch (const db::DbError &error) {
        showEngineError(error);
        return false;
    }
    if (!previous.isEmpty() && previous != path) {
        m_settings.lastFiles = DoLastFiles(m_settings.lastFiles, previous, path);
        SetMenuLastFiles();
    }
    return true;
}

FormLook TMain::formLook() const {
    return FormLook::from(m_settings, m_sizeFactor, m_screenSize);
}

// ---------------------------------------------------------------------------------------
// Grid and data set

void TMain::tableEvent(int event) {
    switch (static_cast<MyTable::Event>(event)) {
    case MyTable::Event::DataChanged:
    case MyTable::Event::Opened:
        m_model->reload();
        break;
    case MyTable::Event::Scrolled:
        syncGridToTable();
        break;
    case MyTable::Event::StateChanged:
        m_navigator->setEditing(m_table->state() == MyTable::State::Edit ||
                                m_table->state() == MyTable::State::Insert);
        // A cancelled grid insert takes its row away.
        if (m_source->endInsert())
            m_model->reload();
        break;
    default:
        break;
    }
}

void TMain::gridRowChanged(int row) {
    m_model->setIndicatorRow(row);
    if (m_syncingCursor || row < 0)
        return;
    if (const int pending = m_source->insertRow(); pending >= 0 && row != pending) {
        // Leaving the new record ends it, after the grid's own cursor change. A posted
        // record keeps the cursor (it has its place in the order now); a dropped one gives
        // way to the row chosen.
        QMetaObject::invokeMethod(
            this,
            [this, row] {
                const bool typed = m_source->insertTyped();
                if (!leaveGridInsert())
                    return;
                if (typed)
                    syncGridToTable();
                else
                    m_source->moveTo(row);
            },
            Qt::QueuedConnection);
        return;
    }
    m_syncingCursor = true;
    m_source->moveTo(row);
    m_syncingCursor = false;
}

void TMain::syncGridToTable() {
    if (m_syncingCursor)
        return;
    const int row = m_source->currentRow();
    m_syncingCursor = true;
    const int column = std::max(0, m_grid->currentIndex().column());
    if (row >= 0 && m_model->columnCount() > 0) {
        const QModelIndex index = m_model->index(row, std::min(column, m_model->columnCount() - 1));
        m_grid->selectionModel()->setCurrentIndex(
            index,
            QItemSelectionModel::ClearAndSelect |
                (m_model->editable() ? QItemSelectionModel::NoUpdate : QItemSelectionModel::Rows));
        m_grid->scrollTo(index);
    }
    m_model->setIndicatorRow(row);
    m_syncingCursor = false;
}

bool TMain::leaveGridInsert() {
    if (m_source->insertRow() < 0)
        return true;
    if (!m_source->insertTyped()) {
        m_table->cancel();
        return true;
    }
    try {
        m_table->post();
    } catch (const db::DbError &error) {
        // What was typed stays in the new record, to be mended or cancelled.
        showEngineError(error);
        syncGridToTable();
        return false;
    }
    return true;
}

void TMain::closeGridEditor(bool commit) {
    QWidget *editor = m_grid->indexWidget(m_grid->currentIndex());
    if (!editor)
        return;
    if (commit)
        Q_EMIT m_delegate->commitData(editor);
    Q_EMIT m_delegate->closeEditor(editor, commit ? QAbstractItemDelegate::NoHint
                                                  : QAbstractItemDelegate::RevertModelCache);
}

void TMain::navigatorClicked(int which) {
    const auto button = static_cast<DbNavigator::Button>(which);
    try {
        // Moving, reading again or inserting leaves a new record in the grid first.
        if (button != DbNavigator::Delete && button != DbNavigator::Edit &&
            button != DbNavigator::Post && button != DbNavigator::Cancel) {
            closeGridEditor(true);
            if (!leaveGridInsert())
                return;
        }
        switch (button) {
        case DbNavigator::First:
            m_table->first();
            break;
        case DbNavigator::Prior:
            m_table->prior();
            break;
        case DbNavigator::Next:
            m_table->next();
            break;
        case DbNavigator::Last:
            m_table->last();
            break;
        case DbNavigator::Insert:
            if (m_model->editable()) {
                m_source->beginInsert();
                m_model->reload();
                syncGridToTable();
                m_grid->edit(m_grid->currentIndex());
            }
            break;
        case DbNavigator::Delete:
            if (m_source->insertRow() >= 0)
                m_table->cancel(); // a record not yet written is only dropped
            else if (m_fileReadOnly)
                m_prompter.error(kReadOnlyRefusal);
            else if (!m_browseMode && !m_table->isEmpty() &&
                     m_prompter.confirm(QStringLiteral("Delete record?"), Prompter::No))
                m_table->deleteRecord();
            break;
        case DbNavigator::Edit:
            if (m_model->editable())
                m_grid->edit(m_grid->currentIndex());
            break;
        case DbNavigator::Post:
            closeGridEditor(true);
            if (m_table->state() == MyTable::State::Edit ||
                m_table->state() == MyTable::State::Insert)
                m_table->post();
            break;
        case DbNavigator::Cancel:
            closeGridEditor(false);
            m_table->cancel();
            break;
        case DbNavigator::Refresh:
            m_table->refresh();
            m_model->reload();
            break;
        }
    } catch (const db::DbError &error) {
        showEngineError(error);
    }
    syncGridToTable();
}

// ---------------------------------------------------------------------------------------
// Window events

void TMain::showEvent(QShowEvent *event) {
    QMainWindow::showEvent(event);
    if (!m_shownOnce) {
        m_shownOnce = true;
        FormShow();
        // Without a window manager nothing else would give the new window the focus.
        activateWindow();
    }
}

void TMain::FormShow() {
    applyFonts();
    SetViewerOptions();
    SetColors();
    static constexpr const char *kListFiles[] = {"BRAND.LST", "LOCATION.LST", "BOUGHT.LST",
                                                 "CATEGORY.LST", "OWNER.LST"};
    for (int i = 0; i < 5; ++i)
        LoadList(QLatin1String(kListFiles[i]), m_gridCombos[i]);
    DisplayCount();
}

void TMain::changeEvent(QEvent *event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        FormActivate();
}

void TMain::FormActivate() {
    if (m_activatedOnce)
        return;
    m_activatedOnce = true;
    if (m_settings.showTips && isAvailable(Needs::TipWindow))
        m_windows[Needs::TipWindow](Cmd::Tips);
}

bool TMain::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_client && event->type() == QEvent::Resize)
        FormResize();
    if (watched == m_grid && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape && m_source->insertRow() >= 0) {
        m_table->cancel();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMain::closeEvent(QCloseEvent *event) {
    // A new record typed in the grid is kept, as leaving its row would keep it; one the
    // engine refuses keeps the window open, to be mended or cancelled.
    closeGridEditor(true);
    if (!m_closed && !leaveGridInsert()) {
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}

void TMain::FormClose() {
    if (m_closed)
        return;
    m_closed = true;
    m_searchInForce = false;
    m_settings.mainLeft = x();
    m_settings.mainTop = y();
    m_settings.mainWidth = width();
    m_settings.mainHeight = height();
    if (m_browseMode)
        m_settings.gridFieldEditing = m_storedFieldEditing;
    saveSettingsOnClose();
    m_table->close();
}

// The last chance to keep the session's settings: a failed or inexact save is told, not
// swallowed.
void TMain::saveSettingsOnClose() {
    std::vector<ProfileKey> inexact;
    const SettingsWrite written = writeSettings(&inexact);
    if (written == SettingsWrite::Declined)
        return;
    if (written == SettingsWrite::Failed) {
        m_prompter.message(QStringLiteral("Error"),
                           QStringLiteral("The settings could not be saved to %1.")
                               .arg(QDir::toNativeSeparators(m_options.configFile)),
                           Prompter::Ok, Prompter::Ok, Prompter::Icon::Error);
        return;
    }
    if (inexact.empty())
        return;
    QStringList keys;
    for (const ProfileKey &k : inexact)
        keys << QStringLiteral("[%1] %2").arg(k.section, k.key);
    m_prompter.message(QStringLiteral("Warning"),
                       QStringLiteral("These settings hold characters the settings file cannot "
                                      "store; they were saved with \"?\" in their place:\n%1")
                           .arg(keys.join(QLatin1Char('\n'))),
                       Prompter::Ok, Prompter::Ok, Prompter::Icon::Warning);
}
