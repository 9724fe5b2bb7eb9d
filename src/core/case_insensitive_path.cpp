#include "core/case_insensitive_path.h"

#include <QDir>
#include <QFileInfo>

namespace {

bool sameIgnoringAsciiCase(const QString &a, const QString &b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (qsizetype i = 0; i < a.size(); ++i) {
        char16_t x = a[i].unicode();
        char16_t y = b[i].unicode();
        if (x >= u'A' && x <= u'Z') {
            x = static_cast<char16_t>(x - u'A' + u'a');
        }
        if (y >= u'A' && y <= u'Z') {
            y = static_cast<char16_t>(y - u'A' + u'a');
        }
        if (x != y) {
            return false;
        }
    }
    return true;
}

QString joined(const QString &directory, const QString &name) {
    return directory.isEmpty() ? name : QDir(directory).filePath(name);
}

} // namespace

std::optional<QString> findCaseInsensitive(const QString &directory, const QString &name) {
    if (name.isEmpty() || name.contains(u'/')) {
        return std::nullopt;
    }
    const QString exact = joined(directory, name);
    if (QFileInfo::exists(exact)) {
        return exact;
    }
    const QDir dir(directory.isEmpty() ? QStringLiteral(".") : directory);
    const QStringList entries = dir.entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    QString best;
    for (const QString &entry : entries) {
        if (sameIgnoringAsciiCase(entry, name) && (best.isEmpty() || entry < best)) {
            best = entry;
        }
    }
    if (best.isEmpty()) {
        return std::nullopt;
    }
    return joined(directory, best);
}

QString resolveCaseInsensitive(const QString &directory, const QString &name) {
    return findCaseInsensitive(directory, name).value_or(joined(directory, name));
}
