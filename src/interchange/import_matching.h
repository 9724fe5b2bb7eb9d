#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// The field matching of an import: the import file's fields lined up against the 22
// program fields, as the matching grid shows them. Row r (from 0) stands opposite catalogue
// field r; its import name and its use ("Yes", "No", or empty where no import field
// stands) move together. There are 22 rows, or as many as there are import fields.
namespace importing {

inline const QString kEmptyRow = QStringLiteral("<EMPTY>");
inline const QString kUse = QStringLiteral("Yes");
inline const QString kDontUse = QStringLiteral("No");

class Matching {
public:
    explicit Matching(QStringList importNames);

    [[nodiscard]] int rowCount() const { return static_cast<int>(m_names.size()); }
    [[nodiscard]] const QStringList &importNames() const { return m_importNames; }
    [[nodiscard]] const QString &importField(int row) const { return m_names[row]; }
    [[nodiscard]] const QString &use(int row) const { return m_use[row]; }

    // Swaps the row with the one above (below); false, with nothing changed, at the edge.
    bool moveUp(int row);
    bool moveDown(int row);
    // "Yes" becomes "No" and back; an empty cell stays empty.
    void toggleUse(int row);

    // For each import field in file order: the catalogue index (0 to 21) of the first of
    // the 22 rows that shows its name, when that row says "Yes"; -1 otherwise (no such row,
    // "No", or the field stands in a row after the 22nd).
    [[nodiscard]] std::vector<int> fieldMap() const;

private:
    bool swapRows(int a, int b);

    QStringList m_importNames;
    QStringList m_names;
    QStringList m_use;
};

} // namespace importing
