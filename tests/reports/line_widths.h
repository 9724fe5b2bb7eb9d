#pragma once

#include "reports/report_definition.h"

#include <vector>

// The widths of a line's parts up to its last part that is not 0: what a refit left.
inline std::vector<int> LineWidths(const ReportLine &line) {
    std::vector<int> w;
    for (const ReportPart &p : line)
        w.push_back(p.width);
    while (!w.empty() && w.back() == 0)
        w.pop_back();
    return w;
}
