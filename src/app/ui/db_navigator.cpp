#include "app/ui/db_navigator.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

// Simple drawn glyphs: the platform's icon theme is not always installed. A disabled
// button's glyph is drawn grey: the style's own dimming leaves black glyphs looking as
// they do when enabled.
QPixmap GlyphPixmap(DbNavigator::Button which, bool enabled) {
    const QColor ink = enabled ? QColor(Qt::black) : QColor(160, 160, 160);
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(ink, 1.5));
    p.setBrush(ink);
    auto triangle = [&p](bool left, qreal x) {
        QPainterPath path;
        if (left) {
            path.moveTo(x + 5, 3);
            path.lineTo(x, 8);
            path.lineTo(x + 5, 13);
        } else {
            path.moveTo(x, 3);
            path.lineTo(x + 5, 8);
            path.lineTo(x, 13);
        }
        path.closeSubpath();
        p.drawPath(path);
    };
    switch (which) {
    case DbNavigator::First:
        p.drawLine(QPointF(4, 3), QPointF(4, 13));
        triangle(true, 6);
        break;
    case DbNavigator::Prior:
        triangle(true, 5);
        break;
    case DbNavigator::Next:
        triangle(false, 6);
        break;
    case DbNavigator::Last:
        triangle(false, 5);
        p.drawLine(QPointF(12, 3), QPointF(12, 13));
        break;
    case DbNavigator::Insert:
        p.setPen(QPen(ink, 2));
        p.drawLine(QPointF(8, 3), QPointF(8, 13));
        p.drawLine(QPointF(3, 8), QPointF(13, 8));
        break;
    case DbNavigator::Delete:
        p.setPen(QPen(ink, 2));
        p.drawLine(QPointF(3, 8), QPointF(13, 8));
        break;
    case DbNavigator::Edit:
        p.setPen(QPen(ink, 1.5));
        p.drawLine(QPointF(4, 12), QPointF(12, 4));
        p.drawLine(QPointF(3, 13), QPointF(5, 13));
        break;
    case DbNavigator::Post:
        p.setPen(QPen(enabled ? QColor(Qt::darkGreen) : ink, 2));
        p.drawLine(QPointF(3, 8), QPointF(7, 12));
        p.drawLine(QPointF(7, 12), QPointF(13, 4));
        break;
    case DbNavigator::Cancel:
        p.setPen(QPen(enabled ? QColor(Qt::darkRed) : ink, 2));
        p.drawLine(QPointF(4, 4), QPointF(12, 12));
        p.drawLine(QPointF(12, 4), QPointF(4, 12));
        break;
    case DbNavigator::Refresh:
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(3, 3, 10, 10), 30 * 16, 300 * 16);
        p.setBrush(ink);
        p.drawPolygon(QPolygonF({QPointF(10, 2), QPointF(14, 4), QPointF(11, 7)}));
        break;
    }
    return pixmap;
}

QIcon Glyph(DbNavigator::Button which) {
    QIcon icon;
    icon.addPixmap(GlyphPixmap(which, true), QIcon::Normal);
    icon.addPixmap(GlyphPixmap(which, false), QIcon::Disabled);
    return icon;
}

constexpr const char *kHints[DbNavigator::kButtonCount] = {
    "First record",  "Prior record", "Next record", "Last record", "Insert record",
    "Delete record", "Edit record",  "Post edit",   "Cancel edit", "Refresh data"};
constexpr const char *kNames[DbNavigator::kButtonCount] = {
    "NavFirst",  "NavPrior", "NavNext", "NavLast",   "NavInsert",
    "NavDelete", "NavEdit",  "NavPost", "NavCancel", "NavRefresh"};

} // namespace

DbNavigator::DbNavigator(QWidget *parent) : QWidget(parent) {
    for (int i = 0; i < kButtonCount; ++i) {
        auto *button = new QToolButton(this);
        const auto which = static_cast<Button>(i);
        button->setObjectName(QLatin1String(kNames[i]));
        button->setIcon(Glyph(which));
        button->setToolTip(QLatin1String(kHints[i]));
        button->setAutoRaise(false);
        button->setFocusPolicy(Qt::NoFocus);
        connect(button, &QToolButton::clicked, this, [this, which] { Q_EMIT clicked(which); });
        m_buttons[i] = button;
    }
    setEditing(false);
    layoutButtons();
}

void DbNavigator::setBrowseOnly(bool browseOnly) {
    m_browseOnly = browseOnly;
    for (int i = Insert; i < kButtonCount; ++i)
        m_buttons[i]->setVisible(!browseOnly);
    layoutButtons();
}

void DbNavigator::setEditing(bool editing) {
    m_buttons[Post]->setEnabled(editing);
    m_buttons[Cancel]->setEnabled(editing);
}

void DbNavigator::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    layoutButtons();
}

void DbNavigator::layoutButtons() {
    const int shown = m_browseOnly ? 4 : kButtonCount;
    const int w = width();
    for (int i = 0; i < shown; ++i) {
        const int left = w * i / shown;
        const int right = w * (i + 1) / shown;
        m_buttons[i]->setGeometry(left, 0, right - left, height());
    }
}
