#include "db/inventory_file.h"

#include "core/field_catalogue.h"
#include "core/prompter.h"
#include "db/engine/db_error.h"
#include "db/engine/dbf_table.h"
#include "db/engine/table.h"
#include "db/inventory_schema.h"
#include "db/my_table.h"

#include <QFile>
#include <QFileInfo>

#include <optional>

#include <fcntl.h>
#include <unistd.h>

QString InventoryCaption(const QString &tableName) {
    return QStringLiteral("Stowkeep Inventory 95 (") + tableName + u')';
}

bool DBaseInUse(const QString &path) {
    const QString full = QFileInfo(path).absoluteFilePath();
    try {
        db::DbfTable probe(full.toStdString(), db::OpenMode::Exclusive);
    } catch (const db::DbError &) {
        return true;
    }
    return false;
}

bool MakeNewDB(const QString &path, Prompter &prompter) {
    const QFileInfo info(path);
    if (info.exists() && DBaseInUse(path)) {
        prompter.error(QStringLiteral("The table \"") + path +
                       QStringLiteral("\" is currently in use by another program.  New table "
                                      "creation will be aborted."));
        return false;
    }
    const std::string full = info.absoluteFilePath().toStdString();
    db::CreateOptions options;
    options.format = db::TableFormat::DBase4;
    options.productionIndex = false;
    db::DbfTable::create(full, db::inventoryFieldDefs(), options);
    // A new inventory has no tags; an index left from the file it replaced would hold keys
    // of records that no longer exist.
    const QString oldIndex = ProductionIndexPath(info.absoluteFilePath());
    if (QFileInfo::exists(oldIndex))
        QFile::remove(oldIndex);
    return QFileInfo::exists(info.absoluteFilePath());
}

void RemoveMDXByte(const QString &path) {
    // Only a file that reads as a dBASE table is touched, and only its flag byte: anything
    // else (an empty or foreign file) is left exactly as it is.
    const std::string file = QFile::encodeName(path).toStdString();
    try {
        if (db::DbfTable(file, db::OpenMode::ReadOnly).productionIndexFlag())
            db::DbfTable::writeProductionIndexFlag(file, false);
    } catch (const db::DbError &) {
    }
}

const QString kNotAnInventory =
    QStringLiteral("This DBase file was not created with Stowkeep Inventory 95.  It cannot be "
                   "opened.  You may, however, import data from this file using the import "
                   "function.");

namespace {

// Exactly the 22 catalogue fields in catalogue order, names compared ignoring case.
bool hasInventoryFields(const db::DbfTable &table) {
    bool passes = table.fieldCount() == kFieldCount;
    for (int i = 0; passes && i < kFieldCount; ++i)
        passes = QString::fromStdString(table.field(i).name)
                     .compare(QLatin1StringView(kCatalogue[static_cast<std::size_t>(i)].key),
                              Qt::CaseInsensitive) == 0;
    return passes;
}

QString text(const db::DbError &e) {
    return QString::fromStdString(e.what());
}

} // namespace

bool CheckDBaseFormat(const QString &path, Prompter &prompter) {
    const InventoryNames names = InventoryNamesOf(path);
    // The format check first: a file that is not an inventory is never written to.
    const bool passes =
        hasInventoryFields(db::DbfTable(names.path.toStdString(), db::OpenMode::ReadOnly));
    if (!passes) {
        prompter.error(kNotAnInventory);
        return false;
    }
    if (!QFileInfo::exists(names.mdxPath))
        RemoveMDXByte(path);
    return true;
}

InventoryCheck InspectInventory(const QString &path) {
    const InventoryNames names = InventoryNamesOf(path);
    const std::string file = names.path.toStdString();
    const QString indexName = QFileInfo(names.mdxPath).fileName();
    InventoryCheck check;
    bool flagged = false;
    {
        const db::DbfTable table(file, db::OpenMode::ReadOnly);
        check.isInventory = hasInventoryFields(table);
        if (!check.isInventory)
            return check;
        if (table.countExceedsFile()) {
            check.faults << QStringLiteral("The header counts %1 records; the file holds %2.")
                                .arg(table.header().recordCount)
                                .arg(table.recordCount());
            check.repairs << QStringLiteral("write the count of the records the file holds");
        }
        flagged = table.productionIndexFlag();
    }
    if (!flagged)
        return check;
    const QString rebuild = QStringLiteral("build the production index %1 anew").arg(indexName);
    if (!QFileInfo::exists(names.mdxPath)) {
        check.faults << QStringLiteral("The production index %1 is missing.").arg(indexName);
        check.repairs << QStringLiteral("clear the index flag of the table, then ") + rebuild;
        return check;
    }
    std::optional<db::Table> table;
    try {
        table.emplace(file, db::OpenMode::ReadOnly);
    } catch (const db::DbError &e) {
        check.faults << QStringLiteral("The production index cannot be read: %1").arg(text(e));
        check.repairs << rebuild;
        return check;
    }
    if (!table->indexProblem().empty()) {
        check.faults << QStringLiteral("The production index cannot be used: %1")
                            .arg(QString::fromStdString(table->indexProblem()));
        check.repairs << rebuild;
        return check;
    }
    if (table->indexNeedsRegeneration()) {
        check.faults << QStringLiteral("The production index %1 was left half-changed by an "
                                       "update that did not end.")
                            .arg(indexName);
        check.repairs << QStringLiteral("rebuild the production index");
        return check;
    }
    for (const db::MdxTagInfo &tag : table->index()->tags())
        if (!tag.maintainable) {
            check.faults << QStringLiteral("The index tag %1 cannot be kept up to date by this "
                                           "program: %2.")
                                .arg(QString::fromStdString(tag.name),
                                     QString::fromStdString(tag.problem));
            check.repairs << QStringLiteral("nothing: reindex cannot rebuild tag %1")
                                 .arg(QString::fromStdString(tag.name));
        }
    try {
        table->verifyIndex();
    } catch (const db::DbError &e) {
        check.faults << QStringLiteral("The production index is damaged: %1").arg(text(e));
        check.repairs << QStringLiteral("rebuild the production index");
    }
    return check;
}

void RepairInventory(MyTable &table, const QString &path, const QString &sortExpression) {
    const InventoryNames names = InventoryNamesOf(path);
    const std::string file = names.path.toStdString();
    table.close();
    bool flagged = false;
    {
        db::DbfTable dbf(file, db::OpenMode::Exclusive);
        if (dbf.countExceedsFile())
            dbf.writeCount();
        flagged = dbf.productionIndexFlag();
    }
    bool indexReadable = flagged && QFileInfo::exists(names.mdxPath);
    if (indexReadable) {
        try {
            const db::Table probe(file, db::OpenMode::ReadOnly);
            indexReadable = probe.index() != nullptr;
        } catch (const db::DbError &) {
            indexReadable = false;
        }
    }
    if (flagged && !indexReadable) {
        // No index the table can use: made anew as the program's open would make it.
        db::DbfTable::writeProductionIndexFlag(file, false);
        if (QFileInfo::exists(names.mdxPath))
            QFile::remove(names.mdxPath);
        RebuildSortIndex(table, names.path, sortExpression);
        return;
    }
    table.open(names.path, MyTable::OpenMode::Exclusive);
    try {
        table.regenerateIndexes();
    } catch (...) {
        table.close();
        throw;
    }
    table.close();
}

void RebuildSortIndex(MyTable &table, const QString &path, const QString &sortExpression) {
    const InventoryNames names = InventoryNamesOf(path);
    table.close();
    table.setIndexName(QString());
    table.open(names.path, MyTable::OpenMode::Exclusive);
    try {
        if (QFileInfo::exists(names.mdxPath)) {
            for (const QString &tag : table.tagNames())
                if (tag.compare(QLatin1StringView(kSortIndexTag), Qt::CaseInsensitive) == 0)
                    table.deleteIndex(tag);
        }
        if (!sortExpression.isEmpty())
            table.addIndex(QString::fromLatin1(kSortIndexTag), sortExpression);
    } catch (...) {
        table.close();
        throw;
    }
    table.close();
    table.setIndexName(sortExpression.isEmpty() ? QString() : QString::fromLatin1(kSortIndexTag));
}

bool InventoryWritable(const QString &path) {
    const InventoryNames names = InventoryNamesOf(path);
    // The effective user's rights, as the writes will meet them (a read-only file system
    // included).
    const auto writable = [](const QString &name) {
        return ::faccessat(AT_FDCWD, QFile::encodeName(name).constData(), W_OK, AT_EACCESS) == 0;
    };
    return writable(names.path) && writable(names.databaseName) &&
           (!QFileInfo::exists(names.mdxPath) || writable(names.mdxPath));
}

namespace {

bool holdsSortTag(const InventoryNames &names) {
    if (!QFileInfo::exists(names.mdxPath))
        return false;
    MyTable probe;
    probe.open(names.path, MyTable::OpenMode::ReadOnly);
    for (const QString &tag : probe.tagNames())
        if (tag.compare(QLatin1StringView(kSortIndexTag), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// An index the engine set aside or rebuilt when the table opened: why, and what can be done.
void tellIndexProblem(MyTable &table, Prompter &prompter, const QString &remedy) {
    if (const std::string problem = table.backend()->indexProblem(); !problem.empty())
        prompter.error(QString::fromStdString(problem) + QStringLiteral(". ") + remedy);
}

} // namespace

std::optional<InventoryNames> OpenInventory(MyTable &table, const QString &path,
                                            const QString &sortExpression, OpenPath how,
                                            Prompter &prompter) {
    if (how != OpenPath::NewFile && !CheckDBaseFormat(path, prompter))
        return std::nullopt;
    const InventoryNames names = InventoryNamesOf(path);
    if (how != OpenPath::NewFile && !InventoryWritable(names.path)) {
        const bool sorted = !sortExpression.isEmpty() && holdsSortTag(names);
        table.close();
        table.setIndexName(sorted ? QString::fromLatin1(kSortIndexTag) : QString());
        table.open(names.path, MyTable::OpenMode::ReadOnly);
        tellIndexProblem(table, prompter,
                         QStringLiteral("The file is read-only, so the sort index cannot be made "
                                        "anew: the records are shown in the order they were "
                                        "entered."));
        return names;
    }
    table.close();
    switch (how) {
    case OpenPath::NewFile:
        RebuildSortIndex(table, names.path, sortExpression);
        break;
    case OpenPath::Open:
        // A file another program holds keeps its index; the selection stays as it was.
        if (!DBaseInUse(names.path))
            RebuildSortIndex(table, names.path, sortExpression);
        break;
    case OpenPath::StartUp: {
        if (sortExpression.isEmpty()) {
            table.setIndexName(QString());
            break;
        }
        // An index file without the sort tag (made by another tool) gets it added, rather
        // than failing to select a tag that is not there.
        if (holdsSortTag(names))
            table.setIndexName(QString::fromLatin1(kSortIndexTag));
        else if (!DBaseInUse(names.path))
            RebuildSortIndex(table, names.path, sortExpression);
        break;
    }
    }
    table.open(names.path, MyTable::OpenMode::Shared);
    // Only an open that could not rebuild the sort index (another program holds the file)
    // meets an index that does not fit: the engine has set it aside or rebuilt it.
    tellIndexProblem(table, prompter,
                     QStringLiteral("Rebuild Indexes on the Tools menu makes the sort index anew "
                                    "when no other program uses the file."));
    return names;
}
