#include "reports/report_layout.h"

#include "core/field_catalogue.h"
#include "reports/report_editing.h"
#include "settings/settings.h"

#include <cmath>

namespace replayout {

namespace {

int scaled(double design, double factor) {
    return static_cast<int>(std::lround(design * factor));
}

QString keyOf(const CatalogueField &f) {
    return QString::fromLatin1(f.key.data(), static_cast<qsizetype>(f.key.size()));
}

} // namespace

Geometry::Geometry(double factor)
    : x0(scaled(4, factor)), x1(scaled(629, factor)), bodyTop(scaled(75, factor)),
      rowHeight(scaled(20, factor)), totalsTop(scaled(355, factor)),
      totalsBottom(scaled(375, factor) + 1) {}

std::vector<Box> LineBoxes(const ReportLine &line, int charsPerLine, const Geometry &g) {
    std::vector<Box> boxes;
    // A line ends before its first part that is not positive, as it prints.
    const int used = UsedParts(line);
    const int cpl = charsPerLine > 0 ? charsPerLine : 1;
    const double span = g.x1 - g.x0;
    int sum = 0;
    int left = g.x0;
    for (int i = 0; i < used; ++i) {
        sum += line[static_cast<std::size_t>(i)].width;
        const bool last = i == used - 1;
        const int right =
            last ? g.x1 : g.x0 + static_cast<int>(std::lround(span * double(sum) / double(cpl)));
        boxes.push_back({i + 1, left, right});
        left = right;
    }
    return boxes;
}

Position CalcPosition(int x, int y, const ReportDefinition &d, int bodyLines, bool totalsShown,
                      int charsPerLine, const Geometry &g) {
    Position p;
    if (x < g.x0 || x > g.x1)
        return p;
    const ReportLine *line = nullptr;
    if (bodyLines > 0 && y >= g.bodyTop && y < g.bodyBottom(bodyLines)) {
        // The row's last pixel (the bottom border) belongs to the last row.
        p.line = std::min((y - g.bodyTop) / g.rowHeight + 1, bodyLines);
        line = &d.bodyLine(p.line);
    } else if (totalsShown && y >= g.totalsTop && y < g.totalsBottom) {
        p.line = kTotalsLine;
        line = &d.totals;
    } else {
        return {};
    }
    for (const Box &b : LineBoxes(*line, charsPerLine, g)) {
        if (b.right >= x) {
            p.part = b.part;
            return p;
        }
    }
    return {};
}

BoxLabel LabelOf(const ReportPart &part, bool totalsRow, const Settings &settings) {
    if (part.isLabel())
        return {BoxLabel::Kind::Label, part.label};
    if (part.isFiller())
        return {BoxLabel::Kind::Filler, QStringLiteral("Filler")};
    if (!totalsRow) {
        const int index = GetField(part.name);
        if (index >= 0) {
            const QString &name = settings.fieldNames[static_cast<std::size_t>(index)];
            if (!name.isEmpty())
                return {BoxLabel::Kind::Field, name};
        }
    }
    return {BoxLabel::Kind::Field, part.name};
}

int GetField(const QString &name) {
    for (std::size_t i = 0; i < kCatalogue.size(); ++i)
        if (name.compare(keyOf(kCatalogue[i]), Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    return -1;
}

int GetTotField(const QString &name) {
    for (int t = urp::kTotalCost; t <= urp::kTotalQuantity; ++t)
        if (name == urp::TotalName(t))
            return t - 1;
    return -1;
}

QStringList FieldListEntries(bool totalsLine, const Settings &settings) {
    QStringList entries;
    if (totalsLine) {
        for (int t = urp::kTotalCost; t <= urp::kTotalQuantity; ++t)
            entries << urp::TotalName(t);
        return entries;
    }
    for (std::size_t i = 0; i < kCatalogue.size(); ++i) {
        const QString &name = settings.fieldNames[i];
        entries << (name.isEmpty()
                        ? QString::fromLatin1(kCatalogue[i].displayName.data(),
                                              qsizetype(kCatalogue[i].displayName.size()))
                        : name);
    }
    return entries;
}

QString SelectedPartText(int line, int part) {
    if (line == kTotalsLine)
        return QStringLiteral("Totals Line, Item %1").arg(part);
    return QStringLiteral("Line %1, Item %2").arg(line).arg(part);
}

PartError ApplyPart(ReportLine &line, int part, const PartChoice &choice, bool totalsLine,
                    int charsPerLine) {
    bool ok = false;
    const int width = choice.widthText.trimmed().toInt(&ok);
    // A negative width would end the printed line before this part and hide the parts
    // after it, so it is refused like any other width that is not a count of characters.
    if (!ok || width < 0)
        return PartError::InvalidWidth;
    const int entries = totalsLine ? 4 : kFieldCount;
    if (choice.kind == PartChoice::Kind::Field &&
        (choice.fieldIndex < 0 || choice.fieldIndex >= entries))
        return PartError::NoField;
    if (part < 1 || part > urp::kPartsPerLine)
        return PartError::None;

    ReportPart &p = line[static_cast<std::size_t>(part - 1)];
    p.width = width;
    reportedit::RefitLine(line, charsPerLine);
    p.label.clear();
    switch (choice.kind) {
    case PartChoice::Kind::Filler:
        p.name = QLatin1String(urp::kFillerName);
        break;
    case PartChoice::Kind::Label:
        p.name = QLatin1String(urp::kLabelName);
        p.label = choice.labelText.trimmed().left(urp::kLabelCapacity);
        break;
    case PartChoice::Kind::Field:
        p.name = totalsLine ? urp::TotalName(choice.fieldIndex + 1)
                            : keyOf(kCatalogue[static_cast<std::size_t>(choice.fieldIndex)]);
        p.name = p.name.left(urp::kNameCapacity);
        p.fieldNumber = choice.fieldIndex + 1;
        break;
    }
    return PartError::None;
}

} // namespace replayout
