#include "db/engine/db_error.h"
#include "db/engine/mdx_file.h"
#include "mdx_test_support.h"
#include "test_paths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <map>
#include <random>
#include <sstream>

using db::DbError;
using db::FieldDef;
using db::MdxCursor;
using db::MdxFile;
using mdxtest::Scratch;

namespace {

const char *const kSamples[] = {"ACCT_REC", "CLIENT",   "CODES",  "NAMES",
                                "PEOPLE",   "STOKPRIC", "TESTGEN"};

std::string samplePath(const std::string &base, const char *ext) {
    return std::string(test_paths::kSamplesDir) + "/blipper/" + base + ext;
}

std::string oracle() {
    return std::string(test_paths::kOraclesDir) + "/mdx_keys.pl";
}

// Lines "recno<TAB>..." of the oracle's walk, as record numbers and the bracketed C key.
std::vector<std::pair<std::uint32_t, std::string>> oracleWalk(const std::string &mdx,
                                                              const std::string &tag, char type) {
    std::vector<std::pair<std::uint32_t, std::string>> out;
    std::istringstream in(mdxtest::run(oracle() + " '" + mdx + "' " + tag));
    std::string line;
    while (std::getline(in, line)) {
        size_t tab = line.find('\t');
        std::uint32_t recno = static_cast<std::uint32_t>(std::stoul(line.substr(0, tab)));
        std::string key;
        if (type == 'C' && line.size() > tab + 2)
            key = line.substr(tab + 2, line.size() - tab - 3);
        out.emplace_back(recno, key);
    }
    return out;
}

// The inventory-like fields our own tests index.
struct Inventory {
    std::vector<FieldDef> fields;
    int length = 1;
    Inventory() {
        add("Item", 'C', 40);
        add("Descriptio", 'C', 110);
        add("PurchDate", 'D', 8);
        add("Cost", 'N', 12, 2);
        add("Category", 'C', 20);
    }
    void add(const char *name, char type, int len, int dec = 0) {
        fields.push_back({name, type, len, dec, length});
        length += len;
    }
    [[nodiscard]] std::string record(const std::string &item, const std::string &category,
                                     const std::string &date, double cost) const {
        std::string r(static_cast<size_t>(length), ' ');
        r.replace(1, std::min<size_t>(item.size(), 40), item.substr(0, 40));
        r.replace(151, date.size(), date);
        char num[16];
        std::snprintf(num, sizeof num, "%12.2f", cost);
        r.replace(159, 12, num);
        r.replace(171, std::min<size_t>(category.size(), 20), category.substr(0, 20));
        return r;
    }
};

std::string randomWord(std::mt19937 &rng, int maxLength) {
    static const char letters[] = "abcdeABCDE \xE9";
    std::string s;
    int n = static_cast<int>(rng() % static_cast<unsigned>(maxLength + 1));
    for (int i = 0; i < n; ++i)
        s += letters[rng() % (sizeof letters - 1)];
    return s;
}

} // namespace

TEST(MdxSamples, ListAndWalkLikeTheIndependentReader) {
    if (!mdxtest::haveOracle())
        GTEST_SKIP() << "Perl XBase (libdbd-xbase-perl) is not installed";
    int tagsSeen = 0;
    for (const char *base : kSamples) {
        std::string path = samplePath(base, ".MDX");
        auto file = MdxFile::open(path, {}, 0x1B, MdxFile::Access::ReadOnly);
        std::string listing = mdxtest::run(oracle() + " '" + path + "'");
        ASSERT_GT(file->tagCount(), 0) << base;
        for (int t = 0; t < file->tagCount(); ++t) {
            const db::MdxTagInfo &info = file->tag(t);
            std::ostringstream expect;
            expect << "type=" << info.keyType << " klen=" << info.keyLength;
            std::string line = listing.substr(listing.find(info.name + " "));
            line = line.substr(0, line.find('\n'));
            EXPECT_NE(line.find(expect.str()), std::string::npos) << line;
            EXPECT_NE(line.find("expr=[" + info.expression + "]"), std::string::npos) << line;

            auto ours = mdxtest::walk(*file, t);
            auto theirs = oracleWalk(path, info.name, info.keyType);
            ASSERT_EQ(ours.size(), theirs.size()) << base << " " << info.name;
            for (size_t i = 0; i < ours.size(); ++i) {
                EXPECT_EQ(ours[i].first, theirs[i].first) << base << " " << info.name << " #" << i;
                if (info.keyType == 'C') {
                    EXPECT_EQ(ours[i].second, theirs[i].second);
                }
            }
            EXPECT_EQ(file->count(t), ours.size());
            EXPECT_NO_THROW(file->verify(t)) << base << " " << info.name;
            // Backwards gives the same entries reversed.
            MdxCursor back(*file, t);
            size_t i = ours.size();
            for (bool ok = back.last(); ok; ok = back.prior()) {
                ASSERT_GT(i, 0u);
                --i;
                EXPECT_EQ(back.recno(), ours[i].first);
            }
            EXPECT_EQ(i, 0u);
            ++tagsSeen;
        }
    }
    EXPECT_EQ(tagsSeen, 14);
}

// Our expressions, evaluated on the tables' records, must give the very keys dBASE stored:
// every record is found by its computed key in every tag.
TEST(MdxSamples, ComputedKeysMatchTheKeysDbaseWrote) {
    int checked = 0;
    for (const char *base : kSamples) {
        mdxtest::SampleTable table(samplePath(base, ".DBF"));
        auto file = MdxFile::open(samplePath(base, ".MDX"), table.fields, table.languageDriver,
                                  MdxFile::Access::ReadOnly);
        for (int t = 0; t < file->tagCount(); ++t) {
            const db::MdxTagInfo &info = file->tag(t);
            ASSERT_TRUE(info.maintainable) << base << " " << info.name << ": " << info.problem;
            MdxCursor cursor(*file, t);
            for (size_t r = 0; r < table.records.size(); ++r) {
                const std::string &rec = table.records[r];
                EXPECT_TRUE(cursor.findRecord(static_cast<std::uint32_t>(r + 1), rec.data()))
                    << base << " " << info.name << " record " << r + 1 << " key ["
                    << file->keyFor(t, rec.data()) << "]";
                ++checked;
            }
        }
    }
    EXPECT_GT(checked, 300);
}

TEST(MdxSamples, SeekFindsTheFirstKeyNotBelow) {
    mdxtest::SampleTable table(samplePath("NAMES", ".DBF"));
    auto file = MdxFile::open(samplePath("NAMES", ".MDX"), table.fields, table.languageDriver,
                              MdxFile::Access::ReadOnly);
    int tag = file->findTag("name");
    ASSERT_GE(tag, 0);
    auto all = mdxtest::walk(*file, tag);
    MdxCursor c(*file, tag);
    for (size_t i = 0; i < all.size(); ++i) {
        // A full key finds the first entry with that key.
        ASSERT_TRUE(c.seek(all[i].second));
        size_t first = i;
        while (first > 0 && all[first - 1].second == all[i].second)
            --first;
        EXPECT_EQ(c.recno(), all[first].first);
        // A prefix finds the first key starting with it or above.
        std::string prefix = all[i].second.substr(0, 3);
        ASSERT_TRUE(c.seek(prefix));
        auto it = std::find_if(all.begin(), all.end(), [&](const auto &e) {
            return e.second.compare(0, prefix.size(), prefix) >= 0;
        });
        EXPECT_EQ(c.recno(), it->first) << prefix;
    }
    EXPECT_FALSE(c.seek("\xFF\xFF"));
    EXPECT_FALSE(c.valid());
    EXPECT_TRUE(c.seek(""));
    EXPECT_EQ(c.recno(), all.front().first);
}

TEST(MdxSamples, TagsThisProgramCannotEvaluateAreReadOnly) {
    Scratch dir;
    std::string copy = dir.file("ACCT_REC.MDX");
    mdxtest::writeBytes(copy, mdxtest::readBytes(samplePath("ACCT_REC", ".MDX")));
    // Without the table's fields no expression compiles.
    auto file = MdxFile::open(copy, {}, 0x1B);
    ASSERT_EQ(file->tagCount(), 3);
    EXPECT_FALSE(file->tag(0).maintainable);
    try {
        file->requireWritable();
        ADD_FAILURE() << "writable";
    } catch (const DbError &e) {
        EXPECT_NE(std::string(e.what()).find("CUST_ID"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("ACCT_REC.MDX"), std::string::npos);
    }
    std::string record(100, ' ');
    EXPECT_THROW(file->insertRecord(6, record.data()), DbError);
    EXPECT_THROW(file->regenerate(mdxtest::sourceOf({})), DbError);
    EXPECT_EQ(mdxtest::readBytes(copy), mdxtest::readBytes(samplePath("ACCT_REC", ".MDX")));
    // Reading still works.
    EXPECT_EQ(mdxtest::walk(*file, 1).size(), 5u);
}

// A table of 5,000 records with keys wide enough (84-byte items, 12 per node) to make a
// four-level tree, changed at random: the index must always hold exactly the live records
// in (key, record number) order, for us and for the independent reader.
TEST(MdxFile, RandomInsertsAndDeletesKeepTheTreeExact) {
    Scratch dir;
    Inventory inv;
    std::mt19937 rng(20261208);
    const int n = 5000;
    std::vector<std::string> records(n);
    for (int i = 0; i < n; ++i)
        records[static_cast<size_t>(i)] =
            inv.record(randomWord(rng, 3), randomWord(rng, 2), "2001030" + std::to_string(i % 10),
                       static_cast<double>(rng() % 1000) / 4);
    std::string path = dir.file("T.MDX");
    auto file = MdxFile::create(path, inv.fields, 0x57);
    // Half the records exist when the tag is made; the rest arrive one by one.
    std::vector<std::string> initial(records.begin(), records.begin() + n / 2);
    file->addTag("NewIndex", "Upper(Left(Item,40))+Upper(Left(Category,40))+DTOS(PurchDate)",
                 mdxtest::sourceOf(initial));
    file->addTag("COST", "STR(Cost,12,2)+Item", mdxtest::sourceOf(initial));
    ASSERT_EQ(file->tag(0).keyLength, 68);
    std::vector<bool> live(n, false);
    for (int i = 0; i < n / 2; ++i)
        live[static_cast<size_t>(i)] = true;
    for (int step = 0; step < 12000; ++step) {
        auto r = static_cast<size_t>(rng() % n);
        auto recno = static_cast<std::uint32_t>(r + 1);
        int action = static_cast<int>(rng() % 3);
        if (!live[r]) {
            file->insertRecord(recno, records[r].data());
            live[r] = true;
        } else if (action == 0) {
            std::string deleted = records[r];
            deleted[0] = '*';
            file->updateRecord(recno, records[r].data(), deleted.data());
            live[r] = false;
        } else {
            // An edit that moves the record in the index.
            std::string changed =
                inv.record(randomWord(rng, 3), randomWord(rng, 2), "20020101", 1.5);
            file->updateRecord(recno, records[r].data(), changed.data());
            records[r] = changed;
        }
        if (step % 3000 == 0) {
            ASSERT_NO_THROW(file->verify(0)) << "step " << step;
            ASSERT_NO_THROW(file->verify(1)) << "step " << step;
        }
    }
    for (int t = 0; t < 2; ++t) {
        std::vector<std::pair<std::string, std::uint32_t>> expected;
        for (int i = 0; i < n; ++i)
            if (live[static_cast<size_t>(i)])
                expected.emplace_back(file->keyFor(t, records[static_cast<size_t>(i)].data()),
                                      static_cast<std::uint32_t>(i + 1));
        std::sort(expected.begin(), expected.end());
        auto ours = mdxtest::walk(*file, t);
        ASSERT_EQ(ours.size(), expected.size());
        for (size_t i = 0; i < ours.size(); ++i) {
            ASSERT_EQ(ours[i].first, expected[i].second) << "tag " << t << " #" << i;
            ASSERT_EQ(ours[i].second, expected[i].first);
        }
        EXPECT_EQ(file->count(t), expected.size());
        EXPECT_NO_THROW(file->verify(t));
    }
    // Seen from a fresh open as well.
    file.reset();
    auto again = MdxFile::open(path, inv.fields, 0x57);
    EXPECT_FALSE(again->needsRegeneration());
    ASSERT_EQ(again->tagCount(), 2);
    EXPECT_EQ(again->tag(1).expression, "STR(Cost,12,2)+Item");

    if (!mdxtest::haveOracle())
        GTEST_SKIP() << "Perl XBase (libdbd-xbase-perl) is not installed";
    for (const char *tag : {"NEWINDEX", "COST"}) {
        int status = -1;
        std::string out = mdxtest::run(oracle() + " --check '" + path + "' " + tag, &status);
        EXPECT_EQ(status, 0) << out;
        auto theirs = oracleWalk(path, tag, 'C');
        auto ours = mdxtest::walk(*again, again->findTag(tag));
        ASSERT_EQ(theirs.size(), ours.size());
        for (size_t i = 0; i < ours.size(); ++i)
            ASSERT_EQ(theirs[i].first, ours[i].first) << tag << " #" << i;
    }
    std::string listing = mdxtest::run(oracle() + " '" + path + "'");
    EXPECT_NE(listing.find("NEWINDEX   type=C klen=68 itemlen=72 maxkeys=14"), std::string::npos)
        << listing;
    EXPECT_NE(listing.find("lang=0x57"), std::string::npos);
}

TEST(MdxFile, ManyEqualKeysStayInRecordOrder) {
    // One category for everything: all keys equal, so the record number alone orders them,
    // across many nodes; inserting out of order and removing from the middle must keep it.
    Scratch dir;
    Inventory inv;
    std::string same = inv.record("x", "Tools", "20010101", 1);
    std::vector<std::string> none;
    auto file = MdxFile::create(dir.file("E.MDX"), inv.fields, 0x57);
    file->addTag("CAT", "Upper(Left(Category,80))", mdxtest::sourceOf(none));
    std::vector<std::uint32_t> order;
    for (std::uint32_t r = 1; r <= 3000; ++r)
        order.push_back(r);
    std::shuffle(order.begin(), order.end(), std::mt19937(7));
    for (std::uint32_t r : order)
        file->insertRecord(r, same.data());
    for (std::uint32_t r = 1; r <= 3000; r += 3)
        file->removeRecord(r, same.data());
    auto all = mdxtest::walk(*file, 0);
    ASSERT_EQ(all.size(), 2000u);
    for (size_t i = 1; i < all.size(); ++i)
        ASSERT_LT(all[i - 1].first, all[i].first);
    MdxCursor c(*file, 0);
    EXPECT_TRUE(c.find("TOOLS", 1502));
    EXPECT_FALSE(c.find("TOOLS", 1501)); // removed
    EXPECT_FALSE(c.find("TOOLX", 1502));
    EXPECT_TRUE(c.findRecord(2999, same.data()));
    EXPECT_NO_THROW(file->verify(0));
    // Emptying the tag completely leaves a valid empty tree.
    for (std::uint32_t r = 1; r <= 3000; ++r)
        if (r % 3 != 1)
            file->removeRecord(r, same.data());
    EXPECT_EQ(file->count(0), 0u);
    EXPECT_FALSE(c.first());
    EXPECT_FALSE(c.last());
    EXPECT_NO_THROW(file->verify(0));
    file->insertRecord(5, same.data());
    EXPECT_TRUE(c.first());
    EXPECT_EQ(c.recno(), 5u);
}

TEST(MdxFile, CursorContinuesAcrossChanges) {
    Scratch dir;
    Inventory inv;
    std::vector<std::string> records;
    for (int i = 0; i < 300; ++i)
        records.push_back(inv.record("item" + std::to_string(1000 + i), "", "", 0));
    auto file = MdxFile::create(dir.file("C.MDX"), inv.fields, 0x57);
    file->addTag("ITEM", "Upper(Left(Item,40))", mdxtest::sourceOf(records));
    MdxCursor c(*file, 0);
    ASSERT_TRUE(c.seek("ITEM1100"));
    EXPECT_EQ(c.recno(), 101u);
    // The entry under the cursor goes away: next() continues with its successor.
    file->removeRecord(101, records[100].data());
    ASSERT_TRUE(c.next());
    EXPECT_EQ(c.recno(), 102u);
    // New entries before and after the cursor are seen.
    std::string before = inv.record("item1101a", "", "", 0);
    file->insertRecord(400, before.data());
    ASSERT_TRUE(c.prior());
    EXPECT_EQ(c.recno(), 100u); // item1099: item1100 went away
    ASSERT_TRUE(c.next());
    EXPECT_EQ(c.recno(), 102u);
    ASSERT_TRUE(c.next());
    EXPECT_EQ(c.recno(), 400u);
}

TEST(MdxFile, SecondHandleSeesChangesAfterRefresh) {
    Scratch dir;
    Inventory inv;
    std::string path = dir.file("S.MDX");
    std::vector<std::string> records;
    for (int i = 0; i < 50; ++i)
        records.push_back(inv.record("item" + std::to_string(i), "c", "", 0));
    auto writer = MdxFile::create(path, inv.fields, 0x57);
    writer->addTag("ITEM", "Upper(Left(Item,10))", mdxtest::sourceOf(records));
    auto reader = MdxFile::open(path, inv.fields, 0x57);
    MdxCursor rc(*reader, 0);
    ASSERT_TRUE(rc.first());
    for (int i = 0; i < 2000; ++i) {
        std::string r = inv.record("new" + std::to_string(i), "", "", 0);
        writer->insertRecord(static_cast<std::uint32_t>(100 + i), r.data());
    }
    EXPECT_FALSE(reader->needsRegeneration());
    EXPECT_TRUE(reader->refresh());
    EXPECT_FALSE(reader->refresh());
    EXPECT_EQ(reader->count(0), 2050u);
    EXPECT_EQ(mdxtest::walk(*reader, 0).size(), 2050u);
    // The reader writes too (it refreshes itself first) and the writer sees that.
    std::string r = inv.record("zzz", "", "", 0);
    reader->insertRecord(9999, r.data());
    writer->refresh();
    EXPECT_EQ(writer->count(0), 2051u);
    EXPECT_NO_THROW(writer->verify(0));
    // A regeneration replaces the file; the other handle follows it.
    writer->regenerate(mdxtest::sourceOf(records));
    EXPECT_TRUE(reader->refresh());
    EXPECT_EQ(reader->count(0), 50u);
}

TEST(MdxFile, TagsAreAddedDeletedAndRegenerated) {
    Scratch dir;
    Inventory inv;
    std::string path = dir.file("G.MDX");
    std::vector<std::string> records;
    for (int i = 0; i < 500; ++i)
        records.push_back(inv.record("i" + std::to_string(i % 37), "c" + std::to_string(i % 5),
                                     "2001010" + std::to_string(i % 9 + 1), i * 0.25));
    auto file = MdxFile::create(path, inv.fields, 0x57);
    EXPECT_EQ(file->tagCount(), 0);
    file->addTag("A", "Upper(Left(Item,20))", mdxtest::sourceOf(records));
    file->addTag("B", "Cost", mdxtest::sourceOf(records));
    file->addTag("C", "Category+DTOS(PurchDate)", mdxtest::sourceOf(records));
    EXPECT_THROW(file->addTag("b", "Item", mdxtest::sourceOf(records)), DbError);
    EXPECT_THROW(file->addTag("TOOLONGNAME1", "Item", mdxtest::sourceOf(records)), DbError);
    EXPECT_THROW(file->addTag("D", "Nosuch", mdxtest::sourceOf(records)), DbError);
    auto keysOfC = mdxtest::walk(*file, 2);
    file->deleteTag("a");
    ASSERT_EQ(file->tagCount(), 2);
    EXPECT_EQ(file->findTag("A"), -1);
    EXPECT_EQ(file->tag(0).name, "B");
    EXPECT_EQ(mdxtest::walk(*file, file->findTag("C")), keysOfC);
    EXPECT_THROW(file->deleteTag("A"), DbError);

    // Regeneration after a pack: records renumbered, deleted ones gone.
    std::vector<std::string> packed;
    for (size_t i = 0; i < records.size(); i += 2)
        packed.push_back(records[i]);
    packed[0][0] = '*'; // deleted records have no keys
    file->regenerate(mdxtest::sourceOf(packed));
    EXPECT_EQ(file->count(0), packed.size() - 1);
    EXPECT_EQ(file->count(1), packed.size() - 1);
    MdxCursor c(*file, file->findTag("B"));
    ASSERT_TRUE(c.first());
    EXPECT_EQ(c.recno(), 2u); // cost 0.5, the lowest after record 1 was deleted
    ASSERT_TRUE(c.last());
    EXPECT_EQ(c.recno(), packed.size());
    for (int t = 0; t < 2; ++t)
        EXPECT_NO_THROW(file->verify(t));
    // Nothing is left beside the index by its rewrites.
    int files = 0;
    for ([[maybe_unused]] const auto &e :
         std::filesystem::directory_iterator(std::filesystem::path(path).parent_path()))
        ++files;
    EXPECT_EQ(files, 1);

    file->deleteTag("B");
    file->deleteTag("C");
    EXPECT_EQ(file->tagCount(), 0);
    EXPECT_EQ(std::filesystem::file_size(path), 2048u);
    file->addTag("NEWINDEX", "Upper(Left(Category,80))", mdxtest::sourceOf(packed));
    EXPECT_EQ(file->count(0), packed.size() - 1);
}

TEST(MdxFile, ReadOnlyOpenNeverWrites) {
    Scratch dir;
    Inventory inv;
    std::string path = dir.file("R.MDX");
    std::vector<std::string> records{inv.record("a", "", "", 0)};
    {
        auto file = MdxFile::create(path, inv.fields, 0x57);
        file->addTag("A", "Item", mdxtest::sourceOf(records));
    }
    std::string before = mdxtest::readBytes(path);
    auto file = MdxFile::open(path, inv.fields, 0x57, MdxFile::Access::ReadOnly);
    EXPECT_THROW(file->insertRecord(2, records[0].data()), DbError);
    EXPECT_THROW(file->addTag("B", "Item", mdxtest::sourceOf(records)), DbError);
    EXPECT_THROW(file->regenerate(mdxtest::sourceOf(records)), DbError);
    EXPECT_EQ(mdxtest::readBytes(path), before);
}

// A writer killed at any moment leaves a file that is either sound or says it must be
// regenerated.
TEST(MdxFile, KilledWriterLeavesAValidOrFlaggedIndex) {
    Scratch dir;
    Inventory inv;
    std::string path = dir.file("K.MDX");
    std::vector<std::string> records;
    for (int i = 0; i < 20000; ++i)
        records.push_back(inv.record(std::to_string(i * 7919 % 20011), "", "", 0));
    int flagged = 0;
    for (int round = 0; round < 8; ++round) {
        {
            auto file = MdxFile::create(path, inv.fields, 0x57);
            file->addTag("ITEM", "Upper(Left(Item,40))", mdxtest::sourceOf({}));
        }
        // The child reports each modification it begins; the kill lands after a number of
        // them that grows with the round, wherever the child then is.
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(fds[0]);
            try {
                auto file = MdxFile::open(path, inv.fields, 0x57);
                for (std::uint32_t r = 1;; ++r) {
                    MdxFile::UpdateScope scope(*file);
                    (void)!::write(fds[1], &r, sizeof r);
                    file->insertRecord(r, records[r % records.size()].data());
                    if (r % 3 == 0)
                        file->removeRecord(r - 1, records[(r - 1) % records.size()].data());
                }
            } catch (...) {
            }
            ::_exit(0);
        }
        ::close(fds[1]);
        std::uint32_t begun = 0, r = 0;
        while (begun < 300u + static_cast<std::uint32_t>(round) * 900u &&
               ::read(fds[0], &r, sizeof r) == sizeof r)
            ++begun;
        ::kill(child, SIGKILL);
        ::close(fds[0]);
        int status = 0;
        ::waitpid(child, &status, 0);
        auto file = MdxFile::open(path, inv.fields, 0x57);
        if (file->needsRegeneration()) {
            ++flagged;
            EXPECT_THROW(file->insertRecord(1, records[1].data()), DbError);
            file->regenerate(mdxtest::sourceOf(records));
            EXPECT_FALSE(file->needsRegeneration());
            EXPECT_EQ(file->count(0), records.size());
        }
        EXPECT_NO_THROW(file->verify(0)) << "round " << round;
    }
    // Most kills land inside a modification.
    EXPECT_GT(flagged, 0);
}

TEST(MdxFile, UpdateScopeClearsTheMarkerOnlyWhenDone) {
    Scratch dir;
    Inventory inv;
    std::string path = dir.file("U.MDX");
    auto file = MdxFile::create(path, inv.fields, 0x57);
    file->addTag("ITEM", "Item", mdxtest::sourceOf({}));
    std::string r = inv.record("a", "", "", 0);
    {
        MdxFile::UpdateScope scope(*file);
        // The table is written before its keys: the marker must be on disk already.
        EXPECT_TRUE(MdxFile::open(path, inv.fields, 0x57)->needsRegeneration());
        file->insertRecord(1, r.data());
        // Another opener in the middle sees the marker.
        EXPECT_TRUE(MdxFile::open(path, inv.fields, 0x57)->needsRegeneration());
    }
    EXPECT_FALSE(MdxFile::open(path, inv.fields, 0x57)->needsRegeneration());
    try {
        MdxFile::UpdateScope scope(*file);
        file->insertRecord(2, r.data());
        throw std::runtime_error("record write failed");
    } catch (const std::runtime_error &) {
    }
    EXPECT_TRUE(file->needsRegeneration());
    EXPECT_TRUE(MdxFile::open(path, inv.fields, 0x57)->needsRegeneration());
}
