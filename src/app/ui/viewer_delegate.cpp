#include "app/ui/viewer_delegate.h"

#include "app/ui/viewer_model.h"
#include "core/field_catalogue.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPainter>

ViewerDelegate::ViewerDelegate(std::array<QComboBox *, 5> lists, QObject *parent)
    : QStyledItemDelegate(parent), m_lists(lists) {}

void ViewerDelegate::setLines(bool columnLines, bool rowLines) {
    m_columnLines = columnLines;
    m_rowLines = rowLines;
}

QComboBox *ViewerDelegate::listOfField(int field) const {
    switch (field) {
    case field::Brand:
        return m_lists[0];
    case field::Location:
        return m_lists[1];
    case field::BoughtFrom:
        return m_lists[2];
    case field::Category:
        return m_lists[3];
    case field::Owner:
        return m_lists[4];
    default:
        return nullptr;
    }
}

namespace {
int FieldOf(const QModelIndex &index) {
    const auto *model = qobject_cast<const ViewerModel *>(index.model());
    return model ? model->fieldOfColumn(index.column()) : -1;
}
} // namespace

QWidget *ViewerDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                                      const QModelIndex &index) const {
    const int field = FieldOf(index);
    QWidget *editor = nullptr;
    if (QComboBox *list = listOfField(field)) {
        auto *combo = new QComboBox(parent);
        combo->setObjectName(QStringLiteral("GridPickList"));
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        combo->setFont(list->font());
        for (int i = 0; i < list->count(); ++i)
            combo->addItem(list->itemText(i));
        editor = combo;
    } else {
        editor = QStyledItemDelegate::createEditor(parent, option, index);
    }
    if (field >= 0) {
        const int maxLength = kCatalogue[field].entryLength;
        if (auto *combo = qobject_cast<QComboBox *>(editor); combo && combo->lineEdit())
            combo->lineEdit()->setMaxLength(maxLength);
        else if (auto *line = qobject_cast<QLineEdit *>(editor))
            line->setMaxLength(maxLength);
    }
    return editor;
}

void ViewerDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const {
    if (auto *combo = qobject_cast<QComboBox *>(editor)) {
        combo->setEditText(index.data(Qt::EditRole).toString());
        return;
    }
    QStyledItemDelegate::setEditorData(editor, index);
}

void ViewerDelegate::setModelData(QWidget *editor, QAbstractItemModel *model,
                                  const QModelIndex &index) const {
    if (auto *combo = qobject_cast<QComboBox *>(editor)) {
        model->setData(index, combo->currentText(), Qt::EditRole);
        return;
    }
    QStyledItemDelegate::setModelData(editor, model, index);
}

void ViewerDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                           const QModelIndex &index) const {
    QStyleOptionViewItem opt = option;
    if (FieldOf(index) == field::Warranty) {
        // The check box alone stands for "Yes" and "No", centred in the cell.
        opt.displayAlignment = Qt::AlignCenter;
        opt.decorationAlignment = Qt::AlignCenter;
    }
    QStyledItemDelegate::paint(painter, opt, index);
    if (!m_columnLines && !m_rowLines)
        return;
    painter->save();
    painter->setPen(QColor(128, 128, 128));
    const QRect r = option.rect;
    if (m_columnLines)
        painter->drawLine(r.topRight(), r.bottomRight());
    if (m_rowLines)
        painter->drawLine(r.bottomLeft(), r.bottomRight());
    painter->restore();
}
