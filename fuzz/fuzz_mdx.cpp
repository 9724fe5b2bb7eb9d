// Feeds arbitrary bytes to the production index reader as an .MDX file: it must open the
// file or throw DbError, and listing, walking (bounded), seeking, counting, checking and a
// key insert and removal on every tag must finish or throw DbError (so must the walk that
// finds a tag's highest record number, which the table's open check uses).
#include "db/engine/db_error.h"
#include "db/engine/mdx_file.h"

#include "fuzz_input_file.h"

#include <cstdint>
#include <string>

namespace {

// Fields that make the sample files' simple tags compile, so the write paths run too.
std::vector<db::FieldDef> fields() {
    return {{"NAME", 'C', 10, 0, 1},
            {"CITY", 'C', 20, 0, 11},
            {"CODE", 'N', 5, 0, 31},
            {"DATE", 'D', 8, 0, 36}};
}

void walkTag(db::MdxFile &file, int tag) {
    db::MdxCursor cursor(file, tag);
    int steps = 0;
    for (bool ok = cursor.first(); ok && steps < 5000; ok = cursor.next())
        ++steps;
    steps = 0;
    for (bool ok = cursor.last(); ok && steps < 5000; ok = cursor.prior())
        ++steps;
    (void)cursor.seek("M");
    (void)cursor.find("A", 1);
    (void)file.count(tag);
    (void)file.highestRecord(tag);
    file.verify(tag);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    static const std::string path = FuzzInputPath("fuzz_mdx", ".mdx");
    if (!WriteFuzzInput(path, data, size))
        return 0;
    try {
        auto file = db::MdxFile::open(path, fields(), 0x57);
        (void)file->tags();
        (void)file->tableName();
        for (int t = 0; t < file->tagCount(); ++t) {
            try {
                walkTag(*file, t);
            } catch (const db::DbError &) {
            }
        }
        for (int t = 0; t < file->tagCount(); ++t) {
            try {
                if (file->tag(t).maintainable && !file->needsRegeneration()) {
                    file->insertKey(t, "", 7);
                    (void)file->removeKey(t, "", 7);
                }
            } catch (const db::DbError &) {
            }
        }
    } catch (const db::DbError &) {
    }
    ::unlink(path.c_str());
    return 0;
}
