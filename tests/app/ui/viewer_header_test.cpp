#include "app/ui/viewer_header.h"

#include "support/qt_app.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QStandardItemModel>
#include <QTableView>

#include <memory>

namespace {

// The title row of a one-column grid as drawn.
QImage titles(QHeaderView *header, const QString &title, Qt::Alignment alignment, int width) {
    QStandardItemModel model(1, 1);
    model.setHeaderData(0, Qt::Horizontal, title);
    model.setHeaderData(0, Qt::Horizontal, QVariant::fromValue(alignment | Qt::AlignVCenter),
                        Qt::TextAlignmentRole);
    QTableView grid;
    if (header)
        grid.setHorizontalHeader(header);
    grid.setModel(&model);
    grid.setColumnWidth(0, width);
    grid.resize(width + 60, 80);
    grid.show();
    QHeaderView *shown = grid.horizontalHeader();
    return shown->grab(QRect(0, 0, width, shown->height())).toImage();
}

} // namespace

TEST(ViewerHeader, ACentredTitleTooWideForItsColumnShowsItsBeginning) {
    EnsureQtApplication();
    const QString wide = QStringLiteral("Replacement Cost");
    const QImage leftAligned = titles(nullptr, wide, Qt::AlignLeft, 50);
    EXPECT_NE(titles(nullptr, wide, Qt::AlignHCenter, 50), leftAligned)
        << "a plain header cuts a centred title at both ends";
    EXPECT_EQ(titles(new ViewerHeader, wide, Qt::AlignHCenter, 50), leftAligned);
    EXPECT_EQ(titles(new ViewerHeader, wide, Qt::AlignRight, 50), leftAligned);
    // Titles that fit keep their alignment.
    const QString narrow = QStringLiteral("Qty");
    EXPECT_EQ(titles(new ViewerHeader, narrow, Qt::AlignHCenter, 120),
              titles(nullptr, narrow, Qt::AlignHCenter, 120));
    EXPECT_NE(titles(new ViewerHeader, narrow, Qt::AlignHCenter, 120),
              titles(nullptr, narrow, Qt::AlignLeft, 120));
}
