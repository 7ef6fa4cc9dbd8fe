#include <algorithm>
#include <array>
#include <bit>
#include <vector>

#include "imaging/graphic_errors.h"
#include "imaging/platform_picture.h"
#include "platform/little_endian.h"

namespace kelvane {

namespace {

constexpr const char* kFormat = "BMP";

enum : std::uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6 };

struct DibHeader {
    std::uint32_t headerSize = 0;
    std::int64_t width = 0, height = 0;
    unsigned bits = 0;
    std::uint32_t compression = kRgb;
    std::uint32_t colorsUsed = 0;
    std::array<std::uint32_t, 4> masks{};  // red, green, blue, alpha
    bool core = false;                     // 12-byte header: 3-byte palette entries
};

DibHeader readDibHeader(ImageStream& stream) {
    std::array<std::uint8_t, 124> b{};
    stream.readBuffer(b.data(), 4);
    DibHeader h;
    h.headerSize = readLittle32(b.data());
    if (h.headerSize < 12 || h.headerSize > 1024) throwInvalidImage(kFormat);
    const std::size_t kept = std::min<std::size_t>(h.headerSize, b.size());
    stream.readBuffer(b.data() + 4, kept - 4);
    stream.seek(stream.position() + (h.headerSize - kept));
    if (h.headerSize == 12) {
        h.core = true;
        h.width = readLittle16(b.data() + 4);
        h.height = std::int16_t(readLittle16(b.data() + 6));
        h.bits = readLittle16(b.data() + 10);
        return h;
    }
    if (h.headerSize < 16) throwInvalidImage(kFormat);
    h.width = std::int32_t(readLittle32(b.data() + 4));
    h.height = std::int32_t(readLittle32(b.data() + 8));
    h.bits = readLittle16(b.data() + 14);
    if (h.headerSize >= 20) h.compression = readLittle32(b.data() + 16);
    if (h.headerSize >= 36) h.colorsUsed = readLittle32(b.data() + 32);
    // OS/2 2.x headers (64 bytes) use 3 and 4 for Huffman and RLE24, which are not read.
    if (h.headerSize == 64 && h.compression >= 3)
        throw EInvalidGraphic(notSupportedMessage(kCompressionSchemeIs, kFormat));
    if (h.compression == kBitFields || h.compression == kAlphaBitFields) {
        const unsigned count = h.compression == kAlphaBitFields ? 4 : 3;
        if (h.headerSize >= 40 + 4 * count) {
            for (unsigned i = 0; i < count; ++i) h.masks[i] = readLittle32(b.data() + 40 + 4 * i);
        } else {
            std::uint8_t m[16];
            stream.readBuffer(m, 4 * count);
            for (unsigned i = 0; i < count; ++i) h.masks[i] = readLittle32(m + 4 * i);
        }
        if (h.headerSize >= 56) h.masks[3] = readLittle32(b.data() + 52);
    }
    return h;
}

// One channel of a bit-field pixel scaled to 8 bits.
struct Field {
    std::uint32_t mask;
    int shift;
    std::uint32_t max;
    explicit Field(std::uint32_t m)
        : mask(m), shift(m ? std::countr_zero(m) : 0), max(m ? m >> shift : 0) {}
    std::uint8_t operator()(std::uint32_t v, std::uint8_t absent) const {
        if (max == 0) return absent;
        return std::uint8_t(std::uint64_t((v & mask) >> shift) * 255 / max);
    }
};

void expandRle(const std::vector<std::uint8_t>& data, Bitmap& bitmap, unsigned bits, bool topDown) {
    const std::uint32_t width = bitmap.width(), height = bitmap.height();
    std::uint32_t x = 0, y = 0;  // y counts file rows
    auto put = [&](unsigned index) {
        if (x < width && y < height) {
            std::uint8_t* row = bitmap.scanLine(topDown ? y : height - 1 - y);
            if (bits == 8)
                row[x] = std::uint8_t(index);
            else {
                const unsigned shift = x % 2 ? 0 : 4;
                row[x / 2] = std::uint8_t((row[x / 2] & ~(15u << shift)) | (index & 15) << shift);
            }
        }
        ++x;
    };
    std::size_t i = 0;
    while (i + 1 < data.size() && y < height) {
        const unsigned count = data[i], value = data[i + 1];
        i += 2;
        if (count > 0) {
            for (unsigned k = 0; k < count; ++k)
                put(bits == 8 ? value : (k % 2 ? value & 15 : value >> 4));
            continue;
        }
        if (value == 0) {
            x = 0;
            ++y;
        } else if (value == 1) {
            break;
        } else if (value == 2) {
            if (i + 1 >= data.size()) break;
            x += data[i];
            y += data[i + 1];
            i += 2;
        } else {
            const std::size_t bytes = bits == 8 ? value : (value + 1) / 2;
            for (unsigned k = 0; k < value && i + (bits == 8 ? k : k / 2) < data.size(); ++k) {
                const std::uint8_t b = data[i + (bits == 8 ? k : k / 2)];
                put(bits == 8 ? b : (k % 2 ? b & 15 : b >> 4));
            }
            i += bytes + (bytes & 1);  // runs are padded to 16 bits
        }
    }
}

void readPalette(ImageStream& stream, const DibHeader& h, Bitmap& bitmap) {
    const std::uint32_t colors = h.colorsUsed != 0 ? h.colorsUsed : 1u << h.bits;
    if (colors > kMaxPaletteEntries) throwInvalidImage(kFormat);
    const unsigned entryBytes = h.core ? 3 : 4;
    std::vector<std::uint8_t> raw(colors * entryBytes);
    stream.readBuffer(raw.data(), raw.size());
    Palette palette(colors);
    for (std::size_t i = 0; i < colors; ++i) {
        const std::uint8_t* e = raw.data() + i * entryBytes;
        palette[i] = {e[2], e[1], e[0], 255};
    }
    bitmap.setPalette(std::move(palette));
}

PixelFormat formatFor(const DibHeader& h, bool alpha) {
    switch (h.bits) {
        case 1:
            return PixelFormat::pf1bit;
        case 4:
            return PixelFormat::pf4bit;
        case 8:
            return PixelFormat::pf8bit;
        case 16:
            return h.compression == kRgb ||
                           (h.masks[0] == 0x7C00 && h.masks[1] == 0x3E0 && h.masks[2] == 0x1F)
                       ? PixelFormat::pf15bit
                       : PixelFormat::pf24bit;
        case 24:
            return PixelFormat::pf24bit;
        default:
            return alpha ? PixelFormat::pf32bit : PixelFormat::pf24bit;
    }
}

// Converts one stored row of 16- or 32-bit pixels through bit fields.
void convertMasked(const std::uint8_t* in, std::uint8_t* out, std::uint32_t width,
                   const DibHeader& h, const std::array<Field, 4>& fields, bool alpha) {
    for (std::uint32_t x = 0; x < width; ++x) {
        const std::uint32_t v = h.bits == 16 ? readLittle16(in + 2 * x) : readLittle32(in + 4 * x);
        std::uint8_t* p = out + x * (alpha ? 4 : 3);
        p[0] = fields[2](v, 0);
        p[1] = fields[1](v, 0);
        p[2] = fields[0](v, 0);
        if (alpha) p[3] = fields[3](v, 255);
    }
}

}  // namespace

void decodeDib(ImageStream& stream, Bitmap& bitmap, std::uint64_t pixelOffset,
               std::vector<std::uint8_t>* iconMask) {
    DibHeader h = readDibHeader(stream);
    if (iconMask != nullptr) h.height /= 2;
    const bool topDown = h.height < 0;
    const std::int64_t height = topDown ? -h.height : h.height;
    const unsigned b = h.bits;
    const bool validBits = b == 1 || b == 4 || b == 8 || b == 16 || b == 24 || b == 32;
    const bool validCompression =
        h.compression == kRgb || (h.compression == kRle8 && b == 8) ||
        (h.compression == kRle4 && b == 4) ||
        ((h.compression == kBitFields || h.compression == kAlphaBitFields) && (b == 16 || b == 32));
    if (!validBits || h.width <= 0 || height == 0 || height > 0x7FFFFFFF)
        throwInvalidImage(kFormat);
    if (!validCompression)
        throw EInvalidGraphic(notSupportedMessage(kCompressionSchemeIs, kFormat));
    if (h.compression == kRgb && b == 16) h.masks = {0x7C00, 0x3E0, 0x1F, 0};
    // Icons keep their alpha in the fourth byte of 32-bit pixels.
    if (h.compression == kRgb && b == 32)
        h.masks = {0xFF0000, 0xFF00, 0xFF, iconMask != nullptr ? 0xFF000000u : 0u};
    const bool alpha = b == 32 && h.masks[3] != 0;
    const bool rle = h.compression == kRle8 || h.compression == kRle4;

    checkImageSize(std::uint64_t(h.width), std::uint64_t(height), std::max(b, 24u), kFormat);
    const std::size_t stride = (std::size_t(h.width) * b + 31) / 32 * 4;
    if (b <= 8) readPalette(stream, h, bitmap);
    if (pixelOffset != 0) stream.seek(pixelOffset);
    if (!rle && stride * std::uint64_t(height) > stream.remaining()) throw EReadError();
    bitmap.setPixelFormat(formatFor(h, alpha));
    // Run-length data may skip rows and come back to pixels, so only plain rows can go to an
    // offered sink.
    if (!rle) bitmap.acceptRowSink({std::uint32_t(h.width), std::uint32_t(height)});
    bitmap.setSize(std::uint32_t(h.width), std::uint32_t(height));

    if (rle) {
        expandRle(readRest(stream), bitmap, b, topDown);
    } else {
        const std::array<Field, 4> fields{Field(h.masks[0]), Field(h.masks[1]), Field(h.masks[2]),
                                          Field(h.masks[3])};
        const bool direct = bitsPerPixel(bitmap.pixelFormat()) == b;
        std::vector<std::uint8_t> row(stride);
        for (std::int64_t r = 0; r < height; ++r) {
            stream.readBuffer(row.data(), stride);
            const auto y = std::uint32_t(topDown ? r : height - 1 - r);
            std::uint8_t* out = bitmap.scanLine(y);
            if (direct)
                std::copy_n(row.data(), bitmap.bytesPerLine(), out);
            else
                convertMasked(row.data(), out, bitmap.width(), h, fields, alpha);
            bitmap.rowDone(y);
        }
    }
    if (iconMask == nullptr) return;
    // The transparency mask: one bit per pixel, rows padded to 32 bits, bottom-up. A
    // missing mask leaves the picture opaque.
    const std::size_t maskStride = (std::size_t(h.width) + 31) / 32 * 4;
    iconMask->assign(std::size_t(h.width) * height, 0);
    std::vector<std::uint8_t> row(maskStride);
    for (std::int64_t r = 0; r < height; ++r) {
        if (stream.read(row.data(), maskStride) != maskStride) break;
        const std::size_t y = std::size_t(topDown ? r : height - 1 - r);
        for (std::int64_t x = 0; x < h.width; ++x)
            (*iconMask)[y * h.width + x] = (row[x / 8] >> (7 - x % 8)) & 1;
    }
}

void WindowsBitmap::LoadFromStream(ImageStream& stream) {
    clear();
    const std::uint64_t base = stream.position();
    std::uint8_t fileHeader[14];
    stream.readBuffer(fileHeader, sizeof fileHeader);
    if (fileHeader[0] != 'B' || fileHeader[1] != 'M') throwInvalidImage(kFormat);
    const std::uint32_t offset = readLittle32(fileHeader + 10);
    decodeDib(stream, *this, offset != 0 ? base + offset : 0);
}

namespace {
std::unique_ptr<Graphic> createBitmap() {
    return std::make_unique<WindowsBitmap>();
}
}  // namespace

const GraphicClass kWindowsBitmapClass{"TBitmap", createBitmap};

}  // namespace kelvane
