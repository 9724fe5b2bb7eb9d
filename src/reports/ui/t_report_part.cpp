#include "reports/ui/t_report_part.h"

#include "core/prompter.h"
#include "reports/report_layout.h"
#include "settings/settings.h"
#include "ui/apply_colors.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>

using namespace replayout;

TReportPart::TReportPart(const ReportLine &line, int lineNumber, int part, int charsPerLine,
                         const Settings &settings, Prompter &prompter, FormLook look,
                         QWidget *parent)
    : QDialog(parent), m_line(line), m_lineNumber(lineNumber), m_part(part), m_chars(charsPerLine),
      m_settings(settings), m_prompter(prompter), m_look(std::move(look)) {
    setObjectName(QStringLiteral("ReportPart"));
    setWindowTitle(QStringLiteral("Select Report Part"));
    QFont designFont(QStringLiteral("Arial"));
    designFont.setPointSize(8);
    setFont(designFont);

    auto *selected = new QGroupBox(QStringLiteral("Selected Part"), this);
    selected->setObjectName(QStringLiteral("GroupBox1"));
    selected->setGeometry(8, 8, 220, 48);
    m_selPart = new QLabel(selected);
    m_selPart->setObjectName(QStringLiteral("SelPartLabel"));
    m_selPart->setGeometry(10, 18, 200, 22);

    auto *kind = new QGroupBox(QStringLiteral("Part Type"), this);
    kind->setObjectName(QStringLiteral("GroupBox2"));
    kind->setGeometry(8, 62, 220, 100);
    m_filler = new QRadioButton(QStringLiteral("Filler (empty space)"), kind);
    m_filler->setObjectName(QStringLiteral("RadioFiller"));
    m_filler->setGeometry(10, 20, 200, 22);
    m_label = new QRadioButton(QStringLiteral("Label (constant value)"), kind);
    m_label->setObjectName(QStringLiteral("RadioLabel"));
    m_label->setGeometry(10, 44, 200, 22);
    m_field = new QRadioButton(QStringLiteral("Field (database value)"), kind);
    m_field->setObjectName(QStringLiteral("RadioField"));
    m_field->setGeometry(10, 68, 200, 22);
    auto *group = new QButtonGroup(this);
    group->addButton(m_filler);
    group->addButton(m_label);
    group->addButton(m_field);
    connect(m_filler, &QRadioButton::clicked, this, &TReportPart::RadioFillerClick);
    connect(m_label, &QRadioButton::clicked, this, &TReportPart::RadioLabelClick);
    connect(m_field, &QRadioButton::clicked, this, &TReportPart::RadioFieldClick);

    auto *widthLabel = new QLabel(QStringLiteral("&Width (characters):"), this);
    widthLabel->setObjectName(QStringLiteral("Label1"));
    widthLabel->setGeometry(8, 172, 130, 22);
    m_width = new QLineEdit(this);
    m_width->setObjectName(QStringLiteral("FieldWidth"));
    m_width->setMaxLength(3);
    m_width->setGeometry(140, 172, 50, 22);
    widthLabel->setBuddy(m_width);

    auto *labelLabel = new QLabel(QStringLiteral("&Label Text:"), this);
    labelLabel->setObjectName(QStringLiteral("Label2"));
    labelLabel->setGeometry(8, 202, 220, 18);
    m_labelName = new QLineEdit(this);
    m_labelName->setObjectName(QStringLiteral("LabelName"));
    m_labelName->setMaxLength(urp::kLabelCapacity);
    m_labelName->setGeometry(8, 222, 220, 22);
    labelLabel->setBuddy(m_labelName);

    auto *listLabel = new QLabel(QStringLiteral("&Fields:"), this);
    listLabel->setObjectName(QStringLiteral("Label3"));
    listLabel->setGeometry(240, 8, 180, 18);
    m_fieldList = new QListWidget(this);
    m_fieldList->setObjectName(QStringLiteral("FieldList"));
    m_fieldList->setGeometry(240, 28, 180, 216);
    listLabel->setBuddy(m_fieldList);

    m_ok = new QPushButton(QStringLiteral("&Ok"), this);
    m_ok->setObjectName(QStringLiteral("OkButton"));
    m_ok->setDefault(true);
    m_ok->setGeometry(120, 258, 90, 28);
    connect(m_ok, &QPushButton::clicked, this, &TReportPart::OkButtonClick);
    m_cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("CancelButton"));
    m_cancel->setAutoDefault(false);
    m_cancel->setGeometry(220, 258, 90, 28);
    connect(m_cancel, &QPushButton::clicked, this, &TReportPart::CancelButtonClick);

    setFixedSize(430, 296);
    FormShow();
}

void TReportPart::showEvent(QShowEvent *event) {
    if (!m_shown) {
        m_shown = true;
        ShowScaled(this, m_look);
        SetColors(this, m_settings.colorSet(ColorTarget::Report));
    }
    QDialog::showEvent(event);
}

void TReportPart::FormShow() {
    const bool totals = m_lineNumber == kTotalsLine;
    m_fieldList->clear();
    m_fieldList->addItems(FieldListEntries(totals, m_settings));
    m_selPart->setText(SelectedPartText(m_lineNumber, m_part));
    const ReportPart &p = m_line[static_cast<std::size_t>(std::clamp(m_part, 1, 20) - 1)];
    m_fieldList->setCurrentRow(-1);
    m_fieldList->clearSelection();
    m_labelName->clear();
    if (p.isLabel()) {
        m_label->setChecked(true);
        m_labelName->setText(p.label);
    } else if (p.isFiller()) {
        m_filler->setChecked(true);
    } else {
        m_field->setChecked(true);
        const int index = totals ? GetTotField(p.name) : GetField(p.name);
        m_fieldList->setCurrentRow(index);
    }
    m_width->setText(QString::number(p.width));
    enableByKind();
}

void TReportPart::enableByKind() {
    m_labelName->setEnabled(m_label->isChecked());
    m_fieldList->setEnabled(m_field->isChecked());
}

void TReportPart::RadioFillerClick() {
    enableByKind();
}

void TReportPart::RadioLabelClick() {
    enableByKind();
}

void TReportPart::RadioFieldClick() {
    enableByKind();
}

void TReportPart::OkButtonClick() {
    PartChoice choice;
    choice.kind = m_label->isChecked()   ? PartChoice::Kind::Label
                  : m_field->isChecked() ? PartChoice::Kind::Field
                                         : PartChoice::Kind::Filler;
    choice.widthText = m_width->text();
    choice.labelText = m_labelName->text();
    const QListWidgetItem *item = m_fieldList->currentItem();
    choice.fieldIndex = item && item->isSelected() ? m_fieldList->row(item) : -1;
    switch (ApplyPart(m_line, m_part, choice, m_lineNumber == kTotalsLine, m_chars)) {
    case PartError::InvalidWidth:
        m_prompter.beep(Prompter::Icon::Error);
        m_prompter.error(QLatin1String(kInvalidWidth));
        m_width->setFocus();
        return;
    case PartError::NoField:
        m_prompter.beep(Prompter::Icon::Error);
        m_prompter.error(QLatin1String(kNoFieldSelected));
        m_fieldList->setFocus();
        return;
    case PartError::None:
        accept();
        return;
    }
}

void TReportPart::CancelButtonClick() {
    reject();
}
