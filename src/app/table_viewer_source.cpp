#include "app/table_viewer_source.h"

#include "core/field_catalogue.h"
#include "db/engine/db_error.h"
#include "db/my_table.h"
#include "settings/format_helpers.h"

#include <limits>

void TableViewerSource::bindFields() {
    for (int f = 0; f < kFieldCount; ++f) {
        const auto key = kCatalogue[f].key;
        m_tableField[f] =
            m_table.isOpen() ? m_table.fieldIndex(QString::fromLatin1(key.data(), key.size())) : -1;
    }
}

void TableViewerSource::beginInsert() {
    m_table.insert();
    m_inserting = true;
    m_insertTyped = false;
}

bool TableViewerSource::inserting() const {
    return m_inserting && m_table.isOpen() && m_table.state() == MyTable::State::Insert;
}

int TableViewerSource::insertRow() const {
    if (!inserting())
        return -1;
    return static_cast<int>(
        std::min<std::int64_t>(m_table.recordCount(), std::numeric_limits<int>::max() - 1));
}

bool TableViewerSource::endInsert() {
    if (!m_inserting || inserting())
        return false;
    m_inserting = false;
    m_insertTyped = false;
    return true;
}

QString TableViewerSource::shown(int field, const QString &stored) const {
    const CatalogueField &info = kCatalogue[static_cast<std::size_t>(field)];
    const char type = m_table.layout().fields()[static_cast<std::size_t>(m_tableField[field])].type;
    if (info.kind != 'N' || (type != 'N' && type != 'F') || stored.isEmpty())
        return stored;
    bool ok = false;
    const double value = stored.toDouble(&ok);
    return ok ? FormatPlain(1, info.decimals, value) : stored;
}

int TableViewerSource::rowCount() const {
    if (!m_table.isOpen())
        return 0;
    const std::int64_t count = m_table.recordCount() + (inserting() ? 1 : 0);
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
                row[f] = shown(f, view.text(m_tableField[f]));
        rows.push_back(std::move(row));
    }
    const int pending = insertRow();
    if (pending >= first && pending < first + count &&
        static_cast<int>(rows.size()) == pending - first) {
        Row row;
        for (int f = 0; f < kFieldCount; ++f)
            if (m_tableField[f] >= 0)
                row[f] = shown(f, m_table.text(m_tableField[f]));
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
    if (const int pending = insertRow(); pending >= 0)
        return pending;
    if (!m_table.isOpen() || m_table.isEmpty())
        return -1;
    return static_cast<int>(m_table.position());
}

QString TableViewerSource::setFieldText(int row, int field, const QString &text) {
    if (!m_table.isOpen() || field < 0 || field >= kFieldCount || m_tableField[field] < 0)
        return QStringLiteral("The field cannot be changed.");
    if (row >= 0 && row == insertRow()) {
        // The new record is written when it is posted, not field by field.
        try {
            m_table.setText(m_tableField[field], text);
        } catch (const db::DbError &error) {
            return QString::fromStdString(error.what());
        }
        m_insertTyped = true;
        return {};
    }
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
