#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

namespace kelvane::test {

// A TIFF picture for libtiff to write. Pixels are packed rows as the file stores them
// (contiguous samples), top row first.
struct TiffPicture {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint16_t bitsPerSample = 8;
    std::uint16_t samplesPerPixel = 1;
    std::uint16_t photometric = 1;  // minimum is black
    std::uint16_t compression = 1;  // none
    std::uint16_t predictor = 1;
    std::uint16_t fillOrder = 1;
    std::uint32_t t4Options = 0;
    // 0 leaves the RowsPerStrip tag out (one strip).
    std::uint32_t rowsPerStrip = 0;
    // Both non-zero write tiles instead of strips.
    std::uint32_t tileSize = 0;
    bool bigEndian = false;
    bool bigTiff = false;
    // YCbCr subsampling for JPEG-compressed YCbCr pictures (pixels are given as RGB).
    std::uint16_t subsampling = 1;
    std::vector<std::uint16_t> colorMap;
    std::vector<std::uint16_t> extraSamples;
    std::vector<std::uint8_t> pixels;

    std::size_t bytesPerRow() const {
        return (static_cast<std::size_t>(width) * bitsPerSample * samplesPerPixel + 7) / 8;
    }
};

void writeTiff(const std::filesystem::path& path, const TiffPicture& picture);

// Writes strips that are already compressed (for kinds libtiff cannot encode).
void writeRawTiff(const std::filesystem::path& path, const TiffPicture& picture,
                  const std::vector<std::vector<std::uint8_t>>& strips);

// What libtiff finds in a file.
struct LibtiffStrips {
    std::vector<std::vector<std::uint8_t>> raw;
    std::vector<std::vector<std::uint8_t>> decoded;
    std::vector<std::uint8_t> jpegTables;
};
LibtiffStrips readStrips(const std::filesystem::path& path);

// libtiff's own rendering as 0xAABBGGRR pixels, top row first.
std::vector<std::uint32_t> readRgba(const std::filesystem::path& path);

// Reproducible pseudo-random bytes.
std::vector<std::uint8_t> noise(std::size_t size, std::uint32_t seed);

}  // namespace kelvane::test
