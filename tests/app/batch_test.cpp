#include "app/batch_runner.h"
#include "app/batch_usage.h"
#include "core/field_catalogue.h"
#include "support/test_files.h"
#include "test_paths.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <map>

namespace {

using batchtest::Outcome;

class BatchTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(QFile::exists(QString::fromLatin1(test_paths::kBatchExe)))
            << "build stowkeep-batch first";
    }

    Outcome run(const QStringList &args, const QString &stdoutFile = {}) {
        return batchtest::Run(QDir(m_dir.path()), args, stdoutFile);
    }

    QString file(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)); }
    static testfiles::FileState stateOf(const QString &path) {
        return testfiles::fileState(QFile::encodeName(path).toStdString());
    }
    static QStringList lines(const QString &text) { return text.split(u'\n', Qt::SkipEmptyParts); }

    QTemporaryDir m_dir;
};

TEST_F(BatchTest, WrongCommandLinesShowTheUsage) {
    for (const QStringList &args :
         {QStringList{}, QStringList{QStringLiteral("frobnicate")},
          QStringList{QStringLiteral("dump")},
          QStringList{QStringLiteral("dump"), QStringLiteral("X.DBF"), QStringLiteral("--order"),
                      QStringLiteral("sideways")},
          QStringList{QStringLiteral("sort"), QStringLiteral("X.DBF"), QStringLiteral("23")},
          QStringList{QStringLiteral("generate"), QStringLiteral("X.DBF"),
                      QStringLiteral("many")}}) {
        const Outcome r = run(args);
        EXPECT_EQ(r.status, 2) << args.join(u' ').toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("usage: stowkeep-batch"))) << r.err.toStdString();
    }
    const Outcome help = run({QStringLiteral("--help")});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.contains(QStringLiteral("generate FILE N")));
}

TEST_F(BatchTest, AnUnreadableSettingsFileOrAFullOutputFailsTheCommand) {
    ASSERT_EQ(run({QStringLiteral("create"), file("NEW.DBF")}).status, 0);

    // Output that cannot be written is a failure, not a success with nothing printed.
    Outcome r = run({QStringLiteral("info"), file("NEW.DBF")}, QStringLiteral("/dev/full"));
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("the output could not be written")))
        << r.err.toStdString();

    // A settings file that exists but cannot be read: nothing runs on defaults.
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("STOWKP.INI")));
    r = run({QStringLiteral("create"), file("OTHER.DBF")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("could not be read"))) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(file("OTHER.DBF")));
}

TEST_F(BatchTest, HelpAfterOrBeforeACommandPrintsThatCommandsUsage) {
    for (const QStringList &args :
         {QStringList{QStringLiteral("sort"), QStringLiteral("--help")},
          QStringList{QStringLiteral("--help"), QStringLiteral("sort")},
          QStringList{QStringLiteral("sort"), QStringLiteral("X.DBF"), QStringLiteral("-h")}}) {
        const Outcome r = run(args);
        EXPECT_EQ(r.status, 0) << args.join(u' ').toStdString();
        EXPECT_TRUE(r.out.startsWith(QStringLiteral(
            "usage: stowkeep-batch [--config FILE] [--data-dir DIR] sort FILE LEVEL1")))
            << r.out.toStdString();
        EXPECT_FALSE(r.out.contains(QStringLiteral("generate")));
        EXPECT_TRUE(r.err.isEmpty());
    }
    // Help for a command that does not exist is a wrong command line.
    const Outcome r = run({QStringLiteral("frobnicate"), QStringLiteral("--help")});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("stowkeep-batch: unknown command frobnicate")))
        << r.err.toStdString();
}

TEST_F(BatchTest, EveryCommandInTheHelpTableRuns) {
    // Without its file each command stops at its own arguments, not at an unknown name.
    for (const BatchCommandHelp &command : BatchCommands()) {
        const Outcome r = run({QString::fromUtf8(command.name)});
        EXPECT_EQ(r.status, 2) << command.name;
        EXPECT_FALSE(r.err.contains(QStringLiteral("unknown command"))) << r.err.toStdString();
    }
}

TEST_F(BatchTest, CreateCheckAndInfo) {
    Outcome r = run({QStringLiteral("create"), file("NEW.DBF")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    r = run({QStringLiteral("check"), file("NEW.DBF")});
    EXPECT_EQ(r.status, 0);
    r = run({QStringLiteral("info"), file("NEW.DBF")});
    ASSERT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.contains(QStringLiteral("records: 0 (0 live, 0 deleted)")))
        << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("fields: 22")));
    EXPECT_TRUE(r.out.contains(QStringLiteral("NEWINDEX C(20) Upper(Left(Category,80))")))
        << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("language driver: 0x57")));

    // An index that cannot be read is told among the table's lines, not instead of them.
    {
        QFile mdx(file("NEW.MDX"));
        ASSERT_TRUE(mdx.open(QIODevice::WriteOnly | QIODevice::Truncate));
        mdx.write(QByteArray(3000, '\xB8'));
    }
    r = run({QStringLiteral("info"), file("NEW.DBF")});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("fields: 22"))) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("production index: cannot be read: ")))
        << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("NEW.MDX"))) << r.out.toStdString();

    // Not an inventory file: the check's message on stderr and a failure status.
    QFile notOurs(QString::fromLatin1(test_paths::kSamplesDir) +
                  QStringLiteral("/blipper/CODES.DBF"));
    ASSERT_TRUE(notOurs.copy(file("CODES.DBF")));
    r = run({QStringLiteral("check"), file("CODES.DBF")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("Error: This DBase file was not created with "
                                                "Stowkeep Inventory 95.")))
        << r.err.toStdString();

    r = run({QStringLiteral("info"), file("ABSENT.DBF")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("ABSENT.DBF"))) << r.err.toStdString();
}

TEST_F(BatchTest, DumpWritesOneLinePerLiveRecordInEitherOrder) {
    ASSERT_EQ(run({QStringLiteral("generate"), file("INV.DBF"), QStringLiteral("300"),
                   QStringLiteral("--seed"), QStringLiteral("4")})
                  .status,
              0);
    const Outcome physical =
        run({QStringLiteral("dump"), file("INV.DBF"), QStringLiteral("--order"),
             QStringLiteral("physical"), QStringLiteral("--recno")});
    ASSERT_EQ(physical.status, 0) << physical.err.toStdString();
    const QStringList rows = lines(physical.out);
    ASSERT_EQ(rows.size(), 300);
    std::map<int, QStringList> byRecno;
    for (int i = 0; i < rows.size(); ++i) {
        const QStringList cells = rows[i].split(u'|');
        ASSERT_EQ(cells.size(), kFieldCount + 1) << rows[i].toStdString();
        EXPECT_EQ(cells[0].toInt(), i + 1);
        const QString &date = cells[1 + field::PurchDate];
        EXPECT_TRUE(date.isEmpty() || (date.size() == 8 && date.toInt() >= 19800101))
            << date.toStdString();
        EXPECT_FALSE(cells[1 + field::Item].endsWith(u' '));
        EXPECT_FALSE(cells[1 + field::Cost].startsWith(u' '));
        byRecno[cells[0].toInt()] = cells;
    }

    // The same seed gives the same records.
    ASSERT_EQ(run({QStringLiteral("generate"), file("AGAIN.DBF"), QStringLiteral("300"),
                   QStringLiteral("--seed"), QStringLiteral("4")})
                  .status,
              0);
    EXPECT_EQ(run({QStringLiteral("dump"), file("AGAIN.DBF"), QStringLiteral("--order"),
                   QStringLiteral("physical"), QStringLiteral("--recno")})
                  .out,
              physical.out);

    // Index order (Category by default): same records, sorted by upper-cased category.
    const Outcome indexed =
        run({QStringLiteral("dump"), file("INV.DBF"), QStringLiteral("--recno")});
    const QStringList sorted = lines(indexed.out);
    ASSERT_EQ(sorted.size(), 300);
    QString previous;
    int previousRecno = 0;
    for (const QString &row : sorted) {
        const QStringList cells = row.split(u'|');
        EXPECT_EQ(cells, byRecno[cells[0].toInt()]);
        const QString category = cells[1 + field::Category].toUpper();
        ASSERT_LE(previous, category);
        if (category == previous) {
            ASSERT_LT(previousRecno, cells[0].toInt()) << "ties by record number";
        }
        previous = category;
        previousRecno = cells[0].toInt();
    }
    // Without --recno the record number is not written.
    EXPECT_EQ(lines(run({QStringLiteral("dump"), file("INV.DBF")}).out).first(),
              sorted.first().section(u'|', 1));
}

TEST_F(BatchTest, SortRebuildsTheIndexFromFieldNumbers) {
    ASSERT_EQ(run({QStringLiteral("generate"), file("INV.DBF"), QStringLiteral("200")}).status, 0);
    Outcome r =
        run({QStringLiteral("sort"), file("INV.DBF"), QStringLiteral("17"), QStringLiteral("10")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.trimmed(), QStringLiteral("sort index: Upper(Left(Owner,40))+DTOS(PurchDate)"));
    const QStringList rows = lines(run({QStringLiteral("dump"), file("INV.DBF")}).out);
    ASSERT_EQ(rows.size(), 200);
    QString previous;
    for (const QString &row : rows) {
        const QStringList cells = row.split(u'|');
        const QString key = cells[field::Owner].toUpper().leftJustified(30) +
                            cells[field::PurchDate].leftJustified(8);
        ASSERT_LE(previous, key);
        previous = key;
    }
    r = run({QStringLiteral("sort"), file("INV.DBF"), QStringLiteral("0")});
    EXPECT_EQ(r.out.trimmed(), QStringLiteral("sort index: none (physical order)"));
    EXPECT_TRUE(run({QStringLiteral("info"), file("INV.DBF")})
                    .out.contains(QStringLiteral("production index: none")));
}

TEST_F(BatchTest, PackRemovesDeletedRecordsAndReindexKeepsTheOrder) {
    ASSERT_EQ(run({QStringLiteral("generate"), file("INV.DBF"), QStringLiteral("120")}).status, 0);
    const QStringList before = lines(run({QStringLiteral("dump"), file("INV.DBF")}).out);
    // Mark every third record deleted straight in the file.
    QFile f(file("INV.DBF"));
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.seek(8);
    const QByteArray lengths = f.read(4);
    const int headerLength =
        static_cast<unsigned char>(lengths[0]) | (static_cast<unsigned char>(lengths[1]) << 8);
    const int recordLength =
        static_cast<unsigned char>(lengths[2]) | (static_cast<unsigned char>(lengths[3]) << 8);
    for (int r = 3; r <= 120; r += 3) {
        f.seek(headerLength + static_cast<qint64>(r - 1) * recordLength);
        f.write("*", 1);
    }
    f.close();
    // The index still holds the deleted records' keys until it is rebuilt; the dump skips them.
    EXPECT_EQ(lines(run({QStringLiteral("dump"), file("INV.DBF")}).out).size(), 80);

    Outcome r = run({QStringLiteral("pack"), file("INV.DBF")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.trimmed(), QStringLiteral("packed: 80 records"));
    r = run({QStringLiteral("info"), file("INV.DBF")});
    EXPECT_TRUE(r.out.contains(QStringLiteral("records: 80 (80 live, 0 deleted)")))
        << r.out.toStdString();
    const QStringList after = lines(run({QStringLiteral("dump"), file("INV.DBF")}).out);
    ASSERT_EQ(after.size(), 80);

    r = run({QStringLiteral("reindex"), file("INV.DBF")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(lines(run({QStringLiteral("dump"), file("INV.DBF")}).out), after);
    EXPECT_EQ(lines(run({QStringLiteral("dump"), file("INV.DBF"), QStringLiteral("--order"),
                         QStringLiteral("physical")})
                        .out)
                  .size(),
              80);
    for (const QString &row : after)
        EXPECT_TRUE(before.contains(row));
}

TEST_F(BatchTest, AddAndEditGoThroughTheEditorsChecks) {
    ASSERT_EQ(run({QStringLiteral("create"), file("INV.DBF")}).status, 0);
    const QString set = QStringLiteral("--set");
    // A date that does not exist: the editor's message, a failure, nothing written.
    Outcome r = run({QStringLiteral("add"), file("INV.DBF"), set, QStringLiteral("Item=Lamp"), set,
                     QStringLiteral("WarDate=2/31/2001"), set, QStringLiteral("Brand=Acme")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Invalid warranty date specified.  Please correct.")))
        << r.err.toStdString();
    EXPECT_TRUE(lines(run({QStringLiteral("dump"), file("INV.DBF")}).out).isEmpty());
    EXPECT_FALSE(QFile::exists(file("BRAND.LST"))) << "a refused record adds no pick-list value";

    r = run({QStringLiteral("add"), file("INV.DBF"), set, QStringLiteral("item=Lamp"), set,
             QStringLiteral("Brand= Acme "), set, QStringLiteral("Cost=1,250.50"), set,
             QStringLiteral("PurchDate=7/5/1996"), set, QStringLiteral("Warranty=yes")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("added record 1"))) << r.out.toStdString();
    QFile brands(file("BRAND.LST"));
    ASSERT_TRUE(brands.open(QIODevice::ReadOnly));
    EXPECT_EQ(brands.readAll(), QByteArray("Acme\r\n"));

    r = run({QStringLiteral("edit"), file("INV.DBF"), QStringLiteral("1"), set,
             QStringLiteral("Quantity=2.6")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Invalid quantity specified.  Please correct.")));
    r = run({QStringLiteral("edit"), file("INV.DBF"), QStringLiteral("1"), set,
             QStringLiteral("Model=M1")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(lines(run({QStringLiteral("dump"), file("INV.DBF")}).out),
              QStringList{"Lamp|Acme|M1||||||1|19960705|1250.5000||0.0000|Yes||||0.0000||||"});

    for (const QStringList &wrong :
         {QStringList{QStringLiteral("edit"), file("INV.DBF"), QStringLiteral("7"), set,
                      QStringLiteral("Model=x")},
          QStringList{QStringLiteral("add"), file("INV.DBF"), set, QStringLiteral("Colour=red")},
          QStringList{QStringLiteral("add"), file("INV.DBF"), set,
                      QStringLiteral("Brand=") + QString(21, u'x')},
          QStringList{QStringLiteral("add"), file("INV.DBF"), set,
                      QStringLiteral("Warranty=maybe")}}) {
        r = run(wrong);
        EXPECT_NE(r.status, 0) << wrong.join(u' ').toStdString();
        EXPECT_FALSE(r.err.isEmpty());
    }
    EXPECT_EQ(lines(run({QStringLiteral("dump"), file("INV.DBF")}).out).size(), 1);
}

// `check` reads and reports; only `reindex` repairs.
TEST_F(BatchTest, CheckChangesNothingAndReindexRepairs) {
    ASSERT_EQ(run({QStringLiteral("generate"), file("INV.DBF"), QStringLiteral("200")}).status, 0);
    Outcome r = run({QStringLiteral("check"), file("INV.DBF")});
    EXPECT_EQ(r.status, 0) << r.out.toStdString() << r.err.toStdString();
    EXPECT_TRUE(r.out.endsWith(QStringLiteral("INV.DBF: an inventory file\n")));

    // Without its index the table used to be repaired by the check itself.
    ASSERT_TRUE(QFile::remove(file("INV.MDX")));
    const testfiles::FileState before = stateOf(file("INV.DBF"));
    r = run({QStringLiteral("check"), file("INV.DBF")});
    EXPECT_EQ(r.status, 3);
    EXPECT_TRUE(r.out.contains(QStringLiteral("an inventory file with faults")));
    EXPECT_TRUE(r.out.contains(QStringLiteral("fault: The production index INV.MDX is missing.")))
        << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("reindex would: clear the index flag")))
        << r.out.toStdString();
    EXPECT_TRUE(stateOf(file("INV.DBF")) == before) << "check wrote to the file it checks";
    EXPECT_FALSE(QFile::exists(file("INV.MDX")));

    r = run({QStringLiteral("reindex"), file("INV.DBF")});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(QFile::exists(file("INV.MDX")));
    r = run({QStringLiteral("check"), file("INV.DBF")});
    EXPECT_EQ(r.status, 0) << r.out.toStdString();
    r = run({QStringLiteral("info"), file("INV.DBF")});
    EXPECT_TRUE(r.out.contains(QStringLiteral("NEWINDEX C(20) Upper(Left(Category,80))")))
        << r.out.toStdString();

    // A sound file is not touched either.
    const testfiles::FileState sound = stateOf(file("INV.DBF"));
    const testfiles::FileState soundIndex = stateOf(file("INV.MDX"));
    ASSERT_EQ(run({QStringLiteral("check"), file("INV.DBF")}).status, 0);
    EXPECT_TRUE(stateOf(file("INV.DBF")) == sound);
    EXPECT_TRUE(stateOf(file("INV.MDX")) == soundIndex);
}

} // namespace
