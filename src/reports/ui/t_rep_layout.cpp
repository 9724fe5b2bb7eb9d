#include "reports/ui/t_rep_layout.h"

#include "core/prompter.h"
#include "reports/ui/t_report_part.h"
#include "settings/settings.h"
#include "ui/apply_colors.h"

#include <QFontMetrics>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

#include <algorithm>
#include <cmath>

using namespace replayout;

TRepLayout::TRepLayout(ReportDefinition &current, Settings &settings, Prompter &prompter,
                       int charsPerLine, bool totalsShown, FormLook look, QWidget *parent)
    : QDialog(parent), m_current(current), m_work(current), m_settings(settings),
      m_prompter(prompter), m_chars(charsPerLine), m_totalsShown(totalsShown),
      m_look(std::move(look)), m_geometry(ScaleRatio(m_look.factor)) {
    setObjectName(QStringLiteral("RepLayout"));
    setWindowTitle(QStringLiteral("Specify Report Layout"));
    QFont designFont(QStringLiteral("Arial"));
    designFont.setPointSize(8);
    setFont(designFont);

    m_reportName = new QLabel(this);
    m_reportName->setObjectName(QStringLiteral("ReportNameLabel"));
    m_reportName->setGeometry(4, 8, 400, 20);
    QFont bold = designFont;
    bold.setBold(true);
    bold.setPointSize(10);
    m_reportName->setFont(bold);

    auto *hint = new QLabel(QStringLiteral("Click a box to change that part of the line."), this);
    hint->setObjectName(QStringLiteral("Label1"));
    hint->setGeometry(4, 32, 400, 16);
    colors::SetTitle(hint, colors::Title::Minor);

    m_bodyLabel = new QLabel(QStringLiteral("Report Body"), this);
    m_bodyLabel->setObjectName(QStringLiteral("BodyLabel"));
    m_bodyLabel->setGeometry(4, 55, 200, 18);
    m_totalsLabel = new QLabel(QStringLiteral("Report Totals"), this);
    m_totalsLabel->setObjectName(QStringLiteral("TotalsLabel"));
    m_totalsLabel->setGeometry(4, 335, 200, 18);

    m_ok = new QPushButton(QStringLiteral("&Ok"), this);
    m_ok->setObjectName(QStringLiteral("OkButton"));
    m_ok->setDefault(true);
    m_ok->setGeometry(440, 392, 90, 28);
    connect(m_ok, &QPushButton::clicked, this, &TRepLayout::OkButtonClick);
    m_cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("CancelButton"));
    m_cancel->setAutoDefault(false);
    m_cancel->setGeometry(538, 392, 90, 28);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    setFixedSize(633, 430);
    FormShow();
}

void TRepLayout::showEvent(QShowEvent *event) {
    if (!m_shown) {
        m_shown = true;
        ShowScaled(this, m_look);
        SetColors(this, m_settings.colorSet(ColorTarget::Report));
        FormShow();
    }
    QDialog::showEvent(event);
}

void TRepLayout::FormShow() {
    m_work = m_current;
    m_reportName->setText(QStringLiteral("Report: ") + m_work.name);
    m_bodyLabel->setVisible(bodyRows() >= 1);
    m_totalsLabel->setVisible(m_totalsShown);
}

int TRepLayout::bodyRows() const {
    return std::clamp(m_work.numLines, 0, urp::kBodyLineSlots);
}

const ReportLine &TRepLayout::lineOf(int line) const {
    return line == kTotalsLine ? m_work.totals : m_work.bodyLine(line);
}

std::vector<Box> TRepLayout::boxesOf(int line) const {
    return LineBoxes(lineOf(line), m_chars, m_geometry);
}

Position TRepLayout::CalcPosition(int x, int y) const {
    return replayout::CalcPosition(x, y, m_work, bodyRows(), m_totalsShown, m_chars, m_geometry);
}

void TRepLayout::paintEvent(QPaintEvent *event) {
    QDialog::paintEvent(event);
    QPainter painter(this);
    BuildLayout(painter);
}

void TRepLayout::BuildLayout(QPainter &painter) {
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(8 * ScaleRatio(m_look.factor));
    painter.setFont(font);
    for (int n = 1; n <= bodyRows(); ++n)
        drawRow(painter, m_work.bodyLine(n), m_geometry.rowTop(n), m_geometry.rowTop(n + 1), false);
    if (m_totalsShown)
        drawRow(painter, m_work.totals, m_geometry.totalsTop, m_geometry.totalsBottom - 1, true);
}

void TRepLayout::drawRow(QPainter &painter, const ReportLine &line, int top, int bottom,
                         bool totals) {
    const QFontMetrics metrics(painter.font());
    for (const Box &box : LineBoxes(line, m_chars, m_geometry)) {
        const QRect rect(QPoint(box.left, top), QPoint(box.right, bottom));
        painter.setPen(Qt::black);
        painter.setBrush(Qt::white);
        painter.drawRect(rect);
        const BoxLabel label =
            LabelOf(line[static_cast<std::size_t>(box.part - 1)], totals, m_settings);
        painter.setPen(label.kind == BoxLabel::Kind::Label    ? QColor(Qt::red)
                       : label.kind == BoxLabel::Kind::Filler ? QColor(0, 128, 0)
                                                              : QColor(Qt::black));
        const int room = rect.width() - 1;
        QString text = label.text;
        Qt::Alignment align = label.kind == BoxLabel::Kind::Label    ? Qt::AlignRight
                              : label.kind == BoxLabel::Kind::Filler ? Qt::AlignHCenter
                                                                     : Qt::AlignLeft;
        if (metrics.horizontalAdvance(text) > room) {
            while (!text.isEmpty() && metrics.horizontalAdvance(text) > room)
                text.chop(1);
            align = Qt::AlignLeft;
        }
        const QRect inner = rect.adjusted(1, 0, -1, 0);
        painter.drawText(inner, int(align | Qt::AlignVCenter), text);
    }
}

void TRepLayout::mousePressEvent(QMouseEvent *event) {
    const QPoint at = event->position().toPoint();
    m_pressed = CalcPosition(at.x(), at.y());
    QDialog::mousePressEvent(event);
}

void TRepLayout::mouseReleaseEvent(QMouseEvent *event) {
    const QPoint at = event->position().toPoint();
    const Position released = CalcPosition(at.x(), at.y());
    const Position pressed = m_pressed;
    m_pressed = {};
    if (released.valid() && released == pressed)
        EditPart(released.line, released.part);
    QDialog::mouseReleaseEvent(event);
}

void TRepLayout::EditPart(int line, int part) {
    TReportPart dialog(lineOf(line), line, part, m_chars, m_settings, m_prompter, m_look, this);
    if (onWindow)
        onWindow(&dialog);
    if (dialog.exec() != QDialog::Accepted)
        return;
    (line == kTotalsLine ? m_work.totals : m_work.body[static_cast<std::size_t>(line - 1)]) =
        dialog.line();
    update();
}

void TRepLayout::OkButtonClick() {
    m_current = m_work;
    accept();
}
