#include "archive/restart_index.h"

#include <zlib.h>

#include <algorithm>
#include <new>

namespace kelvane {

const RestartPoint* RestartIndex::before(std::int64_t offset) const {
    const auto after = std::upper_bound(
        points_.begin(), points_.end(), offset,
        [](std::int64_t at, const RestartPoint& point) { return at < point.output; });
    return after == points_.begin() ? nullptr : &*(after - 1);
}

bool RestartIndex::wants(std::int64_t output) const {
    const std::int64_t last = points_.empty() ? 0 : points_.back().output;
    return output >= last + kRestartInterval;
}

void RestartIndex::add(std::int64_t output, std::int64_t input, int bits,
                       const unsigned char* window, std::size_t size) {
    RestartPoint point{output, input, bits, {}, false};
    // Deflating a window at level 1 costs far less than inflating the interval before it, and
    // keeps about half of texture-like bytes.
    uLongf packedSize = compressBound(uLong(size));
    point.window.resize(packedSize);
    if (compress2(point.window.data(), &packedSize, window, uLong(size), 1) == Z_OK &&
        packedSize < size) {
        point.window.resize(packedSize);
        point.packed = true;
    } else {
        point.window.assign(window, window + size);
    }
    point.window.shrink_to_fit();
    bytes_ += sizeof point + point.window.size();
    points_.push_back(std::move(point));
}

std::vector<unsigned char> RestartIndex::window(const RestartPoint& point) const {
    if (!point.packed) return point.window;
    std::vector<unsigned char> window(kDeflateWindow);
    uLongf size = uLongf(window.size());
    if (uncompress(window.data(), &size, point.window.data(), uLong(point.window.size())) != Z_OK) {
        throw std::bad_alloc();  // only memory can fail here: the window was deflated by add()
    }
    window.resize(size);
    return window;
}

}  // namespace kelvane
