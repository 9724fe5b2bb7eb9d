#pragma once

#include <QString>
#include <QStringList>

#include <cstdio>
#include <functional>

class Prompter;
struct Settings;

// stowkeep-batch backup (--dbf FILE | --lists | --reports) DIR
// stowkeep-batch restore (--dbf | --lists | --reports) SOURCE
// The backup and restore of the program's windows, with their checks and messages (on the
// error stream): the inventory file FILE, the pick lists or the report definitions of the
// program directory copied into DIR; or restored into the program directory from SOURCE (the
// inventory file itself; for lists and definitions a file in their directory, or the
// directory). A restored inventory file gets its sort index and becomes the settings' last
// database.

// The options that choose what is copied; they take no value of their own.
[[nodiscard]] bool IsBatchSafekeepingOption(const QString &argument);

// `arguments`: what follows the command name. Returns the exit status: 0 done, 1 stopped or
// (restore of lists) not every file found. Throws std::invalid_argument for a wrong command
// line. `saveSettings` writes the settings after a restore made another inventory current.
int BatchBackup(const QStringList &arguments, const Settings &settings, Prompter &prompter);
int BatchRestore(const QStringList &arguments, const Settings &settings, Prompter &prompter,
                 const std::function<bool(const Settings &)> &saveSettings);
