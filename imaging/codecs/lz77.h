#pragma once

#include <zlib.h>

#include "imaging/codecs/decoder.h"

namespace kelvane {

// Deflate (zlib) data; the inflater is reset before every strip. Damaged data end the strip
// early without an error.
class TLZ77Decoder : public TDecoder {
  public:
    ~TLZ77Decoder() override;
    void Decode(const std::uint8_t*& source, std::uint8_t* target, std::size_t packedSize,
                std::size_t unpackedSize) override;
    void DecodeEnd() override;
    void DecodeInit() override;

  private:
    z_stream stream_{};
    bool open_ = false;
};

}  // namespace kelvane
