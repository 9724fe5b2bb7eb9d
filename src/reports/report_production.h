#pragma once

#include "db/my_table.h"
#include "reports/page_engine.h"
#include "reports/report_definition.h"

#include <QDate>
#include <QString>

#include <array>
#include <memory>
#include <optional>
#include <string_view>

class QIODevice;
struct Settings;

// Report production: the current definition and the records of the main window's data set
// (in its current order, through its current filter) turned into pages through a page
// engine, or into the lines of a text file.
namespace reports {

enum class OutputMode { Printer = 1, Preview = 2, TextFile = 3 };

// A group's heading, underlined headings and the statement start from here.
inline constexpr const char *kNoGroupYet = "zzxkytrweq";

// Totals by total number (index 1..4; index 0 unused): Quantity x Cost, Quantity x Value,
// Quantity x RepCost, Quantity.
using ReportTotals = std::array<double, 5>;

// The whole number of a Quantity text: leading digits with an optional sign after blanks;
// anything else (or nothing) is 0.
[[nodiscard]] long long LeadingWholeNumber(std::string_view text);
// The number of a Cost, RepCost or Value text: its leading decimal number after blanks
// (sign, digits, point, exponent); anything else is 0.
[[nodiscard]] double LeadingNumber(std::string_view text);

// Fits a text into a cell: characters are removed from its end until it is no wider than
// `width` in the engine's current font.
[[nodiscard]] QString CutToWidth(const PageEngine &engine, const QString &text, double width);

class ReportProduction {
public:
    // The definition is copied; numbers a damaged or hand-edited file holds that cannot be
    // printed are brought into range (see sanitised()).
    ReportProduction(PageEngine &engine, const ReportDefinition &definition, MyTable &table,
                     const Settings &settings, OutputMode mode);
    ~ReportProduction();
    ReportProduction(const ReportProduction &) = delete;
    ReportProduction &operator=(const ReportProduction &) = delete;

    // Mode 3: the text file, created (an existing one replaced) before the first page.
    void setTextFileName(const QString &path) { m_textFileName = path; }
    // Mode 3: write into this open device instead of a file.
    void setTextDevice(QIODevice *device) { m_textDevice = device; }
    // The date the footer and the statement show (today unless set).
    void setToday(const QDate &date) { m_today = date; }

    // The five handlers for the page engine's run.
    [[nodiscard]] ReportHandlers handlers();
    // Runs the engine with the handlers.
    RunResult run();

    void MyBeforePrintReport();
    void MyPrintHeaderReport();
    bool MyPrintPageReport();
    void MyPrintFooterReport();
    void MyAfterPrintReport();
    // Writes a line to the text file and ends a line in the engine.
    void LineToFile(const QString &text);

    [[nodiscard]] const ReportDefinition &definition() const { return m_def; }
    [[nodiscard]] const ReportTotals &grandTotals() const { return m_grand; }
    [[nodiscard]] int level1Field() const { return m_level1; }
    [[nodiscard]] int level2Field() const { return m_level2; }

    // A definition with what cannot be printed brought into range: characters per line
    // below 1 become 120, the number of body lines is held to 0..12, font sizes to 1..200
    // points (an empty face is Arial), and margins that are not numbers or would leave no
    // room to 0.5 in, or at most 40 percent of the paper.
    [[nodiscard]] static ReportDefinition sanitised(const ReportDefinition &definition,
                                                    double pageWidth, double pageHeight);

private:
    enum class LineKind { ColumnHeader, Body, Totals };

    [[nodiscard]] bool textMode() const { return m_mode == OutputMode::TextFile; }
    void SetMyFont(int number);
    [[nodiscard]] Justify justification(LineKind kind, const ReportPart &part) const;
    void defineCells(const ReportLine &line, LineKind kind, int borders);
    [[nodiscard]] QString fieldText(int fieldNumber) const;
    [[nodiscard]] QString totalText(const ReportTotals &set, int totalNumber) const;
    [[nodiscard]] QString partText(const ReportPart &part, LineKind kind,
                                   const ReportTotals *set) const;
    [[nodiscard]] QString printedLine(const ReportLine &line, LineKind kind,
                                      const ReportTotals *set) const;
    [[nodiscard]] QString textFileLine(const ReportLine &line, LineKind kind,
                                       const ReportTotals *set) const;
    void printRecord();
    void addToTotals();
    void printGroupTotals();
    void printGroupHeading();
    void printUnderlinedHeading(const QString &text);
    void printHeadingLine(QString text, int borders);
    [[nodiscard]] TabStop headingCell(double width, int borders) const;
    void printTotalsLine(const ReportTotals &set);
    void printFinalBlock();
    void printPlainLine(const QString &text);
    // Whether `lines` still fit on the page. On a page where nothing has been printed yet
    // everything fits: a definition whose blocks need more lines than a whole page has
    // would otherwise ask for new pages for ever.
    [[nodiscard]] bool fits(int lines) const;
    [[nodiscard]] bool pastEnd() const;
    void advance();
    [[nodiscard]] QString recordText(int fieldNumber, int maxLength) const;
    void openTextFile();
    void closeTextFile();
    void throwTextError() const;

    PageEngine &m_engine;
    ReportDefinition m_original;
    ReportDefinition m_def;
    MyTable &m_table;
    const Settings &m_settings;
    OutputMode m_mode;
    QString m_textFileName;
    QIODevice *m_textDevice = nullptr;
    std::unique_ptr<QIODevice> m_ownFile;
    QIODevice *m_text = nullptr;
    QDate m_today;

    int m_cpl = 120;
    double m_usableWidth = 0;
    int m_level1 = 0;
    int m_level2 = 0;
    QString m_current1;
    QString m_current2;
    bool m_headingPending = false;
    bool m_totalsPending = false;
    bool m_firstGroup = true;
    bool m_finalPending = false;
    bool m_finalPrinted = false;
    bool m_newPage = false;
    bool m_printedOnPage = false;
    int m_borders = 0;
    ReportTotals m_grand{};
    ReportTotals m_group{};
    // Column of each catalogue field in the table (index = field number), -1 when absent.
    std::array<int, 23> m_columns{};
    bool m_controlsDisabled = false;
    std::optional<MyTable::Scanner> m_scan;
    bool m_onRecord = false;
    MyTable::Bookmark m_lastRead = 0;
    long long m_walked = 0;
};

} // namespace reports
