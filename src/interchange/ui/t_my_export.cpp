#include "interchange/ui/t_my_export.h"

#include "core/prompter.h"
#include "db/my_table.h"
#include "interchange/export_run.h"
#include "settings/settings.h"
#include "ui/apply_colors.h"
#include "ui/wait_cursor.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QTableWidget>

#include <cmath>

namespace {

// Design geometry at the 640 x 480 screen size.
constexpr int kClientWidth = 640;
constexpr int kClientHeight = 464;
constexpr int kNameColumn = 200;
constexpr int kFlagColumn = 100;
constexpr int kRowHeight = 20;
// Room for the vertical scroll bar beside the columns.
constexpr int kGridMargin = 20;
constexpr int kRight = 345;
constexpr int kButtonWidth = 88;
constexpr int kButtonHeight = 27;

const QString kHelpTopic = QStringLiteral("Export Window");
const QString kSaveTitle = QStringLiteral("Export Data");
const QString kAsciiFilter = QStringLiteral("Ascii Delimited Text (*.TXT)|*.TXT");
const QString kDBaseFilter = QStringLiteral("DBase (*.DBF)|*.DBF");

// A control with its documented name and its design bounds.
template <typename W>
W *control(QWidget *parent, const char *name, const QString &text, QRect bounds) {
    auto *w = new W(text, parent);
    w->setObjectName(QLatin1String(name));
    w->setGeometry(bounds);
    return w;
}

QLabel *minorLabel(QWidget *parent, const char *name, const QString &text, QRect bounds) {
    auto *label = control<QLabel>(parent, name, text, bounds);
    colors::SetTitle(label, colors::Title::Minor);
    return label;
}

QGroupBox *group(QWidget *parent, const char *name, const QString &title, QRect bounds) {
    auto *box = control<QGroupBox>(parent, name, title, bounds);
    colors::SetTitle(box, colors::Title::Minor);
    return box;
}

QPushButton *button(QWidget *parent, const char *name, const QString &text, QRect bounds) {
    auto *b = control<QPushButton>(parent, name, text, bounds);
    b->setAutoDefault(false);
    return b;
}

QTableWidgetItem *fixedItem(const QString &text) {
    auto *item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    return item;
}

QString cellText(const QTableWidget *grid, int row, int column) {
    const QTableWidgetItem *item = grid->item(row, column);
    return item ? item->text() : QString();
}

} // namespace

TMyExport::TMyExport(MyTable &table, Settings &settings, Prompter &prompter, MainHooks &hooks,
                     bool searchInForce, FormLook look, QWidget *parent)
    : QDialog(parent), m_table(table), m_settings(settings), m_prompter(prompter), m_hooks(hooks),
      m_searchInForce(searchInForce), m_look(std::move(look)) {
    setObjectName(QStringLiteral("MyExport"));
    setWindowTitle(QStringLiteral("Export"));
    QFont designFont(QStringLiteral("Arial"));
    designFont.setPointSize(8);
    setFont(designFont);

    minorLabel(this, "FieldLabel", QStringLiteral("Field"), {10, 8, 200, 18});
    m_grid = new QTableWidget(kFieldCount, 2, this);
    m_grid->setObjectName(QStringLiteral("ExportGrid"));
    m_grid->setGeometry(10, 28, kNameColumn + kFlagColumn + kGridMargin, 326);
    m_grid->setHorizontalHeaderLabels({QStringLiteral("FIELD"), QStringLiteral("EXPORT IT")});
    m_grid->verticalHeader()->setVisible(false);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->horizontalHeader()->setHighlightSections(false);
    m_grid->setWordWrap(false);
    connect(m_grid, &QTableWidget::cellDoubleClicked, this, &TMyExport::ExportGridDblClick);

    minorLabel(this, "OrderingLabel", QStringLiteral("Ordering"), {kRight, 8, 90, 18});
    QPushButton *up =
        button(this, "UpButton", QStringLiteral("&Up"), {kRight, 28, kButtonWidth, kButtonHeight});
    connect(up, &QPushButton::clicked, this, &TMyExport::UpButtonClick);
    QPushButton *down = button(this, "DownButton", QStringLiteral("&Down"),
                               {kRight, 60, kButtonWidth, kButtonHeight});
    connect(down, &QPushButton::clicked, this, &TMyExport::DownButtonClick);
    QPushButton *defaults = button(this, "DefaultsButton", QStringLiteral("D&efaults"),
                                   {kRight, 92, kButtonWidth, kButtonHeight});
    connect(defaults, &QPushButton::clicked, this, &TMyExport::DefaultsButtonClick);

    minorLabel(this, "NotesLabel", QStringLiteral("NOTES"), {445, 8, 185, 18});
    auto *notes = new QLabel(QStringLiteral("Double click EXPORT IT to include a field or "
                                            "leave it out.  Up and Down move the selected "
                                            "field; fields are written from the top down."),
                             this);
    notes->setObjectName(QStringLiteral("NotesText"));
    notes->setGeometry(445, 28, 185, 92);
    notes->setWordWrap(true);
    notes->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    QGroupBox *what =
        group(this, "WhatLabel", QStringLiteral("What to Export"), {kRight, 126, 285, 68});
    m_exportEntire = control<QRadioButton>(
        what, "ExportEntire", QStringLiteral("Export Entire Database"), {12, 20, 260, 20});
    m_exportSearch = control<QRadioButton>(
        what, "ExportSearch", QStringLiteral("Export Search Criteria"), {12, 42, 260, 20});
    QGroupBox *how =
        group(this, "HowLabel", QStringLiteral("How To Export"), {kRight, 200, 285, 68});
    m_asciiFile = control<QRadioButton>(
        how, "AsciiFile", QStringLiteral("Ascii Delimited Text File"), {12, 20, 260, 20});
    m_dbaseFile = control<QRadioButton>(how, "DBaseFile", QStringLiteral("DBase File (DBF)"),
                                        {12, 42, 260, 20});
    connect(m_asciiFile, &QRadioButton::toggled, this, &TMyExport::fileTypeChosen);

    m_firstRow = new QCheckBox(QStringLiteral("&First Record Contains Field Names"), this);
    m_firstRow->setObjectName(QStringLiteral("FirstRow"));
    m_firstRow->setGeometry(kRight, 276, 285, 22);
    m_firstRow->setChecked(m_settings.exportFirstRow);
    connect(m_firstRow, &QCheckBox::toggled, this,
            [this](bool on) { m_settings.exportFirstRow = on; });

    QGroupBox *progress =
        group(this, "ProgressLabel", QStringLiteral("Export Progress"), {10, 362, 620, 50});
    m_gauge = new QProgressBar(progress);
    m_gauge->setObjectName(QStringLiteral("MyGauge"));
    m_gauge->setGeometry(12, 20, 596, 20);
    m_gauge->setRange(0, 100);
    m_gauge->setValue(0);

    const int buttonTop = kClientHeight - kButtonHeight - 12;
    QPushButton *start = button(
        this, "StartExportButton", QStringLiteral("&Start Export"),
        {kClientWidth - 3 * (kButtonWidth + 8) - 20, buttonTop, kButtonWidth + 20, kButtonHeight});
    connect(start, &QPushButton::clicked, this, &TMyExport::StartExportButtonClick);
    QPushButton *exit =
        button(this, "ExitButton", QStringLiteral("E&xit"),
               {kClientWidth - 2 * (kButtonWidth + 8), buttonTop, kButtonWidth, kButtonHeight});
    connect(exit, &QPushButton::clicked, this, &QDialog::accept);
    QPushButton *help =
        button(this, "HelpButton", QStringLiteral("&Help"),
               {kClientWidth - kButtonWidth - 8, buttonTop, kButtonWidth, kButtonHeight});
    connect(help, &QPushButton::clicked, this, &TMyExport::HelpButtonClick);
    auto *f1 = new QShortcut(QKeySequence::HelpContents, this);
    connect(f1, &QShortcut::activated, this, &TMyExport::HelpButtonClick);

    resize(kClientWidth, kClientHeight);
    fillGrid(exporting::FillGrid(m_settings));
    sizeGrid();
    selectChoices();
}

void TMyExport::selectChoices() {
    m_exportSearch->setEnabled(m_searchInForce);
    (m_searchInForce ? m_exportSearch : m_exportEntire)->setChecked(true);
    const bool dbase = m_settings.exportFileType == static_cast<int>(exporting::Format::DBase);
    (dbase ? m_dbaseFile : m_asciiFile)->setChecked(true);
    fileTypeChosen();
}

void TMyExport::fillGrid(const exporting::Grid &grid) {
    for (int r = 0; r < kFieldCount; ++r) {
        const exporting::GridRow &row = grid[static_cast<std::size_t>(r)];
        m_grid->setItem(r, 0, fixedItem(row.name));
        m_grid->setItem(r, 1, fixedItem(row.flag));
    }
}

exporting::Grid TMyExport::gridRows() const {
    exporting::Grid grid;
    for (int r = 0; r < kFieldCount; ++r)
        grid[static_cast<std::size_t>(r)] = {cellText(m_grid, r, 0), cellText(m_grid, r, 1)};
    return grid;
}

void TMyExport::sizeGrid() {
    const double ratio = ScaleRatio(m_look.factor);
    const int name = static_cast<int>(std::lround(kNameColumn * ratio));
    const int flag = static_cast<int>(std::lround(kFlagColumn * ratio));
    const int row = static_cast<int>(std::lround(kRowHeight * ratio));
    m_grid->setColumnWidth(0, name);
    m_grid->setColumnWidth(1, flag);
    m_grid->resize(name + flag + kGridMargin, m_grid->height());
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->verticalHeader()->setDefaultSectionSize(row);
    m_grid->horizontalHeader()->setFixedHeight(row + 2);
}

void TMyExport::showEvent(QShowEvent *event) {
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
    QDialog::showEvent(event);
}

void TMyExport::FormShow() {
    ShowScaled(this, m_look, true);
    sizeGrid();
    SetColors(this, m_settings.colorSet(ColorTarget::Configure));
    selectChoices();
}

void TMyExport::fileTypeChosen() {
    const bool text = m_asciiFile->isChecked();
    m_firstRow->setVisible(text);
    m_firstRow->setEnabled(text);
}

void TMyExport::ExportGridDblClick(int row, int column) {
    if (column != 1 || row < 0 || row >= kFieldCount)
        return;
    if (QTableWidgetItem *item = m_grid->item(row, 1))
        item->setText(exporting::ToggledFlag(item->text()));
}

void TMyExport::moveRow(bool up) {
    const int row = m_grid->currentRow();
    const std::optional<int> other = exporting::SwapRow(row, up);
    if (!other)
        return;
    for (int column = 0; column < 2; ++column) {
        QTableWidgetItem *a = m_grid->item(row, column);
        QTableWidgetItem *b = m_grid->item(*other, column);
        const QString text = a->text();
        a->setText(b->text());
        b->setText(text);
    }
    m_grid->setCurrentCell(*other, m_grid->currentColumn());
}

void TMyExport::UpButtonClick() {
    moveRow(true);
}

void TMyExport::DownButtonClick() {
    moveRow(false);
}

void TMyExport::DefaultsButtonClick() {
    if (m_prompter.message(exporting::kReorderTitle, exporting::kReorderQuestion,
                           Prompter::Yes | Prompter::No, Prompter::Yes,
                           Prompter::Icon::Question) == Prompter::Yes)
        fillGrid(exporting::DefaultGrid(m_settings));
}

void TMyExport::HelpButtonClick() {
    m_prompter.showHelp(kHelpTopic);
}

std::optional<QString> TMyExport::chooseTarget(exporting::Format format) {
    const bool text = format == exporting::Format::Text;
    std::optional<QString> name =
        m_prompter.saveFileName(kSaveTitle, QString(), text ? kAsciiFilter : kDBaseFilter);
    if (!name || name->isEmpty())
        return std::nullopt;
    // The dialog's default extension, for a name typed without one.
    if (QFileInfo(*name).suffix().isEmpty() && !name->endsWith(u'.'))
        *name += text ? QStringLiteral(".TXT") : QStringLiteral(".DBF");
    return name;
}

void TMyExport::StartExportButtonClick() {
    exporting::UpdateConfigs(m_settings, gridRows());
    exporting::Request request;
    request.columns = exporting::CalcIndexOrder(m_settings, m_table.layout());
    request.entire = m_exportEntire->isChecked();
    if (request.columns.empty()) {
        m_prompter.error(exporting::kNoFieldsSelected);
        return;
    }
    request.format = m_asciiFile->isChecked() ? exporting::Format::Text : exporting::Format::DBase;
    request.titles = request.format == exporting::Format::Text && m_settings.exportFirstRow;
    const std::optional<QString> target = chooseTarget(request.format);
    if (!target)
        return;
    request.target = *target;

    exporting::Outcome outcome;
    {
        const WaitCursor wait;
        outcome = exporting::RunExport(
            {m_table, m_hooks, m_searchInForce}, m_settings, request, m_prompter,
            [this](std::int64_t done, std::int64_t total) {
                m_gauge->setRange(0, static_cast<int>(std::min<std::int64_t>(total, INT_MAX)));
                m_gauge->setValue(static_cast<int>(std::min<std::int64_t>(done, INT_MAX)));
                if (m_watcher)
                    m_watcher(done, total);
            });
    }
    if (outcome != exporting::Outcome::Done)
        return;
    m_gauge->setValue(0);
    accept();
}

void TMyExport::done(int result) {
    FormClose();
    QDialog::done(result);
}

void TMyExport::FormClose() {
    m_settings.exportFileType = static_cast<int>(
        m_asciiFile->isChecked() ? exporting::Format::Text : exporting::Format::DBase);
    exporting::UpdateConfigs(m_settings, gridRows());
}
