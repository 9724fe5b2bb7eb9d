#pragma once

#include "app/viewer_source.h"

#include <array>

class MyTable;

// The viewer's rows read from the data set by ordinal position, without moving the current
// record, so the grid can show any part of a large file while the current record stays
// where the user put it.
class TableViewerSource : public ViewerSource {
public:
    explicit TableViewerSource(MyTable &table) : m_table(table) {}

    // Finds the table's field for each catalogue field again (after an open).
    void bindFields();

    [[nodiscard]] int rowCount() const override;
    [[nodiscard]] std::vector<Row> fetch(int first, int count) override;
    void moveTo(int row) override;
    [[nodiscard]] int currentRow() const override;
    [[nodiscard]] QString setFieldText(int row, int field, const QString &text) override;

private:
    MyTable &m_table;
    std::array<int, 22> m_tableField{}; // table field index of each catalogue field, or -1
};
