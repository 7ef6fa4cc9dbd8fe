// Truevision Targa pictures: the decoder class and its run-length packet codec.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "imaging/ImageFormats.h"

namespace kelvane {

// Run-length packets of Targa pixel data: a header byte h, count (h & 0x7F) + 1, then one
// pixel repeated count times (bit 7 set) or count literal pixels.
class TTargaRLEDecoder {
  public:
    // `pixelSize` in bits: 8, 15, 16, 24 or 32; with any other size nothing is decoded.
    explicit TTargaRLEDecoder(unsigned pixelSize);

    // Expands packets from `source` into `target` until `pixelCount` pixels are written or
    // the packets up to `sourceEnd` are used up; `source` ends just after what was
    // consumed. A packet that runs past `pixelCount` is not cut short: its remaining pixels
    // start the next call (a row that continues into the next). Never reads at or past
    // `sourceEnd`. Returns the number of pixels written.
    std::size_t Decode(const std::uint8_t*& source, const std::uint8_t* sourceEnd,
                       std::uint8_t* target, std::size_t pixelCount);
    // Packs `pixelCount` pixels into packets of at most 128 pixels; `target` must hold
    // pixelCount * (bytes per pixel + 1) bytes. `written` receives the packed size.
    void Encode(const std::uint8_t* source, std::uint8_t* target, std::size_t& written,
                std::size_t pixelCount) const;

  private:
    unsigned pixelBytes_;
    // A packet left unfinished by the previous Decode.
    std::size_t pending_ = 0;
    bool pendingRepeat_ = false;
    std::array<std::uint8_t, 4> pendingPixel_{};
};

class TTargaGraphic : public TFormatGraphic {
  public:
    // More than 18 bytes left and a header with known image type, colour-map type,
    // colour-map entry size and pixel size. The position is kept.
    static bool CanLoad(ImageStream& stream);
    bool ReadImageProperties(ImageStream& stream, unsigned imageIndex) override;
    void LoadFromStream(ImageStream& stream) override;
};

extern const GraphicClass kTargaGraphicClass;

}  // namespace kelvane
