// The real engines under the offscreen platform: PDF files read back with poppler's tools,
// recordings drawn and printed again, cells measured with the fonts the pages name.
#include "reports/report_job.h"

#include "db/inventory_fixture.h"
#include "db/sort_expression.h"
#include "gui_app.h"
#include "settings/date_format.h"
#include "settings/settings.h"
#include "support/scripted_prompter.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

// QStrings in failure messages as text.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString &s, std::ostream *os) {
    *os << '"' << s.toStdString() << '"';
}
QT_END_NAMESPACE

namespace {

using namespace reports;

ReportDefinition builtIn(const QString &name) {
    for (const ReportDefinition &d : urp::BuiltInDefinitions())
        if (d.name == name)
            return d;
    throw std::logic_error("no such built-in");
}

QString pdfText(const QString &pdf, int first = 0, int last = 0) {
    std::string command = "pdftotext -layout";
    if (first > 0)
        command += " -f " + std::to_string(first) + " -l " + std::to_string(last);
    command += " " + testfiles::quoted(pdf.toStdString()) + " -";
    return QString::fromStdString(testfiles::run(command));
}

QString pdfInfo(const QString &pdf) {
    return QString::fromStdString(
        testfiles::run("pdfinfo " + testfiles::quoted(pdf.toStdString())));
}

int pdfPages(const QString &pdf) {
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(pdfInfo(pdf));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

class PaintedEngineTest : public testing::Test {
protected:
    static void SetUpTestSuite() { EnsureGuiApplication(); }

    void SetUp() override {
        if (!testfiles::executable("/usr/bin/pdftotext"))
            GTEST_SKIP() << "poppler-utils are not installed";
        ASSERT_TRUE(m_dir.isValid());
        ApplyDateFormat(1, false);
        m_path = fixture::newInventory(m_dir);
        m_table.open(m_path, MyTable::OpenMode::Exclusive);
    }
    void TearDown() override { ResetDateFormat(); }

    void sorted() {
        fixture::reopenSorted(m_table, m_path,
                              QString::fromStdString(BuildSortString(m_settings.sortLevels)));
    }

    // Produces `d` into a PDF file; returns the number of pages the engine made.
    int toPdf(const ReportDefinition &d, const QString &pdf) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        printer.setPageSize(QPageSize(QPageSize::Letter));
        ReportJob job;
        job.mode = OutputMode::Printer;
        job.printer = &printer;
        auto engine = job.makeEngine(d, &m_prompter);
        ReportProduction p(*engine, d, m_table, m_settings, OutputMode::Printer);
        p.setToday(QDate(1996, 7, 5));
        EXPECT_EQ(p.run(), RunResult::Completed);
        return engine->currentPage();
    }

    // Records `d` into `stream`; returns the number of pages.
    int record(const ReportDefinition &d, QIODevice &stream) {
        ReportJob job;
        job.mode = OutputMode::Preview;
        job.recording = &stream;
        job.paper = QPageSize(QPageSize::Letter);
        auto engine = job.makeEngine(d, &m_prompter);
        ReportProduction p(*engine, d, m_table, m_settings, OutputMode::Preview);
        p.setToday(QDate(1996, 7, 5));
        EXPECT_EQ(p.run(), RunResult::Completed);
        return engine->currentPage();
    }

    QTemporaryDir m_dir;
    QString m_path;
    MyTable m_table;
    Settings m_settings;
    ScriptedPrompter m_prompter;
};

TEST_F(PaintedEngineTest, TheDefinitionsFontsComeOutInTheirMetricCompatibleFaces) {
    EXPECT_EQ(QFontInfo(MakeQFont({QStringLiteral("Arial"), 160})).family(), u"Liberation Sans");
    EXPECT_EQ(QFontInfo(MakeQFont({QStringLiteral("Courier New"), 200})).family(),
              u"Liberation Mono");
}

TEST_F(PaintedEngineTest, APdfOfABuiltInReportHoldsItsLinesPagesAndFooters) {
    fixture::addGenerated(m_table, 150, 7);
    fixture::addItem(m_table, QStringLiteral("Grand piano"), QStringLiteral("Music"));
    m_table.edit();
    m_table.setText(field::Quantity, QStringLiteral("2"));
    m_table.setText(field::Cost, QStringLiteral("12500.00"));
    m_table.setText(field::Location, QStringLiteral("Parlour"));
    m_table.post();
    sorted();
    m_settings.printInsuranceCompany = true;
    m_settings.insuranceCompany = QStringLiteral("Acme Mutual");
    ReportDefinition d = builtIn(QStringLiteral("Short Narrow Report"));
    d.titles[0] = QStringLiteral("Household Inventory");
    const QString pdf = m_dir.filePath(QStringLiteral("narrow.pdf"));
    const int pages = toPdf(d, pdf);
    ASSERT_GE(pages, 3);
    EXPECT_EQ(pdfPages(pdf), pages);
    EXPECT_NE(pdfInfo(pdf).indexOf(QLatin1String("612 x 792 pts")), -1) << "Letter, portrait";

    const QString text = pdfText(pdf);
    const QStringList lines = text.split(QLatin1Char('\n'));
    auto lineWith = [&](const QString &needle) -> QString {
        for (const QString &l : lines)
            if (l.contains(needle))
                return l.simplified();
        return QString();
    };
    EXPECT_EQ(lineWith(QStringLiteral("Household")), u"Household Inventory");
    EXPECT_EQ(lineWith(QStringLiteral("Replacement")),
              u"Item Location Cost Replacement Cos Quantity"); // cut to its cell
    EXPECT_EQ(lineWith(QStringLiteral("Grand piano")), u"Grand piano Parlour 12,500.00 0.00 2");
    EXPECT_EQ(lineWith(QStringLiteral("GRAND")), u"GRAND TOTALS");
    for (int page = 1; page <= pages; ++page)
        EXPECT_EQ(pdfText(pdf, page, page).count(QStringLiteral("Page %1 ").arg(page)), 1);
    EXPECT_EQ(lineWith(QStringLiteral("Page 1 ")), u"Page 1 Acme Mutual 7/5/96");
    // A totals block for every group (the last one's in the final block), and the grand
    // totals.
    QSet<QString> groups;
    for (MyTable::Scanner scan = m_table.scanner(); scan.next();)
        groups.insert(scan.view().text(field::Category));
    EXPECT_EQ(text.count(QRegularExpression(QStringLiteral("(?<!GRAND )TOTALS"))), groups.size());
    for (const QString &g : groups)
        EXPECT_FALSE(lineWith(g).isEmpty()) << g.toStdString();
    // The fonts are in the file.
    const std::string fonts = testfiles::run("pdffonts " + testfiles::quoted(pdf.toStdString()));
    EXPECT_NE(fonts.find("LiberationSans"), std::string::npos) << fonts;
    const QRegularExpression fontLine(
        QStringLiteral("\\s(yes|no)\\s+(yes|no)\\s+(yes|no)\\s+\\d+\\s+\\d+$"),
        QRegularExpression::MultilineOption);
    int fontCount = 0;
    for (auto m = fontLine.globalMatch(QString::fromStdString(fonts)); m.hasNext(); ++fontCount)
        EXPECT_EQ(m.next().captured(1), u"yes") << "a font is not embedded:\n" << fonts;
    EXPECT_GE(fontCount, 1);
}

TEST_F(PaintedEngineTest, LandscapeDefinitionsTurnThePaper) {
    fixture::addGenerated(m_table, 5, 3);
    sorted();
    ReportDefinition d = builtIn(QStringLiteral("Full Report"));
    d.landscape = true;
    const QString pdf = m_dir.filePath(QStringLiteral("full.pdf"));
    EXPECT_GE(toPdf(d, pdf), 1);
    EXPECT_NE(pdfInfo(pdf).indexOf(QLatin1String("792 x 612 pts")), -1)
        << pdfInfo(pdf).toStdString();
}

// Every text drawn in a bordered cell stays inside the cell's inner width in the font it
// is drawn with.
TEST_F(PaintedEngineTest, CutTextsAreNeverWiderThanTheirCells) {
    for (int i = 0; i < 40; ++i) {
        m_table.insert();
        m_table.setText(field::Item, QString(40, QLatin1Char(i % 2 ? 'W' : 'i')));
        m_table.setText(field::Location, QStringLiteral("MMMMMMMMMMMMMMMMMMMMMMMMMMMMMM"));
        m_table.setText(field::Owner, QStringLiteral("WWWWWWWWWWWWWWWWWWWWWWWWWWWWWW"));
        m_table.setText(field::Cost, QStringLiteral("999999999.99"));
        m_table.setText(field::Quantity, QStringLiteral("9999"));
        m_table.setText(field::Category, QString(20, QLatin1Char('W')));
        m_table.post();
    }
    sorted();
    for (const char *name :
         {"Short Narrow Report", "Short Wide Report", "Location & Owner Report"}) {
        SCOPED_TRACE(name);
        QBuffer stream;
        stream.open(QIODevice::ReadWrite);
        m_table.first();
        ASSERT_GE(record(builtIn(QLatin1String(name)), stream), 1);
        RecordedPages pages(stream);
        int checked = 0;
        for (int n = 1; n <= pages.pageCount(); ++n) {
            const std::vector<PageItem> items = PageListItems(pages.page(n));
            for (const PageItem &t : items) {
                if (t.kind != PageItem::Kind::Text)
                    continue;
                const double width =
                    QFontMetricsF(MakeQFont(t.font)).horizontalAdvance(t.text) / kTwipsPerInch;
                for (const PageItem &b : items) {
                    if (b.kind != PageItem::Kind::Box || t.y < b.y || t.y > b.y + b.height ||
                        t.x < b.x || t.x > b.x + b.width)
                        continue;
                    // Positions are kept in twips: allow that much.
                    EXPECT_LE(t.x + width, b.x + b.width - 0.02 + 2.0 / kTwipsPerInch)
                        << t.text.toStdString();
                    EXPECT_GE(t.x, b.x + 0.02 - 2.0 / kTwipsPerInch) << t.text.toStdString();
                    ++checked;
                }
            }
        }
        EXPECT_GT(checked, 40);
    }
}

TEST_F(PaintedEngineTest, ARecordingShowsAndPrintsWhatThePrinterGets) {
    fixture::addGenerated(m_table, 120, 11);
    sorted();
    const ReportDefinition d = builtIn(QStringLiteral("Medium Report"));
    QBuffer stream;
    stream.open(QIODevice::ReadWrite);
    const int pages = record(d, stream);
    ASSERT_GE(pages, 3);
    RecordedPages recorded(stream);
    ASSERT_EQ(recorded.pageCount(), pages);
    EXPECT_NEAR(recorded.pageSize(1).width(), 8.5, 1e-3);
    EXPECT_NEAR(recorded.pageSize(1).height(), 11.0, 1e-3);
    EXPECT_TRUE(recorded.page(0).isEmpty());
    EXPECT_TRUE(recorded.page(pages + 1).isEmpty());

    // Drawn at a preview's scale, the page has ink on it.
    QImage image(425, 550, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        recorded.drawPage(2, painter, 50.0);
    }
    int ink = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ink += qGray(image.pixel(x, y)) < 128;
    EXPECT_GT(ink, 500);

    // Pages 2 and 3 printed from the recording read as those pages printed directly.
    const QString direct = m_dir.filePath(QStringLiteral("direct.pdf"));
    m_table.first();
    ASSERT_EQ(toPdf(d, direct), pages);
    const QString range = m_dir.filePath(QStringLiteral("range.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(range);
    TFilePrinter pagePrinter(recorded, &m_prompter);
    ASSERT_TRUE(pagePrinter.print(printer, 2, 3));
    EXPECT_FALSE(pagePrinter.busy());
    EXPECT_EQ(pdfPages(range), 2);
    EXPECT_EQ(pdfText(range), pdfText(direct, 2, 3));
    EXPECT_TRUE(m_prompter.asked.empty());
}

TEST_F(PaintedEngineTest, ThePrinterObjectRefusesWhenThereIsNoPrinter) {
    // As on a machine without any printer, whatever this one has.
    SetPrintersInstalledForTesting(false);
    struct Restore {
        ~Restore() { SetPrintersInstalledForTesting(std::nullopt); }
    } restore;
    fixture::addGenerated(m_table, 3, 1);
    QPrinter printer; // no printer: Qt makes it a PDF printer without a file
    ReportJob job;
    job.mode = OutputMode::Printer;
    job.printer = &printer;
    const ReportDefinition d = builtIn(QStringLiteral("Short Narrow Report"));
    auto engine = job.makeEngine(d, &m_prompter);
    ReportProduction p(*engine, d, m_table, m_settings, OutputMode::Printer);
    EXPECT_EQ(p.run(), RunResult::NoPrinter);
    ASSERT_EQ(m_prompter.asked.size(), 1u);
    EXPECT_EQ(m_prompter.asked[0].text, u"No printers are defined, aborting print job.");
    // The page printer refuses the same way.
    QBuffer stream;
    stream.open(QIODevice::ReadWrite);
    ASSERT_GE(record(d, stream), 1);
    RecordedPages recorded(stream);
    TFilePrinter pagePrinter(recorded, &m_prompter);
    EXPECT_FALSE(pagePrinter.print(printer, 1, 1));
    EXPECT_EQ(m_prompter.asked.size(), 2u);
}

TEST_F(PaintedEngineTest, LinesLeftCountWholeLinesOfTheCurrentFont) {
    TReportFiler filer;
    filer.setPaper(QPageSize(QPageSize::Letter));
    filer.selectFont(QStringLiteral("Arial"), 10);
    filer.setBand(1.25, 9.75);
    filer.home();
    const double h = filer.lineHeight();
    EXPECT_GT(h, 0.13);
    EXPECT_LT(h, 0.2);
    EXPECT_EQ(filer.linesLeft(), static_cast<int>(8.5 / h));
    filer.endLine();
    EXPECT_EQ(filer.linesLeft(), static_cast<int>(8.5 / h) - 1);
    filer.setBand(1.25, 1.25 + h * 3);
    filer.home();
    EXPECT_EQ(filer.linesLeft(), 3); // exactly three lines fit
    filer.setBand(5, 4);
    filer.home();
    EXPECT_EQ(filer.linesLeft(), 0);
    // Bold is wider; the width follows the font.
    const double plain = filer.textWidth(QStringLiteral("Household inventory"));
    filer.setBold(true);
    EXPECT_GT(filer.textWidth(QStringLiteral("Household inventory")), plain);
    EXPECT_NEAR(filer.pageWidth(), 8.5, 1e-6);
    filer.setLandscape(true);
    EXPECT_NEAR(filer.pageWidth(), 11.0, 1e-6);
}

// Widths are added up from the characters' advances; the text drawn in the same font must
// be exactly that wide, or cut texts could reach past their cells.
TEST_F(PaintedEngineTest, TextWidthsAreTheWidthsTextIsDrawnWith) {
    TReportFiler filer;
    const QStringList texts = {QStringLiteral("AVAVA Wavy Tj To"), QStringLiteral("office ffi fl"),
                               QStringLiteral("1,234,567.89"),
                               QStringLiteral("M\u00fcller \u00a7 \u20ac 12"),
                               QStringLiteral("Replacement Cost:")};
    for (const char *face : {"Arial", "Courier New", "Times New Roman"})
        for (int style = 0; style < 4; ++style) {
            filer.selectFont(QLatin1String(face), 8 + style * 3);
            filer.setBold(style & 1);
            filer.setItalic(style & 2);
            PageFont font{QLatin1String(face), (8 + style * 3) * 20, bool(style & 1),
                          bool(style & 2)};
            const QFontMetricsF drawn(MakeQFont(font));
            for (const QString &t : texts)
                EXPECT_NEAR(filer.textWidth(t), drawn.horizontalAdvance(t) / kTwipsPerInch, 1e-6)
                    << face << " " << style << " " << t.toStdString();
        }
}

TEST_F(PaintedEngineTest, ADamagedRecordingGivesItsWholePagesOnly) {
    fixture::addGenerated(m_table, 100, 5);
    sorted();
    QBuffer stream;
    stream.open(QIODevice::ReadWrite);
    const int pages = record(builtIn(QStringLiteral("Short Wide Report")), stream);
    ASSERT_GE(pages, 2);
    QByteArray bytes = stream.data();
    bytes.chop(10);
    QBuffer cut(&bytes);
    cut.open(QIODevice::ReadOnly);
    RecordedPages recorded(cut);
    EXPECT_EQ(recorded.pageCount(), pages - 1);
    QByteArray garbage("SKRP\x01\x00\xff\xff\xff\x7f", 10);
    QBuffer bad(&garbage);
    bad.open(QIODevice::ReadOnly);
    EXPECT_EQ(RecordedPages(bad).pageCount(), 0);
    // A list damaged inside draws what comes before the damage.
    QByteArray page = recorded.page(1);
    for (qsizetype i = page.size() / 2; i < page.size(); ++i)
        page[i] = 'Z';
    QImage image(100, 100, QImage::Format_RGB32);
    QPainter painter(&image);
    DrawPageList(page, painter, 10.0);
    EXPECT_LT(PageListTexts(page).size(), PageListTexts(recorded.page(1)).size());
}

} // namespace
