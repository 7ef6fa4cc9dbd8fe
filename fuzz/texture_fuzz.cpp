// Texture making of arbitrary pixels: the first byte gives the side (1 to 32) and whether the
// picture is resized (and to what), the rest are RGBA pixels, repeated to fill the picture, so
// that few and many colours, transparency and the quantizer are all reached.
#include <cstddef>
#include <cstdint>
#include <stdexcept>

#include "imaging/bitmap.h"
#include "imaging/texture_maker.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 5) return 0;
    const std::uint32_t side = (data[0] & 31) + 1;
    const std::uint32_t height = data[0] & 32 ? side : (data[1] & 31) + 1;
    kelvane::TextureOptions options;
    options.dither = (data[0] & 64) != 0;
    if (data[0] & 128) options.resizeSide = data[1] & 63;  // 0 is refused
    const std::uint8_t* pixels = data + 2;
    const std::size_t bytes = size - 2;
    kelvane::Bitmap picture;
    picture.setPixelFormat(kelvane::PixelFormat::pf32bit);
    picture.setSize(side, height);
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t x = 0; x < side * 4; ++x)
            picture.scanLine(y)[x] = pixels[(std::size_t(y) * side * 4 + x) % bytes];
    try {
        const kelvane::Texture texture = kelvane::makeTexture(picture, options);
        if (texture.indices.size() != std::size_t(texture.side) * texture.side ||
            texture.palette.size() != 768)
            __builtin_trap();
    } catch (const std::runtime_error&) {
    }
    return 0;
}
