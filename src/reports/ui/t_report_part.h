#pragma once

#include "reports/report_definition.h"
#include "ui/form_scaling.h"

#include <QDialog>

class Prompter;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
struct Settings;

// "Select Report Part": one part of one line as a filler, a label or a field (a total on
// the totals line), and its width. Ok checks the width, refits the line to the characters
// per line and closes; the layout editor takes the line from line().
class TReportPart : public QDialog {
    Q_OBJECT
public:
    // `lineNumber` is 1..12 for a body line, 100 for the totals line; `part` 1..20.
    TReportPart(const ReportLine &line, int lineNumber, int part, int charsPerLine,
                const Settings &settings, Prompter &prompter, FormLook look,
                QWidget *parent = nullptr);

    [[nodiscard]] const ReportLine &line() const { return m_line; }

    void OkButtonClick();
    void CancelButtonClick();
    void RadioFillerClick();
    void RadioLabelClick();
    void RadioFieldClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormShow();
    void enableByKind();

    ReportLine m_line;
    int m_lineNumber;
    int m_part;
    int m_chars;
    const Settings &m_settings;
    Prompter &m_prompter;
    FormLook m_look;
    bool m_shown = false;

    QRadioButton *m_filler = nullptr;
    QRadioButton *m_label = nullptr;
    QRadioButton *m_field = nullptr;
    QListWidget *m_fieldList = nullptr;
    QLineEdit *m_width = nullptr;
    QLineEdit *m_labelName = nullptr;
    QLabel *m_selPart = nullptr;
    QPushButton *m_ok = nullptr;
    QPushButton *m_cancel = nullptr;
};
