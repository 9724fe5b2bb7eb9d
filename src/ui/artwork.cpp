#include "ui/artwork.h"

#include <QPainter>
#include <QPainterPath>

QPixmap TipPicture() {
    QPixmap pixmap(38, 41);
    pixmap.fill(Qt::white);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    // Rays
    p.setPen(QPen(QColor(230, 170, 0), 2));
    p.drawLine(19, 1, 19, 5);
    p.drawLine(4, 8, 8, 11);
    p.drawLine(34, 8, 30, 11);
    p.drawLine(1, 19, 5, 19);
    p.drawLine(37, 19, 33, 19);
    // Glass
    p.setPen(QPen(QColor(120, 90, 0), 1));
    p.setBrush(QColor(255, 230, 80));
    QPainterPath glass;
    glass.addEllipse(QRectF(9, 7, 20, 20));
    p.drawPath(glass);
    p.setBrush(QColor(255, 230, 80));
    p.drawRect(QRectF(14, 25, 10, 4));
    // Screw base
    p.setBrush(QColor(150, 150, 150));
    p.setPen(QPen(QColor(80, 80, 80), 1));
    p.drawRect(QRectF(14, 29, 10, 3));
    p.drawRect(QRectF(14, 32, 10, 3));
    p.drawRect(QRectF(16, 35, 6, 3));
    // Shine
    p.setPen(QPen(Qt::white, 2));
    p.drawArc(QRectF(12, 10, 10, 10), 100 * 16, 70 * 16);
    return pixmap;
}

QPixmap ProgramIconPixmap(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    // Roof
    QPainterPath roof;
    roof.moveTo(2, 14);
    roof.lineTo(16, 3);
    roof.lineTo(30, 14);
    roof.closeSubpath();
    p.setPen(QPen(QColor(110, 30, 20), 1));
    p.setBrush(QColor(190, 60, 40));
    p.drawPath(roof);
    // Walls
    p.setPen(QPen(QColor(90, 70, 40), 1));
    p.setBrush(QColor(240, 225, 190));
    p.drawRect(QRectF(5, 14, 22, 16));
    // A box with a label, standing in the door
    p.setBrush(QColor(200, 150, 80));
    p.drawRect(QRectF(10, 19, 12, 11));
    p.setPen(QPen(QColor(90, 60, 20), 1));
    p.drawLine(QPointF(10, 23), QPointF(22, 23));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(13, 25, 6, 3));
    return pixmap;
}
