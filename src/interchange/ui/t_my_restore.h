#pragma once

#include "interchange/ui/safekeeping_form.h"

// "Restore": the user picks what to restore, then the file to restore from in the open dialog;
// the inventory file of that name, or the list files or the report definitions beside it, are
// copied into the program directory and put to use. The dialog stays open; once something was
// restored its Cancel button reads Close.
class TMyRestore : public safekeeping::form::TSafekeepingForm {
    Q_OBJECT
public:
    TMyRestore(safekeeping::Services services, FormLook look, QWidget *parent = nullptr);

    void StartButtonClick();
};
