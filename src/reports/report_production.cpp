#include "reports/report_production.h"

#include "core/field_catalogue.h"
#include "core/text_codec.h"
#include "db/my_table.h"
#include "settings/date_format.h"
#include "settings/format_helpers.h"
#include "settings/regional.h"
#include "settings/settings.h"

#include <QFile>

#include <charconv>
#include <cmath>

namespace reports {

namespace {

// The body band ends this far above the bottom margin; the footer band is the last half
// inch above it. The header band is fixed.
constexpr double kHeaderTop = 0.5;
constexpr double kHeaderBottom = 1.25;
constexpr double kBodyTop = 1.25;
constexpr double kBodyGap = 0.75;
constexpr double kFooterHeight = 0.5;
constexpr int kCellMargin = 2;            // hundredths of an inch
constexpr double kHeadingAllowance = 0.2; // inches around a heading's text
constexpr int kGroupTextLength = 120;
// Records walked between status refreshes when no page is finished, so that Cancel works
// during a long walk that prints little.
constexpr long long kStatusEvery = 2048;

std::string_view trimmed(std::string_view v) {
    while (!v.empty() && (v.front() == ' ' || v.front() == '\0'))
        v.remove_prefix(1);
    while (!v.empty() && (v.back() == ' ' || v.back() == '\0'))
        v.remove_suffix(1);
    return v;
}

const CatalogueField *catalogueOf(int fieldNumber) {
    return catalogueField(fieldNumber);
}

} // namespace

long long LeadingWholeNumber(std::string_view text) {
    text = trimmed(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    (void)end;
    return error == std::errc() ? value : 0;
}

double LeadingNumber(std::string_view text) {
    text = trimmed(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    double value = 0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    (void)end;
    return error == std::errc() && std::isfinite(value) ? value : 0.0;
}

QString CutToWidth(const PageEngine &engine, const QString &text, double width) {
    if (text.isEmpty() || engine.textWidth(text) <= width)
        return text;
    // Widths grow with every character, so the longest prefix that fits is found by
    // halving instead of removing one character at a time.
    qsizetype fits = 0, tooWide = text.size();
    while (tooWide - fits > 1) {
        const qsizetype mid = (fits + tooWide) / 2;
        if (engine.textWidth(text.left(mid)) <= width)
            fits = mid;
        else
            tooWide = mid;
    }
    return text.left(fits);
}

ReportProduction::ReportProduction(PageEngine &engine, const ReportDefinition &definition,
                                   MyTable &table, const Settings &settings, OutputMode mode)
    : m_engine(engine), m_original(definition), m_def(definition), m_table(table),
      m_settings(settings), m_mode(mode), m_today(QDate::currentDate()) {
    m_columns.fill(-1);
}

ReportProduction::~ReportProduction() = default;

ReportHandlers ReportProduction::handlers() {
    ReportHandlers h;
    h.beforePrint = [this] { MyBeforePrintReport(); };
    h.printHeader = [this] { MyPrintHeaderReport(); };
    h.printPage = [this] { return MyPrintPageReport(); };
    h.printFooter = [this] { MyPrintFooterReport(); };
    h.afterPrint = [this] { MyAfterPrintReport(); };
    return h;
}

RunResult ReportProduction::run() {
    return m_engine.run(handlers());
}

ReportDefinition ReportProduction::sanitised(const ReportDefinition &definition, double pageWidth,
                                             double pageHeight) {
    ReportDefinition d = definition;
    if (d.charsPerLine < 1)
        d.charsPerLine = 120;
    d.numLines = std::clamp(d.numLines, 0, urp::kBodyLineSlots);
    for (FontSpec &f : d.fonts) {
        if (f.name.trimmed().isEmpty())
            f.name = QStringLiteral("Arial");
        f.size = std::clamp(f.size, 1, 200);
    }
    auto margin = [](double &m, double paper) {
        if (!std::isfinite(m) || m < 0)
            m = 0.5;
        m = std::min(m, 0.4 * paper);
    };
    margin(d.topMargin, pageHeight);
    margin(d.bottomMargin, pageHeight);
    margin(d.leftMargin, pageWidth);
    margin(d.rightMargin, pageWidth);
    return d;
}

void ReportProduction::SetMyFont(int number) {
    const FontSpec &f = m_def.font(number);
    m_engine.selectFont(f.name, f.size);
    m_engine.setBold(f.bold);
    m_engine.setItalic(f.italic);
    m_engine.setUnderline(f.underline);
    m_engine.setStrikeOut(f.strikeout);
    m_engine.setColor(f.color);
}

bool ReportProduction::pastEnd() const {
    return !m_scan || !m_onRecord;
}

void ReportProduction::advance() {
    m_onRecord = m_scan->next();
    if (m_onRecord)
        m_lastRead = m_scan->bookmark();
}

bool ReportProduction::fits(int lines) const {
    return !m_printedOnPage || m_engine.linesLeft() >= lines;
}

// ---------------------------------------------------------------------------------------
// Text file

void ReportProduction::openTextFile() {
    if (m_textDevice) {
        m_text = m_textDevice;
        return;
    }
    auto file = std::make_unique<QFile>(m_textFileName);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw ReportOutputError(QStringLiteral("The report file \"%1\" could not be created: %2")
                                    .arg(m_textFileName, file->errorString()));
    m_ownFile = std::move(file);
    m_text = m_ownFile.get();
}

void ReportProduction::throwTextError() const {
    const QString name = m_textDevice ? QStringLiteral("report text") : m_textFileName;
    throw ReportOutputError(QStringLiteral("The report file \"%1\" could not be written: %2")
                                .arg(name, m_text ? m_text->errorString() : QString()));
}

void ReportProduction::closeTextFile() {
    if (!m_text)
        return;
    QIODevice *text = std::exchange(m_text, nullptr);
    if (m_ownFile) {
        auto *file = static_cast<QFile *>(m_ownFile.get());
        const bool flushed = file->flush();
        const QString error = file->errorString();
        file->close();
        m_ownFile.reset();
        if (!flushed)
            throw ReportOutputError(
                QStringLiteral("The report file \"%1\" could not be written: %2")
                    .arg(m_textFileName, error));
    }
    (void)text;
}

void ReportProduction::LineToFile(const QString &text) {
    if (m_text) {
        QByteArray bytes = text8::encode(text);
        bytes.append("\r\n", 2);
        if (m_text->write(bytes) != bytes.size())
            throwTextError();
    }
    m_engine.endLine();
}

// ---------------------------------------------------------------------------------------
// Cells and texts

Justify ReportProduction::justification(LineKind kind, const ReportPart &part) const {
    if (kind == LineKind::ColumnHeader)
        return Justify::Centre;
    if (part.isFiller())
        return Justify::Left;
    if (part.isLabel())
        return kind == LineKind::Body && m_def.numLines == 1 ? Justify::Left : Justify::Right;
    bool numeric = kind == LineKind::Totals;
    if (kind == LineKind::Body) {
        const CatalogueField *f = catalogueOf(part.fieldNumber);
        numeric = f && f->kind == 'N';
    }
    if (!numeric)
        return Justify::Left;
    return kind == LineKind::Body && m_def.numLines == 1 ? Justify::Right : Justify::Left;
}

void ReportProduction::defineCells(const ReportLine &line, LineKind kind, int borders) {
    const int parts = UsedParts(line);
    for (int i = 0; i < parts; ++i) {
        const ReportPart &part = line[static_cast<std::size_t>(i)];
        TabStop tab;
        tab.justify = justification(kind, part);
        tab.borders = borders;
        tab.innerMargin = kCellMargin;
        tab.width = double(part.width) / m_cpl * m_usableWidth;
        m_engine.addTab(tab);
    }
}

QString ReportProduction::recordText(int fieldNumber, int maxLength) const {
    if (fieldNumber < 1 || fieldNumber >= static_cast<int>(m_columns.size()))
        return {};
    const int column = m_columns[static_cast<std::size_t>(fieldNumber)];
    if (column < 0)
        return {};
    QString text = m_scan->view().text(column);
    if (maxLength >= 0 && text.size() > maxLength)
        text.truncate(maxLength);
    return text;
}

QString ReportProduction::fieldText(int fieldNumber) const {
    const CatalogueField *f = catalogueOf(fieldNumber);
    if (!f)
        return {};
    const int column = m_columns[static_cast<std::size_t>(fieldNumber)];
    if (column < 0)
        return {};
    if (f->kind != 'N')
        return m_scan->view().text(column);
    const double value = m_scan->view().number(column);
    if (f->decimals == 2)
        return FormatMoney(0, value, m_settings.currencyFormat);
    return FormatNumber(0, 0, value, m_settings.numericFormat);
}

QString ReportProduction::totalText(const ReportTotals &set, int totalNumber) const {
    if (totalNumber < urp::kTotalCost || totalNumber > urp::kTotalQuantity)
        return {};
    const double value = set[static_cast<std::size_t>(totalNumber)];
    if (totalNumber == urp::kTotalQuantity)
        return FormatNumber(0, 0, value, m_settings.numericFormat);
    return FormatMoney(0, value, m_settings.currencyFormat);
}

// The content of a part of a line: a field of the current record (its display name in the
// column headers), a total of `set`, a label, or nothing.
QString ReportProduction::partText(const ReportPart &part, LineKind kind,
                                   const ReportTotals *set) const {
    if (part.isFiller())
        return {};
    if (part.isLabel())
        return kind == LineKind::ColumnHeader ? QString() : part.label;
    if (kind == LineKind::ColumnHeader)
        return part.fieldNumber >= 1 && part.fieldNumber <= kFieldCount
                   ? m_settings.fieldNames[static_cast<std::size_t>(part.fieldNumber - 1)]
                   : QString();
    if (kind == LineKind::Totals)
        return set ? totalText(*set, part.fieldNumber) : QString();
    return fieldText(part.fieldNumber);
}

// A line for the engine: each part's text, cut to its cell, after a tab.
QString ReportProduction::printedLine(const ReportLine &line, LineKind kind,
                                      const ReportTotals *set) const {
    QString out;
    const int parts = UsedParts(line);
    for (int i = 0; i < parts; ++i) {
        out += QLatin1Char('\t');
        out += CutToWidth(m_engine, partText(line[static_cast<std::size_t>(i)], kind, set),
                          m_engine.tabInnerWidth(i + 1));
    }
    return out;
}

// A line of the text file: each part's text cut to its width in characters, labels
// right-aligned, fields and totals left-aligned, fillers (and labels in the column
// headers) as spaces.
QString ReportProduction::textFileLine(const ReportLine &line, LineKind kind,
                                       const ReportTotals *set) const {
    QString out;
    const int parts = UsedParts(line);
    for (int i = 0; i < parts; ++i) {
        const ReportPart &part = line[static_cast<std::size_t>(i)];
        const QString text = partText(part, kind, set).left(part.width);
        out += part.isLabel() ? PadLeft(text, part.width) : PadRight(text, part.width);
    }
    return out;
}

// ---------------------------------------------------------------------------------------
// Handlers

void ReportProduction::MyBeforePrintReport() {
    m_engine.setStatusFormat(QStringLiteral("Printing Page %p\r%0\r%1"));
    m_engine.setStatusLine(0, QString());
    m_engine.setStatusLine(1, QString());

    m_def = sanitised(m_original, m_engine.pageWidth(), m_engine.pageHeight());
    m_engine.setMargins(m_def.topMargin, m_def.bottomMargin, m_def.leftMargin, m_def.rightMargin);
    m_cpl = m_def.charsPerLine;
    m_usableWidth = m_engine.pageWidth() - m_def.leftMargin - m_def.rightMargin;

    m_level1 = m_level2 = 0;
    if (m_def.level1Group) {
        std::vector<int> named;
        for (int level : m_settings.sortLevels)
            if (catalogueOf(level))
                named.push_back(level);
        if (!named.empty())
            m_level1 = named[0];
        if (m_def.level2Group && named.size() > 1)
            m_level2 = named[1];
    }

    m_current1 = m_current2 = QLatin1String(kNoGroupYet);
    m_headingPending = m_totalsPending = m_finalPending = m_finalPrinted = false;
    m_firstGroup = true;
    m_grand.fill(0);
    m_group.fill(0);
    m_borders = 0;
    if (m_def.numLines == 1) {
        if (m_def.vertLines)
            m_borders |= kBorderLeft | kBorderRight;
        if (m_def.horzLines)
            m_borders |= kBorderTop | kBorderBottom;
    }
    m_walked = 0;

    if (textMode())
        openTextFile();

    m_columns.fill(-1);
    if (m_table.isOpen()) {
        for (const CatalogueField &f : kCatalogue)
            m_columns[static_cast<std::size_t>(f.number)] = m_table.fieldIndex(
                QString::fromLatin1(f.key.data(), static_cast<qsizetype>(f.key.size())));
        m_table.disableControls();
        m_controlsDisabled = true;
        // The records are read through a scan of the data set in its order and through its
        // filter, which is what moving it from its first record to its last visits; the
        // data set itself is moved to the last record read when the run ends.
        m_scan.emplace(m_table.scanner());
        m_lastRead = 0;
        advance();
    }
}

void ReportProduction::MyPrintHeaderReport() {
    if (textMode()) {
        for (const QString &title : m_def.titles)
            if (!title.isEmpty())
                LineToFile(title);
        return;
    }
    m_engine.setBand(kHeaderTop, kHeaderBottom);
    m_engine.home();
    SetMyFont(urp::kTitleFont);
    for (const QString &title : m_def.titles) {
        if (title.isEmpty())
            continue;
        m_engine.printCentred(title, m_engine.pageWidth() / 2.0);
        m_engine.endLine();
    }
}

bool ReportProduction::MyPrintPageReport() {
    const double bodyBottom = m_engine.pageHeight() - m_def.bottomMargin - kBodyGap;
    m_engine.setBand(kBodyTop, bodyBottom);
    m_engine.home();
    m_newPage = false;
    m_printedOnPage = false;
    const int nl = m_def.numLines;
    const ReportLine &first = m_def.bodyLine(1);

    if (nl == 1 && m_def.columnHeaders) {
        SetMyFont(urp::kHeaderFont);
        if (textMode()) {
            LineToFile(textFileLine(first, LineKind::ColumnHeader, nullptr));
        } else {
            m_engine.clearTabs();
            defineCells(first, LineKind::ColumnHeader, m_borders);
            m_engine.print(printedLine(first, LineKind::ColumnHeader, nullptr));
            m_engine.endLine();
        }
    }
    SetMyFont(urp::kBodyFont);
    if (nl == 1 && !textMode()) {
        m_engine.clearTabs();
        defineCells(first, LineKind::Body, m_borders);
    }

    while (fits(nl) && !pastEnd() && !m_newPage && !m_engine.aborted()) {
        if (m_totalsPending)
            printGroupTotals();
        if (m_headingPending && !m_newPage)
            printGroupHeading();
        if (m_newPage)
            break;

        if (m_level1 > 0) {
            const QString text1 = recordText(m_level1, kGroupTextLength);
            bool groupBreak = false;
            if (m_level2 > 0) {
                const QString text2 = recordText(m_level2, kGroupTextLength);
                if (text2 != m_current2) {
                    m_current1 = text1;
                    m_current2 = text2;
                    groupBreak = true;
                } else if (text1 != m_current1) {
                    m_current1 = text1;
                    groupBreak = true;
                }
            } else if (text1 != m_current1) {
                m_current1 = text1;
                groupBreak = true;
            }
            if (groupBreak) {
                printGroupTotals();
                if (m_newPage)
                    m_headingPending = true;
                else
                    printGroupHeading();
            }
        }
        if (m_newPage)
            break;

        printRecord();
        if (m_def.useTotals)
            addToTotals();
        advance();
        if (++m_walked % kStatusEvery == 0)
            m_engine.updateStatus();
    }

    if (pastEnd() && !m_engine.aborted())
        printFinalBlock();
    return !(m_engine.aborted() || (pastEnd() && m_finalPrinted));
}

void ReportProduction::MyPrintFooterReport() {
    QString insurance;
    if (m_settings.printInsuranceCompany)
        insurance += m_settings.insuranceCompany + QStringLiteral("    ");
    if (m_settings.printPolicyNumber)
        insurance += QLatin1Char('#') + m_settings.policyNumber;
    const QString page = QStringLiteral("Page ") + QString::number(m_engine.currentPage());
    const QString date = DateToText(m_today);

    if (textMode()) {
        LineToFile(QString());
        QString line = page + QStringLiteral("     ") + insurance;
        if (m_def.dateOnPages)
            line += QStringLiteral("     ") + date;
        line += QLatin1Char('\f');
        LineToFile(line);
        return;
    }
    const double bottom = m_engine.pageHeight() - m_def.bottomMargin;
    m_engine.setBand(bottom - kFooterHeight, bottom);
    SetMyFont(urp::kFootnoteFont);
    m_engine.printFooter(page, FooterPlace::Left);
    m_engine.printFooter(insurance, FooterPlace::Centre);
    if (m_def.dateOnPages)
        m_engine.printFooter(date, FooterPlace::Right);
}

void ReportProduction::MyAfterPrintReport() {
    struct GiveBack {
        ReportProduction &p;
        ~GiveBack() {
            if (p.m_controlsDisabled) {
                p.m_controlsDisabled = false;
                if (p.m_lastRead != 0)
                    (void)p.m_table.gotoBookmark(p.m_lastRead);
                p.m_scan.reset();
                p.m_table.enableControls();
            }
        }
    } giveBack{*this};
    closeTextFile();
}

// ---------------------------------------------------------------------------------------
// Records, groups and totals

void ReportProduction::printRecord() {
    m_printedOnPage = true;
    const int nl = m_def.numLines;
    if (textMode()) {
        for (int n = 1; n <= nl; ++n)
            LineToFile(textFileLine(m_def.bodyLine(n), LineKind::Body, nullptr));
        return;
    }
    if (nl == 1) {
        m_engine.print(printedLine(m_def.bodyLine(1), LineKind::Body, nullptr));
        m_engine.endLine();
        return;
    }
    for (int n = 1; n <= nl; ++n) {
        m_engine.clearTabs();
        defineCells(m_def.bodyLine(n), LineKind::Body, 0);
        m_engine.print(printedLine(m_def.bodyLine(n), LineKind::Body, nullptr));
        m_engine.endLine();
    }
}

void ReportProduction::addToTotals() {
    auto raw = [this](int catalogueIndex) -> std::string_view {
        const int column = m_columns[static_cast<std::size_t>(catalogueIndex + 1)];
        return column < 0 ? std::string_view() : m_scan->view().raw(column);
    };
    const double q = double(LeadingWholeNumber(raw(field::Quantity)));
    const double c = LeadingNumber(raw(field::Cost));
    const double r = LeadingNumber(raw(field::RepCost));
    const double v = LeadingNumber(raw(field::Value));
    for (ReportTotals *set : {&m_grand, &m_group}) {
        (*set)[urp::kTotalCost] += q * c;
        (*set)[urp::kTotalValue] += q * v;
        (*set)[urp::kTotalRepCost] += q * r;
        (*set)[urp::kTotalQuantity] += q;
    }
}

void ReportProduction::printGroupTotals() {
    if (m_firstGroup) {
        m_firstGroup = false;
        m_totalsPending = false;
        return;
    }
    if (!m_def.useTotals) {
        m_totalsPending = false;
        return;
    }
    if (!fits(m_def.numLines + 3)) {
        m_totalsPending = true;
        m_newPage = true;
        return;
    }
    m_printedOnPage = true;
    printUnderlinedHeading(QStringLiteral("TOTALS"));
    if (!textMode()) {
        m_engine.clearTabs();
        defineCells(m_def.totals, LineKind::Totals, 0);
    }
    printTotalsLine(m_group);
    m_group.fill(0);
    if (m_def.numLines == 1 && !textMode()) {
        m_engine.clearTabs();
        defineCells(m_def.bodyLine(1), LineKind::Body, m_borders);
    }
    m_totalsPending = false;
}

void ReportProduction::printGroupHeading() {
    if (!fits(m_def.numLines + 2)) {
        m_headingPending = true;
        m_newPage = true;
        return;
    }
    m_printedOnPage = true;
    QString text;
    if (m_level1 > 0)
        text = m_current1;
    if (m_level2 > 0)
        text += QStringLiteral(", ") + m_current2;

    if (textMode()) {
        LineToFile(QString());
        const QString indent =
            Repeat(QLatin1Char(' '), text.size() > m_cpl ? 0 : (m_cpl - int(text.size())) / 2);
        const QString dashes = Repeat(QLatin1Char('-'), int(text.size()));
        LineToFile(indent + dashes);
        LineToFile(indent + text);
        LineToFile(indent + dashes);
    } else {
        m_engine.endLine();
        printHeadingLine(text, kAllBorders);
        if (m_def.numLines == 1) {
            m_engine.clearTabs();
            defineCells(m_def.bodyLine(1), LineKind::Body, m_borders);
        }
    }
    m_headingPending = false;
}

// The cell of a heading `width` wide: its text starts where a text centred between the
// margins starts, and the cell reaches half the allowance beyond it on either side, so a
// heading as wide as the line stays between the margins.
TabStop ReportProduction::headingCell(double width, int borders) const {
    TabStop tab;
    tab.justify = Justify::Centre;
    tab.borders = borders;
    tab.innerMargin = kCellMargin;
    tab.width = width + kHeadingAllowance;
    tab.position = m_def.leftMargin + (m_usableWidth - width) / 2.0 - kHeadingAllowance / 2.0;
    return tab;
}

void ReportProduction::printUnderlinedHeading(const QString &heading) {
    if (textMode()) {
        const int spaces = std::max(0, (m_cpl - int(heading.size())) / 2);
        LineToFile(Repeat(QLatin1Char(' '), spaces) + heading);
        return;
    }
    printHeadingLine(heading, kBorderBottom);
}

// A heading in a cell of its own, centred between the margins. A heading wider than the
// line is cut to fit between the margins with its allowance, and its cell then spans the
// line.
void ReportProduction::printHeadingLine(QString text, int borders) {
    m_engine.clearTabs();
    double width = m_engine.textWidth(text);
    const double room = m_usableWidth - kHeadingAllowance;
    if (width > room) {
        text = CutToWidth(m_engine, text, room);
        width = room;
    }
    m_engine.addTab(headingCell(width, borders));
    m_engine.print(QLatin1Char('\t') + text);
    m_engine.endLine();
}

void ReportProduction::printTotalsLine(const ReportTotals &set) {
    if (textMode()) {
        LineToFile(textFileLine(m_def.totals, LineKind::Totals, &set));
        return;
    }
    m_engine.print(printedLine(m_def.totals, LineKind::Totals, &set));
    m_engine.endLine();
}

void ReportProduction::printPlainLine(const QString &text) {
    if (textMode()) {
        LineToFile(text);
        return;
    }
    if (!text.isEmpty())
        m_engine.print(text);
    m_engine.endLine();
}

void ReportProduction::printFinalBlock() {
    const int need = (m_def.useTotals ? 5 : 0) + (m_settings.printStatement ? 5 : 0);
    if (need > 0 && !fits(need)) {
        m_finalPending = true;
        return;
    }
    if (need > 0)
        m_printedOnPage = true;
    if (m_def.useTotals) {
        printUnderlinedHeading(QStringLiteral("TOTALS"));
        if (!textMode()) {
            m_engine.clearTabs();
            defineCells(m_def.totals, LineKind::Totals, 0);
        }
        printTotalsLine(m_group);
        printPlainLine(QString());
        printUnderlinedHeading(QStringLiteral("GRAND TOTALS"));
        if (!textMode()) {
            m_engine.clearTabs();
            defineCells(m_def.totals, LineKind::Totals, 0);
        }
        printTotalsLine(m_grand);
    }
    if (m_settings.printStatement) {
        if (!textMode())
            m_engine.clearTabs();
        printPlainLine(QString());
        printPlainLine(QStringLiteral("As of this date, ") + DateToText(m_today) +
                       QStringLiteral(", this is a true and accurate inventory of my home."));
        printPlainLine(QString());
        printPlainLine(Repeat(QLatin1Char('_'), 35));
        printPlainLine(m_settings.yourName);
    }
    m_finalPending = false;
    m_finalPrinted = true;
}

} // namespace reports
