#include "views/ui/t_color_config.h"

#include "core/prompter.h"
#include "ui/apply_colors.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

namespace {

// Design geometry: three columns of samples in two rows, the combinations box and the
// dialog buttons below.
constexpr int kColumn[3] = {10, 175, 340};
constexpr int kColumnWidth = 150;
constexpr int kRowTop[2] = {10, 130};
constexpr int kButtonHeight = 25;
constexpr int kHalfButton = 73;

} // namespace

TColorConfig::TColorConfig(Prompter &prompter, colors::DialogTarget target, const ColorSet &working,
                           FormLook look, QWidget *parent)
    : QDialog(parent), m_prompter(prompter), m_target(target), m_working(working),
      m_look(std::move(look)) {
    setObjectName(QStringLiteral("ColorConfig"));
    setWindowTitle(QStringLiteral("Color Configuration"));
    QFont designFont(QStringLiteral("Arial"));
    designFont.setPointSize(8);
    setFont(designFont);

    // The window's own colours.
    const int x0 = kColumn[0];
    m_headings[0] =
        heading("WindowLabel", QStringLiteral("Window"), {x0, kRowTop[0], kColumnWidth, 16});
    colorButton("MainBack", QStringLiteral("Background"), ColorRole::MainBackground,
                {x0, kRowTop[0] + 20, kColumnWidth, kButtonHeight});
    colorButton("MajorTitles", QStringLiteral("Major Titles"), ColorRole::MajorTitle,
                {x0, kRowTop[0] + 50, kColumnWidth, kButtonHeight});
    colorButton("MinorTitles", QStringLiteral("Minor Titles"), ColorRole::MinorTitle,
                {x0, kRowTop[0] + 80, kColumnWidth, kButtonHeight});

    // A heading, a sample, and a Background and a Text button under it.
    auto pairOfButtons = [this](int column, int top, const char *backName, ColorRole back,
                                const char *textName, ColorRole text) {
        const int x = kColumn[column];
        colorButton(backName, QStringLiteral("Background"), back,
                    {x, top, kHalfButton, kButtonHeight});
        colorButton(textName, QStringLiteral("Text"), text,
                    {x + kColumnWidth - kHalfButton, top, kHalfButton, kButtonHeight});
    };

    const int x1 = kColumn[1];
    m_headings[1] =
        heading("EditBoxLabel", QStringLiteral("Edit Box"), {x1, kRowTop[0], kColumnWidth, 16});
    m_sampleEdit = new QLineEdit(QStringLiteral("Sample Text"), this);
    m_sampleEdit->setObjectName(QStringLiteral("SampleEdit"));
    m_sampleEdit->setGeometry(x1, kRowTop[0] + 20, kColumnWidth, 22);
    pairOfButtons(1, kRowTop[0] + 48, "EditBoxBack", ColorRole::EditBackground, "EditBoxText",
                  ColorRole::EditText);

    const int x2 = kColumn[2];
    m_headings[2] =
        heading("ComboBoxLabel", QStringLiteral("Combo Box"), {x2, kRowTop[0], kColumnWidth, 16});
    m_sampleCombo = new QComboBox(this);
    m_sampleCombo->setObjectName(QStringLiteral("SampleCombo"));
    m_sampleCombo->addItems({QStringLiteral("Sample Text"), QStringLiteral("Sample Text 2")});
    m_sampleCombo->setGeometry(x2, kRowTop[0] + 20, kColumnWidth, 22);
    pairOfButtons(2, kRowTop[0] + 48, "ComboBack", ColorRole::ComboBackground, "ComboText",
                  ColorRole::ComboText);

    m_headings[3] =
        heading("ListBoxLabel", QStringLiteral("List Box"), {x0, kRowTop[1], kColumnWidth, 16});
    m_sampleList = new QListWidget(this);
    m_sampleList->setObjectName(QStringLiteral("SampleList"));
    m_sampleList->addItems({QStringLiteral("Sample Text"), QStringLiteral("Sample Text 2"),
                            QStringLiteral("Sample Text 3")});
    m_sampleList->setGeometry(x0, kRowTop[1] + 20, kColumnWidth, 48);
    pairOfButtons(0, kRowTop[1] + 74, "ListBack", ColorRole::ListBoxBackground, "ListText",
                  ColorRole::ListBoxText);

    m_headings[4] = heading("RadioButtonLabel", QStringLiteral("Radio Button"),
                            {x1, kRowTop[1], kColumnWidth, 16});
    m_sampleRadio = new QRadioButton(QStringLiteral("Sample Text"), this);
    m_sampleRadio->setObjectName(QStringLiteral("SampleRadio"));
    m_sampleRadio->setChecked(true);
    m_sampleRadio->setGeometry(x1, kRowTop[1] + 20, kColumnWidth, 22);
    pairOfButtons(1, kRowTop[1] + 48, "RadioBack", ColorRole::RadioBackground, "RadioText",
                  ColorRole::RadioText);

    m_headings[5] =
        heading("CheckBoxLabel", QStringLiteral("Check Box"), {x2, kRowTop[1], kColumnWidth, 16});
    m_sampleCheck = new QCheckBox(QStringLiteral("Sample Text"), this);
    m_sampleCheck->setObjectName(QStringLiteral("SampleCheck"));
    m_sampleCheck->setChecked(true);
    m_sampleCheck->setGeometry(x2, kRowTop[1] + 20, kColumnWidth, 22);
    pairOfButtons(2, kRowTop[1] + 48, "CheckBack", ColorRole::CheckBackground, "CheckText",
                  ColorRole::CheckText);

    m_predefinedLabel = heading("PredefinedLabel", QStringLiteral("Predefined Color Combinations"),
                                {x0, 245, 230, 16});
    colors::SetTitle(m_predefinedLabel, colors::Title::Minor);
    m_colorSets = new QComboBox(this);
    m_colorSets->setObjectName(QStringLiteral("ColorSets"));
    m_colorSets->addItem(QString());
    for (const auto &combination : colors::Predefined())
        m_colorSets->addItem(QString::fromLatin1(combination.name.data(),
                                                 static_cast<qsizetype>(combination.name.size())));
    m_colorSets->setMaxVisibleItems(13);
    m_colorSets->setGeometry(x0, 263, 230, 22);
    connect(m_colorSets, &QComboBox::activated, this, &TColorConfig::ColorSetsChange);

    auto *ok = new QPushButton(QStringLiteral("&Ok"), this);
    ok->setObjectName(QStringLiteral("Ok"));
    ok->setGeometry(x2, 261, kHalfButton, kButtonHeight);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto *cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cancel->setObjectName(QStringLiteral("Cancel"));
    cancel->setGeometry(x2 + kColumnWidth - kHalfButton, 261, kHalfButton, kButtonHeight);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    resize(500, 298);
    PaintSamples();
}

QLabel *TColorConfig::heading(const char *name, const QString &text, QRect bounds) {
    auto *label = new QLabel(text, this);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(bounds);
    return label;
}

QPushButton *TColorConfig::colorButton(const char *name, const QString &caption, ColorRole role,
                                       QRect bounds) {
    auto *button = new QPushButton(caption, this);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(bounds);
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, [this, role] { ChooseColor(role); });
    return button;
}

void TColorConfig::showEvent(QShowEvent *event) {
    if (!m_shown) {
        m_shown = true;
        ShowScaled(this, m_look, true);
        PaintSamples();
    }
    QDialog::showEvent(event);
}

void TColorConfig::PaintSamples() {
    const ColorSet &c = m_working;
    const std::uint32_t background = c[ColorRole::MainBackground];
    colors::PaintBackground(this, background);
    for (QLabel *label : m_headings)
        colors::PaintControl(label, c[ColorRole::MajorTitle], background);
    colors::PaintControl(m_predefinedLabel, c[ColorRole::MinorTitle], background);
    colors::PaintControl(m_sampleEdit, c[ColorRole::EditText], c[ColorRole::EditBackground]);
    colors::PaintControl(m_sampleList, c[ColorRole::ListBoxText], c[ColorRole::ListBoxBackground]);
    colors::PaintControl(m_sampleCombo, c[ColorRole::ComboText], c[ColorRole::ComboBackground]);
    colors::PaintControl(m_colorSets, c[ColorRole::ComboText], c[ColorRole::ComboBackground]);
    colors::PaintControl(m_sampleCheck, c[ColorRole::CheckText], c[ColorRole::CheckBackground]);
    colors::PaintControl(m_sampleRadio, c[ColorRole::RadioText], c[ColorRole::RadioBackground]);
}

void TColorConfig::ChooseColor(ColorRole role) {
    if (const auto chosen = m_prompter.chooseColor(m_working[role])) {
        m_working[role] = *chosen;
        PaintSamples();
    }
}

void TColorConfig::ColorSetsChange(int index) {
    if (index <= 0)
        return;
    m_working = colors::WithPredefined(m_working, index);
    PaintSamples();
}

bool TColorConfig::applyTo(std::array<ColorSet, kColorTargetCount> &sets) const {
    if (result() != QDialog::Accepted)
        return false;
    return colors::ApplyWorkingColors(sets, m_target, m_working);
}

bool TColorConfig::Edit(Prompter &prompter, std::array<ColorSet, kColorTargetCount> &sets,
                        colors::DialogTarget target, const FormLook &look, QWidget *parent) {
    TColorConfig dialog(prompter, target, colors::StartingColors(sets, target), look, parent);
    dialog.exec();
    return dialog.applyTo(sets);
}
