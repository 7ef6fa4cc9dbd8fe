// Builders of picture files (and of the sound the viewers play) for the tests, written from the
// published layouts (Targa, Windows bitmap) or made by libjpeg, and libjpeg's own decode as the
// reference.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kelvane::test {

// Little-endian fields appended to a byte string.
void putLe16(std::string& out, unsigned value);
void putLe32(std::string& out, std::uint32_t value);

// The 18-byte Targa header, field by field in file order.
struct TgaHeader {
    std::uint8_t idLength = 0, colorMapType = 0, imageType = 2;
    std::uint16_t firstEntry = 0, colorMapLength = 0;
    std::uint8_t colorMapEntrySize = 24;
    std::uint16_t width = 0, height = 0;
    std::uint8_t pixelSize = 24, descriptor = 0;
};
std::string tgaHeader(const TgaHeader& header);
// A 24-bit Targa of one colour.
std::string flatTarga(std::uint16_t width, std::uint16_t height);

// A 440 Hz tone of `samples` 16-bit mono PCM samples at 8000 Hz as a WAV file; an
// `amplitude` of 0 gives silence.
std::string toneWav(std::uint32_t samples, double amplitude);

// Packs rows of `bytesPerPixel`-byte pixels into Targa run-length packets, each row on its
// own (runs of two or more equal pixels become repeat packets).
std::string tgaRunLength(const std::string& pixels, unsigned bytesPerPixel, unsigned width);

// A Windows bitmap with an info (40-byte) header. `rows` are the stored rows in file
// order, each already padded to 32 bits; `palette` holds blue-green-red-zero entries.
struct BmpLayout {
    std::int32_t width = 0, height = 0;  // negative height: top-down
    unsigned bits = 24;
    std::uint32_t compression = 0;
    std::string palette = {};
    std::string extraHeader = {};  // bytes after the 40-byte header (bit-field masks)
    std::uint32_t headerSize = 40;
};
std::string buildBmp(const BmpLayout& layout, const std::string& pixelData);

// An icon file holding one image: `image` is the 40-byte header (height doubled), the
// colour pixels and the 1-bit mask, as stored.
std::string buildIcon(unsigned width, unsigned height, unsigned bits, const std::string& image);

// A JPEG made by libjpeg from 8-bit RGB (components 3), CMYK (4, with an Adobe marker) or
// grey (1) pixels.
std::string encodeJpeg(const std::vector<std::uint8_t>& pixels, unsigned width, unsigned height,
                       unsigned components, bool progressive, int quality = 90);
// libjpeg's own decode of a JPEG into 8-bit RGB (or grey) pixels.
std::vector<std::uint8_t> decodeJpegWithLibjpeg(const std::string& jpeg, unsigned& width,
                                                unsigned& height, unsigned& components);

// A PNG written by hand from the published layout: IHDR, PLTE and tRNS when given, one
// zlib-compressed IDAT of unfiltered rows (Adam7 passes when `interlaced`), IEND. `samples`
// holds width x height x channels values of `bitDepth` bits, row by row.
struct PngLayout {
    std::uint32_t width = 0, height = 0;
    unsigned bitDepth = 8, colorType = 2;  // 0 grey, 2 RGB, 3 palette, 4 grey+alpha, 6 RGBA
    bool interlaced = false;
    std::vector<std::uint16_t> samples = {};
    std::string palette = {};       // red-green-blue triples
    std::string transparency = {};  // the tRNS chunk's body
};
std::string buildPng(const PngLayout& layout);

// A smooth picture with fine noise, as a photograph is: `side` x `side` 8-bit RGB.
std::vector<std::uint8_t> photographicRgb(unsigned side);

}  // namespace kelvane::test
