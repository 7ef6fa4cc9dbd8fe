#include "archive/restart_index.h"

#include <algorithm>

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
    // Kept as is: deflating it at level 1 would halve it for texture-like bytes, but slow the
    // first pass by a sixth.
    RestartPoint point{output, input, bits, std::vector<unsigned char>(window, window + size)};
    bytes_ += sizeof point + point.window.size();
    points_.push_back(std::move(point));
}

}  // namespace kelvane
