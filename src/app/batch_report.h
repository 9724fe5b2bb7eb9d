#pragma once

#include "search/level_options.h"

#include <QString>
#include <QStringList>

#include <cstdio>

class Prompter;
struct Settings;

// stowkeep-batch report FILE (--index N | --name NAME) (--text OUT | --pdf OUT | --printer NAME)
//                       [--paper SIZE] [--level KEY:TEXT ... as in search]
// Produces a report definition of STOWKP.URP over the inventory FILE, in the sort order and
// with the display names, regional formats and insurance settings of the configuration, as
// the report window would: into a text file, a PDF file, or on a printer.

// Options of the report command that take a value (the command line parser keeps them with
// the command's arguments).
[[nodiscard]] bool IsBatchReportOption(const QString &argument);

// Whether the command line runs a command that draws pages, and so needs a QGuiApplication
// (fonts and painting) rather than a QCoreApplication.
[[nodiscard]] bool BatchNeedsGui(int argc, char **argv);

// `arguments`: FILE and the report options; `levels` a search the records must match (none:
// every record). Returns the exit status; throws
// std::invalid_argument for a wrong command line.
int BatchReport(const QStringList &arguments, const std::vector<search::LevelSpec> &levels,
                const Settings &settings, Prompter &prompter, std::FILE *out, std::FILE *err);
