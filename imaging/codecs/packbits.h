#pragma once

#include "imaging/codecs/decoder.h"

namespace kelvane {

// PackBits run-length data: a header byte n copies n + 1 literal bytes (0..127), repeats the next
// byte 1 - n times (-127..-1) or does nothing (-128).
class TPackbitsRLEDecoder : public TDecoder {
  public:
    void Decode(const std::uint8_t*& source, std::uint8_t* target, std::size_t packedSize,
                std::size_t unpackedSize) override;
};

}  // namespace kelvane
