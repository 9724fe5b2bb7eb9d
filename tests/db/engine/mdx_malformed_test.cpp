#include "db/engine/db_error.h"
#include "db/engine/mdx_file.h"
#include "mdx_test_support.h"
#include "test_paths.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

using db::DbError;
using db::MdxFile;

namespace {

std::string sample(const char *name) {
    return mdxtest::readBytes(std::string(test_paths::kSamplesDir) + "/blipper/" + name);
}

std::uint32_t get32(const std::string &b, size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}
void put32(std::string &b, size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + static_cast<size_t>(i)] = static_cast<char>(v >> (8 * i));
}
void put16(std::string &b, size_t at, std::uint16_t v) {
    b[at] = static_cast<char>(v);
    b[at + 1] = static_cast<char>(v >> 8);
}

size_t tagHeader(const std::string &b, int tag) {
    return get32(b, 544 + 32 * tag) * 512u;
}
size_t rootNode(const std::string &b, int tag) {
    return get32(b, tagHeader(b, tag)) * 512u;
}

// Opens the bytes as an index and uses every tag the way the program does. Returns the
// error text, or "" when everything worked.
std::string exercise(const std::string &bytes) {
    mdxtest::Scratch dir;
    std::string path = dir.file("BAD.MDX");
    mdxtest::writeBytes(path, bytes);
    try {
        auto file = MdxFile::open(path, {}, 0x1B, MdxFile::Access::ReadOnly);
        for (int t = 0; t < file->tagCount(); ++t) {
            db::MdxCursor c(*file, t);
            int steps = 0;
            for (bool ok = c.first(); ok && steps < 100000; ok = c.next())
                ++steps;
            for (bool ok = c.last(); ok && steps < 200000; ok = c.prior())
                ++steps;
            (void)c.seek("M");
            (void)file->count(t);
            file->verify(t);
        }
    } catch (const DbError &e) {
        EXPECT_NE(std::string(e.what()).find("BAD.MDX"), std::string::npos) << e.what();
        return e.what();
    }
    return "";
}

} // namespace

TEST(MdxMalformed, DamagedStructuresAreReportedWithTheFileName) {
    const std::string names = sample("NAMES.MDX");
    ASSERT_EQ(exercise(names), "");
    struct Case {
        const char *what;
        std::function<void(std::string &)> damage;
        const char *says;
    } cases[] = {
        {"truncated header", [](std::string &b) { b.resize(1000); }, "too short"},
        {"truncated body", [](std::string &b) { b.resize(b.size() - 3000); }, "outside the file"},
        {"dBASE 7 version", [](std::string &b) { b[0] = 3; }, "version"},
        {"block size", [](std::string &b) { put16(b, 22, 512); }, "1024-byte"},
        {"tag count", [](std::string &b) { put16(b, 28, 200); }, "47"},
        {"tag header page", [](std::string &b) { put32(b, 544, 999); }, "outside the file"},
        {"root page", [](std::string &b) { put32(b, tagHeader(b, 0), 123456); },
         "outside the file"},
        {"key length vs item", [](std::string &b) { put16(b, tagHeader(b, 0) + 12, 200); },
         "disagrees"},
        {"keys per node", [](std::string &b) { put16(b, tagHeader(b, 0) + 14, 500); },
         "do not fit"},
        {"key type", [](std::string &b) { b[tagHeader(b, 0) + 9] = 'X'; }, "key type"},
        {"numeric key length", [](std::string &b) { b[tagHeader(b, 0) + 9] = 'N'; },
         "does not fit its key type"},
        {"node key count", [](std::string &b) { put32(b, rootNode(b, 0), 5000); },
         "more than a node holds"},
        {"child pointer loop",
         [](std::string &b) {
             size_t root = rootNode(b, 0);
             put32(b, root + 8, static_cast<std::uint32_t>(root / 512));
         },
         "deeper than possible"},
        {"child out of range", [](std::string &b) { put32(b, rootNode(b, 0) + 8, 0x7FFFFFF0); },
         "outside the file"},
        {"child is the header", [](std::string &b) { put32(b, rootNode(b, 0) + 8, 1); },
         "outside the file"},
    };
    for (const Case &c : cases) {
        std::string b = names;
        c.damage(b);
        std::string error = exercise(b);
        EXPECT_NE(error.find(c.says), std::string::npos) << c.what << ": [" << error << "]";
    }
}

TEST(MdxMalformed, SharedChildrenAndDisorderFailTheCheck) {
    std::string b = sample("NAMES.MDX");
    size_t root = rootNode(b, 0);
    ASSERT_GT(get32(b, root), 0u) << "NAMES tag 1 must be a two-level tree";
    // Both children of the root are the same leaf: walks end, the check objects.
    std::uint32_t first = get32(b, root + 8);
    size_t itemLength = static_cast<unsigned char>(b[tagHeader(b, 0) + 18]);
    put32(b, root + 8 + get32(b, root) * itemLength, first);
    std::string error = exercise(b);
    EXPECT_NE(error.find("reached twice"), std::string::npos) << error;

    // Two keys swapped inside a leaf.
    std::string c = sample("TESTGEN.MDX");
    size_t leaf = rootNode(c, 0);
    std::string a = c.substr(leaf + 8, 16);
    c.replace(leaf + 8, 16, c.substr(leaf + 24, 16));
    c.replace(leaf + 24, 16, a);
    error = exercise(c);
    EXPECT_NE(error.find("out of order"), std::string::npos) << error;
}

TEST(MdxMalformed, RandomDamageNeverCrashesOrHangs) {
    std::mt19937 rng(99);
    const std::string originals[] = {sample("NAMES.MDX"), sample("ACCT_REC.MDX"),
                                     sample("CODES.MDX")};
    int failures = 0;
    for (int round = 0; round < 300; ++round) {
        std::string b = originals[round % 3];
        int hits = 1 + static_cast<int>(rng() % 8);
        for (int i = 0; i < hits; ++i) {
            size_t at = rng() % b.size();
            // Aim at the interesting places half of the time: tag headers and nodes.
            if (rng() % 2)
                at = 2048 + rng() % (b.size() - 2048);
            b[at] = static_cast<char>(rng());
        }
        if (!exercise(b).empty())
            ++failures;
    }
    EXPECT_GT(failures, 0);
}
