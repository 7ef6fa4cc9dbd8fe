#pragma once

#include <string>
#include <string_view>

namespace kelvane {

class Bitmap;
class ImageStream;

// A simulator texture: headerless 8-bit palette indices, square, top row first; and its
// palette, 256 RGB triplets (bytes beyond the 768 are ignored).
//
// The texture as an 8-bit Windows bitmap (bottom row first, rows padded to 4 bytes).
// Throws std::runtime_error when the pixels do not make a square or the palette is short.
std::string rawTextureToBmp(std::string_view pixels, std::string_view palette);

// The texture whose pixels are the rest of `pixels` read straight into `picture` (8-bit
// indices and the palette, as the bitmap above decodes), a row at a time through rowDone so
// that an offered row sink takes the rows. Fails as rawTextureToBmp does, or with EReadError
// when the stream yields fewer bytes than it holds.
void loadRawTexture(ImageStream& pixels, std::string_view palette, Bitmap& picture);

// Reads base + ".RAW" and base + ".ACT" and writes base + ".BMP" (UTF-8 paths).
void convertRawTexture(const std::string& base);

}  // namespace kelvane
