#include "search/ui/t_my_search.h"

#include "core/main_hooks.h"
#include "core/prompter.h"
#include "db/my_table.h"
#include "edit/ui/mask_binding.h"
#include "search/level_options.h"
#include "search/ui/t_search_options.h"
#include "settings/format_helpers.h"
#include "settings/settings.h"
#include "ui/apply_colors.h"
#include "ui/masked_edit.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableWidget>

#include <cmath>

namespace {

constexpr int kGridRows = 23;
constexpr int kCriterionColumn = 2;
constexpr int kDesignRowHeight = 20;
constexpr int kGridLeft = 8, kGridTop = 8, kGridHeight = 322;
constexpr int kButtonTop = 340, kButtonWidth = 100, kButtonHeight = 27, kButtonGap = 12;

QString levelTitle(int level) {
    return QStringLiteral(" SEARCH CRITERIA    (Level ") + QString::number(level) + u')';
}

// A criterion text put into the layout of another comparison's mask: the value (or the two
// bounds) kept, the signs and the word AND where the new mask has them.
QString recast(const QString &text, search::RowKind kind, int comparison) {
    const int width = kind == search::RowKind::Date ? 10 : 9;
    QString t = text;
    t.remove(u'=').remove(u'<').remove(u'>');
    const qsizetype at = t.indexOf(QStringLiteral("AND"));
    const QString low = Trim(at < 0 ? t : t.left(at));
    const QString high = Trim(at < 0 ? QString() : t.mid(at + 3));
    switch (comparison) {
    case search::Range:
        return QStringLiteral("> ") + low.leftJustified(width, u' ', true) +
               QStringLiteral(" AND < ") +
               high.leftJustified(width - (kind == search::RowKind::Date ? 0 : 1), u' ', true);
    case search::Greater:
        return QStringLiteral("> ") + low.leftJustified(width, u' ', true);
    case search::Less:
        return QStringLiteral("< ") + low.leftJustified(width, u' ', true);
    default:
        return QStringLiteral("= ") + low.leftJustified(width, u' ', true);
    }
}

} // namespace

// The criterion cells' editors: a masked edit for number and date rows with the mask of the
// row's comparison, taken afresh each time a cell is edited; a plain box limited to the
// field's entry length for character rows.
class CriterionDelegate : public QStyledItemDelegate {
public:
    CriterionDelegate(search::SearchCriteria &criteria, QObject *parent)
        : QStyledItemDelegate(parent), m_criteria(criteria) {}

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &,
                          const QModelIndex &index) const override {
        const int row = index.row();
        if (index.column() != kCriterionColumn || row < 1)
            return nullptr;
        QLineEdit *editor;
        if (search::KindOf(row) == search::RowKind::Character) {
            editor = new QLineEdit(parent);
            editor->setMaxLength(kCatalogue[static_cast<std::size_t>(row - 1)].entryLength);
        } else {
            auto *masked = new MaskedEdit(parent);
            SetEditMask(masked, search::CriterionMask(row, m_criteria.comparison(row)));
            editor = masked;
        }
        editor->setObjectName(QStringLiteral("CriterionEditor"));
        editor->setFrame(false);
        m_editor = editor;
        m_editorRow = row;
        return editor;
    }

    void destroyEditor(QWidget *editor, const QModelIndex &index) const override {
        if (editor == m_editor) {
            m_editor = nullptr;
            m_editorRow = 0;
        }
        QStyledItemDelegate::destroyEditor(editor, index);
    }

    void setEditorData(QWidget *editor, const QModelIndex &index) const override {
        const QString text = index.data(Qt::EditRole).toString();
        if (auto *masked = qobject_cast<MaskedEdit *>(editor)) {
            const int row = index.row();
            const int comparison = m_criteria.comparison(row);
            if (Trim(text).isEmpty())
                masked->clearMaskText();
            else if (search::ComparisonOfText(text) == comparison)
                masked->setMaskText(text);
            else
                masked->setMaskText(recast(text, search::KindOf(row), comparison));
            masked->setCursorPosition(2);
        } else if (auto *line = qobject_cast<QLineEdit *>(editor)) {
            line->setText(text);
        }
    }

    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override {
        if (auto *masked = qobject_cast<MaskedEdit *>(editor))
            model->setData(index, masked->maskText(), Qt::EditRole);
        else if (auto *line = qobject_cast<QLineEdit *>(editor))
            model->setData(index, line->text(), Qt::EditRole);
    }

    // The editor open now, if any, and its row.
    [[nodiscard]] QLineEdit *editor() const { return m_editor; }
    [[nodiscard]] int editorRow() const { return m_editorRow; }

private:
    search::SearchCriteria &m_criteria;
    mutable QLineEdit *m_editor = nullptr;
    mutable int m_editorRow = 0;
};

TMySearch::TMySearch(MyTable &table, MainHooks &hooks, Settings &settings, Prompter &prompter,
                     LookProvider look, PickListProvider pickLists, QWidget *parent)
    : QDialog(parent), m_table(table), m_hooks(hooks), m_settings(settings), m_prompter(prompter),
      m_look(std::move(look)), m_pickLists(std::move(pickLists)) {
    setObjectName(QStringLiteral("MySearch"));
    setWindowTitle(QStringLiteral("Search"));
    QFont designFont(QStringLiteral("Arial"));
    designFont.setPointSize(8);
    setFont(designFont);

    m_grid = new QTableWidget(kGridRows, 3, this);
    m_grid->setObjectName(QStringLiteral("SearchGrid"));
    m_grid->horizontalHeader()->hide();
    m_grid->verticalHeader()->hide();
    m_grid->setShowGrid(true);
    m_grid->setTabKeyNavigation(true);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    // The criterion cell's editor is opened whenever the cell becomes current (below).
    m_grid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                            QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    m_grid->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    m_grid->setGeometry(kGridLeft, kGridTop, 620, kGridHeight);
    m_delegate = new CriterionDelegate(m_criteria, m_grid);
    m_grid->setItemDelegate(m_delegate);
    for (int row = 0; row < kGridRows; ++row) {
        for (int col = 0; col < 3; ++col) {
            auto *item = new QTableWidgetItem;
            const bool fixed = row == 0 || col < kCriterionColumn;
            item->setFlags(fixed ? Qt::ItemIsEnabled
                                 : Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable);
            m_grid->setItem(row, col, item);
        }
    }
    m_grid->item(0, 0)->setText(QStringLiteral(" FIELD"));
    connect(m_grid, &QTableWidget::currentCellChanged, this, [this](int row, int column, int, int) {
        // The criterion cell's editor is always shown.
        if (column == kCriterionColumn && row >= 1 &&
            !(m_delegate->editor() && m_delegate->editorRow() == row))
            m_grid->editItem(m_grid->item(row, column));
    });
    connect(m_grid, &QTableWidget::cellClicked, this, [this](int row, int column) {
        if (column == 1 && row > 0 && search::HasOptionsButton(row))
            openOptions(row);
    });

    const auto button = [this](const char *name, const char *caption, int index) {
        auto *b = new QPushButton(QString::fromUtf8(caption), this);
        b->setObjectName(QLatin1String(name));
        b->setGeometry(kGridLeft + index * (kButtonWidth + kButtonGap) + 6, kButtonTop,
                       kButtonWidth, kButtonHeight);
        b->setAutoDefault(false);
        return b;
    };
    m_okButton = button("OkButton", "&Ok", 0);
    m_moreButton = button("MoreButton", "&Find More", 1);
    m_clearButton = button("ClearButton", "&Clear Search", 2);
    m_exitButton = button("ExitButton", "E&xit", 3);
    m_helpButton = button("HelpButton", "&Help", 4);
    connect(m_okButton, &QPushButton::clicked, this, &TMySearch::OkButtonClick);
    connect(m_moreButton, &QPushButton::clicked, this, &TMySearch::MoreButtonClick);
    connect(m_clearButton, &QPushButton::clicked, this, &TMySearch::ClearButtonClick);
    connect(m_exitButton, &QPushButton::clicked, this, &TMySearch::ExitButtonClick);
    connect(m_helpButton, &QPushButton::clicked, this, &TMySearch::HelpButtonClick);

    resize(kGridLeft * 2 + 620, kButtonTop + kButtonHeight + 12);
    FormCreate();
}

TMySearch::~TMySearch() = default;

void TMySearch::FormCreate() {
    (void)m_dimensions.save(this, m_prompter);
    for (int row = 1; row <= search::kRows; ++row)
        m_criteria.setComparison(row, search::Equal);
}

void TMySearch::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    FormShow();
}

void TMySearch::FormShow() {
    const FormLook look = m_look ? m_look() : FormLook{};
    ApplyFonts(this, look.labelFont, look.editFont, look.buttonFont);
    RestoreAndScale(this, m_dimensions, look.factor, look.screen);
    MoveUpIfLow(this);

    m_criteria.clear();
    const double f = look.factor;
    m_grid->setColumnWidth(0, static_cast<int>(std::lround(200 * f)));
    m_grid->setColumnWidth(1, static_cast<int>(std::lround(20 * f)));
    m_grid->setColumnWidth(2, static_cast<int>(std::lround(378 * f)));
    m_grid->resize(static_cast<int>(std::lround(600 * f)) + 20, m_grid->height());
    for (int row = 0; row < kGridRows; ++row)
        m_grid->setRowHeight(row, static_cast<int>(std::lround(kDesignRowHeight * f)));
    setLevelTitle();
    const QColor fixedColor = palette().color(QPalette::Button);
    for (int col = 0; col < 3; ++col)
        m_grid->item(0, col)->setBackground(fixedColor);
    for (int row = 1; row <= search::kRows; ++row) {
        m_grid->item(row, 0)->setText(u' ' +
                                      m_settings.fieldNames[static_cast<std::size_t>(row - 1)]);
        m_grid->item(row, 0)->setBackground(fixedColor);
    }
    fillButtonColumn();
    emptyCriteria();
    m_moreButton->setEnabled(true);
    SetColors(this, m_settings.colorSet(ColorTarget::Search));
    m_grid->setCurrentCell(1, kCriterionColumn);
    showEditor();
}

QLineEdit *TMySearch::currentEditor() const {
    return m_delegate->editor();
}

void TMySearch::fillButtonColumn() {
    for (int row = 1; row <= search::kRows; ++row) {
        QTableWidgetItem *item = m_grid->item(row, 1);
        if (search::HasOptionsButton(row)) {
            item->setText(QStringLiteral("..."));
            item->setTextAlignment(Qt::AlignCenter);
            item->setBackground(QColor(128, 128, 128));
        } else {
            item->setText(QString());
            item->setBackground(palette().color(QPalette::Button));
        }
    }
}

void TMySearch::setLevelTitle() {
    m_grid->item(0, kCriterionColumn)->setText(levelTitle(m_criteria.level()));
}

void TMySearch::emptyCriteria() {
    if (QLineEdit *editor = m_delegate->editor())
        editor->clear();
    for (int row = 1; row <= search::kRows; ++row)
        m_grid->item(row, kCriterionColumn)->setText(QString());
}

void TMySearch::commitEditor() {
    QLineEdit *editor = m_delegate->editor();
    const int row = m_delegate->editorRow();
    if (!editor || row < 1)
        return;
    m_delegate->setModelData(editor, m_grid->model(),
                             m_grid->model()->index(row, kCriterionColumn));
}

QString TMySearch::criterionText(int row) const {
    const_cast<TMySearch *>(this)->commitEditor();
    return m_grid->item(row, kCriterionColumn)->text();
}

void TMySearch::setCriterionText(int row, const QString &text) {
    m_grid->item(row, kCriterionColumn)->setText(text);
    if (m_delegate->editor() && m_delegate->editorRow() == row)
        m_delegate->setEditorData(m_delegate->editor(),
                                  m_grid->model()->index(row, kCriterionColumn));
}

void TMySearch::makeCurrent(int row) {
    commitEditor();
    m_grid->setCurrentCell(row, kCriterionColumn);
    showEditor();
}

void TMySearch::showEditor() {
    const int row = m_grid->currentRow();
    if (row < 1 || m_grid->currentColumn() != kCriterionColumn)
        return;
    if (!(m_delegate->editor() && m_delegate->editorRow() == row))
        m_grid->editItem(m_grid->item(row, kCriterionColumn));
    // Focus on the editor itself: focus taken from it would close it.
    if (m_delegate->editor())
        m_delegate->editor()->setFocus();
    else
        m_grid->setFocus();
}

void TMySearch::setRowComparison(int row, int comparison) {
    commitEditor();
    m_criteria.setComparison(row, comparison);
    // The cell takes its mask when its editor is made; leaving the row and coming back
    // makes it again.
    if (m_grid->currentRow() == row)
        m_grid->setCurrentCell(row == search::kRows ? row - 1 : row + 1, kCriterionColumn);
    m_grid->setCurrentCell(row, kCriterionColumn);
    showEditor();
}

bool TMySearch::SaveFields() {
    commitEditor();
    std::array<QString, search::kRows> cells;
    for (int row = 1; row <= search::kRows; ++row)
        cells[static_cast<std::size_t>(row - 1)] = m_grid->item(row, kCriterionColumn)->text();
    const search::LevelOutcome outcome = m_criteria.saveFields(cells);
    switch (outcome.kind) {
    case search::LevelOutcome::Saved:
        return true;
    case search::LevelOutcome::NoCriteria:
        m_prompter.error(outcome.message());
        showEditor();
        return false;
    case search::LevelOutcome::Invalid:
        m_prompter.error(outcome.message());
        m_grid->setCurrentCell(outcome.row, kCriterionColumn);
        showEditor();
        return false;
    case search::LevelOutcome::TooMany:
        m_prompter.error(outcome.message());
        emptyCriteria();
        m_moreButton->setEnabled(true);
        setLevelTitle();
        showEditor();
        return false;
    }
    return false;
}

bool TMySearch::Doit() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct Restore {
        ~Restore() { QApplication::restoreOverrideCursor(); }
    } restore;
    // The main window's filter asks BuildFilter; putting the search in force makes the data
    // set take its matches afresh, so the new items take effect whether a search was on.
    m_applied = search::RecordTest(m_criteria.items());
    m_hooks.enableEndSearch();
    if (!m_table.isOpen())
        return false;
    m_table.first();
    if (m_table.isEmpty()) {
        m_hooks.endSearch();
        return false;
    }
    return true;
}

bool TMySearch::BuildFilter(const RecordView &record) const {
    return m_applied.matches(record);
}

void TMySearch::ClearSearch() {
    emptyCriteria();
    m_criteria.clear();
    m_moreButton->setEnabled(true);
    setLevelTitle();
    showEditor();
}

void TMySearch::OkButtonClick() {
    m_moreButton->setEnabled(true);
    if (!SaveFields())
        return;
    if (Doit()) {
        accept();
        return;
    }
    m_prompter.message(QStringLiteral("Notice"), search::kNoMatchesMessage, Prompter::Ok,
                       Prompter::Ok, Prompter::Icon::Information);
    ClearSearch();
}

void TMySearch::MoreButtonClick() {
    if (SaveFields()) {
        emptyCriteria();
        m_criteria.nextLevel();
        setLevelTitle();
        if (m_criteria.level() > 9)
            m_moreButton->setEnabled(false);
    }
    showEditor();
}

void TMySearch::ClearButtonClick() {
    ClearSearch();
}

void TMySearch::ExitButtonClick() {
    m_moreButton->setEnabled(true);
    reject();
}

void TMySearch::HelpButtonClick() {
    m_prompter.showHelp(QStringLiteral("Search Window"));
}

void TMySearch::openOptions(int row) {
    QStringList choices;
    const int index = row - 1;
    if (search::KindOf(row) != search::RowKind::Character) {
        choices = {QStringLiteral(" = "), QStringLiteral(" > "), QStringLiteral(" < "),
                   QStringLiteral(" > X < ")};
    } else if (index == field::Warranty) {
        choices = {QStringLiteral("YES"), QStringLiteral("NO")};
    } else if (m_pickLists) {
        for (const picklists::ListInfo &info : picklists::Lists())
            if (info.field == index)
                choices = m_pickLists(info.list);
    }
    TSearchOptions options(*this, row, m_settings.fieldNames[static_cast<std::size_t>(index)],
                           choices, m_look ? m_look() : FormLook{},
                           m_settings.colorSet(ColorTarget::Search), this);
    options.exec();
    showEditor();
}
