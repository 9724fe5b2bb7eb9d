// The batch tool's report command, run as a process: the same production as the report
// window, with the configuration's sort order, display names, formats and insurance
// details.
#include "app/batch_runner.h"
#include "support/cups_pdf.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <functional>

namespace {

using batchtest::Outcome;

class BatchReportTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(QFile::exists(QString::fromLatin1(test_paths::kBatchExe)));
    }

    Outcome run(const QStringList &args) { return batchtest::Run(QDir(m_dir.path()), args); }
    // The sum of quantity x cost over the records of the dump that `keep` accepts.
    double costOf(const std::function<bool(const QStringList &)> &keep) {
        double cost = 0;
        for (const QString &row :
             run({QStringLiteral("dump"), file("INV.DBF")}).out.split(u'\n', Qt::SkipEmptyParts)) {
            const QStringList cells = row.split(u'|');
            if (keep(cells))
                cost += cells[8].toInt() * cells[10].toDouble();
        }
        return cost;
    }
    void config(const QByteArray &ini) {
        QFile f(file("STOWKP.INI"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(ini);
    }
    QString file(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)); }
    QString read(const char *name) const {
        QFile f(file(name));
        return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()) : QString();
    }

    QTemporaryDir m_dir;
};

TEST_F(BatchReportTest, TextReportInTheConfigurationsOrderNamesAndFormats) {
    // Sorted and grouped by Owner, with a display name of the user's, day-month dates and
    // the insurance details in the footer.
    config("[Sort Order]\r\nPrimary Sort=17\r\n"
           "[Field Names]\r\nItem=Possession\r\n"
           "[Misc]\r\nDate Format=12\r\nDate Leading Zeros=Yes\r\n"
           "[Reports]\r\nPrint Insurance Company=Yes\r\nInsurance Company=Acme Mutual\r\n"
           "Print Statement=Yes\r\nYour Name=Pat Owner\r\n");
    ASSERT_EQ(run({QStringLiteral("generate"), file("INV.DBF"), QStringLiteral("200"),
                   QStringLiteral("--seed"), QStringLiteral("2")})
                  .status,
              0);
    const Outcome r =
        run({QStringLiteral("report"), file("INV.DBF"), QStringLiteral("--name"),
             QStringLiteral("Location & Owner Report"), QStringLiteral("--text"), file("OUT.TXT")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith(u"report \"Location & Owner Report\": ")) << r.out.toStdString();
    const QString text = read("OUT.TXT");
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("Possession") + QString(23, u' ') +
                                    QStringLiteral("Location")))
        << lines[0].toStdString();
    // Grouped by owner: each group's heading is an owner, and the rows under it are theirs.
    const QString today = QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy"));
    EXPECT_TRUE(text.contains(QStringLiteral("Page 1     Acme Mutual         ") + today +
                              QLatin1Char('\f')));
    EXPECT_TRUE(
        text.contains(QStringLiteral("As of this date, ") + today +
                      QStringLiteral(", this is a true and accurate inventory of my home.")));
    QString owner;
    int rows = 0;
    for (int i = 0; i + 1 < lines.size(); ++i) {
        if (lines[i].trimmed().startsWith(u'-') && i + 2 < lines.size()) {
            owner = lines[i + 1].trimmed();
            i += 2;
            continue;
        }
        if (lines[i].size() == 90 && !owner.isEmpty() && !lines[i].startsWith(u"Possession")) {
            EXPECT_EQ(lines[i].mid(63).trimmed(), owner) << lines[i].toStdString();
            ++rows;
        }
    }
    EXPECT_EQ(rows, 200);
    // The definition file was made with the built-ins.
    EXPECT_EQ(QFileInfo(file("STOWKP.URP")).size(), 8 * 20622);
}

TEST_F(BatchReportTest, PdfReportHasTheRecordsAsTextAndTheTotals) {
    if (!testfiles::executable("/usr/bin/pdftotext"))
        GTEST_SKIP() << "poppler-utils are not installed";
    ASSERT_EQ(run({QStringLiteral("generate"), file("INV.DBF"), QStringLiteral("120")}).status, 0);
    const Outcome r = run({QStringLiteral("report"), file("INV.DBF"), QStringLiteral("--index"),
                           QStringLiteral("0"), QStringLiteral("--pdf"), file("OUT.PDF"),
                           QStringLiteral("--paper"), QStringLiteral("A4")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QString pages =
        QRegularExpression(QStringLiteral("(\\d+) pages")).match(r.out).captured(1);
    const std::string info =
        testfiles::run("pdfinfo " + testfiles::quoted(file("OUT.PDF").toStdString()));
    EXPECT_NE(info.find("Pages:           " + pages.toStdString() + "\n"), std::string::npos)
        << info;
    EXPECT_NE(info.find("595 x 842 pts (A4)"), std::string::npos) << info;
    const QString text = QString::fromStdString(testfiles::run(
        "pdftotext -layout " + testfiles::quoted(file("OUT.PDF").toStdString()) + " -"));
    // The grand total of Cost is the sum of quantity x cost over the records the dump gives.
    const double cost = costOf([](const QStringList &) { return true; });
    const QString grand = text.section(QStringLiteral("GRAND TOTALS"), 1);
    const QString expected = QLocale(QLocale::English).toString(cost, 'f', 2);
    EXPECT_TRUE(grand.contains(QStringLiteral("Cost: ") + expected))
        << expected.toStdString() << "\n"
        << grand.left(300).toStdString();
}

TEST_F(BatchReportTest, APrinterGetsThePagesAndTextOfThePdfReport) {
    if (!reportui::PdfQueueExists())
        GTEST_SKIP() << "no CUPS queue " << reportui::kPdfQueue
                     << " (scripts/start-cups.sh makes one)";
    ASSERT_EQ(run({QStringLiteral("generate"), file("INV.DBF"), QStringLiteral("90")}).status, 0);
    const QStringList report = {QStringLiteral("report"),  file("INV.DBF"),
                                QStringLiteral("--index"), QStringLiteral("0"),
                                QStringLiteral("--paper"), QStringLiteral("A4")};
    ASSERT_EQ(run(report + QStringList{QStringLiteral("--pdf"), file("OUT.PDF")}).status, 0);
    const int pages = reportui::PdfPages(file("OUT.PDF"));
    QStringList words = reportui::Words(reportui::PdfText(file("OUT.PDF")));
    words.sort();
    ASSERT_GT(pages, 1);

    const QDateTime since = QDateTime::currentDateTime();
    const Outcome r =
        run(report + QStringList{QStringLiteral("--printer"), QLatin1String(reportui::kPdfQueue)});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("printer ") + QLatin1String(reportui::kPdfQueue)))
        << r.out.toStdString();
    const QString printed = reportui::WaitForCupsPdf(since, [&](const QString &f) {
        QStringList got = reportui::Words(reportui::PdfText(f));
        got.sort();
        return reportui::PdfPages(f) == pages && got == words;
    });
    EXPECT_FALSE(printed.isEmpty()) << "no job of " << pages << " pages with the PDF's text in "
                                    << reportui::CupsPdfFolder().toStdString();

    const Outcome unknown =
        run(report + QStringList{QStringLiteral("--printer"), QStringLiteral("NoSuchQueue")});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_TRUE(unknown.err.contains(u"no printer named \"NoSuchQueue\""))
        << unknown.err.toStdString();
}

TEST_F(BatchReportTest, ASearchGivenWithTheReportPrintsOnlyTheMatchingRecords) {
    ASSERT_EQ(run({QStringLiteral("generate"), file("INV.DBF"), QStringLiteral("150")}).status, 0);
    const Outcome r = run({QStringLiteral("report"), file("INV.DBF"), QStringLiteral("--index"),
                           QStringLiteral("0"), QStringLiteral("--text"), file("OUT.TXT"),
                           QStringLiteral("--level"), QStringLiteral("Cost:> 500")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const double all = costOf([](const QStringList &) { return true; });
    const double matching = costOf([](const QStringList &c) { return c[10].toDouble() > 500; });
    ASSERT_GT(matching, 0);
    ASSERT_LT(matching, all) << "the search must leave records out";
    const QString grand = read("OUT.TXT").section(QStringLiteral("GRAND TOTALS"), 1);
    EXPECT_TRUE(grand.contains(QLocale(QLocale::English).toString(matching, 'f', 2)))
        << grand.left(300).toStdString();

    // A criterion the search window would refuse stops the report with its message.
    const Outcome bad = run({QStringLiteral("report"), file("INV.DBF"), QStringLiteral("--index"),
                             QStringLiteral("0"), QStringLiteral("--text"), file("BAD.TXT"),
                             QStringLiteral("--level"), QStringLiteral("Cost:> 1,5")});
    EXPECT_EQ(bad.status, 1);
    EXPECT_TRUE(bad.err.contains(QStringLiteral("Error: Invalid search criteria")))
        << bad.err.toStdString();
    EXPECT_FALSE(QFile::exists(file("BAD.TXT")));
}

TEST_F(BatchReportTest, WrongCommandLinesAndMissingReportsAreRefused) {
    ASSERT_EQ(run({QStringLiteral("generate"), file("INV.DBF"), QStringLiteral("5")}).status, 0);
    for (const QStringList &args :
         {QStringList{QStringLiteral("report"), file("INV.DBF"), QStringLiteral("--text"),
                      file("A.TXT")},
          QStringList{QStringLiteral("report"), file("INV.DBF"), QStringLiteral("--index"),
                      QStringLiteral("0")},
          QStringList{QStringLiteral("report"), file("INV.DBF"), QStringLiteral("--index"),
                      QStringLiteral("0"), QStringLiteral("--name"), QStringLiteral("x"),
                      QStringLiteral("--text"), file("A.TXT")},
          QStringList{QStringLiteral("report"), file("INV.DBF"), QStringLiteral("--index"),
                      QStringLiteral("zero"), QStringLiteral("--text"), file("A.TXT")},
          QStringList{QStringLiteral("report"), file("INV.DBF"), QStringLiteral("--index"),
                      QStringLiteral("0"), QStringLiteral("--pdf"), file("A.PDF"),
                      QStringLiteral("--paper"), QStringLiteral("B7")}}) {
        const Outcome r = run(args);
        EXPECT_EQ(r.status, 2) << args.join(u' ').toStdString();
        EXPECT_TRUE(r.err.contains(u"usage: stowkeep-batch")) << r.err.toStdString();
    }
    Outcome r = run({QStringLiteral("report"), file("INV.DBF"), QStringLiteral("--index"),
                     QStringLiteral("8"), QStringLiteral("--text"), file("A.TXT")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(u"has no report number 9")) << r.err.toStdString();
    r = run({QStringLiteral("report"), file("INV.DBF"), QStringLiteral("--name"),
             QStringLiteral("Nope"), QStringLiteral("--text"), file("A.TXT")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(u"no report named \"Nope\"")) << r.err.toStdString();
    r = run({QStringLiteral("report"), file("INV.DBF"), QStringLiteral("--index"),
             QStringLiteral("0"), QStringLiteral("--text"), file("no/such/dir/A.TXT")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(u"could not be created")) << r.err.toStdString();
}

} // namespace
