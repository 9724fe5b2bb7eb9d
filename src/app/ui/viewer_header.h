#pragma once

#include <QHeaderView>

// The viewer's column titles. A centred or right-aligned title wider than its column is
// drawn from the column's left edge, so that its beginning shows and only its end is cut.
class ViewerHeader : public QHeaderView {
    Q_OBJECT
public:
    explicit ViewerHeader(QWidget *parent = nullptr);

protected:
    void initStyleOptionForIndex(QStyleOptionHeader *option, int logicalIndex) const override;
};
