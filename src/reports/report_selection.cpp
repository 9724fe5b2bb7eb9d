#include "reports/report_selection.h"

#include "core/field_catalogue.h"
#include "reports/report_editing.h"
#include "settings/settings.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

namespace repselect {

QString SortOrderInWords(const Settings &settings) {
    QStringList names;
    for (const int level : settings.sortLevels) {
        if (const CatalogueField *f = catalogueField(level)) {
            const QString &name = settings.fieldNames[static_cast<std::size_t>(level - 1)];
            names << (name.isEmpty() ? QString::fromLatin1(f->displayName.data(),
                                                           qsizetype(f->displayName.size()))
                                     : name);
        }
    }
    return names.isEmpty() ? QStringLiteral("No Sort Order Selected")
                           : names.join(QStringLiteral(", "));
}

RangeError CheckPageRange(const QString &startText, const QString &endText, int pages,
                          PageRange *range) {
    const int first = reportedit::LeadingInt(startText);
    if (first < 1 || first > pages)
        return RangeError::BadStart;
    const int last = reportedit::LeadingInt(endText);
    if (last < first || last > pages)
        return RangeError::BadEnd;
    if (range)
        *range = {first, last};
    return RangeError::None;
}

Insurance InsuranceOf(const Settings &s) {
    return {s.insuranceCompany,      s.policyNumber,      s.yourName,
            s.printInsuranceCompany, s.printPolicyNumber, s.printStatement};
}

void StoreInsurance(const Insurance &v, Settings &s) {
    s.insuranceCompany = v.company.left(Settings::kInsuranceCompanyLength);
    s.policyNumber = v.policy.left(Settings::kPolicyNumberLength);
    s.yourName = v.name.left(Settings::kYourNameLength);
    s.printInsuranceCompany = v.printCompany;
    s.printPolicyNumber = v.printPolicy;
    s.printStatement = v.printStatement;
}

double ClampZoom(double zoom) {
    if (!std::isfinite(zoom))
        return 100.0;
    return std::clamp(zoom, kMinZoom, kMaxZoom);
}

QString ZoomText(double zoom) {
    return QString::number(zoom, 'f', 1).left(10);
}

std::optional<double> ParseZoom(const QString &text) {
    bool ok = false;
    const double zoom = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(zoom))
        return std::nullopt;
    return zoom;
}

std::optional<int> ParsePage(const QString &text) {
    bool ok = false;
    const int page = text.trimmed().toInt(&ok);
    if (!ok)
        return std::nullopt;
    return page;
}

QString PageLabelText(int page, int firstPage, int pages) {
    return QStringLiteral("Page %1 of %2").arg(page - firstPage + 1).arg(pages);
}

} // namespace repselect
