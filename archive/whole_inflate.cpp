#include "archive/whole_inflate.h"

#include <libdeflate.h>

#include <algorithm>
#include <memory>
#include <new>

#include "archive/stream_header.h"
#include "platform/read_only_file.h"

namespace kelvane {
namespace {

// Deflate inflates at most about 1032 bytes from one stored byte.
constexpr std::int64_t kLargestRatio = 1032;

struct DecompressorFree {
    void operator()(libdeflate_decompressor* decompressor) const {
        libdeflate_free_decompressor(decompressor);
    }
};

libdeflate_decompressor& decompressor() {
    thread_local std::unique_ptr<libdeflate_decompressor, DecompressorFree> made(
        libdeflate_alloc_decompressor());
    if (!made) throw std::bad_alloc();
    return *made;
}

}  // namespace

bool inflateWhole(const ReadOnlyFile& file, const CatalogueEntry& entry, const EntrySink& sink,
                  const EntrySink* storedBytes) {
    const std::int64_t available = std::max<std::int64_t>(0, file.size() - entry.offset);
    const std::int64_t storedSize = std::min<std::int64_t>(entry.storedSize, available);
    const std::int64_t size = entry.size;
    if (size > kWholeInflateBound || storedSize > kWholeInflateBound ||
        size > storedSize * kLargestRatio + 64) {
        return false;
    }
    auto stored = std::make_unique_for_overwrite<char[]>(std::size_t(storedSize));
    const std::size_t got = file.readAt(entry.offset, stored.get(), std::size_t(storedSize));
    const StreamKind kind = streamKind(stored.get(), got);
    if (!libdeflateTakes(kind, stored.get(), got)) return false;

    auto inflated = std::make_unique_for_overwrite<char[]>(std::size_t(size));
    std::size_t consumed = 0;
    std::size_t produced = 0;
    const auto result =
        kind == StreamKind::Zlib
            ? libdeflate_zlib_decompress_ex(&decompressor(), stored.get(), got, inflated.get(),
                                            std::size_t(size), &consumed, &produced)
            : libdeflate_deflate_decompress_ex(&decompressor(), stored.get(), got, inflated.get(),
                                               std::size_t(size), &consumed, &produced);
    if (result != LIBDEFLATE_SUCCESS || produced != std::size_t(size)) return false;
    if (storedBytes != nullptr && got > 0) (*storedBytes)(stored.get(), got);
    if (produced > 0) sink(inflated.get(), produced);
    return true;
}

}  // namespace kelvane
