#include "views/ui/t_view_config.h"

#include "core/prompter.h"
#include "settings/settings.h"
#include "ui/apply_colors.h"
#include "ui/form_components.h"

#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QTabWidget>
#include <QTableWidget>

#include <cmath>

namespace {

// Design geometry at the 640 x 480 screen size.
constexpr int kClientWidth = 560; // room for all six page tabs in the default font
constexpr int kClientHeight = 424;
constexpr int kLeft = 16;
constexpr int kButtonWidth = 90;
constexpr int kButtonHeight = 26;
constexpr int kGridHeight = 300;
constexpr int kNameColumn = 200;
constexpr int kValueColumn = 100;
constexpr int kRowHeight = 20;
// Room for the vertical scroll bar beside the columns.
constexpr int kGridMargin = 20;

// A string grid whose open cell editor can be committed before its cells are read, so a
// value still being typed when the dialog closes by keyboard is not lost.
class ConfigGrid : public QTableWidget {
public:
    using QTableWidget::QTableWidget;

    void commitOpenEditor() {
        if (state() != QAbstractItemView::EditingState)
            return;
        QWidget *editor = QApplication::focusWidget();
        if (!editor || !viewport()->isAncestorOf(editor))
            return;
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
};

void CommitEditor(QTableWidget *grid) {
    static_cast<ConfigGrid *>(grid)->commitOpenEditor();
}

ConfigGrid *MakeGrid(QWidget *page, const char *name, int columns, QRect bounds) {
    auto *grid = new ConfigGrid(kFieldCount, columns, page);
    grid->setObjectName(QString::fromLatin1(name));
    grid->setGeometry(bounds);
    grid->verticalHeader()->setVisible(false);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->horizontalHeader()->setHighlightSections(false);
    grid->setWordWrap(false);
    return grid;
}

// A cell the user cannot type into (field names, the show flags, the order rows).
QTableWidgetItem *FixedItem(const QString &text) {
    auto *item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    return item;
}

QTableWidgetItem *EditableItem(const QString &text) {
    auto *item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable);
    return item;
}

QString CellText(const QTableWidget *grid, int row, int column) {
    const QTableWidgetItem *item = grid->item(row, column);
    return item ? item->text() : QString();
}

QString Latin(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

TViewConfig::TViewConfig(Settings &settings, Prompter &prompter, FormLook look, QWidget *parent)
    : QDialog(parent), m_settings(settings), m_prompter(prompter), m_look(std::move(look)) {
    setObjectName(QStringLiteral("ViewConfig"));
    setWindowTitle(QStringLiteral("Viewer Configuration"));
    QFont designFont(QStringLiteral("Arial"));
    designFont.setPointSize(8);
    setFont(designFont);

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("MyTabbedPage"));
    m_tabs->setGeometry(8, 8, kClientWidth - 16, kClientHeight - 54);
    m_tabs->addTab(buildTitlePage(), QStringLiteral("&Title"));
    m_tabs->addTab(buildLookPage(), QStringLiteral("&Look and Feel"));
    m_tabs->addTab(buildShowPage(), QStringLiteral("Fields to &Show"));
    m_tabs->addTab(buildWidthsPage(), QStringLiteral("Field &Widths"));
    m_tabs->addTab(buildOrderPage(), QStringLiteral("Field &Order"));
    m_tabs->addTab(buildNamesPage(), QStringLiteral("Field &Names"));

    const int buttonTop = kClientHeight - 8 - kButtonHeight - 4;
    QPushButton *help =
        button(this, "HelpButton", QStringLiteral("&Help"),
               {kClientWidth - 2 * (kButtonWidth + 8), buttonTop, kButtonWidth, kButtonHeight});
    connect(help, &QPushButton::clicked, this, &TViewConfig::HelpButtonClick);
    QPushButton *exit =
        button(this, "ExitButton", QStringLiteral("E&xit"),
               {kClientWidth - kButtonWidth - 8, buttonTop, kButtonWidth, kButtonHeight});
    connect(exit, &QPushButton::clicked, this, &QDialog::accept);
    auto *f1 = new QShortcut(QKeySequence::HelpContents, this);
    connect(f1, &QShortcut::activated, this, &TViewConfig::HelpButtonClick);

    resize(kClientWidth, kClientHeight);
    fillPages();
    m_tabs->setCurrentIndex(viewcfg::kFirstPage);
}

QLabel *TViewConfig::heading(QWidget *page, const char *name, const QString &text, QRect bounds) {
    auto *label = new QLabel(text, page);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(bounds);
    return label;
}

QCheckBox *TViewConfig::checkBox(QWidget *page, const char *name, const QString &text, QRect bounds,
                                 bool &setting) {
    auto *box = new QCheckBox(text, page);
    box->setObjectName(QString::fromLatin1(name));
    box->setGeometry(bounds);
    box->setChecked(setting);
    bool *target = &setting;
    connect(box, &QCheckBox::toggled, this, [target](bool on) { *target = on; });
    return box;
}

QPushButton *TViewConfig::button(QWidget *page, const char *name, const QString &text,
                                 QRect bounds) {
    auto *b = new QPushButton(text, page);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(bounds);
    b->setAutoDefault(false);
    return b;
}

QWidget *TViewConfig::buildTitlePage() {
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("TitlePage"));
    checkBox(page, "ShowGridTitle", QStringLiteral("Show Column Titles"), {kLeft, 14, 250, 22},
             m_settings.gridShowTitles);

    heading(page, "BackgroundLabel", QStringLiteral("Background"), {kLeft, 50, 200, 18});
    m_titleShape = new QFrame(page);
    m_titleShape->setObjectName(QStringLiteral("TitleShape"));
    m_titleShape->setFrameShape(QFrame::Box);
    m_titleShape->setGeometry(kLeft, 72, 64, 30);
    MarkBevel(m_titleShape);
    QPushButton *color = button(page, "Button1", QStringLiteral("New &Color"),
                                {kLeft + 80, 74, kButtonWidth, kButtonHeight});
    connect(color, &QPushButton::clicked, this, &TViewConfig::chooseTitleColor);

    heading(page, "TitleFontLabel", QStringLiteral("Title Font"), {kLeft, 118, 200, 18});
    m_titleFont = new QLineEdit(page);
    m_titleFont->setObjectName(QStringLiteral("TitleFont"));
    m_titleFont->setReadOnly(true);
    m_titleFont->setGeometry(kLeft, 140, 240, 24);
    QPushButton *font = button(page, "TitleFontButton", QStringLiteral("New &Font"),
                               {kLeft + 256, 139, kButtonWidth, kButtonHeight});
    connect(font, &QPushButton::clicked, this, &TViewConfig::chooseTitleFont);

    heading(page, "AlignmentLabel", QStringLiteral("Alignment"), {kLeft, 182, 200, 18});
    const std::array<std::pair<const char *, QString>, 3> radios{
        {{"TitleLeft", QStringLiteral("Left Justify")},
         {"TitleCenter", QStringLiteral("Center")},
         {"TitleRight", QStringLiteral("Right Justify")}}};
    for (std::size_t i = 0; i < radios.size(); ++i) {
        auto *radio = new QRadioButton(radios[i].second, page);
        radio->setObjectName(QString::fromLatin1(radios[i].first));
        radio->setGeometry(kLeft, 204 + 26 * static_cast<int>(i), 200, 22);
        m_alignment[i] = radio;
    }
    return page;
}

QWidget *TViewConfig::buildLookPage() {
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("LookPage"));
    heading(page, "GridOptionsLabel", QStringLiteral("Grid Options"), {kLeft, 10, 200, 18});
    checkBox(page, "ColumnLines", QStringLiteral("Show lines between columns"),
             {kLeft, 32, 300, 22}, m_settings.gridColumnLines);
    checkBox(page, "RowLines", QStringLiteral("Show lines between rows"), {kLeft, 56, 300, 22},
             m_settings.gridRowLines);
    checkBox(page, "RowIndicator", QStringLiteral("Show current row indicator"),
             {kLeft, 80, 300, 22}, m_settings.gridRowIndicator);
    checkBox(page, "FieldEditing", QStringLiteral("Allow field editing"), {kLeft, 104, 300, 22},
             m_settings.gridFieldEditing);

    heading(page, "CellColorLabel", QStringLiteral("Cell Color"), {kLeft, 140, 200, 18});
    m_cellShape = new QFrame(page);
    m_cellShape->setObjectName(QStringLiteral("CellColorShape"));
    m_cellShape->setFrameShape(QFrame::Box);
    m_cellShape->setGeometry(kLeft, 162, 64, 30);
    MarkBevel(m_cellShape);
    QPushButton *color = button(page, "NewColorBUtton", QStringLiteral("New &Color"),
                                {kLeft + 80, 164, kButtonWidth, kButtonHeight});
    connect(color, &QPushButton::clicked, this, &TViewConfig::chooseCellColor);

    heading(page, "CellFontLabel", QStringLiteral("Cell Font"), {kLeft, 208, 200, 18});
    m_gridFont = new QLineEdit(page);
    m_gridFont->setObjectName(QStringLiteral("GridFont"));
    m_gridFont->setReadOnly(true);
    m_gridFont->setGeometry(kLeft, 230, 240, 24);
    QPushButton *font = button(page, "NewFontButton", QStringLiteral("New &Font"),
                               {kLeft + 256, 229, kButtonWidth, kButtonHeight});
    connect(font, &QPushButton::clicked, this, &TViewConfig::chooseGridFont);
    return page;
}

QWidget *TViewConfig::buildShowPage() {
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("ShowPage"));
    m_showGrid = MakeGrid(page, "FieldsToDisplay", 2,
                          {kLeft, 12, kNameColumn + kValueColumn + kGridMargin, kGridHeight});
    m_showGrid->setHorizontalHeaderLabels({QStringLiteral("FIELD"), QStringLiteral("DISPLAY IT")});
    connect(m_showGrid, &QTableWidget::cellDoubleClicked, this,
            &TViewConfig::FieldsToDisplayDblClick);
    return page;
}

QWidget *TViewConfig::buildWidthsPage() {
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("WidthsPage"));
    m_widthGrid = MakeGrid(page, "FieldWidthGrid", 2,
                           {kLeft, 12, kNameColumn + kValueColumn + kGridMargin, kGridHeight});
    m_widthGrid->setHorizontalHeaderLabels({QStringLiteral("FIELD"), QStringLiteral("WIDTH")});
    m_widthGrid->setEditTriggers(QAbstractItemView::DoubleClicked |
                                 QAbstractItemView::EditKeyPressed |
                                 QAbstractItemView::AnyKeyPressed);
    return page;
}

QWidget *TViewConfig::buildOrderPage() {
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("OrderPage"));
    QLabel *field = heading(page, "FieldLabel", QStringLiteral("Field"), {kLeft, 8, 200, 18});
    colors::SetTitle(field, colors::Title::Minor);
    m_orderGrid = MakeGrid(page, "FieldOrderGrid", 1,
                           {kLeft, 28, kNameColumn + kGridMargin, kGridHeight - 16});
    m_orderGrid->horizontalHeader()->setVisible(false);
    const int x = kLeft + kNameColumn + kGridMargin + 24;
    QLabel *ordering = heading(page, "OrderingLabel", QStringLiteral("Ordering"), {x, 28, 160, 18});
    colors::SetTitle(ordering, colors::Title::Minor);
    QPushButton *up =
        button(page, "OrderUp", QStringLiteral("&Up"), {x, 50, kButtonWidth, kButtonHeight});
    connect(up, &QPushButton::clicked, this, &TViewConfig::OrderUpClick);
    QPushButton *down =
        button(page, "OrderDown", QStringLiteral("&Down"), {x, 82, kButtonWidth, kButtonHeight});
    connect(down, &QPushButton::clicked, this, &TViewConfig::OrderDownClick);
    QPushButton *defaults = button(page, "OrderDefaults", QStringLiteral("D&efaults"),
                                   {x, 130, kButtonWidth, kButtonHeight});
    connect(defaults, &QPushButton::clicked, this, &TViewConfig::OrderDefaultsClick);
    return page;
}

QWidget *TViewConfig::buildNamesPage() {
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("NamesPage"));
    m_nameGrid =
        MakeGrid(page, "FieldNameGrid", 2, {kLeft, 12, 2 * kNameColumn + kGridMargin, kGridHeight});
    m_nameGrid->setHorizontalHeaderLabels({QStringLiteral("FIELD"), QStringLiteral("NAME TO USE")});
    m_nameGrid->setEditTriggers(QAbstractItemView::DoubleClicked |
                                QAbstractItemView::EditKeyPressed |
                                QAbstractItemView::AnyKeyPressed);
    return page;
}

void TViewConfig::fillPages() {
    const viewcfg::FieldPages pages = viewcfg::FieldPagesFrom(m_settings);
    for (int f = 0; f < kFieldCount; ++f) {
        const auto i = static_cast<std::size_t>(f);
        m_showGrid->setItem(f, 0, FixedItem(pages.names[i]));
        m_showGrid->setItem(f, 1, FixedItem(pages.shown[i]));
        m_widthGrid->setItem(f, 0, FixedItem(pages.names[i]));
        m_widthGrid->setItem(f, 1, EditableItem(pages.widths[i]));
        m_orderGrid->setItem(f, 0, FixedItem(pages.order[i]));
        m_nameGrid->setItem(f, 0, FixedItem(Latin(kCatalogue[i].key)));
        m_nameGrid->setItem(f, 1, EditableItem(pages.names[i]));
    }
    m_titleFont->setText(viewcfg::FontText(m_settings.gridTitleFont));
    m_gridFont->setText(viewcfg::FontText(m_settings.gridFont));
    const int alignment = m_settings.gridTitleAlignment;
    for (std::size_t i = 0; i < m_alignment.size(); ++i) {
        QRadioButton *radio = m_alignment[i];
        radio->setChecked(alignment == static_cast<int>(i) + 1);
        const int value = static_cast<int>(i) + 1;
        connect(radio, &QRadioButton::toggled, this, [this, value](bool on) {
            if (on)
                m_settings.gridTitleAlignment = value;
        });
    }
    sizeGrids();
    paintSwatches();
}

void TViewConfig::sizeGrids() {
    const double ratio = ScaleRatio(m_look.factor);
    const int name = static_cast<int>(std::lround(kNameColumn * ratio));
    const int value = static_cast<int>(std::lround(kValueColumn * ratio));
    const int row = static_cast<int>(std::lround(kRowHeight * ratio));
    for (QTableWidget *grid : {m_showGrid, m_widthGrid}) {
        grid->setColumnWidth(0, name);
        grid->setColumnWidth(1, value);
        grid->resize(name + value + kGridMargin, grid->height());
    }
    m_nameGrid->setColumnWidth(0, name);
    m_nameGrid->setColumnWidth(1, name);
    m_nameGrid->resize(2 * name + kGridMargin, m_nameGrid->height());
    m_orderGrid->setColumnWidth(0, name);
    m_orderGrid->resize(name + kGridMargin, m_orderGrid->height());
    for (QTableWidget *grid : {m_showGrid, m_widthGrid, m_orderGrid, m_nameGrid}) {
        grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        grid->verticalHeader()->setDefaultSectionSize(row);
        grid->horizontalHeader()->setFixedHeight(row + 2);
    }
}

void TViewConfig::paintSwatches() {
    colors::PaintBackground(m_titleShape, m_settings.gridTitleColor);
    colors::PaintBackground(m_cellShape, m_settings.gridCellColor);
}

void TViewConfig::showEvent(QShowEvent *event) {
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
    QDialog::showEvent(event);
}

void TViewConfig::FormShow() {
    ShowScaled(this, m_look, true);
    // Scaling grows the grids' bounds and fonts; their columns and rows follow the factor.
    sizeGrids();
    SetColors(this, m_settings.colorSet(ColorTarget::Configure));
    paintSwatches();
}

void TViewConfig::FieldsToDisplayDblClick(int row, int column) {
    if (column != 1 || row < 0 || row >= kFieldCount)
        return;
    QTableWidgetItem *item = m_showGrid->item(row, 1);
    if (item)
        item->setText(viewcfg::ToggledShown(item->text()));
}

void TViewConfig::moveOrderRow(bool up) {
    const int row = m_orderGrid->currentRow();
    const auto other = viewcfg::OrderSwapRow(row, up);
    if (!other)
        return;
    QTableWidgetItem *a = m_orderGrid->item(row, 0);
    QTableWidgetItem *b = m_orderGrid->item(*other, 0);
    if (!a || !b)
        return;
    const QString text = a->text();
    a->setText(b->text());
    b->setText(text);
    m_orderGrid->setCurrentCell(*other, 0);
}

void TViewConfig::OrderUpClick() {
    moveOrderRow(true);
}

void TViewConfig::OrderDownClick() {
    moveOrderRow(false);
}

void TViewConfig::OrderDefaultsClick() {
    if (m_prompter.message(viewcfg::kReorderTitle, viewcfg::kReorderQuestion,
                           Prompter::Yes | Prompter::No, Prompter::Yes,
                           Prompter::Icon::Question) != Prompter::Yes)
        return;
    const viewcfg::FieldTexts order = viewcfg::DefaultOrder(m_settings);
    for (int r = 0; r < kFieldCount; ++r)
        m_orderGrid->item(r, 0)->setText(order[static_cast<std::size_t>(r)]);
}

void TViewConfig::HelpButtonClick() {
    m_prompter.showHelp(viewcfg::HelpTopic(m_tabs->currentIndex()));
}

void TViewConfig::chooseTitleColor() {
    if (const auto chosen = m_prompter.chooseColor(m_settings.gridTitleColor)) {
        m_settings.gridTitleColor = *chosen;
        paintSwatches();
    }
}

void TViewConfig::chooseCellColor() {
    if (const auto chosen = m_prompter.chooseColor(m_settings.gridCellColor)) {
        m_settings.gridCellColor = *chosen;
        paintSwatches();
    }
}

void TViewConfig::chooseTitleFont() {
    if (const auto chosen = m_prompter.chooseFont(m_settings.gridTitleFont)) {
        m_settings.gridTitleFont = *chosen;
        m_titleFont->setText(viewcfg::FontText(*chosen));
    }
}

void TViewConfig::chooseGridFont() {
    if (const auto chosen = m_prompter.chooseFont(m_settings.gridFont)) {
        m_settings.gridFont = *chosen;
        m_gridFont->setText(viewcfg::FontText(*chosen));
    }
}

viewcfg::FieldPages TViewConfig::readPages() const {
    viewcfg::FieldPages pages;
    for (int r = 0; r < kFieldCount; ++r) {
        const auto i = static_cast<std::size_t>(r);
        pages.names[i] = CellText(m_nameGrid, r, 1);
        pages.widths[i] = CellText(m_widthGrid, r, 1);
        pages.shown[i] = CellText(m_showGrid, r, 1);
        pages.order[i] = CellText(m_orderGrid, r, 0);
    }
    return pages;
}

void TViewConfig::writeWidths(const viewcfg::FieldTexts &widths) {
    for (int r = 0; r < kFieldCount; ++r) {
        if (QTableWidgetItem *item = m_widthGrid->item(r, 1))
            item->setText(widths[static_cast<std::size_t>(r)]);
    }
}

bool TViewConfig::FormCloseQuery() {
    CommitEditor(m_nameGrid);
    const auto duplicate = viewcfg::FirstDuplicateName(readPages().names);
    if (!duplicate)
        return true;
    m_prompter.error(viewcfg::DuplicateNameMessage(*duplicate));
    m_tabs->setCurrentIndex(viewcfg::kNamesPage);
    m_nameGrid->setFocus();
    return false;
}

void TViewConfig::FormClose() {
    for (QTableWidget *grid : {m_showGrid, m_widthGrid, m_orderGrid, m_nameGrid})
        CommitEditor(grid);
    viewcfg::FieldPages pages = readPages();
    viewcfg::ApplyFieldPages(m_settings, pages);
    writeWidths(pages.widths);
}

void TViewConfig::done(int result) {
    if (!m_closed) {
        if (!FormCloseQuery())
            return;
        FormClose();
        m_closed = true;
    }
    QDialog::done(result);
}
