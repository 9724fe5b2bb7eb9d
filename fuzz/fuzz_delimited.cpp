// Feeds arbitrary bytes to the delimited text reader. Whatever it reads must hold no control
// characters and at most 255 characters a value, and, written back in the export's form
// (every field quoted, quotation marks doubled, CR LF), must read back the same.
#include "interchange/delimited_reader.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

using Rows = std::vector<std::vector<std::string>>;

Rows readAll(std::string_view bytes, int fields) {
    delimited::Reader reader(bytes);
    Rows rows;
    while (!reader.atEnd()) {
        std::vector<std::string> row;
        if (delimited::ReadInAsciiRecord(reader, fields,
                                         [&](int, const std::string &v) { row.push_back(v); }))
            rows.push_back(row);
    }
    return rows;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);
    // Names are cut to 20 bytes, or in UTF-8 text to 20 characters (a byte that is not a
    // continuation byte starts one) and at most 80 bytes.
    for (const bool utf8 : {false, true}) {
        delimited::Reader reader(bytes);
        const delimited::FirstLine first = delimited::GetFirstLine(reader, utf8);
        if (first.names.size() > static_cast<std::size_t>(delimited::kMaxFields))
            std::abort();
        for (const std::string &name : first.names) {
            std::size_t units = name.size();
            if (utf8)
                units =
                    static_cast<std::size_t>(std::count_if(name.begin(), name.end(), [](char c) {
                        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
                    }));
            if (name.empty() || units > delimited::kMaxNameLength ||
                name.size() > 4 * delimited::kMaxNameLength)
                std::abort();
        }
    }
    const Rows rows = readAll(bytes, delimited::kMaxFields);
    std::string written;
    for (const auto &row : rows) {
        if (row.empty() || row.size() > static_cast<std::size_t>(delimited::kMaxFields))
            std::abort();
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (row[i].size() > delimited::kMaxValue)
                std::abort();
            for (const char c : row[i])
                if (static_cast<unsigned char>(c) < 32)
                    std::abort();
            if (i > 0)
                written += ',';
            delimited::AppendQuoted(written, row[i]);
        }
        written += "\r\n";
    }
    // A row of one empty value is no record when read back; every other row is the same.
    Rows expected;
    for (const auto &row : rows)
        if (!(row.size() == 1 && row[0].empty()))
            expected.push_back(row);
    if (readAll(written, delimited::kMaxFields) != expected)
        std::abort();
    return 0;
}
