#include "db/engine/index_agreement.h"

#include "db/engine/db_error.h"
#include "db/engine/dbf_table.h"
#include "db/engine/file_names.h"
#include "db/engine/mdx_file.h"

#include <algorithm>
#include <cctype>

namespace db {

namespace {

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

// The base name an index made for the table would carry: the file name without its
// extension, at most the 16 bytes the header holds.
std::string expectedName(const std::string &tablePath) {
    std::string name = fileNameOf(tablePath);
    const auto dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0)
        name.resize(dot);
    return name.substr(0, 16);
}

} // namespace

std::string IndexDisagreement(MdxFile &index, const DbfTable &table) {
    const std::string owner = index.tableName();
    if (!owner.empty() && !sameName(owner, expectedName(table.path())))
        return "it was made for the table " + owner;
    const std::uint64_t records =
        std::max<std::uint64_t>(table.header().recordCount, table.recordsInFile());
    for (int i = 0; i < index.tagCount(); ++i) {
        const std::string &tag = index.tag(i).name;
        std::uint64_t keys = 0;
        std::uint32_t highest = 0;
        try {
            keys = index.count(i);
            highest = index.highestRecord(i);
        } catch (const DbError &e) {
            const std::string what = e.what();
            const std::string prefix = index.path() + ": ";
            return what.compare(0, prefix.size(), prefix) == 0 ? what.substr(prefix.size()) : what;
        }
        if (keys > records)
            return "its tag " + tag + " holds " + std::to_string(keys) + " keys for " +
                   std::to_string(records) + " records";
        if (highest > records)
            return "its tag " + tag + " has a key of record " + std::to_string(highest) +
                   "; the table has " + std::to_string(records);
    }
    return {};
}

} // namespace db
