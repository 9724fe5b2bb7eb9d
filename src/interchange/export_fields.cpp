#include "interchange/export_fields.h"

#include "db/record_view.h"
#include "settings/settings.h"

namespace exporting {

namespace {

QString flagText(bool exported) {
    return exported ? kYes : kNo;
}

QString latin(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

Grid FillGrid(const Settings &settings) {
    Grid grid;
    std::array<bool, kFieldCount> taken{};
    std::vector<int> homeless;
    for (int i = 0; i < kFieldCount; ++i) {
        const auto f = static_cast<std::size_t>(i);
        const int position = settings.exportOrder[f];
        if (position < 1 || position > kFieldCount ||
            taken[static_cast<std::size_t>(position - 1)]) {
            homeless.push_back(i);
            continue;
        }
        taken[static_cast<std::size_t>(position - 1)] = true;
        grid[static_cast<std::size_t>(position - 1)] = {settings.fieldNames[f],
                                                        flagText(settings.exportFields[f])};
    }
    std::size_t row = 0;
    for (const int i : homeless) {
        while (taken[row])
            ++row;
        taken[row] = true;
        const auto f = static_cast<std::size_t>(i);
        grid[row] = {settings.fieldNames[f], flagText(settings.exportFields[f])};
    }
    return grid;
}

Grid DefaultGrid(const Settings &settings) {
    Grid grid;
    for (std::size_t f = 0; f < grid.size(); ++f)
        grid[f] = {settings.fieldNames[f], kYes};
    return grid;
}

QString ToggledFlag(const QString &flag) {
    return flag == kYes ? kNo : kYes;
}

std::optional<int> SwapRow(int row, bool up) {
    const int other = up ? row - 1 : row + 1;
    if (row < 0 || row >= kFieldCount || other < 0 || other >= kFieldCount)
        return std::nullopt;
    return other;
}

void UpdateConfigs(Settings &settings, const Grid &grid) {
    for (std::size_t f = 0; f < static_cast<std::size_t>(kFieldCount); ++f) {
        for (std::size_t r = 0; r < grid.size(); ++r) {
            if (grid[r].name == settings.fieldNames[f]) {
                settings.exportOrder[f] = static_cast<int>(r) + 1;
                settings.exportFields[f] = grid[r].flag == kYes;
                break;
            }
        }
    }
}

std::vector<ExportColumn> CalcIndexOrder(const Settings &settings, const RecordLayout &layout) {
    std::vector<ExportColumn> columns;
    for (int position = 1; position <= kFieldCount; ++position) {
        for (int i = 0; i < kFieldCount; ++i) {
            const auto f = static_cast<std::size_t>(i);
            if (settings.exportOrder[f] != position || !settings.exportFields[f])
                continue;
            const int column = layout.indexOf(latin(kCatalogue[f].key));
            if (column >= 0)
                columns.push_back({column, i});
        }
    }
    return columns;
}

} // namespace exporting
