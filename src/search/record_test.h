#pragma once

#include "search/search_criteria.h"

#include <string>
#include <vector>

class RecordLayout;
class RecordView;

namespace search {

// The record test of a search: true when the record satisfies every item of at least one
// level. Items within a level are AND-ed (a false item skips the rest of its level), levels
// are OR-ed; with no items no record matches.
//
//   contains (character fields): the field's text, upper-cased character by character,
//     holds the item's text anywhere;
//   equal, greater, less (numbers and dates): the field's value against the item's, strictly;
//     an empty (or unreadable) number or date field counts as 0, so "less than" a date
//     matches the records without one.
//
// Fields are found by their catalogue key in the record's table, resolved once per table.
// The test reads only the fields its items name, straight from the record's bytes: a record
// of plain ASCII text is compared without being decoded.
class RecordTest {
public:
    RecordTest() = default;
    explicit RecordTest(std::vector<SearchItem> items);

    [[nodiscard]] bool matches(const RecordView &record) const;
    [[nodiscard]] const std::vector<SearchItem> &items() const { return m_items; }
    [[nodiscard]] bool isEmpty() const { return m_items.empty(); }

private:
    struct Compiled {
        int column = -1; // field position in the table, -1 when the table lacks it
        int comparison = Equal;
        bool isDate = false;
        bool endOfLevel = false;
        double value = 0;
        QString upper;        // Contains: the text to find
        std::string ascii;    // the same when it is plain ASCII
        bool asciiOk = false; // `ascii` holds it
    };
    // The value of the number or date field read last for this record.
    struct Cache {
        int column = -1;
        double value = 0;
    };
    void compileFor(const RecordLayout &layout) const;
    [[nodiscard]] bool evaluate(const Compiled &c, const RecordView &record, Cache &cache) const;

    std::vector<SearchItem> m_items;
    mutable const RecordLayout *m_layout = nullptr;
    mutable int m_layoutFields = -1;
    mutable std::vector<Compiled> m_compiled;
};

} // namespace search
