#pragma once

#include <cstddef>
#include <cstdint>

#include "imaging/graphic_errors.h"

namespace kelvane {

// Base of the strip decompressors. A decoder turns packedSize bytes at source into at most
// unpackedSize bytes at target, never reading or writing outside either block, and advances
// source past the bytes it consumed.
class TDecoder {
  public:
    virtual ~TDecoder() = default;
    TDecoder() = default;
    TDecoder(const TDecoder&) = delete;
    TDecoder& operator=(const TDecoder&) = delete;

    virtual void Decode(const std::uint8_t*& source, std::uint8_t* target, std::size_t packedSize,
                        std::size_t unpackedSize) = 0;
    // Runs once after the last strip, also when loading stopped on an error.
    virtual void DecodeEnd() {}
    // Runs once before the first strip.
    virtual void DecodeInit() {}
    // None of the decoders writes files: encoding produces nothing.
    virtual std::size_t Encode(const std::uint8_t* /*source*/, std::uint8_t* /*target*/,
                               std::size_t /*count*/) {
        return 0;
    }
    virtual void EncodeInit() {}
    virtual void EncodeEnd() {}
};

}  // namespace kelvane
