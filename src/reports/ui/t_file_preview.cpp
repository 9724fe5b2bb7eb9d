#include "reports/ui/t_file_preview.h"

#include "reports/page_list.h"
#include "reports/report_engines.h"
#include "reports/report_selection.h"

#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {
constexpr double kPageMargin = 0.025;
} // namespace

TFilePreview::TFilePreview(QWidget *parent) : QAbstractScrollArea(parent) {
    setObjectName(QStringLiteral("ScrollBox1"));
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAutoFillBackground(false);
    // Always there, so that fitting the page width does not make room for it afterwards.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    horizontalScrollBar()->setSingleStep(20);
    verticalScrollBar()->setSingleStep(20);
}

void TFilePreview::setPages(const reports::RecordedPages *pages) {
    m_pages = pages;
    m_page = 1;
    loadPage();
}

void TFilePreview::start() {
    m_showing = true;
    loadPage();
    Q_EMIT pageChanged(m_page);
    Q_EMIT zoomChanged(m_zoom);
}

void TFilePreview::stop() {
    m_showing = false;
    viewport()->update();
}

int TFilePreview::pages() const {
    return m_pages ? m_pages->pageCount() : 0;
}

void TFilePreview::gotoPage(int page) {
    if (page < 1 || page > pages() || page == m_page)
        return;
    m_page = page;
    loadPage();
    verticalScrollBar()->setValue(0);
    Q_EMIT pageChanged(m_page);
}

void TFilePreview::loadPage() {
    m_list = m_pages ? m_pages->page(m_page) : QByteArray();
    m_paper = reports::PageListSize(m_list);
    updateScrollBars();
    viewport()->update();
}

void TFilePreview::setZoom(double zoom) {
    zoom = repselect::ClampZoom(zoom);
    if (zoom == m_zoom)
        return;
    // Keep the point at the middle of the view where it is.
    const QSize view = viewport()->size();
    const double oldWidth = std::max(1, pageRect().width() + 2 * marginPixels());
    const double oldHeight = std::max(1, pageRect().height() + 2 * marginPixels());
    const double fx = (horizontalScrollBar()->value() + view.width() / 2.0) / oldWidth;
    const double fy = (verticalScrollBar()->value() + view.height() / 2.0) / oldHeight;
    m_zoom = zoom;
    updateScrollBars();
    const double newWidth = pageRect().width() + 2 * marginPixels();
    const double newHeight = pageRect().height() + 2 * marginPixels();
    horizontalScrollBar()->setValue(static_cast<int>(fx * newWidth - view.width() / 2.0));
    verticalScrollBar()->setValue(static_cast<int>(fy * newHeight - view.height() / 2.0));
    viewport()->update();
    Q_EMIT zoomChanged(m_zoom);
}

void TFilePreview::zoomIn() {
    setZoom(m_zoom + repselect::kZoomStep);
}

void TFilePreview::zoomOut() {
    setZoom(m_zoom - repselect::kZoomStep);
}

QSizeF TFilePreview::paperInches() const {
    if (!m_paper.isEmpty())
        return m_paper;
    return {8.5, 11.0};
}

double TFilePreview::pixelsPerInch() const {
    return logicalDpiX() * m_zoom / 100.0;
}

int TFilePreview::marginPixels() const {
    return static_cast<int>(std::lround(paperInches().width() * pixelsPerInch() * kPageMargin));
}

double TFilePreview::zoomPageWidthFactor() const {
    const double view = viewport()->width();
    const double page = paperInches().width() * logicalDpiX() / 100.0 * (1 + 2 * kPageMargin);
    return page > 0 ? view / page : 100.0;
}

double TFilePreview::zoomPageFactor() const {
    const QSizeF paper = paperInches();
    const double perPercent = logicalDpiX() / 100.0;
    const double margin = 2 * kPageMargin * paper.width() * perPercent;
    const double byWidth = viewport()->width() / (paper.width() * perPercent + margin);
    const double byHeight = viewport()->height() / (paper.height() * perPercent + margin);
    return std::min(byWidth, byHeight);
}

QRect TFilePreview::pageRect() const {
    const QSizeF paper = paperInches();
    const int w = static_cast<int>(std::lround(paper.width() * pixelsPerInch()));
    const int h = static_cast<int>(std::lround(paper.height() * pixelsPerInch()));
    const int m = marginPixels();
    // A page narrower than the view stands in its middle.
    const int contentWidth = w + 2 * m;
    const int left = contentWidth < viewport()->width() ? (viewport()->width() - w) / 2
                                                        : m - horizontalScrollBar()->value();
    const int contentHeight = h + 2 * m;
    const int top = contentHeight < viewport()->height() ? (viewport()->height() - h) / 2
                                                         : m - verticalScrollBar()->value();
    return {left, top, w, h};
}

void TFilePreview::updateScrollBars() {
    const QSizeF paper = paperInches();
    const int m = marginPixels();
    const int w = static_cast<int>(std::lround(paper.width() * pixelsPerInch())) + 2 * m;
    const int h = static_cast<int>(std::lround(paper.height() * pixelsPerInch())) + 2 * m;
    const QSize view = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, w - view.width()));
    horizontalScrollBar()->setPageStep(view.width());
    verticalScrollBar()->setRange(0, std::max(0, h - view.height()));
    verticalScrollBar()->setPageStep(view.height());
}

void TFilePreview::resizeEvent(QResizeEvent *event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void TFilePreview::keyPressEvent(QKeyEvent *event) {
    // Page Up and Page Down turn pages once the page is scrolled to its end.
    QScrollBar *v = verticalScrollBar();
    if (event->key() == Qt::Key_PageDown && v->value() >= v->maximum() && m_page < pages()) {
        nextPage();
        return;
    }
    if (event->key() == Qt::Key_PageUp && v->value() <= v->minimum() && m_page > 1) {
        prevPage();
        v->setValue(v->maximum());
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void TFilePreview::wheelEvent(QWheelEvent *event) {
    // Ctrl and the wheel zoom by one step, as in most viewers; the wheel alone scrolls.
    if (event->modifiers() & Qt::ControlModifier) {
        const int delta = event->angleDelta().y();
        if (delta > 0)
            zoomIn();
        else if (delta < 0)
            zoomOut();
        event->accept();
        return;
    }
    QAbstractScrollArea::wheelEvent(event);
}

void TFilePreview::paintEvent(QPaintEvent *event) {
    QPainter painter(viewport());
    painter.fillRect(event->rect(), QColor(128, 128, 128));
    if (!m_showing || m_list.isEmpty())
        return;
    const QRect page = pageRect();
    painter.fillRect(page.translated(3, 3), QColor(64, 64, 64));
    painter.fillRect(page, Qt::white);
    painter.setClipRect(page.intersected(event->rect()));
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.translate(page.topLeft());
    reports::DrawPageList(m_list, painter, pixelsPerInch(), !m_monochrome);
}

void TFilePreview::setMonochrome(bool on) {
    m_monochrome = on;
    viewport()->update();
}
