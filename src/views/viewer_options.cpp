#include "views/viewer_options.h"

#include "settings/settings.h"

namespace viewcfg {

QString HelpTopic(int page) {
    static const std::array<const char *, kPageCount> topics{
        "Viewer Configuration Title",  "Viewer Configuration Look",  "Viewer Configuration Show",
        "Viewer Configuration Widths", "Viewer Configuration Order", "Viewer Configuration Names"};
    if (page < 0 || page >= kPageCount)
        return {};
    return QString::fromLatin1(topics[static_cast<std::size_t>(page)]);
}

int ParseWidth(const QString &cell) {
    bool ok = false;
    const int value = cell.trimmed().toInt(&ok, 10);
    if (!ok || value < kMinWidth || value > kMaxWidth)
        return kFallbackWidth;
    return value;
}

QString ToggledShown(const QString &cell) {
    return cell == kYes ? kNo : kYes;
}

QString FontText(const FontSpec &font) {
    return QString::number(font.size) + QStringLiteral("pt ") + font.name;
}

std::optional<QString> FirstDuplicateName(const FieldTexts &names) {
    for (std::size_t i = 0; i + 1 < names.size(); ++i)
        for (std::size_t j = i + 1; j < names.size(); ++j)
            if (names[i] == names[j])
                return names[i];
    return std::nullopt;
}

QString DuplicateNameMessage(const QString &name) {
    return QStringLiteral("Two field names have the same name \"") + name +
           QStringLiteral("\".  Please change one.");
}

FieldPages FieldPagesFrom(const Settings &settings) {
    FieldPages pages;
    for (std::size_t f = 0; f < kFieldCount; ++f) {
        pages.names[f] = settings.fieldNames[f];
        pages.widths[f] = QString::number(settings.fieldWidth[f]);
        pages.shown[f] = settings.displayFields[f] ? kYes : kNo;
        const int position = settings.fieldOrder[f];
        if (position >= 1 && position <= kFieldCount)
            pages.order[static_cast<std::size_t>(position - 1)] = settings.fieldNames[f];
    }
    return pages;
}

FieldTexts DefaultOrder(const Settings &settings) {
    return settings.fieldNames;
}

void ApplyFieldPages(Settings &settings, FieldPages &pages) {
    for (std::size_t f = 0; f < kFieldCount; ++f)
        settings.fieldNames[f] = pages.names[f].left(Settings::kDisplayNameLength);
    for (std::size_t f = 0; f < kFieldCount; ++f) {
        const int width = ParseWidth(pages.widths[f]);
        settings.fieldWidth[f] = width;
        if (width == kFallbackWidth)
            pages.widths[f] = QString::number(width);
    }
    for (std::size_t f = 0; f < kFieldCount; ++f)
        settings.displayFields[f] = pages.shown[f] == kYes;

    // Positions. A field renamed in this session is not on the order page under its new
    // name and keeps its old position; a field found on the page takes its row. When both
    // claim one position (the renamed field was also moved, or took another field's old
    // name) the renamed field keeps it and the found one goes to the first free row, so no
    // two fields share a position and no column drops out of the viewer.
    std::array<int, kFieldCount> found{};
    for (std::size_t f = 0; f < kFieldCount; ++f) {
        for (std::size_t r = 0; r < kFieldCount; ++r) {
            if (pages.order[r] == settings.fieldNames[f]) {
                found[f] = static_cast<int>(r) + 1;
                break;
            }
        }
    }
    std::array<bool, kFieldCount + 1> keptByRenamed{};
    for (std::size_t f = 0; f < kFieldCount; ++f) {
        const int old = settings.fieldOrder[f];
        if (found[f] == 0 && old >= 1 && old <= kFieldCount)
            keptByRenamed[static_cast<std::size_t>(old)] = true;
    }
    std::array<bool, kFieldCount + 1> taken = keptByRenamed;
    std::vector<std::size_t> displaced;
    for (std::size_t f = 0; f < kFieldCount; ++f) {
        if (found[f] == 0)
            continue;
        if (keptByRenamed[static_cast<std::size_t>(found[f])]) {
            displaced.push_back(f);
        } else {
            settings.fieldOrder[f] = found[f];
            taken[static_cast<std::size_t>(found[f])] = true;
        }
    }
    for (const std::size_t f : displaced) {
        int free = 1;
        while (free <= kFieldCount && taken[static_cast<std::size_t>(free)])
            ++free;
        // Each displaced field shares its row with a renamed one, so with distinct names a
        // row is always free; names that are not distinct keep the row they were found at.
        if (free > kFieldCount) {
            settings.fieldOrder[f] = found[f];
            continue;
        }
        settings.fieldOrder[f] = free;
        taken[static_cast<std::size_t>(free)] = true;
    }
}

std::optional<int> OrderSwapRow(int row, bool up) {
    if (row < 0 || row >= kFieldCount)
        return std::nullopt;
    const int other = up ? row - 1 : row + 1;
    if (other < 0 || other >= kFieldCount)
        return std::nullopt;
    return other;
}

std::vector<int> ViewerColumns(const std::array<int, 22> &positions,
                               const std::array<bool, 22> &shown) {
    std::vector<int> columns;
    std::array<bool, 22> placed{};
    for (int p = 1; p <= 22; ++p) {
        int chosen = 0;
        for (int f = 0; f < 22; ++f) {
            if (positions[f] == p) {
                chosen = f;
                break;
            }
        }
        if (placed[chosen])
            continue;
        placed[chosen] = true;
        if (shown[chosen])
            columns.push_back(chosen);
    }
    for (int f = 0; f < 22; ++f)
        if (!placed[f] && shown[f])
            columns.push_back(f);
    return columns;
}

std::vector<ViewerColumn> ViewerColumnPlan(const Settings &settings) {
    std::vector<ViewerColumn> plan;
    for (int f : ViewerColumns(settings.fieldOrder, settings.displayFields)) {
        const auto i = static_cast<std::size_t>(f);
        plan.push_back({f, settings.fieldNames[i], settings.fieldWidth[i]});
    }
    return plan;
}

} // namespace viewcfg
