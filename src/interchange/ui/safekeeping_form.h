#pragma once

#include "interchange/safekeeping.h"
#include "ui/form_scaling.h"

#include <QDialog>
#include <QPushButton>
#include <QRect>
#include <QString>

#include <array>
#include <optional>

class QFrame;
class QLabel;
class QRadioButton;
class QWidget;

// What the backup and the restore window have in common: a panel of three choices under a
// heading, the Start, Cancel and Help buttons, their showing and their end of a success.
namespace safekeeping::form {

inline const QString kHelpKeyword = QStringLiteral("Backup and Restore");

struct ChoicePanel {
    QFrame *panel = nullptr;
    QLabel *heading = nullptr;
    std::array<QRadioButton *, 3> buttons{}; // inventory file, lists, report definitions
};

// A panel at `bounds` with its heading (major title colour) and one radio button per choice;
// `names` and `captions` in the order of safekeeping::Choice.
[[nodiscard]] ChoicePanel MakeChoicePanel(QWidget *parent, const char *panelName,
                                          const QString &heading, const char *headingName,
                                          const std::array<const char *, 3> &names,
                                          const std::array<const char *, 3> &captions,
                                          QRect bounds);
// A panel with only its heading, for other controls to be placed on.
[[nodiscard]] QFrame *MakePanel(QWidget *parent, const char *panelName, const QString &heading,
                                const char *headingName, QRect bounds);
[[nodiscard]] Choice SelectedChoice(const ChoicePanel &panel);

struct Buttons {
    QPushButton *start = nullptr;
    QPushButton *cancel = nullptr;
    QPushButton *help = nullptr;
};
// StartButton (default), CancelButton and HelpButton in a row at `top`, ending at `right`.
// Cancel rejects the dialog; Help opens the topic of both windows.
[[nodiscard]] Buttons MakeButtons(QDialog *dialog, const QString &startCaption, Prompter &prompter,
                                  int top, int right);

inline constexpr int kButtonWidth = 96;
inline constexpr int kButtonHeight = 27;
// The design layout: the choices at the top, the width every panel has.
inline constexpr int kMargin = 8;
inline constexpr int kPanelWidth = 330;
inline constexpr int kChoiceHeight = 106;

// The dialog both windows are: made for one use, shown at the user's fonts and size in the
// configuration colours with the first choice selected; after a backup or restore it stays
// open, and once something was copied its Cancel button reads Close.
class TSafekeepingForm : public QDialog {
    Q_OBJECT
public:
    [[nodiscard]] std::optional<Outcome> lastOutcome() const { return m_outcome; }

protected:
    TSafekeepingForm(Services services, FormLook look, const char *objectName,
                     const QString &caption, QWidget *parent);
    void showEvent(QShowEvent *event) override;
    void FormShow();
    // The panel of choices at the top ("WhatPanel" with its heading "WhatLabel").
    void makeChoices(const QString &heading, const std::array<const char *, 3> &names,
                     const std::array<const char *, 3> &captions);
    // The buttons at `top`; Start calls `start`.
    template <typename Form>
    void makeButtons(const QString &startCaption, int top, void (Form::*start)()) {
        m_buttons =
            MakeButtons(this, startCaption, m_services.prompter, top, kMargin + kPanelWidth);
        connect(m_buttons.start, &QPushButton::clicked, static_cast<Form *>(this), start);
        resize(kPanelWidth + 2 * kMargin, top + kButtonHeight + 10);
    }
    // Takes note of how a Start ended.
    void ended(Outcome outcome);

    Services m_services;
    FormLook m_look;
    ChoicePanel m_choices;
    Buttons m_buttons;

private:
    bool m_shown = false;
    std::optional<Outcome> m_outcome;
};

} // namespace safekeeping::form
