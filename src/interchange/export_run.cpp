#include "interchange/export_run.h"

#include "core/main_hooks.h"
#include "core/prompter.h"
#include "db/engine/db_error.h"
#include "db/engine/dbf_bulk_writer.h"
#include "db/engine/dbf_table.h"
#include "db/engine/staged_file.h"
#include "db/my_table.h"
#include "interchange/export_dbase.h"
#include "interchange/export_line.h"
#include "settings/date_format.h"
#include "settings/regional.h"
#include "settings/settings.h"

#include <QFile>

#include <fstream>

namespace exporting {

namespace {

// Text is gathered into pieces this large before each write: small enough to be still in
// the processor's cache when the kernel copies it.
constexpr std::size_t kPieceBytes = 256 << 10;
// How many times a whole export tells its progress.
constexpr std::int64_t kProgressSteps = 200;

// A search in force is ended for an export of the whole file and put back afterwards, on
// every way out, so the viewer shows the search result again. Ending the search opens the
// table again: what is taken from its layout is taken after this.
class SearchPause {
public:
    SearchPause(const Source &source, bool entire)
        : m_hooks(source.hooks), m_paused(entire && source.searchInForce) {
        if (m_paused)
            m_hooks.endSearch();
    }
    ~SearchPause() {
        // On the way out of a failed export; the failure itself is what is reported.
        try {
            resume();
        } catch (...) {
        }
    }
    SearchPause(const SearchPause &) = delete;
    SearchPause &operator=(const SearchPause &) = delete;

    void resume() {
        if (!m_paused)
            return;
        m_paused = false;
        m_hooks.enableEndSearch();
        m_hooks.setViewerOptions();
        m_hooks.displayCount();
    }

private:
    MainHooks &m_hooks;
    bool m_paused;
};

// Bound controls stay still while the records are walked.
class ControlsOff {
public:
    explicit ControlsOff(MyTable &table) : m_table(table) { m_table.disableControls(); }
    ~ControlsOff() { m_table.enableControls(); }
    ControlsOff(const ControlsOff &) = delete;
    ControlsOff &operator=(const ControlsOff &) = delete;

private:
    MyTable &m_table;
};

// Hands each visible record in the table's order to `write`, at most as many as the table
// counts at the start, telling the progress as it goes.
template <typename Write>
std::int64_t walkRecords(MyTable &table, const Progress &progress, Write &&write) {
    const ControlsOff off(table);
    const std::int64_t total = table.recordCount();
    const std::int64_t step = std::max<std::int64_t>(1, total / kProgressSteps);
    if (progress)
        progress(0, total);
    std::int64_t done = 0;
    for (MyTable::Scanner scan = table.scanner(); done < total && scan.next();) {
        write(scan.view());
        ++done;
        if (progress && done % step == 0)
            progress(done, total);
    }
    if (progress && done % step != 0)
        progress(done, total);
    return done;
}

char decimalPoint(const RecordLayout &layout) {
    std::string point;
    QChar bad;
    if (layout.encode(QString(CurrentRegional().sDecimal), point, bad) && point.size() == 1)
        return point[0];
    return '.';
}

char dateSeparator() {
    const QChar separator = CurrentDateSeparator();
    return separator.isNull() ? '/' : static_cast<char>(separator.toLatin1());
}

// The title line in the table's code page; DbError naming a title it cannot hold.
std::string titleLine(const Settings &settings, const MyTable &table,
                      const std::vector<ExportColumn> &columns) {
    std::vector<std::string> texts;
    for (const QString &title : FieldTitles(settings, table, columns)) {
        std::string bytes;
        QChar bad;
        if (!table.layout().encode(title, bytes, bad))
            throw db::DbError("the field name \"" + title.toStdString() +
                              "\" holds a character the inventory file's code page cannot hold");
        texts.push_back(std::move(bytes));
    }
    return JoinedLine(texts);
}

void writeText(const Source &source, const Settings &settings, const Request &request,
               const Progress &progress) {
    MyTable &table = source.table;
    SearchPause pause(source, request.entire);
    const std::string title =
        request.titles ? titleLine(settings, table, request.columns) : std::string();
    db::StagedFile file(request.target.toStdString());
    file.append(title);
    const LineWriter lines(table.layout(), request.columns, decimalPoint(table.layout()),
                           DateWriter(CurrentDatePattern(), dateSeparator()));
    // Lines are formed straight into one buffer and written a piece at a time.
    std::vector<char> buffer(kPieceBytes + lines.maxLineBytes());
    char *const begin = buffer.data();
    char *end = begin;
    const auto flush = [&] {
        file.append({begin, static_cast<std::size_t>(end - begin)});
        end = begin;
    };
    walkRecords(table, progress, [&](const RecordView &record) {
        end = lines.write(end, record);
        if (static_cast<std::size_t>(end - begin) >= kPieceBytes)
            flush();
    });
    pause.resume();
    flush();
    file.commit();
}

// The language driver byte of the table's header: the export keeps the table's code page.
std::uint8_t languageDriverOf(const QString &path) {
    std::ifstream in(QFile::encodeName(path).constData(), std::ios::binary);
    char header[30] = {};
    if (!in.read(header, sizeof header))
        return db::kDefaultLanguageDriver;
    return static_cast<std::uint8_t>(header[29]);
}

void writeDBase(const Source &source, const Request &request, const Progress &progress) {
    MyTable &table = source.table;
    SearchPause pause(source, request.entire);
    db::CreateOptions options;
    options.languageDriver = languageDriverOf(table.path());
    db::DbfBulkWriter writer(request.target.toStdString(), DBaseFields(request.columns), options);
    const DBaseRecordMaker maker(table.layout(), request.columns, writer.fields(),
                                 writer.blankRecord());
    std::string record;
    walkRecords(table, progress, [&](const RecordView &view) {
        maker.make(record, view);
        writer.append(record);
    });
    pause.resume();
    // The new table has no index: an index left by a table it replaces would be taken for
    // its own by programs that find companion files by name.
    const std::optional<QString> staleIndex = CompanionIndex(request.target);
    writer.commit();
    if (staleIndex)
        QFile::remove(*staleIndex);
}

} // namespace

QStringList FieldTitles(const Settings &settings, const MyTable &table,
                        const std::vector<ExportColumn> &columns) {
    QStringList titles;
    for (const ExportColumn &c : columns) {
        const auto f = static_cast<std::size_t>(c.catalogueIndex);
        if (settings.displayFields[f])
            titles << settings.fieldNames[f];
        else
            titles << QString::fromStdString(
                table.layout().fields()[static_cast<std::size_t>(c.tableField)].name);
    }
    return titles;
}

Outcome RunExport(const Source &source, const Settings &settings, const Request &request,
                  Prompter &prompter, const Progress &progress) {
    if (const auto problem = TargetProblem(request.format, request.target, source.table.path())) {
        prompter.error(*problem);
        return Outcome::Refused;
    }
    try {
        if (request.format == Format::Text)
            writeText(source, settings, request, progress);
        else
            writeDBase(source, request, progress);
    } catch (const db::DbError &e) {
        prompter.error(QString::fromStdString(e.what()));
        return Outcome::Failed;
    }
    prompter.message(kCompleteTitle, kExportComplete, Prompter::Ok, Prompter::Ok,
                     Prompter::Icon::Information);
    return Outcome::Done;
}

} // namespace exporting
