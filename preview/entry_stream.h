#pragma once

#include <cstdint>

#include "archive/catalogue_entry.h"
#include "imaging/image_stream.h"

namespace kelvane {

class ReadOnlyFile;

// The bytes of a stored (not compressed) entry read in place in the archive, for a picture
// decoder: no copy of the entry is made. The entry ends at its stated size or at the end of
// the archive, whichever comes first.
class StoredEntryStream : public ImageStream {
  public:
    StoredEntryStream(const ReadOnlyFile& file, const CatalogueEntry& entry);

    std::size_t read(void* buffer, std::size_t count) override;
    std::uint64_t position() const override { return position_; }
    void seek(std::uint64_t position) override { position_ = position; }
    std::uint64_t size() const override { return size_; }

  private:
    const ReadOnlyFile& file_;
    std::int64_t offset_;
    std::uint64_t size_;
    std::uint64_t position_ = 0;
};

}  // namespace kelvane
