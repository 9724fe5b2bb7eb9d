#pragma once

#include "reports/report_definition.h"
#include "reports/report_editing.h"
#include "ui/form_scaling.h"

#include <QDialog>

#include <functional>

class Prompter;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
struct Settings;

// The list of definitions the editor saves into: the report selection window's.
class ReportListHost {
public:
    virtual ~ReportListHost() = default;
    // Fills the list again from the file.
    virtual void LoadReportBox() = 0;
    virtual void SelectReport(int index) = 0;
};

// "Report Definition": every property of the current definition except its lines, which
// "&Specify Report Content" opens the layout editor for. Update saves the definition into
// STOWKP.URP (a new one appended, an existing one over its record, or as a copy when it was
// renamed and the user says so); Delete removes it. Only Update and Delete touch the file.
class TUserReport : public QDialog {
    Q_OBJECT
public:
    // `recordIndex` is where an existing definition was read from; ignored for a new one.
    TUserReport(ReportDefinition &current, bool isNew, int recordIndex, ReportListHost &list,
                Settings &settings, Prompter &prompter, QString programDirectory, FormLook look,
                QWidget *parent = nullptr);

    // Copies every control into the current definition.
    void SaveOutVars();
    // Checks the number of body lines; false (after the notice) when outside 0..12.
    [[nodiscard]] bool NumLinesOk();

    void UpdateButtonClick();
    void DeleteButtonClick();
    void CancelButtonClick();
    void SetFontsClick();
    void SpecifyButtonClick();
    void Chars90Click();
    void Chars120Click();
    void Chars150Click();
    void Level1GroupClick();
    void ReportNameExit();
    void NumLinesExit();
    void HelpButtonClick();

    [[nodiscard]] bool isNew() const { return m_new; }
    // Called with the font and layout windows before they are shown (tests drive them).
    std::function<void(QDialog *)> onWindow;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormShow();
    void showFonts();
    void enableSingleLineControls(int numLines);
    void switchChars(int to);
    [[nodiscard]] int shownChars() const;
    void checkChars(int chars);
    [[nodiscard]] reportedit::EditorValues values() const;
    // Saving or deleting failed: the file is as it was; the user is told.
    void fileError(const std::exception &e);

    ReportDefinition &m_def;
    bool m_new;
    int m_index;
    ReportListHost &m_list;
    Settings &m_settings;
    Prompter &m_prompter;
    QString m_directory;
    FormLook m_look;
    QString m_nameAtOpening;
    bool m_shown = false;

    QLineEdit *m_name = nullptr;
    std::array<QLineEdit *, 3> m_titles{};
    QRadioButton *m_chars90 = nullptr;
    QRadioButton *m_chars120 = nullptr;
    QRadioButton *m_chars150 = nullptr;
    QCheckBox *m_columnHeaders = nullptr;
    QCheckBox *m_pageNumbers = nullptr;
    QCheckBox *m_landscape = nullptr;
    QCheckBox *m_dateOnPage = nullptr;
    QCheckBox *m_useTotals = nullptr;
    QCheckBox *m_horzLines = nullptr;
    QCheckBox *m_vertLines = nullptr;
    QCheckBox *m_level1 = nullptr;
    QCheckBox *m_level2 = nullptr;
    QLineEdit *m_numLines = nullptr;
    std::array<QLineEdit *, 4> m_margins{};   // top, bottom, left, right
    std::array<QLineEdit *, 4> m_fontBoxes{}; // fonts 1, 2, 3 and 5
    QPushButton *m_specify = nullptr;
    QPushButton *m_setFonts = nullptr;
    QPushButton *m_update = nullptr;
    QPushButton *m_cancel = nullptr;
    QPushButton *m_delete = nullptr;
    QPushButton *m_help = nullptr;
};
