// An amount typed in the record editor (the data set) and the same amount stored by an import
// (the engine's typed writers) must be the same digits in the file, and be refused alike.
#include "core/field_catalogue.h"
#include "db/engine/db_error.h"
#include "db/engine/dbf_table.h"
#include "db/inventory_fixture.h"
#include "db/my_table.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <memory>
#include <optional>

namespace {

TEST(FieldCodecAgreement, TheDataSetAndTheEngineStoreTheSameDigits) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = fixture::newInventory(dir);
    const double numbers[] = {
        1.00105, 2.675, 2.5, -0.005, -0.0, 1249.99, -2.5, 1e-9, 1e15, 1e16, -99999999999999.99};
    const char *texts[] = {"1.00105",
                           "2.675",
                           "-0.005",
                           "-0.00",
                           "999999999999999.9999",
                           "1000000000000000",
                           "-99999999999999.99995",
                           "0.00005"};

    // The editor's way, through the data set.
    MyTable table;
    table.open(path, MyTable::OpenMode::Exclusive);
    const auto viaDataSet = [&](auto value) -> std::optional<std::string> {
        table.insert();
        try {
            if constexpr (std::is_same_v<decltype(value), double>)
                table.setNumber(field::Cost, value);
            else
                table.setText(field::Cost, QString::fromLatin1(value));
        } catch (const db::DbError &) {
            table.cancel();
            return std::nullopt;
        }
        const std::string bytes(table.current().raw(field::Cost));
        table.cancel();
        return bytes;
    };
    std::vector<std::optional<std::string>> dataSet;
    for (double v : numbers)
        dataSet.push_back(viaDataSet(v));
    for (const char *t : texts)
        dataSet.push_back(viaDataSet(t));
    table.close();

    // The import's way, through the engine's typed writers.
    const db::DbfTable engine(path.toStdString(), db::OpenMode::ReadOnly);
    const db::FieldDef &cost = engine.field(field::Cost);
    ASSERT_EQ(cost.type, 'N');
    ASSERT_EQ(cost.length, 20);
    ASSERT_EQ(cost.decimals, 4);
    const auto viaEngine = [&](auto value) -> std::optional<std::string> {
        std::string rec = engine.blankRecord();
        try {
            if constexpr (std::is_same_v<decltype(value), double>)
                engine.setNumber(rec, field::Cost, value);
            else
                engine.setDecimalText(rec, field::Cost, value);
        } catch (const db::DbError &) {
            return std::nullopt;
        }
        return std::string(engine.raw(rec, field::Cost));
    };
    std::size_t i = 0;
    for (double v : numbers) {
        EXPECT_EQ(dataSet[i], viaEngine(v)) << v;
        ++i;
    }
    for (const char *t : texts) {
        EXPECT_EQ(dataSet[i], viaEngine(t)) << t;
        ++i;
    }
    EXPECT_EQ(dataSet[0], std::string("              1.0011"));
    EXPECT_EQ(dataSet[3], std::string("             -0.0050"));
    EXPECT_EQ(dataSet[4], std::string("              0.0000")) << "never -0.0000";
    EXPECT_FALSE(dataSet[9]) << "1e16 does not fit N(20,4)";
    EXPECT_EQ(dataSet[11 + 4], std::string("999999999999999.9999"));
    EXPECT_FALSE(dataSet[11 + 5]);
    EXPECT_FALSE(dataSet[11 + 6]) << "rounds to -100000000000000.0000, 21 wide";
    EXPECT_EQ(dataSet[11 + 7], std::string("              0.0001"));
}

} // namespace
