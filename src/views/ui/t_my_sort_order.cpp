#include "views/ui/t_my_sort_order.h"

#include "core/prompter.h"
#include "settings/settings.h"
#include "ui/apply_colors.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include <algorithm>

namespace {

// Design geometry: a label and its list on each of four rows, the buttons below.
constexpr int kLabelLeft = 12;
constexpr int kLabelWidth = 120;
constexpr int kComboLeft = 136;
constexpr int kComboWidth = 190;
constexpr int kRowTop = 14;
constexpr int kRowStep = 34;
constexpr int kRowHeight = 22;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 27;

const char *const kLabelNames[4] = {"LabelSort1", "LabelSort2", "LabelSort3", "LabelSort4"};
const char *const kLabelTexts[4] = {"Primary Sort", "Secondary Sort", "Third Level Sort",
                                    "Fourth Level Sort"};
const char *const kComboNames[4] = {"ComboBox1", "ComboBox2", "ComboBox3", "ComboBox4"};

} // namespace

TMySortOrder::TMySortOrder(MyTable &table, Settings &settings, Prompter &prompter, MainHooks &hooks,
                           FormLook look, QWidget *parent)
    : QDialog(parent), m_table(table), m_settings(settings), m_prompter(prompter), m_hooks(hooks),
      m_look(std::move(look)) {
    setObjectName(QStringLiteral("MySortOrder"));
    setWindowTitle(QStringLiteral("Sort Order"));
    QFont designFont(QStringLiteral("Arial"));
    designFont.setPointSize(8);
    setFont(designFont);

    const QStringList entries = sortorder::LevelEntries(m_settings);
    for (int i = 0; i < 4; ++i) {
        const int top = kRowTop + i * kRowStep;
        auto *label = new QLabel(QLatin1String(kLabelTexts[i]), this);
        label->setObjectName(QLatin1String(kLabelNames[i]));
        label->setGeometry(kLabelLeft, top, kLabelWidth, kRowHeight);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        colors::SetTitle(label, colors::Title::Minor);
        m_labels[static_cast<std::size_t>(i)] = label;

        auto *combo = new QComboBox(this);
        combo->setObjectName(QLatin1String(kComboNames[i]));
        combo->addItems(entries);
        combo->setMaxVisibleItems(12);
        combo->setGeometry(kComboLeft, top, kComboWidth, kRowHeight);
        label->setBuddy(combo);
        m_combos[static_cast<std::size_t>(i)] = combo;
    }

    const int buttonTop = kRowTop + 4 * kRowStep + 6;
    const int right = kComboLeft + kComboWidth;
    m_okButton = new QPushButton(QStringLiteral("&Ok"), this);
    m_okButton->setObjectName(QStringLiteral("OkButton"));
    m_okButton->setGeometry(right - 2 * kButtonWidth - 10, buttonTop, kButtonWidth, kButtonHeight);
    m_okButton->setDefault(true);
    connect(m_okButton, &QPushButton::clicked, this, &TMySortOrder::OkButtonClick);
    m_cancelButton = new QPushButton(QStringLiteral("&Cancel"), this);
    m_cancelButton->setObjectName(QStringLiteral("CancelButton"));
    m_cancelButton->setGeometry(right - kButtonWidth, buttonTop, kButtonWidth, kButtonHeight);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    resize(right + kLabelLeft, buttonTop + kButtonHeight + 12);
    selectLevels();
}

std::array<int, 4> TMySortOrder::selectedLevels() const {
    std::array<int, 4> levels{};
    for (std::size_t i = 0; i < 4; ++i)
        levels[i] = std::max(0, m_combos[i]->currentIndex());
    return levels;
}

void TMySortOrder::selectLevels() {
    for (std::size_t i = 0; i < 4; ++i) {
        const int level = m_settings.sortLevels[i];
        // A level outside the lists (a hand-edited configuration file) shows as none.
        m_combos[i]->setCurrentIndex(level >= 0 && level < m_combos[i]->count() ? level : 0);
    }
}

void TMySortOrder::showEvent(QShowEvent *event) {
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
    QDialog::showEvent(event);
}

void TMySortOrder::FormShow() {
    ShowScaled(this, m_look, false);
    selectLevels();
    SetColors(this, m_settings.colorSet(ColorTarget::Configure));
}

void TMySortOrder::OkButtonClick() {
    m_outcome =
        sortorder::ApplySortOrder(m_table, m_settings, selectedLevels(), m_prompter, m_hooks);
    if (*m_outcome == sortorder::Outcome::Done)
        accept();
}

bool TMySortOrder::Run(MyTable &table, Settings &settings, Prompter &prompter, MainHooks &hooks,
                       const FormLook &look, QWidget *parent) {
    TMySortOrder dialog(table, settings, prompter, hooks, look, parent);
    return dialog.exec() == QDialog::Accepted;
}
