#include "core/field_catalogue.h"

const CatalogueField *catalogueField(int number) {
    return number >= 1 && number <= kFieldCount ? &kCatalogue[number - 1] : nullptr;
}
