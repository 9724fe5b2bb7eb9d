#include "reports/ui/t_my_preview.h"

#include "core/prompter.h"
#include "reports/report_selection.h"
#include "reports/ui/t_file_preview.h"
#include "reports/ui/t_print_range.h"
#include "settings/settings.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QPrinter>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

enum class Glyph { ZoomIn, ZoomOut, PageWidth, WholePage, Prev, Next, Print, Done };

// The toolbar's pictures, drawn so that they need no icon theme.
QIcon glyphIcon(Glyph glyph) {
    QPixmap pixmap(22, 22);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QPen ink(QColor(30, 30, 30), 1.6);
    p.setPen(ink);
    auto page = [&p](QRectF r) {
        p.setBrush(Qt::white);
        p.drawRect(r);
        p.setBrush(Qt::NoBrush);
    };
    auto lens = [&p](const QString &sign) {
        p.setBrush(QColor(210, 230, 255));
        p.drawEllipse(QRectF(2.5, 2.5, 12, 12));
        p.setPen(QPen(QColor(30, 30, 30), 3));
        p.drawLine(QPointF(13, 13), QPointF(19.5, 19.5));
        p.setPen(QPen(QColor(30, 30, 30), 1.8));
        p.drawLine(QPointF(5.5, 8.5), QPointF(11.5, 8.5));
        if (sign == u"+")
            p.drawLine(QPointF(8.5, 5.5), QPointF(8.5, 11.5));
    };
    switch (glyph) {
    case Glyph::ZoomIn:
        lens(QStringLiteral("+"));
        break;
    case Glyph::ZoomOut:
        lens(QStringLiteral("-"));
        break;
    case Glyph::PageWidth:
        page(QRectF(5.5, 2.5, 11, 17));
        p.drawLine(QPointF(1.5, 11), QPointF(20.5, 11));
        p.drawLine(QPointF(1.5, 11), QPointF(4, 8.5));
        p.drawLine(QPointF(1.5, 11), QPointF(4, 13.5));
        p.drawLine(QPointF(20.5, 11), QPointF(18, 8.5));
        p.drawLine(QPointF(20.5, 11), QPointF(18, 13.5));
        break;
    case Glyph::WholePage:
        page(QRectF(5.5, 2.5, 11, 17));
        for (double y = 6; y < 17; y += 3)
            p.drawLine(QPointF(7.5, y), QPointF(14.5, y));
        break;
    case Glyph::Prev:
    case Glyph::Next: {
        QPainterPath arrow;
        if (glyph == Glyph::Prev) {
            arrow.moveTo(15, 4);
            arrow.lineTo(6, 11);
            arrow.lineTo(15, 18);
        } else {
            arrow.moveTo(7, 4);
            arrow.lineTo(16, 11);
            arrow.lineTo(7, 18);
        }
        arrow.closeSubpath();
        p.fillPath(arrow, QColor(0, 90, 170));
        break;
    }
    case Glyph::Print:
        page(QRectF(6.5, 2.5, 9, 7));
        p.setBrush(QColor(190, 190, 190));
        p.drawRoundedRect(QRectF(2.5, 8.5, 17, 8), 1.5, 1.5);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(6.5, 13.5, 9, 6));
        break;
    case Glyph::Done:
        p.setPen(QPen(QColor(0, 130, 40), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF({QPointF(4, 11), QPointF(9, 16.5), QPointF(18, 5)}));
        break;
    }
    return QIcon(pixmap);
}

} // namespace

TMyPreview::TMyPreview(const reports::RecordedPages &pages, Settings &settings, Prompter &prompter,
                       FormLook look, const QString &caption, QWidget *parent)
    : QDialog(parent), m_pages(pages), m_settings(settings), m_prompter(prompter),
      m_look(std::move(look)), m_printer(pages, &prompter) {
    setObjectName(QStringLiteral("MyPreview"));
    setWindowTitle(caption);
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    setWindowFlag(Qt::WindowMinimizeButtonHint, true);
    setSizeGripEnabled(true);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto *bar = new QMenuBar(this);
    bar->setObjectName(QStringLiteral("MainMenu1"));
    layout->setMenuBar(bar);

    auto *toolbar = new QFrame(this);
    toolbar->setObjectName(QStringLiteral("Panel1"));
    toolbar->setFrameShape(QFrame::StyledPanel);
    layout->addWidget(toolbar);

    m_viewer = new TFilePreview(this);
    m_viewer->setPages(&m_pages);
    m_viewer->setMonochrome(true);
    layout->addWidget(m_viewer, 1);

    buildToolbar();
    buildMenu(bar);

    connect(m_viewer, &TFilePreview::pageChanged, this, &TMyPreview::pageChanged);
    connect(m_viewer, &TFilePreview::zoomChanged, this, &TMyPreview::zoomChanged);

    // A size the toolbar fits in, however small the stored one.
    const int width = std::max(m_settings.reportWidth, 360);
    const int height = std::max(m_settings.reportHeight, 240);
    move(m_settings.reportLeft, m_settings.reportTop);
    resize(width, height);
    zoomChanged(m_viewer->zoom());
    pageChanged(m_viewer->currentPage());
}

TMyPreview::~TMyPreview() = default;

void TMyPreview::buildToolbar() {
    auto *toolbar = findChild<QFrame *>(QStringLiteral("Panel1"));
    auto *row = new QHBoxLayout(toolbar);
    row->setContentsMargins(4, 3, 4, 3);
    row->setSpacing(2);
    struct Button {
        const char *name;
        const char *hint;
        Glyph glyph;
        void (TMyPreview::*command)();
    };
    const Button buttons[] = {
        {"SBZoomIn", "Zoom In", Glyph::ZoomIn, &TMyPreview::ZoomIn},
        {"SBZoomOut", "Zoom Out", Glyph::ZoomOut, &TMyPreview::ZoomOut},
        {"SBZoomPageWidth", "Zoom Page Width", Glyph::PageWidth, &TMyPreview::ZoomPageWidth},
        {"SBZoomPage", "Zoom Whole Page", Glyph::WholePage, &TMyPreview::ZoomPage},
        {"SBPrevPage", "Prev Page", Glyph::Prev, &TMyPreview::PrevPage},
        {"SBNextPage", "Next Page", Glyph::Next, &TMyPreview::NextPage},
        {"SBPrint", "Print Page", Glyph::Print, &TMyPreview::PrintPage},
        {"SBDone", "Done", Glyph::Done, &TMyPreview::Done},
    };
    for (const Button &b : buttons) {
        auto *button = new QToolButton(toolbar);
        button->setObjectName(QLatin1String(b.name));
        button->setToolTip(QLatin1String(b.hint));
        button->setIcon(glyphIcon(b.glyph));
        button->setIconSize(QSize(22, 22));
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus);
        connect(button, &QToolButton::clicked, this, b.command);
        row->addWidget(button);
        if (b.glyph == Glyph::WholePage || b.glyph == Glyph::Next || b.glyph == Glyph::Print)
            row->addSpacing(10);
    }

    auto *zoomLabel = new QLabel(QStringLiteral("Zoom %"), toolbar);
    zoomLabel->setObjectName(QStringLiteral("Label1"));
    row->addWidget(zoomLabel);
    m_zoomEdit = new QLineEdit(toolbar);
    m_zoomEdit->setObjectName(QStringLiteral("ZoomEdit"));
    m_zoomEdit->setMaxLength(10);
    m_zoomEdit->setFixedWidth(60);
    connect(m_zoomEdit, &QLineEdit::editingFinished, this, &TMyPreview::ZoomEditExit);
    row->addWidget(m_zoomEdit);
    row->addSpacing(10);

    auto *pageLabel = new QLabel(QStringLiteral("Page #"), toolbar);
    pageLabel->setObjectName(QStringLiteral("Label2"));
    row->addWidget(pageLabel);
    m_pageEdit = new QLineEdit(toolbar);
    m_pageEdit->setObjectName(QStringLiteral("PageEdit"));
    m_pageEdit->setMaxLength(10);
    m_pageEdit->setFixedWidth(60);
    connect(m_pageEdit, &QLineEdit::editingFinished, this, &TMyPreview::PageEditExit);
    row->addWidget(m_pageEdit);
    row->addSpacing(10);

    m_pageLabel = new QLabel(QStringLiteral("Page 1 of 1"), toolbar);
    m_pageLabel->setObjectName(QStringLiteral("PageLabel"));
    row->addWidget(m_pageLabel);
    row->addStretch(1);
}

void TMyPreview::buildMenu(QMenuBar *bar) {
    auto add = [this](QMenu *menu, const char *name, const char *text, const char *shortcut,
                      void (TMyPreview::*command)()) {
        QAction *a = menu->addAction(QString::fromUtf8(text));
        a->setObjectName(QLatin1String(name));
        if (*shortcut)
            a->setShortcut(QKeySequence(QLatin1String(shortcut)));
        connect(a, &QAction::triggered, this, command);
        m_menu[a->objectName()] = a;
        return a;
    };
    auto zoomTo = [this](QMenu *menu, const char *name, const char *text, double zoom) {
        QAction *a = menu->addAction(QString::fromUtf8(text));
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, [this, zoom] { SetZoom(zoom); });
        m_menu[a->objectName()] = a;
    };

    QMenu *file = bar->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("MenuFile"));
    add(file, "MenuPrintPage", "&Print Page", "Ctrl+P", &TMyPreview::PrintPage);
    add(file, "MenuPrintReport", "Print &Report", "Ctrl+R", &TMyPreview::PrintReport);
    add(file, "MenuPrintRange", "Print Ran&ge", "Ctrl+G", &TMyPreview::PrintRange);
    file->addSeparator();
    add(file, "MenuPrinterSetup", "Printer &Setup", "Ctrl+S", &TMyPreview::PrinterSetup);
    file->addSeparator();
    add(file, "MenuExit", "E&xit", "Ctrl+X", &TMyPreview::Done);

    QMenu *view = bar->addMenu(QStringLiteral("&View"));
    view->setObjectName(QStringLiteral("MenuView"));
    QMenu *in = view->addMenu(QStringLiteral("Zoom &In"));
    in->setObjectName(QStringLiteral("MenuZoomIn"));
    zoomTo(in, "MenuZoomIn1", "&1 : 1", 100);
    zoomTo(in, "MenuZoomIn2", "&2 : 1", 200);
    QMenu *out = view->addMenu(QStringLiteral("Zoom &Out"));
    out->setObjectName(QStringLiteral("MenuZoomOut"));
    zoomTo(out, "MenuZoomOut1", "1 : &1", 100);
    zoomTo(out, "MenuZoomOut2", "1 : &2", 50);
    zoomTo(out, "MenuZoomOut3", "1 : &3", 100.0 / 3);
    zoomTo(out, "MenuZoomOut4", "1 : &4", 25);
    zoomTo(out, "MenuZoomOut5", "1 : &5", 20);
    view->addSeparator();
    add(view, "MenuZoomPageWidth", "Zoom &Page Width", "Ctrl+Z", &TMyPreview::ZoomPageWidth);
    add(view, "MenuZoomPage", "Zoom &Whole Page", "Ctrl+W", &TMyPreview::ZoomPage);
    view->addSeparator();
    QAction *color = add(view, "MenuUseColor", "Use Color", "Ctrl+C", &TMyPreview::UseColor);
    color->setCheckable(true);
    color->setChecked(false);

    QMenu *navigate = bar->addMenu(QStringLiteral("&Navigate"));
    navigate->setObjectName(QStringLiteral("MenuNavigate"));
    add(navigate, "MenuFirstPage", "&First Page", "Ctrl+F", &TMyPreview::FirstPage);
    add(navigate, "MenuPrevPage", "&Previous Page", "Ctrl+E", &TMyPreview::PrevPage);
    add(navigate, "MenuNextPage", "&Next Page", "Ctrl+N", &TMyPreview::NextPage);
    add(navigate, "MenuLastPage", "&Last Page", "Ctrl+L", &TMyPreview::LastPage);

    // The two zoom submenus answer their shortcuts with one zoom step.
    auto *stepIn = new QAction(this);
    stepIn->setShortcut(QKeySequence(QStringLiteral("Ctrl+I")));
    connect(stepIn, &QAction::triggered, this, &TMyPreview::ZoomIn);
    addAction(stepIn);
    auto *stepOut = new QAction(this);
    stepOut->setShortcut(QKeySequence(QStringLiteral("Ctrl+O")));
    connect(stepOut, &QAction::triggered, this, &TMyPreview::ZoomOut);
    addAction(stepOut);
}

QAction *TMyPreview::menuAction(const QString &name) const {
    const auto found = m_menu.find(name);
    return found == m_menu.end() ? nullptr : found->second;
}

void TMyPreview::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    if (!m_started) {
        m_started = true;
        // Once the window is up, as its activation would.
        QTimer::singleShot(0, this, &TMyPreview::FormActivate);
    }
}

void TMyPreview::FormActivate() {
    m_viewer->start();
    m_viewer->setFocus();
}

void TMyPreview::done(int result) {
    m_viewer->stop();
    m_settings.reportLeft = pos().x();
    m_settings.reportTop = pos().y();
    m_settings.reportWidth = width();
    m_settings.reportHeight = height();
    QDialog::done(result);
}

void TMyPreview::pageChanged(int page) {
    m_pageEdit->setText(QString::number(page));
    m_pageLabel->setText(
        repselect::PageLabelText(page, m_viewer->firstPage(), std::max(1, m_viewer->pages())));
}

void TMyPreview::zoomChanged(double zoom) {
    m_zoomEdit->setText(repselect::ZoomText(zoom));
}

void TMyPreview::ZoomIn() {
    m_viewer->zoomIn();
}

void TMyPreview::ZoomOut() {
    m_viewer->zoomOut();
}

void TMyPreview::ZoomPageWidth() {
    m_viewer->setZoom(m_viewer->zoomPageWidthFactor());
}

void TMyPreview::ZoomPage() {
    m_viewer->setZoom(m_viewer->zoomPageFactor());
}

void TMyPreview::SetZoom(double zoom) {
    m_viewer->setZoom(zoom);
}

void TMyPreview::FirstPage() {
    m_viewer->gotoPage(1);
}

void TMyPreview::PrevPage() {
    m_viewer->prevPage();
}

void TMyPreview::NextPage() {
    m_viewer->nextPage();
}

void TMyPreview::LastPage() {
    m_viewer->gotoPage(m_viewer->pages());
}

void TMyPreview::ZoomEditExit() {
    const auto zoom = repselect::ParseZoom(m_zoomEdit->text());
    if (zoom && *zoom != m_viewer->zoom())
        m_viewer->setZoom(*zoom);
    // What the viewer took (a zoom outside its range is held to it, text that is no number
    // gives way to the zoom in force).
    zoomChanged(m_viewer->zoom());
}

void TMyPreview::PageEditExit() {
    const auto page = repselect::ParsePage(m_pageEdit->text());
    if (page && *page != m_viewer->currentPage())
        m_viewer->gotoPage(*page);
    pageChanged(m_viewer->currentPage());
}

void TMyPreview::printPages(int first, int last) {
    if (m_printer.busy()) {
        m_prompter.message(QStringLiteral("Error"), QLatin1String(repselect::kPrinterBusy),
                           Prompter::Ok, Prompter::Ok, Prompter::Icon::Error);
        return;
    }
    QPrinter *printer = m_prompter.printer();
    if (!printer) {
        m_prompter.error(QLatin1String(reports::kNoPrintersText));
        return;
    }
    if (!m_prompter.printDialog())
        return;
    try {
        (void)m_printer.print(*printer, first, last, 1);
    } catch (const reports::ReportOutputError &e) {
        m_prompter.error(QString::fromStdString(e.what()));
    }
}

void TMyPreview::PrintPage() {
    printPages(m_viewer->currentPage(), m_viewer->currentPage());
}

void TMyPreview::PrintReport() {
    printPages(1, m_viewer->pages());
}

void TMyPreview::PrintRange() {
    TPrintRange dialog(m_viewer->pages(), m_prompter, m_look, this);
    dialog.exec();
    if (dialog.rangeConfirmed())
        printPages(dialog.range().first, dialog.range().last);
}

void TMyPreview::PrinterSetup() {
    (void)m_prompter.printerSetup();
}

void TMyPreview::UseColor() {
    m_viewer->stop();
    m_viewer->setMonochrome(!m_viewer->monochrome());
    if (QAction *a = menuAction(QStringLiteral("MenuUseColor")))
        a->setChecked(!m_viewer->monochrome());
    m_viewer->start();
}

void TMyPreview::Done() {
    close();
}
