// TIFF pictures: the first image of a stripped TIFF file, uncompressed or compressed with
// PackBits, CCITT modified Huffman or Group 3, deflate, JPEG or ThunderScan.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "imaging/ImageFormats.h"
#include "imaging/tiff_directory.h"

namespace kelvane {

class TDecoder;

class TTIFFGraphic : public TFormatGraphic {
  public:
    // More than 8 bytes left, "II" or "MM", version 42 and a first directory inside the
    // stream. The position is kept.
    static bool CanLoad(ImageStream& stream);
    // Reads the header and directory `imageIndex` at the stream's position.
    bool ReadImageProperties(ImageStream& stream, unsigned imageIndex) override;
    // Decodes the first image; a tiled image leaves the picture empty.
    void LoadFromStream(ImageStream& stream) override;

    // Where the JPEG decompressor's warnings go (the desktop shows them in a box captioned
    // "Warning"); without a handler they are dropped.
    static void SetWarningHandler(std::function<void(const std::string&)> handler);

  private:
    // Where a strip's data lie and how many rows it holds.
    struct Strip {
        std::uint64_t position;
        std::uint32_t byteCount;
        std::uint32_t rows;
    };

    void setUpColorManager();
    void setUpPalette();
    std::unique_ptr<TDecoder> createDecoder() const;
    // The strips that cover the image, every one inside the stream; EInvalidGraphic otherwise.
    std::vector<Strip> planStrips(const ImageStream& stream, bool compressed) const;
    // Refuses a picture whose bitmap and strip buffers together exceed maxImageBytes().
    void checkWorkingMemory(const std::vector<Strip>& strips, bool compressed) const;
    void readStrips(ImageStream& stream, const std::vector<Strip>& strips, TDecoder* decoder);

    TiffDirectory FDirectory;
    std::uint32_t FT4Options = 0;
    // The first extra sample is alpha that the colour samples are multiplied by.
    bool FAssociatedAlpha = false;
    std::array<float, 3> FYCbCrCoefficients{0.299f, 0.587f, 0.114f};
};

extern const GraphicClass kTIFFGraphicClass;

}  // namespace kelvane
