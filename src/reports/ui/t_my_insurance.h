#pragma once

#include "ui/form_scaling.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;
struct Settings;

// "Insurance Information": the insurance company, the policy number and the user's name
// printed on reports, and whether each is printed. Whichever way it closes, its six values
// go back into the settings.
class TMyInsurance : public QDialog {
    Q_OBJECT
public:
    TMyInsurance(Settings &settings, FormLook look, QWidget *parent = nullptr);

protected:
    void showEvent(QShowEvent *event) override;
    void done(int result) override;

private:
    void FormShow();
    void fill();

    Settings &m_settings;
    FormLook m_look;
    bool m_shown = false;

    QLineEdit *m_company = nullptr;
    QCheckBox *m_printCompany = nullptr;
    QLineEdit *m_policy = nullptr;
    QCheckBox *m_printPolicy = nullptr;
    QLineEdit *m_name = nullptr;
    QCheckBox *m_printStatement = nullptr;
    QPushButton *m_ok = nullptr;
};
