#pragma once

#include <cstdint>
#include <memory>

#include "archive/catalogue_entry.h"
#include "imaging/image_stream.h"

namespace kelvane {

class ReadOnlyFile;
class EntryInflater;

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

// The bytes of a compressed entry inflated as a picture decoder reads them, so that the
// entry is never held whole. The last kInflatedHistory bytes inflated stay at hand for the
// short backward seeks decoders make (a Targa row's packets read ahead, then given back):
// a read at most that far before the furthest byte inflated never inflates again; one
// before that starts again from the beginning. The size is the entry's stated one; a
// stream that is damaged, ends early or yields another size throws DamagedEntry when the
// read gets there.
class InflatedEntryStream : public ImageStream {
  public:
    InflatedEntryStream(const ReadOnlyFile& file, const CatalogueEntry& entry);
    ~InflatedEntryStream() override;

    std::size_t read(void* buffer, std::size_t count) override;
    std::uint64_t position() const override { return position_; }
    void seek(std::uint64_t position) override { position_ = position; }
    std::uint64_t size() const override { return size_; }

    // Inflates what has not been read, so that an entry damaged past the bytes a decoder
    // needed fails as a whole read of it does.
    void finish();
    // How many times inflating has started: once, plus once per seek before the history.
    int starts() const { return starts_; }

  private:
    void restart();
    // Inflates more after the bytes at hand; false at the end of the entry.
    bool inflateMore();
    // Frees room for `count` (at most kInflatedHistory) more bytes at the end of the buffer,
    // the history kept.
    void makeRoom(std::size_t count);
    // Takes in `count` bytes inflated elsewhere that follow the ones at hand.
    void keep(const char* bytes, std::size_t count);

    const ReadOnlyFile& file_;
    const CatalogueEntry entry_;  // the inflater refers to it
    std::unique_ptr<EntryInflater> inflater_;
    std::unique_ptr<char[]> buffer_;
    std::uint64_t bufferStart_ = 0;  // entry offset of buffer_[0]
    std::size_t bufferSize_ = 0;
    std::uint64_t size_;
    std::uint64_t position_ = 0;
    int starts_ = 0;
};

inline constexpr std::size_t kInflatedHistory = std::size_t{1} << 20;

}  // namespace kelvane
