#include "edit/ui/t_my_edit.h"

#include "core/prompter.h"
#include "db/my_table.h"
#include "edit/input_mask.h"
#include "edit/ui/form_controls.h"
#include "edit/ui/mask_binding.h"
#include "settings/settings.h"
#include "ui/apply_colors.h"
#include "ui/masked_edit.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>

#include <stdexcept>

using editor::Control;
using editor::ControlInfo;
using editor::ControlKind;
using formcontrols::MakeButton;
using formcontrols::MakeLabel;

namespace {

// Design geometry (pixels at 640 x 480): the menu bar, the notebook below it, one row of
// buttons at the bottom. On the pages a label column and a control column.
constexpr int kClientWidth = 600;
constexpr int kClientHeight = 392;
constexpr int kMenuHeight = 24;
constexpr int kNotebookTop = 30;
constexpr int kNotebookHeight = 300;
constexpr int kLabelLeft = 12;
constexpr int kLabelWidth = 118;
constexpr int kControlLeft = 134;
constexpr int kRowHeight = 22;
constexpr int kButtonTop = 344;
constexpr int kButtonWidth = 92;
constexpr int kButtonHeight = 30;

const char *const kPageCaptions[4] = {"De&scription", "&Worth", "W&arranty", "&Other"};
const char *const kPageNames[4] = {"DescriptionPage", "WorthPage", "WarrantyPage", "OtherPage"};

// Top and width of each control on its page.
struct Place {
    int top;
    int width;
};
Place PlaceOf(Control c) {
    switch (c) {
    case Control::Item:
        return {12, 330};
    case Control::Brand:
        return {40, 200};
    case Control::Model:
        return {68, 200};
    case Control::Serial:
        return {96, 200};
    case Control::IDMarks:
        return {124, 430};
    case Control::Comments:
        return {152, 430};
    case Control::Category:
        return {180, 200};
    case Control::Location:
        return {208, 260};
    case Control::TheOwner:
        return {236, 260};
    case Control::Quantity:
        return {48, 100};
    case Control::Value:
        return {82, 120};
    case Control::Cost:
        return {110, 120};
    case Control::RepCost:
        return {138, 120};
    case Control::WarDate:
        return {76, 100};
    case Control::WarNotes:
        return {104, 260};
    case Control::PurchDate:
        return {132, 100};
    case Control::Bought:
        return {160, 330};
    case Control::UserDef1:
        return {48, 330};
    case Control::UserDef2:
        return {76, 330};
    case Control::UserDef3:
        return {104, 330};
    case Control::UserDef4:
        return {132, 330};
    }
    return {0, 0};
}

constexpr int kTotalsLeft = 300;
constexpr int kTotalsWidth = 150;

} // namespace

TMyEdit::TMyEdit(MyTable &table, Settings &settings, const QString &programDirectory,
                 Prompter &prompter, LookSource look, QWidget *parent)
    : QDialog(parent), m_table(table), m_settings(settings), m_lists(programDirectory),
      m_prompter(prompter), m_look(std::move(look)), m_editor(table, settings, m_lists, prompter) {
    setObjectName(QStringLiteral("MyEdit"));
    setWindowTitle(QStringLiteral("Edit"));
    // A dialog's title bar: no minimise or maximise button.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    QFont designFont(QStringLiteral("Arial"));
    designFont.setPointSize(8);
    setFont(designFont);
    resize(kClientWidth, kClientHeight);

    buildMenu();
    m_notebook = new QTabWidget(this);
    m_notebook->setObjectName(QStringLiteral("MyTabbedNoteBook"));
    m_notebook->setGeometry(8, kNotebookTop, kClientWidth - 16, kNotebookHeight);
    buildPages();
    buildButtons();
    FormCreate();
}

TMyEdit::~TMyEdit() {
    m_lists.removeListener(m_listListener);
}

void TMyEdit::buildMenu() {
    m_menuBar = new QMenuBar(this);
    m_menuBar->setObjectName(QStringLiteral("MainMenu"));
    m_menuBar->setNativeMenuBar(false);
    m_menuBar->setGeometry(0, 0, kClientWidth, kMenuHeight);

    auto item = [this](QMenu *menu, const char *name, const char *caption, const char *key,
                       void (TMyEdit::*handler)()) {
        QAction *action = menu->addAction(QString::fromUtf8(caption));
        action->setObjectName(QLatin1String(name));
        if (key && *key)
            action->setShortcut(QKeySequence(QLatin1String(key)));
        connect(action, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
        return action;
    };
    QMenu *file = m_menuBar->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("MenuFile"));
    m_menuNew = item(file, "MenuNew", "N&ew Record", "Ctrl+E", &TMyEdit::MenuNewClick);
    m_menuCopyRecord =
        item(file, "MenuCopyRecord", "Cop&y Record", "Ctrl+Y", &TMyEdit::MenuCopyRecordClick);
    m_menuClear = item(file, "MenuClear", "&Clear Record", "Ctrl+L", &TMyEdit::ClearButtonClick);
    m_menuUpdate =
        item(file, "MenuUpdate", "Up&date Record", "Ctrl+R", &TMyEdit::UpdateButtonClick);
    m_menuUpdateExit =
        item(file, "MenuUpdateExit", "&Update && Exit", "Ctrl+U", &TMyEdit::UpdateExitButtonClick);
    item(file, "MenuPrevious", "&Previous Record", "Ctrl+P", &TMyEdit::PrevButtonClick);
    item(file, "MenuNext", "&Next Record", "Ctrl+N", &TMyEdit::NextButtonClick);
    file->addSeparator();
    item(file, "MenuExit", "E&xit", "", &TMyEdit::CancelButtonClick);

    QMenu *edit = m_menuBar->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("MenuEdit"));
    m_menuCut = item(edit, "MenuCut", "Cu&t", "Ctrl+X", &TMyEdit::MenuCutClick);
    m_menuCopy = item(edit, "MenuCopy", "&Copy", "Ctrl+C", &TMyEdit::MenuCopyClick);
    m_menuPaste = item(edit, "MenuPaste", "&Paste", "Ctrl+V", &TMyEdit::MenuPasteClick);
    m_menuDelete = item(edit, "MenuDelete", "&Delete", "Ctrl+D", &TMyEdit::MenuDeleteClick);

    QMenu *help = m_menuBar->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("MenuHelpMenu"));
    item(help, "MenuHelp", "&Help", "Ctrl+H", &TMyEdit::MenuHelpClick);
}

void TMyEdit::buildPages() {
    std::array<QWidget *, 4> pages{};
    for (int i = 0; i < 4; ++i) {
        auto *page = new QWidget;
        page->setObjectName(QLatin1String(kPageNames[i]));
        m_notebook->addTab(page, QString::fromUtf8(kPageCaptions[i]));
        pages[static_cast<std::size_t>(i)] = page;
    }
    const char *const itemNames[3] = {"WorthItem", "WarrantyItem", "OtherItem"};
    for (int i = 0; i < 3; ++i) {
        QLabel *line = MakeLabel(pages[static_cast<std::size_t>(i + 1)], itemNames[i], QString(),
                                 QRect(kLabelLeft, 12, 540, kRowHeight));
        colors::SetTitle(line, colors::Title::Minor);
        m_itemLines[static_cast<std::size_t>(i)] = line;
    }

    for (const ControlInfo &info : editor::Controls()) {
        QWidget *page = pages[static_cast<std::size_t>(info.page)];
        const Place place = PlaceOf(info.id);
        QWidget *control = nullptr;
        switch (info.kind) {
        case ControlKind::Edit: {
            auto *edit = new QLineEdit(page);
            if (info.entryLimit > 0)
                edit->setMaxLength(info.entryLimit);
            if (info.page == editor::kWorthPage)
                edit->setAlignment(Qt::AlignRight);
            control = edit;
            break;
        }
        case ControlKind::Combo: {
            auto *combo = new QComboBox(page);
            combo->setEditable(true);
            combo->setInsertPolicy(QComboBox::NoInsert);
            combo->setMaxVisibleItems(12);
            combo->lineEdit()->setMaxLength(info.entryLimit);
            control = combo;
            break;
        }
        case ControlKind::Date:
            control = new MaskedEdit(page);
            break;
        }
        control->setObjectName(QLatin1String(info.name));
        control->setGeometry(kControlLeft, place.top, place.width, kRowHeight);
        m_controls[static_cast<std::size_t>(info.id)] = control;
        QLabel *label = MakeLabel(page, info.label, QString(),
                                  QRect(kLabelLeft, place.top, kLabelWidth, kRowHeight));
        label->setBuddy(control);
        m_labels[static_cast<std::size_t>(info.id)] = label;
    }
    m_labels[static_cast<std::size_t>(Control::Quantity)]->setText(QStringLiteral("Quantity"));

    QWidget *worth = pages[editor::kWorthPage];
    QLabel *heading = MakeLabel(worth, "TotLabel", QStringLiteral("Totals"),
                                QRect(kTotalsLeft, 52, kTotalsWidth, kRowHeight));
    heading->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto total = [worth](const char *name, Control beside) {
        QLabel *label =
            MakeLabel(worth, name, QString(),
                      QRect(kTotalsLeft, PlaceOf(beside).top, kTotalsWidth, kRowHeight));
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        return label;
    };
    m_totValue = total("TotValueLabel", Control::Value);
    m_totCost = total("TotCostLabel", Control::Cost);
    m_totRepCost = total("TotRepCostLabel", Control::RepCost);

    QWidget *warranty = pages[editor::kWarrantyPage];
    m_warranty = new QCheckBox(warranty);
    m_warranty->setObjectName(QStringLiteral("Warranty"));
    m_warranty->setGeometry(kLabelLeft, 46, 300, kRowHeight);
    auto blank = [this, warranty](const char *name, Control date, void (TMyEdit::*handler)()) {
        QPushButton *button = MakeButton(warranty, name, "Blank Date",
                                         QRect(kControlLeft + PlaceOf(date).width + 10,
                                               PlaceOf(date).top - 2, 90, kRowHeight + 4));
        connect(button, &QPushButton::clicked, this, [this, handler] { (this->*handler)(); });
    };
    blank("BlankWarDate", Control::WarDate, &TMyEdit::BlankWarDateClick);
    blank("BlankPurchDate", Control::PurchDate, &TMyEdit::BlankPurchDateClick);
}

void TMyEdit::buildButtons() {
    struct Spec {
        const char *name;
        const char *caption;
        QPushButton *TMyEdit::*member;
        void (TMyEdit::*handler)();
    };
    const Spec specs[] = {
        {"UpdateExitButton", "&Update && Exit", &TMyEdit::m_updateExit,
         &TMyEdit::UpdateExitButtonClick},
        {"UpdateButton", "Up&date", &TMyEdit::m_update, &TMyEdit::UpdateButtonClick},
        {"ClearButton", "C&lear", &TMyEdit::m_clear, &TMyEdit::ClearButtonClick},
        {"CancelButton", "E&xit", &TMyEdit::m_cancel, &TMyEdit::CancelButtonClick},
        {"PrevButton", "&Previous", &TMyEdit::m_prev, &TMyEdit::PrevButtonClick},
        {"NextButton", "&Next", &TMyEdit::m_next, &TMyEdit::NextButtonClick},
    };
    const int gap = (kClientWidth - 16 - 6 * kButtonWidth) / 5;
    int left = 8;
    for (const Spec &spec : specs) {
        QPushButton *button = MakeButton(this, spec.name, spec.caption,
                                         QRect(left, kButtonTop, kButtonWidth, kButtonHeight));
        this->*spec.member = button;
        const auto handler = spec.handler;
        connect(button, &QPushButton::clicked, this, [this, handler] { (this->*handler)(); });
        left += kButtonWidth + gap;
    }
}

void TMyEdit::FormCreate() {
    (void)m_dimensions.save(this, m_prompter);
    for (const QString &error : m_lists.LoadAllList())
        m_prompter.error(error);
    m_listListener = m_lists.addListener([this](picklists::List list) { refreshList(list); });
    for (const picklists::ListInfo &info : picklists::Lists())
        refreshList(info.list);
    filterEvents(this);
}

void TMyEdit::setBrowseMode(bool on) {
    m_browseMode = on;
    m_editor.setBrowseMode(on);
    for (QAction *a : {m_menuNew, m_menuClear, m_menuUpdate, m_menuUpdateExit, m_menuCut,
                       m_menuCopy, m_menuPaste, m_menuDelete})
        a->setEnabled(!on);
    for (QPushButton *b : {m_updateExit, m_update, m_clear})
        b->setEnabled(!on);
}

void TMyEdit::filterEvents(QWidget *widget) {
    widget->installEventFilter(this);
    for (QObject *child : widget->children())
        if (auto *w = qobject_cast<QWidget *>(child))
            filterEvents(w);
}

void TMyEdit::refreshList(picklists::List list) {
    for (const ControlInfo &info : editor::Controls()) {
        if (info.list != list)
            continue;
        auto *combo = static_cast<QComboBox *>(m_controls[static_cast<std::size_t>(info.id)]);
        const QStringList &items = m_lists.items(list);
        QStringList shown;
        for (int i = 0; i < combo->count(); ++i)
            shown << combo->itemText(i);
        if (shown == items)
            return;
        const QString text = combo->currentText();
        combo->clear();
        combo->addItems(items);
        combo->setEditText(text);
    }
}

void TMyEdit::showEvent(QShowEvent *event) {
    FormShow();
    QDialog::showEvent(event);
}

void TMyEdit::resizeEvent(QResizeEvent *event) {
    QDialog::resizeEvent(event);
    m_menuBar->setGeometry(0, 0, width(), m_menuBar->sizeHint().height());
}

void TMyEdit::FormShow() {
    m_closing = false;
    const FormLook look = m_look ? m_look() : FormLook{};
    ApplyFonts(this, look.labelFont, look.editFont, look.buttonFont);
    RestoreAndScale(this, m_dimensions, look.factor, look.screen);
    MoveUpIfLow(this);

    for (const ControlInfo &info : editor::Controls()) {
        if (info.id == Control::Quantity)
            continue;
        m_labels[static_cast<std::size_t>(info.id)]->setText(
            m_settings.fieldNames[static_cast<std::size_t>(info.field)]);
    }
    m_warranty->setText(m_settings.fieldNames[field::Warranty]);
    // The date separator may have changed since the last showing.
    for (Control c : {Control::WarDate, Control::PurchDate})
        SetEditMask(static_cast<MaskedEdit *>(m_controls[static_cast<std::size_t>(c)]),
                    kDateEditMask);
    m_notebook->setCurrentIndex(0);
    SetColors();
    guarded([this] {
        apply(m_editor.FormShow());
        m_editor.ResaveShown(collect());
    });
    setWindowTitle(m_editor.caption());
    m_controls[0]->setFocus();
}

void TMyEdit::SetColors() {
    const ColorSet &set = m_settings.colorSet(ColorTarget::Edit);
    ::SetColors(this, set);
    // The pages take the window's background too, so the labels do not stand out as boxes.
    for (int i = 0; i < m_notebook->count(); ++i)
        colors::PaintBackground(m_notebook->widget(i), set[ColorRole::MainBackground]);
}

editor::FormValues TMyEdit::collect() const {
    editor::FormValues values;
    for (const ControlInfo &info : editor::Controls()) {
        QWidget *control = m_controls[static_cast<std::size_t>(info.id)];
        QString &text = values[info.id];
        switch (info.kind) {
        case ControlKind::Edit:
            text = static_cast<QLineEdit *>(control)->text();
            break;
        case ControlKind::Combo:
            text = static_cast<QComboBox *>(control)->currentText();
            break;
        case ControlKind::Date:
            text = static_cast<MaskedEdit *>(control)->maskText();
            break;
        }
    }
    values.warranty = m_warranty->isChecked();
    return values;
}

void TMyEdit::setControlText(Control c, const QString &text) {
    const ControlInfo &info = editor::InfoOf(c);
    QWidget *control = m_controls[static_cast<std::size_t>(c)];
    switch (info.kind) {
    case ControlKind::Edit: {
        auto *edit = static_cast<QLineEdit *>(control);
        // What the program puts in is never cut by the typing limit (an amount of ten
        // million with its separators is longer than twelve characters).
        const int limit = info.entryLimit > 0 ? info.entryLimit : 32767;
        edit->setMaxLength(std::max<int>(limit, static_cast<int>(text.size())));
        edit->setText(text);
        edit->setCursorPosition(0);
        break;
    }
    case ControlKind::Combo: {
        auto *combo = static_cast<QComboBox *>(control);
        combo->lineEdit()->setMaxLength(
            std::max<int>(info.entryLimit, static_cast<int>(text.size())));
        combo->setEditText(text);
        break;
    }
    case ControlKind::Date:
        static_cast<MaskedEdit *>(control)->setMaskText(text);
        break;
    }
}

void TMyEdit::apply(const editor::FormValues &values) {
    for (const ControlInfo &info : editor::Controls())
        setControlText(info.id, values[info.id]);
    m_warranty->setChecked(values.warranty);
    refreshItemLines();
    refreshTotals();
}

void TMyEdit::refreshItemLines() {
    const QString line = editor::ItemLine(m_settings, collect());
    for (QLabel *label : m_itemLines)
        label->setText(line);
}

void TMyEdit::refreshTotals() {
    const editor::Totals totals = editor::CalcTotals(collect(), m_settings);
    m_totValue->setText(totals.value);
    m_totCost->setText(totals.cost);
    m_totRepCost->setText(totals.repCost);
}

void TMyEdit::focusControl(Control c) {
    m_notebook->setCurrentIndex(editor::InfoOf(c).page);
    m_controls[static_cast<std::size_t>(c)]->setFocus(Qt::OtherFocusReason);
}

void TMyEdit::showOutcome(const editor::RecordEditor::Outcome &outcome) {
    if (outcome.show) {
        apply(*outcome.show);
        // The saved values are what the controls read back, so that nothing counts as
        // changed only because a box shows a text in its own way.
        m_editor.ResaveShown(collect());
    }
    if (outcome.focus)
        focusControl(*outcome.focus);
    setWindowTitle(m_editor.caption());
}

// File and data errors are told; a fault of the program itself is not passed off as one.
void TMyEdit::guarded(const std::function<void()> &command) {
    try {
        command();
    } catch (const std::runtime_error &error) {
        m_prompter.message(QStringLiteral("Error"), QString::fromLocal8Bit(error.what()),
                           Prompter::Ok, Prompter::Ok, Prompter::Icon::Error);
    }
}

void TMyEdit::UpdateButtonClick() {
    if (m_browseMode)
        return;
    guarded([this] {
        const editor::FormValues values = collect();
        const editor::RecordEditor::Outcome outcome = m_editor.DoAnUpdate(values);
        showOutcome(outcome);
    });
}

void TMyEdit::UpdateExitButtonClick() {
    if (m_browseMode)
        return;
    guarded([this] {
        const editor::RecordEditor::Outcome outcome = m_editor.DoUpdate(collect());
        showOutcome(outcome);
        if (outcome.done)
            done(QDialog::Accepted);
    });
}

void TMyEdit::ClearButtonClick() {
    if (m_browseMode)
        return;
    apply(m_editor.Clear(collect()));
}

void TMyEdit::CancelButtonClick() {
    if (m_editor.DoExit(collect()))
        done(QDialog::Rejected);
}

void TMyEdit::reject() {
    CancelButtonClick();
}

void TMyEdit::PrevButtonClick() {
    guarded([this] { showOutcome(m_editor.MoveRecord(collect(), -1)); });
}

void TMyEdit::NextButtonClick() {
    guarded([this] { showOutcome(m_editor.MoveRecord(collect(), 1)); });
}

void TMyEdit::MenuNewClick() {
    if (m_browseMode)
        return;
    guarded([this] { showOutcome(m_editor.NewRecord(collect())); });
}

void TMyEdit::MenuCopyRecordClick() {
    guarded([this] { showOutcome(m_editor.CopyRecord(collect())); });
}

void TMyEdit::BlankWarDateClick() {
    static_cast<MaskedEdit *>(m_controls[static_cast<std::size_t>(Control::WarDate)])
        ->clearMaskText();
}

void TMyEdit::BlankPurchDateClick() {
    static_cast<MaskedEdit *>(m_controls[static_cast<std::size_t>(Control::PurchDate)])
        ->clearMaskText();
}

QLineEdit *TMyEdit::clipboardTarget() const {
    const std::optional<Control> c = controlOf(QApplication::focusWidget());
    if (!c)
        return nullptr;
    QWidget *control = m_controls[static_cast<std::size_t>(*c)];
    switch (editor::InfoOf(*c).kind) {
    case ControlKind::Edit:
        return static_cast<QLineEdit *>(control);
    case ControlKind::Combo:
        return static_cast<QComboBox *>(control)->lineEdit();
    case ControlKind::Date:
        break;
    }
    return nullptr;
}

void TMyEdit::MenuCutClick() {
    if (QLineEdit *edit = clipboardTarget())
        edit->cut();
}

void TMyEdit::MenuCopyClick() {
    if (QLineEdit *edit = clipboardTarget())
        edit->copy();
}

void TMyEdit::MenuPasteClick() {
    if (QLineEdit *edit = clipboardTarget())
        edit->paste();
}

void TMyEdit::MenuDeleteClick() {
    if (QLineEdit *edit = clipboardTarget(); edit && edit->hasSelectedText())
        edit->del();
}

void TMyEdit::MenuHelpClick() {
    m_prompter.showHelp(QStringLiteral("Input Window"));
}

void TMyEdit::done(int result) {
    FormClose();
    QDialog::done(result);
}

void TMyEdit::FormClose() {
    if (m_closing)
        return;
    m_closing = true;
    for (const picklists::SaveProblem &problem : m_lists.SaveAllLists())
        m_prompter.message(problem.inexact ? QStringLiteral("Warning") : QStringLiteral("Error"),
                           picklists::ProblemText(problem), Prompter::Ok, Prompter::Ok,
                           problem.inexact ? Prompter::Icon::Warning : Prompter::Icon::Error);
}

std::optional<Control> TMyEdit::controlOf(QObject *object) const {
    for (QObject *o = object; o; o = o->parent()) {
        for (const ControlInfo &info : editor::Controls())
            if (m_controls[static_cast<std::size_t>(info.id)] == o)
                return info.id;
        if (o == this)
            break;
    }
    return std::nullopt;
}

void TMyEdit::controlLeft(Control c) {
    switch (c) {
    case Control::Cost:
    case Control::Value:
    case Control::RepCost:
        setControlText(c, editor::AmountExit(collect()[c], m_settings));
        refreshTotals();
        break;
    case Control::Quantity:
        setControlText(c, editor::QuantityExit(collect()[c], m_settings));
        refreshTotals();
        break;
    case Control::Item:
    case Control::UserDef1:
    case Control::UserDef2:
    case Control::UserDef3:
    case Control::UserDef4:
        refreshItemLines();
        break;
    default:
        break;
    }
}

void TMyEdit::enterPressed(QObject *watched) {
    const std::optional<Control> c = controlOf(watched);
    if (!c)
        return; // the Warranty box and the buttons keep the focus
    const int next = (static_cast<int>(*c) + 1) % editor::kControlCount;
    focusControl(static_cast<Control>(next));
}

bool TMyEdit::eventFilter(QObject *watched, QEvent *event) {
    switch (event->type()) {
    case QEvent::KeyPress: {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            // Only one of the widgets that see the key acts on it.
            if (watched == QApplication::focusWidget() || watched == this)
                enterPressed(QApplication::focusWidget());
            return true;
        }
        break;
    }
    case QEvent::ShortcutOverride: {
        // The menu's record commands win over an edit box's own use of the key.
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->modifiers() == Qt::ControlModifier) {
            switch (key->key()) {
            case Qt::Key_E:
            case Qt::Key_Y:
            case Qt::Key_L:
            case Qt::Key_R:
            case Qt::Key_U:
            case Qt::Key_P:
            case Qt::Key_N:
            case Qt::Key_D:
            case Qt::Key_H:
                return true;
            default:
                break;
            }
        }
        break;
    }
    case QEvent::FocusOut: {
        const auto *focus = static_cast<QFocusEvent *>(event);
        if (focus->reason() == Qt::ActiveWindowFocusReason ||
            focus->reason() == Qt::PopupFocusReason)
            break;
        const std::optional<Control> c = controlOf(watched);
        if (c && m_controls[static_cast<std::size_t>(*c)] == watched)
            controlLeft(*c);
        break;
    }
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}
