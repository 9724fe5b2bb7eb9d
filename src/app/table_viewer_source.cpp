#include "app/table_viewer_source.h"

#include "core/field_catalogue.h"
#include "db/engine/db_error.h"
#include "db/my_table.h"

#include <limits>

void TableViewerSource::bindFields() {
    for (int f = 0; f < kFieldCount; ++f) {
        const auto key = kCatalogue[f].key;
        m_tableField[f] =
            m_table.isOpen() ? m_table.fieldIndex(QString::fromLatin1(key.data(), key.size())) : -1;
    }
}

int TableViewerSource::rowCount() const {
    if (!m_table.isOpen())
        return 0;
    const std::int64_t count = m_table.recordCount();
    return static_cast<int>(std::min<std::int64_t>(count, std::numeric_limits<int>::max()));
}

std::vector<ViewerSource::Row> TableViewerSource::fetch(int first, int count) {
    std::vector<Row> rows;
    if (!m_table.isOpen())
        return rows;
    rows.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const std::optional<MyTable::Row> record = m_table.rowAt(first + i);
        if (!record)
            break;
        const RecordView view = record->view();
        Row row;
        for (int f = 0; f < kFieldCount; ++f)
            if (m_tableField[f] >= 0)
                row[f] = view.text(m_tableField[f]);
        rows.push_back(std::move(row));
    }
    return rows;
}

void TableViewerSource::moveTo(int row) {
    if (m_table.isOpen() && m_table.state() == MyTable::State::Browse)
        // A row that is gone meanwhile (another program's change) leaves the current record
        // where it is; the viewer shows the rows again on the change.
        (void)m_table.moveToPosition(row);
}

int TableViewerSource::currentRow() const {
    if (!m_table.isOpen() || m_table.isEmpty())
        return -1;
    return static_cast<int>(m_table.position());
}

QString TableViewerSource::setFieldText(int row, int field, const QString &text) {
    if (!m_table.isOpen() || field < 0 || field >= kFieldCount || m_tableField[field] < 0)
        return QStringLiteral("The field cannot be changed.");
    if (!m_table.moveToPosition(row))
        return QStringLiteral("The record is no longer there.");
    try {
        m_table.edit();
        m_table.setText(m_tableField[field], text);
        m_table.post();
    } catch (const db::DbError &error) {
        if (m_table.state() != MyTable::State::Browse)
            m_table.cancel();
        return QString::fromStdString(error.what());
    }
    return {};
}
