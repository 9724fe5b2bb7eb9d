#pragma once

#include "reports/page_engine.h"
#include "ui/form_scaling.h"

#include <QDialog>
#include <QElapsedTimer>

class Prompter;
class QLabel;
class QPushButton;

namespace reports {
class ReportProduction;
}

// The report status window ("Report Status Screen"): runs a report once it is shown and
// stays open with the outcome until the user closes it. During the run its button is
// Cancel, which asks the page engine to stop; afterwards it is OK, which closes. The status
// label is the engine's status line ("Printing Page %p"); each refresh lets pending window
// input through, on this one thread, so that Cancel takes effect.
//
// Errors of the run (a text file that cannot be written, a printer that cannot be opened)
// are shown in an "Error" box; the run then counts as cancelled.
class TReportForm : public QDialog {
    Q_OBJECT
public:
    TReportForm(reports::PageEngine &engine, reports::ReportProduction &production,
                Prompter &prompter, FormLook look, QWidget *parent = nullptr);
    ~TReportForm() override;

    // Shows the window modally, runs the report, and returns when the user has closed it:
    // true when the run was cancelled (or could not be done).
    bool Run();

    [[nodiscard]] bool running() const { return m_running; }
    [[nodiscard]] bool cancelled() const { return m_cancelled; }
    [[nodiscard]] reports::RunResult result() const { return m_result; }

    void BitBtn1Click();
    // Escape and the close box: during a run they cancel it and the window stays.
    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormActivate();
    void showStatus(const QString &text);

    reports::PageEngine &m_engine;
    reports::ReportProduction &m_production;
    Prompter &m_prompter;
    FormLook m_look;
    bool m_shown = false;
    bool m_started = false;
    bool m_running = false;
    bool m_cancelled = false;
    reports::RunResult m_result = reports::RunResult::Completed;
    QElapsedTimer m_sinceEvents;

    QLabel *m_status = nullptr;
    QPushButton *m_button = nullptr;
};
