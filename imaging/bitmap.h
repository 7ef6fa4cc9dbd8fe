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

struct PictureSize {
    std::uint32_t width = 0, height = 0;
    friend bool operator==(const PictureSize&, const PictureSize&) = default;
};

class Bitmap;

// Takes a picture's rows as its decoder finishes them, for a caller that wants only a reduced
// picture and so never holds the whole one (see Bitmap::offerRowSink).
class RowSink {
  public:
    virtual ~RowSink() = default;
    // The least size worth decoding a picture of size `own` at: a decoder that can reduce
    // while it decodes (JPEG) picks the smallest scale not below it.
    virtual PictureSize leastSize(PictureSize own) const = 0;
    // Once, when a decoder accepts the sink, with the picture's own size.
    virtual void start(PictureSize own) = 0;
    // Row `y` of `picture`, whose format, size and palette are set: bytesPerLine() bytes.
    // The rows may come at less than the picture's own size (see leastSize).
    virtual void takeRow(const Bitmap& picture, std::uint32_t y, const std::uint8_t* row) = 0;
};

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
    std::uint8_t* scanLine(std::uint32_t row) { return pixels_.get() + row * rowStep_; }
    const std::uint8_t* scanLine(std::uint32_t row) const { return pixels_.get() + row * rowStep_; }

    // Row hand-off. A caller offers a sink before loading; it stays offered until replaced.
    // A decoder that writes every row exactly once through scanLine() and then calls
    // rowDone() may accept it before sizing the bitmap: the bitmap then holds one row only,
    // which scanLine() gives for every index, and rowDone() hands it to the sink (cleared
    // again when setSize was asked for zeroed rows). Rows a decoder never finishes stay
    // unsent. Other decoders leave the offer alone and fill the whole bitmap as usual.
    void offerRowSink(RowSink* sink) { offered_ = sink; }
    RowSink* offeredRowSink() const { return offered_; }
    // True, and rows go to the sink from now on, when one is offered; the sink is told the
    // picture's own size. clear() ends it.
    bool acceptRowSink(PictureSize own);
    bool sendsRows() const { return sending_; }
    void rowDone(std::uint32_t row) {
        if (sending_) sendRow(row);
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
    // The same for a row in this bitmap's format held elsewhere (bytesPerLine() bytes).
    void convertRow(const std::uint8_t* row, std::uint8_t* out) const;

  private:
    void sendRow(std::uint32_t row);
    std::size_t pixelBytes() const { return rowStep_ == 0 ? bytesPerLine_ : rowStep_ * height_; }

    PixelFormat format_ = PixelFormat::pf24bit;
    std::uint32_t width_ = 0, height_ = 0;
    std::size_t bytesPerLine_ = 0;
    std::size_t rowStep_ = 0;  // bytesPerLine_, or 0 while rows go to a sink
    std::unique_ptr<std::uint8_t[]> pixels_;
    Palette palette_;
    RowSink* offered_ = nullptr;
    bool sending_ = false;
    bool zeroedRows_ = false;
};

}  // namespace kelvane
