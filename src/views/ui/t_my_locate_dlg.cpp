#include "views/ui/t_my_locate_dlg.h"

#include "core/prompter.h"
#include "db/my_table.h"
#include "ui/apply_colors.h"
#include "ui/wait_cursor.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

// Design geometry: the search type group on the left, the field and value groups stacked on
// the right, the three buttons along the bottom.
constexpr int kMargin = 8;
constexpr int kLeftGroupWidth = 236;
constexpr int kRightLeft = kMargin + kLeftGroupWidth + 8;
constexpr int kRightGroupWidth = 220;
constexpr int kGroupsHeight = 122;
constexpr int kRowHeight = 22;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 27;

} // namespace

TMyLocateDlg::TMyLocateDlg(MyTable &table, Prompter &prompter, FormLook look, ColorSet colors,
                           QWidget *parent)
    : QDialog(parent), m_table(table), m_prompter(prompter), m_look(std::move(look)),
      m_colors(colors) {
    setObjectName(QStringLiteral("MyLocateDlg"));
    QFont designFont(QStringLiteral("Arial"));
    designFont.setPointSize(8);
    setFont(designFont);

    m_searchTypeGroup = new QGroupBox(QStringLiteral("&Search Type"), this);
    m_searchTypeGroup->setObjectName(QStringLiteral("SearchTypeGroup"));
    m_searchTypeGroup->setGeometry(kMargin, kMargin, kLeftGroupWidth, kGroupsHeight);
    m_caseSensitive = new QCheckBox(QStringLiteral("&Case-sensitive"), m_searchTypeGroup);
    m_caseSensitive->setObjectName(QStringLiteral("CaseSensitiveCheckBox"));
    m_caseSensitive->setGeometry(10, 20, kLeftGroupWidth - 20, kRowHeight);
    m_exactMatch = new QRadioButton(QStringLiteral("&Exact Match"), m_searchTypeGroup);
    m_exactMatch->setObjectName(QStringLiteral("ExactMatchBtn"));
    m_exactMatch->setGeometry(10, 46, kLeftGroupWidth - 20, kRowHeight);
    m_partialStart =
        new QRadioButton(QStringLiteral("&Partial Match at Beginning"), m_searchTypeGroup);
    m_partialStart->setObjectName(QStringLiteral("PartialMatchStartBtn"));
    m_partialStart->setGeometry(10, 70, kLeftGroupWidth - 20, kRowHeight);
    m_partialAny = new QRadioButton(QStringLiteral("Partial Match &Anywhere"), m_searchTypeGroup);
    m_partialAny->setObjectName(QStringLiteral("PartialMatchAnyBtn"));
    m_partialAny->setGeometry(10, 94, kLeftGroupWidth - 20, kRowHeight);

    m_fieldGroup = new QGroupBox(QStringLiteral("&Field To Search On"), this);
    m_fieldGroup->setObjectName(QStringLiteral("FieldGroup"));
    m_fieldGroup->setGeometry(kRightLeft, kMargin, kRightGroupWidth, 56);
    m_fieldName = new QComboBox(m_fieldGroup);
    m_fieldName->setObjectName(QStringLiteral("FieldNameComboBox"));
    m_fieldName->setGeometry(10, 22, kRightGroupWidth - 20, kRowHeight);
    m_fieldName->setMaxVisibleItems(12);
    m_fieldName->installEventFilter(this);
    m_fieldName->view()->installEventFilter(this);
    connect(m_fieldName, &QComboBox::currentIndexChanged, this,
            &TMyLocateDlg::FieldNameComboBoxChange);

    m_valueGroup = new QGroupBox(QStringLiteral("Search &Value"), this);
    m_valueGroup->setObjectName(QStringLiteral("ValueGroup"));
    m_valueGroup->setGeometry(kRightLeft, kMargin + 66, kRightGroupWidth, kGroupsHeight - 66);
    m_searchValue = new QLineEdit(m_valueGroup);
    m_searchValue->setObjectName(QStringLiteral("SearchValue"));
    m_searchValue->setGeometry(10, 22, kRightGroupWidth - 20, kRowHeight);
    m_searchValue->setMaxLength(locate::kMaxSearchText);

    const int buttonTop = kMargin + kGroupsHeight + 10;
    const int right = kRightLeft + kRightGroupWidth;
    auto button = [this, buttonTop](const char *name, const QString &caption, int left) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setGeometry(left, buttonTop, kButtonWidth, kButtonHeight);
        // The default button is chosen by the component, not by where the focus is.
        b->setAutoDefault(false);
        return b;
    };
    m_firstButton = button("FirstButton", QStringLiteral("Fi&rst"), right - 3 * kButtonWidth - 16);
    m_nextButton = button("NextButton", QStringLiteral("&Next"), right - 2 * kButtonWidth - 8);
    m_cancelButton = button("BitBtn1", QStringLiteral("Cancel"), right - kButtonWidth);
    connect(m_firstButton, &QPushButton::clicked, this, &TMyLocateDlg::FirstButtonClick);
    connect(m_nextButton, &QPushButton::clicked, this, &TMyLocateDlg::NextButtonClick);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    setMatchType(TMyLocateMatchType::mtPartialMatchStart);
    setDefaultToNext(true);
    resize(right + kMargin, buttonTop + kButtonHeight + 10);
    m_searchValue->setFocus();
}

void TMyLocateDlg::setFieldChoices(std::vector<FieldChoice> choices) {
    m_choices = std::move(choices);
    m_filling = true;
    m_fieldName->clear();
    for (const FieldChoice &choice : m_choices)
        m_fieldName->addItem(choice.title);
    m_fieldName->setCurrentIndex(-1);
    m_filling = false;
}

QString TMyLocateDlg::selectedFieldName() const {
    const QString text = m_fieldName->currentText();
    if (text.isEmpty())
        return {};
    for (const FieldChoice &choice : m_choices)
        if (locate::TitleText(choice.title) == text)
            return choice.name;
    return {};
}

void TMyLocateDlg::selectTitle(const QString &title) {
    m_filling = true;
    m_fieldName->setCurrentIndex(m_fieldName->findText(title, Qt::MatchExactly));
    m_filling = false;
}

void TMyLocateDlg::setMatchType(TMyLocateMatchType type) {
    switch (type) {
    case TMyLocateMatchType::mtExactMatch:
        m_exactMatch->setChecked(true);
        break;
    case TMyLocateMatchType::mtPartialMatchStart:
        m_partialStart->setChecked(true);
        break;
    case TMyLocateMatchType::mtPartialMatchAny:
        m_partialAny->setChecked(true);
        break;
    }
}

TMyLocateMatchType TMyLocateDlg::matchType() const {
    if (m_exactMatch->isChecked())
        return TMyLocateMatchType::mtExactMatch;
    if (m_partialAny->isChecked())
        return TMyLocateMatchType::mtPartialMatchAny;
    return TMyLocateMatchType::mtPartialMatchStart;
}

void TMyLocateDlg::setCaseSensitive(bool on) {
    m_caseSensitive->setChecked(on);
}

bool TMyLocateDlg::caseSensitive() const {
    return m_caseSensitive->isChecked();
}

void TMyLocateDlg::setSearchValue(const QString &value) {
    m_searchValue->setText(value.left(locate::kMaxSearchText));
}

QString TMyLocateDlg::searchValue() const {
    return m_searchValue->text();
}

void TMyLocateDlg::setDefaultToNext(bool next) {
    m_defaultToNext = next;
    m_nextButton->setDefault(next && !m_fieldName->hasFocus());
    m_firstButton->setDefault(!next);
}

void TMyLocateDlg::showEvent(QShowEvent *event) {
    if (!m_shown) {
        m_shown = true;
        ShowScaled(this, m_look, false);
        colors::SetTitle(m_searchTypeGroup, colors::Title::Minor);
        colors::SetTitle(m_fieldGroup, colors::Title::Minor);
        colors::SetTitle(m_valueGroup, colors::Title::Minor);
        SetColors(this, m_colors);
        m_searchValue->setFocus();
    }
    QDialog::showEvent(event);
}

bool TMyLocateDlg::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_fieldName) {
        // Enter in the field list must not start a search from under the user.
        if (event->type() == QEvent::FocusIn)
            m_nextButton->setDefault(false);
        else if (event->type() == QEvent::FocusOut)
            m_nextButton->setDefault(m_defaultToNext);
    } else if (watched == m_fieldName->view() && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            const int row = m_fieldName->view()->currentIndex().row();
            if (row >= 0)
                m_fieldName->setCurrentIndex(row);
            m_fieldName->hidePopup();
            m_searchValue->setFocus();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TMyLocateDlg::FieldNameComboBoxChange() {
    if (m_filling)
        return;
    m_searchValue->clear();
    if (!m_fieldName->view()->isVisible())
        m_searchValue->setFocus();
}

void TMyLocateDlg::FirstButtonClick() {
    search(true);
}

void TMyLocateDlg::NextButtonClick() {
    search(false);
}

void TMyLocateDlg::search(bool fromFirst) {
    if (FindValue(fromFirst, m_table, selectedFieldName(), caseSensitive(), matchType(),
                  searchValue(), m_prompter)) {
        m_closedOnMatch = true;
        accept();
        return;
    }
    ShowInformation(m_prompter, fromFirst ? locate::kNoMatches : locate::kNoMoreMatches);
}

bool TMyLocateDlg::FindValue(bool fromFirst, MyTable &table, const QString &fieldName,
                             bool caseSensitive, TMyLocateMatchType matchType, const QString &value,
                             Prompter &prompter) {
    // A missing field is only a warning; the hourglass belongs to the scan.
    if (!table.isOpen() || table.fieldIndex(fieldName) < 0)
        return locate::FindValue(fromFirst, table, fieldName, caseSensitive, matchType, value,
                                 prompter);
    const WaitCursor wait;
    return locate::FindValue(fromFirst, table, fieldName, caseSensitive, matchType, value,
                             prompter);
}

void TMyLocateDlg::ShowInformation(Prompter &prompter, const QString &text) {
    prompter.message(QStringLiteral("Information"), text, Prompter::Ok, Prompter::Ok,
                     Prompter::Icon::Information);
}
