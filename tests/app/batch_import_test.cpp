// The batch import: text and dBASE files into an inventory file, field maps, the messages
// on standard error and the exit status of each kind of failure.
#include "batch_runner.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class BatchImportTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_EQ(run({"create", file("INV.DBF")}).status, 0);
    }
    batchtest::Outcome run(const QStringList &args) {
        return batchtest::Run(QDir(m_dir.path()), args);
    }
    QString file(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)); }
    QString write(const char *name, const QByteArray &bytes) {
        QFile f(file(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return f.fileName();
    }
    QStringList dump(const char *name) {
        return run({"dump", file(name), "--order", "physical"})
            .out.split(u'\n', Qt::SkipEmptyParts);
    }

    QTemporaryDir m_dir;
};

TEST_F(BatchImportTest, ATextFileIsImportedInFieldOrderOrThroughAMap) {
    const QString text = write("IN.TXT", "\"Name\",\"Make\",\"Price\"\r\n"
                                         "\"Lamp\",\"Acme\",\"12.5\"\r\n\"Chair\",\"\",\"7\"\r\n");
    batchtest::Outcome r = run({"import", file("INV.DBF"), text, "--text"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith("imported 2 records into ")) << r.out.toStdString();
    QStringList rows = dump("INV.DBF");
    ASSERT_EQ(rows.size(), 2);
    EXPECT_TRUE(rows[0].startsWith("Lamp|Acme|12.5|")) << rows[0].toStdString();

    r = run({"import", file("INV.DBF"), text, "--text", "--map", "Name=Item,Price=Cost",
             "--no-skip-first"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    rows = dump("INV.DBF");
    ASSERT_EQ(rows.size(), 5);
    EXPECT_TRUE(rows[2].startsWith("Name|||")) << rows[2].toStdString();
    EXPECT_TRUE(rows[3].startsWith("Lamp|||")) << rows[3].toStdString();
    EXPECT_TRUE(rows[3].contains("|12.5000|")) << rows[3].toStdString();
    EXPECT_EQ(run({"check", file("INV.DBF")}).status, 0);
}

// A UTF-8 file with its byte order mark: names and values read as UTF-8, so --map finds a
// name with an accent and the values are stored in the inventory's code page.
TEST_F(BatchImportTest, AUtf8TextIsReadAsUtf8) {
    const QString text = write("UTF8.TXT", "\xEF\xBB\xBF\"Nom\",\"Marqu\xC3\xA9\"\r\n"
                                           "\"Caf\xC3\xA9\",\"\xE4\xB8\xAD Cr\xC3\xA8me\"\r\n");
    const batchtest::Outcome r = run({"import", file("INV.DBF"), text, "--text", "--map",
                                      QStringLiteral("Nom=Item,Marqu\u00e9=Brand")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("1 characters of the imported file cannot be held"))
        << r.err.toStdString();
    const QStringList rows = dump("INV.DBF");
    ASSERT_EQ(rows.size(), 1);
    EXPECT_TRUE(rows[0].startsWith(QStringLiteral("Caf\u00e9|? Cr\u00e8me|")))
        << rows[0].toStdString();
}

TEST_F(BatchImportTest, ADbaseFileIsImportedAndItsNameChecked) {
    ASSERT_EQ(run({"generate", file("SRC.DBF"), "25"}).status, 0);
    batchtest::Outcome r = run({"import", file("INV.DBF"), file("SRC.DBF"), "--dbf"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(dump("INV.DBF"), dump("SRC.DBF"));
    QFile::copy(file("SRC.DBF"), file("SRC.DAT"));
    r = run({"import", file("INV.DBF"), file("SRC.DAT"), "--dbf"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "stowkeep-batch: Invalid file type selected.\n");
}

TEST_F(BatchImportTest, FailuresAreReportedOnStandardErrorWithTheirStatus) {
    const QString words = write("WORDS.TXT", "Name,Make\r\n");
    batchtest::Outcome r = run({"import", file("INV.DBF"), words, "--text"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("most likely due to an unmatched quote.")) << r.err.toStdString();
    const QString dates =
        write("DATES.TXT", "\"Item\",\"Brand\",\"Model\",\"Serial\",\"Location\","
                           "\"Description\",\"From\",\"Marks\",\"Qty\",\"Date\"\r\n"
                           "\"ok\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"1\",\"1/2/96\"\r\n"
                           "\"bad\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"1\",\"2/30/96\"\r\n");
    r = run({"import", file("INV.DBF"), dates, "--text"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "stowkeep-batch: '2/30/96' is not a valid date\n");
    EXPECT_EQ(dump("INV.DBF").size(), 1); // the record before it stays
    EXPECT_EQ(run({"import", file("INV.DBF"), dates, "--text", "--map", "Nope=Item"}).status, 2);
    EXPECT_EQ(run({"import", file("INV.DBF"), dates, "--text", "--map", "Item=Nope"}).status, 2);
    EXPECT_EQ(run({"import", file("INV.DBF"), dates}).status, 2);
    EXPECT_EQ(run({"import", file("INV.DBF"), dates, "--text", "--dbf"}).status, 2);
}

} // namespace
