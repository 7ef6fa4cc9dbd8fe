#include "preview/entry_stream.h"

#include <algorithm>

#include "platform/read_only_file.h"

namespace kelvane {

StoredEntryStream::StoredEntryStream(const ReadOnlyFile& file, const CatalogueEntry& entry)
    : file_(file), offset_(entry.offset) {
    const std::int64_t inFile = std::max<std::int64_t>(file.size() - offset_, 0);
    size_ = std::uint64_t(std::min<std::int64_t>(entry.storedSize, inFile));
}

std::size_t StoredEntryStream::read(void* buffer, std::size_t count) {
    if (position_ >= size_) return 0;
    const std::size_t wanted = std::size_t(std::min<std::uint64_t>(count, size_ - position_));
    const std::size_t got =
        file_.readAt(offset_ + std::int64_t(position_), static_cast<char*>(buffer), wanted);
    position_ += got;
    return got;
}

}  // namespace kelvane
