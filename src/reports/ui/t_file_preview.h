#pragma once

#include <QAbstractScrollArea>
#include <QByteArray>
#include <QSizeF>

namespace reports {
class RecordedPages;
}

// The page viewer: shows one page of a recorded report in a scroll box, drawn from the
// page's display list at the current zoom on every paint, so that only the page on screen
// is ever read or drawn, whatever the length of the report. The page sits on a grey ground
// with a margin of 2.5 percent of its size.
//
// Zoom is in percent of the page's real size on the screen (100: one inch is one inch).
class TFilePreview : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TFilePreview(QWidget *parent = nullptr);

    // The recording; it must outlive the viewer's showing.
    void setPages(const reports::RecordedPages *pages);

    // Showing starts at the first page; a viewer that does not show draws only its ground.
    void start();
    void stop();
    [[nodiscard]] bool showing() const { return m_showing; }

    [[nodiscard]] int pages() const;
    [[nodiscard]] int firstPage() const { return 1; }
    [[nodiscard]] int currentPage() const { return m_page; }
    // Pages outside the recording are not shown.
    void gotoPage(int page);
    void nextPage() { gotoPage(m_page + 1); }
    void prevPage() { gotoPage(m_page - 1); }

    [[nodiscard]] double zoom() const { return m_zoom; }
    // Held to the viewer's range (10 to 400).
    void setZoom(double zoom);
    void zoomIn();
    void zoomOut();
    // The zooms at which the page's width, or the whole page, fit the scroll box.
    [[nodiscard]] double zoomPageWidthFactor() const;
    [[nodiscard]] double zoomPageFactor() const;

    [[nodiscard]] bool monochrome() const { return m_monochrome; }
    void setMonochrome(bool on);

    // The page's rectangle in the viewport, in pixels (for tests and the mouse).
    [[nodiscard]] QRect pageRect() const;

Q_SIGNALS:
    void pageChanged(int page);
    void zoomChanged(double zoom);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    [[nodiscard]] double pixelsPerInch() const;
    [[nodiscard]] QSizeF paperInches() const;
    [[nodiscard]] int marginPixels() const;
    void updateScrollBars();
    void loadPage();

    const reports::RecordedPages *m_pages = nullptr;
    bool m_showing = false;
    bool m_monochrome = false;
    int m_page = 1;
    double m_zoom = 100.0;
    QByteArray m_list; // the shown page's display list
    QSizeF m_paper;
};
