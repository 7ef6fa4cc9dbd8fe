#include "tests/support/tiff_builder.h"

#include <tiffio.h>

#include <algorithm>
#include <memory>
#include <stdexcept>

namespace kelvane::test {

namespace {

struct TiffCloser {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
using TiffFile = std::unique_ptr<TIFF, TiffCloser>;

TiffFile open(const std::filesystem::path& path, const char* mode) {
    TIFFSetWarningHandler(nullptr);
    TIFFSetErrorHandler(nullptr);
    TiffFile tiff(TIFFOpen(path.c_str(), mode));
    if (!tiff) throw std::runtime_error("libtiff cannot open " + path.string());
    return tiff;
}

void setTags(TIFF* tiff, const TiffPicture& picture) {
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, picture.width);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, picture.height);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, picture.bitsPerSample);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, picture.samplesPerPixel);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, picture.photometric);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, picture.compression);
    if (picture.fillOrder != 1) TIFFSetField(tiff, TIFFTAG_FILLORDER, picture.fillOrder);
    if (picture.predictor != 1) TIFFSetField(tiff, TIFFTAG_PREDICTOR, picture.predictor);
    if (picture.compression == COMPRESSION_CCITTFAX3) {
        TIFFSetField(tiff, TIFFTAG_GROUP3OPTIONS, picture.t4Options);
    }
    if (picture.compression == COMPRESSION_JPEG) {
        TIFFSetField(tiff, TIFFTAG_JPEGQUALITY, 90);
        if (picture.photometric == PHOTOMETRIC_YCBCR) {
            TIFFSetField(tiff, TIFFTAG_YCBCRSUBSAMPLING, picture.subsampling, picture.subsampling);
            TIFFSetField(tiff, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
        }
    }
    if (!picture.colorMap.empty()) {
        const std::size_t third = picture.colorMap.size() / 3;
        TIFFSetField(tiff, TIFFTAG_COLORMAP, picture.colorMap.data(),
                     picture.colorMap.data() + third, picture.colorMap.data() + 2 * third);
    }
    if (!picture.extraSamples.empty()) {
        TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES,
                     static_cast<std::uint16_t>(picture.extraSamples.size()),
                     picture.extraSamples.data());
    }
    if (picture.tileSize != 0) {
        TIFFSetField(tiff, TIFFTAG_TILEWIDTH, picture.tileSize);
        TIFFSetField(tiff, TIFFTAG_TILELENGTH, picture.tileSize);
    } else if (picture.rowsPerStrip != 0) {
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, picture.rowsPerStrip);
    }
}

const char* writeMode(const TiffPicture& picture) {
    if (picture.bigTiff) return picture.bigEndian ? "wb8" : "wl8";
    return picture.bigEndian ? "wb" : "wl";
}

}  // namespace

void writeTiff(const std::filesystem::path& path, const TiffPicture& picture) {
    TiffFile tiff = open(path, writeMode(picture));
    setTags(tiff.get(), picture);
    const std::size_t rowBytes = picture.bytesPerRow();
    if (picture.tileSize != 0) {
        const std::uint32_t size = picture.tileSize;
        const std::size_t pixelBytes = rowBytes / picture.width;
        std::vector<std::uint8_t> tile(TIFFTileSize(tiff.get()));
        for (std::uint32_t y = 0; y < picture.height; y += size) {
            for (std::uint32_t x = 0; x < picture.width; x += size) {
                std::fill(tile.begin(), tile.end(), 0);
                for (std::uint32_t row = 0; row < size && y + row < picture.height; ++row) {
                    for (std::uint32_t column = 0; column < size && x + column < picture.width;
                         ++column) {
                        for (std::size_t b = 0; b < pixelBytes; ++b) {
                            tile[(row * size + column) * pixelBytes + b] =
                                picture
                                    .pixels[(y + row) * rowBytes + (x + column) * pixelBytes + b];
                        }
                    }
                }
                TIFFWriteTile(tiff.get(), tile.data(), x, y, 0, 0);
            }
        }
        return;
    }
    std::vector<std::uint8_t> row(rowBytes);
    for (std::uint32_t y = 0; y < picture.height; ++y) {
        // libtiff may change the buffer in place (predictor, byte swapping).
        std::copy_n(picture.pixels.begin() + static_cast<std::ptrdiff_t>(y * rowBytes), rowBytes,
                    row.begin());
        if (TIFFWriteScanline(tiff.get(), row.data(), y, 0) < 0) {
            throw std::runtime_error("libtiff cannot write " + path.string());
        }
    }
}

void writeRawTiff(const std::filesystem::path& path, const TiffPicture& picture,
                  const std::vector<std::vector<std::uint8_t>>& strips) {
    TiffFile tiff = open(path, writeMode(picture));
    setTags(tiff.get(), picture);
    for (std::size_t i = 0; i < strips.size(); ++i) {
        TIFFWriteRawStrip(tiff.get(), static_cast<std::uint32_t>(i),
                          const_cast<std::uint8_t*>(strips[i].data()),
                          static_cast<tmsize_t>(strips[i].size()));
    }
}

LibtiffStrips readStrips(const std::filesystem::path& path) {
    TiffFile tiff = open(path, "r");
    LibtiffStrips result;
    std::uint16_t photometric = 0;
    TIFFGetField(tiff.get(), TIFFTAG_PHOTOMETRIC, &photometric);
    std::uint16_t compression = 0;
    TIFFGetField(tiff.get(), TIFFTAG_COMPRESSION, &compression);
    if (photometric == PHOTOMETRIC_YCBCR && compression == COMPRESSION_JPEG) {
        TIFFSetField(tiff.get(), TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    }
    std::uint64_t* byteCounts = nullptr;
    TIFFGetField(tiff.get(), TIFFTAG_STRIPBYTECOUNTS, &byteCounts);
    std::uint32_t tablesSize = 0;
    void* tables = nullptr;
    if (TIFFGetField(tiff.get(), TIFFTAG_JPEGTABLES, &tablesSize, &tables) != 0) {
        const auto* bytes = static_cast<const std::uint8_t*>(tables);
        result.jpegTables.assign(bytes, bytes + tablesSize);
    }
    for (std::uint32_t strip = 0; strip < TIFFNumberOfStrips(tiff.get()); ++strip) {
        std::vector<std::uint8_t> raw(byteCounts[strip]);
        TIFFReadRawStrip(tiff.get(), strip, raw.data(), static_cast<tmsize_t>(raw.size()));
        result.raw.push_back(std::move(raw));
        std::vector<std::uint8_t> decoded(TIFFStripSize(tiff.get()));
        const tmsize_t size = TIFFReadEncodedStrip(tiff.get(), strip, decoded.data(),
                                                   static_cast<tmsize_t>(decoded.size()));
        decoded.resize(size < 0 ? 0 : static_cast<std::size_t>(size));
        result.decoded.push_back(std::move(decoded));
    }
    return result;
}

std::vector<std::uint32_t> readRgba(const std::filesystem::path& path) {
    TiffFile tiff = open(path, "r");
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height);
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
    if (TIFFReadRGBAImageOriented(tiff.get(), width, height, pixels.data(), ORIENTATION_TOPLEFT,
                                  0) == 0) {
        throw std::runtime_error("libtiff cannot decode " + path.string());
    }
    return pixels;
}

std::vector<std::uint8_t> noise(std::size_t size, std::uint32_t seed) {
    std::vector<std::uint8_t> bytes(size);
    std::uint32_t state = seed * 2654435761u + 1;
    for (auto& byte : bytes) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte = static_cast<std::uint8_t>(state >> 24);
    }
    return bytes;
}

}  // namespace kelvane::test
