// Feeds arbitrary bytes to the memo reader in each of its three layouts. The first input
// byte picks the layout, the next four a block number; the rest is the memo file.
#include "db/engine/db_error.h"
#include "db/engine/memo_file.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size < 5)
        return 0;
    static const std::string path = "/tmp/fuzz_memo_" + std::to_string(::getpid()) + ".dbt";
    const db::MemoKind kinds[] = {db::MemoKind::DBase3, db::MemoKind::DBase4, db::MemoKind::FoxPro};
    const db::MemoKind kind = kinds[data[0] % 3];
    const std::uint32_t block =
        data[1] | (data[2] << 8) | (data[3] << 16) | (static_cast<std::uint32_t>(data[4]) << 24);
    if (FILE *f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data + 5, 1, size - 5, f);
        std::fclose(f);
    } else {
        return 0;
    }
    try {
        db::MemoFile m(path, kind, false);
        (void)m.read(block);
        for (std::uint32_t b = 1; b < 8; ++b)
            (void)m.read(b);
    } catch (const db::DbError &) {
    }
    return 0;
}
