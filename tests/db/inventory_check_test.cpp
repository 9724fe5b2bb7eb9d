// The check of an inventory file finds what is wrong with it and its index without writing a
// byte; the repair mends what it found.
#include "core/field_catalogue.h"
#include "db/engine/dbf_table.h"
#include "db/engine/mdx_file.h"
#include "db/engine/table.h"
#include "db/inventory_file.h"
#include "db/inventory_fixture.h"
#include "db/my_table.h"
#include "support/scripted_prompter.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <functional>

namespace {

const QString kSort = QStringLiteral("Upper(Left(Category,80))");

testfiles::FileState stateOf(const QString &path) {
    return testfiles::fileState(QFile::encodeName(path).toStdString());
}

class InventoryCheckTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_path = fixture::newInventory(m_dir);
        m_mdx = m_dir.filePath(QStringLiteral("INV.MDX"));
        MyTable table;
        table.open(m_path, MyTable::OpenMode::Exclusive);
        fixture::addGenerated(table, 300, 3);
        table.close();
        RebuildSortIndex(table, m_path, kSort);
    }

    [[nodiscard]] std::string file() const { return m_path.toStdString(); }

    // Checks, expecting exactly one fault containing `fault`, and that neither the table nor
    // its index was written; then repairs and expects a clean check.
    void expectFoundAndRepaired(const QString &fault) {
        const testfiles::FileState table = stateOf(m_path), index = stateOf(m_mdx);
        const InventoryCheck found = InspectInventory(m_path);
        EXPECT_TRUE(found.isInventory);
        ASSERT_EQ(found.faults.size(), 1) << found.faults.join(u'|').toStdString();
        EXPECT_TRUE(found.faults[0].contains(fault)) << found.faults[0].toStdString();
        EXPECT_EQ(found.repairs.size(), found.faults.size());
        EXPECT_TRUE(stateOf(m_path) == table) << "the check wrote to the table";
        EXPECT_TRUE(stateOf(m_mdx) == index) << "the check wrote to the index";

        MyTable repaired;
        RepairInventory(repaired, m_path, kSort);
        const InventoryCheck after = InspectInventory(m_path);
        EXPECT_TRUE(after.faults.isEmpty()) << after.faults.join(u'|').toStdString();
        MyTable t;
        t.setIndexName(QStringLiteral("NewIndex"));
        t.open(m_path);
        EXPECT_EQ(t.recordCount(), 300);
    }

    QTemporaryDir m_dir;
    QString m_path;
    QString m_mdx;
};

TEST_F(InventoryCheckTest, ASoundFileHasNoFaultAndIsNotWritten) {
    const testfiles::FileState table = stateOf(m_path), index = stateOf(m_mdx);
    const InventoryCheck check = InspectInventory(m_path);
    EXPECT_TRUE(check.isInventory);
    EXPECT_TRUE(check.faults.isEmpty()) << check.faults.join(u'|').toStdString();
    EXPECT_TRUE(stateOf(m_path) == table);
    EXPECT_TRUE(stateOf(m_mdx) == index);
}

TEST_F(InventoryCheckTest, AMissingIndexIsReportedNotRepaired) {
    ASSERT_TRUE(QFile::remove(m_mdx));
    expectFoundAndRepaired(QStringLiteral("INV.MDX is missing"));
    // The program's own open still repairs as it always did.
    ASSERT_TRUE(QFile::remove(m_mdx));
    ScriptedPrompter prompter;
    EXPECT_TRUE(CheckDBaseFormat(m_path, prompter));
    EXPECT_FALSE(db::DbfTable(file(), db::OpenMode::ReadOnly).productionIndexFlag());
}

TEST_F(InventoryCheckTest, AKeyTakenOutOfTheIndexIsFound) {
    {
        auto mdx = db::MdxFile::open(m_mdx.toStdString(),
                                     db::DbfTable(file(), db::OpenMode::ReadOnly).fields(), 0x57);
        db::MdxCursor c(*mdx, 0);
        ASSERT_TRUE(c.first());
        ASSERT_TRUE(c.next());
        const std::string key(c.key());
        ASSERT_TRUE(mdx->removeKey(0, key, c.recno()));
    }
    expectFoundAndRepaired(QStringLiteral("has no key"));
}

TEST_F(InventoryCheckTest, ARecordChangedBehindTheIndexIsFound) {
    {
        db::DbfTable t(file(), db::OpenMode::Exclusive);
        std::string rec(t.record(7));
        t.setText(rec, field::Category, "Zzz changed");
        t.writeRecord(7, rec);
    }
    expectFoundAndRepaired(QStringLiteral("is not that record's"));
}

TEST_F(InventoryCheckTest, AnIndexLeftHalfChangedIsFoundAndNotRebuiltByTheCheck) {
    {
        QFile f(m_mdx);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.seek(48));
        ASSERT_EQ(f.read(4), QByteArray("SKX1"));
        ASSERT_TRUE(f.seek(56));
        ASSERT_EQ(f.write("\x01", 1), 1);
    }
    expectFoundAndRepaired(QStringLiteral("half-changed"));
}

TEST_F(InventoryCheckTest, ACountThatClaimsTooMuchIsFound) {
    {
        QFile f(m_path);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.seek(4));
        const char count[4] = {static_cast<char>(305 & 0xFF), static_cast<char>(305 >> 8), 0, 0};
        ASSERT_EQ(f.write(count, 4), 4);
    }
    expectFoundAndRepaired(QStringLiteral("counts 305 records; the file holds 300"));
    EXPECT_FALSE(db::DbfTable(file(), db::OpenMode::ReadOnly).countExceedsFile());
}

TEST_F(InventoryCheckTest, AnotherTableIsNoInventory) {
    const QString other = m_dir.filePath(QStringLiteral("OTHER.DBF"));
    db::DbfTable::create(other.toStdString(), {{"Name", 'C', 10, 0, 0}});
    const testfiles::FileState before = stateOf(other);
    EXPECT_FALSE(InspectInventory(other).isInventory);
    EXPECT_TRUE(stateOf(other) == before);
}

} // namespace
