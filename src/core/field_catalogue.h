#pragma once

#include <array>
#include <string_view>

// The 22 fields of an item record in their fixed order. Field numbers (1 to 22) are how
// settings, report definitions, searches and exports refer to a field.
enum class FieldCreatedAs { Character, Integer, Float, Date };

struct CatalogueField {
    int number;           // 1 to 22
    std::string_view key; // dBASE field name, also the key in the settings file
    FieldCreatedAs createdAs;
    int width;                    // character width; 0 for the fields the engine sizes
    int entryLength;              // characters the record editor accepts
    char kind;                    // 'C', 'N' or 'D' as search, reports and exports treat it
    int decimals;                 // decimals shown for numbers
    std::string_view displayName; // default display name
};

inline constexpr int kFieldCount = 22;

// Catalogue indexes (zero-based) of the fields other code names directly.
namespace field {
inline constexpr int Item = 0, Brand = 1, Model = 2, Serial = 3, Location = 4, Descriptio = 5,
                     BoughtFrom = 6, IDMarks = 7, Quantity = 8, PurchDate = 9, Cost = 10,
                     Category = 11, RepCost = 12, Warranty = 13, WarDate = 14, WarNotes = 15,
                     Owner = 16, Value = 17, UserDef1 = 18, UserDef2 = 19, UserDef3 = 20,
                     UserDef4 = 21;
}

using FC = FieldCreatedAs;
inline constexpr std::array<CatalogueField, kFieldCount> kCatalogue{{
    {1, "Item", FC::Character, 40, 40, 'C', 0, "Item"},
    {2, "Brand", FC::Character, 20, 20, 'C', 0, "Brand"},
    {3, "Model", FC::Character, 20, 20, 'C', 0, "Model"},
    {4, "Serial", FC::Character, 20, 20, 'C', 0, "Serial Number"},
    {5, "Location", FC::Character, 30, 30, 'C', 0, "Location"},
    {6, "Descriptio", FC::Character, 110, 110, 'C', 0, "Description"},
    {7, "BoughtFrom", FC::Character, 40, 40, 'C', 0, "Purchased From"},
    {8, "IDMarks", FC::Character, 60, 60, 'C', 0, "ID Marks"},
    {9, "Quantity", FC::Integer, 0, 4, 'N', 0, "Quantity"},
    {10, "PurchDate", FC::Date, 0, 8, 'D', 0, "Purchase Date"},
    {11, "Cost", FC::Float, 0, 12, 'N', 2, "Cost"},
    {12, "Category", FC::Character, 20, 20, 'C', 0, "Category"},
    {13, "RepCost", FC::Float, 0, 12, 'N', 2, "Replacement Cost"},
    {14, "Warranty", FC::Character, 3, 3, 'C', 0, "Warranty"},
    {15, "WarDate", FC::Date, 0, 8, 'D', 0, "Warranty Date"},
    {16, "WarNotes", FC::Character, 30, 30, 'C', 0, "Warranty Notes"},
    {17, "Owner", FC::Character, 30, 30, 'C', 0, "Owner"},
    {18, "Value", FC::Float, 0, 12, 'N', 2, "Value"},
    {19, "UserDef1", FC::Character, 40, 40, 'C', 0, "User Defined 1"},
    {20, "UserDef2", FC::Character, 40, 40, 'C', 0, "User Defined 2"},
    {21, "UserDef3", FC::Character, 40, 40, 'C', 0, "User Defined 3"},
    {22, "UserDef4", FC::Character, 40, 40, 'C', 0, "User Defined 4"},
}};

// The catalogue entry of a field number 1 to 22, or nullptr for any other number.
const CatalogueField *catalogueField(int number);
