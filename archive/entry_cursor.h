#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "archive/catalogue_entry.h"

namespace kelvane {

class ReadOnlyFile;
class IndexedInflater;
class RestartIndex;

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
// never inflate anything twice. The stream keeps restart points as it goes; a read before the
// window, or far enough past it, starts the stream again from the nearest point before it, so
// it inflates at most about one restart interval more than it asks for (two for a read ahead).
class EntryCursor {
  public:
    // `index` holds the entry's restart points, shared with the cursors that come after this
    // one; a cursor without one keeps its own.
    EntryCursor(const ReadOnlyFile& file, const CatalogueEntry& entry,
                std::shared_ptr<RestartIndex> index = nullptr);
    ~EntryCursor();
    EntryCursor(const EntryCursor&) = delete;
    EntryCursor& operator=(const EntryCursor&) = delete;

    // The entry's size once inflated: what a file of it holds.
    std::int64_t size() const;
    // Up to `count` bytes from `offset` into `buffer`; fewer only at the end of the entry, or
    // of the archive for a stored entry cut short. Throws DamagedEntry when a compressed entry
    // cannot be inflated up to there.
    std::size_t read(std::int64_t offset, char* buffer, std::size_t count);
    // How many times the inflating stream has been started: once, plus once per seek.
    int restarts() const { return starts_; }
    // Inflated bytes so far, those thrown away to reach a read's offset included.
    std::int64_t inflated() const { return inflated_; }
    const CatalogueEntry& entry() const { return entry_; }
    const ReadOnlyFile& file() const { return file_; }
    // True when a read at `offset` goes on from where the inflating stream is, or from a
    // restart point past it.
    bool readsOnFrom(std::int64_t offset) const { return inflater_ && offset >= windowStart_; }
    std::int64_t windowStart() const { return windowStart_; }

  private:
    std::size_t readStored(std::int64_t offset, char* buffer, std::size_t count);
    std::size_t readCompressed(std::int64_t offset, char* buffer, std::size_t count);
    std::size_t copyFromStream(std::int64_t offset, char* buffer, std::size_t count);
    void restartBefore(std::int64_t offset);
    bool worthRestarting(std::int64_t offset) const;
    bool fillWindow();

    const ReadOnlyFile& file_;
    CatalogueEntry entry_;
    std::shared_ptr<RestartIndex> index_;
    std::unique_ptr<IndexedInflater> inflater_;
    std::unique_ptr<char[]> window_;
    std::int64_t windowStart_ = 0;  // entry offset of window_[0]
    std::size_t windowSize_ = 0;
    int starts_ = 0;
    std::int64_t inflated_ = 0;
};

}  // namespace kelvane
