#include "interchange/ui/safekeeping_form.h"

#include "core/color_set.h"
#include "core/prompter.h"
#include "settings/settings.h"
#include "ui/apply_colors.h"

#include <QApplication>
#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace safekeeping::form {

namespace {

constexpr int kInset = 10;
constexpr int kHeadingHeight = 20;
constexpr int kRadioHeight = 22;

} // namespace

QFrame *MakePanel(QWidget *parent, const char *panelName, const QString &heading,
                  const char *headingName, QRect bounds) {
    auto *panel = new QFrame(parent);
    panel->setObjectName(QLatin1String(panelName));
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setGeometry(bounds);
    auto *label = new QLabel(heading, panel);
    label->setObjectName(QLatin1String(headingName));
    label->setGeometry(kInset, 4, bounds.width() - 2 * kInset, kHeadingHeight);
    label->setAlignment(Qt::AlignCenter);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    colors::SetTitle(label, colors::Title::Major);
    return panel;
}

ChoicePanel MakeChoicePanel(QWidget *parent, const char *panelName, const QString &heading,
                            const char *headingName, const std::array<const char *, 3> &names,
                            const std::array<const char *, 3> &captions, QRect bounds) {
    ChoicePanel made;
    made.panel = MakePanel(parent, panelName, heading, headingName, bounds);
    made.heading = made.panel->findChild<QLabel *>(QLatin1String(headingName));
    for (std::size_t i = 0; i < made.buttons.size(); ++i) {
        auto *radio = new QRadioButton(QLatin1String(captions[i]), made.panel);
        radio->setObjectName(QLatin1String(names[i]));
        radio->setGeometry(2 * kInset, kHeadingHeight + 10 + static_cast<int>(i) * kRadioHeight,
                           bounds.width() - 3 * kInset, kRadioHeight);
        made.buttons[i] = radio;
    }
    return made;
}

Choice SelectedChoice(const ChoicePanel &panel) {
    if (panel.buttons[1]->isChecked())
        return Choice::Lists;
    if (panel.buttons[2]->isChecked())
        return Choice::Reports;
    return Choice::Database;
}

Buttons MakeButtons(QDialog *dialog, const QString &startCaption, Prompter &prompter, int top,
                    int right) {
    Buttons made;
    const struct {
        QPushButton **button;
        const char *name;
        QString caption;
    } specs[] = {{&made.start, "StartButton", startCaption},
                 {&made.cancel, "CancelButton", QStringLiteral("&Cancel")},
                 {&made.help, "HelpButton", QStringLiteral("&Help")}};
    int left = right - 3 * kButtonWidth - 2 * 8;
    for (const auto &spec : specs) {
        auto *button = new QPushButton(spec.caption, dialog);
        button->setObjectName(QLatin1String(spec.name));
        button->setGeometry(left, top, kButtonWidth, kButtonHeight);
        *spec.button = button;
        left += kButtonWidth + 8;
    }
    made.start->setDefault(true);
    QObject::connect(made.cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    QObject::connect(made.help, &QPushButton::clicked, dialog,
                     [&prompter] { prompter.showHelp(kHelpKeyword); });
    return made;
}

TSafekeepingForm::TSafekeepingForm(Services services, FormLook look, const char *objectName,
                                   const QString &caption, QWidget *parent)
    : QDialog(parent), m_services(std::move(services)), m_look(std::move(look)) {
    setObjectName(QLatin1String(objectName));
    setWindowTitle(caption);
    QFont designFont(QStringLiteral("Arial"));
    designFont.setPointSize(8);
    setFont(designFont);
    if (!m_services.busy) {
        m_services.busy = [](bool on) {
            if (on)
                QApplication::setOverrideCursor(Qt::WaitCursor);
            else
                QApplication::restoreOverrideCursor();
        };
    }
}

void TSafekeepingForm::makeChoices(const QString &heading, const std::array<const char *, 3> &names,
                                   const std::array<const char *, 3> &captions) {
    m_choices = MakeChoicePanel(this, "WhatPanel", heading, "WhatLabel", names, captions,
                                QRect(kMargin, kMargin, kPanelWidth, kChoiceHeight));
}

void TSafekeepingForm::showEvent(QShowEvent *event) {
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
    QDialog::showEvent(event);
}

void TSafekeepingForm::FormShow() {
    ShowScaled(this, m_look);
    SetColors(this, m_services.settings.colorSet(ColorTarget::Configure));
    m_choices.buttons[0]->setChecked(true);
}

void TSafekeepingForm::ended(Outcome outcome) {
    m_outcome = outcome;
    if (outcome == Outcome::Stopped)
        return;
    m_buttons.cancel->setText(QStringLiteral("&Close"));
    m_buttons.cancel->setFocus();
}

} // namespace safekeeping::form
