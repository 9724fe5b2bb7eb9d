#include "reports/page_engine.h"

namespace reports {

QString PageEngine::statusText() const {
    QString text = m_statusFormat;
    text.replace(QLatin1String("%p"), QString::number(m_page));
    text.replace(QLatin1String("%0"), m_statusLines[0]);
    text.replace(QLatin1String("%1"), m_statusLines[1]);
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

void PageEngine::updateStatus() {
    if (m_statusListener)
        m_statusListener(statusText());
}

namespace {

// Cleaning up after an error: a second failure must not hide the first.
template <typename F> void quietly(F &&f) {
    try {
        f();
    } catch (...) {
    }
}

} // namespace

RunResult PageEngine::run(const ReportHandlers &h) {
    m_aborted = false;
    m_page = 0;
    if (!startJob())
        return RunResult::NoPrinter;
    auto call = [](const std::function<void()> &f) {
        if (f)
            f();
    };
    bool pageOpen = false;
    bool footerDue = false;
    auto beginPage = [&] {
        ++m_page;
        startPage();
        pageOpen = true;
        updateStatus();
        call(h.newPage);
        footerDue = true;
        call(h.printHeader);
    };
    try {
        call(h.beforePrint);
        beginPage();
        bool more = h.printPage && h.printPage();
        while (more && !m_aborted) {
            footerDue = false;
            call(h.printFooter);
            pageOpen = false;
            finishPage();
            beginPage();
            more = h.printPage && h.printPage();
        }
        footerDue = false;
        call(h.printFooter);
        pageOpen = false;
        finishPage();
    } catch (...) {
        // What was begun is ended, so that the output is closed and the data set given back,
        // before the error goes on.
        if (footerDue)
            quietly([&] { call(h.printFooter); });
        if (pageOpen)
            quietly([&] { finishPage(); });
        quietly([&] { call(h.afterPrint); });
        quietly([&] { finishJob(); });
        throw;
    }
    try {
        call(h.afterPrint);
    } catch (...) {
        quietly([&] { finishJob(); });
        throw;
    }
    finishJob();
    return m_aborted ? RunResult::Aborted : RunResult::Completed;
}

} // namespace reports
