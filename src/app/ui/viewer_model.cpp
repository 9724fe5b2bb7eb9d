#include "app/ui/viewer_model.h"

#include "core/field_catalogue.h"

namespace {
bool IsWarranty(int field) {
    return field == field::Warranty;
}
bool IsNumber(int field) {
    return kCatalogue[field].kind == 'N';
}
} // namespace

ViewerModel::ViewerModel(QObject *parent) : QAbstractTableModel(parent) {}

void ViewerModel::setSource(ViewerSource *source) {
    m_source = source;
    reload();
}

void ViewerModel::setColumns(std::vector<Column> columns) {
    beginResetModel();
    m_columns = std::move(columns);
    endResetModel();
}

void ViewerModel::setEditable(bool editable) {
    if (m_editable == editable)
        return;
    m_editable = editable;
    if (rowCount() > 0 && columnCount() > 0)
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

void ViewerModel::setTitleAlignment(Qt::Alignment alignment) {
    m_titleAlignment = alignment;
    if (columnCount() > 0)
        Q_EMIT headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

void ViewerModel::setIndicatorRow(int row) {
    const int old = m_indicatorRow;
    m_indicatorRow = row;
    if (old >= 0 && old < rowCount())
        Q_EMIT headerDataChanged(Qt::Vertical, old, old);
    if (row >= 0 && row < rowCount())
        Q_EMIT headerDataChanged(Qt::Vertical, row, row);
}

void ViewerModel::reload() {
    const int count = m_source ? m_source->rowCount() : 0;
    if (count == m_rowCount && count > 0 && !m_columns.empty()) {
        // Same number of rows: repaint rather than reset, so that an open cell editor and
        // the grid's cursor survive a posted edit.
        m_blocks.clear();
        m_lru.clear();
        Q_EMIT dataChanged(index(0, 0), index(count - 1, columnCount() - 1));
        Q_EMIT headerDataChanged(Qt::Vertical, 0, count - 1);
        return;
    }
    beginResetModel();
    m_blocks.clear();
    m_lru.clear();
    m_rowsFetched = 0;
    m_rowCount = count;
    endResetModel();
}

int ViewerModel::fieldOfColumn(int column) const {
    if (column < 0 || column >= columnCount())
        return -1;
    return m_columns[column].field;
}

int ViewerModel::columnOfField(int field) const {
    for (int c = 0; c < columnCount(); ++c)
        if (m_columns[c].field == field)
            return c;
    return -1;
}

int ViewerModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : m_rowCount;
}

int ViewerModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

const ViewerSource::Row *ViewerModel::rowAt(int row) const {
    if (!m_source || row < 0 || row >= m_rowCount)
        return nullptr;
    const int blockNo = row / kBlockRows;
    auto found = m_blocks.find(blockNo);
    if (found == m_blocks.end()) {
        if (static_cast<int>(m_blocks.size()) >= kMaxBlocks) {
            m_blocks.erase(m_lru.back());
            m_lru.pop_back();
        }
        Block block;
        block.rows = m_source->fetch(blockNo * kBlockRows, kBlockRows);
        m_rowsFetched += static_cast<long long>(block.rows.size());
        m_lru.push_front(blockNo);
        block.lru = m_lru.begin();
        found = m_blocks.emplace(blockNo, std::move(block)).first;
    } else if (found->second.lru != m_lru.begin()) {
        m_lru.splice(m_lru.begin(), m_lru, found->second.lru);
    }
    const auto &rows = found->second.rows;
    const auto offset = static_cast<std::size_t>(row % kBlockRows);
    return offset < rows.size() ? &rows[offset] : nullptr;
}

QVariant ViewerModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.column() >= columnCount())
        return {};
    const int field = m_columns[index.column()].field;
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(
            Qt::Alignment((IsNumber(field) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter));
    if (role != Qt::DisplayRole && role != Qt::EditRole && role != Qt::CheckStateRole)
        return {};
    const ViewerSource::Row *row = rowAt(index.row());
    if (!row)
        return {};
    const QString &text = (*row)[field];
    if (IsWarranty(field)) {
        if (role == Qt::CheckStateRole)
            return text.trimmed().compare(QLatin1String("Yes"), Qt::CaseInsensitive) == 0
                       ? Qt::Checked
                       : Qt::Unchecked;
        return role == Qt::EditRole ? QVariant(text) : QVariant();
    }
    if (role == Qt::CheckStateRole)
        return {};
    return text;
}

bool ViewerModel::setData(const QModelIndex &index, const QVariant &value, int role) {
    if (!m_source || !m_editable || !index.isValid())
        return false;
    const int field = m_columns[index.column()].field;
    QString text;
    if (role == Qt::CheckStateRole && IsWarranty(field))
        text = value.value<Qt::CheckState>() == Qt::Checked ? QStringLiteral("Yes")
                                                            : QStringLiteral("No");
    else if (role == Qt::EditRole)
        text = value.toString();
    else
        return false;
    if (const ViewerSource::Row *row = rowAt(index.row()); row && (*row)[field] == text)
        return true;
    const QString refusal = m_source->setFieldText(index.row(), field, text);
    if (!refusal.isEmpty()) {
        Q_EMIT editRefused(refusal);
        return false;
    }
    // A posted record may move in the sort order: everything shown may have changed.
    reload();
    return true;
}

Qt::ItemFlags ViewerModel::flags(const QModelIndex &index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (m_editable) {
        if (IsWarranty(m_columns[index.column()].field))
            flags |= Qt::ItemIsUserCheckable;
        else
            flags |= Qt::ItemIsEditable;
    }
    return flags;
}

QVariant ViewerModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal) {
        if (section < 0 || section >= columnCount())
            return {};
        if (role == Qt::DisplayRole)
            return m_columns[section].title;
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(m_titleAlignment | Qt::AlignVCenter);
        return {};
    }
    if (role == Qt::DisplayRole)
        return section == m_indicatorRow ? QStringLiteral("\u25B6") : QString();
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    return {};
}
