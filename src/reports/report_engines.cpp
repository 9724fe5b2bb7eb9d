#include "reports/report_engines.h"

#include "core/prompter.h"

#include <QIODevice>
#include <QLocale>
#include <QPrinter>
#include <QPrinterInfo>

namespace reports {

namespace {

constexpr char kMagic[4] = {'S', 'K', 'R', 'P'};
constexpr quint16 kStreamVersion = 1;

void writeAll(QIODevice &stream, const char *data, qint64 size) {
    if (stream.write(data, size) != size)
        throw ReportOutputError(
            QStringLiteral("The report pages could not be recorded: %1").arg(stream.errorString()));
}

// A printer that writes a file (PDF) needs no installed printer. Without any printer Qt
// turns a new QPrinter into a PDF printer with no file, which is still a system printer.
bool isSystemPrinter(const QPrinter &printer) {
    return printer.outputFileName().isEmpty();
}

bool refuseWithoutPrinter(const QPrinter &printer, Prompter *prompter) {
    if (!isSystemPrinter(printer) || PrintersInstalled())
        return false;
    if (prompter)
        prompter->message(QStringLiteral("Error"), QLatin1String(kNoPrintersText), Prompter::Ok,
                          Prompter::Ok, Prompter::Icon::Error);
    return true;
}

} // namespace

QPageSize DefaultReportPaper() {
    const QPrinterInfo printer = QPrinterInfo::defaultPrinter();
    if (!printer.isNull() && printer.defaultPageSize().isValid())
        return printer.defaultPageSize();
    return QLocale::system().measurementSystem() == QLocale::MetricSystem
               ? QPageSize(QPageSize::A4)
               : QPageSize(QPageSize::Letter);
}

namespace {
std::optional<bool> g_printersForTesting;
} // namespace

bool PrintersInstalled() {
    if (g_printersForTesting)
        return *g_printersForTesting;
    return !QPrinterInfo::availablePrinterNames().isEmpty();
}

void SetPrintersInstalledForTesting(std::optional<bool> installed) {
    g_printersForTesting = installed;
}

// ---------------------------------------------------------------------------------------

TReportFiler::TReportFiler(QIODevice *stream) : m_stream(stream) {
    setDrawing(stream != nullptr);
}

bool TReportFiler::startJob() {
    if (m_stream) {
        writeAll(*m_stream, kMagic, 4);
        const char version[2] = {static_cast<char>(kStreamVersion & 0xFF),
                                 static_cast<char>(kStreamVersion >> 8)};
        writeAll(*m_stream, version, 2);
    }
    return true;
}

void TReportFiler::pageDone(const QByteArray &page) {
    if (!m_stream)
        return;
    const auto n = static_cast<quint32>(page.size());
    const char length[4] = {static_cast<char>(n & 0xFF), static_cast<char>((n >> 8) & 0xFF),
                            static_cast<char>((n >> 16) & 0xFF), static_cast<char>(n >> 24)};
    writeAll(*m_stream, length, 4);
    writeAll(*m_stream, page.constData(), page.size());
}

// ---------------------------------------------------------------------------------------

TReportPrinter::TReportPrinter(QPrinter &printer, Prompter *prompter)
    : m_printer(printer), m_prompter(prompter) {
    setPaper(printer.pageLayout().pageSize());
}

TReportPrinter::~TReportPrinter() = default;

bool TReportPrinter::startJob() {
    if (refuseWithoutPrinter(m_printer, m_prompter))
        return false;
    // Bands and margins are measured from the paper's edge, not from the printable area.
    m_printer.setFullPage(true);
    m_printer.setPageOrientation(landscape() ? QPageLayout::Landscape : QPageLayout::Portrait);
    m_printer.setDocName(jobTitle());
    setPaper(m_printer.pageLayout().pageSize());
    m_painter = std::make_unique<QPainter>();
    if (!m_painter->begin(&m_printer)) {
        m_painter.reset();
        const QString where = m_printer.outputFileName().isEmpty() ? m_printer.printerName()
                                                                   : m_printer.outputFileName();
        throw ReportOutputError(
            QStringLiteral("The report could not be printed to \"%1\".").arg(where));
    }
    m_firstPage = true;
    return true;
}

void TReportPrinter::startPage() {
    PaintedPageEngine::startPage();
    if (!m_firstPage && m_painter)
        m_printer.newPage();
    m_firstPage = false;
}

void TReportPrinter::pageDone(const QByteArray &page) {
    if (m_painter)
        DrawPageList(page, *m_painter, m_printer.resolution());
}

void TReportPrinter::finishJob() {
    if (m_painter) {
        m_painter->end();
        m_painter.reset();
    }
}

// ---------------------------------------------------------------------------------------

RecordedPages::RecordedPages(QIODevice &stream) : m_stream(stream) {
    if (!m_stream.seek(0))
        return;
    const QByteArray head = m_stream.read(6);
    if (head.size() != 6 || !head.startsWith(QByteArrayView(kMagic, 4)))
        return;
    qint64 at = 6;
    const qint64 size = m_stream.size();
    while (at + 4 <= size) {
        if (!m_stream.seek(at))
            break;
        const QByteArray len = m_stream.read(4);
        if (len.size() != 4)
            break;
        const auto *b = reinterpret_cast<const unsigned char *>(len.constData());
        const quint32 n =
            quint32(b[0]) | quint32(b[1]) << 8 | quint32(b[2]) << 16 | quint32(b[3]) << 24;
        if (at + 4 + qint64(n) > size)
            break;
        m_offsets.push_back(at + 4);
        m_lengths.push_back(n);
        at += 4 + qint64(n);
    }
}

QByteArray RecordedPages::page(int n) const {
    if (n < 1 || n > pageCount())
        return {};
    const auto i = static_cast<std::size_t>(n - 1);
    if (!m_stream.seek(m_offsets[i]))
        return {};
    return m_stream.read(m_lengths[i]);
}

QSizeF RecordedPages::pageSize(int n) const {
    return PageListSize(page(n));
}

void RecordedPages::drawPage(int n, QPainter &painter, double pixelsPerInch, bool color) const {
    DrawPageList(page(n), painter, pixelsPerInch, color);
}

// ---------------------------------------------------------------------------------------

bool TFilePrinter::print(QPrinter &printer, int first, int last, int copies) {
    if (m_busy || refuseWithoutPrinter(printer, m_prompter))
        return false;
    first = std::max(first, 1);
    last = std::min(last, m_pages.pageCount());
    if (first > last || copies < 1)
        return false;
    m_busy = true;
    struct Done {
        bool &busy;
        ~Done() { busy = false; }
    } done{m_busy};
    const QSizeF size = m_pages.pageSize(first);
    printer.setFullPage(true);
    printer.setPageOrientation(size.width() > size.height() ? QPageLayout::Landscape
                                                            : QPageLayout::Portrait);
    QPainter painter;
    if (!painter.begin(&printer))
        throw ReportOutputError(QStringLiteral("The report could not be printed to \"%1\".")
                                    .arg(printer.outputFileName().isEmpty()
                                             ? printer.printerName()
                                             : printer.outputFileName()));
    bool firstSheet = true;
    for (int copy = 0; copy < copies; ++copy) {
        for (int n = first; n <= last; ++n) {
            if (!firstSheet)
                printer.newPage();
            firstSheet = false;
            m_pages.drawPage(n, painter, printer.resolution());
        }
    }
    painter.end();
    return true;
}

} // namespace reports
