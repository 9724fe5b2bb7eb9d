#pragma once

#include "db/engine/field_def.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace db {

// Which letters UPPER() changes. dBASE leaves this to the language driver; we follow the
// code page the driver names:
//  - Ascii:  a-z only (drivers we do not know);
//  - Cp1252: a-z, 0xE0-0xFE except 0xF7 (minus 0x20), 0x9A->0x8A, 0x9C->0x8C, 0x9E->0x8E,
//            0xFF->0x9F; sharp s (0xDF) and micro (0xB5) stay, as Windows does it;
//  - Cp437:  a-z and the accented small letters that have a capital in the code page
//            (c-cedilla, u/e/a/o-umlaut-or-acute pairs, a-ring, ae, n-tilde); small letters
//            without a capital there (a-circumflex, e-grave, ...) stay;
//  - Cp850:  a-z and every small Latin-1 letter to its capital in the code page.
enum class CaseTable { Ascii, Cp1252, Cp437, Cp850 };

// The case table for a table's language driver byte (DBF header byte 29).
[[nodiscard]] CaseTable caseTableForLanguageDriver(std::uint8_t driver);

// Upper-cases `n` bytes in place with a case table.
void upperInPlace(char *bytes, std::size_t n, CaseTable table);

// A compiled index key expression.
//
// Accepted language: field names (case-insensitive), string literals in '...' or "...",
// number literals, `+` (character concatenation, trailing blanks kept; numeric addition of
// numeric operands), `-` between numbers, and the functions (names case-insensitive, and
// as dBASE allows, abbreviated to four or more letters):
//   UPPER(c) LOWER(c) LEFT(c,n) RIGHT(c,n) SUBSTR(c,start[,len]) TRIM(c) RTRIM(c) LTRIM(c)
//   STR(x[,len[,dec]]) DTOS(d) DTOC(d)
// Number arguments of LEFT, RIGHT, SUBSTR and STR must be literals: the width of every key
// is fixed when the tag is made.
//
// Results, as dBASE builds the keys it stores:
//  - A character expression gives a key of type 'C' whose length is the declared width
//    (at most 100); shorter values (TRIM) are padded with blanks to it.
//  - LEFT(c,n) is min(n, width of c) wide and never pads: `Upper(Left(Category,80))` over a
//    C(20) field is 20 wide. The same rule for RIGHT and SUBSTR.
//  - STR(x,len,dec) rounds half away from zero on the decimal digits of the value (never on
//    a binary double), right-aligns in len (default 10, dec default 0); if not all decimals
//    fit it uses as many as fit (rounding again); if the integer part does not fit, len
//    asterisks. A blank numeric field counts as zero. A rounded zero carries no minus sign.
//  - DTOS(d) gives YYYYMMDD; a blank or unreadable date gives 8 blanks. DTOC(d) gives
//    MM/DD/YY (dBASE's default American format), blank "  /  /  ".
//  - A bare numeric expression gives a type 'N' key: 12 bytes of dBASE's decimal floating
//    point (exponent byte, sign byte 0x29/0xA9, packed digits). A bare date field gives a
//    type 'D' key: the Julian day number as a little-endian IEEE double (0 for a blank date).
//
// evaluate() does no allocation: the expression is compiled to a small node list and
// writes into a scratch buffer owned by the object, so one object must not be used by two
// threads at once (the engine is single-threaded).
class KeyExpression {
public:
    // Throws DbError with a readable text (unknown field or function, wrong argument type,
    // key wider than 100, syntax error with its position).
    KeyExpression(std::string_view text, const std::vector<FieldDef> &fields,
                  CaseTable caseTable = CaseTable::Cp1252);

    [[nodiscard]] const std::string &text() const { return m_text; }
    [[nodiscard]] char type() const { return m_type; } // 'C', 'N' or 'D'
    [[nodiscard]] int length() const { return m_length; }

    // Writes exactly length() key bytes for a record buffer (byte 0 = deletion flag, fields
    // at their FieldDef offsets; the buffer must be at least as long as the fields say).
    void evaluate(const char *record, char *key) const;
    [[nodiscard]] std::string evaluate(const char *record) const;

    // The node list; public only so the compiler in the .cpp can build it.
    struct Node {
        enum Kind : std::uint8_t {
            FieldC,
            FieldN,
            FieldD,
            LiteralC,
            LiteralN,
            Upper,
            Lower,
            Substr,
            Right,
            Trim,
            LTrim,
            Str,
            Dtos,
            Dtoc,
            Concat,
            AddN,
            SubN
        } kind = FieldC;
        char type = 'C';    // result type: C, N or D
        int width = 0;      // C: declared width
        int offset = 0;     // field offset, or start (0-based) for Substr
        int length = 0;     // field length, or count for Substr/Right
        int decimals = 0;   // N field decimals; Str: decimals asked for
        int a = -1, b = -1; // operand node indexes
        std::string literal;
    };

private:
    int evalC(int node, const char *record, char *out) const;
    struct Decimal {
        __int128 mantissa = 0;
        int scale = 0;
    };
    Decimal evalN(int node, const char *record) const;
    void finish();

    std::string m_text;
    CaseTable m_caseTable;
    std::vector<Node> m_nodes;
    int m_root = -1;
    char m_type = 'C';
    int m_length = 0;
    bool m_direct = false;
    mutable std::vector<char> m_scratch;

    friend class KeyCompiler;
};

// dBASE's 12-byte numeric key for a decimal value given as text ("-12.50", "  7", "");
// blank or unreadable text gives the key of zero.
void encodeNumericKey(std::string_view decimalText, char *key12);

// Orders two keys of a tag of the given type: 'C' plain unsigned bytes, 'N' by numeric
// value, 'D' by the double. Returns <0, 0, >0.
[[nodiscard]] int compareKeys(char type, const char *a, const char *b, int length);

} // namespace db
