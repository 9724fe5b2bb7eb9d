#pragma once

#include <QString>
#include <QStringList>

#include <cstdio>

class Prompter;
struct Settings;

// The batch tool's record commands, through the record editor's own update:
//   add FILE --set FIELD=VALUE ...        a new record, starting as the editor's New Record
//   edit FILE RECNO --set FIELD=VALUE ... record RECNO, starting as the editor shows it
// FIELD is a field key of the inventory file (any case), VALUE as it would be typed into
// the editor (dates in the date format of the settings, amounts in the currency format,
// the quantity in the numeric format, Warranty Yes or No). The editor's checks and
// messages apply; nothing is written when one fails. The pick lists of the program
// directory grow as they do from the window. Returns the exit status (0, 1 failed, 2 the
// command line was wrong).
int RunBatchEdit(const QString &command, const QStringList &arguments, const QStringList &sets,
                 const Settings &settings, Prompter &prompter, std::FILE *out, std::FILE *err);
