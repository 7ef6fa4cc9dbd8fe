#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "archive/catalogue_entry.h"

namespace kelvane {

class ReadOnlyFile;
class EntryInflater;

// Where in the archive file a read of a stored (not compressed) entry lies: `count` bytes from
// `position`, cut to the bytes the entry stores and the file holds.
struct StoredSpan {
    std::int64_t position = 0;
    std::size_t count = 0;
};
StoredSpan storedSpan(const CatalogueEntry& entry, std::int64_t fileSize, std::int64_t offset,
                      std::size_t count);

// Reads one entry's bytes at any offset, as a mounted file is read. A stored entry is read in
// place. A compressed entry keeps one inflating stream that goes on forward from read to read,
// with its last window of inflated bytes kept, so sequential reads (and reads a little behind)
// never inflate anything twice; a read before that window starts the stream again.
class EntryCursor {
  public:
    EntryCursor(const ReadOnlyFile& file, const CatalogueEntry& entry);
    ~EntryCursor();
    EntryCursor(const EntryCursor&) = delete;
    EntryCursor& operator=(const EntryCursor&) = delete;

    // The entry's size once inflated: what a file of it holds.
    std::int64_t size() const;
    // Up to `count` bytes from `offset` into `buffer`; fewer only at the end of the entry, or
    // of the archive for a stored entry cut short. Throws DamagedEntry when a compressed entry
    // cannot be inflated up to there.
    std::size_t read(std::int64_t offset, char* buffer, std::size_t count);
    // How many times the inflating stream has been started: once, plus once per backward seek.
    int restarts() const { return starts_; }
    const CatalogueEntry& entry() const { return entry_; }
    // True when a read at `offset` goes on from where the inflating stream is, without
    // starting it again.
    bool readsOnFrom(std::int64_t offset) const { return inflater_ && offset >= windowStart_; }
    std::int64_t windowStart() const { return windowStart_; }

  private:
    std::size_t readStored(std::int64_t offset, char* buffer, std::size_t count);
    std::size_t readCompressed(std::int64_t offset, char* buffer, std::size_t count);
    std::size_t copyFromStream(std::int64_t offset, char* buffer, std::size_t count);
    void restart();
    bool fillWindow();

    const ReadOnlyFile& file_;
    CatalogueEntry entry_;
    std::unique_ptr<EntryInflater> inflater_;
    std::unique_ptr<char[]> window_;
    std::int64_t windowStart_ = 0;  // entry offset of window_[0]
    std::size_t windowSize_ = 0;
    int starts_ = 0;
};

}  // namespace kelvane
