// Feeds arbitrary bytes to the memo reader in each of its three layouts. The first input
// byte picks the layout, the next four a block number; the rest is the memo file.
#include "db/engine/db_error.h"
#include "db/engine/memo_file.h"

#include "fuzz_input_file.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size < 5)
        return 0;
    static const std::string path = FuzzInputPath("fuzz_memo", ".dbt");
    const db::MemoKind kinds[] = {db::MemoKind::DBase3, db::MemoKind::DBase4, db::MemoKind::FoxPro};
    const db::MemoKind kind = kinds[data[0] % 3];
    const std::uint32_t block =
        data[1] | (data[2] << 8) | (data[3] << 16) | (static_cast<std::uint32_t>(data[4]) << 24);
    if (!WriteFuzzInput(path, data + 5, size - 5))
        return 0;
    try {
        db::MemoFile m(path, kind, false);
        (void)m.read(block);
        for (std::uint32_t b = 1; b < 8; ++b)
            (void)m.read(b);
    } catch (const db::DbError &) {
    }
    return 0;
}
