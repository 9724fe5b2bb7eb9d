#include "reports/ui/t_report_form.h"

#include "core/prompter.h"
#include "reports/report_production.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <stdexcept>

namespace {
// Input is let through at least this often while pages are made (and at every page).
constexpr qint64 kEventsEveryMs = 50;
} // namespace

TReportForm::TReportForm(reports::PageEngine &engine, reports::ReportProduction &production,
                         Prompter &prompter, FormLook look, QWidget *parent)
    : QDialog(parent), m_engine(engine), m_production(production), m_prompter(prompter),
      m_look(std::move(look)) {
    setObjectName(QStringLiteral("ReportForm"));
    setWindowTitle(QStringLiteral("Report Status Screen"));
    QFont designFont(QStringLiteral("Arial"));
    designFont.setPointSize(9);
    setFont(designFont);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("StatusLabel"));
    m_status->setAlignment(Qt::AlignCenter);
    m_status->setGeometry(10, 10, 260, 64);

    m_button = new QPushButton(QStringLiteral("Cancel"), this);
    m_button->setObjectName(QStringLiteral("BitBtn1"));
    m_button->setGeometry(102, 84, 75, 25);
    m_button->setDefault(true);
    connect(m_button, &QPushButton::clicked, this, &TReportForm::BitBtn1Click);

    setFixedSize(280, 118);
}

TReportForm::~TReportForm() {
    m_engine.setStatusListener({});
}

bool TReportForm::Run() {
    exec();
    return m_cancelled;
}

void TReportForm::showEvent(QShowEvent *event) {
    if (!m_shown) {
        m_shown = true;
        ShowScaled(this, m_look);
    }
    QDialog::showEvent(event);
    if (!m_started) {
        m_started = true;
        // Once the window is up and the event loop runs, as its activation would.
        QTimer::singleShot(0, this, &TReportForm::FormActivate);
    }
}

void TReportForm::showStatus(const QString &text) {
    const bool changed = text != m_status->text();
    if (changed)
        m_status->setText(text);
    if (changed || !m_sinceEvents.isValid() || m_sinceEvents.elapsed() >= kEventsEveryMs) {
        m_sinceEvents.restart();
        QApplication::processEvents();
    }
}

void TReportForm::FormActivate() {
    m_engine.setStatusListener([this](const QString &text) { showStatus(text); });
    m_running = true;
    QString error;
    try {
        m_result = m_production.run();
    } catch (const std::runtime_error &e) {
        error = QString::fromStdString(e.what());
    }
    m_running = false;
    m_cancelled = !error.isEmpty() || m_result != reports::RunResult::Completed;
    m_button->setText(QStringLiteral("OK"));
    const QString outcome =
        m_cancelled ? QStringLiteral("Report Canceled!") : QStringLiteral("Report Completed!");
    // The outcome goes into the status under the last page's number; without a page there
    // is no number to show.
    m_engine.setStatusListener({});
    if (m_engine.currentPage() > 0) {
        m_engine.setStatusLine(0, QLatin1Char('\r') + outcome);
        m_status->setText(m_engine.statusText());
    } else {
        m_status->setText(QLatin1Char('\n') + outcome);
    }
    if (!error.isEmpty())
        m_prompter.error(error);
}

void TReportForm::BitBtn1Click() {
    if (m_running)
        m_engine.abort();
    else if (m_started)
        accept();
}

void TReportForm::reject() {
    // Escape or the close box during a run cancel it; the window stays to show the outcome.
    if (m_running)
        m_engine.abort();
    else
        QDialog::reject();
}
