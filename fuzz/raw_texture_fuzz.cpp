// Texture conversion of arbitrary bytes: the first byte tells how many of the rest are the
// palette (in units of 8 bytes), the remainder are the pixels.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string_view>

#include "imaging/bitmap.h"
#include "imaging/image_stream.h"
#include "imaging/raw_texture.h"
#include "preview/picture_fit.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::size_t paletteSize = std::min<std::size_t>(std::size_t{data[0]} * 8, rest.size());
    const std::string_view pixels = rest.substr(paletteSize), palette = rest.substr(0, paletteSize);
    try {
        kelvane::rawTextureToBmp(pixels, palette);
    } catch (const std::runtime_error&) {
    }
    // As the preview reads a texture: a row at a time into its reducer.
    kelvane::MemoryStream stream(pixels.data(), pixels.size());
    kelvane::PictureReducer reducer({64, 64});
    kelvane::Bitmap picture;
    picture.offerRowSink(&reducer);
    try {
        kelvane::loadRawTexture(stream, palette, picture);
        reducer.finish(picture);
    } catch (const std::runtime_error&) {
    }
    return 0;
}
