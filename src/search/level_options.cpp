#include "search/level_options.h"

#include "settings/format_helpers.h"

namespace search {

namespace {

int fieldOfKey(QStringView key) {
    for (const CatalogueField &f : kCatalogue)
        if (key.compare(QLatin1StringView(f.key.data(), static_cast<qsizetype>(f.key.size())),
                        Qt::CaseInsensitive) == 0)
            return f.number;
    return 0;
}

} // namespace

LevelOptions TakeLevelOptions(QStringList &args) {
    LevelOptions o;
    QStringList rest;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] != u"--level") {
            rest << args[i];
            continue;
        }
        LevelSpec level;
        while (i + 1 < args.size() && !args[i + 1].startsWith(u"--")) {
            const QString &c = args[++i];
            const qsizetype colon = c.indexOf(u':');
            const int number = colon > 0 ? fieldOfKey(QStringView(c).left(colon)) : 0;
            if (number == 0) {
                if (o.error.isEmpty())
                    o.error = colon > 0
                                  ? QStringLiteral("--level: no field has the key ") + c.left(colon)
                                  : QStringLiteral("--level takes KEY:TEXT, not ") + c;
                continue;
            }
            for (const LevelCriterion &seen : level)
                if (seen.fieldNumber == number && o.error.isEmpty())
                    o.error = QStringLiteral("--level: the field ") + c.left(colon) +
                              QStringLiteral(" is named twice in one level");
            level.push_back({number, c.mid(colon + 1)});
        }
        if (level.empty() && o.error.isEmpty())
            o.error = QStringLiteral("--level needs at least one KEY:TEXT");
        o.levels.push_back(std::move(level));
    }
    if (static_cast<int>(o.levels.size()) > kMaxLevels && o.error.isEmpty())
        o.error = QStringLiteral("at most %1 levels").arg(kMaxLevels);
    args = rest;
    return o;
}

int ComparisonOfText(const QString &text) {
    const QString t = Trim(text);
    if (t.startsWith(u'>'))
        return t.contains(QStringLiteral("AND")) ? Range : Greater;
    if (t.startsWith(u'<'))
        return Less;
    return Equal;
}

BuiltSearch BuildSearch(const std::vector<LevelSpec> &levels) {
    BuiltSearch built;
    SearchCriteria criteria;
    for (std::size_t i = 0; i < levels.size(); ++i) {
        std::array<QString, kRows> cells;
        for (const LevelCriterion &c : levels[i]) {
            cells[static_cast<std::size_t>(c.fieldNumber - 1)] = c.text;
            if (KindOf(c.fieldNumber) != RowKind::Character)
                criteria.setComparison(c.fieldNumber, ComparisonOfText(c.text));
        }
        const LevelOutcome outcome = criteria.saveFields(cells);
        if (!outcome.ok()) {
            built.failure = outcome;
            built.failedLevel = static_cast<int>(i) + 1;
            return built;
        }
        criteria.nextLevel();
    }
    if (levels.empty()) {
        built.failure = {LevelOutcome::NoCriteria, 0};
        built.failedLevel = 1;
        return built;
    }
    built.test.emplace(criteria.items());
    return built;
}

} // namespace search
