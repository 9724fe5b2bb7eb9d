#pragma once

#include "reports/report_engines.h"
#include "reports/report_production.h"

#include <QPageSize>
#include <QString>

#include <memory>

class Prompter;
class QIODevice;
class QPrinter;

namespace reports {

// Where one run of a report goes, and the engine for it: the printer object for mode 1,
// the recorder (into `recording`) for mode 2, the recorder without a stream for mode 3.
struct ReportJob {
    OutputMode mode = OutputMode::Preview;
    QPrinter *printer = nullptr;    // mode 1: a system printer or a PDF file
    QIODevice *recording = nullptr; // mode 2: the caller's stream, open for writing
    QString textFileName;           // mode 3
    // Modes 2 and 3 lay pages out on this paper (the printer's paper in mode 1).
    QPageSize paper = DefaultReportPaper();

    // The engine, turned to the definition's orientation. `prompter` hears "No printers are
    // defined, aborting print job." when mode 1 finds no printer.
    [[nodiscard]] std::unique_ptr<PaintedPageEngine> makeEngine(const ReportDefinition &definition,
                                                                Prompter *prompter) const;
};

} // namespace reports
