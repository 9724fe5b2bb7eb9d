#include "app/batch_backup.h"

#include "app/batch_search.h"
#include "app/main_commands.h"
#include "core/prompter.h"
#include "db/inventory_file.h"
#include "db/my_table.h"
#include "db/sort_expression.h"
#include "interchange/safekeeping.h"
#include "settings/settings.h"

#include <QFileInfo>

#include <stdexcept>

namespace {

using safekeeping::Choice;

struct Request {
    Choice choice = Choice::Database;
    QString file;  // backup --dbf FILE
    QString place; // DIR, or SOURCE
};

Request Parse(const QStringList &arguments, bool backup) {
    const char *usage = backup ? "backup takes (--dbf FILE | --lists | --reports) DIR"
                               : "restore takes (--dbf | --lists | --reports) SOURCE";
    Request request;
    QStringList rest;
    int chosen = 0;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &a = arguments[i];
        if (a == u"--dbf") {
            request.choice = Choice::Database;
            if (backup) {
                if (i + 1 >= arguments.size())
                    throw std::invalid_argument(usage);
                request.file = arguments[++i];
            }
            ++chosen;
        } else if (a == u"--lists") {
            request.choice = Choice::Lists;
            ++chosen;
        } else if (a == u"--reports") {
            request.choice = Choice::Reports;
            ++chosen;
        } else {
            rest << a;
        }
    }
    if (chosen != 1 || rest.size() != 1)
        throw std::invalid_argument(usage);
    request.place = rest.front();
    return request;
}

int Status(safekeeping::Outcome outcome) {
    return outcome == safekeeping::Outcome::Completed ? 0 : 1;
}

// What the main window does after a restore of an inventory file, without a window: the sort
// index of the settings, the file recorded as the last database.
class RestoreHooks : public batch::WindowlessHooks {
public:
    RestoreHooks(MyTable &table, Settings &settings, const QString &previous,
                 const std::function<bool(const Settings &)> &save)
        : WindowlessHooks(QString::fromStdString(BuildSortString(settings.sortLevels))),
          m_table(table), m_settings(settings), m_previous(previous), m_save(save) {}

    bool openInventoryFile(const QString &path) override {
        RebuildSortIndex(m_table, path, sortExpression());
        m_table.open(path, MyTable::OpenMode::Shared);
        if (m_previous != path)
            m_settings.lastFiles = mainwin::DoLastFiles(m_settings.lastFiles, m_previous, path);
        m_settings.lastDatabase = path;
        return m_save(m_settings);
    }

private:
    MyTable &m_table;
    Settings &m_settings;
    QString m_previous; // the last database before the restore
    const std::function<bool(const Settings &)> &m_save;
};

} // namespace

bool IsBatchSafekeepingOption(const QString &argument) {
    return argument == u"--dbf" || argument == u"--lists" || argument == u"--reports";
}

int BatchBackup(const QStringList &arguments, const Settings &settings, Prompter &prompter) {
    const Request request = Parse(arguments, true);
    Settings working = settings;
    if (request.choice == Choice::Database) {
        if (!QFileInfo(request.file).isFile()) {
            prompter.error(
                QStringLiteral("The inventory file %1 does not exist.").arg(request.file));
            return 1;
        }
        working.lastDatabase = QFileInfo(request.file).absoluteFilePath();
    }
    if (!QFileInfo(request.place).isDir()) {
        prompter.error(QStringLiteral("The directory %1 does not exist.").arg(request.place));
        return 1;
    }
    MyTable table;
    batch::WindowlessHooks hooks{QString()};
    safekeeping::Services services{.table = table,
                                   .settings = working,
                                   .prompter = prompter,
                                   .hooks = hooks,
                                   .programDirectory = settings.programDirectory};
    return Status(safekeeping::Backup(request.choice, request.place, services));
}

int BatchRestore(const QStringList &arguments, const Settings &settings, Prompter &prompter,
                 const std::function<bool(const Settings &)> &saveSettings) {
    const Request request = Parse(arguments, false);
    QString chosen = request.place;
    // A directory stands for any file in it: lists and definitions are found by their names.
    if (request.choice != Choice::Database && QFileInfo(chosen).isDir())
        chosen += u'/' + QLatin1String(safekeeping::kReportsFileName);
    else if (!QFileInfo(chosen).isFile()) {
        prompter.error(QStringLiteral("The file %1 does not exist.").arg(request.place));
        return 1;
    }
    Settings working = settings;
    // No window holds the last database open here, so nothing is to be opened again after a
    // refusal; a file of the restored name is tested for other users all the same.
    working.lastDatabase.clear();
    MyTable table;
    RestoreHooks hooks(table, working, settings.lastDatabase, saveSettings);
    safekeeping::Services services{.table = table,
                                   .settings = working,
                                   .prompter = prompter,
                                   .hooks = hooks,
                                   .programDirectory = settings.programDirectory};
    return Status(safekeeping::Restore(request.choice, chosen, services));
}
