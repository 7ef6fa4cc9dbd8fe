#include "imaging/bitmap.h"

#include <algorithm>

#include "imaging/graphic_errors.h"

namespace kelvane {

unsigned bitsPerPixel(PixelFormat format) {
    switch (format) {
        case PixelFormat::pf1bit:
            return 1;
        case PixelFormat::pf4bit:
            return 4;
        case PixelFormat::pf8bit:
            return 8;
        case PixelFormat::pf15bit:
            return 16;
        case PixelFormat::pf24bit:
            return 24;
        case PixelFormat::pf32bit:
            return 32;
        case PixelFormat::pfCustom:
            return 0;
    }
    return 0;
}

Bitmap::Bitmap(const Bitmap& other)
    : format_(other.format_),
      width_(other.width_),
      height_(other.height_),
      bytesPerLine_(other.bytesPerLine_),
      rowStep_(other.rowStep_),
      palette_(other.palette_),
      zeroedRows_(other.zeroedRows_) {
    // A copy keeps the pixels it was given but sends nothing anywhere.
    const std::size_t size = other.pixelBytes();
    pixels_ = std::make_unique_for_overwrite<std::uint8_t[]>(size);
    if (size != 0) std::copy_n(other.pixels_.get(), size, pixels_.get());
}

Bitmap& Bitmap::operator=(const Bitmap& other) {
    if (this != &other) *this = Bitmap(other);
    return *this;
}

void Bitmap::setPixelFormat(PixelFormat format) {
    if (format == format_) return;
    format_ = format;
    if (format == PixelFormat::pfCustom) {
        width_ = height_ = 0;
        bytesPerLine_ = rowStep_ = 0;
        pixels_.reset();
        return;
    }
    setSize(width_, height_);
}

bool Bitmap::acceptRowSink(PictureSize own) {
    sending_ = offered_ != nullptr;
    if (sending_) offered_->start(own);
    return sending_;
}

void Bitmap::sendRow(std::uint32_t row) {
    offered_->takeRow(*this, row, pixels_.get());
    if (zeroedRows_) std::fill_n(pixels_.get(), bytesPerLine_, 0);
}

void Bitmap::setSize(std::uint32_t width, std::uint32_t height, bool zeroed) {
    const unsigned bits = bitsPerPixel(format_);
    if (bits == 0 && width != 0 && height != 0)
        throw EInvalidGraphic("Cannot create a bitmap of a custom pixel format.");
    checkImageSize(width, height, bits, "bitmap");
    width_ = width;
    height_ = height;
    bytesPerLine_ = (std::size_t{width} * bits + 7) / 8;
    rowStep_ = sending_ ? 0 : bytesPerLine_;
    zeroedRows_ = zeroed;
    const std::size_t size = pixelBytes();
    pixels_.reset();
    pixels_ = zeroed ? std::make_unique<std::uint8_t[]>(size)
                     : std::make_unique_for_overwrite<std::uint8_t[]>(size);
}

void Bitmap::clear() {
    format_ = PixelFormat::pf24bit;
    width_ = height_ = 0;
    bytesPerLine_ = rowStep_ = 0;
    pixels_.reset();
    palette_.clear();
    sending_ = false;
}

void Bitmap::setPalette(Palette palette) {
    if (palette.size() > kMaxPaletteEntries) palette.resize(kMaxPaletteEntries);
    palette_ = std::move(palette);
}

namespace {

// Five bits to the nearest eight-bit level.
std::uint8_t expand5(unsigned v) {
    return static_cast<std::uint8_t>((v * 255 + 15) / 31);
}

unsigned indexAt(const std::uint8_t* row, std::uint32_t x, unsigned bits) {
    switch (bits) {
        case 1:
            return (row[x / 8] >> (7 - x % 8)) & 1;
        case 4:
            return (row[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 15;
        default:
            return row[x];
    }
}

}  // namespace

Rgba8Image Bitmap::toRgba8() const {
    Rgba8Image image;
    image.width = width_;
    image.height = height_;
    image.hasAlpha = hasAlpha();
    image.pixels.resize(std::size_t{width_} * height_ * 4);
    for (std::uint32_t y = 0; y < height_; ++y)
        rowToRgba8(y, image.pixels.data() + std::size_t{y} * width_ * 4);
    return image;
}

void Bitmap::rowToRgba8(std::uint32_t y, std::uint8_t* out) const {
    convertRow(scanLine(y), out);
}

void Bitmap::convertRow(const std::uint8_t* row, std::uint8_t* out) const {
    const unsigned bits = bitsPerPixel(format_);
    // One loop per format, so that the format is not decided again for every pixel.
    switch (format_) {
        case PixelFormat::pf1bit:
        case PixelFormat::pf4bit:
        case PixelFormat::pf8bit:
            for (std::uint32_t x = 0; x < width_; ++x, out += 4) {
                const unsigned index = indexAt(row, x, bits);
                PaletteEntry entry{0, 0, 0, 255};
                if (index < palette_.size()) entry = palette_[index];
                out[0] = entry.red;
                out[1] = entry.green;
                out[2] = entry.blue;
                out[3] = 255;
            }
            break;
        case PixelFormat::pf15bit:
            for (std::uint32_t x = 0; x < width_; ++x, out += 4) {
                const unsigned w = row[2 * x] | (row[2 * x + 1] << 8);
                out[0] = expand5((w >> 10) & 31);
                out[1] = expand5((w >> 5) & 31);
                out[2] = expand5(w & 31);
                out[3] = 255;
            }
            break;
        case PixelFormat::pf24bit:
            for (std::uint32_t x = 0; x < width_; ++x, out += 4, row += 3) {
                out[0] = row[2];
                out[1] = row[1];
                out[2] = row[0];
                out[3] = 255;
            }
            break;
        case PixelFormat::pf32bit:
            for (std::uint32_t x = 0; x < width_; ++x, out += 4, row += 4) {
                out[0] = row[2];
                out[1] = row[1];
                out[2] = row[0];
                out[3] = row[3];
            }
            break;
        case PixelFormat::pfCustom:
            break;
    }
}

}  // namespace kelvane
