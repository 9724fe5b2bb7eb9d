// The preview over a real recording, and printing from it and from the selection window
// through the print dialog: into PDF files, into the CUPS PDF queue, and with no queue.
#include "reports/ui/t_my_preview.h"

#include "report_ui_fixture.h"
#include "reports/page_list.h"
#include "reports/report_job.h"
#include "reports/ui/t_file_preview.h"
#include "reports/ui/t_my_report.h"
#include "reports/ui/t_print_range.h"
#include "reports/ui/t_report_form.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QToolButton>

#include <algorithm>

namespace {

using namespace reportui;

QStringList sortedWords(const QString &text) {
    QStringList words = Words(text);
    words.sort();
    return words;
}

class PreviewTest : public ReportWindowTest {
protected:
    int records() const override { return 150; }

    void SetUp() override {
        ReportWindowTest::SetUp();
        if (HasFatalFailure())
            return;
        m_stream.open(QIODevice::ReadWrite);
        reports::ReportJob job;
        job.mode = reports::OutputMode::Preview;
        job.recording = &m_stream;
        job.paper = QPageSize(QPageSize::Letter);
        m_definition = ReportFile(m_programDir).read(0); // Short Narrow Report
        auto engine = job.makeEngine(m_definition, &m_prompter);
        reports::ReportProduction production(*engine, m_definition, m_table, m_settings,
                                             reports::OutputMode::Preview);
        ASSERT_EQ(production.run(), reports::RunResult::Completed);
        m_pages = std::make_unique<reports::RecordedPages>(m_stream);
        ASSERT_GE(m_pages->pageCount(), 3);
    }

    std::unique_ptr<TMyPreview> open() {
        auto preview = std::make_unique<TMyPreview>(*m_pages, m_settings, m_prompter, FormLook{},
                                                    m_definition.name);
        preview->show();
        EXPECT_TRUE(WaitFor([&] { return preview->viewer()->showing(); }));
        return preview;
    }
    static QString text(QWidget *w, const char *name) {
        return w->findChild<QLabel *>(QLatin1String(name))
                   ? w->findChild<QLabel *>(QLatin1String(name))->text()
                   : w->findChild<QLineEdit *>(QLatin1String(name))->text();
    }
    static void type(QWidget *w, const char *name, const QString &value) {
        auto *edit = w->findChild<QLineEdit *>(QLatin1String(name));
        edit->setText(value);
        Q_EMIT edit->editingFinished();
    }
    // The words of recorded pages first..last, sorted.
    QStringList recordedWords(int first, int last) const {
        QString all;
        for (int n = first; n <= last; ++n)
            for (const QString &t : reports::PageListTexts(m_pages->page(n)))
                all += t + QLatin1Char(' ');
        return sortedWords(all);
    }
    // Answers the next print dialog by choosing a PDF file.
    void printToPdf(const QString &path) {
        m_prompter.printDialogAnswers.push_back([path](QPrinter &printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(path);
            return true;
        });
    }
    void printToQueue() {
        m_prompter.printDialogAnswers.push_back([](QPrinter &printer) {
            printer.setOutputFileName(QString());
            printer.setOutputFormat(QPrinter::NativeFormat);
            printer.setPrinterName(QLatin1String(kPdfQueue));
            return true;
        });
    }

    QBuffer m_stream;
    ReportDefinition m_definition;
    std::unique_ptr<reports::RecordedPages> m_pages;
};

TEST_F(PreviewTest, PagesAreTurnedByButtonsMenuAndPageBox) {
    auto preview = open();
    const int pages = m_pages->pageCount();
    const QString of = QStringLiteral(" of %1").arg(pages);
    EXPECT_EQ(preview->windowTitle(), u"Short Narrow Report");
    EXPECT_EQ(text(preview.get(), "PageLabel"), "Page 1" + of);
    EXPECT_EQ(text(preview.get(), "PageEdit"), u"1");

    struct Hint {
        const char *name, *hint;
    };
    for (const Hint h :
         {Hint{"SBZoomIn", "Zoom In"}, Hint{"SBZoomOut", "Zoom Out"},
          Hint{"SBZoomPageWidth", "Zoom Page Width"}, Hint{"SBZoomPage", "Zoom Whole Page"},
          Hint{"SBPrevPage", "Prev Page"}, Hint{"SBNextPage", "Next Page"},
          Hint{"SBPrint", "Print Page"}, Hint{"SBDone", "Done"}}) {
        auto *b = preview->findChild<QToolButton *>(QLatin1String(h.name));
        ASSERT_NE(b, nullptr) << h.name;
        EXPECT_EQ(b->toolTip(), QLatin1String(h.hint));
    }
    preview->findChild<QToolButton *>(QStringLiteral("SBNextPage"))->click();
    preview->menuAction(QStringLiteral("MenuNextPage"))->trigger();
    EXPECT_EQ(text(preview.get(), "PageLabel"), "Page 3" + of);
    preview->findChild<QToolButton *>(QStringLiteral("SBPrevPage"))->click();
    EXPECT_EQ(preview->viewer()->currentPage(), 2);
    preview->menuAction(QStringLiteral("MenuLastPage"))->trigger();
    EXPECT_EQ(preview->viewer()->currentPage(), pages);
    preview->NextPage(); // past the end: stays
    EXPECT_EQ(preview->viewer()->currentPage(), pages);
    preview->menuAction(QStringLiteral("MenuFirstPage"))->trigger();
    EXPECT_EQ(text(preview.get(), "PageLabel"), "Page 1" + of);

    type(preview.get(), "PageEdit", QStringLiteral("2"));
    EXPECT_EQ(preview->viewer()->currentPage(), 2);
    type(preview.get(), "PageEdit", QStringLiteral("two"));
    EXPECT_EQ(preview->viewer()->currentPage(), 2);
    EXPECT_EQ(text(preview.get(), "PageEdit"), u"2");
    type(preview.get(), "PageEdit", QString::number(pages + 1));
    EXPECT_EQ(preview->viewer()->currentPage(), 2);

    EXPECT_EQ(preview->menuAction(QStringLiteral("MenuNextPage"))->shortcut(),
              QKeySequence(QStringLiteral("Ctrl+N")));
    EXPECT_EQ(preview->menuAction(QStringLiteral("MenuPrintRange"))->shortcut(),
              QKeySequence(QStringLiteral("Ctrl+G")));
}

TEST_F(PreviewTest, ZoomStepsFixedZoomsFitsAndTheZoomBox) {
    auto preview = open();
    TFilePreview *viewer = preview->viewer();
    EXPECT_EQ(text(preview.get(), "ZoomEdit"), u"100.0");
    preview->findChild<QToolButton *>(QStringLiteral("SBZoomIn"))->click();
    EXPECT_EQ(text(preview.get(), "ZoomEdit"), u"110.0");
    preview->ZoomOut();
    preview->ZoomOut();
    EXPECT_DOUBLE_EQ(viewer->zoom(), 90.0);

    type(preview.get(), "ZoomEdit", QStringLiteral("abc"));
    EXPECT_DOUBLE_EQ(viewer->zoom(), 90.0);
    EXPECT_EQ(text(preview.get(), "ZoomEdit"), u"90.0");
    type(preview.get(), "ZoomEdit", QStringLiteral("150"));
    EXPECT_DOUBLE_EQ(viewer->zoom(), 150.0);

    preview->menuAction(QStringLiteral("MenuZoomOut3"))->trigger();
    EXPECT_EQ(text(preview.get(), "ZoomEdit"), u"33.3");
    preview->menuAction(QStringLiteral("MenuZoomIn2"))->trigger();
    EXPECT_DOUBLE_EQ(viewer->zoom(), 200.0);
    preview->menuAction(QStringLiteral("MenuZoomOut5"))->trigger();
    EXPECT_DOUBLE_EQ(viewer->zoom(), 20.0);

    preview->resize(700, 600);
    QCoreApplication::processEvents();
    preview->ZoomPageWidth();
    const QRect width = viewer->pageRect();
    EXPECT_NEAR(width.width() * 1.05, viewer->viewport()->width(), 3);
    preview->ZoomPage();
    const QRect whole = viewer->pageRect();
    EXPECT_LE(whole.height(), viewer->viewport()->height());
    EXPECT_GE(whole.top(), 0);
    EXPECT_NEAR(whole.height() + 2 * 0.025 * whole.width(), viewer->viewport()->height(), 3);
}

TEST_F(PreviewTest, ThePageIsDrawnFromItsListAndColourIsSwitched) {
    auto preview = open();
    TFilePreview *viewer = preview->viewer();
    preview->resize(900, 700);
    preview->ZoomPageWidth();
    QCoreApplication::processEvents();
    const QImage shot = viewer->viewport()->grab().toImage();
    const QRect page = viewer->pageRect().intersected(shot.rect());
    int ink = 0;
    for (int y = page.top(); y < page.bottom(); y += 2)
        for (int x = page.left(); x < page.right(); x += 2)
            ink += qGray(shot.pixel(x, y)) < 100;
    EXPECT_GT(ink, 200) << "text and cell borders of page 1";

    QAction *color = preview->menuAction(QStringLiteral("MenuUseColor"));
    EXPECT_FALSE(color->isChecked());
    EXPECT_TRUE(viewer->monochrome());
    color->trigger();
    EXPECT_TRUE(color->isChecked());
    EXPECT_FALSE(viewer->monochrome());
    EXPECT_TRUE(viewer->showing());
    color->trigger();
    EXPECT_FALSE(color->isChecked());
}

TEST_F(PreviewTest, TheWindowBoundsAreKeptInTheSettings) {
    m_settings.reportLeft = 30;
    m_settings.reportTop = 40;
    m_settings.reportWidth = 700;
    m_settings.reportHeight = 500;
    auto preview = open();
    EXPECT_EQ(preview->size(), QSize(700, 500));
    preview->resize(760, 520);
    preview->move(50, 60);
    preview->findChild<QToolButton *>(QStringLiteral("SBDone"))->click();
    EXPECT_FALSE(preview->isVisible());
    EXPECT_FALSE(preview->viewer()->showing());
    EXPECT_EQ(m_settings.reportWidth, 760);
    EXPECT_EQ(m_settings.reportHeight, 520);
    EXPECT_EQ(m_settings.reportLeft, preview->pos().x());
    EXPECT_EQ(m_settings.reportTop, preview->pos().y());
}

TEST_F(PreviewTest, ThePageRangeDialogRefusesBadPagesAndPrintsTheRangeIntoAPdf) {
    auto preview = open();
    const int pages = m_pages->pageCount();
    const QString pdf = m_dir.filePath(QStringLiteral("range.pdf"));
    printToPdf(pdf);
    QStringList refused;
    auto *driver = new QTimer(preview.get());
    QObject::connect(driver, &QTimer::timeout, preview.get(), [&, driver] {
        auto *range = qobject_cast<TPrintRange *>(QApplication::activeModalWidget());
        if (!range)
            return;
        driver->stop();
        EXPECT_EQ(range->windowTitle(), u"Page Printing");
        auto *start = range->findChild<QLineEdit *>(QStringLiteral("StartPage"));
        auto *end = range->findChild<QLineEdit *>(QStringLiteral("EndPage"));
        EXPECT_EQ(start->text(), u"1");
        EXPECT_EQ(end->text(), QString::number(pages));
        auto *print = range->findChild<QPushButton *>(QStringLiteral("PrintButton"));
        start->setText(QStringLiteral("0"));
        print->click();
        refused << m_prompter.last().text;
        start->setText(QStringLiteral("3"));
        end->setText(QStringLiteral("2"));
        print->click();
        refused << m_prompter.last().text;
        EXPECT_TRUE(range->isVisible());
        end->setText(QStringLiteral("3"));
        start->setText(QStringLiteral("2"));
        print->click();
    });
    driver->start(5);
    preview->menuAction(QStringLiteral("MenuPrintRange"))->trigger();
    EXPECT_EQ(refused, QStringList({"Invalid Starting Page specified. Please correct.",
                                    "Invalid Ending Page specified.  Please correct."}));
    ASSERT_TRUE(QFileInfo::exists(pdf));
    EXPECT_EQ(PdfPages(pdf), 2);
    EXPECT_EQ(sortedWords(PdfText(pdf)), recordedWords(2, 3));
}

TEST_F(PreviewTest, PrintPageAndReportGoThroughThePrintDialog) {
    auto preview = open();
    preview->NextPage();
    const QString page = m_dir.filePath(QStringLiteral("page.pdf"));
    printToPdf(page);
    preview->findChild<QToolButton *>(QStringLiteral("SBPrint"))->click();
    EXPECT_EQ(PdfPages(page), 1);
    EXPECT_EQ(sortedWords(PdfText(page)), recordedWords(2, 2));

    const QString all = m_dir.filePath(QStringLiteral("all.pdf"));
    printToPdf(all);
    preview->menuAction(QStringLiteral("MenuPrintReport"))->trigger();
    EXPECT_EQ(PdfPages(all), m_pages->pageCount());

    // Cancelled: nothing is printed.
    const QString none = m_dir.filePath(QStringLiteral("none.pdf"));
    m_prompter.printDialogAnswers.push_back([none](QPrinter &printer) {
        printer.setOutputFileName(none);
        return false;
    });
    preview->PrintPage();
    EXPECT_FALSE(QFileInfo::exists(none));
    EXPECT_EQ(m_prompter.printDialogs, 3);

    m_prompter.printerAnswers.push_back(true);
    preview->menuAction(QStringLiteral("MenuPrinterSetup"))->trigger();
    EXPECT_TRUE(m_prompter.printerAnswers.empty());
    EXPECT_TRUE(m_prompter.asked.empty());
}

TEST_F(PreviewTest, ARangePrintedOnTheCupsQueueHasThosePagesAndTheirText) {
    if (!PdfQueueExists())
        GTEST_SKIP() << "no CUPS queue " << kPdfQueue << " (scripts/start-cups.sh makes one)";
    auto preview = open();
    printToQueue();
    auto *driver = new QTimer(preview.get());
    QObject::connect(driver, &QTimer::timeout, preview.get(), [driver] {
        auto *range = qobject_cast<TPrintRange *>(QApplication::activeModalWidget());
        if (!range)
            return;
        driver->stop();
        range->findChild<QLineEdit *>(QStringLiteral("StartPage"))->setText(QStringLiteral("2"));
        range->findChild<QLineEdit *>(QStringLiteral("EndPage"))->setText(QStringLiteral("3"));
        range->findChild<QPushButton *>(QStringLiteral("PrintButton"))->click();
    });
    driver->start(5);
    const QDateTime since = QDateTime::currentDateTime();
    preview->PrintRange();
    const QString pdf = WaitForCupsPdf(since, [&](const QString &file) {
        return PdfPages(file) == 2 && sortedWords(PdfText(file)) == recordedWords(2, 3);
    });
    ASSERT_FALSE(pdf.isEmpty()) << "no PDF of those pages came out of the queue into "
                                << CupsPdfFolder().toStdString();
    EXPECT_EQ(PdfPages(pdf), 2);
    EXPECT_EQ(sortedWords(PdfText(pdf)), recordedWords(2, 3));
    EXPECT_TRUE(m_prompter.asked.empty());
}

// ---------------------------------------------------------------------------------------

class SelectionPrintTest : public ReportWindowTest {
protected:
    int records() const override { return 80; }

    // Prints definition `index` from the selection window with the print dialog answered.
    void print(int index, std::function<bool(QPrinter &)> answer) {
        TMyReport report(services());
        report.show();
        report.findChild<QListWidget *>(QStringLiteral("ReportBox"))->setCurrentRow(index);
        report.onWindow = [](QDialog *window) { closeStatusWhenDone(window); };
        m_prompter.printDialogAnswers.push_back(std::move(answer));
        report.findChild<QPushButton *>(QStringLiteral("PrintButton"))->click();
        report.close();
    }
};

TEST_F(SelectionPrintTest, PrintGoesIntoAPdfFileAndOntoTheCupsQueueAlike) {
    const QString file = m_dir.filePath(QStringLiteral("wide.pdf"));
    print(1, [file](QPrinter &printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file);
        return true;
    });
    ASSERT_TRUE(QFileInfo::exists(file));
    const int pages = PdfPages(file);
    EXPECT_GE(pages, 2);
    const QString text = PdfText(file);
    EXPECT_TRUE(text.contains(u"GRAND TOTALS"));
    m_table.first();
    EXPECT_TRUE(text.contains(m_table.text(field::Item).trimmed().left(20)));
    EXPECT_TRUE(m_prompter.asked.empty());

    if (!PdfQueueExists())
        GTEST_SKIP() << "no CUPS queue " << kPdfQueue << " (scripts/start-cups.sh makes one)";
    const QDateTime since = QDateTime::currentDateTime();
    print(1, [](QPrinter &printer) {
        printer.setOutputFileName(QString());
        printer.setOutputFormat(QPrinter::NativeFormat);
        printer.setPrinterName(QLatin1String(kPdfQueue));
        return true;
    });
    const QString queued = WaitForCupsPdf(since, [&](const QString &f) {
        return PdfPages(f) == pages &&
               sortedWords(PdfText(f, 1, 1)) == sortedWords(PdfText(file, 1, 1));
    });
    ASSERT_FALSE(queued.isEmpty()) << "no PDF of that report came out of the queue";
    EXPECT_EQ(PdfPages(queued), pages);
    for (int page = 1; page <= pages; ++page)
        EXPECT_EQ(sortedWords(PdfText(queued, page, page)), sortedWords(PdfText(file, page, page)))
            << "page " << page;
}

TEST_F(SelectionPrintTest, ACancelledPrintDialogPrintsNothing) {
    int windows = 0;
    TMyReport report(services());
    report.show();
    report.findChild<QListWidget *>(QStringLiteral("ReportBox"))->setCurrentRow(0);
    report.onWindow = [&](QDialog *) { ++windows; };
    report.PrintButtonClick(); // no answer queued: the dialog is cancelled
    EXPECT_EQ(m_prompter.printDialogs, 1);
    EXPECT_EQ(windows, 0);
    report.close();
}

// Without any printer queue the program must say so and print nothing. Which queues exist
// is read once per process from the CUPS server, so this runs in a child process of this
// test executable whose CUPS server is one that is not there.
TEST(NoPrinters, PrintingIsRefusedWhenNoQueueIsDefined) {
    if (qEnvironmentVariableIsSet("STOWKEEP_NO_PRINTER_CHILD"))
        GTEST_SKIP() << "inside the child";
    EnsureQtApplication();
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("STOWKEEP_NO_PRINTER_CHILD"), QStringLiteral("1"));
    // A port nothing listens on: the connection is refused at once.
    env.insert(QStringLiteral("CUPS_SERVER"), QStringLiteral("127.0.0.1:9"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=NoPrintersChild*")});
    ASSERT_TRUE(child.waitForFinished(120000));
    const QString out = QString::fromLocal8Bit(child.readAll());
    EXPECT_EQ(child.exitCode(), 0) << out.toStdString();
    EXPECT_TRUE(out.contains(u"[  PASSED  ] 2 tests")) << out.toStdString();
    EXPECT_FALSE(out.contains(u"SKIPPED")) << out.toStdString();
}

class NoPrintersChild : public PreviewTest {
protected:
    void SetUp() override {
        if (!qEnvironmentVariableIsSet("STOWKEEP_NO_PRINTER_CHILD"))
            GTEST_SKIP() << "run by NoPrinters.PrintingIsRefusedWhenNoQueueIsDefined";
        PreviewTest::SetUp();
        ASSERT_FALSE(reports::PrintersInstalled()) << "CUPS_SERVER was not honoured";
    }
    void expectRefused() {
        ASSERT_FALSE(m_prompter.asked.empty());
        EXPECT_EQ(m_prompter.asked.back().title, u"Error");
        EXPECT_EQ(m_prompter.asked.back().text, u"No printers are defined, aborting print job.");
    }
};

TEST_F(NoPrintersChild, TheSelectionWindowTellsAndPrintsNothing) {
    TMyReport report(services());
    report.show();
    report.findChild<QListWidget *>(QStringLiteral("ReportBox"))->setCurrentRow(0);
    report.onWindow = [](QDialog *window) { closeStatusWhenDone(window); };
    m_prompter.printDialogAnswers.push_back([](QPrinter &) { return true; });
    report.PrintButtonClick();
    expectRefused();
    report.close();
}

TEST_F(NoPrintersChild, ThePreviewTellsAndPrintsNothing) {
    auto preview = open();
    m_prompter.printDialogAnswers.push_back([](QPrinter &) { return true; });
    preview->PrintReport();
    expectRefused();
    EXPECT_FALSE(preview->pagePrinter().busy());
}

} // namespace
