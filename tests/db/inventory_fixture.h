#pragma once

#include "db/engine/table.h"
#include "db/inventory_file.h"
#include "db/inventory_generator.h"
#include "db/my_table.h"
#include "support/scripted_prompter.h"

#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

// Helpers shared by the data set, inventory file and batch tests.
namespace fixture {

// Fills an open table (exclusive or shared) with generated records through the data set,
// the way the record editor adds them.
inline void addGenerated(MyTable &table, int count, std::uint64_t seed) {
    InventoryGenerator gen(seed);
    InventoryRecord r;
    for (int i = 0; i < count; ++i) {
        gen.next(r);
        table.insert();
        for (int f = 0; f < kFieldCount; ++f) {
            const std::string &t = r[static_cast<std::size_t>(f)];
            if (kCatalogue[static_cast<std::size_t>(f)].createdAs == FieldCreatedAs::Date)
                table.setDate(f, QDate::fromString(QString::fromStdString(t), u"yyyyMMdd"));
            else
                table.setText(f, QString::fromStdString(t));
        }
        table.post();
    }
}

// Adds one record with the given item and category (other fields blank).
inline void addItem(MyTable &table, const QString &item, const QString &category) {
    table.insert();
    table.setText(field::Item, item);
    table.setText(field::Category, category);
    table.post();
}

// Makes a new, empty inventory file "INV.DBF" in `dir` and returns its path.
inline QString newInventory(const QTemporaryDir &dir) {
    const QString path = dir.filePath(QStringLiteral("INV.DBF"));
    ScriptedPrompter made;
    EXPECT_TRUE(MakeNewDB(path, made));
    return path;
}

// Builds the sort index of a filled table on `sortExpression` and opens the file again in
// shared use with that index selected, as the program does after creating an inventory.
inline void reopenSorted(MyTable &table, const QString &path, const QString &sortExpression) {
    table.close();
    RebuildSortIndex(table, path, sortExpression);
    table.open(path);
}

// Every visible record's number, walking the data set with next().
inline std::vector<std::uint32_t> walk(MyTable &table) {
    std::vector<std::uint32_t> out;
    for (table.first(); !table.isEmpty() && !table.eof(); table.next())
        out.push_back(table.recNo());
    return out;
}

// Makes the inventory file `path` with `count` records straight through the engine (fast
// enough for the many thousands a kill test needs), `fill` setting the fields of record i,
// and builds its sort index on `sortExpression`.
inline void
newRawInventory(const std::string &path, int count,
                const std::function<void(const db::DbfTable &, std::string &, int)> &fill,
                const QString &sortExpression) {
    ScriptedPrompter prompter;
    ASSERT_TRUE(MakeNewDB(QString::fromStdString(path), prompter));
    {
        db::Table t(path, db::OpenMode::Exclusive);
        db::Table::Batch batch(t);
        for (int i = 0; i < count; ++i) {
            std::string rec = t.dbf().blankRecord();
            fill(t.dbf(), rec, i);
            (void)t.insert(rec);
        }
        batch.commit();
    }
    MyTable table;
    RebuildSortIndex(table, QString::fromStdString(path), sortExpression);
}

// Copies of a table and its index that each round of a kill test starts again from.
class KeptFiles {
public:
    KeptFiles(std::string dir, std::vector<std::string> files)
        : m_dir(std::move(dir)), m_files(std::move(files)) {
        for (const std::string &f : m_files)
            std::filesystem::copy_file(f, f + ".keep");
    }
    // Everything else in the folder goes; the kept files come back as they were.
    void restore() const {
        for (const auto &e : std::filesystem::directory_iterator(m_dir))
            if (e.path().extension() != ".keep")
                std::filesystem::remove(e.path());
        for (const std::string &f : m_files)
            std::filesystem::copy_file(f + ".keep", f);
    }

private:
    std::string m_dir;
    std::vector<std::string> m_files;
};

// Runs `change` on the first record of the file at `path`, opened in shared use by a second
// process, as another copy of the program would; fails the test when the change threw.
inline void InOtherProcess(const QString &path, const std::function<void(MyTable &)> &change) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        int status = 0;
        try {
            MyTable other;
            other.open(path);
            other.first();
            change(other);
        } catch (...) {
            status = 1;
        }
        _exit(status);
    }
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

} // namespace fixture
