#pragma once

#include "interchange/safe_copy.h"

#include <QString>
#include <QStringList>

#include <functional>

class MainHooks;
class MyTable;
class Prompter;
struct Settings;
namespace picklists {
class PickLists;
}

// Backup copies one kind of the program's data files to a directory; restore copies one kind
// back into the program directory and puts it to use at once. Both tell the user everything
// through the prompter with the program's exact texts; the windows and the batch tool only
// choose what and where.
namespace safekeeping {

// What is copied: the inventory file (its .DBF alone, not its production index), the five
// pick-list files, or the report definition file.
enum class Choice { Database, Lists, Reports };

// How an operation ended. Incomplete: a restore of lists that did not find every file; it
// still put what it found to use.
enum class Outcome { Completed, Incomplete, Stopped };

inline const QString kIdentical = QStringLiteral(
    "Destination File and Source File are identical.  You cannot copy a file  over top of "
    "itself.  Please choose a different directory to backup to.");
inline const QString kBackupInUse = QStringLiteral(
    "Backing up the database requires exclusive use of the DBase File.  Make sure that the DBase "
    "File is not in use by another program  or that no other users are running the software or "
    "that no other copies of the software are in use.");
inline const QString kBackupNoRoom = QStringLiteral(
    "There is not enough room on the destination drive to perform a backup.  If you are already "
    "using blank empty media, then you will need to use the ASCII Delimited Import/Export "
    "functions for backup and restore purposes.");
inline const QString kReportsBackupNoRoom = QStringLiteral(
    "There is not enough room on the destination drive to backup this file.  You will need to "
    "free up space on the destination drive or use an alternative method to backup the "
    "\"STOWKP.URP\" file.");
inline const QString kBackupFailed =
    QStringLiteral("An error occurred during backup.  Backup not completed.");
inline const QString kBackupDone = QStringLiteral("Backup completed successfully.");
inline const QString kRestoreInUse =
    QStringLiteral("Unable to restore the database.  Make sure the database is not in use by any "
                   "other users or by another copy of the software.");
inline const QString kRestoreNoRoom = QStringLiteral(
    "There is not enough room on the destination drive to perform a restore.  You will need to "
    "free up hard drive space before completing the restore.");
inline const QString kRestoreFailed =
    QStringLiteral("An error occurred during restore.  Restore not completed.");
inline const QString kRestoreDone = QStringLiteral("Restore completed successfully.");
inline const QString kListsRestored = QStringLiteral("ALL proper LST files restored successfully.");
inline const QString kListsIncomplete = QStringLiteral(
    "One or more files were not restored.  Restore may not have completed successfully.");
inline const QString kReportsMissing =
    QStringLiteral("The Report Definitions file \"STOWKP.URP\" could not be  located on the "
                   "specified source drive.");
// The warning for a list file the source directory lacks.
[[nodiscard]] QString ListMissing(const QString &fileName);

// The five pick-list files, in the order they are copied.
[[nodiscard]] QStringList ListFileNames();
inline constexpr const char *kReportsFileName = "STOWKP.URP";

// What backup and restore work with: the main window's data set over the current inventory
// file, the settings (`lastDatabase` names that file), the prompter and the main window.
struct Services {
    MyTable &table;
    Settings &settings;
    Prompter &prompter;
    MainHooks &hooks;
    QString programDirectory{};
    // Whether a search is in force; none: never.
    std::function<bool()> searchInForce{};
    // The lists in memory: written before a backup of the lists, read again after a restore.
    // None where there are no lists in memory (the batch tool).
    picklists::PickLists *lists = nullptr;
    // Reads the list of report definitions again after a restore of their file.
    std::function<void()> reloadReportList{};
    // The hourglass cursor on (true) and off again.
    std::function<void(bool)> busy{};
    FileOps files = RealFileOps();
};

// Copies the chosen kind of files into `directory`. The main table is closed while the
// inventory file is copied and open again, with the search that was in force, afterwards.
Outcome Backup(Choice choice, const QString &directory, Services &services);

// Restores from `chosenFile`: the inventory file of that name into the program directory, which
// then becomes the current inventory file; or the list files, or STOWKP.URP, that lie in the
// chosen file's directory (whatever file of it was chosen).
Outcome Restore(Choice choice, const QString &chosenFile, Services &services);

} // namespace safekeeping
