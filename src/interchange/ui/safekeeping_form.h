#pragma once

#include "interchange/safekeeping.h"
#include "ui/form_scaling.h"

#include <QRect>
#include <QString>

#include <array>

class QDialog;
class QFrame;
class QLabel;
class QPushButton;
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

// Fonts, scale and centre, the configuration colours, and the first choice selected.
void ShowForm(QDialog *dialog, const FormLook &look, const Services &services,
              const ChoicePanel &choices);
// After a success the dialog stays open, and Cancel becomes Close.
void ReportSuccess(const Buttons &buttons);

// The hourglass cursor of the program's windows.
void UseWaitCursor(Services &services);

inline constexpr int kButtonWidth = 96;
inline constexpr int kButtonHeight = 27;

} // namespace safekeeping::form
