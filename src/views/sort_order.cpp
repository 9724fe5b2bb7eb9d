#include "views/sort_order.h"

#include "core/prompter.h"
#include "db/engine/db_error.h"
#include "db/inventory_file.h"
#include "db/my_table.h"
#include "db/sort_expression.h"
#include "settings/settings.h"

namespace sortorder {

QStringList LevelEntries(const Settings &settings) {
    QStringList entries{kNone};
    for (const QString &name : settings.fieldNames)
        entries << name;
    return entries;
}

Outcome ApplySortOrder(MyTable &table, Settings &settings, const std::array<int, 4> &levels,
                       Prompter &prompter, MainHooks &hooks) {
    const QString path = table.isOpen() ? table.path() : settings.lastDatabase;
    const auto reopenShared = [&] {
        table.close();
        table.open(path, MyTable::OpenMode::Shared);
        hooks.setViewerOptions();
    };

    table.close();
    if (DBaseInUse(path)) {
        prompter.error(kInUseMessage);
        reopenShared();
        return Outcome::InUse;
    }

    const std::array<int, 4> previous = settings.sortLevels;
    bool applied = false;
    try {
        settings.sortLevels = levels;
        RebuildSortIndex(table, path, QString::fromStdString(BuildSortString(levels)));
        applied = hooks.saveSettings();
    } catch (const db::DbError &) {
        // Told below with the one failure message; the engine's text adds nothing for the user.
    }
    if (!applied) {
        prompter.error(kFailedMessage);
        settings.sortLevels = previous;
        table.close();
        // Whatever the failed rebuild left: the sort tag when it is there, file order if not.
        table.setIndexName(QString::fromLatin1(kSortIndexTag));
        reopenShared();
        hooks.buildSortExpression();
        return Outcome::Failed;
    }
    hooks.buildSortExpression();
    reopenShared();
    return Outcome::Done;
}

} // namespace sortorder
