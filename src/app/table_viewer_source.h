#pragma once

#include "app/viewer_source.h"

#include <array>

class MyTable;

// The viewer's rows read from the data set by ordinal position, without moving the current
// record, so the grid can show any part of a large file while the current record stays
// where the user put it. Amounts and the quantity show the catalogue's decimals, whatever
// the stored field holds.
//
// The grid's own insert is a new record in the data set's edit buffer, shown as one more
// row after the last until the data set posts or cancels it; typing into that row fills the
// edit buffer and writes nothing.
class TableViewerSource : public ViewerSource {
public:
    explicit TableViewerSource(MyTable &table) : m_table(table) {}

    // Finds the table's field for each catalogue field again (after an open).
    void bindFields();

    // Starts the grid's insert (the data set's insert).
    void beginInsert();
    // The row of the pending grid insert, or -1.
    [[nodiscard]] int insertRow() const;
    // Something was typed into the pending insert.
    [[nodiscard]] bool insertTyped() const { return m_insertTyped; }
    // Forgets the grid's insert once the data set has left it; true when one was shown.
    bool endInsert();

    [[nodiscard]] int rowCount() const override;
    [[nodiscard]] std::vector<Row> fetch(int first, int count) override;
    void moveTo(int row) override;
    [[nodiscard]] int currentRow() const override;
    [[nodiscard]] QString setFieldText(int row, int field, const QString &text) override;

private:
    [[nodiscard]] bool inserting() const;
    [[nodiscard]] QString shown(int field, const QString &stored) const;

    MyTable &m_table;
    bool m_inserting = false;
    bool m_insertTyped = false;
    std::array<int, 22> m_tableField{}; // table field index of each catalogue field, or -1
};
