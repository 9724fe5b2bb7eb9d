#include "interchange/import_matching.h"

#include "core/field_catalogue.h"

namespace importing {

Matching::Matching(QStringList importNames) : m_importNames(std::move(importNames)) {
    const int n = static_cast<int>(m_importNames.size());
    const int rows = std::max(n, kFieldCount);
    for (int r = 0; r < rows; ++r) {
        m_names << (r < n ? m_importNames[r] : kEmptyRow);
        m_use << (r < n ? kUse : QString());
    }
}

bool Matching::swapRows(int a, int b) {
    if (a < 0 || b < 0 || a >= rowCount() || b >= rowCount())
        return false;
    m_names.swapItemsAt(a, b);
    m_use.swapItemsAt(a, b);
    return true;
}

bool Matching::moveUp(int row) {
    return row >= 1 && swapRows(row, row - 1);
}

bool Matching::moveDown(int row) {
    return swapRows(row, row + 1);
}

void Matching::toggleUse(int row) {
    if (row < 0 || row >= rowCount())
        return;
    if (m_use[row] == kUse)
        m_use[row] = kDontUse;
    else if (m_use[row] == kDontUse)
        m_use[row] = kUse;
}

std::vector<int> Matching::fieldMap() const {
    std::vector<int> map;
    for (const QString &name : m_importNames) {
        int target = -1;
        for (int r = 0; r < kFieldCount && r < rowCount(); ++r) {
            if (m_names[r] == name) {
                target = m_use[r] == kUse ? r : -1;
                break;
            }
        }
        map.push_back(target);
    }
    return map;
}

} // namespace importing
