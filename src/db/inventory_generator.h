#pragma once

#include "core/field_catalogue.h"
#include "db/engine/field_def.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>

// A synthetic but plausible household inventory, for benchmarks, demonstrations and tests
// that need many records. The same seed always gives the same records, so a benchmark run
// can be repeated and a failing test reproduced.
//
// Field texts are in the form the table stores: character fields plain (no padding, at most
// the catalogue width, 7-bit ASCII so every code page holds them), numbers as plain decimal
// text ("3", "1249.99"), dates as YYYYMMDD or empty for no date, Warranty "Yes" or "No".
using InventoryRecord = std::array<std::string, kFieldCount>;

class InventoryGenerator {
public:
    explicit InventoryGenerator(std::uint64_t seed);

    // Fills `record` with the next record; reuses its strings' storage, so a loop that passes
    // the same record each time does not allocate once the strings have grown.
    void next(InventoryRecord &record);

private:
    std::uint64_t nextRandom();
    std::uint32_t below(std::uint32_t n); // uniform enough in 0..n-1
    template <std::size_t N> const char *pick(const std::array<const char *, N> &pool);
    void appendDigits(std::string &out, int count);

    std::uint64_t m_state;
    std::uint64_t m_serialCounter = 0;
};

// Streams `count` records of the inventory for `seed` into `sink`, one at a time; memory use
// does not grow with the count. The sink sees a record that is overwritten by the next call.
void GenerateInventory(std::uint64_t count, std::uint64_t seed,
                       const std::function<void(const InventoryRecord &)> &sink);

// Puts a generated field text into its place in a raw record, in the stored form: numbers
// through the engine's field codec (right-aligned, rounded to the field's decimals), other
// texts left-aligned and cut to the width. A number too wide for its field throws
// db::DbError rather than being stored as another amount.
void StoreGeneratedField(const db::FieldDef &field, const std::string &text, char *record);
