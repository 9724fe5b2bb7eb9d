#include "edit/ui/t_my_edit_box.h"

#include "core/color_set.h"
#include "core/prompter.h"
#include "edit/ui/form_controls.h"
#include "settings/format_helpers.h"
#include "ui/apply_colors.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <algorithm>

using formcontrols::MakeButton;

namespace {

constexpr int kWidth = 330;
constexpr int kLeft = 12;
constexpr int kEntryWidth = 220;
constexpr int kRowHeight = 24;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 27;

} // namespace

TMyEditBox::TMyEditBox(picklists::PickLists &lists, picklists::List list, const QString &caption,
                       int maxLength, Prompter &prompter, FormLook look, const ColorSet &colors,
                       QWidget *parent)
    : QDialog(parent), m_lists(lists), m_list(list), m_prompter(prompter), m_look(std::move(look)),
      m_colors(colors) {
    setObjectName(QStringLiteral("MyEditBox"));
    setWindowTitle(caption);
    QFont designFont(QStringLiteral("Arial"));
    designFont.setPointSize(8);
    setFont(designFont);

    m_addInfo = new QLineEdit(this);
    m_addInfo->setObjectName(QStringLiteral("AddInfo"));
    m_addInfo->setGeometry(kLeft, 12, kEntryWidth, kRowHeight);
    m_addInfo->setMaxLength(maxLength);
    m_addButton = MakeButton(this, "AddButton", "&Add",
                             QRect(kLeft + kEntryWidth + 10, 11, kButtonWidth, kButtonHeight));
    // Enter in the entry box adds what was typed.
    m_addButton->setDefault(true);
    connect(m_addButton, &QPushButton::clicked, this, &TMyEditBox::AddButtonClick);

    m_theList = new QListWidget(this);
    m_theList->setObjectName(QStringLiteral("TheList"));
    m_theList->setGeometry(kLeft, 46, kEntryWidth, 200);
    m_theList->addItems(m_lists.items(list));

    QPushButton *remove =
        MakeButton(this, "DeleteButton", "&Delete",
                   QRect(kLeft + kEntryWidth + 10, 46, kButtonWidth, kButtonHeight));
    connect(remove, &QPushButton::clicked, this, &TMyEditBox::DeleteButtonClick);
    QPushButton *sort =
        MakeButton(this, "SortButton", "&Sort",
                   QRect(kLeft + kEntryWidth + 10, 80, kButtonWidth, kButtonHeight));
    connect(sort, &QPushButton::clicked, this, &TMyEditBox::SortButtonClick);

    QPushButton *ok =
        MakeButton(this, "OkButton", "&Ok",
                   QRect(kWidth - 2 * kButtonWidth - 22, 260, kButtonWidth, kButtonHeight));
    connect(ok, &QPushButton::clicked, this, &TMyEditBox::OkButtonClick);
    QPushButton *cancel =
        MakeButton(this, "CancelButton", "&Cancel",
                   QRect(kWidth - kButtonWidth - 12, 260, kButtonWidth, kButtonHeight));
    connect(cancel, &QPushButton::clicked, this, &TMyEditBox::CancelButtonClick);
    resize(kWidth, 300);
}

QStringList TMyEditBox::entries() const {
    QStringList out;
    for (int i = 0; i < m_theList->count(); ++i)
        out << m_theList->item(i)->text();
    return out;
}

void TMyEditBox::showEvent(QShowEvent *event) {
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
    QDialog::showEvent(event);
}

void TMyEditBox::FormShow() {
    ShowScaled(this, m_look, false);
    SetColors(this, m_colors);
    m_theList->setFocus();
    if (m_theList->count() > 0)
        m_theList->setCurrentRow(0);
}

void TMyEditBox::AddButtonClick() {
    const QString text = Trim(m_addInfo->text());
    if (!text.isEmpty())
        m_theList->addItem(text);
    m_addInfo->clear();
    m_addInfo->setFocus();
}

void TMyEditBox::DeleteButtonClick() {
    const int row = m_theList->currentRow();
    if (row < 0 || !m_theList->currentItem() || !m_theList->currentItem()->isSelected())
        return;
    delete m_theList->takeItem(row);
    if (m_theList->count() == 0) {
        m_theList->setCurrentRow(-1);
        return;
    }
    m_theList->setCurrentRow(std::min(row, m_theList->count() - 1));
}

void TMyEditBox::SortButtonClick() {
    if (!m_prompter.confirm(
            QStringLiteral("Are you sure you want to sort the data?  Sorting cannot be undone."),
            Prompter::No))
        return;
    QStringList sorted = entries();
    std::stable_sort(sorted.begin(), sorted.end(), [](const QString &a, const QString &b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    const QString current = m_theList->currentItem() ? m_theList->currentItem()->text() : QString();
    m_theList->clear();
    m_theList->addItems(sorted);
    if (!current.isEmpty())
        m_theList->setCurrentRow(static_cast<int>(sorted.indexOf(current)));
}

void TMyEditBox::OkButtonClick() {
    m_lists.UpdateList(m_list, entries());
    accept();
}

void TMyEditBox::CancelButtonClick() {
    reject();
}

void TMyEditBox::EditAList(picklists::PickLists &lists, picklists::List list,
                           const QString &caption, int maxLength, Prompter &prompter,
                           const FormLook &look, const ColorSet &colors, QWidget *parent) {
    TMyEditBox box(lists, list, caption, maxLength, prompter, look, colors, parent);
    box.exec();
}
