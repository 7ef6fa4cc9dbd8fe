#include "imaging/raw_texture.h"

#include "platform/bilingual_error.h"

#include <cmath>
#include <cstdint>
#include <stdexcept>

#include "decoders/whole_file.h"
#include "imaging/bitmap.h"
#include "imaging/image_stream.h"
#include "platform/atomic_output_file.h"

namespace kelvane {
namespace {

constexpr std::size_t kPaletteBytes = 256 * 3;
constexpr std::uint32_t kHeaderBytes = 14 + 40 + 256 * 4;

void putLe(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out += char((value >> (8 * i)) & 0xFF);
}

std::size_t squareSide(std::size_t size) {
    auto side = static_cast<std::size_t>(std::sqrt(static_cast<double>(size)));
    while (side * side > size) --side;
    while ((side + 1) * (side + 1) <= size) ++side;
    if (side == 0 || side * side != size)
        throw BilingualError("La texture de " + std::to_string(size) + " octets n'est pas carrée",
                             "A texture of " + std::to_string(size) + " bytes is not square");
    return side;
}

void checkPalette(std::string_view palette) {
    if (palette.size() < kPaletteBytes)
        throw BilingualError(
            "La palette de " + std::to_string(palette.size()) + " octets est incomplète",
            "A palette of " + std::to_string(palette.size()) + " bytes is incomplete");
}

}  // namespace

std::string rawTextureToBmp(std::string_view pixels, std::string_view palette) {
    const std::size_t side = squareSide(pixels.size());
    checkPalette(palette);
    const std::size_t stride = (side + 3) / 4 * 4;
    const auto dataSize = static_cast<std::uint32_t>(stride * side);

    std::string bmp;
    bmp.reserve(kHeaderBytes + dataSize);
    bmp += "BM";
    putLe(bmp, kHeaderBytes + dataSize, 4);
    putLe(bmp, 0, 4);
    putLe(bmp, kHeaderBytes, 4);
    putLe(bmp, 40, 4);
    putLe(bmp, static_cast<std::uint32_t>(side), 4);
    putLe(bmp, static_cast<std::uint32_t>(side), 4);
    putLe(bmp, 1, 2);  // planes
    putLe(bmp, 8, 2);  // bits per pixel
    putLe(bmp, 0, 4);  // uncompressed
    putLe(bmp, dataSize, 4);
    putLe(bmp, 2835, 4);  // 72 dots per inch
    putLe(bmp, 2835, 4);
    putLe(bmp, 256, 4);
    putLe(bmp, 0, 4);
    for (std::size_t i = 0; i < 256; ++i) {
        bmp += palette[i * 3 + 2];
        bmp += palette[i * 3 + 1];
        bmp += palette[i * 3];
        bmp += '\0';
    }
    for (std::size_t row = side; row-- > 0;) {
        bmp.append(pixels.substr(row * side, side));
        bmp.append(stride - side, '\0');
    }
    return bmp;
}

void loadRawTexture(ImageStream& pixels, std::string_view palette, Bitmap& picture) {
    const std::size_t side = squareSide(std::size_t(pixels.remaining()));
    checkPalette(palette);
    Palette colours(256);
    for (std::size_t i = 0; i < colours.size(); ++i)
        colours[i] = {std::uint8_t(palette[i * 3]), std::uint8_t(palette[i * 3 + 1]),
                      std::uint8_t(palette[i * 3 + 2]), 255};
    picture.clear();
    picture.setPixelFormat(PixelFormat::pf8bit);
    picture.setPalette(std::move(colours));
    const auto width = std::uint32_t(side);
    picture.acceptRowSink({width, width});
    picture.setSize(width, width, false);
    for (std::uint32_t y = 0; y < width; ++y) {
        pixels.readBuffer(picture.scanLine(y), side);
        picture.rowDone(y);
    }
}

void convertRawTexture(const std::string& base) {
    const std::string bmp =
        rawTextureToBmp(readWholeFile(base + ".RAW"), readWholeFile(base + ".ACT"));
    AtomicOutputFile out(base + ".BMP");
    out.write(bmp.data(), bmp.size());
    out.commit();
}

}  // namespace kelvane
