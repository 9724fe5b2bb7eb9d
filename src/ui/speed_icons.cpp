#include "ui/speed_icons.h"

#include <QPainter>
#include <QPixmap>
#include <QPolygonF>

QIcon SpeedIcon(SpeedGlyph glyph) {
    QPixmap pixmap(20, 20);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QPen ink(QColor(20, 20, 90), 1.6);
    p.setPen(ink);
    auto page = [&p](QColor fill) {
        p.setBrush(fill);
        p.drawPolygon(QPolygonF(
            {QPointF(4, 2), QPointF(12, 2), QPointF(16, 6), QPointF(16, 18), QPointF(4, 18)}));
    };
    auto table = [&p] {
        p.setBrush(QColor(255, 255, 230));
        p.drawRect(QRectF(2, 4, 16, 12));
        p.drawLine(QPointF(2, 8), QPointF(18, 8));
        p.drawLine(QPointF(2, 12), QPointF(18, 12));
    };
    auto plus = [&p](QPointF c, QColor color) {
        p.setPen(QPen(color, 2.2));
        p.drawLine(c - QPointF(4, 0), c + QPointF(4, 0));
        p.drawLine(c - QPointF(0, 4), c + QPointF(0, 4));
    };
    auto lens = [&p](QPointF c) {
        p.setBrush(QColor(200, 230, 255));
        p.drawEllipse(c, 4.5, 4.5);
        p.setPen(QPen(QColor(20, 20, 90), 2.4));
        p.drawLine(c + QPointF(3.5, 3.5), c + QPointF(8, 8));
    };
    switch (glyph) {
    case SpeedGlyph::NewFile:
        page(Qt::white);
        plus(QPointF(10, 11), QColor(0, 130, 0));
        break;
    case SpeedGlyph::OpenFile:
        p.setBrush(QColor(240, 200, 80));
        p.drawPolygon(QPolygonF({QPointF(2, 5), QPointF(8, 5), QPointF(10, 7), QPointF(18, 7),
                                 QPointF(18, 17), QPointF(2, 17)}));
        break;
    case SpeedGlyph::AddRecord:
        table();
        plus(QPointF(14, 14), QColor(0, 130, 0));
        break;
    case SpeedGlyph::EditRecord:
        table();
        p.setPen(QPen(QColor(160, 60, 0), 2.4));
        p.drawLine(QPointF(8, 18), QPointF(18, 6));
        break;
    case SpeedGlyph::CopyRecord:
        p.setBrush(Qt::white);
        p.drawRect(QRectF(2, 2, 10, 12));
        p.drawRect(QRectF(7, 6, 10, 12));
        break;
    case SpeedGlyph::DeleteRecord:
        table();
        p.setPen(QPen(QColor(190, 0, 0), 2.4));
        p.drawLine(QPointF(5, 5), QPointF(15, 15));
        p.drawLine(QPointF(15, 5), QPointF(5, 15));
        break;
    case SpeedGlyph::Import:
        table();
        p.setPen(QPen(QColor(0, 110, 0), 2.2));
        p.drawLine(QPointF(10, 0), QPointF(10, 10));
        p.drawLine(QPointF(6, 6), QPointF(10, 10));
        p.drawLine(QPointF(14, 6), QPointF(10, 10));
        break;
    case SpeedGlyph::Export:
        table();
        p.setPen(QPen(QColor(0, 0, 170), 2.2));
        p.drawLine(QPointF(10, 10), QPointF(10, 19));
        p.drawLine(QPointF(6, 15), QPointF(10, 19));
        p.drawLine(QPointF(14, 15), QPointF(10, 19));
        break;
    case SpeedGlyph::Search:
        lens(QPointF(8, 8));
        break;
    case SpeedGlyph::EndSearch:
        lens(QPointF(8, 8));
        p.setPen(QPen(QColor(190, 0, 0), 2));
        p.drawLine(QPointF(2, 18), QPointF(18, 2));
        break;
    case SpeedGlyph::Locate:
        p.setPen(QPen(QColor(190, 0, 0), 1.8));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(10, 10), 7, 7);
        p.drawEllipse(QPointF(10, 10), 3, 3);
        break;
    case SpeedGlyph::LocateNext:
        p.setPen(QPen(QColor(190, 0, 0), 1.8));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(8, 10), 5, 5);
        p.setBrush(QColor(190, 0, 0));
        p.drawPolygon(QPolygonF({QPointF(14, 5), QPointF(19, 10), QPointF(14, 15)}));
        break;
    case SpeedGlyph::Reports:
        p.setBrush(QColor(230, 230, 230));
        p.drawRect(QRectF(2, 8, 16, 7));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(5, 2, 10, 6));
        p.drawRect(QRectF(5, 13, 10, 6));
        break;
    case SpeedGlyph::Viewer:
        table();
        p.setPen(QPen(QColor(20, 20, 90), 1.2));
        p.drawLine(QPointF(8, 4), QPointF(8, 16));
        p.drawLine(QPointF(13, 4), QPointF(13, 16));
        break;
    case SpeedGlyph::Colors: {
        const QColor colors[] = {QColor(220, 0, 0), QColor(0, 170, 0), QColor(0, 0, 220),
                                 QColor(240, 200, 0)};
        for (int i = 0; i < 4; ++i) {
            p.setBrush(colors[i]);
            p.drawRect(QRectF(2 + (i % 2) * 8, 2 + (i / 2) * 8, 8, 8));
        }
        break;
    }
    case SpeedGlyph::SortOrder:
        p.setFont(QFont(QStringLiteral("Arial"), 6, QFont::Bold));
        p.drawText(QRectF(0, 0, 12, 10), Qt::AlignCenter, QStringLiteral("A"));
        p.drawText(QRectF(0, 10, 12, 10), Qt::AlignCenter, QStringLiteral("Z"));
        p.drawLine(QPointF(15, 3), QPointF(15, 17));
        p.drawLine(QPointF(12, 14), QPointF(15, 17));
        p.drawLine(QPointF(18, 14), QPointF(15, 17));
        break;
    case SpeedGlyph::Help:
        p.setBrush(QColor(255, 255, 200));
        p.drawEllipse(QPointF(10, 10), 8, 8);
        p.setFont(QFont(QStringLiteral("Arial"), 9, QFont::Bold));
        p.drawText(QRectF(0, 0, 20, 20), Qt::AlignCenter, QStringLiteral("?"));
        break;
    }
    return QIcon(pixmap);
}
