#pragma once

#include "imaging/codecs/decoder.h"

namespace kelvane {

// ThunderScan 4-bit data: runs, 2-bit and 3-bit deltas and raw pixels, two pixels a byte with the
// high nibble first. Each row starts from pixel value 0 and ends after width pixels.
class TThunderDecoder : public TDecoder {
  public:
    explicit TThunderDecoder(std::uint32_t width) : width_(width) {}
    void Decode(const std::uint8_t*& source, std::uint8_t* target, std::size_t packedSize,
                std::size_t unpackedSize) override;

  private:
    std::uint32_t width_;
};

}  // namespace kelvane
