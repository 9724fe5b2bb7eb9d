#include "app/batch_usage.h"

#include <QStringList>

#include <array>

namespace {

// In the order --help lists them. A new command: its row here, its branch in run() in
// batch_commands.cpp, its section in data/man/stowkeep-batch.1.
constexpr std::array kCommands{
    BatchCommandHelp{"create", "FILE", "make an empty inventory file with its sort index"},
    BatchCommandHelp{"check", "FILE",
                     "tell whether FILE is a sound inventory file, changing nothing; its faults "
                     "and index faults are listed with the repair reindex would make (exit 3)"},
    BatchCommandHelp{"info", "FILE", "header, fields and index tags of a table"},
    BatchCommandHelp{"dump", "FILE [--order physical|index] [--recno]",
                     "one line per live record, fields separated by | (index order: the sort "
                     "index \"NewIndex\"; --recno puts the record number first)"},
    BatchCommandHelp{"reindex", "FILE",
                     "repair what check finds and rebuild the production index (a missing one "
                     "is made anew with the sort index of the settings)"},
    BatchCommandHelp{"pack", "FILE", "remove deleted records for good"},
    BatchCommandHelp{
        "sort", "FILE LEVEL1 [LEVEL2 ...]",
        "rebuild \"NewIndex\" from up to four field numbers 1 to 22 (0 skips a level)"},
    BatchCommandHelp{"generate", "FILE N [--seed S]",
                     "make FILE with N synthetic inventory records"},
    BatchCommandHelp{"search", "FILE --level KEY:TEXT [KEY:TEXT ...] [--level ...]",
                     "the records matching any level (all of its criteria), in sort order as "
                     "dump --recno prints them; the count on standard error. TEXT as the "
                     "search grid takes it: text to contain, or \"= 12\", \"> 100\", "
                     "\"< 12/31/1995\", \"> 100 AND < 500\""},
    BatchCommandHelp{"replace", "FILE FIELD SEARCH REPLACEMENT",
                     "global search and replace of a field (key or number): whole values, any "
                     "letter case; prints processed, found and changed"},
    BatchCommandHelp{"report",
                     "FILE (--index N|--name NAME) (--text FILE|--pdf FILE|--printer NAME)",
                     "produce report N of STOWKP.URP (0 the first) or the one named NAME over "
                     "FILE, in the settings' sort order, display names, formats and insurance "
                     "details, into a text file, a PDF file or on a printer; --paper SIZE "
                     "(Letter, Legal, A4, A3, A5, Executive, Tabloid) sets the paper of text "
                     "and PDF output; --level as in search prints only the matching records"},
    BatchCommandHelp{"backup", "(--dbf FILE|--lists|--reports) DIR",
                     "copy the inventory file FILE (not its index), the five pick-list files or "
                     "the report definitions STOWKP.URP of the program directory into DIR, as "
                     "Back Up Data does: refused into their own directory, while another "
                     "program holds FILE, or when DIR lacks the room"},
    BatchCommandHelp{"restore", "(--dbf|--lists|--reports) SOURCE",
                     "copy the inventory file SOURCE, or the pick-list files or STOWKP.URP of "
                     "the directory SOURCE (or of the file SOURCE names), into the program "
                     "directory, as Restore Data does; a restored inventory file gets its sort "
                     "index and becomes the last database of the settings"},
    BatchCommandHelp{"export", "FILE OUT (--text|--dbf) [--fields KEY,KEY,...] [--no-titles]",
                     "write the records of FILE in its sort order to OUT as the Export window "
                     "does: ASCII delimited text, every field quoted, with a first line of field "
                     "titles unless --no-titles, or a dBASE table; the fields listed by key, or "
                     "else the export fields and order of the settings; --level as in search "
                     "exports only the matching records"},
    BatchCommandHelp{"add", "FILE --set FIELD=VALUE ...",
                     "add a record as the Edit window stores it: FIELD a field key, VALUE as "
                     "typed there; the Edit window's checks and messages apply"},
    BatchCommandHelp{"edit", "FILE RECNO --set FIELD=VALUE ...",
                     "change record RECNO as the Edit window does"},
    BatchCommandHelp{"import",
                     "FILE IN (--text|--dbf) [--map IMPORTNAME=KEY,...] [--no-skip-first]",
                     "add the records of IN, an ASCII delimited text file whose first line "
                     "names its fields or a dBASE table, to FILE as the Import window does: "
                     "the import fields fill the fields in their order, or with --map only the "
                     "named ones each the field KEY; the first text line is not imported "
                     "unless --no-skip-first"},
};

constexpr std::array kOptions{
    BatchOptionHelp{"--config FILE", "the settings file (default: the program's STOWKP.INI)"},
    BatchOptionHelp{"--data-dir DIR", "the program directory (default: ~/.local/share/stowkeep)"},
    BatchOptionHelp{"--help, -h", "this text, or after a command that command's usage"},
};

constexpr qsizetype kCommandColumn = 31;
constexpr qsizetype kOptionColumn = 18;
constexpr qsizetype kWidth = 79;
const QString kProgramLine =
    QStringLiteral("usage: stowkeep-batch [--config FILE] [--data-dir DIR] ");

// Words of `text` in lines that end before kWidth, each line indented to `indent`.
QString wrapped(const QString &text, qsizetype indent) {
    QString out;
    qsizetype column = indent;
    bool first = true;
    for (const QString &word : text.split(u' ', Qt::SkipEmptyParts)) {
        if (!first && column + 1 + word.size() > kWidth) {
            out += u'\n' + QString(indent, u' ');
            column = indent;
            first = true;
        }
        if (!first) {
            out += u' ';
            ++column;
        }
        out += word;
        column += word.size();
        first = false;
    }
    return out;
}

// "  left   description", the description at `column`, or on the next line when the left
// part reaches it.
QString row(const QString &left, const char *description, qsizetype column) {
    QString line = QStringLiteral("  ") + left;
    if (line.size() + 1 > column)
        line += u'\n' + QString(column, u' ');
    else
        line += QString(column - line.size(), u' ');
    return line + wrapped(QString::fromUtf8(description), column) + u'\n';
}

// A table phrase as a sentence of its own: capital first letter, full stop at the end.
QString sentence(const char *phrase) {
    QString text = QString::fromUtf8(phrase);
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    if (!text.endsWith(u'.'))
        text += u'.';
    return text;
}

QString optionsAndStatus() {
    QString text = QStringLiteral("options:\n");
    for (const BatchOptionHelp &option : kOptions)
        text += row(QString::fromUtf8(option.option), option.description, kOptionColumn);
    text += QStringLiteral("\nexit status: 0 success, 1 the operation failed, 2 the command line "
                           "was wrong\n");
    return text;
}

} // namespace

std::span<const BatchCommandHelp> BatchCommands() {
    return kCommands;
}

std::span<const BatchOptionHelp> BatchOptions() {
    return kOptions;
}

const BatchCommandHelp *FindBatchCommand(QStringView name) {
    for (const BatchCommandHelp &command : kCommands) {
        if (name == QLatin1StringView(command.name))
            return &command;
    }
    return nullptr;
}

QString BatchUsage() {
    QString text = kProgramLine + QStringLiteral("COMMAND ...\n") +
                   QStringLiteral("       stowkeep-batch [COMMAND] --help\n\ncommands:\n");
    for (const BatchCommandHelp &command : kCommands) {
        text += row(QString::fromUtf8(command.name) + u' ' + QString::fromUtf8(command.synopsis),
                    command.description, kCommandColumn);
    }
    return text + u'\n' + optionsAndStatus();
}

QString BatchCommandUsage(const BatchCommandHelp &command) {
    return kProgramLine + QString::fromUtf8(command.name) + u' ' +
           QString::fromUtf8(command.synopsis) + QStringLiteral("\n\n") +
           wrapped(sentence(command.description), 0) + QStringLiteral("\n\n") + optionsAndStatus();
}
