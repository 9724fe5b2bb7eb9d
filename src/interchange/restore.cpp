#include "interchange/safekeeping.h"

#include "core/case_insensitive_path.h"
#include "core/main_hooks.h"
#include "core/prompter.h"
#include "db/engine/db_error.h"
#include "db/inventory_file.h"
#include "db/inventory_names.h"
#include "db/my_table.h"
#include "edit/pick_lists.h"
#include "interchange/safekeeping_steps.h"
#include "settings/settings.h"

#include <QFile>
#include <QFileInfo>

namespace safekeeping {

namespace {

using namespace steps;

QString DirectoryOf(const QString &chosenFile) {
    return QFileInfo(chosenFile).absolutePath();
}

Outcome RestoreDatabase(const QString &chosenFile, Services &s) {
    const QString source = QFileInfo(chosenFile).absoluteFilePath();
    const QString dest =
        resolveCaseInsensitive(s.programDirectory, QFileInfo(chosenFile).fileName());
    // Copying a file onto itself would empty it.
    if (SameFile(source, dest)) {
        Error(s, kIdentical);
        return Outcome::Stopped;
    }
    if (s.searchInForce && s.searchInForce())
        s.hooks.endSearch();
    // The format check of the open command would mend the source's index flag in place; a
    // backup is only read, so it is looked at without writing.
    if (!InspectInventory(source).isInventory) {
        Error(s, kNotAnInventory);
        return Outcome::Stopped;
    }

    MainTableKeeper keeper(s, false);
    // A file of that name that another program holds must not be replaced under it, whether
    // or not it is the current inventory file.
    if (QFileInfo::exists(dest)) {
        if (SameFile(dest, s.table.path()) || SameFile(dest, s.settings.lastDatabase))
            s.table.close();
        if (DBaseInUse(dest)) {
            Error(s, kRestoreInUse);
            return Outcome::Stopped;
        }
    }
    s.table.close();
    if (!CheckedCopy(s, source, dest, kRestoreNoRoom, kRestoreFailed))
        return Outcome::Stopped;
    {
        BusyCursor busy(s);
        // An index beside the destination belonged to the file just replaced: its keys point
        // at records that are not there. The restored file gets its sort index afresh.
        const QString oldIndex = ProductionIndexPath(dest);
        if (QFileInfo::exists(oldIndex))
            QFile::remove(oldIndex);
        RemoveMDXByte(dest);
        if (!s.hooks.openInventoryFile(dest))
            return Outcome::Stopped;
    }
    keeper.finish();
    Notice(s, kRestoreDone);
    return Outcome::Completed;
}

Outcome RestoreLists(const QString &chosenFile, Services &s) {
    const QString from = DirectoryOf(chosenFile);
    int restored = 0;
    // Whatever was copied is read into memory at once, even when a later file fails: the lists
    // in memory are written back to the files, and would undo the restore.
    struct Reload {
        Services &s;
        const int &restored;
        ~Reload() {
            if (restored == 0 || !s.lists)
                return;
            for (const QString &error : s.lists->LoadAllList())
                Error(s, error);
        }
    } reload{s, restored};

    BusyCursor busy(s);
    for (const QString &name : ListFileNames()) {
        const QString source = resolveCaseInsensitive(from, name);
        if (!QFileInfo(source).isFile()) {
            Warning(s, ListMissing(name));
            continue;
        }
        const QString dest = resolveCaseInsensitive(s.programDirectory, name);
        if (SameFile(source, dest)) {
            Error(s, kIdentical);
            return Outcome::Stopped;
        }
        if (!PlaceCopy(source, dest, s.files)) {
            Error(s, kRestoreFailed);
            return Outcome::Stopped;
        }
        ++restored;
    }
    const bool all = restored == ListFileNames().size();
    Notice(s, all ? kListsRestored : kListsIncomplete);
    return all ? Outcome::Completed : Outcome::Incomplete;
}

Outcome RestoreReports(const QString &chosenFile, Services &s) {
    const QString name = QLatin1String(kReportsFileName);
    const QString source = resolveCaseInsensitive(DirectoryOf(chosenFile), name);
    if (!QFileInfo(source).isFile()) {
        Error(s, kReportsMissing);
        return Outcome::Stopped;
    }
    const QString dest = resolveCaseInsensitive(s.programDirectory, name);
    if (SameFile(source, dest)) {
        Error(s, kIdentical);
        return Outcome::Stopped;
    }
    if (!CheckedCopy(s, source, dest, kRestoreNoRoom, kRestoreFailed))
        return Outcome::Stopped;
    if (s.reloadReportList)
        s.reloadReportList();
    Notice(s, kRestoreDone);
    return Outcome::Completed;
}

} // namespace

Outcome Restore(Choice choice, const QString &chosenFile, Services &services) {
    try {
        switch (choice) {
        case Choice::Database:
            return RestoreDatabase(chosenFile, services);
        case Choice::Lists:
            return RestoreLists(chosenFile, services);
        case Choice::Reports:
            return RestoreReports(chosenFile, services);
        }
    } catch (const db::DbError &e) {
        Error(services, QString::fromLocal8Bit(e.what()));
    }
    return Outcome::Stopped;
}

} // namespace safekeeping
