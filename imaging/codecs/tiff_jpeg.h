#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "imaging/codecs/decoder.h"

namespace kelvane {

// What the JPEG strips of an image must look like.
struct TiffJpegLayout {
    std::uint32_t width = 0;
    std::uint32_t samplesPerPixel = 3;
    std::uint32_t bitsPerSample = 8;
    std::uint32_t bytesPerLine = 0;
    // Sampling of the first component; 1 x 1 unless the image is YCbCr.
    std::uint32_t subsamplingH = 1;
    std::uint32_t subsamplingV = 1;
    bool yCbCr = false;
    // The JPEGTables field: quantisation and Huffman tables shared by the strips.
    std::vector<std::uint8_t> tables;
};

// JPEG-compressed strips through libjpeg: every strip is one JPEG stream of exactly the strip's
// size. Three-component strips come out blue-green-red, four-component ones as stored (CMYK
// as ink amounts, also from streams that store it inverted). Warnings of the library go to
// the warning callback.
class TTIFFJPEGDecoder : public TDecoder {
  public:
    using WarningHandler = std::function<void(const std::string&)>;

    TTIFFJPEGDecoder(TiffJpegLayout layout, WarningHandler warning);
    ~TTIFFJPEGDecoder() override;
    void Decode(const std::uint8_t*& source, std::uint8_t* target, std::size_t packedSize,
                std::size_t unpackedSize) override;
    void DecodeEnd() override;
    void DecodeInit() override;

    struct Library;

  private:
    void check(std::size_t lines) const;

    TiffJpegLayout layout_;
    WarningHandler warning_;
    std::unique_ptr<Library> library_;
};

}  // namespace kelvane
