#include "db/inventory_schema.h"

#include "db/engine/db_error.h"

namespace db {

FieldDef fieldDefFor(std::string_view name, FieldCreatedAs kind, int width) {
    FieldDef f;
    f.name = std::string(name);
    switch (kind) {
    case FieldCreatedAs::Character:
        if (width < 1 || width > 254)
            throw DbError("field " + f.name + ": a character field needs a width of 1 to 254");
        f.type = 'C';
        f.length = width;
        break;
    case FieldCreatedAs::Integer:
        f.type = 'N';
        f.length = kIntegerWidth;
        break;
    case FieldCreatedAs::Float:
        f.type = 'N';
        f.length = kFloatWidth;
        f.decimals = kFloatDecimals;
        break;
    case FieldCreatedAs::Date:
        f.type = 'D';
        f.length = 8;
        break;
    }
    return f;
}

std::vector<FieldDef> inventoryFieldDefs() {
    std::vector<FieldDef> out;
    out.reserve(kCatalogue.size());
    for (const CatalogueField &c : kCatalogue)
        out.push_back(fieldDefFor(c.key, c.createdAs, c.width));
    return out;
}

} // namespace db
