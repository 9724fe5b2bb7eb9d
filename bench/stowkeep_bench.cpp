// Times one data operation on an inventory file and prints "<seconds> <detail>". The script
// run_bench.sh runs each operation in its own process, so peak memory is per operation.
#include "app/batch_prompter.h"
#include "app/batch_search.h"
#include "db/inventory_file.h"
#include "db/inventory_generator.h"
#include "db/my_table.h"
#include "db/sort_expression.h"
#include "edit/pick_lists.h"
#include "edit/record_editor.h"
#include "interchange/export_run.h"
#include "interchange/delimited_reader.h"
#include "interchange/import_matching.h"
#include "interchange/import_run.h"
#include "reports/report_job.h"
#include "search/level_options.h"
#include "settings/date_format.h"
#include "settings/settings.h"
#include "views/locate.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QString>
#include <QTemporaryFile>
#include <QTextStream>

#include <chrono>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <sys/resource.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

const QString kExpression = QStringLiteral("Upper(Left(Category,80))");

long peakKb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

// Resident memory now (peakKb is the most it has been).
long residentKb() {
    long pages = 0, resident = 0;
    if (std::FILE *f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Resident memory that is the process's own (not pages of mapped files), from
// /proc/self/status.
long anonymousKb() {
    long kb = 0;
    if (std::FILE *f = std::fopen("/proc/self/status", "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, f))
            if (std::sscanf(line, "RssAnon: %ld", &kb) == 1)
                break;
        std::fclose(f);
    }
    return kb;
}

// Reads one screen of 40 rows from a position, as the viewer does.
int readScreen(MyTable &table, std::int64_t first) {
    int chars = 0;
    for (std::int64_t row = first; row < first + 40; ++row)
        if (auto r = table.rowAt(row))
            chars += static_cast<int>(r->view().text(0).size());
    return chars;
}

double since(Clock::time_point t) {
    return std::chrono::duration<double>(Clock::now() - t).count();
}

std::string seconds(double s) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.3f s", s);
    return buf;
}

// The records of a table as ASCII delimited text the way the export writes it: a title
// line of the display names, every field in quotes with quotation marks doubled, dates in the
// short date format, CR LF line ends. Returns the number of records written.
std::uint64_t writeDelimitedText(const QString &dbfPath, const QString &textPath) {
    MyTable table;
    table.open(dbfPath, MyTable::OpenMode::ReadOnly);
    std::FILE *out = std::fopen(textPath.toLocal8Bit().constData(), "wb");
    if (!out)
        throw std::runtime_error("cannot write " + textPath.toStdString());
    const Settings settings;
    std::string text;
    for (std::size_t i = 0; i < settings.fieldNames.size(); ++i) {
        if (i > 0)
            text += ',';
        delimited::AppendQuoted(text, settings.fieldNames[i].toStdString());
    }
    text += "\r\n";
    const auto &fields = table.layout().fields();
    std::uint64_t n = 0;
    for (MyTable::Scanner s = table.scanner(); s.next(); ++n) {
        const RecordView view = s.view();
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (i > 0)
                text += ',';
            const std::string_view raw = view.raw(static_cast<int>(i));
            if (fields[i].type == 'D')
                delimited::AppendQuoted(text,
                                        DateToText(view.date(static_cast<int>(i))).toStdString());
            else
                delimited::AppendQuoted(text, field_codec::trimmed(raw));
        }
        text += "\r\n";
        if (text.size() > (1 << 20)) {
            std::fwrite(text.data(), 1, text.size(), out);
            text.clear();
        }
    }
    std::fwrite(text.data(), 1, text.size(), out);
    if (std::fclose(out) != 0)
        throw std::runtime_error("cannot write " + textPath.toStdString());
    return n;
}

// An empty inventory file beside `source` with its sort index, for an import to fill.
QString emptyInventoryBeside(const QString &source) {
    const QString target = QFileInfo(source).absolutePath() + QStringLiteral("/IMPORTED.DBF");
    QTextStream err(stderr);
    BatchPrompter prompter(err);
    if (!MakeNewDB(target, prompter))
        throw std::runtime_error("cannot make " + target.toStdString());
    MyTable table;
    RebuildSortIndex(table, target, kExpression);
    return target;
}

std::string importDetail(MyTable &table, std::int64_t count) {
    return std::to_string(count) + " records imported, " + std::to_string(table.recordCount()) +
           " in the file, index " + table.indexName().toStdString() + "; resident " +
           std::to_string(residentKb() / 1024) + " MB at the end";
}

int usage() {
    std::fputs("usage: stowkeep-bench OPERATION FILE\n"
               "operations: index, first-screen, count, walk, filter, locate-start, locate-any,\n"
               "            append, pack, search, replace10, report-text, report-pdf,\n"
               "            report-record, summary-text, summary-record, summary-pdf, edit,\n"
               "            preview-pages, export-text, export-dbf, write-text, import-text,\n"
               "            import-dbf\n",
               stderr);
    return 2;
}

// A report over the inventory in its sort order (Category) as the report window runs it:
// "report-*" the Short Narrow Report, "summary-*" the Statistics/Summary Report grouped by
// category; into a text file or a PDF beside FILE, or recorded for the preview into memory.
// Resident memory is taken at a tenth of the pages and at the end: pages written as they
// are made keep it flat.
std::string runReport(const std::string &op, const QString &path) {
    const bool summary = op.rfind("summary-", 0) == 0;
    const std::string output = op.substr(op.find('-') + 1);
    const ReportDefinition definition = urp::BuiltInDefinitions()[summary ? 7 : 0];
    Settings settings;
    MyTable table;
    table.setIndexName(QStringLiteral("NewIndex"));
    table.open(path, MyTable::OpenMode::ReadOnly);

    reports::ReportJob job;
    job.paper = QPageSize(QPageSize::Letter);
    QBuffer recording;
    QPrinter printer(QPrinter::HighResolution);
    const QString base = path + QStringLiteral(".") + QString::fromStdString(op);
    if (output == "text") {
        job.mode = reports::OutputMode::TextFile;
        job.textFileName = base + QStringLiteral(".txt");
    } else if (output == "pdf") {
        job.mode = reports::OutputMode::Printer;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(base + QStringLiteral(".pdf"));
        printer.setPageSize(job.paper);
        job.printer = &printer;
    } else {
        job.mode = reports::OutputMode::Preview;
        recording.open(QIODevice::ReadWrite);
        job.recording = &recording;
    }
    auto engine = job.makeEngine(definition, nullptr);
    reports::ReportProduction production(*engine, definition, table, settings, job.mode);
    production.setTextFileName(job.textFileName);
    const long expectedPages = summary ? 0 : static_cast<long>(table.recordCount() / 60);
    long early = 0, earlyOwn = 0;
    engine->setStatusListener([&](const QString &) {
        if (engine->currentPage() == std::max(2L, expectedPages / 10)) {
            early = residentKb();
            earlyOwn = anonymousKb();
        }
    });
    if (production.run() != reports::RunResult::Completed)
        throw std::runtime_error("the report did not complete");
    std::string detail = std::to_string(engine->currentPage()) + " pages";
    if (output == "record")
        detail += ", stream " + std::to_string(recording.size() / (1024 * 1024)) + " MB";
    // Resident memory includes the inventory's pages the data set maps while it walks the
    // file; the process's own memory shows what the pages made take.
    detail += "; resident " + std::to_string(early / 1024) + " MB at a tenth, " +
              std::to_string(residentKb() / 1024) + " MB at the end; own " +
              std::to_string(earlyOwn / 1024) + " MB at a tenth, " +
              std::to_string(anonymousKb() / 1024) + " MB at the end";
    return detail;
}

// The preview over a recorded report: the pages of Short Narrow recorded into a temporary
// file as a view run does, then indexed, and pages all over the report drawn at 100 percent
// the way the preview paints one. Shows that turning to any page costs the same however
// long the report is.
std::string runPreview(const QString &path) {
    const ReportDefinition definition = urp::BuiltInDefinitions()[0];
    Settings settings;
    MyTable table;
    table.setIndexName(QStringLiteral("NewIndex"));
    table.open(path, MyTable::OpenMode::ReadOnly);
    QTemporaryFile recording;
    if (!recording.open())
        throw std::runtime_error("no temporary file for the recording");
    reports::ReportJob job;
    job.paper = QPageSize(QPageSize::Letter);
    job.mode = reports::OutputMode::Preview;
    job.recording = &recording;
    auto engine = job.makeEngine(definition, nullptr);
    reports::ReportProduction production(*engine, definition, table, settings, job.mode);
    const auto recorded = Clock::now();
    if (production.run() != reports::RunResult::Completed)
        throw std::runtime_error("the report did not complete");
    const auto indexed = Clock::now();
    const reports::RecordedPages pages(recording);
    const auto drawn = Clock::now();
    QImage image(850, 1100, QImage::Format_RGB32);
    const int count = pages.pageCount();
    const int draws = std::min(count, 200);
    double worst = 0;
    for (int i = 0; i < draws; ++i) {
        const int n = 1 + static_cast<int>((static_cast<long long>(i) * 7919) % count);
        const auto one = Clock::now();
        image.fill(Qt::white);
        QPainter painter(&image);
        pages.drawPage(n, painter, 96.0, false);
        painter.end();
        worst = std::max(worst, std::chrono::duration<double>(Clock::now() - one).count());
    }
    const auto done = Clock::now();
    const auto ms = [](auto d) { return std::chrono::duration<double, std::milli>(d).count(); };
    char text[256];
    std::snprintf(text, sizeof text,
                  "%d pages, stream %lld MB; recorded in %.0f ms, indexed in %.1f ms; %d pages "
                  "drawn, %.2f ms each, slowest %.2f ms; resident %ld MB",
                  count, static_cast<long long>(recording.size() / (1024 * 1024)),
                  ms(indexed - recorded), ms(drawn - indexed), draws,
                  draws ? ms(done - drawn) / draws : 0.0, worst * 1000, residentKb() / 1024);
    return text;
}

} // namespace

int main(int argc, char *argv[]) {
    if (argc != 3)
        return usage();
    const std::string op = argv[1];
    // Reports lay pages out with fonts: a GUI application on the offscreen platform.
    std::unique_ptr<QCoreApplication> app;
    if (op.rfind("report-", 0) == 0 || op.rfind("summary-", 0) == 0 || op == "preview-pages") {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    const QString path = QString::fromLocal8Bit(argv[2]);
    std::string detail;
    const Clock::time_point start = Clock::now();
    try {
        if (op == "index") {
            MyTable table;
            RebuildSortIndex(table, path, kExpression);
        } else if (op == "first-screen") {
            // What the viewer does when a file is opened: open in sort order, take the record
            // count (the grid's row count and the count shown), read 40 rows.
            MyTable table;
            table.setIndexName(QStringLiteral("NewIndex"));
            table.open(path);
            const std::int64_t count = table.recordCount();
            const int chars = readScreen(table, 0);
            detail = std::to_string(count) + " records, 40 rows, " + std::to_string(chars) +
                     " item characters";
        } else if (op == "browse") {
            // A browsing session: screens all over the file in sort order, the last screen, a
            // search applied and ended, a walk of every record (a report, a locate), more
            // screens. Prints the resident memory at the end; the script reports the peak.
            MyTable table;
            table.setIndexName(QStringLiteral("NewIndex"));
            table.open(path);
            const std::int64_t count = table.recordCount();
            std::uint64_t chars = 0;
            for (int i = 0; i < 200; ++i)
                chars += static_cast<std::uint64_t>(readScreen(table, count * i / 200));
            chars += static_cast<std::uint64_t>(readScreen(table, count - 40));
            table.setFilter([](const RecordView &r) { return r.number(field::Cost) > 100; });
            table.setFiltered(true);
            const std::int64_t accepted = table.recordCount();
            chars += static_cast<std::uint64_t>(readScreen(table, 0));
            table.setFiltered(false);
            std::uint64_t walked = 0;
            for (MyTable::Scanner s = table.scanner(); s.next();)
                ++walked;
            for (int i = 0; i < 50; ++i)
                chars += static_cast<std::uint64_t>(readScreen(table, count * i / 50));
            detail = std::to_string(count) + " records, " + std::to_string(accepted) +
                     " accepted by a search, " + std::to_string(walked) + " walked; resident " +
                     std::to_string(residentKb() / 1024) + " MB at the end (" +
                     std::to_string(chars % 1000) + ")";
        } else if (op == "search") {
            // A search whose matches are spread over the file, as the search window applies
            // it: the filter in force, the count shown, the first screen in sort order. Then
            // a second screen, the last screen and End Search (the data set opened again,
            // counted, first screen), each timed on its own.
            MyTable table;
            table.setIndexName(QStringLiteral("NewIndex"));
            table.open(path);
            const search::BuiltSearch built =
                search::BuildSearch({{{field::Location + 1, QStringLiteral("room")},
                                      {field::Cost + 1, QStringLiteral("> 100 AND < 500")}}});
            if (!built.test)
                throw std::runtime_error("the benchmark's criteria were refused");
            const Clock::time_point applyStart = Clock::now();
            table.setFilter([t = *built.test](const RecordView &r) { return t.matches(r); });
            table.setFiltered(true);
            const std::int64_t matches = table.recordCount();
            int chars = readScreen(table, 0);
            const double apply = since(applyStart);
            Clock::time_point t = Clock::now();
            chars += readScreen(table, 40);
            const double second = since(t);
            t = Clock::now();
            chars += readScreen(table, matches - 40);
            const double lastScreen = since(t);
            const long searchResident = residentKb();
            t = Clock::now();
            table.setFiltered(false);
            table.close();
            table.open(path);
            const std::int64_t all = table.recordCount();
            chars += readScreen(table, 0);
            const double endSearch = since(t);
            detail = std::to_string(matches) + " of " + std::to_string(all) +
                     " records match; apply + count + first screen " + seconds(apply) +
                     ", second screen " + seconds(second) + ", last screen " + seconds(lastScreen) +
                     ", End Search " + seconds(endSearch) + "; resident " +
                     std::to_string(searchResident / 1024) + " MB (" +
                     std::to_string(chars % 1000) + ")";
        } else if (op == "replace10") {
            // Search and replace of a value a tenth of the records hold, the sort index
            // taken away and built again, from the data set open in shared use in sort order.
            MyTable table;
            table.setIndexName(QStringLiteral("NewIndex"));
            table.open(path);
            batch::WindowlessHooks hooks(kExpression);
            QTextStream err(stderr);
            BatchPrompter prompter(err);
            batch::Unattended observer;
            replace::Counters counters;
            const auto checked =
                replace::CheckInput({field::Owner + 1, QStringLiteral("mary smith"),
                                     QStringLiteral("Mary Smith-Jones"), false});
            const replace::Outcome outcome =
                replace::Run(table, hooks, prompter, std::get<replace::CheckedRequest>(checked),
                             observer, counters);
            if (outcome != replace::Outcome::Done)
                throw std::runtime_error("search and replace did not finish");
            detail = std::to_string(counters.processed) + " processed, " +
                     std::to_string(counters.changed) + " changed, index " +
                     table.indexName().toStdString();
        } else if (op == "count") {
            MyTable table;
            table.open(path);
            detail = std::to_string(table.recordCount()) + " visible records";
        } else if (op == "walk") {
            MyTable table;
            table.setIndexName(QStringLiteral("NewIndex"));
            table.open(path);
            std::uint64_t n = 0, sum = 0;
            for (MyTable::Scanner s = table.scanner(); s.next();) {
                ++n;
                sum += static_cast<unsigned char>(s.raw(0)[0]);
            }
            detail =
                std::to_string(n) + " records in index order (" + std::to_string(sum % 1000) + ")";
        } else if (op == "filter") {
            MyTable table;
            table.setIndexName(QStringLiteral("NewIndex"));
            table.open(path);
            table.setFilter([](const RecordView &r) {
                return r.raw(field::Category).substr(0, 5) == "Tools" &&
                       r.number(field::Cost) > 100;
            });
            table.setFiltered(true);
            detail = std::to_string(table.recordCount()) + " records accepted";
        } else if (op == "locate-start" || op == "locate-any") {
            // A locate that finds nothing reads every record in sort order: the longest a
            // locate can take. From the first record, without regard to case.
            MyTable table;
            table.setIndexName(QStringLiteral("NewIndex"));
            table.open(path);
            QTextStream err(stderr);
            BatchPrompter prompter(err);
            const auto type = op == "locate-start" ? TMyLocateMatchType::mtPartialMatchStart
                                                   : TMyLocateMatchType::mtPartialMatchAny;
            const bool found = locate::FindValue(true, table, QStringLiteral("Descriptio"), false,
                                                 type, QStringLiteral("no such thing"), prompter);
            detail = found ? "found (unexpected)" : "nothing found, current record kept";
        } else if (op == "edit") {
            // The record editor on a file in sort order, as the main window has it: showing
            // the editor on a record, storing a change that moves the record in the index,
            // and stepping with Previous and Next, against the grid's own step.
            MyTable table;
            table.setIndexName(QStringLiteral("NewIndex"));
            table.open(path);
            Settings settings;
            QTextStream err(stderr);
            BatchPrompter prompter(err);
            picklists::PickLists lists;
            editor::RecordEditor edit(table, settings, lists, prompter);
            const std::int64_t count = table.recordCount();
            if (!table.moveToPosition(count / 2))
                throw std::runtime_error("the file has no records");
            constexpr int kRounds = 200;
            auto perOp = [](Clock::time_point from, int n) {
                return std::chrono::duration<double, std::milli>(Clock::now() - from).count() / n;
            };
            Clock::time_point t = Clock::now();
            editor::FormValues shown;
            for (int i = 0; i < kRounds; ++i) {
                edit.setEditMode(editor::kCurrentRecord);
                shown = edit.FormShow();
            }
            const double showMs = perOp(t, kRounds);
            t = Clock::now();
            int stored = 0;
            for (int i = 0; i < kRounds; ++i) {
                editor::FormValues changed = shown;
                changed[editor::Control::Category] = QStringLiteral("Bench %1").arg(i % 7);
                changed[editor::Control::Model] = QStringLiteral("M%1").arg(i);
                stored += edit.DoAnUpdate(changed).done ? 1 : 0;
                shown = edit.LoadInData();
            }
            const double storeMs = perOp(t, kRounds);
            t = Clock::now();
            for (int i = 0; i < kRounds; ++i)
                shown = *edit.MoveRecord(shown, i % 2 == 0 ? 1 : -1).show;
            const double moveMs = perOp(t, kRounds);
            t = Clock::now();
            int chars = 0;
            for (int i = 0; i < kRounds; ++i) {
                if (i % 2 == 0)
                    table.next();
                else
                    table.prior();
                chars += static_cast<int>(table.text(field::Item).size());
            }
            const double gridMs = perOp(t, kRounds);
            char buf[256];
            std::snprintf(buf, sizeof buf,
                          "show %.3f ms, store %.3f ms (%d stored, index kept), previous/next "
                          "%.3f ms, grid step %.3f ms (%d)",
                          showMs, storeMs, stored, moveMs, gridMs, chars % 10);
            detail = buf;
        } else if (op == "append") {
            MyTable table;
            table.open(path, MyTable::OpenMode::Exclusive);
            dataset::TableBackend &backend = *table.backend();
            const auto fields = backend.fields();
            std::string record(static_cast<std::size_t>(backend.recordLength()), ' ');
            GenerateInventory(100000, 99, [&](const InventoryRecord &r) {
                for (std::size_t i = 0; i < fields.size(); ++i)
                    StoreGeneratedField(fields[i], r[i], record.data());
                (void)backend.append(record.data());
            });
            detail = "100000 records appended, index kept current";
        } else if (op == "delete10") {
            // Preparation for pack (not timed by the script): every tenth record deleted.
            MyTable table;
            table.open(path, MyTable::OpenMode::Exclusive);
            dataset::TableBackend &backend = *table.backend();
            std::uint32_t n = 0;
            for (std::uint32_t r = 10; r <= backend.recordCount(); r += 10, ++n)
                backend.setDeleted(r, true);
            detail = std::to_string(n) + " records deleted";
        } else if (op == "pack") {
            MyTable table;
            table.setIndexName(QStringLiteral("NewIndex"));
            table.open(path, MyTable::OpenMode::Exclusive);
            table.pack();
            detail = std::to_string(table.backend()->recordCount()) + " records after pack";
        } else if (op == "export-text" || op == "export-dbf") {
            // The export window's run over every record in sort order, every field, into a
            // real file beside FILE (the script removes it).
            const bool text = op == "export-text";
            MyTable table;
            table.setIndexName(QStringLiteral("NewIndex"));
            table.open(path);
            Settings settings;
            exporting::Request request;
            request.format = text ? exporting::Format::Text : exporting::Format::DBase;
            request.target =
                path + (text ? QStringLiteral(".export.txt") : QStringLiteral(".EXPORT.DBF"));
            request.columns = exporting::CalcIndexOrder(settings, table.layout());
            QString messages;
            QTextStream messageStream(&messages);
            BatchPrompter prompter(messageStream);
            batch::WindowlessHooks hooks(kExpression);
            std::int64_t written = 0;
            const auto outcome = exporting::RunExport(
                {table, hooks, false}, settings, request, prompter,
                [&written](std::int64_t done, std::int64_t) { written = done; });
            if (outcome != exporting::Outcome::Done)
                throw std::runtime_error("the export failed: " + messages.toStdString());
            detail = std::to_string(written) + " records, " +
                     std::to_string(QFileInfo(request.target).size()) + " bytes; own memory (not " +
                     "the table's mapped pages) " + std::to_string(anonymousKb() / 1024) + " MB";
        } else if (op == "write-text") {
            // Preparation (not timed): the table as exported text, INV.TXT beside it.
            const QString text = QFileInfo(path).absolutePath() + QStringLiteral("/INV.TXT");
            detail = std::to_string(writeDelimitedText(path, text)) + " records written to " +
                     text.toStdString();
        } else if (op == "import-text" || op == "import-dbf") {
            // The import window's Start Import with its starting grid (every field opposite
            // its own), into an empty inventory file with its sort index, open in shared use
            // in sort order as the main window has it.
            const QString target = emptyInventoryBeside(path);
            MyTable table;
            table.setIndexName(QStringLiteral("NewIndex"));
            table.open(target);
            QStringList names;
            for (const QString &name : Settings().fieldNames)
                names << name;
            const std::vector<int> map = importing::Matching(names).fieldMap();
            const importing::ImportOutcome outcome =
                op == "import-text" ? importing::ImportText(table, path, map, true)
                                    : importing::ImportDbf(table, path, map);
            detail = importDetail(table, outcome.count);
        } else if (op == "preview-pages") {
            detail = runPreview(path);
        } else if (op.rfind("report-", 0) == 0 || op.rfind("summary-", 0) == 0) {
            detail = runReport(op, path);
        } else {
            return usage();
        }
    } catch (const std::exception &e) {
        std::fprintf(stderr, "stowkeep-bench: %s\n", e.what());
        return 1;
    }
    const double secs = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("%.4f %ld %s\n", secs, peakKb(), detail.c_str());
    return 0;
}
