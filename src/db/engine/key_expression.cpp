#include "db/engine/key_expression.h"

#include "db/engine/db_error.h"
#include "db/engine/field_codec.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>

namespace db {

namespace {

using CaseMap = std::array<unsigned char, 256>;

CaseMap makeMap(std::initializer_list<std::pair<unsigned char, unsigned char>> high) {
    CaseMap map{};
    for (int i = 0; i < 256; ++i)
        map[i] = static_cast<unsigned char>(i);
    for (int c = 'a'; c <= 'z'; ++c)
        map[c] = static_cast<unsigned char>(c - 0x20);
    for (auto [lower, upper] : high)
        map[lower] = upper;
    return map;
}

const CaseMap &caseMap(CaseTable table) {
    static const CaseMap ascii = makeMap({});
    static const CaseMap cp1252 = [] {
        CaseMap m = makeMap({{0x9A, 0x8A}, {0x9C, 0x8C}, {0x9E, 0x8E}, {0xFF, 0x9F}});
        for (int c = 0xE0; c <= 0xFE; ++c)
            if (c != 0xF7)
                m[c] = static_cast<unsigned char>(c - 0x20);
        return m;
    }();
    static const CaseMap cp437 = makeMap({{0x81, 0x9A},
                                          {0x82, 0x90},
                                          {0x84, 0x8E},
                                          {0x86, 0x8F},
                                          {0x87, 0x80},
                                          {0x91, 0x92},
                                          {0x94, 0x99},
                                          {0xA4, 0xA5}});
    static const CaseMap cp850 = makeMap(
        {{0x81, 0x9A}, {0x82, 0x90}, {0x83, 0xB6}, {0x84, 0x8E}, {0x85, 0xB7}, {0x86, 0x8F},
         {0x87, 0x80}, {0x88, 0xD2}, {0x89, 0xD3}, {0x8A, 0xD4}, {0x8B, 0xD8}, {0x8C, 0xD7},
         {0x8D, 0xDE}, {0x91, 0x92}, {0x93, 0xE2}, {0x94, 0x99}, {0x95, 0xE3}, {0x96, 0xEA},
         {0x97, 0xEB}, {0x9B, 0x9D}, {0xA0, 0xB5}, {0xA1, 0xD6}, {0xA2, 0xE0}, {0xA3, 0xE9},
         {0xA4, 0xA5}, {0xC6, 0xC7}, {0xD0, 0xD1}, {0xE4, 0xE5}, {0xE7, 0xE8}, {0xEC, 0xED}});
    switch (table) {
    case CaseTable::Cp1252:
        return cp1252;
    case CaseTable::Cp437:
        return cp437;
    case CaseTable::Cp850:
        return cp850;
    case CaseTable::Ascii:
        break;
    }
    return ascii;
}

const CaseMap &lowerMap(CaseTable table) {
    static std::array<CaseMap, 4> maps = [] {
        std::array<CaseMap, 4> all{};
        for (int t = 0; t < 4; ++t) {
            const CaseMap &up = caseMap(static_cast<CaseTable>(t));
            for (int i = 0; i < 256; ++i)
                all[t][i] = static_cast<unsigned char>(i);
            for (int i = 0; i < 256; ++i)
                if (up[i] != i)
                    all[t][up[i]] = static_cast<unsigned char>(i);
        }
        return all;
    }();
    return maps[static_cast<int>(table)];
}

__int128 pow10(int n) {
    __int128 v = 1;
    for (int i = 0; i < n; ++i)
        v *= 10;
    return v;
}

constexpr int kMaxKeyLength = 100;
constexpr int kMaxScale = 18;

// Reads the decimal text of an N or F field. Leading blanks, a sign, digits, a point and
// digits; anything after is ignored, and a field with no digits counts as zero.
void parseDecimal(const char *p, int n, __int128 &mantissa, int &scale) {
    mantissa = 0;
    scale = 0;
    int i = 0;
    while (i < n && (p[i] == ' ' || p[i] == '\0'))
        ++i;
    bool negative = false;
    if (i < n && (p[i] == '-' || p[i] == '+')) {
        negative = p[i] == '-';
        ++i;
    }
    int digits = 0;
    while (i < n && p[i] >= '0' && p[i] <= '9') {
        if (digits < 36)
            mantissa = mantissa * 10 + (p[i] - '0');
        if (mantissa != 0)
            ++digits;
        ++i;
    }
    if (i < n && (p[i] == '.' || p[i] == ',')) {
        ++i;
        while (i < n && p[i] >= '0' && p[i] <= '9' && scale < kMaxScale) {
            if (digits < 36) {
                mantissa = mantissa * 10 + (p[i] - '0');
                ++scale;
            }
            if (mantissa != 0)
                ++digits;
            ++i;
        }
    }
    if (negative)
        mantissa = -mantissa;
}

// Rounds mantissa/10^scale to `dec` decimals, half away from zero.
__int128 roundTo(__int128 mantissa, int scale, int dec) {
    if (dec >= scale)
        return mantissa * pow10(dec - scale);
    __int128 div = pow10(scale - dec);
    __int128 q = mantissa / div;
    __int128 r = mantissa % div;
    if (r < 0)
        r = -r;
    if (r * 2 >= div)
        q += mantissa < 0 ? -1 : 1;
    return q;
}

// Decimal text of |v| into buf (no sign), returns its length.
int digitsOf(__int128 v, char *buf) {
    if (v < 0)
        v = -v;
    char tmp[48];
    int n = 0;
    do {
        tmp[n++] = static_cast<char>('0' + static_cast<int>(v % 10));
        v /= 10;
    } while (v != 0);
    for (int i = 0; i < n; ++i)
        buf[i] = tmp[n - 1 - i];
    return n;
}

// STR(x,len,dec) as dBASE writes it; see the header for the rules.
void formatStr(__int128 mantissa, int scale, int len, int dec, char *out) {
    for (int d = dec; d >= 0; --d) {
        __int128 r = roundTo(mantissa, scale, d);
        char digits[48];
        int nd = digitsOf(r, digits);
        bool negative = r < 0;
        // With decimals the integer part is at least "0".
        int intDigits = nd > d ? nd - d : 1;
        int intPart = (negative ? 1 : 0) + intDigits;
        if (intPart > len)
            break;
        int total = intPart + (d > 0 ? 1 + d : 0);
        if (total > len)
            continue; // fewer decimals
        char text[64];
        int t = 0;
        if (negative)
            text[t++] = '-';
        if (nd > d) {
            std::memcpy(text + t, digits, static_cast<size_t>(nd - d));
            t += nd - d;
        } else {
            text[t++] = '0';
        }
        if (d > 0) {
            text[t++] = '.';
            for (int i = 0; i < d - nd; ++i)
                text[t++] = '0';
            int fromDigit = nd > d ? nd - d : 0;
            std::memcpy(text + t, digits + fromDigit, static_cast<size_t>(nd - fromDigit));
            t += nd - fromDigit;
        }
        std::memset(out, ' ', static_cast<size_t>(len - t));
        std::memcpy(out + (len - t), text, static_cast<size_t>(t));
        return;
    }
    std::memset(out, '*', static_cast<size_t>(len));
}

bool validDate(const char *p) {
    for (int i = 0; i < 8; ++i)
        if (p[i] < '0' || p[i] > '9')
            return false;
    return std::memcmp(p, "00000000", 8) != 0;
}

double julianDay(const char *p) {
    const int y = (p[0] - '0') * 1000 + (p[1] - '0') * 100 + (p[2] - '0') * 10 + (p[3] - '0');
    const int m = (p[4] - '0') * 10 + (p[5] - '0');
    const int d = (p[6] - '0') * 10 + (p[7] - '0');
    return static_cast<double>(field_codec::julianDay(y, m, d));
}

// The numeric key from a mantissa and scale: 0x34 + exponent, sign byte, packed digits.
void encodeNumeric(__int128 mantissa, int scale, char *key) {
    std::memset(key, 0, 12);
    if (mantissa == 0) {
        key[0] = 0x34;
        key[1] = 0x01;
        return;
    }
    bool negative = mantissa < 0;
    char digits[48];
    int nd = digitsOf(mantissa, digits);
    // value = 0.d1d2... * 10^e where e = nd - scale
    int exponent = nd - scale;
    int last = nd;
    while (last > 0 && digits[last - 1] == '0')
        --last;
    last = std::min(last, 20);
    key[0] = static_cast<char>(0x34 + exponent);
    key[1] = static_cast<char>(negative ? 0xA9 : 0x29);
    for (int i = 0; i < last; ++i) {
        auto nibble = static_cast<unsigned char>(digits[i] - '0');
        auto &byte = reinterpret_cast<unsigned char &>(key[2 + i / 2]);
        byte = static_cast<unsigned char>(byte | (i % 2 == 0 ? nibble << 4 : nibble));
    }
}

} // namespace

CaseTable caseTableForLanguageDriver(std::uint8_t driver) {
    switch (driver) {
    case 0x03: // Windows ANSI marks and drivers
    case 0x57:
    case 0x58:
    case 0x59:
    case 0x00: // not set: our tables are Windows ANSI
        return CaseTable::Cp1252;
    case 0x01:
    case 0x1B:
    case 0x19:
    case 0x0F:
        return CaseTable::Cp437;
    case 0x02:
    case 0x1A:
    case 0x37:
    case 0x10:
        return CaseTable::Cp850;
    default:
        return CaseTable::Ascii;
    }
}

void upperInPlace(char *bytes, std::size_t n, CaseTable table) {
    const CaseMap &map = caseMap(table);
    auto *p = reinterpret_cast<unsigned char *>(bytes);
    for (std::size_t i = 0; i < n; ++i)
        p[i] = map[p[i]];
}

void encodeNumericKey(std::string_view decimalText, char *key12) {
    __int128 m = 0;
    int scale = 0;
    parseDecimal(decimalText.data(), static_cast<int>(decimalText.size()), m, scale);
    encodeNumeric(m, scale, key12);
}

int compareKeys(char type, const char *a, const char *b, int length) {
    if (type == 'N' && length >= 12) {
        auto ua = reinterpret_cast<const unsigned char *>(a);
        auto ub = reinterpret_cast<const unsigned char *>(b);
        bool za = std::all_of(ua + 2, ua + 12, [](unsigned char c) { return c == 0; });
        bool zb = std::all_of(ub + 2, ub + 12, [](unsigned char c) { return c == 0; });
        int sa = za ? 0 : ((ua[1] & 0x80) ? -1 : 1);
        int sb = zb ? 0 : ((ub[1] & 0x80) ? -1 : 1);
        if (sa != sb)
            return sa < sb ? -1 : 1;
        if (sa == 0)
            return 0;
        int c = 0;
        if (ua[0] != ub[0])
            c = ua[0] < ub[0] ? -1 : 1;
        else
            c = std::memcmp(ua + 2, ub + 2, 10);
        c = c < 0 ? -1 : (c > 0 ? 1 : 0);
        return sa < 0 ? -c : c;
    }
    if (type == 'D' && length >= 8) {
        double x = 0;
        double y = 0;
        std::memcpy(&x, a, 8);
        std::memcpy(&y, b, 8);
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    int c = std::memcmp(a, b, static_cast<size_t>(length));
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

// Recursive-descent compiler from the expression text into the node list.
class KeyCompiler {
public:
    KeyCompiler(KeyExpression &expr, const std::vector<FieldDef> &fields)
        : m_expr(expr), m_fields(fields), m_text(expr.m_text) {}

    int compile() {
        skipSpace();
        if (m_pos >= m_text.size())
            error("the key expression is empty");
        int root = parseSum();
        skipSpace();
        if (m_pos < m_text.size())
            error("unexpected text \"" + m_text.substr(m_pos) + "\"");
        return root;
    }

private:
    using Node = KeyExpression::Node;

    [[noreturn]] void error(const std::string &what) const {
        throw DbError("Invalid key expression \"" + m_text + "\": " + what + ".");
    }

    void skipSpace() {
        while (m_pos < m_text.size() && (m_text[m_pos] == ' ' || m_text[m_pos] == '\t'))
            ++m_pos;
    }

    int add(Node node) {
        m_expr.m_nodes.push_back(std::move(node));
        return static_cast<int>(m_expr.m_nodes.size()) - 1;
    }
    Node &at(int i) { return m_expr.m_nodes[static_cast<size_t>(i)]; }

    int parseSum() {
        int left = parsePrimary();
        for (;;) {
            skipSpace();
            if (m_pos >= m_text.size())
                return left;
            char op = m_text[m_pos];
            if (op != '+' && op != '-')
                return left;
            ++m_pos;
            int right = parsePrimary();
            char lt = at(left).type;
            char rt = at(right).type;
            if (lt == 'C' && rt == 'C') {
                if (op == '-')
                    error("'-' between character values is not supported");
                Node n;
                n.kind = Node::Concat;
                n.type = 'C';
                n.width = at(left).width + at(right).width;
                n.a = left;
                n.b = right;
                left = add(std::move(n));
            } else if (lt == 'N' && rt == 'N') {
                Node n;
                n.kind = op == '+' ? Node::AddN : Node::SubN;
                n.type = 'N';
                n.a = left;
                n.b = right;
                left = add(std::move(n));
            } else {
                error(std::string("cannot combine a value of type ") + lt + " with one of type " +
                      rt + " by '" + op + "'");
            }
        }
    }

    std::string identifier() {
        size_t start = m_pos;
        while (m_pos < m_text.size() &&
               (std::isalnum(static_cast<unsigned char>(m_text[m_pos])) || m_text[m_pos] == '_'))
            ++m_pos;
        return m_text.substr(start, m_pos - start);
    }

    static std::string upper(std::string s) {
        for (char &c : s)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return s;
    }

    int parsePrimary() {
        skipSpace();
        if (m_pos >= m_text.size())
            error("a value is missing at the end");
        char c = m_text[m_pos];
        if (c == '(') {
            ++m_pos;
            int inner = parseSum();
            expect(')');
            return inner;
        }
        if (c == '\'' || c == '"') {
            size_t end = m_text.find(c, m_pos + 1);
            if (end == std::string::npos)
                error("a text literal is not closed");
            Node n;
            n.kind = Node::LiteralC;
            n.literal = m_text.substr(m_pos + 1, end - m_pos - 1);
            n.width = static_cast<int>(n.literal.size());
            m_pos = end + 1;
            return add(std::move(n));
        }
        if ((c >= '0' && c <= '9') || c == '.') {
            size_t start = m_pos;
            while (m_pos < m_text.size() &&
                   ((m_text[m_pos] >= '0' && m_text[m_pos] <= '9') || m_text[m_pos] == '.'))
                ++m_pos;
            Node n;
            n.kind = Node::LiteralN;
            n.type = 'N';
            n.literal = m_text.substr(start, m_pos - start);
            return add(std::move(n));
        }
        if (!std::isalpha(static_cast<unsigned char>(c)) && c != '_')
            error(std::string("unexpected character '") + c + "'");
        size_t namePos = m_pos;
        std::string name = identifier();
        skipSpace();
        if (m_pos < m_text.size() && m_text[m_pos] == '(') {
            ++m_pos;
            return parseFunction(upper(name), namePos);
        }
        return fieldNode(name);
    }

    int fieldNode(const std::string &name) {
        std::string wanted = upper(name);
        for (const FieldDef &f : m_fields) {
            if (upper(f.name) != wanted)
                continue;
            Node n;
            n.kind = Node::FieldC;
            n.offset = f.offset;
            n.length = f.length;
            n.decimals = f.decimals;
            switch (f.type) {
            case 'C':
                n.kind = Node::FieldC;
                n.type = 'C';
                n.width = f.length;
                break;
            case 'N':
            case 'F':
                n.kind = Node::FieldN;
                n.type = 'N';
                break;
            case 'D':
                n.kind = Node::FieldD;
                n.type = 'D';
                n.width = 8;
                break;
            default:
                error("the field " + f.name + " of type " + std::string(1, f.type) +
                      " cannot be used in an index key");
            }
            return add(std::move(n));
        }
        error("there is no field named " + name);
    }

    void expect(char c) {
        skipSpace();
        if (m_pos >= m_text.size() || m_text[m_pos] != c)
            error(std::string("'") + c + "' expected at position " + std::to_string(m_pos + 1));
        ++m_pos;
    }

    // A number argument; must be a literal, since it fixes the key width.
    int literalInt(const char *function) {
        skipSpace();
        bool negative = false;
        if (m_pos < m_text.size() && m_text[m_pos] == '-') {
            negative = true;
            ++m_pos;
            skipSpace();
        }
        size_t start = m_pos;
        while (m_pos < m_text.size() && m_text[m_pos] >= '0' && m_text[m_pos] <= '9')
            ++m_pos;
        if (start == m_pos || m_pos - start > 6)
            error(std::string("the number argument of ") + function + " must be a whole number");
        int v = std::stoi(m_text.substr(start, m_pos - start));
        return negative ? -v : v;
    }

    bool peek(char c) {
        skipSpace();
        return m_pos < m_text.size() && m_text[m_pos] == c;
    }

    int requireType(int node, char type, const char *function) {
        if (at(node).type != type)
            error(std::string(function) + " needs a " +
                  (type == 'C'   ? "character"
                   : type == 'N' ? "numeric"
                                 : "date") +
                  " argument");
        return node;
    }

    static bool matches(const std::string &name, const char *function) {
        size_t full = std::strlen(function);
        if (name.size() > full)
            return false;
        if (name.size() < std::min<size_t>(4, full))
            return false;
        return std::strncmp(name.c_str(), function, name.size()) == 0;
    }

    int parseFunction(const std::string &name, size_t namePos) {
        auto is = [&](const char *f) { return matches(name, f); };
        if (is("UPPER") || is("LOWER")) {
            int arg = requireType(parseSum(), 'C', name.c_str());
            expect(')');
            Node n;
            n.kind = is("UPPER") ? Node::Upper : Node::Lower;
            n.width = at(arg).width;
            n.a = arg;
            return add(std::move(n));
        }
        if (is("LEFT") || is("RIGHT")) {
            bool left = is("LEFT");
            int arg = requireType(parseSum(), 'C', name.c_str());
            expect(',');
            int count = literalInt(name.c_str());
            expect(')');
            int width = std::clamp(count, 0, at(arg).width);
            Node n;
            n.kind = left ? Node::Substr : Node::Right;
            n.width = width;
            n.offset = 0;
            n.length = width;
            n.a = arg;
            return add(std::move(n));
        }
        if (is("SUBSTR")) {
            int arg = requireType(parseSum(), 'C', name.c_str());
            expect(',');
            int start = literalInt(name.c_str());
            int count = at(arg).width;
            if (peek(',')) {
                expect(',');
                count = literalInt(name.c_str());
            }
            expect(')');
            start = std::max(start, 1) - 1;
            int width = std::clamp(std::min(count, at(arg).width - start), 0, at(arg).width);
            Node n;
            n.kind = Node::Substr;
            n.width = width;
            n.offset = start;
            n.length = width;
            n.a = arg;
            return add(std::move(n));
        }
        if (is("TRIM") || is("RTRIM") || is("LTRIM")) {
            int arg = requireType(parseSum(), 'C', name.c_str());
            expect(')');
            Node n;
            n.kind = is("LTRIM") ? Node::LTrim : Node::Trim;
            n.width = at(arg).width;
            n.a = arg;
            return add(std::move(n));
        }
        if (is("STR")) {
            int arg = requireType(parseSum(), 'N', "STR");
            int len = 10;
            int dec = 0;
            if (peek(',')) {
                expect(',');
                len = literalInt("STR");
                if (peek(',')) {
                    expect(',');
                    dec = literalInt("STR");
                }
            }
            expect(')');
            if (len < 1 || len > kMaxKeyLength)
                error("the length of STR must be 1 to 100");
            if (dec < 0 || dec > kMaxScale)
                error("the decimals of STR must be 0 to 18");
            Node n;
            n.kind = Node::Str;
            n.width = len;
            n.decimals = dec;
            n.a = arg;
            return add(std::move(n));
        }
        if (is("DTOS") || is("DTOC")) {
            int arg = requireType(parseSum(), 'D', name.c_str());
            expect(')');
            Node n;
            n.kind = is("DTOS") ? Node::Dtos : Node::Dtoc;
            n.width = 8;
            n.a = arg;
            return add(std::move(n));
        }
        m_pos = namePos;
        error("the function " + name + "() is not supported");
    }

    KeyExpression &m_expr;
    const std::vector<FieldDef> &m_fields;
    const std::string &m_text;
    size_t m_pos = 0;
};

KeyExpression::KeyExpression(std::string_view text, const std::vector<FieldDef> &fields,
                             CaseTable caseTable)
    : m_text(text), m_caseTable(caseTable) {
    KeyCompiler compiler(*this, fields);
    m_root = compiler.compile();
    finish();
}

void KeyExpression::finish() {
    const Node &root = m_nodes[static_cast<size_t>(m_root)];
    m_type = root.type;
    if (m_type == 'N')
        m_length = 12;
    else if (m_type == 'D')
        m_length = 8;
    else
        m_length = root.width;
    if (m_type == 'C' && (m_length < 1 || m_length > kMaxKeyLength))
        throw DbError("Invalid key expression \"" + m_text + "\": the key is " +
                      std::to_string(m_length) + " characters wide; it must be 1 to 100.");
    // Bytes a node may write at its output position (a LEFT of a computed value first
    // writes the whole value); nodes come after their operands in the list.
    std::vector<int> need(m_nodes.size(), 0);
    for (size_t i = 0; i < m_nodes.size(); ++i) {
        const Node &n = m_nodes[i];
        int own = n.width;
        int a = n.a >= 0 ? need[static_cast<size_t>(n.a)] : 0;
        switch (n.kind) {
        case Node::Upper:
        case Node::Lower:
        case Node::Trim:
        case Node::LTrim:
        case Node::Right:
            own = a;
            break;
        case Node::Substr:
            if (m_nodes[static_cast<size_t>(n.a)].kind != Node::FieldC)
                own = a;
            break;
        case Node::Concat:
            own = std::max(a, m_nodes[static_cast<size_t>(n.a)].width +
                                  need[static_cast<size_t>(n.b)]);
            break;
        default:
            break;
        }
        need[i] = own;
    }
    int rootNeed = need[static_cast<size_t>(m_root)];
    m_direct = rootNeed <= m_length;
    m_scratch.assign(static_cast<size_t>(rootNeed) + 1, ' ');
}

int KeyExpression::evalC(int index, const char *record, char *out) const {
    const Node &n = m_nodes[static_cast<size_t>(index)];
    switch (n.kind) {
    case Node::FieldC:
        std::memcpy(out, record + n.offset, static_cast<size_t>(n.width));
        return n.width;
    case Node::LiteralC:
        std::memcpy(out, n.literal.data(), n.literal.size());
        return n.width;
    case Node::Upper: {
        int len = evalC(n.a, record, out);
        upperInPlace(out, static_cast<size_t>(len), m_caseTable);
        return len;
    }
    case Node::Lower: {
        int len = evalC(n.a, record, out);
        const auto &map = lowerMap(m_caseTable);
        auto *p = reinterpret_cast<unsigned char *>(out);
        for (int i = 0; i < len; ++i)
            p[i] = map[p[i]];
        return len;
    }
    case Node::Substr: {
        const Node &arg = m_nodes[static_cast<size_t>(n.a)];
        if (arg.kind == Node::FieldC) {
            // The common LEFT(field,n): copy the slice straight from the record.
            std::memcpy(out, record + arg.offset + n.offset, static_cast<size_t>(n.width));
            return n.width;
        }
        int len = evalC(n.a, record, out);
        int take = std::clamp(len - n.offset, 0, n.length);
        if (n.offset > 0 && take > 0)
            std::memmove(out, out + n.offset, static_cast<size_t>(take));
        return take;
    }
    case Node::Right: {
        int len = evalC(n.a, record, out);
        int take = std::min(len, n.length);
        if (take > 0 && len > take)
            std::memmove(out, out + (len - take), static_cast<size_t>(take));
        return take;
    }
    case Node::Trim: {
        int len = evalC(n.a, record, out);
        while (len > 0 && (out[len - 1] == ' ' || out[len - 1] == '\0'))
            --len;
        return len;
    }
    case Node::LTrim: {
        int len = evalC(n.a, record, out);
        int skip = 0;
        while (skip < len && out[skip] == ' ')
            ++skip;
        if (skip > 0)
            std::memmove(out, out + skip, static_cast<size_t>(len - skip));
        return len - skip;
    }
    case Node::Str: {
        Decimal v = evalN(n.a, record);
        formatStr(v.mantissa, v.scale, n.width, n.decimals, out);
        return n.width;
    }
    case Node::Dtos:
    case Node::Dtoc: {
        const Node &arg = m_nodes[static_cast<size_t>(n.a)];
        const char *d = record + arg.offset;
        bool ok = arg.length >= 8 && validDate(d);
        if (n.kind == Node::Dtos) {
            if (ok)
                std::memcpy(out, d, 8);
            else
                std::memset(out, ' ', 8);
        } else if (ok) {
            const char text[8] = {d[4], d[5], '/', d[6], d[7], '/', d[2], d[3]};
            std::memcpy(out, text, 8);
        } else {
            std::memcpy(out, "  /  /  ", 8);
        }
        return 8;
    }
    case Node::Concat: {
        int left = evalC(n.a, record, out);
        return left + evalC(n.b, record, out + left);
    }
    default:
        break;
    }
    return 0;
}

KeyExpression::Decimal KeyExpression::evalN(int index, const char *record) const {
    const Node &n = m_nodes[static_cast<size_t>(index)];
    Decimal v;
    switch (n.kind) {
    case Node::FieldN:
        parseDecimal(record + n.offset, n.length, v.mantissa, v.scale);
        break;
    case Node::LiteralN:
        parseDecimal(n.literal.data(), static_cast<int>(n.literal.size()), v.mantissa, v.scale);
        break;
    case Node::AddN:
    case Node::SubN: {
        Decimal a = evalN(n.a, record);
        Decimal b = evalN(n.b, record);
        v.scale = std::max(a.scale, b.scale);
        __int128 x = a.mantissa * pow10(v.scale - a.scale);
        __int128 y = b.mantissa * pow10(v.scale - b.scale);
        v.mantissa = n.kind == Node::AddN ? x + y : x - y;
        break;
    }
    default:
        break;
    }
    return v;
}

void KeyExpression::evaluate(const char *record, char *key) const {
    const Node &root = m_nodes[static_cast<size_t>(m_root)];
    if (m_type == 'N') {
        Decimal v = evalN(m_root, record);
        encodeNumeric(v.mantissa, v.scale, key);
        return;
    }
    if (m_type == 'D') {
        const char *d = record + root.offset;
        double j = root.length >= 8 && validDate(d) ? julianDay(d) : 0.0;
        std::memcpy(key, &j, 8);
        return;
    }
    if (m_direct) {
        // No piece writes beyond its place in the key, so it is built in place.
        int len = evalC(m_root, record, key);
        if (len < m_length)
            std::memset(key + len, ' ', static_cast<size_t>(m_length - len));
        return;
    }
    char *scratch = m_scratch.data();
    int len = evalC(m_root, record, scratch);
    std::memcpy(key, scratch, static_cast<size_t>(std::min(len, m_length)));
    if (len < m_length)
        std::memset(key + len, ' ', static_cast<size_t>(m_length - len));
}

std::string KeyExpression::evaluate(const char *record) const {
    std::string key(static_cast<size_t>(m_length), ' ');
    evaluate(record, key.data());
    return key;
}

} // namespace db
