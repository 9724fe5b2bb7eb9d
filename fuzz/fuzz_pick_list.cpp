// Feeds arbitrary bytes to the pick-list reader; what it reads must be written and read back
// unchanged.
#include "edit/pick_list_format.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const QStringList entries = picklists::ParseListFile(
        QByteArrayView(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size)));
    bool lossless = false;
    const QByteArray written = picklists::FormatListFile(entries, &lossless);
    if (!lossless || picklists::ParseListFile(written) != entries)
        std::abort();
    return 0;
}
