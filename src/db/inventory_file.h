#pragma once

#include "db/inventory_names.h"

#include <QString>
#include <QStringList>

#include <optional>

class MyTable;
class Prompter;

// The inventory file: creating one, recognising one, testing whether another program holds
// it, surviving a missing production index, and the steps that open it as the current
// inventory file. Messages go through the prompter with the program's exact texts.
//
// Engine errors these operations do not name (damaged file, no access, disk full) are not
// caught here: they reach the caller as db::DbError with the engine's text.

// The name of the sort index, the only tag the program makes.
inline constexpr const char *kSortIndexTag = "NewIndex";

// The main window caption for an inventory: "Stowkeep Inventory 95 (" + table name + ")".
[[nodiscard]] QString InventoryCaption(const QString &tableName);

// Creates an empty inventory file with the 22 catalogue fields and no index tags. A file of
// that path that no one else holds is replaced, and its old production index removed (its
// keys would point at records that are gone). A file held by another program is refused
// with the "Error" box; returns whether the file exists afterwards.
[[nodiscard]] bool MakeNewDB(const QString &path, Prompter &prompter);

// True when the file is an inventory file of this program: exactly 22 fields named as the
// catalogue keys in catalogue order, compared ignoring case (types and widths are not
// compared). Otherwise shows the "Error" box and returns false. Only a file that passes has
// a missing production index repaired (RemoveMDXByte): another file is never written to.
[[nodiscard]] bool CheckDBaseFormat(const QString &path, Prompter &prompter);

// The message of the format check when a file is not an inventory file.
extern const QString kNotAnInventory;

// What a check of an inventory file finds, reading it without writing a byte (the batch
// `check`; the program's own open repairs what it can instead, see CheckDBaseFormat).
struct InventoryCheck {
    bool isInventory = false; // the 22 catalogue fields (as CheckDBaseFormat tests)
    QStringList faults;       // each a sentence; none when the file is sound
    QStringList repairs;      // what RepairInventory (`reindex`) would do about them
};

// Looks at the table and its production index: a count that claims more records than the
// file holds, an index flag without its index, an index left half-changed or unreadable, and
// every tag checked against the records (keys in order, one key per live record, each that
// record's). Throws db::DbError when the file is not a table that can be read.
[[nodiscard]] InventoryCheck InspectInventory(const QString &path);

// Repairs what InspectInventory reports and rebuilds the production index (exclusive use):
// a missing or unreadable index is made anew with the sort index on `sortExpression`, as the
// program's open would; a count that claims too much is mended. Leaves `table` closed.
void RepairInventory(MyTable &table, const QString &path, const QString &sortExpression);

// True when the file cannot be opened for exclusive use (held elsewhere, or not there).
[[nodiscard]] bool DBaseInUse(const QString &path);

// Clears header byte 28, the flag that says a production index belongs to the table, so
// the table opens without it. Does nothing, silently, when the file cannot be opened or is
// not a dBASE table whose flag is set; it never extends a file.
void RemoveMDXByte(const QString &path);

// The sort index steps on a table no one else holds: select no index, delete the tag
// "NewIndex" when the production index exists, then add "NewIndex" with the expression.
// An empty expression (all sort levels 0) adds no tag: the table is then used in physical
// order. Leaves `table` closed with the index to select on its next open chosen
// ("NewIndex", or none for an empty expression). Opens the file exclusively while it works.
void RebuildSortIndex(MyTable &table, const QString &path, const QString &sortExpression);

// How an inventory file is being opened.
enum class OpenPath {
    Open,    // the open and recent-file commands: format check first; sort index rebuilt
             // only when no other program holds the file
    NewFile, // a file just made with MakeNewDB: no check, sort index always built
    StartUp, // start-up: format check; an existing "NewIndex" is trusted, not rebuilt
};

// True when the program can change the file: the file opens for writing and its folder
// takes new files (the index, pack and a new sort order are written beside the file and
// renamed into place).
[[nodiscard]] bool InventoryWritable(const QString &path);

// Opens `path` as the current inventory file in `table` (closed first) in shared use, with
// the sort index selected. A production index that did not fit the table is rebuilt by the
// sort index steps; where they are skipped, what the engine did about it is shown. A file the
// program cannot change (InventoryWritable) is opened read-only instead, for browsing, in the
// order of the "NewIndex" it holds or else in physical order: its index cannot be rebuilt.
// Returns the names of the file, or nothing when the format check failed (its message was
// shown and `table` was not touched). The caller ends a search in force before, and applies
// the viewer settings, the recent files and the record count after.
[[nodiscard]] std::optional<InventoryNames> OpenInventory(MyTable &table, const QString &path,
                                                          const QString &sortExpression,
                                                          OpenPath how, Prompter &prompter);
