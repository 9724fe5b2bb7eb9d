#pragma once

#include "reports/page_engine.h"

#include <QString>
#include <QStringList>

#include <cmath>
#include <functional>
#include <stdexcept>
#include <vector>

// A page engine with fixed, simple metrics that records every call: a character is a
// tenth of an inch wide at 10 points (in proportion at other sizes), a line is size/60
// inches high (six lines to the inch at 10 points). The paper is Letter unless set.
class FakePageEngine : public reports::PageEngine {
public:
    struct Printed {
        int page = 0;
        double y = 0; // top of the line
        QString text; // as handed to print()
        std::vector<reports::TabStop> tabs;
        double points = 0;
        bool bold = false;
    };
    struct Footer {
        int page;
        reports::FooterPlace place;
        QString text;
    };

    double paperWidth = 8.5;
    double paperHeight = 11.0;
    bool noPrinter = false;
    // A run producing more pages fails the test instead of running for ever.
    int pageLimit = 20000;
    std::function<void(FakePageEngine &)> onPage; // called at the start of each page

    QStringList calls;
    std::vector<Printed> printed;
    std::vector<Footer> footers;
    QStringList centred;
    int pagesStarted = 0;
    int pagesFinished = 0;
    bool jobFinished = false;

    // The print() texts of a page with their cells: a tab before each cell's text.
    [[nodiscard]] QStringList printedTexts(int page = 0) const {
        QStringList out;
        for (const Printed &p : printed)
            if (page == 0 || p.page == page)
                out << p.text;
        return out;
    }
    // The cell texts of a printed line, without the tabs.
    [[nodiscard]] static QStringList cells(const QString &text) {
        QStringList parts = text.split(QLatin1Char('\t'));
        parts.removeFirst();
        return parts;
    }

    void setMargins(double top, double bottom, double left, double right) override {
        calls << QStringLiteral("margins %1 %2 %3 %4").arg(top).arg(bottom).arg(left).arg(right);
        m_left = left;
        m_right = right;
        (void)top;
        (void)bottom;
    }
    [[nodiscard]] double leftMargin() const override { return m_left; }
    [[nodiscard]] double rightMargin() const override { return m_right; }

    void selectFont(const QString &face, double points) override {
        calls << QStringLiteral("font %1 %2").arg(face).arg(points);
        m_points = points;
        m_bold = false;
    }
    void setBold(bool on) override { m_bold = on; }
    void setItalic(bool) override {}
    void setUnderline(bool) override {}
    void setStrikeOut(bool) override {}
    void setColor(std::uint32_t) override {}

    void setBand(double top, double bottom) override {
        calls << QStringLiteral("band %1 %2").arg(top).arg(bottom);
        m_top = top;
        m_bottom = bottom;
    }
    [[nodiscard]] double bandTop() const override { return m_top; }
    [[nodiscard]] double bandBottom() const override { return m_bottom; }
    void home() override { m_y = m_top; }
    [[nodiscard]] int linesLeft() const override {
        const double n = std::floor((m_bottom - m_y) / lineHeight() + 1e-9);
        return n > 0 ? static_cast<int>(n) : 0;
    }
    [[nodiscard]] double pageWidth() const override { return paperWidth; }
    [[nodiscard]] double pageHeight() const override { return paperHeight; }
    [[nodiscard]] double textWidth(const QString &text) const override {
        return text.size() * 0.1 * m_points / 10.0;
    }
    void clearTabs() override { m_tabs.clear(); }
    void addTab(const reports::TabStop &tab) override { m_tabs.push_back(tab); }
    [[nodiscard]] double tabInnerWidth(int n) const override {
        if (n < 1 || n > static_cast<int>(m_tabs.size()))
            return 0;
        const reports::TabStop &t = m_tabs[static_cast<std::size_t>(n - 1)];
        return t.width - 2.0 * t.innerMargin / 100.0;
    }
    void print(const QString &text) override {
        calls << QStringLiteral("print ") + text;
        if (!aborted())
            printed.push_back({currentPage(), m_y, text, m_tabs, m_points, m_bold});
    }
    void endLine() override {
        calls << QStringLiteral("endline");
        m_y += lineHeight();
    }
    void printCentred(const QString &text, double x) override {
        calls << QStringLiteral("centred %1 at %2").arg(text).arg(x);
        if (!aborted())
            centred << text;
    }
    void printFooter(const QString &text, reports::FooterPlace place) override {
        calls << QStringLiteral("footer %1 %2").arg(static_cast<int>(place)).arg(text);
        if (!aborted())
            footers.push_back({currentPage(), place, text});
    }
    [[nodiscard]] double lineHeight() const { return m_points / 60.0; }
    [[nodiscard]] double y() const { return m_y; }

protected:
    bool startJob() override {
        calls << QStringLiteral("start job");
        return !noPrinter;
    }
    void startPage() override {
        ++pagesStarted;
        calls << QStringLiteral("page %1").arg(currentPage());
        if (pagesStarted > pageLimit)
            throw std::runtime_error("too many pages");
        m_tabs.clear();
        if (onPage)
            onPage(*this);
    }
    void finishPage() override { ++pagesFinished; }
    void finishJob() override { jobFinished = true; }

private:
    double m_left = 0.5, m_right = 0.5;
    double m_top = 0.5, m_bottom = 10.5;
    double m_y = 0.5;
    double m_points = 10;
    bool m_bold = false;
    std::vector<reports::TabStop> m_tabs;
};
