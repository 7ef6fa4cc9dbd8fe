#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "archive/catalogue_entry.h"

namespace kelvane {

class ReadOnlyFile;
class RestartIndex;
struct RestartPoint;

// Inflates a compressed entry piece by piece, as EntryInflater does and with the same checks,
// from its start or from one of its restart points, adding to the index the points it passes
// beyond the last one kept (starting at a point takes zlib's inflatePrime and
// inflateSetDictionary). From the start, a zlib-wrapped stream has its Adler-32 checked at the
// end; from a point the rest is read as raw deflate, and the check is left to a front-to-back
// pass.
class IndexedInflater {
  public:
    // From `from`, one of `index`'s points, or from the entry's start when null.
    IndexedInflater(const ReadOnlyFile& file, const CatalogueEntry& entry, RestartIndex& index,
                    const RestartPoint* from);
    ~IndexedInflater();
    IndexedInflater(const IndexedInflater&) = delete;
    IndexedInflater& operator=(const IndexedInflater&) = delete;

    // Up to `room` (> 0) inflated bytes into `out`; 0 once the whole entry has been handed out
    // and its stream has ended where the stated size says. Throws DamagedEntry when the
    // stream is corrupt, ends early or yields another size than stated.
    std::size_t next(char* out, std::size_t room);
    // Entry offset of the next byte handed out.
    std::int64_t position() const { return done_; }

  private:
    std::size_t inflateInto(char* out, std::size_t room);
    std::size_t readInput(char* buffer, std::size_t wanted);
    void keepPoint();
    bool inputLeft() const { return !inputEnded_ && taken_ < entry_.storedSize; }

    struct Stream;
    const ReadOnlyFile& file_;
    const CatalogueEntry& entry_;
    RestartIndex& index_;
    std::unique_ptr<char[]> input_;
    std::unique_ptr<Stream> stream_;
    std::int64_t taken_ = 0;  // stored bytes read into input_ so far
    std::int64_t done_ = 0;
    bool ended_ = false;
    bool inputEnded_ = false;
};

}  // namespace kelvane
