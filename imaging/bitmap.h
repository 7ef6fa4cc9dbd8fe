// The in-memory picture every decoder fills: a pixel format, a size, an optional palette
// and rows addressed by index (row 0 is the top row). Rows are packed without padding:
// pf1bit and pf4bit store the leftmost pixel in the high bits, pf15bit little-endian
// 5-5-5 words (bit 15 unused), pf24bit blue-green-red, pf32bit blue-green-red-alpha.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace kelvane {

enum class PixelFormat { pf1bit, pf4bit, pf8bit, pf15bit, pf24bit, pf32bit, pfCustom };

struct PaletteEntry {
    std::uint8_t red = 0, green = 0, blue = 0, alpha = 255;
    friend bool operator==(const PaletteEntry&, const PaletteEntry&) = default;
};
using Palette = std::vector<PaletteEntry>;

inline constexpr std::size_t kMaxPaletteEntries = 256;

// Bits per pixel of a format; 0 for pfCustom, which holds no pixels.
unsigned bitsPerPixel(PixelFormat format);

// Eight-bit RGBA pixels, row 0 at the top; `hasAlpha` tells whether the fourth byte means
// something (otherwise it is 255).
struct Rgba8Image {
    std::uint32_t width = 0, height = 0;
    bool hasAlpha = false;
    std::vector<std::uint8_t> pixels;
};

class Bitmap {
  public:
    Bitmap() = default;
    Bitmap(const Bitmap& other);
    Bitmap& operator=(const Bitmap& other);
    Bitmap(Bitmap&&) noexcept = default;
    Bitmap& operator=(Bitmap&&) noexcept = default;
    virtual ~Bitmap() = default;

    PixelFormat pixelFormat() const { return format_; }
    // Changing the format keeps the size and clears the pixels.
    void setPixelFormat(PixelFormat format);
    std::uint32_t width() const { return width_; }
    std::uint32_t height() const { return height_; }
    // Allocates rows, zeroed unless the caller promises to write every byte of them
    // (`zeroed` false); throws EInvalidGraphic when the pixel buffer would exceed
    // maxImageBytes() or the format holds no pixels.
    void setSize(std::uint32_t width, std::uint32_t height, bool zeroed = true);
    bool empty() const { return width_ == 0 || height_ == 0; }
    // Back to an empty 0 x 0 pf24bit bitmap without palette.
    void clear();

    std::size_t bytesPerLine() const { return bytesPerLine_; }
    std::uint8_t* scanLine(std::uint32_t row) { return pixels_.get() + row * bytesPerLine_; }
    const std::uint8_t* scanLine(std::uint32_t row) const {
        return pixels_.get() + row * bytesPerLine_;
    }

    const Palette& palette() const { return palette_; }
    // At most kMaxPaletteEntries are kept.
    void setPalette(Palette palette);

    // True when the fourth byte of each pixel is alpha (pf32bit).
    bool hasAlpha() const { return format_ == PixelFormat::pf32bit; }
    // The one conversion every consumer uses. Indices outside the palette give black.
    Rgba8Image toRgba8() const;
    // The same conversion for one row: width() * 4 bytes at `out`.
    void rowToRgba8(std::uint32_t row, std::uint8_t* out) const;

  private:
    PixelFormat format_ = PixelFormat::pf24bit;
    std::uint32_t width_ = 0, height_ = 0;
    std::size_t bytesPerLine_ = 0;
    std::unique_ptr<std::uint8_t[]> pixels_;
    Palette palette_;
};

}  // namespace kelvane
