// Feeds arbitrary bytes to the settings file parser and the settings record: any input must
// load without a crash, and once saved, the file must read back to itself, so a damaged
// configuration does not keep changing each time the program starts and closes. (The first
// save may still change it: a value cut to its capacity can end in a blank that the next
// read trims, as the profile format does.)
#include "settings/profile_file.h"
#include "settings/settings.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

namespace {

QByteArray savedFrom(const ProfileFile &loaded) {
    Settings settings(QStringLiteral("/nonexistent"));
    settings.load(loaded);
    ProfileFile out = loaded;
    settings.save(out);
    return out.toBytes();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size > 1 << 16)
        return 0;
    const QByteArray input(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const QByteArray once = savedFrom(ProfileFile::fromBytes(input));
    const QByteArray twice = savedFrom(ProfileFile::fromBytes(once));
    const QByteArray thrice = savedFrom(ProfileFile::fromBytes(twice));
    if (twice != thrice)
        std::abort();
    return 0;
}
