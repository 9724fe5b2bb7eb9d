#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>

// The page engine report production draws through: bands, lines, tab stops with borders,
// text, footers, a status line and a run that calls the report's handlers page by page.
// Positions and sizes are in inches from the paper's top-left corner.
//
// Implementations: TReportPrinter (a printer or PDF file), TReportFiler (pages recorded into
// a stream for the preview and later printing, or only counted, for text files), and the
// tests' fake engine.
namespace reports {

// An output that cannot be opened or written (a printer, a PDF or text file, a stream),
// with a text that says which and why.
class ReportOutputError : public std::runtime_error {
public:
    explicit ReportOutputError(const QString &text) : std::runtime_error(text.toStdString()) {}
};

enum class Justify { Left, Centre, Right };

// Border bits of a tab stop.
inline constexpr int kBorderLeft = 1, kBorderRight = 2, kBorderTop = 4, kBorderBottom = 8;
inline constexpr int kAllBorders = kBorderLeft | kBorderRight | kBorderTop | kBorderBottom;

struct TabStop {
    Justify justify = Justify::Left;
    int borders = 0;
    int shade = 0;       // percent of grey behind the cell
    int innerMargin = 0; // hundredths of an inch on each side
    double width = 0;
    // Left edge; none: directly after the previous stop, the first at the left margin.
    std::optional<double> position;
};

enum class FooterPlace { Left, Centre, Right };

// What a run calls: the five handlers of a report plus the new-page notice.
struct ReportHandlers {
    std::function<void()> beforePrint;
    std::function<void()> newPage;
    std::function<void()> printHeader;
    std::function<bool()> printPage; // true when another page follows
    std::function<void()> printFooter;
    std::function<void()> afterPrint;
};

enum class RunResult { Completed, Aborted, NoPrinter };

class PageEngine {
public:
    virtual ~PageEngine() = default;

    // 1. No output device (no printer installed): the engine reports it and nothing runs.
    // 2. beforePrint; page 1: newPage, printHeader.
    // 3. printPage; while it returns true and no abort was asked for: printFooter, the next
    //    page, newPage, printHeader, printPage.
    // 4. printFooter and afterPrint, also after an abort or when a handler throws (the
    //    exception then goes on to the caller).
    RunResult run(const ReportHandlers &handlers);

    // Stops all drawing at once; the run ends after the current page.
    void abort() { m_aborted = true; }
    [[nodiscard]] bool aborted() const { return m_aborted; }

    // Status: "%p" is the page number, "%0" and "%1" the two status lines, "\r" a line
    // break. The status is shown at every new page and on request; the listener is the
    // status window's label, and each refresh lets the window handle pending input.
    void setStatusFormat(const QString &format) { m_statusFormat = format; }
    void setStatusLine(int which, const QString &text) { m_statusLines[which & 1] = text; }
    void setStatusListener(std::function<void(const QString &)> listener) {
        m_statusListener = std::move(listener);
    }
    void updateStatus();
    [[nodiscard]] QString statusText() const;

    void setJobTitle(const QString &title) { m_jobTitle = title; }
    [[nodiscard]] const QString &jobTitle() const { return m_jobTitle; }

    [[nodiscard]] int currentPage() const { return m_page; }

    // Margins bound every line (left and right) and give the default band.
    virtual void setMargins(double top, double bottom, double left, double right) = 0;
    [[nodiscard]] virtual double leftMargin() const = 0;
    [[nodiscard]] virtual double rightMargin() const = 0;

    // Selecting a font resets its style and colour; the style calls follow.
    virtual void selectFont(const QString &face, double points) = 0;
    virtual void setBold(bool on) = 0;
    virtual void setItalic(bool on) = 0;
    virtual void setUnderline(bool on) = 0;
    virtual void setStrikeOut(bool on) = 0;
    virtual void setColor(std::uint32_t color) = 0; // red in the low byte

    virtual void setBand(double top, double bottom) = 0;
    [[nodiscard]] virtual double bandTop() const = 0;
    [[nodiscard]] virtual double bandBottom() const = 0;
    // To the band's first line.
    virtual void home() = 0;
    // Whole lines of the current font that still fit above the band's bottom; 0 if none.
    [[nodiscard]] virtual int linesLeft() const = 0;

    // Of the paper in the current orientation.
    [[nodiscard]] virtual double pageWidth() const = 0;
    [[nodiscard]] virtual double pageHeight() const = 0;
    // In the current font.
    [[nodiscard]] virtual double textWidth(const QString &text) const = 0;

    virtual void clearTabs() = 0;
    virtual void addTab(const TabStop &tab) = 0;
    // Width of tab stop n (1-based) less twice its inner margin; 0 when there is none.
    [[nodiscard]] virtual double tabInnerWidth(int n) const = 0;

    // On the current line: each tab character moves to the next tab stop, drawing its
    // borders, and the text after it is placed in that stop by its justification. Text
    // before the first tab starts at the left margin.
    virtual void print(const QString &text) = 0;
    virtual void endLine() = 0;
    virtual void printCentred(const QString &text, double x) = 0;
    // On the band's last line: at the left margin, centred between the margins, or ending
    // at the right margin.
    virtual void printFooter(const QString &text, FooterPlace place) = 0;

protected:
    // Opens the output; false (after telling the user) when there is nowhere to print.
    [[nodiscard]] virtual bool startJob() = 0;
    virtual void startPage() = 0;
    virtual void finishPage() = 0;
    virtual void finishJob() = 0;

private:
    bool m_aborted = false;
    int m_page = 0;
    QString m_statusFormat = QStringLiteral("Printing page %p");
    std::array<QString, 2> m_statusLines;
    std::function<void(const QString &)> m_statusListener;
    QString m_jobTitle = QStringLiteral("Test Report");
};

} // namespace reports
