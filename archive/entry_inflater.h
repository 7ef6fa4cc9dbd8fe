#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "archive/catalogue_entry.h"
#include "archive/entry_reader.h"

namespace kelvane {

class ReadOnlyFile;

// The stored bytes of one entry, read front to back in chunks of up to kEntryChunk; each chunk
// is shown to the observer, when there is one, as it is read.
class StoredBytes {
  public:
    StoredBytes(const ReadOnlyFile& file, const CatalogueEntry& entry, const EntrySink* observer);

    std::int64_t left() const { return left_; }
    // Up to one chunk into `buffer`; 0 once the entry or the archive ends.
    std::size_t next(char* buffer);

  private:
    const ReadOnlyFile& file_;
    std::int64_t position_;
    std::int64_t left_;
    const EntrySink* observer_;
};

inline constexpr std::size_t kEntryChunk = 64 * 1024;

// Inflates a compressed entry piece by piece (as a zlib stream when its first two bytes form a
// zlib header, else as raw deflate), never past its stated size, with zlib. Throws DamagedEntry
// when the stream is corrupt, ends early or yields another size than stated.
class EntryInflater {
  public:
    EntryInflater(const ReadOnlyFile& file, const CatalogueEntry& entry,
                  const EntrySink* storedBytes = nullptr);
    ~EntryInflater();
    EntryInflater(const EntryInflater&) = delete;
    EntryInflater& operator=(const EntryInflater&) = delete;

    // Up to `room` (> 0) inflated bytes into `out`; 0 once the whole entry has been handed
    // out and its stream has ended where the stated size says.
    std::size_t next(char* out, std::size_t room);
    // Inflated bytes handed out so far.
    std::int64_t produced() const { return done_; }
    // Reads the stored bytes that follow the end of the stream, for the observer.
    void readRest();

  private:
    std::size_t inflateInto(char* out, std::size_t room);

    struct Stream;
    const CatalogueEntry& entry_;
    StoredBytes stored_;
    std::unique_ptr<char[]> input_;
    std::unique_ptr<Stream> stream_;
    std::int64_t expected_;
    std::int64_t done_ = 0;
    bool ended_ = false;
};

}  // namespace kelvane
