#pragma once

#include "app/viewer_source.h"

#include <QAbstractTableModel>
#include <QStringList>

#include <list>
#include <unordered_map>
#include <vector>

// The "Inventory Viewer" grid's model: one column per shown field, one row per visible
// record, read from the data set in blocks on demand and kept in a small cache, so that
// opening, scrolling and jumping in a file of a million records reads only what is shown.
class ViewerModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kBlockRows = 64;
    static constexpr int kMaxBlocks = 32;

    struct Column {
        int field = 0; // catalogue index
        QString title;
        int width = 15; // in characters
    };

    explicit ViewerModel(QObject *parent = nullptr);

    // The source may be null (no file open). Re-reads everything.
    void setSource(ViewerSource *source);
    [[nodiscard]] ViewerSource *source() const { return m_source; }
    void setColumns(std::vector<Column> columns);
    [[nodiscard]] const std::vector<Column> &columns() const { return m_columns; }
    void setEditable(bool editable);
    [[nodiscard]] bool editable() const { return m_editable; }
    void setTitleAlignment(Qt::Alignment alignment);
    // The row the record indicator marks.
    void setIndicatorRow(int row);
    // Drops the cache and the row count: the data set changed under the grid.
    void reload();

    // The field (catalogue index) shown in a column, or -1.
    [[nodiscard]] int fieldOfColumn(int column) const;
    [[nodiscard]] int columnOfField(int field) const;
    // Rows read from the source since the last reload (for tests of on-demand reading).
    [[nodiscard]] long long rowsFetched() const { return m_rowsFetched; }
    [[nodiscard]] int cachedBlocks() const { return static_cast<int>(m_blocks.size()); }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

Q_SIGNALS:
    // A cell edit was refused by the data set; the text says why.
    void editRefused(const QString &reason);

private:
    const ViewerSource::Row *rowAt(int row) const;

    ViewerSource *m_source = nullptr;
    std::vector<Column> m_columns;
    bool m_editable = false;
    Qt::Alignment m_titleAlignment = Qt::AlignCenter;
    int m_indicatorRow = -1;
    mutable int m_rowCount = 0;

    struct Block {
        std::vector<ViewerSource::Row> rows;
        std::list<int>::iterator lru;
    };
    mutable std::unordered_map<int, Block> m_blocks;
    mutable std::list<int> m_lru; // most recently used first
    mutable long long m_rowsFetched = 0;
};
