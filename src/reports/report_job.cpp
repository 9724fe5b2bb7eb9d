#include "reports/report_job.h"

#include <stdexcept>

namespace reports {

std::unique_ptr<PaintedPageEngine> ReportJob::makeEngine(const ReportDefinition &definition,
                                                         Prompter *prompter) const {
    std::unique_ptr<PaintedPageEngine> engine;
    if (mode == OutputMode::Printer) {
        if (!printer)
            throw std::logic_error("a printed report needs a printer");
        engine = std::make_unique<TReportPrinter>(*printer, prompter);
    } else {
        engine = std::make_unique<TReportFiler>(mode == OutputMode::Preview ? recording : nullptr);
        engine->setPaper(paper);
    }
    engine->setLandscape(definition.landscape);
    return engine;
}

} // namespace reports
