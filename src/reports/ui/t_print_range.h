#pragma once

#include "reports/report_selection.h"
#include "ui/form_scaling.h"

#include <QDialog>

class Prompter;
class QLineEdit;
class QPushButton;

// "Page Printing": the first and last page of a range to print from the preview. Print
// closes only with a valid range; Cancel closes without one.
class TPrintRange : public QDialog {
    Q_OBJECT
public:
    TPrintRange(int pages, Prompter &prompter, FormLook look, QWidget *parent = nullptr);

    // Whether Print closed the dialog with a valid range, and that range.
    [[nodiscard]] bool rangeConfirmed() const { return m_confirmed; }
    [[nodiscard]] repselect::PageRange range() const { return m_range; }

    void PrintButtonClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    int m_pages;
    Prompter &m_prompter;
    FormLook m_look;
    bool m_shown = false;
    bool m_confirmed = false;
    repselect::PageRange m_range;

    QLineEdit *m_start = nullptr;
    QLineEdit *m_end = nullptr;
    QPushButton *m_print = nullptr;
    QPushButton *m_cancel = nullptr;
};
