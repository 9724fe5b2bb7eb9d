#pragma once

#include <QString>

#include <array>
#include <vector>

// What the viewer grid needs of the data set: the records it shows, by position in the
// order in force, read a few at a time. The grid never asks for more than a screenful plus
// a small cache, so a source over a million records must answer `fetch` without reading
// the records before `first`.
class ViewerSource {
public:
    using Row = std::array<QString, 22>; // the field texts in catalogue order

    virtual ~ViewerSource() = default;

    // Records visible now (deleted and filtered-out records excluded).
    [[nodiscard]] virtual int rowCount() const = 0;
    // The records at positions first .. first + count - 1 (fewer at the end).
    [[nodiscard]] virtual std::vector<Row> fetch(int first, int count) = 0;
    // Makes the record at `row` the data set's current record.
    virtual void moveTo(int row) = 0;
    [[nodiscard]] virtual int currentRow() const = 0;
    // Writes one field of the record at `row` and posts it. Returns an empty text on success,
    // otherwise the reason it was refused (the record is then unchanged).
    [[nodiscard]] virtual QString setFieldText(int row, int field, const QString &text) = 0;
};
