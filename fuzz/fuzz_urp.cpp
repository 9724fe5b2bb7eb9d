// Feeds arbitrary bytes to the report definition reader: as a record of STOWKP.URP and as
// one of the earlier HOME.URP. Whatever a record holds, reading it must not overrun, and
// what was read must survive being written and read again unchanged.
#include "reports/report_definition.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    if (const std::optional<ReportDefinition> d = urp::Parse(bytes)) {
        const QByteArray record = urp::Serialize(*d);
        if (record.size() != urp::kRecordSize)
            std::abort();
        const std::optional<ReportDefinition> again = urp::Parse(record);
        // Compared as bytes: a margin that is not a number never equals itself.
        if (!again || urp::Serialize(*again) != record)
            std::abort();
        (void)UsedParts(d->totals);
    }
    if (const std::optional<ReportDefinition> old = urp::ConvertEarlierRecord(bytes)) {
        if (urp::Serialize(*old).size() != urp::kRecordSize)
            std::abort();
    }
    return 0;
}
