// Simulator textures made from pictures: 8-bit palette indices, square, top row first, and a
// 768-byte palette of 256 red-green-blue triplets (the pair imaging/raw_texture reads).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace kelvane {

class Bitmap;

// The largest side a texture is made at.
inline constexpr std::uint32_t kMaxTextureSide = 8192;

struct TextureOptions {
    // Error diffusion while mapping a picture of more than 256 colours to its palette.
    bool dither = true;
    // Scales the picture to side x side first (any shape then does).
    std::optional<std::uint64_t> resizeSide;
};

struct Texture {
    std::uint32_t side = 0;
    std::string indices;  // side x side bytes, top row first
    std::string palette;  // 256 x red, green, blue; unused entries black
    // The picture had transparency, flattened on black (each channel times alpha / 255).
    bool alphaFlattened = false;
    // Distinct colours of the picture, once flattened and scaled.
    std::size_t sourceColours = 0;
    // Colours of the palette in use.
    std::size_t paletteColours = 0;
    // More than 256 colours: quantized by libimagequant, with this peak signal-to-noise
    // ratio (dB) of the texture's colours against the picture's. Otherwise every colour is
    // kept exactly.
    bool quantized = false;
    double psnr = 0;
};

// Throws BilingualError unless 1 <= side <= kMaxTextureSide.
void checkTextureSide(std::uint64_t side);

// The texture of `picture`. Throws BilingualError when the picture is empty, not square (and
// no resize side is given), too large, or when libimagequant fails.
Texture makeTexture(const Bitmap& picture, const TextureOptions& options = {});

// The palette file beside `rawPath`: same base, extension ACT when the RAW's is upper-case
// (RAW), act otherwise.
std::string texturePalettePath(const std::string& rawPath);

// Writes the indices to `rawPath` and the palette to texturePalettePath(rawPath), both whole
// or not at all.
void writeTexture(const Texture& texture, const std::string& rawPath);

}  // namespace kelvane
