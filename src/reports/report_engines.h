#pragma once

#include "reports/painted_page_engine.h"

#include <QPageSize>
#include <QPainter>
#include <QSizeF>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

class Prompter;
class QIODevice;
class QPrinter;

namespace reports {

inline constexpr const char *kNoPrintersText = "No printers are defined, aborting print job.";

// The paper reports are laid out on when no printer says otherwise: the default printer's
// paper, or, without a printer, Letter where the locale measures in inches and A4
// elsewhere.
[[nodiscard]] QPageSize DefaultReportPaper();

// Whether the system has a printer at all (through CUPS).
[[nodiscard]] bool PrintersInstalled();
// Tests decide what PrintersInstalled() says (nothing: ask the system again).
void SetPrintersInstalledForTesting(std::optional<bool> installed);

// The page recorder: each page goes into the stream as it is finished, so that the preview
// can show any page and the page printer print any range. The stream is the caller's; it
// must be open for writing. Without a stream pages are only counted (text-file runs use
// its line and page accounting).
//
// Stream: "SKRP", version (u16), then for each page its length (u32) and its display list
// (see page_list.h).
class TReportFiler : public PaintedPageEngine {
public:
    explicit TReportFiler(QIODevice *stream = nullptr);

protected:
    bool startJob() override;
    void pageDone(const QByteArray &page) override;
    void finishJob() override {}

private:
    QIODevice *m_stream;
};

// The printer object: draws each finished page on the printer (a system printer through
// CUPS, or a PDF file with QPrinter::PdfFormat). The paper is the printer's, turned as
// setLandscape() says; the job is titled by jobTitle(). For a system printer, when no
// printer is installed it tells the user "No printers are defined, aborting print job." and
// prints nothing.
class TReportPrinter : public PaintedPageEngine {
public:
    TReportPrinter(QPrinter &printer, Prompter *prompter);
    ~TReportPrinter() override;

protected:
    bool startJob() override;
    void startPage() override;
    void pageDone(const QByteArray &page) override;
    void finishJob() override;

private:
    QPrinter &m_printer;
    Prompter *m_prompter;
    std::unique_ptr<QPainter> m_painter;
    bool m_firstPage = true;
};

// A recorded report read back from the recorder's stream: any page drawn at any scale,
// any range printed. The stream must stay open and unchanged while this is used.
class RecordedPages {
public:
    // Indexes the pages (a quick walk over their lengths). A stream that is not a
    // recording, or is cut short, gives the whole pages it holds.
    explicit RecordedPages(QIODevice &stream);

    [[nodiscard]] int pageCount() const { return static_cast<int>(m_offsets.size()); }
    // Paper of page n (1-based) in inches; empty for a page that does not exist.
    [[nodiscard]] QSizeF pageSize(int n) const;
    // The display list of page n; empty for a page that does not exist.
    [[nodiscard]] QByteArray page(int n) const;
    // Draws page n with the painter's origin at the paper's corner, `pixelsPerInch`
    // device pixels to the inch (zoom x the device's resolution).
    void drawPage(int n, QPainter &painter, double pixelsPerInch, bool color = true) const;

private:
    QIODevice &m_stream;
    std::vector<qint64> m_offsets; // of each page's list (after its length)
    std::vector<quint32> m_lengths;
};

// The page printer: prints pages first..last (1-based, inclusive) of a recording, `copies`
// times, on the printer, turned to the pages' orientation. Busy while a job runs. Like the
// printer object it refuses with "No printers are defined, aborting print job." when the
// printer is a system printer and none is installed. Returns false when nothing was printed.
class TFilePrinter {
public:
    TFilePrinter(const RecordedPages &pages, Prompter *prompter)
        : m_pages(pages), m_prompter(prompter) {}

    bool print(QPrinter &printer, int first, int last, int copies = 1);
    [[nodiscard]] bool busy() const { return m_busy; }

private:
    const RecordedPages &m_pages;
    Prompter *m_prompter;
    bool m_busy = false;
};

} // namespace reports
