#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cctype>
#include <cstdint>
#include <cstring>
#include <string>

// Report definition records written byte by byte from the file layout, independently of
// the program's own writer: the oracle the definition file tests compare against.
namespace urpbytes {

inline constexpr int kRecord = 20622;
inline constexpr int kOldRecord = 19831;

struct Part {
    std::string name;
    int number = 0;
    int width = 0;
    std::string label;
};

inline void putString(QByteArray &rec, int offset, int capacity, const std::string &text) {
    const int n = std::min<int>(static_cast<int>(text.size()), capacity);
    rec[offset] = static_cast<char>(n);
    std::memcpy(rec.data() + offset + 1, text.data(), static_cast<std::size_t>(n));
}

inline void put16(QByteArray &rec, int offset, int value) {
    rec[offset] = static_cast<char>(value & 0xFF);
    rec[offset + 1] = static_cast<char>((value >> 8) & 0xFF);
}

inline void putDouble(QByteArray &rec, int offset, double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, 8);
    for (int i = 0; i < 8; ++i)
        rec[offset + i] = static_cast<char>((bits >> (8 * i)) & 0xFF);
}

inline void putLine(QByteArray &rec, int offset, const std::vector<Part> &parts) {
    for (int i = 0; i < 20; ++i) {
        const int o = offset + i * 75;
        Part p{"<FILLER>", 0, 0, ""};
        if (i < static_cast<int>(parts.size()))
            p = parts[static_cast<std::size_t>(i)];
        putString(rec, o, 30, p.name);
        rec[o + 31] = static_cast<char>(p.number);
        put16(rec, o + 32, p.width);
        putString(rec, o + 34, 40, p.label);
    }
}

inline const std::vector<Part> &emptyLine() {
    static const std::vector<Part> line{{"<FILLER>", 0, 150, ""}};
    return line;
}

// Field numbers of the field keys, from the catalogue's order.
inline int fieldNumber(const std::string &key) {
    static const char *const keys[] = {
        "Item",       "Brand",    "Model",    "Serial",    "Location", "Descriptio",
        "BoughtFrom", "IDMarks",  "Quantity", "PurchDate", "Cost",     "Category",
        "RepCost",    "Warranty", "WarDate",  "WarNotes",  "Owner",    "Value",
        "UserDef1",   "UserDef2", "UserDef3", "UserDef4"};
    for (int i = 0; i < 22; ++i)
        if (key == keys[i])
            return i + 1;
    return -1;
}

// A line written as the definition tables write them: "Item (32), filler (1), "Cost:" (7)".
inline std::vector<Part> line(const std::string &spec) {
    std::vector<Part> parts;
    std::size_t at = 0;
    while (at < spec.size()) {
        while (at < spec.size() &&
               (std::isspace(static_cast<unsigned char>(spec[at])) || spec[at] == ','))
            ++at;
        if (at >= spec.size())
            break;
        std::string content;
        if (spec[at] == '"') {
            const std::size_t close = spec.find('"', at + 1);
            content = spec.substr(at, close - at + 1);
            at = close + 1;
        } else {
            const std::size_t open = spec.find(" (", at);
            content = spec.substr(at, open - at);
            at = open;
        }
        const std::size_t open = spec.find('(', at);
        const std::size_t close = spec.find(')', open);
        const int width = std::stoi(spec.substr(open + 1, close - open - 1));
        at = close + 1;
        if (content == "filler")
            parts.push_back({"<FILLER>", 0, width, ""});
        else if (content.front() == '"')
            parts.push_back({"<LABEL>", 0, width, content.substr(1, content.size() - 2)});
        else
            parts.push_back({content, fieldNumber(content), width, ""});
    }
    return parts;
}

struct Definition {
    std::string name;
    int cpl = 120;
    int size = 8;
    std::string face = "Arial";
    bool bold[5] = {false, false, false, false, false};
    bool headers = true, pageNumbers = true, landscape = false, date = true, totals = true;
    int lines = 1;
    std::vector<Part> totalsLine = emptyLine();
    double margins[4] = {0.5, 0.5, 0.5, 0.5};
    bool vert = false, horz = false;
    std::string titles[3];
    std::vector<std::vector<Part>> body; // missing slots are empty lines
    bool level1 = true, level2 = false;
};

inline QByteArray record(const Definition &d) {
    QByteArray rec(kRecord, '\0');
    putString(rec, 0, 30, d.name);
    put16(rec, 31, d.cpl);
    for (int f = 0; f < 5; ++f) {
        const int o = 33 + 61 * f;
        putString(rec, o, 50, d.face);
        put16(rec, o + 51, d.size);
        rec[o + 53] = d.bold[f] ? 1 : 0;
    }
    rec[338] = d.headers;
    rec[339] = d.pageNumbers;
    rec[340] = d.landscape;
    rec[341] = d.date;
    rec[342] = d.totals;
    put16(rec, 343, d.lines);
    putLine(rec, 345, d.totalsLine);
    for (int m = 0; m < 4; ++m)
        putDouble(rec, 1845 + 8 * m, d.margins[m]);
    rec[1877] = d.vert;
    rec[1878] = d.horz;
    for (int t = 0; t < 3; ++t)
        putString(rec, 1879 + 81 * t, 80, d.titles[t]);
    for (int n = 0; n < 12; ++n)
        putLine(rec, 2122 + 1500 * n,
                n < static_cast<int>(d.body.size()) ? d.body[static_cast<std::size_t>(n)]
                                                    : emptyLine());
    rec[20122] = d.level1;
    rec[20123] = d.level2;
    return rec;
}

// Where in a record an offset lies, for failure messages.
inline std::string fieldAt(int offset) {
    if (offset < 31)
        return "name";
    if (offset < 33)
        return "characters per line";
    if (offset < 338)
        return "font " + std::to_string((offset - 33) / 61 + 1) + " byte " +
               std::to_string((offset - 33) % 61);
    if (offset < 343)
        return "flag at " + std::to_string(offset);
    if (offset < 345)
        return "number of lines";
    if (offset < 1845)
        return "totals part " + std::to_string((offset - 345) / 75 + 1) + " byte " +
               std::to_string((offset - 345) % 75);
    if (offset < 1877)
        return "margins";
    if (offset < 1879)
        return "lines flags";
    if (offset < 2122)
        return "titles";
    if (offset < 20122)
        return "body line " + std::to_string((offset - 2122) / 1500 + 1) + " part " +
               std::to_string((offset - 2122) % 1500 / 75 + 1) + " byte " +
               std::to_string((offset - 2122) % 75);
    if (offset < 20124)
        return "group flags";
    return "reserved";
}

// The first offset where two records differ, or -1.
inline int firstDifference(const QByteArray &a, const QByteArray &b) {
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i)
        if (a[i] != b[i])
            return static_cast<int>(i);
    return a.size() == b.size() ? -1 : static_cast<int>(n);
}

// An earlier-version record (HOME.URP).
struct OldDefinition {
    std::string name;
    int cpl = 90;
    bool headers = true, pageNumbers = true, totals = true;
    int lines = 1;
    std::vector<Part> totalsLine = emptyLine();
    std::string titles[3];
    std::vector<std::vector<Part>> body;
};

inline QByteArray oldRecord(const OldDefinition &d) {
    QByteArray rec(kOldRecord, '\0');
    putString(rec, 0, 30, d.name);
    put16(rec, 31, d.cpl);
    for (int i = 33; i < 83; ++i)
        rec[i] = static_cast<char>(0xA5); // the unused old bytes
    rec[83] = d.headers;
    rec[84] = d.pageNumbers;
    rec[85] = d.totals;
    put16(rec, 86, d.lines);
    putLine(rec, 88, d.totalsLine);
    for (int t = 0; t < 3; ++t)
        putString(rec, 1588 + 81 * t, 80, d.titles[t]);
    for (int n = 0; n < 12; ++n)
        putLine(rec, 1831 + 1500 * n,
                n < static_cast<int>(d.body.size()) ? d.body[static_cast<std::size_t>(n)]
                                                    : emptyLine());
    return rec;
}

} // namespace urpbytes
