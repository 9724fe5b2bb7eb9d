// Feeds arbitrary bytes to the table reader as a .DBF file: it must open the file or throw
// DbError, and every record, field and memo of an opened file must read or throw DbError.
#include "db/engine/db_error.h"
#include "db/engine/dbf_table.h"

#include "fuzz_input_file.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    static const std::string path = FuzzInputPath("fuzz_dbf", ".dbf");
    if (!WriteFuzzInput(path, data, size))
        return 0;
    try {
        db::DbfTable t(path, db::OpenMode::ReadOnly);
        const std::uint32_t n = std::min<std::uint32_t>(t.recordCount(), 2000);
        for (std::uint32_t r = 1; r <= n; ++r) {
            const std::string rec(t.record(r));
            for (int i = 0; i < t.fieldCount(); ++i) {
                try {
                    (void)t.textUtf8(rec, i);
                    (void)t.number(rec, i);
                    (void)t.decimalText(rec, i);
                    (void)t.integer(rec, i);
                    (void)t.currency(rec, i);
                    (void)t.date(rec, i);
                    (void)t.logical(rec, i);
                    (void)t.isBlank(rec, i);
                } catch (const db::DbError &) {
                }
            }
        }
    } catch (const db::DbError &) {
    }
    return 0;
}
