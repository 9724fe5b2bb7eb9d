#include "app/batch_report.h"

#include "app/batch_search.h"

#include "core/prompter.h"
#include "db/engine/db_error.h"
#include "db/engine/dbf_table.h"
#include "db/engine/mdx_file.h"
#include "db/inventory_file.h"
#include "db/inventory_names.h"
#include "db/my_table.h"
#include "db/sort_expression.h"
#include "reports/report_file.h"
#include "reports/report_job.h"
#include "settings/date_format.h"
#include "settings/regional.h"
#include "settings/settings.h"

#include <QFileInfo>
#include <QPrinter>
#include <QPrinterInfo>

#include <optional>
#include <stdexcept>

namespace {

using reports::OutputMode;

constexpr const char *kValueOptions[] = {"--index", "--name",    "--text",
                                         "--pdf",   "--printer", "--paper"};

struct ReportOptions {
    QString file;
    std::optional<int> index;
    std::optional<QString> name;
    QString text, pdf, printer, paper;
};

void usage(const std::string &what) {
    throw std::invalid_argument(what);
}

ReportOptions parseReport(const QStringList &args) {
    ReportOptions o;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (!IsBatchReportOption(a)) {
            if (!o.file.isEmpty())
                usage("report takes one inventory file");
            o.file = a;
            continue;
        }
        if (i + 1 >= args.size())
            usage(a.toStdString() + " needs a value");
        const QString v = args[++i];
        if (a == u"--index") {
            bool ok = false;
            o.index = v.toInt(&ok);
            if (!ok || *o.index < 0)
                usage("--index takes the position of a report, 0 for the first");
        } else if (a == u"--name") {
            o.name = v;
        } else if (a == u"--text") {
            o.text = v;
        } else if (a == u"--pdf") {
            o.pdf = v;
        } else if (a == u"--printer") {
            o.printer = v;
        } else {
            o.paper = v;
        }
    }
    if (o.file.isEmpty())
        usage("report needs an inventory file");
    if (o.index.has_value() == o.name.has_value())
        usage("report needs one of --index N and --name NAME");
    if (int(!o.text.isEmpty()) + int(!o.pdf.isEmpty()) + int(!o.printer.isEmpty()) != 1)
        usage("report needs one of --text FILE, --pdf FILE and --printer NAME");
    return o;
}

std::optional<QPageSize> paperNamed(const QString &name) {
    static const std::pair<const char *, QPageSize::PageSizeId> kPapers[] = {
        {"letter", QPageSize::Letter},  {"legal", QPageSize::Legal},
        {"a4", QPageSize::A4},          {"a3", QPageSize::A3},
        {"a5", QPageSize::A5},          {"executive", QPageSize::ExecutiveStandard},
        {"tabloid", QPageSize::Tabloid}};
    for (const auto &[key, id] : kPapers)
        if (name.compare(QLatin1String(key), Qt::CaseInsensitive) == 0)
            return QPageSize(id);
    return std::nullopt;
}

// The expression of the file's sort index as stored, or nothing without one.
std::optional<QString> sortIndexExpression(const QString &path) {
    const InventoryNames names = InventoryNamesOf(path);
    if (!QFileInfo::exists(names.mdxPath))
        return std::nullopt;
    db::DbfTable t(names.path.toStdString(), db::OpenMode::ReadOnly);
    if (!t.productionIndexFlag())
        return std::nullopt;
    auto mdx = db::MdxFile::open(names.mdxPath.toStdString(), t.fields(), t.header().languageDriver,
                                 db::MdxFile::Access::ReadOnly);
    for (const db::MdxTagInfo &tag : mdx->tags())
        if (QString::fromStdString(tag.name).compare(QLatin1String(kSortIndexTag),
                                                     Qt::CaseInsensitive) == 0)
            return QString::fromStdString(tag.expression);
    return std::nullopt;
}

// Opens the inventory read-only in the configuration's sort order, as the program shows it.
// A sort index made for another order is made again first (as opening a file in the
// program does), unless another program holds the file.
bool openInSortOrder(MyTable &table, const QString &path, const Settings &settings,
                     Prompter &prompter, std::FILE *err) {
    if (!CheckDBaseFormat(path, prompter))
        return false;
    const QString expression = QString::fromStdString(BuildSortString(settings.sortLevels));
    if (expression.isEmpty()) {
        table.setIndexName(QString());
    } else {
        const std::optional<QString> stored = sortIndexExpression(path);
        if (!stored || stored->compare(expression, Qt::CaseInsensitive) != 0) {
            if (DBaseInUse(path)) {
                if (!stored)
                    throw db::DbError(path.toStdString(),
                                      "has no sort index and is in use by another program");
                const std::string note = "stowkeep-batch: " + path.toStdString() +
                                         " is in use; its sort index is used as it is\n";
                std::fwrite(note.data(), 1, note.size(), err);
            } else {
                RebuildSortIndex(table, path, expression);
            }
        }
        table.setIndexName(QLatin1String(kSortIndexTag));
    }
    table.open(path, MyTable::OpenMode::ReadOnly);
    return true;
}

} // namespace

bool IsBatchReportOption(const QString &argument) {
    for (const char *o : kValueOptions)
        if (argument == QLatin1String(o))
            return true;
    return false;
}

bool BatchNeedsGui(int argc, char **argv) {
    // The command is the first argument that is neither an option nor an option's value;
    // asking for help draws nothing.
    for (int i = 1; i < argc; ++i) {
        const QString a = QString::fromLocal8Bit(argv[i]);
        if (a == u"--help" || a == u"-h")
            return false;
    }
    for (int i = 1; i < argc; ++i) {
        const QString a = QString::fromLocal8Bit(argv[i]);
        if (a == u"--config" || a == u"--data-dir" || a == u"--order" || a == u"--seed" ||
            IsBatchReportOption(a)) {
            ++i;
            continue;
        }
        if (a.startsWith(u"--"))
            continue;
        return a == u"report";
    }
    return false;
}

int BatchReport(const QStringList &arguments, const std::vector<search::LevelSpec> &levels,
                const Settings &settings, Prompter &prompter, std::FILE *out, std::FILE *err) {
    const ReportOptions o = parseReport(arguments);
    std::optional<QPageSize> paper;
    if (!o.paper.isEmpty()) {
        paper = paperNamed(o.paper);
        if (!paper)
            usage("--paper takes Letter, Legal, A4, A3, A5, Executive or Tabloid");
    }
    auto fail = [err](const QString &text) {
        const std::string line = "stowkeep-batch: " + text.toStdString() + "\n";
        std::fwrite(line.data(), 1, line.size(), err);
        return 1;
    };
    try {
        // The formats the program applies at start-up.
        ApplyDateFormat(settings.dateFormat, settings.dateLeadingZeros);
        ReadRegionalValues();

        ReportFile definitions(settings.programDirectory);
        (void)definitions.ensure();
        int index = o.index.value_or(-1);
        if (o.name) {
            index = static_cast<int>(definitions.listNames().indexOf(*o.name));
            if (index < 0)
                return fail(QStringLiteral("no report named \"%1\" in %2")
                                .arg(*o.name, definitions.path()));
        }
        const ReportDefinition definition = definitions.read(index);

        MyTable table;
        if (!openInSortOrder(table, o.file, settings, prompter, err))
            return 1;
        // The records the viewer would show: every record, or those of the search given.
        if (!batch::PutSearchInForce(table, levels, prompter))
            return 1;

        reports::ReportJob job;
        QPrinter printer(QPrinter::HighResolution);
        QString target;
        if (!o.text.isEmpty()) {
            job.mode = OutputMode::TextFile;
            job.textFileName = o.text;
            target = o.text;
        } else {
            job.mode = OutputMode::Printer;
            job.printer = &printer;
            if (!o.pdf.isEmpty()) {
                printer.setOutputFormat(QPrinter::PdfFormat);
                printer.setOutputFileName(o.pdf);
                target = o.pdf;
            } else {
                if (!reports::PrintersInstalled()) {
                    prompter.message(QStringLiteral("Error"),
                                     QLatin1String(reports::kNoPrintersText), Prompter::Ok,
                                     Prompter::Ok, Prompter::Icon::Error);
                    return 1;
                }
                if (QPrinterInfo::printerInfo(o.printer).isNull())
                    return fail(QStringLiteral("no printer named \"%1\"").arg(o.printer));
                printer.setPrinterName(o.printer);
                target = QStringLiteral("printer ") + o.printer;
            }
        }
        if (paper)
            printer.setPageSize(*paper);
        else if (job.mode == OutputMode::Printer && !o.pdf.isEmpty())
            printer.setPageSize(reports::DefaultReportPaper());
        if (paper)
            job.paper = *paper;

        auto engine = job.makeEngine(definition, &prompter);
        reports::ReportProduction production(*engine, definition, table, settings, job.mode);
        production.setTextFileName(job.textFileName);
        const reports::RunResult result = production.run();
        if (result == reports::RunResult::NoPrinter)
            return 1;
        const std::string line = "report \"" + definition.name.toStdString() +
                                 "\": " + std::to_string(engine->currentPage()) + " pages to " +
                                 target.toStdString() + "\n";
        std::fwrite(line.data(), 1, line.size(), out);
        return 0;
    } catch (const ReportFileError &e) {
        return fail(QString::fromStdString(e.what()));
    } catch (const reports::ReportOutputError &e) {
        return fail(QString::fromStdString(e.what()));
    }
}
