#pragma once

#include "reports/report_definition.h"
#include "reports/report_production.h"
#include "reports/ui/t_user_report.h"
#include "ui/form_scaling.h"

#include <QDialog>

#include <functional>

class MainHooks;
class MyTable;
class Prompter;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;
struct Settings;

// What the report windows are given by the program: the data set and settings of the main
// window, the prompter, the main window's hooks, where the program's files are, and two
// questions only the main window can answer.
struct ReportServices {
    MyTable &table;
    Settings &settings;
    Prompter &prompter;
    MainHooks &hooks;
    QString programDirectory;
    std::function<bool()> searchInForce;
    std::function<FormLook()> look;
};

// "Reports": the report selection window. Lives for the whole run and is shown modally by
// the main window's report commands. The user picks a definition and views it, prints it (on
// a printer or into a PDF file, through the print dialog) or writes it to a text file; sets
// the insurance details; and starts the definition editor for a new or the selected
// definition. It owns the current definition the report windows work on.
class TMyReport : public QDialog, public ReportListHost {
    Q_OBJECT
public:
    explicit TMyReport(ReportServices services, QWidget *parent = nullptr);
    ~TMyReport() override;

    // Shows the window modally (the main window's report commands).
    void Show();

    // Fills the list with the names of all definitions in file order.
    void LoadReportBox() override;
    void SelectReport(int index) override;

    // Produces the selected report: 1 printer, 2 view, 3 text file (into `textFile`).
    void DoIt(reports::OutputMode mode, const QString &textFile = {});

    void ViewButtonClick();
    void PrintButtonClick();
    void FileButtonClick();
    void InsButtonClick();
    void NewButtonClick();
    void ModifyButtonClick();
    void HelpButtonClick();

    [[nodiscard]] ReportDefinition &current() { return m_current; }
    // Called with each window the report commands open, before it is shown (tests drive
    // the modal windows through it).
    std::function<void(QDialog *)> onWindow;

protected:
    void showEvent(QShowEvent *event) override;
    void done(int result) override;

private:
    void FormShow();
    [[nodiscard]] int selectedIndex() const;
    void refuseNoSelection();
    // Reads the selected definition into the current one; false (after telling the user)
    // when there is none to read.
    [[nodiscard]] bool readSelected();
    int execWindow(QDialog &window);

    ReportServices m_services;
    ReportDefinition m_current;
    DimensionRecord m_dimensions;

    QRadioButton *m_entire = nullptr;
    QRadioButton *m_search = nullptr;
    QListWidget *m_list = nullptr;
    QLabel *m_sortOrder = nullptr;
    QPushButton *m_view = nullptr;
    QPushButton *m_print = nullptr;
    QPushButton *m_file = nullptr;
    QPushButton *m_ins = nullptr;
    QPushButton *m_new = nullptr;
    QPushButton *m_modify = nullptr;
    QPushButton *m_help = nullptr;
    QPushButton *m_exit = nullptr;
};
