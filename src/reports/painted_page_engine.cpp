#include "reports/painted_page_engine.h"

#include <cmath>

namespace reports {

PaintedPageEngine::PaintedPageEngine() {
    m_font.face = QStringLiteral("Arial");
    m_font.twips = 200;
}

PaintedPageEngine::~PaintedPageEngine() = default;

void PaintedPageEngine::setPaper(const QPageSize &paper) {
    if (paper.isValid())
        m_paper = paper;
}

void PaintedPageEngine::setLandscape(bool landscape) {
    m_landscape = landscape;
}

QSizeF PaintedPageEngine::paperInches() const {
    QSizeF size = m_paper.size(QPageSize::Inch);
    if (m_landscape != (size.width() > size.height()))
        size.transpose();
    return size;
}

double PaintedPageEngine::pageWidth() const {
    return paperInches().width();
}

double PaintedPageEngine::pageHeight() const {
    return paperInches().height();
}

void PaintedPageEngine::setMargins(double top, double bottom, double left, double right) {
    m_top = top;
    m_bottom = bottom;
    m_left = left;
    m_right = right;
    setBand(top, pageHeight() - bottom);
}

PaintedPageEngine::Metrics &PaintedPageEngine::metrics() const {
    if (!m_metrics) {
        // Colour and lines under or through the text do not change its measures.
        PageFont key = m_font;
        key.color = 0;
        key.underline = false;
        key.strikeOut = false;
        auto &slot = m_metricsCache[key];
        if (!slot) {
            QFontMetricsF m(MakeQFont(key));
            const double ascent = m.ascent() / kTwipsPerInch;
            const double spacing = m.lineSpacing() / kTwipsPerInch;
            slot = std::make_unique<Metrics>(Metrics{m, ascent, spacing, {}, {}});
            slot->latin.fill(-1.0);
        }
        m_metrics = slot.get();
    }
    return *m_metrics;
}

void PaintedPageEngine::selectFont(const QString &face, double points) {
    m_font = PageFont{};
    m_font.face = face;
    m_font.twips = static_cast<int>(std::lround(std::clamp(points, 0.05, 5000.0) * 20.0));
    m_metrics = nullptr;
}

void PaintedPageEngine::setBold(bool on) {
    m_font.bold = on;
    m_metrics = nullptr;
}

void PaintedPageEngine::setItalic(bool on) {
    m_font.italic = on;
    m_metrics = nullptr;
}

void PaintedPageEngine::setUnderline(bool on) {
    m_font.underline = on;
}

void PaintedPageEngine::setStrikeOut(bool on) {
    m_font.strikeOut = on;
}

void PaintedPageEngine::setColor(std::uint32_t color) {
    m_font.color = color;
}

void PaintedPageEngine::setBand(double top, double bottom) {
    m_bandTop = top;
    m_bandBottom = bottom;
}

void PaintedPageEngine::home() {
    m_y = m_bandTop;
}

double PaintedPageEngine::lineHeight() const {
    return metrics().lineSpacing;
}

int PaintedPageEngine::linesLeft() const {
    const double h = lineHeight();
    if (!(h > 0))
        return 0;
    // A small allowance so that a band that holds exactly n lines is not one short by
    // rounding.
    const double lines = std::floor((m_bandBottom - m_y) / h + 1e-7);
    if (!(lines > 0))
        return 0;
    return lines > 1e6 ? 1000000 : static_cast<int>(lines);
}

double PaintedPageEngine::Metrics::advance(QChar c) {
    const char16_t u = c.unicode();
    if (u < 256) {
        double &a = latin[u];
        if (a < 0)
            a = metrics.horizontalAdvance(QString(c));
        return a;
    }
    auto found = others.find(u);
    if (found == others.end())
        found = others.emplace(u, metrics.horizontalAdvance(QString(c))).first;
    return found->second;
}

double PaintedPageEngine::textWidth(const QString &text) const {
    if (text.isEmpty())
        return 0;
    // Fonts are made without shaping (see MakeQFont), so a text's width is the sum of its
    // characters' advances; only a text with characters beyond one UTF-16 unit is measured
    // whole.
    Metrics &m = metrics();
    double twips = 0;
    for (const QChar c : text) {
        if (c.isSurrogate())
            return m.metrics.horizontalAdvance(text) / kTwipsPerInch;
        twips += m.advance(c);
    }
    return twips / kTwipsPerInch;
}

void PaintedPageEngine::addTab(const TabStop &tab) {
    const double x = tab.position     ? *tab.position
                     : m_tabs.empty() ? m_left
                                      : m_tabs.back().x + m_tabs.back().stop.width;
    m_tabs.push_back({tab, x});
}

double PaintedPageEngine::tabInnerWidth(int n) const {
    if (n < 1 || n > static_cast<int>(m_tabs.size()))
        return 0;
    const TabStop &t = m_tabs[static_cast<std::size_t>(n - 1)].stop;
    return t.width - 2.0 * t.innerMargin / 100.0;
}

void PaintedPageEngine::drawText(const QString &text, double x) {
    if (!text.isEmpty())
        m_page.text(m_font, x, m_y + metrics().ascent, text);
}

void PaintedPageEngine::print(const QString &text) {
    if (!drawing())
        return;
    qsizetype start = 0;
    int tab = -1; // -1: before the first tab character
    const double h = lineHeight();
    for (;;) {
        const qsizetype end = text.indexOf(QLatin1Char('\t'), start);
        const QString segment = text.mid(start, end < 0 ? -1 : end - start);
        if (tab < 0) {
            drawText(segment, m_left);
        } else if (tab < static_cast<int>(m_tabs.size())) {
            const PlacedTab &t = m_tabs[static_cast<std::size_t>(tab)];
            m_page.shade(t.x, m_y, t.stop.width, h, t.stop.shade);
            m_page.box(t.x, m_y, t.stop.width, h, t.stop.borders);
            if (!segment.isEmpty()) {
                const double margin = t.stop.innerMargin / 100.0;
                double x = t.x + margin;
                if (t.stop.justify == Justify::Right)
                    x = t.x + t.stop.width - margin - textWidth(segment);
                else if (t.stop.justify == Justify::Centre)
                    x = t.x + (t.stop.width - textWidth(segment)) / 2.0;
                drawText(segment, x);
            }
        }
        if (end < 0)
            break;
        start = end + 1;
        ++tab;
    }
}

void PaintedPageEngine::endLine() {
    m_y += lineHeight();
}

void PaintedPageEngine::printCentred(const QString &text, double x) {
    if (drawing())
        drawText(text, x - textWidth(text) / 2.0);
}

void PaintedPageEngine::printFooter(const QString &text, FooterPlace place) {
    if (!drawing() || text.isEmpty())
        return;
    const double saved = m_y;
    m_y = m_bandBottom - lineHeight();
    const double w = textWidth(text);
    double x = m_left;
    if (place == FooterPlace::Centre)
        x = m_left + (pageWidth() - m_left - m_right - w) / 2.0;
    else if (place == FooterPlace::Right)
        x = pageWidth() - m_right - w;
    drawText(text, x);
    m_y = saved;
}

void PaintedPageEngine::startPage() {
    const QSizeF size = paperInches();
    m_page.begin(size.width(), size.height());
    setBand(m_top, size.height() - m_bottom);
    home();
    m_tabs.clear();
}

void PaintedPageEngine::finishPage() {
    pageDone(m_page.finish());
}

} // namespace reports
