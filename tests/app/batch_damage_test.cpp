// Damaged and foreign files through `dump` and `check`: the records that are there are all
// written, decoded and escaped, and what is wrong is said on standard error.
#include "app/batch_runner.h"
#include "core/field_catalogue.h"
#include "support/test_files.h"
#include "test_paths.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

using batchtest::Outcome;

class BatchDamageTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(QFile::exists(QString::fromLatin1(test_paths::kBatchExe)));
    }
    Outcome run(const QStringList &args) { return batchtest::Run(QDir(m_dir.path()), args); }
    QString file(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)); }
    static QString sample(const char *name) {
        return QString::fromLatin1(test_paths::kSamplesDir) + u'/' + QString::fromLatin1(name);
    }
    static QStringList lines(const QString &text) { return text.split(u'\n', Qt::SkipEmptyParts); }
    static QByteArray read(const QString &path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static void write(const QString &path, const QByteArray &bytes) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }
    static quint32 le(const QByteArray &b, qsizetype at, int size) {
        quint32 v = 0;
        for (int i = size - 1; i >= 0; --i)
            v = v * 256 + static_cast<unsigned char>(b[at + i]);
        return v;
    }
    void generate(const char *name, int records, int seed = 1) {
        ASSERT_EQ(run({QStringLiteral("generate"), file(name), QString::number(records),
                       QStringLiteral("--seed"), QString::number(seed)})
                      .status,
                  0);
    }
    // Categories of a dump in its order.
    static QStringList categories(const QString &out) {
        QStringList c;
        for (const QString &row : lines(out))
            c << row.split(u'|').value(field::Category).toUpper();
        return c;
    }
    static bool sorted(const QStringList &values) {
        for (qsizetype i = 1; i < values.size(); ++i)
            if (values[i - 1] > values[i])
                return false;
        return true;
    }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(BatchDamageTest, ForeignBinaryFieldsAreDecodedAndNullFlagsNotShown) {
    Outcome r = run({QStringLiteral("dump"), sample("infused-dbf/dbase_31.dbf")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QStringList rows = lines(r.out);
    ASSERT_EQ(rows.size(), 77) << "one line per record";
    // Integers, currency with four decimals, logical; no _NullFlags column.
    EXPECT_EQ(rows[0], QStringLiteral("1|Chai|1|1|10 boxes x 20 bags|18.0000|39|0|10|F"));
    // As the independent reader gives it (the file's own bytes, in its code page 1252).
    EXPECT_EQ(rows[76],
              QStringLiteral("77|Original Frankfurter grüne Soáe|12|2|12 boxes|13.0000|32|0|15|F"));

    r = run({QStringLiteral("dump"), sample("DBFFile/vfp9_30.dbf")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    // Date and time, and the double as the independent readers give them.
    EXPECT_EQ(lines(r.out).value(0),
              QStringLiteral("carlos manuel|20131212|20131212 08:29:59|17000000000.00|2500.55|T"));
}

TEST_F(BatchDamageTest, SeparatorsAndControlCharactersInValuesAreEscaped) {
    generate("INV.DBF", 3);
    QByteArray b = read(file("INV.DBF"));
    const quint32 headerLength = le(b, 8, 2);
    const QByteArray item("a|b\nc\x01", 6);
    b.replace(static_cast<qsizetype>(headerLength) + 1, item.size(), item);
    write(file("INV.DBF"), b);
    const Outcome r = run({QStringLiteral("dump"), file("INV.DBF"), QStringLiteral("--order"),
                           QStringLiteral("physical")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QStringList rows = lines(r.out);
    ASSERT_EQ(rows.size(), 3) << r.out.toStdString();
    EXPECT_TRUE(rows[0].startsWith(QStringLiteral("a\\|b\\nc\\x01"))) << rows[0].toStdString();
    EXPECT_EQ(rows[0].split(u'|').size(), rows[1].split(u'|').size() + 1)
        << "only the escaped bar is more";
}

TEST_F(BatchDamageTest, AnIndexOfAnotherTableIsNotUsedUntilReindexed) {
    generate("INV.DBF", 60, 1);
    generate("OTHER.DBF", 35, 2);
    ASSERT_TRUE(QFile::remove(file("INV.MDX")));
    ASSERT_TRUE(QFile::copy(file("OTHER.MDX"), file("INV.MDX")));
    Outcome r = run({QStringLiteral("dump"), file("INV.DBF")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(lines(r.out).size(), 60) << "every live record";
    EXPECT_TRUE(r.err.contains(QStringLiteral("made for the table OTHER"))) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("stowkeep-batch reindex"))) << r.err.toStdString();

    r = run({QStringLiteral("check"), file("INV.DBF")});
    EXPECT_EQ(r.status, 3) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("The production index cannot be used")))
        << r.out.toStdString();

    ASSERT_EQ(run({QStringLiteral("reindex"), file("INV.DBF")}).status, 0);
    r = run({QStringLiteral("dump"), file("INV.DBF")});
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    EXPECT_EQ(lines(r.out).size(), 60);
    EXPECT_TRUE(sorted(categories(r.out)));
    EXPECT_EQ(run({QStringLiteral("check"), file("INV.DBF")}).status, 0);
}

TEST_F(BatchDamageTest, AnIndexShortOfRecordsIsCaughtBeforeTheDump) {
    generate("INV.DBF", 154);
    // The root node claims no keys: the walk sees one child of it.
    QByteArray mdx = read(file("INV.MDX"));
    const quint32 tagHeader = le(mdx, 544, 4);
    const quint32 root = le(mdx, static_cast<qsizetype>(tagHeader) * 512, 4);
    ASSERT_GT(le(mdx, static_cast<qsizetype>(root) * 512, 4), 0u) << "the root is interior";
    mdx.replace(static_cast<qsizetype>(root) * 512, 4, QByteArray(4, '\0'));
    write(file("INV.MDX"), mdx);
    const Outcome r = run({QStringLiteral("dump"), file("INV.DBF")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(lines(r.out).size(), 154);
    EXPECT_TRUE(r.err.contains(QStringLiteral("claims no keys"))) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("stowkeep-batch reindex"))) << r.err.toStdString();
}

TEST_F(BatchDamageTest, AnIndexOfASmallerTableOfTheSameNameIsCaughtByTheDumpsCheck) {
    // Nothing cheap tells this one apart: same table name, keys of records the table has.
    generate("INV.DBF", 60, 1);
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("old")));
    generate("old/INV.DBF", 35, 2);
    ASSERT_TRUE(QFile::remove(file("INV.MDX")));
    ASSERT_TRUE(QFile::copy(file("old/INV.MDX"), file("INV.MDX")));
    const Outcome r = run({QStringLiteral("dump"), file("INV.DBF")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(lines(r.out).size(), 60);
    EXPECT_TRUE(r.err.contains(QStringLiteral("does not hold every live record")))
        << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("stowkeep-batch reindex"))) << r.err.toStdString();
}

TEST_F(BatchDamageTest, AnUnreadableIndexLeavesThePhysicalReadWorking) {
    generate("INV.DBF", 30);
    write(file("INV.MDX"), QByteArray(4096, 'x'));
    for (const char *order : {"physical", "index"}) {
        const Outcome r = run({QStringLiteral("dump"), file("INV.DBF"), QStringLiteral("--order"),
                               QString::fromLatin1(order)});
        ASSERT_EQ(r.status, 0) << order << r.err.toStdString();
        EXPECT_EQ(lines(r.out).size(), 30) << order;
        EXPECT_TRUE(r.err.contains(QStringLiteral("INV.MDX"))) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("stowkeep-batch reindex")))
            << r.err.toStdString();
    }
    ASSERT_EQ(run({QStringLiteral("reindex"), file("INV.DBF")}).status, 0);
    EXPECT_EQ(run({QStringLiteral("check"), file("INV.DBF")}).status, 0);
}

TEST_F(BatchDamageTest, ATableCutOffIsReadInIndexOrderAsFarAsItGoes) {
    generate("INV.DBF", 50);
    QByteArray b = read(file("INV.DBF"));
    const quint32 headerLength = le(b, 8, 2);
    const quint32 recordLength = le(b, 10, 2);
    b.truncate(static_cast<qsizetype>(headerLength + 40 * recordLength));
    write(file("INV.DBF"), b);
    const Outcome r = run({QStringLiteral("dump"), file("INV.DBF"), QStringLiteral("--recno")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QStringList rows = lines(r.out);
    ASSERT_EQ(rows.size(), 40);
    QStringList cats;
    for (const QString &row : rows) {
        EXPECT_LE(row.section(u'|', 0, 0).toInt(), 40);
        cats << row.split(u'|').value(1 + field::Category).toUpper();
    }
    EXPECT_TRUE(sorted(cats)) << "in index order";
    EXPECT_TRUE(r.err.contains(QStringLiteral("the header counts 50 records; the file holds 40")))
        << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("passed over"))) << r.err.toStdString();
}

TEST_F(BatchDamageTest, MemosMissingOrHoldingEndMarksAreReadAsOthersReadThem) {
    Outcome r = run({QStringLiteral("dump"), sample("blipper/PHOTOS.DBF")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(lines(r.out).value(1), QStringLiteral("Two Barns|5|||JPG|20041012 14:20:06|"));
    EXPECT_EQ(r.err.count(QStringLiteral("memo file of the table is missing")), 1)
        << r.err.toStdString();

    r = run({QStringLiteral("dump"), sample("blipper/FMEMO.DBF")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(lines(r.out).value(3), QStringLiteral("CTRL|before"));
}
