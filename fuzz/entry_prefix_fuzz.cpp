// Reads the first bytes of an entry described by the input's first 16 bytes (offset, stored
// size, size, flags, limit) in an archive made of the rest, and checks them against the whole
// entry read the ordinary way: the prefix is never longer than asked, and is the start of
// what the whole read gives whenever that succeeds.
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "archive/archive_errors.h"
#include "archive/entry_reader.h"
#include "platform/little_endian.h"
#include "platform/read_only_file.h"

namespace {

constexpr std::size_t kParameters = 16;
// Whole reads above this are skipped: a stated size of gigabytes would only measure time.
constexpr std::int64_t kLargestWholeRead = 1 << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < kParameters) return 0;
    static const std::string path = "/tmp/kelvane-prefix-fuzz-" + std::to_string(getpid());
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data + kParameters),
               std::streamsize(size - kParameters));
    kelvane::ReadOnlyFile file;
    if (!file.open(path)) return 0;

    kelvane::CatalogueEntry entry;
    entry.offset = kelvane::readLittle32(data);
    entry.storedSize = kelvane::readLittle32(data + 4);
    entry.size = kelvane::readLittle32(data + 8);
    const std::uint8_t flags = data[12];
    entry.compressed = (flags & 1) != 0;
    // Mostly sizes near the data, sometimes whatever the input says.
    if ((flags & 2) == 0) entry.size %= 1u << 20;
    const std::size_t limit = data[13] | data[14] << 8 | data[15] << 16;

    std::string prefix;
    bool prefixRead = true;
    try {
        prefix = kelvane::readEntryPrefix(file, entry, limit);
    } catch (const kelvane::DamagedEntry&) {
        prefixRead = false;
    }
    if (prefix.size() > limit) std::abort();

    const std::int64_t stated = entry.compressed ? entry.size : entry.storedSize;
    if (stated > kLargestWholeRead) return 0;
    std::string start;
    try {
        kelvane::readEntry(file, entry, [&](const char* bytes, std::size_t count) {
            start.append(bytes, std::min(count, limit - std::min(limit, start.size())));
        });
    } catch (const kelvane::DamagedEntry&) {
        return 0;
    }
    if (!prefixRead || prefix != start) std::abort();
    return 0;
}
