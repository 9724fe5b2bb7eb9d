#pragma once

#include "interchange/safekeeping.h"
#include "interchange/ui/safekeeping_form.h"
#include "ui/form_scaling.h"

#include <QDialog>

#include <optional>

class QLineEdit;
class QPushButton;

// "Backup": copies the current inventory file, the pick lists or the report definitions into
// a directory the user picks (typed, or chosen with the folder dialog). The dialog stays open
// after a backup; after a success its Cancel button reads Close.
class TMyBackup : public QDialog {
    Q_OBJECT
public:
    TMyBackup(safekeeping::Services services, FormLook look, QWidget *parent = nullptr);

    [[nodiscard]] QString directory() const;
    void setDirectory(const QString &directory);
    [[nodiscard]] std::optional<safekeeping::Outcome> lastOutcome() const { return m_outcome; }

    void StartButtonClick();
    // The folder dialog, in place of the drive and directory lists.
    void DirButtonClick();

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
    QLineEdit *m_dirBox = nullptr;
    QPushButton *m_dirButton = nullptr;
};
