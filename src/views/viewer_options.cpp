#include "views/viewer_options.h"

#include "app/main_commands.h"
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
    for (std::size_t f = 0; f < kFieldCount; ++f) {
        for (std::size_t r = 0; r < kFieldCount; ++r) {
            if (pages.order[r] == settings.fieldNames[f]) {
                settings.fieldOrder[f] = static_cast<int>(r) + 1;
                break;
            }
        }
    }
}

std::vector<ViewerColumn> ViewerColumnPlan(const Settings &settings) {
    std::vector<ViewerColumn> plan;
    for (int f : mainwin::ViewerColumns(settings.fieldOrder, settings.displayFields)) {
        const auto i = static_cast<std::size_t>(f);
        plan.push_back({f, settings.fieldNames[i], settings.fieldWidth[i]});
    }
    return plan;
}

} // namespace viewcfg
