#include "db/sort_expression.h"

#include "core/field_catalogue.h"

std::string BuildSortString(const std::array<int, 4> &levels) {
    int used = 0;
    for (int level : levels)
        if (level > 0)
            ++used;
    if (used == 0)
        return {};
    const std::string width = std::to_string(80 / used);

    std::string expression;
    for (int level : levels) {
        const CatalogueField *f = catalogueField(level);
        if (!f)
            continue;
        const std::string key(f->key);
        switch (f->createdAs) {
        case FieldCreatedAs::Character:
            expression += "Upper(Left(" + key + "," + width + "))+";
            break;
        case FieldCreatedAs::Integer:
            expression += "STR(" + key + ",12,0)+";
            break;
        case FieldCreatedAs::Float:
            expression += "STR(" + key + ",12,2)+";
            break;
        case FieldCreatedAs::Date:
            expression += "DTOS(" + key + ")+";
            break;
        }
    }
    if (!expression.empty())
        expression.pop_back();
    return expression;
}
