#include "app/batch_commands.h"

#include "app/batch_backup.h"
#include "app/batch_check.h"
#include "app/batch_edit.h"
#include "app/batch_export.h"
#include "app/batch_import.h"
#include "app/batch_prompter.h"
#include "app/batch_report.h"
#include "app/batch_search.h"
#include "db/engine/codepage.h"
#include "db/engine/db_error.h"
#include "db/engine/dbf_table.h"
#include "db/engine/io_util.h"
#include "db/engine/mdx_file.h"
#include "db/inventory_file.h"
#include "db/inventory_generator.h"
#include "db/my_table.h"
#include "db/sort_expression.h"
#include "settings/config_location.h"
#include "settings/settings.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace {

struct Options {
    QString configFile;
    QString dataDir;
    QString order = QStringLiteral("index");
    bool recno = false;
    std::optional<quint64> seed;
    QStringList sets; // --set FIELD=VALUE of add and edit
    bool help = false;
    QStringList positional;
};

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A failure outside the engine that ends the command (exit status 1).
class CommandFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

Options parse(const QStringList &args) {
    Options o;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        auto value = [&](const char *name) {
            if (i + 1 >= args.size())
                throw UsageError(std::string(name) + " needs a value");
            return args[++i];
        };
        bool exportValue = false;
        if (o.positional.value(0) == u"export" && IsBatchExportOption(a, exportValue)) {
            // The export command's own options, some of which other commands spell alike.
            const QString option = a;
            o.positional << option;
            if (exportValue)
                o.positional << value(qPrintable(option));
        } else if (a == u"--config")
            o.configFile = value("--config");
        else if (a == u"--data-dir")
            o.dataDir = value("--data-dir");
        else if (a == u"--order") {
            o.order = value("--order");
            if (o.order != u"physical" && o.order != u"index")
                throw UsageError("--order takes physical or index");
        } else if (a == u"--set")
            o.sets << value("--set");
        else if (a == u"--recno")
            o.recno = true;
        else if (a == u"--seed") {
            bool ok = false;
            o.seed = value("--seed").toULongLong(&ok);
            if (!ok)
                throw UsageError("--seed takes a whole number");
        } else if (a == u"--help" || a == u"-h") {
            o.help = true;
        } else if (IsBatchSafekeepingOption(a)) {
            o.positional << a;
        } else if (IsBatchImportFlag(a)) {
            o.positional << a;
        } else if (IsBatchImportValueOption(a)) {
            const QString option = a;
            o.positional << option << value(qPrintable(option));
        } else if (IsBatchReportOption(a)) {
            const QString option = a;
            o.positional << option << value(qPrintable(option));
        } else if (a.startsWith(u"--") && a != u"--")
            throw UsageError("unknown option " + a.toStdString());
        else
            o.positional << a;
    }
    return o;
}

ConfigLocation locationOf(const Options &o) {
    ConfigLocation location;
    if (!o.configFile.isEmpty())
        location.setConfigFile(o.configFile);
    if (!o.dataDir.isEmpty())
        location.setProgramDirectory(o.dataDir);
    return location;
}

// Settings as the program would have them: from --config, or the user's configuration file.
// A file that exists but cannot be read stops the command: running on defaults would sort,
// format and name things otherwise than the user set up.
Settings loadSettings(const Options &o) {
    const ConfigLocation location = locationOf(o);
    Settings settings(QDir::currentPath());
    if (settings.loadFrom(location.configFile()) == ProfileFile::LoadStatus::Failed)
        throw CommandFailure("the settings file " + location.configFile().toStdString() +
                             " could not be read");
    settings.programDirectory = location.programDirectory();
    return settings;
}

void write(std::FILE *f, const std::string &s) {
    std::fwrite(s.data(), 1, s.size(), f);
}

// One line per record, fields split by '|': a value's own '|', backslash and control
// characters are written as escapes, so neither can split a record or a field.
void appendEscaped(std::string &line, std::string_view utf8) {
    for (char c : utf8) {
        switch (c) {
        case '\n':
            line += "\\n";
            break;
        case '\r':
            line += "\\r";
            break;
        case '\t':
            line += "\\t";
            break;
        case '\\':
            line += "\\\\";
            break;
        case '|':
            line += "\\|";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\x%02X", static_cast<unsigned char>(c));
                line += buf;
            } else {
                line += c;
            }
        }
    }
}

int dump(const QString &path, const Options &o, std::FILE *out, std::FILE *err) {
    MyTable table;
    if (o.order == u"index") {
        // The sort index when the file has one, else physical order.
        table.setIndexName(QString::fromLatin1(kSortIndexTag));
    }
    table.open(path, MyTable::OpenMode::ReadOnly);
    const std::string file = table.path().toStdString();
    const std::string rebuild = "; rebuild it with: stowkeep-batch reindex " + file;
    auto warn = [err](const std::string &text) { write(err, "stowkeep-batch: " + text + "\n"); };
    if (const std::string index = table.backend()->indexProblem(); !index.empty())
        warn(index + rebuild);
    for (const std::string &d : table.backend()->damage())
        warn(d);
    // Every record is read anyway: the index is checked against them first, so a short one
    // cannot drop records from the dump.
    if (!table.indexName().isEmpty() && !table.indexCoversLiveRecords()) {
        warn(file + ": the index " + table.indexName().toStdString() +
             " does not hold every live record; the records follow in physical order" + rebuild);
        table.setIndexName(QString());
    }
    const std::int64_t n = WriteDumpLines(table, o.recno, out);
    if (table.metKeysOfMissingRecords())
        warn(file + ": the index names records the table does not hold; they were passed over");
    return static_cast<int>(n < 0);
}

} // namespace

std::int64_t WriteDumpLines(MyTable &table, bool recno, std::FILE *out) {
    const auto &fields = table.layout().fields();
    const db::CodePage &page = db::CodePage::get(table.backend()->codePage());
    std::string buffer;
    buffer.reserve(1 << 20);
    std::string line;
    std::int64_t count = 0;
    MyTable::Scanner scan = table.scanner();
    while (scan.next()) {
        ++count;
        line.clear();
        if (recno) {
            line += std::to_string(scan.bookmark());
            line += '|';
        }
        const RecordView view = scan.view();
        bool firstField = true;
        for (std::size_t i = 0; i < fields.size(); ++i) {
            const db::FieldDef &f = fields[i];
            if (f.type == '0')
                continue; // Visual FoxPro's _NullFlags: bookkeeping, applied to the fields
            if (!firstField)
                line += '|';
            firstField = false;
            const std::string_view raw = view.raw(static_cast<int>(i));
            switch (f.type) {
            case 'C': {
                std::size_t e = raw.size();
                while (e > 0 && (raw[e - 1] == ' ' || raw[e - 1] == '\0'))
                    --e;
                appendEscaped(line, page.toUtf8(raw.substr(0, e)));
                break;
            }
            case 'L': {
                const QString t = view.text(static_cast<int>(i));
                line += t.toStdString();
                break;
            }
            default:
                appendEscaped(line, page.toUtf8(table.backend()->fieldText(view.buffer(),
                                                                           static_cast<int>(i))));
            }
        }
        line += '\n';
        buffer += line;
        if (buffer.size() > (1 << 20) - 4096) {
            write(out, buffer);
            buffer.clear();
        }
    }
    write(out, buffer);
    return count;
}

namespace {

// The index lines of info; an index that cannot be read is told there, after the table's
// own lines, which stay worth having.
std::string productionIndexInfo(const InventoryNames &names, const db::DbfTable &t) {
    if (!QFileInfo::exists(names.mdxPath))
        return "production index: none\n";
    std::unique_ptr<db::MdxFile> mdx;
    try {
        mdx = db::MdxFile::open(names.mdxPath.toStdString(), t.fields(), t.header().languageDriver,
                                db::MdxFile::Access::ReadOnly);
    } catch (const db::DbError &e) {
        return std::string("production index: cannot be read: ") + e.what() + "\n";
    }
    std::string s = "production index: " + names.mdxPath.toStdString() + " (" +
                    std::to_string(mdx->tagCount()) + " tags)\n";
    for (const db::MdxTagInfo &tag : mdx->tags())
        s += "  " + tag.name + " " + tag.keyType + "(" + std::to_string(tag.keyLength) + ") " +
             tag.expression + "\n";
    return s;
}

int info(const QString &path, std::FILE *out) {
    const InventoryNames names = InventoryNamesOf(path);
    db::DbfTable t(names.path.toStdString(), db::OpenMode::ReadOnly);
    std::uint32_t deleted = 0;
    for (std::uint32_t r = 1; r <= t.recordCount(); ++r)
        deleted += db::DbfTable::isDeleted(t.record(r));
    char buf[256];
    std::string s;
    s += "file: " + names.path.toStdString() + "\n";
    s += "table name: " + names.tableName.toStdString() + "\n";
    std::snprintf(buf, sizeof buf, "version: 0x%02X\n", t.version());
    s += buf;
    std::snprintf(buf, sizeof buf, "last update: %04d-%02d-%02d\n", t.header().year,
                  t.header().month, t.header().day);
    s += buf;
    s += "records: " + std::to_string(t.recordCount()) + " (" +
         std::to_string(t.recordCount() - deleted) + " live, " + std::to_string(deleted) +
         " deleted)\n";
    s += "header length: " + std::to_string(t.header().headerLength) +
         ", record length: " + std::to_string(t.recordLength()) + "\n";
    s += std::string("production index flag: ") + (t.productionIndexFlag() ? "1" : "0") + "\n";
    std::snprintf(buf, sizeof buf, "language driver: 0x%02X (code page %d)\n",
                  t.header().languageDriver, t.codePage().number());
    s += buf;
    s += "fields: " + std::to_string(t.fieldCount()) + "\n";
    for (int i = 0; i < t.fieldCount(); ++i) {
        const db::FieldDef &f = t.field(i);
        std::snprintf(buf, sizeof buf, "  %2d %-10s %c(%d,%d)\n", i + 1, f.name.c_str(), f.type,
                      f.length, f.decimals);
        s += buf;
    }
    s += productionIndexInfo(names, t);
    write(out, s);
    return 0;
}

int generate(const QString &path, quint64 count, quint64 seed, const Settings &settings,
             BatchPrompter &prompter, std::FILE *out) {
    if (!MakeNewDB(path, prompter))
        return 1;
    {
        MyTable table;
        table.open(path, MyTable::OpenMode::Exclusive);
        dataset::TableBackend &backend = *table.backend();
        const auto fields = backend.fields();
        if (fields.size() != static_cast<std::size_t>(kFieldCount))
            throw db::DbError("the new table does not have the inventory fields");
        std::string record(static_cast<std::size_t>(backend.recordLength()), ' ');
        GenerateInventory(count, seed, [&](const InventoryRecord &r) {
            for (std::size_t i = 0; i < fields.size(); ++i)
                StoreGeneratedField(fields[i], r[i], record.data());
            (void)backend.append(record.data());
        });
    }
    MyTable table;
    RebuildSortIndex(table, path, QString::fromStdString(BuildSortString(settings.sortLevels)));
    write(out, "generated " + std::to_string(count) + " records in " +
                   QFileInfo(path).absoluteFilePath().toStdString() + "\n");
    return 0;
}

int run(const Options &o, const search::LevelOptions &searchLevels, std::FILE *out,
        std::FILE *err) {
    if (o.positional.isEmpty())
        throw UsageError("no command given");
    const QString command = o.positional[0];
    // Only commands with a row in the help table run, so none goes undocumented.
    if (!FindBatchCommand(command))
        throw UsageError("unknown command " + command.toStdString());
    const QStringList rest = o.positional.mid(1);
    auto needFile = [&](qsizetype extra) {
        if (rest.size() < 1 + extra)
            throw UsageError(command.toStdString() + " needs a file");
        return rest[0];
    };
    QString messages;
    QTextStream messageStream(&messages);
    BatchPrompter prompter(messageStream);
    auto flushMessages = [&] {
        messageStream.flush();
        if (!messages.isEmpty())
            write(err, messages.toStdString());
        messages.clear();
    };
    auto failed = [&](const char *what) {
        flushMessages();
        write(err, std::string("stowkeep-batch: ") + what + "\n");
        return 1;
    };
    int status = 0;
    try {
        const Settings settings = loadSettings(o);
        if (command == u"create") {
            const QString file = needFile(0);
            if (!MakeNewDB(file, prompter)) {
                status = 1;
            } else {
                MyTable table;
                RebuildSortIndex(table, file,
                                 QString::fromStdString(BuildSortString(settings.sortLevels)));
                write(out, "created " + QFileInfo(file).absoluteFilePath().toStdString() + "\n");
            }
        } else if (command == u"check") {
            status = BatchCheck(needFile(0), prompter, out);
        } else if (command == u"info") {
            status = info(needFile(0), out);
        } else if (command == u"dump") {
            status = dump(needFile(0), o, out, err);
        } else if (command == u"reindex") {
            status = BatchReindex(
                needFile(0), QString::fromStdString(BuildSortString(settings.sortLevels)), out);
        } else if (command == u"pack") {
            MyTable table;
            table.open(needFile(0), MyTable::OpenMode::Exclusive);
            table.pack();
            write(out, "packed: " + std::to_string(table.recordCount()) + " records\n");
        } else if (command == u"sort") {
            const QString file = needFile(1);
            std::array<int, 4> levels{0, 0, 0, 0};
            if (rest.size() > 5)
                throw UsageError("sort takes at most four levels");
            for (qsizetype i = 1; i < rest.size(); ++i) {
                bool ok = false;
                const int level = rest[i].toInt(&ok);
                if (!ok || level < 0 || level > kFieldCount)
                    throw UsageError("a sort level is a field number 0 to 22");
                levels[static_cast<std::size_t>(i - 1)] = level;
            }
            const std::string expression = BuildSortString(levels);
            MyTable table;
            RebuildSortIndex(table, file, QString::fromStdString(expression));
            write(out,
                  "sort index: " +
                      (expression.empty() ? std::string("none (physical order)") : expression) +
                      "\n");
        } else if (command == u"search") {
            status = batch::Search(needFile(0), searchLevels.levels, settings, prompter, out, err);
        } else if (command == u"replace") {
            const QString file = needFile(3);
            status = batch::Replace(file, rest[1], rest[2], rest[3], settings, prompter, out);
        } else if (command == u"generate") {
            const QString file = needFile(1);
            bool ok = false;
            const quint64 count = rest[1].toULongLong(&ok);
            if (!ok)
                throw UsageError("generate needs a record count");
            status = generate(file, count, o.seed.value_or(1), settings, prompter, out);
        } else if (command == u"report") {
            try {
                status = BatchReport(rest, searchLevels.levels, settings, prompter, out, err);
            } catch (const std::invalid_argument &e) {
                throw UsageError(e.what());
            }
        } else if (command == u"backup" || command == u"restore") {
            try {
                status = command == u"backup"
                             ? BatchBackup(rest, settings, prompter)
                             : BatchRestore(rest, settings, prompter, [&](const Settings &s) {
                                   const QString file = locationOf(o).configFile();
                                   if (s.saveTo(file))
                                       return true;
                                   prompter.error(QStringLiteral("The settings could not be "
                                                                 "saved to %1.")
                                                      .arg(file));
                                   return false;
                               });
            } catch (const std::invalid_argument &e) {
                throw UsageError(e.what());
            }
        } else if (command == u"export") {
            try {
                status = BatchExport(rest, searchLevels.levels, settings, prompter, out);
            } catch (const std::invalid_argument &e) {
                throw UsageError(e.what());
            }
        } else if (command == u"import") {
            (void)needFile(1);
            flushMessages();
            status = RunBatchImport(rest, settings, prompter, out, err);
        } else if (command == u"add" || command == u"edit") {
            (void)needFile(command == u"edit" ? 1 : 0);
            flushMessages();
            status = RunBatchEdit(command, rest, o.sets, settings, prompter, out, err);
        } else {
            throw UsageError("unknown command " + command.toStdString());
        }
    } catch (const db::DbError &e) {
        return failed(e.what());
    } catch (const CommandFailure &e) {
        return failed(e.what());
    }
    flushMessages();
    return status;
}

} // namespace

int RunBatch(const QStringList &arguments, std::FILE *out, std::FILE *err) {
    try {
        QStringList args = arguments;
        const search::LevelOptions searchLevels = search::TakeLevelOptions(args);
        if (!searchLevels.error.isEmpty())
            throw UsageError(searchLevels.error.toStdString());
        const Options o = parse(args);
        int status = 0;
        if (!o.help) {
            status = run(o, searchLevels, out, err);
        } else if (o.positional.isEmpty()) {
            write(out, BatchUsage().toStdString());
        } else {
            const BatchCommandHelp *command = FindBatchCommand(o.positional[0]);
            if (!command)
                throw UsageError("unknown command " + o.positional[0].toStdString());
            write(out, BatchCommandUsage(*command).toStdString());
        }
        // A full disk or a closed pipe must not pass for success.
        if (std::fflush(out) != 0 || std::ferror(out)) {
            write(err,
                  "stowkeep-batch: the output could not be written: " + db::errnoText() + "\n");
            return 1;
        }
        return status;
    } catch (const UsageError &e) {
        write(err,
              std::string("stowkeep-batch: ") + e.what() + "\n\n" + BatchUsage().toStdString());
        return 2;
    }
}
