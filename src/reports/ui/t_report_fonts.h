#pragma once

#include "reports/report_definition.h"
#include "ui/form_scaling.h"

#include <QDialog>

#include <array>

class Prompter;
class QLineEdit;
class QPushButton;
struct Settings;

// "Report Fonts": the titles, column header, report body and footnote fonts of the current
// definition, each chosen in the platform's font dialog. Changes go into the definition at
// once; the editor stores it.
class TReportFonts : public QDialog {
    Q_OBJECT
public:
    TReportFonts(ReportDefinition &definition, Settings &settings, Prompter &prompter,
                 FormLook look, QWidget *parent = nullptr);

    void TitleFontButtonClick() { chooseFont(0); }
    void ColumnFontButtonClick() { chooseFont(1); }
    void BodyFontButtonClick() { chooseFont(2); }
    void FootnoteFontButtonClick() { chooseFont(3); }

protected:
    void showEvent(QShowEvent *event) override;

private:
    // Box 0..3: fonts 1, 2, 3 and 5.
    void chooseFont(int box);
    void showFont(int box);

    ReportDefinition &m_def;
    Settings &m_settings;
    Prompter &m_prompter;
    FormLook m_look;
    bool m_shown = false;
    std::array<QLineEdit *, 4> m_boxes{};
};
