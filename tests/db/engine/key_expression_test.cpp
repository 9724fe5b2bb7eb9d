#include "db/engine/db_error.h"
#include "db/engine/key_expression.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using db::CaseTable;
using db::DbError;
using db::FieldDef;
using db::KeyExpression;

namespace {

// A few fields shaped like the inventory's: Category C(20), Descriptio C(110),
// PurchDate D, Cost N(12,2), Quantity N(11,0), Amount N(8,3), Big N(20,0).
struct Layout {
    std::vector<FieldDef> fields;
    int length = 1;

    Layout() {
        add("Category", 'C', 20);
        add("Descriptio", 'C', 110);
        add("PurchDate", 'D', 8);
        add("Cost", 'N', 12, 2);
        add("Quantity", 'N', 11, 0);
        add("Amount", 'N', 8, 3);
        add("Big", 'N', 20, 0);
    }
    void add(const char *name, char type, int len, int dec = 0) {
        fields.push_back({name, type, len, dec, length});
        length += len;
    }
    [[nodiscard]] std::string record() const {
        return std::string(static_cast<size_t>(length), ' ');
    }
    void set(std::string &record, const char *name, const std::string &value, bool right) const {
        for (const FieldDef &f : fields) {
            if (f.name != name)
                continue;
            std::string v = value.substr(0, static_cast<size_t>(f.length));
            std::string padded(static_cast<size_t>(f.length), ' ');
            if (right)
                padded.replace(padded.size() - v.size(), v.size(), v);
            else
                padded.replace(0, v.size(), v);
            record.replace(static_cast<size_t>(f.offset), padded.size(), padded);
            return;
        }
        ADD_FAILURE() << "no field " << name;
    }
};

std::string eval(const Layout &layout, const std::string &expr, const std::string &record,
                 CaseTable cases = CaseTable::Cp1252) {
    KeyExpression key(expr, layout.fields, cases);
    return key.evaluate(record.data());
}

// STR of a number stored in the Amount N(8,3) / Cost N(12,2) field text.
std::string str(const char *field, const std::string &stored, const std::string &args) {
    Layout l;
    std::string r = l.record();
    l.set(r, field, stored, true);
    return eval(l, std::string("STR(") + field + args + ")", r);
}

} // namespace

TEST(KeyExpression, WidthsFollowTheDeclaredPieces) {
    Layout l;
    struct Case {
        const char *expr;
        int width;
    } cases[] = {
        {"Upper(Left(Category,80))", 20},
        {"Upper(Left(Category,40))+DTOS(PurchDate)", 28},
        {"Upper(Left(Category,40))+DTOS(PurchDate)+STR(Cost,12,2)", 40},
        {"Upper(Left(Descriptio,20))+STR(Quantity,12,0)", 32},
        {"Left(Descriptio,80)", 80},
        {"upper(left(category,5))", 5},
        {"SUBSTR(Category,3,4)+RIGHT(Category,2)", 6},
        {"STR(Cost)", 10},
        {"TRIM(Category)+Category", 40},
    };
    for (const Case &c : cases) {
        KeyExpression key(c.expr, l.fields);
        EXPECT_EQ(key.type(), 'C') << c.expr;
        EXPECT_EQ(key.length(), c.width) << c.expr;
    }
}

TEST(KeyExpression, InventoryKeysMatchTheWorkedExamples) {
    Layout l;
    std::string r = l.record();
    l.set(r, "Category", "Tools", false);
    l.set(r, "PurchDate", "20010305", false);
    l.set(r, "Cost", "12.50", true);
    EXPECT_EQ(eval(l, "Upper(Left(Category,80))", r), "TOOLS               ");
    EXPECT_EQ(eval(l, "Upper(Left(Category,40))+DTOS(PurchDate)", r),
              "TOOLS               20010305");
    EXPECT_EQ(eval(l, "Upper(Left(Category,40))+DTOS(PurchDate)+STR(Cost,12,2)", r),
              "TOOLS               20010305       12.50");
    EXPECT_EQ(eval(l, "Upper(Left(Category,3))", r), "TOO");
    EXPECT_EQ(eval(l, "TRIM(Category)+DTOS(PurchDate)", r),
              std::string("Tools20010305") + std::string(15, ' '));
    EXPECT_EQ(eval(l, "LOWER(SUBSTR(Category,2,3))+RIGHT(Category,3)", r), "ool   ");
    EXPECT_EQ(eval(l, "DTOC(PurchDate)", r), "03/05/01");
}

TEST(KeyExpression, StrRoundsOnTheDecimalText) {
    // 2.675 has no exact binary form; printf("%.2f") gives 2.67.
    EXPECT_EQ(str("Amount", "2.675", ",8,2"), "    2.68");
    EXPECT_EQ(str("Amount", "-2.675", ",8,2"), "   -2.68");
    EXPECT_EQ(str("Amount", "10.765", ",5,2"), "10.77");
    EXPECT_EQ(str("Amount", "10.765", ",5,1"), " 10.8");
    EXPECT_EQ(str("Amount", "0.125", ",6,2"), "  0.13");
    EXPECT_EQ(str("Amount", "-0.004", ",6,2"), "  0.00"); // a rounded zero has no sign
    EXPECT_EQ(str("Cost", "12.50", ",12,2"), "       12.50");
    EXPECT_EQ(str("Cost", "-200.00", ",12,2"), "     -200.00");
    EXPECT_EQ(str("Cost", "", ",12,2"), "        0.00"); // blank counts as zero
    EXPECT_EQ(str("Cost", "7.00", ""), "         7");
    EXPECT_EQ(str("Cost", "7.50", ",3"), "  8");
    EXPECT_EQ(str("Cost", "99.99", ",12,0"), "         100");
}

TEST(KeyExpression, StrUsesFewerDecimalsThenAsterisks) {
    EXPECT_EQ(str("Amount", "123.456", ",5,2"), "123.5");
    EXPECT_EQ(str("Amount", "123.456", ",4,2"), " 123");
    EXPECT_EQ(str("Amount", "123.456", ",3,1"), "123");
    EXPECT_EQ(str("Amount", "9999.5", ",4,1"), "****"); // rounds to 10000
    EXPECT_EQ(str("Amount", "-123.4", ",3,1"), "***");
    EXPECT_EQ(str("Cost", "123456789.99", ",12,2"), "123456789.99");
    EXPECT_EQ(str("Cost", "-99999999.99", ",12,2"), "-99999999.99");
    EXPECT_EQ(str("Big", "999999999999", ",12,0"), "999999999999");
    EXPECT_EQ(str("Big", "9999999999999", ",12,0"), "************");
    EXPECT_EQ(str("Big", "-99999999999", ",12,0"), "-99999999999");
    EXPECT_EQ(str("Big", "-999999999999", ",12,0"), "************");
}

TEST(KeyExpression, NumericAdditionIsExact) {
    Layout l;
    std::string r = l.record();
    l.set(r, "Cost", "0.10", true);
    l.set(r, "Amount", "0.205", true);
    EXPECT_EQ(eval(l, "STR(Cost+Amount,8,2)", r), "    0.31"); // 0.305 -> 0.31
    EXPECT_EQ(eval(l, "STR(Cost-Amount,8,3)", r), "  -0.105");
    EXPECT_EQ(eval(l, "STR(Cost+1,8,2)", r), "    1.10");
}

TEST(KeyExpression, DtosOfBlankOrBrokenDatesIsBlank) {
    Layout l;
    std::string r = l.record();
    EXPECT_EQ(eval(l, "DTOS(PurchDate)", r), "        ");
    l.set(r, "PurchDate", "00000000", false);
    EXPECT_EQ(eval(l, "DTOS(PurchDate)", r), "        ");
    l.set(r, "PurchDate", "2001 3 5", false);
    EXPECT_EQ(eval(l, "DTOS(PurchDate)", r), "        ");
    EXPECT_EQ(eval(l, "DTOC(PurchDate)", r), "  /  /  ");
    l.set(r, "PurchDate", "19991231", false);
    EXPECT_EQ(eval(l, "Upper(Left(Category,2))+DTOS(PurchDate)", r), "  19991231");
}

TEST(KeyExpression, UpperFollowsTheCodePage) {
    Layout l;
    std::string r = l.record();
    // cp1252: e-acute, a-grave, o-umlaut, y-umlaut, s-caron, sharp s, micro, division sign.
    l.set(r, "Category", "\xE9\xE0\xF6\xFF\x9A\xDF\xB5\xF7z", false);
    EXPECT_EQ(eval(l, "UPPER(Left(Category,9))", r), "\xC9\xC0\xD6\x9F\x8A\xDF\xB5\xF7Z");
    // The same bytes under cp437 mean other letters: only those with a capital change.
    l.set(r, "Category", "\x82\x87\x81\x85\xA4q", false);
    EXPECT_EQ(eval(l, "UPPER(Left(Category,6))", r, CaseTable::Cp437), "\x90\x80\x9A\x85\xA5Q");
    // cp850 has capitals for a-grave (0x85 -> 0xB7) and e-circumflex (0x88 -> 0xD2).
    l.set(r, "Category", "\x85\x88\x82", false);
    EXPECT_EQ(eval(l, "UPPER(Left(Category,3))", r, CaseTable::Cp850), "\xB7\xD2\x90");
    EXPECT_EQ(eval(l, "UPPER(Left(Category,3))", r, CaseTable::Ascii), "\x85\x88\x82");
    EXPECT_EQ(db::caseTableForLanguageDriver(0x57), CaseTable::Cp1252);
    EXPECT_EQ(db::caseTableForLanguageDriver(0x1B), CaseTable::Cp437);
    EXPECT_EQ(db::caseTableForLanguageDriver(0x02), CaseTable::Cp850);
}

TEST(KeyExpression, NumericAndDateKeys) {
    Layout l;
    std::string r = l.record();
    KeyExpression num("Cost", l.fields);
    EXPECT_EQ(num.type(), 'N');
    EXPECT_EQ(num.length(), 12);
    auto key = [&](const char *value) {
        l.set(r, "Cost", value, true);
        return num.evaluate(r.data());
    };
    // Values seen in dBASE-written keys.
    EXPECT_EQ(key("1000.00"), std::string("\x38\x29\x10\0\0\0\0\0\0\0\0\0", 12));
    EXPECT_EQ(key("125.00"), std::string("\x37\x29\x12\x50\0\0\0\0\0\0\0\0", 12));
    EXPECT_EQ(key("-200.00"), std::string("\x37\xA9\x20\0\0\0\0\0\0\0\0\0", 12));
    EXPECT_EQ(key("0.00"), std::string("\x34\x01\0\0\0\0\0\0\0\0\0\0", 12));
    EXPECT_EQ(key(""), std::string("\x34\x01\0\0\0\0\0\0\0\0\0\0", 12));
    // Order by value, not by bytes.
    const char *ascending[] = {"-1000.00", "-200.00", "-0.05", "0.00",   "0.05",   "0.50",
                               "1.00",     "9.99",    "10.00", "125.00", "1000.00"};
    for (size_t i = 0; i + 1 < std::size(ascending); ++i) {
        std::string a = key(ascending[i]);
        std::string b = key(ascending[i + 1]);
        EXPECT_LT(db::compareKeys('N', a.data(), b.data(), 12), 0)
            << ascending[i] << " < " << ascending[i + 1];
        EXPECT_GT(db::compareKeys('N', b.data(), a.data(), 12), 0);
    }
    KeyExpression date("PurchDate", l.fields);
    EXPECT_EQ(date.type(), 'D');
    l.set(r, "PurchDate", "20000101", false);
    std::string d = date.evaluate(r.data());
    double julian = 0;
    std::memcpy(&julian, d.data(), 8);
    EXPECT_EQ(julian, 2451545.0);
}

TEST(KeyExpression, ErrorsSayWhatIsWrong) {
    Layout l;
    struct Case {
        const char *expr;
        const char *says;
    } cases[] = {
        {"", "empty"},
        {"Nosuch", "no field named Nosuch"},
        {"Upper(Cost)", "character"},
        {"DTOS(Category)", "date"},
        {"STR(Category,5)", "numeric"},
        {"Category+Cost", "cannot combine"},
        {"Left(Category,Quantity)", "whole number"},
        {"Upper(Category", "')' expected"},
        {"Soundex(Category)", "SOUNDEX() is not supported"},
        {"Descriptio+Category", "1 to 100"},
        {"Category Category", "unexpected text"},
        {"'abc", "not closed"},
        {"Category-Category", "not supported"},
    };
    for (const Case &c : cases) {
        try {
            KeyExpression key(c.expr, l.fields);
            ADD_FAILURE() << c.expr << " compiled";
        } catch (const DbError &e) {
            EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos)
                << c.expr << ": " << e.what();
        }
    }
}

TEST(KeyExpression, EvaluatesManyRecordsWithoutLeftovers) {
    // The object reuses its scratch space: a short value after a long one must not keep
    // bytes of the long one.
    Layout l;
    KeyExpression key("TRIM(Category)+'|'+Upper(Left(Descriptio,4))", l.fields);
    std::string a = l.record();
    l.set(a, "Category", "Electronics", false);
    l.set(a, "Descriptio", "abcdef", false);
    std::string b = l.record();
    l.set(b, "Category", "TV", false);
    EXPECT_EQ(key.evaluate(a.data()), "Electronics|ABCD" + std::string(25 - 16, ' '));
    EXPECT_EQ(key.evaluate(b.data()), "TV|    " + std::string(25 - 7, ' '));
}
