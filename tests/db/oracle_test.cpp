#include "core/field_catalogue.h"
#include "core/text_codec.h"
#include "db/inventory_fixture.h"
#include "db/my_table.h"
#include "support/run_program.h"
#include "test_paths.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <set>

// Files written through the data set and the batch tool, read back by independent dBASE
// readers (see the oracles folder): what they read must be what we meant to write.
namespace {

QString oracle(const char *script) {
    return QString::fromLatin1(test_paths::kOraclesDir) + u'/' + QString::fromLatin1(script);
}

QStringList lines(const QByteArray &text) {
    return QString::fromUtf8(text).split(u'\n', Qt::SkipEmptyParts);
}

class OracleTest : public testing::Test {
protected:
    void SetUp() override {
        for (const char *tool : {"/usr/bin/dbf_dump", "/usr/bin/dbview", "/usr/bin/perl"})
            if (!QFileInfo::exists(QString::fromLatin1(tool)))
                GTEST_SKIP() << tool << " is not installed";
        m_file = m_dir.filePath(QStringLiteral("INV.DBF"));
        m_mdx = m_dir.filePath(QStringLiteral("INV.MDX"));
        const ProgramOutput made =
            RunProgram(QString::fromLatin1(test_paths::kBatchExe),
                       {QStringLiteral("generate"), m_file, QStringLiteral("3000"),
                        QStringLiteral("--seed"), QStringLiteral("5"), QStringLiteral("--config"),
                        m_dir.filePath(QStringLiteral("STOWKP.INI"))});
        ASSERT_EQ(made.status, 0) << made.err.toStdString();

        // Change the file the way the windows do, so the index is maintained record by record:
        // delete every tenth record, move some to other categories, add a few.
        MyTable table;
        table.setIndexName(QStringLiteral("NewIndex"));
        table.open(m_file);
        for (std::uint32_t r = 10; r <= 3000; r += 10) {
            ASSERT_TRUE(table.gotoBookmark(r));
            table.deleteRecord();
        }
        for (std::uint32_t r = 3; r <= 3000; r += 97) {
            if (!table.gotoBookmark(r))
                continue;
            table.edit();
            table.setText(field::Category, QStringLiteral("Moved %1").arg(r % 7));
            table.post();
        }
        fixture::addItem(table, QStringLiteral("Caf\u00e9 table \u20ac"),
                         QStringLiteral("Furniture"));
        fixture::addGenerated(table, 25, 77);
        m_live = static_cast<int>(table.recordCount());
    }

    ProgramOutput ours(const QStringList &extra) {
        QStringList args{QStringLiteral("dump"), m_file, QStringLiteral("--config"),
                         m_dir.filePath(QStringLiteral("STOWKP.INI"))};
        return RunProgram(QString::fromLatin1(test_paths::kBatchExe), args + extra);
    }

    QTemporaryDir m_dir;
    QString m_file;
    QString m_mdx;
    int m_live = 0;
};

TEST_F(OracleTest, RecordsReadBackEqualByIndependentReaders) {
    const ProgramOutput physical = ours({QStringLiteral("--order"), QStringLiteral("physical")});
    ASSERT_EQ(physical.status, 0);
    const QStringList mine = lines(physical.out);
    ASSERT_EQ(mine.size(), m_live);
    ASSERT_EQ(m_live, 3000 - 300 + 26);

    // dbview keeps numbers as stored and ends each line with a separator. Our dump is UTF-8,
    // dbview passes the table's code page 1252 through.
    const ProgramOutput dbview = RunProgram(oracle("dbview_dump.sh"), {m_file});
    ASSERT_EQ(dbview.status, 0) << dbview.err.toStdString();
    const QStringList theirs = text8::decode(dbview.out).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(theirs.size(), mine.size());
    for (qsizetype i = 0; i < mine.size(); ++i)
        ASSERT_EQ(QString(mine[i] + u'|').toStdString(), theirs[i].toStdString()) << "line " << i;

    // Perl XBase prints numbers as Perl numbers and blanks as <NULL>: compare values.
    const ProgramOutput xbase = RunProgram(oracle("xbase_dump.sh"), {m_file});
    ASSERT_EQ(xbase.status, 0) << xbase.err.toStdString();
    const QStringList perl = text8::decode(xbase.out).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(perl.size(), mine.size());
    for (qsizetype i = 0; i < mine.size(); ++i) {
        const QStringList a = mine[i].split(u'|');
        const QStringList b = perl[i].split(u'|');
        ASSERT_EQ(a.size(), kFieldCount);
        ASSERT_EQ(b.size(), kFieldCount) << perl[i].toStdString();
        for (int f = 0; f < kFieldCount; ++f) {
            const QString theirsValue = b[f] == u"<NULL>" ? QString() : b[f];
            if (kCatalogue[static_cast<std::size_t>(f)].kind == 'N')
                ASSERT_DOUBLE_EQ(a[f].toDouble(), theirsValue.toDouble()) << i << ":" << f;
            else
                ASSERT_EQ(a[f].toStdString(), theirsValue.toStdString()) << i << ":" << f;
        }
    }

    // dbfread decodes the code page the header names.
    if (QFileInfo::exists(QStringLiteral("/usr/bin/python3"))) {
        const ProgramOutput py = RunProgram(oracle("dbfread_dump.py"), {m_file});
        ASSERT_EQ(py.status, 0) << py.err.toStdString();
        const QStringList rows = lines(py.out).filter(QRegularExpression(QStringLiteral("^\\d")));
        EXPECT_EQ(rows.size(), m_live);
        EXPECT_EQ(rows.filter(QStringLiteral("'Caf\u00e9 table \u20ac'")).size(), 1);
    }
}

TEST_F(OracleTest, SortIndexIsInOrderAndListsEveryLiveRecordOnce) {
    const ProgramOutput check = RunProgram(
        oracle("mdx_keys.pl"), {QStringLiteral("--check"), m_mdx, QStringLiteral("NEWINDEX")});
    EXPECT_EQ(check.status, 0) << check.out.toStdString();
    EXPECT_TRUE(check.out.contains(" 0 order violations")) << check.out.toStdString();

    const ProgramOutput header = RunProgram(oracle("mdx_keys.pl"), {m_mdx});
    ASSERT_EQ(header.status, 0);
    EXPECT_EQ(lines(header.out).filter(QStringLiteral("expr=")).size(), 1) << "only the sort tag";
    EXPECT_TRUE(header.out.contains("expr=[Upper(Left(Category,80))]"));

    const ProgramOutput keys =
        RunProgram(oracle("mdx_keys.pl"), {m_mdx, QStringLiteral("NEWINDEX")});
    ASSERT_EQ(keys.status, 0);
    QStringList theirOrder;
    for (const QString &line : lines(keys.out))
        theirOrder << line.section(u'\t', 0, 0);
    const std::set<QString> unique(theirOrder.begin(), theirOrder.end());
    EXPECT_EQ(unique.size(), static_cast<std::size_t>(theirOrder.size())) << "no record twice";

    const ProgramOutput indexed = ours({QStringLiteral("--recno")});
    QStringList myOrder;
    for (const QString &line : lines(indexed.out))
        myOrder << line.section(u'|', 0, 0);
    ASSERT_EQ(myOrder.size(), m_live);
    EXPECT_EQ(theirOrder, myOrder);
}

} // namespace
