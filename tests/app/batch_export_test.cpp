#include "app/batch_runner.h"
#include "db/engine/dbf_table.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace {

class BatchExport : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_file = m_dir.filePath(QStringLiteral("INV.DBF"));
        const batchtest::Outcome made = batchtest::Run(
            m_dir.path(), {QStringLiteral("generate"), m_file, QStringLiteral("50")});
        ASSERT_EQ(made.status, 0) << made.err.toStdString();
    }
    batchtest::Outcome exportWith(QStringList args) {
        return batchtest::Run(m_dir.path(), QStringList{QStringLiteral("export"), m_file} + args);
    }
    QByteArray read(const QString &name) const {
        QFile f(m_dir.filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir m_dir;
    QString m_file;
};

} // namespace

TEST_F(BatchExport, TextWithListedFieldsAndTitles) {
    const QString out = m_dir.filePath(QStringLiteral("out.txt"));
    const batchtest::Outcome r =
        exportWith({out, QStringLiteral("--text"), QStringLiteral("--fields"),
                    QStringLiteral("Item,cost,12")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("exported 50 records to %1\n").arg(out));
    EXPECT_TRUE(r.err.contains(u"Export Complete.")) << r.err.toStdString();
    const QList<QByteArray> lines = read(QStringLiteral("out.txt")).split('\n');
    EXPECT_EQ(lines[0], QByteArray("\"Item\",\"Cost\",\"Category\"\r"));
    EXPECT_EQ(lines.size(), 52); // 51 lines and nothing after the last line end
    // In the sort order of the file (its category).
    QList<QByteArray> categories;
    for (qsizetype i = 1; i < 51; ++i)
        categories << lines[i].split(',').last().toUpper();
    QList<QByteArray> sorted = categories;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(categories, sorted);
}

TEST_F(BatchExport, SearchLevelsAndNoTitlesAndDBase) {
    const QString text = m_dir.filePath(QStringLiteral("found.txt"));
    const batchtest::Outcome found = exportWith(
        {text, QStringLiteral("--text"), QStringLiteral("--no-titles"), QStringLiteral("--fields"),
         QStringLiteral("Cost"), QStringLiteral("--level"), QStringLiteral("Cost:> 500")});
    ASSERT_EQ(found.status, 0) << found.err.toStdString();
    const QList<QByteArray> lines = read(QStringLiteral("found.txt")).split('\n');
    ASSERT_GT(lines.size(), 1);
    for (qsizetype i = 0; i + 1 < lines.size(); ++i)
        EXPECT_GT(lines[i].mid(1, lines[i].size() - 3).toDouble(), 500) << lines[i].toStdString();

    const QString table = m_dir.filePath(QStringLiteral("COPY.DBF"));
    const batchtest::Outcome copied = exportWith({table, QStringLiteral("--dbf")});
    ASSERT_EQ(copied.status, 0) << copied.err.toStdString();
    EXPECT_EQ(db::DbfTable(table.toStdString(), db::OpenMode::ReadOnly).recordCount(), 50u);
}

TEST_F(BatchExport, RefusalsAndWrongCommandLines) {
    const batchtest::Outcome onItself = exportWith({m_file, QStringLiteral("--dbf")});
    EXPECT_EQ(onItself.status, 1);
    EXPECT_TRUE(onItself.err.contains(u"inventory file being exported"))
        << onItself.err.toStdString();
    const batchtest::Outcome txt =
        exportWith({m_dir.filePath(QStringLiteral("x.txt")), QStringLiteral("--dbf")});
    EXPECT_EQ(txt.status, 1);
    EXPECT_TRUE(txt.err.contains(u"Invalid file type selected.")) << txt.err.toStdString();
    EXPECT_FALSE(QFile::exists(m_dir.filePath(QStringLiteral("x.txt"))));
    EXPECT_EQ(exportWith({m_dir.filePath(QStringLiteral("y.txt"))}).status, 2);
    EXPECT_EQ(exportWith({m_dir.filePath(QStringLiteral("y.txt")), QStringLiteral("--text"),
                          QStringLiteral("--dbf")})
                  .status,
              2);
    EXPECT_EQ(exportWith({m_dir.filePath(QStringLiteral("y.txt")), QStringLiteral("--text"),
                          QStringLiteral("--fields"), QStringLiteral("Nothing")})
                  .status,
              2);
}
