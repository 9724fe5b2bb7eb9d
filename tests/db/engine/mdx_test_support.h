#pragma once

#include "db/engine/field_def.h"
#include "db/engine/mdx_file.h"

#include "support/test_files.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

// Helpers of the index tests: a scratch folder, a minimal reader of sample tables, and the
// independent index reader.
namespace mdxtest {

using Scratch = testfiles::TempDir;
using testfiles::readBytes;
using testfiles::run;
using testfiles::writeBytes;

// The fields and raw records of a dBASE III/IV table, read the simple way (test data only).
struct SampleTable {
    std::vector<db::FieldDef> fields;
    std::vector<std::string> records; // record n at index n - 1
    unsigned char languageDriver = 0;

    explicit SampleTable(const std::string &path) {
        std::string b = readBytes(path);
        auto u16 = [&](size_t at) {
            return static_cast<unsigned>(static_cast<unsigned char>(b[at])) |
                   static_cast<unsigned>(static_cast<unsigned char>(b[at + 1])) << 8;
        };
        unsigned count = u16(4) | u16(6) << 16;
        unsigned headerLength = u16(8);
        unsigned recordLength = u16(10);
        languageDriver = static_cast<unsigned char>(b[29]);
        int offset = 1;
        for (size_t at = 32; at + 32 <= headerLength && b[at] != '\x0D'; at += 32) {
            db::FieldDef f;
            f.name = std::string(b.c_str() + at);
            f.type = b[at + 11];
            f.length = static_cast<unsigned char>(b[at + 16]);
            f.decimals = static_cast<unsigned char>(b[at + 17]);
            f.offset = offset;
            offset += f.length;
            fields.push_back(f);
        }
        for (unsigned i = 0; i < count; ++i) {
            size_t at = headerLength + static_cast<size_t>(i) * recordLength;
            if (at + recordLength > b.size())
                break;
            records.push_back(b.substr(at, recordLength));
        }
    }
};

// True when the independent reader (Perl XBase) is installed.
inline bool haveOracle() {
    static const bool have = [] {
        int status = -1;
        run("perl -MXBase::Index -e 1 2>/dev/null", &status);
        return status == 0;
    }();
    return have;
}

// Every (record number, key) of a tag in cursor order.
inline std::vector<std::pair<std::uint32_t, std::string>> walk(db::MdxFile &file, int tag) {
    std::vector<std::pair<std::uint32_t, std::string>> out;
    db::MdxCursor cursor(file, tag);
    for (bool ok = cursor.first(); ok; ok = cursor.next()) {
        out.emplace_back(cursor.recno(), std::string(cursor.key()));
        if (out.size() > 10'000'000)
            break;
    }
    return out;
}

inline db::RecordSource sourceOf(const std::vector<std::string> &records) {
    return [&records](const db::RecordVisitor &visit) {
        for (size_t i = 0; i < records.size(); ++i)
            visit(static_cast<std::uint32_t>(i + 1), records[i].data());
    };
}

} // namespace mdxtest
