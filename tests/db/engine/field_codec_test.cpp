// The one codec of number and date fields: rounding on the decimal text the user typed, the
// widest values a field takes and the first it refuses, and which dates exist.
#include "db/engine/db_error.h"
#include "db/engine/dbf_table.h"
#include "db/engine/field_codec.h"
#include "dbf_test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace fc = db::field_codec;

namespace {

db::FieldDef amount(int length, int decimals) {
    return {"AMOUNT", 'N', length, decimals, 0};
}

// The field's bytes after storing `value`, or the DbError's text.
template <class V> std::string stored(const db::FieldDef &f, V value) {
    std::string out(static_cast<std::size_t>(f.length), 'x');
    try {
        if constexpr (std::is_same_v<V, double>)
            fc::storeNumber(f, value, out.data());
        else
            fc::storeDecimal(f, value, out.data());
    } catch (const db::DbError &e) {
        EXPECT_EQ(out, std::string(static_cast<std::size_t>(f.length), 'x'))
            << "a refused value left bytes behind";
        return std::string("refused: ") + e.what();
    }
    return out;
}

std::string padded(int width, const std::string &text) {
    return std::string(static_cast<std::size_t>(width) - text.size(), ' ') + text;
}

TEST(FieldCodec, DoublesRoundHalfAwayFromZeroOnTheirShortestText) {
    EXPECT_EQ(stored(amount(20, 4), 1.00105), padded(20, "1.0011")) << "not 1.0010 from binary";
    EXPECT_EQ(stored(amount(12, 2), 2.675), padded(12, "2.68"));
    EXPECT_EQ(stored(amount(12, 2), 1.005), padded(12, "1.01"));
    EXPECT_EQ(stored(amount(11, 0), 2.5), padded(11, "3"));
    EXPECT_EQ(stored(amount(11, 0), -2.5), padded(11, "-3"));
    EXPECT_EQ(stored(amount(11, 0), 0.49999999999999994), padded(11, "0"));
    EXPECT_EQ(stored(amount(12, 2), -0.005), padded(12, "-0.01"));
    EXPECT_EQ(stored(amount(12, 2), 0.125), padded(12, "0.13"));
    EXPECT_EQ(stored(amount(12, 2), 99.995), padded(12, "100.00")) << "a carry through nines";
    EXPECT_EQ(stored(amount(12, 2), 1e-7), padded(12, "0.00"));
    EXPECT_EQ(stored(amount(12, 2), 12.0), padded(12, "12.00"));
    EXPECT_EQ(stored(amount(20, 4), 123456.789), padded(20, "123456.7890"));
}

TEST(FieldCodec, ARoundedZeroHasNoSign) {
    for (double v : {-0.0, -0.004, -0.0049, -1e-300})
        EXPECT_EQ(stored(amount(12, 2), v), padded(12, "0.00")) << v;
    EXPECT_EQ(stored(amount(11, 0), -0.0), padded(11, "0"));
    EXPECT_EQ(stored(amount(11, 0), -0.4), padded(11, "0"));
    EXPECT_EQ(stored(amount(12, 2), std::string("-0.00")), padded(12, "0.00"));
    EXPECT_EQ(stored(amount(12, 2), std::string("-.001")), padded(12, "0.00"));
}

TEST(FieldCodec, TheWidestValuesFitAndTheNextAreRefusedNamingFieldAndValue) {
    struct Case {
        db::FieldDef field;
        std::string widest, widestNegative, tooWide, roundsTooWide;
    };
    const Case cases[] = {
        {amount(11, 0), "99999999999", "-9999999999", "100000000000", "99999999999.5"},
        {amount(12, 2), "999999999.99", "-99999999.99", "1000000000", "999999999.995"},
        {amount(20, 4), "999999999999999.9999", "-99999999999999.9999", "1000000000000000",
         "999999999999999.99995"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.field.length) + "," + std::to_string(c.field.decimals));
        const std::string widest = stored(c.field, c.widest);
        EXPECT_EQ(widest, c.widest) << "fills the width exactly";
        EXPECT_EQ(stored(c.field, c.widestNegative), c.widestNegative);
        for (const std::string &bad :
             {c.tooWide, c.roundsTooWide, "-" + c.widestNegative.substr(1) + "9"}) {
            const std::string refused = stored(c.field, bad);
            EXPECT_EQ(refused.rfind("refused: ", 0), 0u) << bad << " stored as " << refused;
            EXPECT_NE(refused.find("AMOUNT"), std::string::npos) << refused;
            EXPECT_NE(refused.find(bad), std::string::npos) << refused;
        }
    }
    // Through doubles, where they hold the digits.
    EXPECT_EQ(stored(amount(11, 0), 99999999999.0), "99999999999");
    EXPECT_NE(stored(amount(11, 0), 100000000000.0).find("100000000000"), std::string::npos);
    EXPECT_EQ(stored(amount(12, 2), 999999999.99), "999999999.99");
    EXPECT_EQ(stored(amount(12, 2), -99999999.99), "-99999999.99");
    EXPECT_NE(stored(amount(12, 2), 999999999.995).find("refused: "), std::string::npos);
    EXPECT_EQ(stored(amount(20, 4), 9999999999999.99), padded(20, "9999999999999.9900"));
    EXPECT_NE(stored(amount(20, 4), 1e15).find("refused: "), std::string::npos);
    // Huge values are named briefly, not by hundreds of digits.
    const std::string huge = stored(amount(20, 4), 1e300);
    EXPECT_NE(huge.find("1e+300"), std::string::npos) << huge;
}

TEST(FieldCodec, TextThatIsNoNumberAndValuesThatAreNoNumbersAreRefused) {
    for (const char *bad : {"12a", "1.2.3", "--1", "1 2", ".", "-", "1e3", "0x10"})
        EXPECT_NE(stored(amount(12, 2), std::string(bad)).find("is not a number for field AMOUNT"),
                  std::string::npos)
            << bad;
    for (double bad : {std::nan(""), std::numeric_limits<double>::infinity(),
                       -std::numeric_limits<double>::infinity()})
        EXPECT_NE(stored(amount(12, 2), bad).find("refused: "), std::string::npos);
    EXPECT_EQ(stored(amount(6, 2), std::string("   ")), "      ") << "blank is no value";
    EXPECT_EQ(stored(amount(6, 2), std::string("+5")), "  5.00");
    EXPECT_EQ(stored(amount(6, 2), std::string("- 5")), " -5.00") << "blank after the sign";
    EXPECT_EQ(stored(amount(6, 2), std::string("007.5")), "  7.50");
    EXPECT_EQ(stored(amount(6, 0), std::string("4.")), "     4");
}

TEST(FieldCodec, NormalAndRoundedTextsForReaders) {
    EXPECT_EQ(fc::normalDecimal(" -.5 "), "-0.5");
    EXPECT_EQ(fc::normalDecimal("+12.50"), "12.50");
    EXPECT_EQ(fc::normalDecimal("   "), std::nullopt);
    EXPECT_EQ(fc::normalDecimal("1,5"), std::nullopt);
    EXPECT_EQ(fc::roundDecimal("-2.67495", 4), "-2.6750");
    EXPECT_EQ(fc::roundDecimal("-2.67495", 0), "-3");
    EXPECT_EQ(fc::roundDecimal("0.0", 3), "0.000");
    EXPECT_EQ(fc::shortestDecimal(2.675), "2.675");
    EXPECT_EQ(fc::shortestDecimal(1e21), "1000000000000000000000");
}

TEST(FieldCodec, OnlyRealDaysAreDates) {
    EXPECT_FALSE(fc::isValidDate(1900, 2, 29)) << "1900 is not a leap year";
    EXPECT_TRUE(fc::isValidDate(2000, 2, 29)) << "2000 is";
    EXPECT_TRUE(fc::isValidDate(2024, 2, 29));
    EXPECT_FALSE(fc::isValidDate(2023, 2, 29));
    EXPECT_FALSE(fc::isValidDate(2100, 2, 29));
    EXPECT_TRUE(fc::isValidDate(1600, 2, 29));
    EXPECT_FALSE(fc::isValidDate(2024, 4, 31));
    EXPECT_TRUE(fc::isValidDate(2024, 12, 31));
    EXPECT_FALSE(fc::isValidDate(2024, 13, 1));
    EXPECT_FALSE(fc::isValidDate(2024, 0, 10));
    EXPECT_FALSE(fc::isValidDate(2024, 1, 0));
    EXPECT_FALSE(fc::isValidDate(0, 1, 1));
    EXPECT_TRUE(fc::isValidDate(1, 1, 1));
    EXPECT_TRUE(fc::isValidDate(9999, 12, 31));
    EXPECT_FALSE(fc::isValidDate(10000, 1, 1));

    EXPECT_FALSE(fc::readDate("19000229"));
    ASSERT_TRUE(fc::readDate("20000229"));
    EXPECT_EQ(fc::readDate("20000229")->day, 29);
    EXPECT_FALSE(fc::readDate("        "));
    EXPECT_FALSE(fc::readDate("2000022 "));
    EXPECT_FALSE(fc::readDate("2000-2-1"));

    const db::FieldDef when{"BOUGHT", 'D', 8, 0, 0};
    std::string out(8, 'x');
    EXPECT_THROW(fc::storeDate(when, {1900, 2, 29}, out.data()), db::DbError);
    EXPECT_THROW(fc::storeDateText(when, "21000229", out.data()), db::DbError);
    EXPECT_THROW(fc::storeDate(when, {10000, 1, 1}, out.data()), db::DbError);
    EXPECT_EQ(out, "xxxxxxxx");
    fc::storeDate(when, {2000, 2, 29}, out.data());
    EXPECT_EQ(out, "20000229");
    fc::storeDate(when, {33, 7, 4}, out.data());
    EXPECT_EQ(out, "00330704");
}

TEST(FieldCodec, JulianDaysBothWays) {
    EXPECT_EQ(fc::julianDay(2000, 1, 1), 2451545);
    EXPECT_EQ(fc::julianDay(1, 1, 1), 1721426);
    for (const fc::Date d : {fc::Date{1900, 3, 1}, fc::Date{2000, 2, 29}, fc::Date{1969, 12, 31},
                             fc::Date{9999, 12, 31}}) {
        const fc::Date back = fc::fromJulianDay(fc::julianDay(d.year, d.month, d.day));
        EXPECT_EQ(back.year * 10000 + back.month * 100 + back.day,
                  d.year * 10000 + d.month * 100 + d.day);
    }
    EXPECT_EQ(fc::julianDay(2000, 3, 1) - fc::julianDay(2000, 2, 28), 2);
    EXPECT_EQ(fc::julianDay(1900, 3, 1) - fc::julianDay(1900, 2, 28), 1);
}

// The table's typed writers are the codec: same digits, same refusals, nothing half stored.
TEST(FieldCodec, TheTableStoresThroughIt) {
    dbftest::TempDir dir;
    const std::string path = dir.file("T.DBF");
    db::DbfTable::create(path, {{"Amount", 'N', 12, 2, 0}, {"Bought", 'D', 8, 0, 0}});
    db::DbfTable t(path, db::OpenMode::Exclusive);
    std::string rec = t.blankRecord();
    t.setNumber(rec, 0, 1.005);
    EXPECT_EQ(t.decimalText(rec, 0), "1.01");
    const std::string before = rec;
    EXPECT_THROW(t.setNumber(rec, 0, 1e10), db::DbError);
    EXPECT_THROW(t.setDecimalText(rec, 0, "1000000000"), db::DbError);
    EXPECT_THROW(t.setDate(rec, 1, "19000229"), db::DbError);
    EXPECT_EQ(rec, before);
    try {
        t.setNumber(rec, 0, 1e10);
    } catch (const db::DbError &e) {
        EXPECT_EQ(e.file(), path);
    }
    t.setDate(rec, 1, "20000229");
    EXPECT_EQ(t.date(rec, 1), "20000229");
    (void)t.appendRecord(rec);
    // A date another program stored that does not exist reads as no date, its text as stored.
    std::memcpy(rec.data() + 13, "19000229", 8);
    EXPECT_EQ(t.date(rec, 1), std::nullopt);
    EXPECT_EQ(t.text(rec, 1), "19000229");
}

} // namespace
