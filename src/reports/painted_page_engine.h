#pragma once

#include "reports/page_engine.h"
#include "reports/page_list.h"

#include <QFontMetricsF>
#include <QPageSize>
#include <QSizeF>

#include <array>
#include <map>
#include <memory>
#include <vector>

// The layout every real engine shares: fonts measured in twips with Qt's font metrics
// (Liberation Sans and Mono stand in for Arial and Courier New through fontconfig), lines
// and tab stops placed in inches, and each page built as a display list that the subclass
// hands on (to a printer, a stream, or nowhere). Needs a QGuiApplication.
namespace reports {

class PaintedPageEngine : public PageEngine {
public:
    PaintedPageEngine();
    ~PaintedPageEngine() override;

    // The paper in portrait; landscape turns it. Letter until set.
    void setPaper(const QPageSize &paper);
    void setLandscape(bool landscape);
    [[nodiscard]] bool landscape() const { return m_landscape; }

    void setMargins(double top, double bottom, double left, double right) override;
    [[nodiscard]] double leftMargin() const override { return m_left; }
    [[nodiscard]] double rightMargin() const override { return m_right; }

    void selectFont(const QString &face, double points) override;
    void setBold(bool on) override;
    void setItalic(bool on) override;
    void setUnderline(bool on) override;
    void setStrikeOut(bool on) override;
    void setColor(std::uint32_t color) override;

    void setBand(double top, double bottom) override;
    [[nodiscard]] double bandTop() const override { return m_bandTop; }
    [[nodiscard]] double bandBottom() const override { return m_bandBottom; }
    void home() override;
    [[nodiscard]] int linesLeft() const override;

    [[nodiscard]] double pageWidth() const override;
    [[nodiscard]] double pageHeight() const override;
    [[nodiscard]] double textWidth(const QString &text) const override;

    void clearTabs() override { m_tabs.clear(); }
    void addTab(const TabStop &tab) override;
    [[nodiscard]] double tabInnerWidth(int n) const override;

    void print(const QString &text) override;
    void endLine() override;
    void printCentred(const QString &text, double x) override;
    void printFooter(const QString &text, FooterPlace place) override;

    // The current line's top and height (inches).
    [[nodiscard]] double lineTop() const { return m_y; }
    [[nodiscard]] double lineHeight() const;

protected:
    void startPage() override;
    void finishPage() override;
    // A finished page's display list.
    virtual void pageDone(const QByteArray &page) = 0;
    // Whether pages are drawn at all (a text-file run only counts lines).
    void setDrawing(bool on) { m_drawing = on; }
    [[nodiscard]] QSizeF paperInches() const;

private:
    struct Metrics {
        QFontMetricsF metrics;
        double ascent;      // inches
        double lineSpacing; // inches
        // Advances of the characters met so far, in twips (negative: not yet measured).
        std::array<double, 256> latin;
        std::map<char16_t, double> others;
        [[nodiscard]] double advance(QChar c);
    };
    struct PlacedTab {
        TabStop stop;
        double x;
    };
    // The current font's measures; a cache, so it is filled from const functions too.
    [[nodiscard]] Metrics &metrics() const;
    [[nodiscard]] bool drawing() const { return m_drawing && !aborted(); }
    void drawText(const QString &text, double x);

    QPageSize m_paper{QPageSize::Letter};
    bool m_landscape = false;
    double m_top = 0.5, m_bottom = 0.5, m_left = 0.5, m_right = 0.5;
    double m_bandTop = 0.5, m_bandBottom = 10.5;
    double m_y = 0.5;
    PageFont m_font;
    mutable Metrics *m_metrics = nullptr;
    mutable std::map<PageFont, std::unique_ptr<Metrics>> m_metricsCache;
    std::vector<PlacedTab> m_tabs;
    PageListWriter m_page;
    bool m_drawing = true;
};

} // namespace reports
