#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kelvane {

// Inflated bytes between two restart points, at least.
inline constexpr std::int64_t kRestartInterval = 1 << 20;
// What deflate may refer back to: the inflated bytes a restart needs before it.
inline constexpr std::size_t kDeflateWindow = 32768;

// A place in an entry's deflate stream where inflating can start over without what came
// before: a block boundary, with the bits of its first byte the previous block left unread
// and the window of inflated bytes before it.
struct RestartPoint {
    std::int64_t output = 0;            // entry offset of the first byte inflated from here
    std::int64_t input = 0;             // stored bytes taken, the last one perhaps only in part
    int bits = 0;                       // bits of that last byte not yet taken
    std::vector<unsigned char> window;  // the inflated bytes before `output`
};

// The restart points of one entry, about kRestartInterval apart, in stream order. They take at
// most kDeflateWindow bytes (and a few more) per interval of the entry.
class RestartIndex {
  public:
    // The last point at or before `offset`; null when there is none (start at the entry's start).
    const RestartPoint* before(std::int64_t offset) const;
    // True when a point at `output` would be the next one to keep.
    bool wants(std::int64_t output) const;
    void add(std::int64_t output, std::int64_t input, int bits, const unsigned char* window,
             std::size_t size);
    // Memory the points take.
    std::size_t bytes() const { return bytes_; }
    bool empty() const { return points_.empty(); }

  private:
    std::vector<RestartPoint> points_;
    std::size_t bytes_ = 0;
};

}  // namespace kelvane
