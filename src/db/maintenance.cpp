#include "db/maintenance.h"

#include "core/prompter.h"
#include "db/engine/db_error.h"
#include "db/inventory_file.h"
#include "db/my_table.h"

namespace maintenance {
namespace {

Outcome runExclusive(MyTable &table, Prompter &prompter, const std::function<void()> &applyViewer,
                     const QString &question, const QString &refusal,
                     const std::function<void(MyTable &)> &work) {
    if (!prompter.confirm(question))
        return Outcome::NotAsked;
    const QString path = table.path();
    const auto reopenShared = [&] {
        table.close();
        table.open(path, MyTable::OpenMode::Shared);
        if (applyViewer)
            applyViewer();
    };

    table.close();
    try {
        table.open(path, MyTable::OpenMode::Exclusive);
    } catch (const db::DbError &) {
        reopenShared();
        prompter.error(refusal);
        return Outcome::Refused;
    }

    try {
        work(table);
    } catch (const db::DbError &failure) {
        // The engine leaves the old files in place when it cannot finish; say what happened
        // rather than pretend the work was done.
        reopenShared();
        prompter.error(QString::fromStdString(failure.what()));
        return Outcome::Failed;
    }
    reopenShared();
    return Outcome::Done;
}

} // namespace

Outcome PackDatabase(MyTable &table, Prompter &prompter, const std::function<void()> &applyViewer) {
    return runExclusive(table, prompter, applyViewer, kPackQuestion, kPackRefused,
                        [](MyTable &t) { t.pack(); });
}

Outcome RebuildIndexes(MyTable &table, Prompter &prompter, const std::function<void()> &applyViewer,
                       const QString &sortExpression) {
    return runExclusive(table, prompter, applyViewer, kRebuildQuestion, kRebuildRefused,
                        [&sortExpression](MyTable &t) {
                            if (t.tagNames().isEmpty() && !sortExpression.isEmpty()) {
                                t.addIndex(QString::fromLatin1(kSortIndexTag), sortExpression);
                                t.setIndexName(QString::fromLatin1(kSortIndexTag));
                                return;
                            }
                            t.regenerateIndexes();
                        });
}

} // namespace maintenance
