#pragma once

#include <string>
#include <string_view>

namespace kelvane {

// A simulator texture: headerless 8-bit palette indices, square, top row first; and its
// palette, 256 RGB triplets (bytes beyond the 768 are ignored).
//
// The texture as an 8-bit Windows bitmap (bottom row first, rows padded to 4 bytes).
// Throws std::runtime_error when the pixels do not make a square or the palette is short.
std::string rawTextureToBmp(std::string_view pixels, std::string_view palette);

// Reads base + ".RAW" and base + ".ACT" and writes base + ".BMP" (UTF-8 paths).
void convertRawTexture(const std::string& base);

}  // namespace kelvane
