#pragma once

#include "interchange/ui/safekeeping_form.h"

class QLineEdit;
class QPushButton;

// "Backup": copies the current inventory file, the pick lists or the report definitions into
// a directory the user picks (typed, or chosen with the folder dialog). The dialog stays open
// after a backup; after a success its Cancel button reads Close.
class TMyBackup : public safekeeping::form::TSafekeepingForm {
    Q_OBJECT
public:
    TMyBackup(safekeeping::Services services, FormLook look, QWidget *parent = nullptr);

    [[nodiscard]] QString directory() const;
    void setDirectory(const QString &directory);
    void StartButtonClick();
    // The folder dialog, in place of the drive and directory lists.
    void DirButtonClick();

private:
    QLineEdit *m_dirBox = nullptr;
    QPushButton *m_dirButton = nullptr;
};
