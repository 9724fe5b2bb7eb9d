#pragma once

#include <QStyledItemDelegate>

#include <array>

class QComboBox;

// Cell editing and grid lines of the viewer. The five pick-list fields are edited in a combo
// box filled from the main window's pick-list box for that field; the lines between columns
// and between rows are drawn separately, as the viewer settings choose them.
class ViewerDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    // `lists` holds the pick-list boxes for brand, location, bought from, category and owner.
    ViewerDelegate(std::array<QComboBox *, 5> lists, QObject *parent = nullptr);

    void setLines(bool columnLines, bool rowLines);

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override;
    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;

    // The pick-list box of a field (catalogue index), or null.
    [[nodiscard]] QComboBox *listOfField(int field) const;

private:
    std::array<QComboBox *, 5> m_lists;
    bool m_columnLines = true;
    bool m_rowLines = true;
};
