#pragma once

#include <QString>

// How an inventory file's path splits into the names the program uses for it.
//
// The table name is the file name up to (not including) the first full stop: it names the
// inventory in the main window's caption. The file that is opened is always the chosen
// path itself, and its production index is that path with its last extension replaced by
// ".MDX" — so "HOME.2024.DBF" is shown as "HOME" but never confused with a "HOME.DBF" lying
// beside it.
struct InventoryNames {
    QString path;         // fully expanded, absolute
    QString databaseName; // directory part of `path`, with its trailing '/'
    QString tableName;    // file name up to the first full stop
    QString mdxPath;      // the production index file that belongs to `path`
};

[[nodiscard]] InventoryNames InventoryNamesOf(const QString &path);

// The production index file of a table, found case-insensitively beside it when one exists
// (files come from systems where case does not matter); otherwise the name a new index
// gets, its extension in the case of the table's own.
[[nodiscard]] QString ProductionIndexPath(const QString &dbfPath);
