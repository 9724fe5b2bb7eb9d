#include "app/ui/viewer_header.h"

#include <QStyleOptionHeader>

ViewerHeader::ViewerHeader(QWidget *parent) : QHeaderView(Qt::Horizontal, parent) {}

void ViewerHeader::initStyleOptionForIndex(QStyleOptionHeader *option, int logicalIndex) const {
    QHeaderView::initStyleOptionForIndex(option, logicalIndex);
    if (option->textAlignment & Qt::AlignLeft)
        return;
    // The style keeps a margin on each side, and the title's padding and border take some
    // more; what is left is the room for the text.
    const int margin = style()->pixelMetric(QStyle::PM_HeaderMargin, option, this) + 4;
    const int room = sectionSize(logicalIndex) - 2 * margin;
    if (option->fontMetrics.horizontalAdvance(option->text) > room)
        option->textAlignment = (option->textAlignment & ~Qt::AlignHorizontal_Mask) | Qt::AlignLeft;
}
