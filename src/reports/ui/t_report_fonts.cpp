#include "reports/ui/t_report_fonts.h"

#include "core/prompter.h"
#include "reports/report_editing.h"
#include "settings/settings.h"
#include "ui/apply_colors.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
constexpr int kFontNumbers[4] = {urp::kTitleFont, urp::kHeaderFont, urp::kBodyFont,
                                 urp::kFootnoteFont};
} // namespace

TReportFonts::TReportFonts(ReportDefinition &definition, Settings &settings, Prompter &prompter,
                           FormLook look, QWidget *parent)
    : QDialog(parent), m_def(definition), m_settings(settings), m_prompter(prompter),
      m_look(std::move(look)) {
    setObjectName(QStringLiteral("ReportFonts"));
    setWindowTitle(QStringLiteral("Report Fonts"));
    QFont designFont(QStringLiteral("Arial"));
    designFont.setPointSize(8);
    setFont(designFont);

    struct Row {
        const char *label, *labelName, *box, *button;
        void (TReportFonts::*click)();
    };
    const Row rows[4] = {
        {"Titles Font", "Label1", "TitleFont", "TitleFontButton",
         &TReportFonts::TitleFontButtonClick},
        {"Column Header Font", "Label2", "ColumnFont", "ColumnFontButton",
         &TReportFonts::ColumnFontButtonClick},
        {"Report Body Font", "Label3", "BodyFont", "BodyFontButton",
         &TReportFonts::BodyFontButtonClick},
        {"Footnote Font", "Label4", "FootnoteFont", "FootnoteFontButton",
         &TReportFonts::FootnoteFontButtonClick},
    };
    for (int i = 0; i < 4; ++i) {
        const Row &r = rows[i];
        const int top = 12 + i * 52;
        auto *label = new QLabel(QLatin1String(r.label), this);
        label->setObjectName(QLatin1String(r.labelName));
        label->setGeometry(12, top, 200, 18);
        auto *box = new QLineEdit(this);
        box->setObjectName(QLatin1String(r.box));
        box->setReadOnly(true);
        box->setFocusPolicy(Qt::NoFocus);
        box->setGeometry(12, top + 20, 230, 22);
        m_boxes[static_cast<std::size_t>(i)] = box;
        auto *button = new QPushButton(QStringLiteral("New Font"), this);
        button->setObjectName(QLatin1String(r.button));
        button->setAutoDefault(false);
        button->setGeometry(252, top + 18, 90, 26);
        connect(button, &QPushButton::clicked, this, r.click);
        showFont(i);
    }
    auto *ok = new QPushButton(QStringLiteral("&Ok"), this);
    ok->setObjectName(QStringLiteral("OkButton"));
    ok->setDefault(true);
    ok->setGeometry(136, 224, 90, 28);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    setFixedSize(356, 264);
}

void TReportFonts::showEvent(QShowEvent *event) {
    if (!m_shown) {
        m_shown = true;
        ShowScaled(this, m_look);
        SetColors(this, m_settings.colorSet(ColorTarget::Report));
    }
    QDialog::showEvent(event);
}

void TReportFonts::showFont(int box) {
    m_boxes[static_cast<std::size_t>(box)]->setText(
        reportedit::FontBoxText(m_def.font(kFontNumbers[box])));
}

void TReportFonts::chooseFont(int box) {
    FontSpec &font = m_def.fonts[static_cast<std::size_t>(kFontNumbers[box] - 1)];
    const std::optional<FontSpec> chosen = m_prompter.chooseFont(font);
    if (!chosen)
        return;
    font = *chosen;
    font.name = font.name.left(urp::kFaceCapacity);
    showFont(box);
}
