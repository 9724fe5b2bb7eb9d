#include "interchange/safekeeping.h"

#include "core/case_insensitive_path.h"
#include "core/main_hooks.h"
#include "core/prompter.h"
#include "db/engine/db_error.h"
#include "db/inventory_file.h"
#include "db/my_table.h"
#include "edit/pick_lists.h"
#include "interchange/safekeeping_steps.h"
#include "settings/settings.h"

#include <QFileInfo>

namespace safekeeping {

namespace {

using namespace steps;

// The copy in the backup directory keeps the file's own name (an older copy there in other
// letter case is the one replaced).
QString BackupName(const QString &directory, const QString &source) {
    return resolveCaseInsensitive(directory, QFileInfo(source).fileName());
}

Outcome BackupDatabase(const QString &directory, Services &s) {
    const QString source =
        QFileInfo(s.settings.lastDatabase.isEmpty() ? s.table.path() : s.settings.lastDatabase)
            .absoluteFilePath();
    const QString dest = BackupName(directory, source);
    if (SameFile(source, dest)) {
        Error(s, kIdentical);
        return Outcome::Stopped;
    }
    const bool wasSearching = s.searchInForce && s.searchInForce();
    if (wasSearching)
        s.hooks.endSearch();
    MainTableKeeper keeper(s, wasSearching);
    s.table.close();
    if (DBaseInUse(source)) {
        Error(s, kBackupInUse);
        return Outcome::Stopped;
    }
    if (!CheckedCopy(s, source, dest, kBackupNoRoom, kBackupFailed))
        return Outcome::Stopped;
    keeper.finish();
    Notice(s, kBackupDone);
    return Outcome::Completed;
}

Outcome BackupLists(const QString &directory, Services &s) {
    {
        BusyCursor busy(s);
        // The lists in memory are what the user sees: they go to their files first.
        if (s.lists) {
            for (const picklists::SaveProblem &problem : s.lists->SaveAllLists()) {
                if (problem.inexact)
                    Warning(s, picklists::ProblemText(problem));
                else
                    Error(s, picklists::ProblemText(problem));
            }
        }
        for (const QString &name : ListFileNames()) {
            const QString source = resolveCaseInsensitive(s.programDirectory, name);
            if (!QFileInfo(source).isFile())
                continue;
            const QString dest = BackupName(directory, source);
            if (SameFile(source, dest)) {
                Error(s, kIdentical);
                return Outcome::Stopped;
            }
            if (!PlaceCopy(source, dest, s.files)) {
                Error(s, kBackupFailed);
                return Outcome::Stopped;
            }
        }
    }
    Notice(s, kBackupDone);
    return Outcome::Completed;
}

Outcome BackupReports(const QString &directory, Services &s) {
    const QString source =
        resolveCaseInsensitive(s.programDirectory, QLatin1String(kReportsFileName));
    const QString dest = BackupName(directory, source);
    if (SameFile(source, dest)) {
        Error(s, kIdentical);
        return Outcome::Stopped;
    }
    if (!CheckedCopy(s, source, dest, kReportsBackupNoRoom, kBackupFailed))
        return Outcome::Stopped;
    Notice(s, kBackupDone);
    return Outcome::Completed;
}

} // namespace

Outcome Backup(Choice choice, const QString &directory, Services &services) {
    try {
        switch (choice) {
        case Choice::Database:
            return BackupDatabase(directory, services);
        case Choice::Lists:
            return BackupLists(directory, services);
        case Choice::Reports:
            return BackupReports(directory, services);
        }
    } catch (const db::DbError &e) {
        Error(services, QString::fromLocal8Bit(e.what()));
    }
    return Outcome::Stopped;
}

} // namespace safekeeping
