#pragma once

#include "interchange/safekeeping.h"
#include "interchange/ui/safekeeping_form.h"
#include "ui/form_scaling.h"

#include <QDialog>

#include <optional>

// "Restore": the user picks what to restore, then the file to restore from in the open dialog;
// the inventory file of that name, or the list files or the report definitions beside it, are
// copied into the program directory and put to use. The dialog stays open; once something was
// restored its Cancel button reads Close.
class TMyRestore : public QDialog {
    Q_OBJECT
public:
    TMyRestore(safekeeping::Services services, FormLook look, QWidget *parent = nullptr);

    [[nodiscard]] std::optional<safekeeping::Outcome> lastOutcome() const { return m_outcome; }

    void StartButtonClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormShow();

    safekeeping::Services m_services;
    FormLook m_look;
    bool m_shown = false;
    std::optional<safekeeping::Outcome> m_outcome;

    safekeeping::form::ChoicePanel m_choices;
    safekeeping::form::Buttons m_buttons;
};
