#include "reports/report_editing.h"

#include "reports/report_production.h"

#include <algorithm>
#include <limits>

namespace reportedit {

int LeadingInt(const QString &text) {
    const QByteArray bytes = text.trimmed().toLatin1();
    const long long n =
        reports::LeadingWholeNumber(std::string_view(bytes.constData(), std::size_t(bytes.size())));
    return static_cast<int>(
        std::clamp<long long>(n, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

double MarginValue(const QString &text) {
    const QByteArray bytes = text.trimmed().toLatin1();
    return reports::LeadingNumber(std::string_view(bytes.constData(), std::size_t(bytes.size())));
}

QString MarginText(double inches) {
    return QString::number(inches, 'f', 2);
}

QString FontBoxText(const FontSpec &font) {
    return QStringLiteral("%1 %2pt").arg(font.name).arg(font.size);
}

void RefitLine(ReportLine &line, int width) {
    int sum = 0;
    std::size_t stop = line.size() - 1;
    for (std::size_t i = 0; i < line.size(); ++i) {
        ReportPart &part = line[i];
        if (part.width == 0)
            part.width = width;
        sum += part.width;
        if (sum >= width || i == line.size() - 1) {
            stop = i;
            break;
        }
    }
    // Shorter by the excess, or longer by the shortfall when part 20 was reached below it.
    line[stop].width -= sum - width;
    for (std::size_t i = stop + 1; i < line.size(); ++i)
        line[i].width = 0;
}

namespace {

// The check boxes and the flags they stand for, for both directions.
struct FlagControl {
    bool EditorValues::*control;
    bool ReportDefinition::*flag;
};
constexpr FlagControl kFlagControls[] = {
    {&EditorValues::columnHeaders, &ReportDefinition::columnHeaders},
    {&EditorValues::pageNumbers, &ReportDefinition::pageNumbers},
    {&EditorValues::landscape, &ReportDefinition::landscape},
    {&EditorValues::dateOnPage, &ReportDefinition::dateOnPages},
    {&EditorValues::useTotals, &ReportDefinition::useTotals},
    {&EditorValues::horzLines, &ReportDefinition::horzLines},
    {&EditorValues::vertLines, &ReportDefinition::vertLines},
    {&EditorValues::level1Group, &ReportDefinition::level1Group},
};

} // namespace

EditorValues ValuesOf(const ReportDefinition &d) {
    EditorValues v;
    v.name = d.name;
    v.titles = d.titles;
    v.numLines = QString::number(d.numLines);
    v.margins = {MarginText(d.topMargin), MarginText(d.bottomMargin), MarginText(d.leftMargin),
                 MarginText(d.rightMargin)};
    v.charsPerLine = d.charsPerLine == 150 || d.charsPerLine == 120 ? d.charsPerLine : 90;
    for (const FlagControl &f : kFlagControls)
        v.*f.control = d.*f.flag;
    v.level2Group = d.level1Group && d.level2Group;
    return v;
}

void SaveOutVars(const EditorValues &v, ReportDefinition &d) {
    d.numLines = LeadingInt(v.numLines);
    d.topMargin = MarginValue(v.margins[0]);
    d.bottomMargin = MarginValue(v.margins[1]);
    d.leftMargin = MarginValue(v.margins[2]);
    d.rightMargin = MarginValue(v.margins[3]);
    d.name = v.name.trimmed().left(urp::kNameCapacity);
    for (std::size_t i = 0; i < d.titles.size(); ++i)
        d.titles[i] = v.titles[i].trimmed().left(urp::kTitleCapacity);
    d.charsPerLine = v.charsPerLine == 150 || v.charsPerLine == 120 ? v.charsPerLine : 90;
    for (const FlagControl &f : kFlagControls)
        d.*f.flag = v.*f.control;
    d.level2Group = v.level1Group && v.level2Group;
}

CharsSwitch PlanCharsSwitch(int from, int to) {
    CharsSwitch plan;
    if (to == 90) {
        plan.question = QStringLiteral(
            "Switching to 90 characters from 120 or 150 will truncate the current defined "
            "lines.  In addition, the font size will be reset to a 10 point as a default.  Are "
            "you sure you wish to do this?");
    } else if (to == 120) {
        if (from == 150)
            plan.question = QStringLiteral(
                "Switching to 120 characters from 150 will truncate the current defined lines.  "
                "In addition, the font size will be reset to a 8 point as a default.  Are you "
                "sure you wish to do this?");
        plan.notice =
            QStringLiteral("The Report Body font size has been set to a 8 Point default size as.");
    } else if (to == 150) {
        plan.notice = QStringLiteral(
            "The Report Body font size has been set to a 6 Point default size as a result of "
            "switching to 150 characters per line.");
    }
    return plan;
}

int BodyFontPoints(int charsPerLine) {
    return charsPerLine >= 150 ? 6 : charsPerLine >= 120 ? 8 : 10;
}

void SwitchCharsPerLine(ReportDefinition &d, int charsPerLine) {
    d.charsPerLine = charsPerLine;
    const int lines = std::clamp(d.numLines, 0, kMaxBodyLines);
    for (int n = 0; n < lines; ++n)
        RefitLine(d.body[static_cast<std::size_t>(n)], charsPerLine);
    d.fonts[urp::kBodyFont - 1].size = BodyFontPoints(charsPerLine);
}

} // namespace reportedit
