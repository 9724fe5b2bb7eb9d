#include "app/file_filter.h"

#include <QRegularExpression>
#include <QStringList>

namespace {

QStringList patternsOf(const QString &text) {
    QStringList patterns;
    for (const QString &part :
         text.split(QRegularExpression(QStringLiteral("[;\\s]+")), Qt::SkipEmptyParts)) {
        for (const QString &variant : {part, part.toUpper(), part.toLower()}) {
            if (!patterns.contains(variant))
                patterns << variant;
        }
    }
    return patterns;
}

} // namespace

QString QtFileFilter(const QString &pairs) {
    if (!pairs.contains(QLatin1Char('|')))
        return pairs;
    static const QRegularExpression trailingPatterns(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
    const QStringList parts = pairs.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        description.remove(trailingPatterns);
        const QStringList patterns = patternsOf(parts[i + 1]);
        if (patterns.isEmpty())
            continue;
        filters << QStringLiteral("%1 (%2)").arg(description.trimmed(),
                                                 patterns.join(QLatin1Char(' ')));
    }
    return filters.join(QStringLiteral(";;"));
}
