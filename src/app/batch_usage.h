#pragma once

#include <QString>
#include <QStringView>

#include <span>

// The help texts of stowkeep-batch. Every command is one row of one table: the --help
// texts are made from it, the shell completion reads them back, and a test holds the manual
// page (data/man/stowkeep-batch.1) to the same commands and synopses. A new command is a new
// row here and a new section there.
struct BatchCommandHelp {
    const char *name;
    // The arguments after the name, options included ("FILE [--order physical|index]").
    // Placeholders are upper case; an option's choices are written "a|b".
    const char *synopsis;
    // What the command does, a phrase in lower case; wrapped when printed.
    const char *description;
};

// The options every command takes.
struct BatchOptionHelp {
    const char *option; // with its value ("--config FILE")
    const char *description;
};

[[nodiscard]] std::span<const BatchCommandHelp> BatchCommands();
[[nodiscard]] std::span<const BatchOptionHelp> BatchOptions();
// The row of a command; nothing for an unknown name.
[[nodiscard]] const BatchCommandHelp *FindBatchCommand(QStringView name);

// The text for --help and for a wrong command line: every command and option.
[[nodiscard]] QString BatchUsage();
// The text for COMMAND --help: its synopsis, what it does, and the options.
[[nodiscard]] QString BatchCommandUsage(const BatchCommandHelp &command);
