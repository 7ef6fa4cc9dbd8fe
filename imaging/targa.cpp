#include "imaging/targa.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "imaging/graphic_errors.h"
#include "platform/little_endian.h"

namespace kelvane {

namespace {

constexpr const char* kFormat = "TGA";

struct TargaHeader {
    std::uint8_t idLength, colorMapType, imageType;
    std::uint16_t colorMapLength;
    std::uint8_t colorMapEntrySize;
    std::uint16_t width, height;
    std::uint8_t pixelSize, descriptor;
};

TargaHeader readHeader(ImageStream& stream) {
    std::uint8_t b[18];
    stream.readBuffer(b, sizeof b);
    return {
        b[0],  b[1], b[2], readLittle16(b + 5), b[7], readLittle16(b + 12), readLittle16(b + 14),
        b[16], b[17]};
}

bool isRunLength(std::uint8_t imageType) {
    return imageType >= 9 && imageType <= 11;
}
bool isGrey(std::uint8_t imageType) {
    return imageType == 3 || imageType == 11;
}
bool knownEntrySize(unsigned bits) {
    return bits == 15 || bits == 16 || bits == 24 || bits == 32;
}
bool knownPixelSize(unsigned bits) {
    return bits == 8 || knownEntrySize(bits);
}

unsigned bytesPerPixel(unsigned pixelSize) {
    switch (pixelSize) {
        case 8:
            return 1;
        case 15:
        case 16:
            return 2;
        case 24:
            return 3;
        case 32:
            return 4;
        default:
            return 0;
    }
}

// Palette entries as the file stores them: 15/16-bit little-endian words (x-5-5-5), or
// blue-green-red(-alpha) bytes.
Palette readColorMap(ImageStream& stream, TColorManager& manager, const TargaHeader& header) {
    const std::size_t entryBytes = (header.colorMapEntrySize + 7) / 8;
    std::vector<std::uint8_t> raw(header.colorMapLength * entryBytes);
    stream.readBuffer(raw.data(), raw.size());
    if (entryBytes == 2) {
        Palette palette(header.colorMapLength);
        for (std::size_t i = 0; i < palette.size(); ++i) {
            const unsigned w = readLittle16(raw.data() + 2 * i);
            palette[i] = {std::uint8_t(((w >> 10) & 31) << 3), std::uint8_t(((w >> 5) & 31) << 3),
                          std::uint8_t((w & 31) << 3), 255};
        }
        return palette;
    }
    const std::uint8_t* data = raw.data();
    const auto format =
        entryBytes == 4 ? RawPaletteFormat::Interlaced8Quad : RawPaletteFormat::Interlaced8Triple;
    return manager.CreateColorPalette(std::span(&data, 1), format, header.colorMapLength, false);
}

}  // namespace

TTargaRLEDecoder::TTargaRLEDecoder(unsigned pixelSize) : pixelBytes_(bytesPerPixel(pixelSize)) {}

std::size_t TTargaRLEDecoder::Decode(const std::uint8_t*& source, const std::uint8_t* sourceEnd,
                                     std::uint8_t* target, std::size_t pixelCount) {
    const std::size_t bpp = pixelBytes_;
    if (bpp == 0) return 0;
    std::size_t done = 0;
    while (done < pixelCount) {
        if (pending_ == 0) {
            if (source >= sourceEnd) break;
            const std::uint8_t h = *source;
            const bool repeat = (h & 0x80) != 0;
            if (repeat && std::size_t(sourceEnd - source) <= bpp) break;
            ++source;
            pending_ = (h & 0x7F) + 1u;
            pendingRepeat_ = repeat;
            if (repeat) {
                std::memcpy(pendingPixel_.data(), source, bpp);
                source += bpp;
            }
        }
        std::size_t n = std::min(pending_, pixelCount - done);
        std::uint8_t* out = target + done * bpp;
        if (pendingRepeat_) {
            // One pixel, then doubling copies of what is already there.
            std::memcpy(out, pendingPixel_.data(), bpp);
            for (std::size_t filled = 1; filled < n;) {
                const std::size_t chunk = std::min(filled, n - filled);
                std::memcpy(out + filled * bpp, out, chunk * bpp);
                filled += chunk;
            }
        } else {
            n = std::min(n, std::size_t(sourceEnd - source) / bpp);
            if (n == 0) break;
            std::memcpy(out, source, n * bpp);
            source += n * bpp;
        }
        pending_ -= n;
        done += n;
    }
    return done;
}

void TTargaRLEDecoder::Encode(const std::uint8_t* source, std::uint8_t* target,
                              std::size_t& written, std::size_t pixelCount) const {
    const std::size_t bpp = pixelBytes_;
    std::uint8_t* out = target;
    auto same = [&](std::size_t a, std::size_t b) {
        return std::memcmp(source + a * bpp, source + b * bpp, bpp) == 0;
    };
    std::size_t i = 0;
    while (bpp != 0 && i < pixelCount) {
        std::size_t run = 1;
        while (i + run < pixelCount && run < 128 && same(i, i + run)) ++run;
        if (run > 1) {
            *out++ = std::uint8_t(0x80 | (run - 1));
            std::memcpy(out, source + i * bpp, bpp);
            out += bpp;
            i += run;
            continue;
        }
        // Literal stretch: up to the next pair of equal pixels.
        std::size_t count = 1;
        while (i + count < pixelCount && count < 128 &&
               !(i + count + 1 < pixelCount && same(i + count, i + count + 1)))
            ++count;
        *out++ = std::uint8_t(count - 1);
        std::memcpy(out, source + i * bpp, count * bpp);
        out += count * bpp;
        i += count;
    }
    written = std::size_t(out - target);
}

bool TTargaGraphic::CanLoad(ImageStream& stream) {
    if (stream.remaining() <= 18) return false;
    const std::uint64_t start = stream.position();
    const TargaHeader h = readHeader(stream);
    stream.seek(start);
    return (h.imageType <= 3 || isRunLength(h.imageType)) && h.colorMapType <= 1 &&
           knownEntrySize(h.colorMapEntrySize) && knownPixelSize(h.pixelSize);
}

bool TTargaGraphic::ReadImageProperties(ImageStream& stream, unsigned imageIndex) {
    TFormatGraphic::ReadImageProperties(stream, imageIndex);
    const TargaHeader h = readHeader(stream);
    TImageProperties& p = FImageProperties;
    p.Width = h.width;
    p.Height = h.height;
    p.BitsPerSample = 8;
    switch (h.pixelSize) {
        case 8:
            p.ColorScheme = isGrey(h.imageType) ? ColorScheme::Grey : ColorScheme::Indexed;
            p.SamplesPerPixel = 1;
            break;
        case 16:
            // Grey files of 16 bits hold a grey byte and an alpha byte.
            if (isGrey(h.imageType)) {
                p.ColorScheme = ColorScheme::GreyAlpha;
                p.SamplesPerPixel = 2;
                break;
            }
            [[fallthrough]];
        case 15:
            p.ColorScheme = ColorScheme::RGB;
            p.BitsPerSample = 5;
            p.SamplesPerPixel = 3;
            break;
        case 24:
            p.ColorScheme = ColorScheme::RGB;
            p.SamplesPerPixel = 3;
            break;
        case 32:
            p.ColorScheme = ColorScheme::RGBA;
            p.SamplesPerPixel = 4;
            break;
        default:
            break;
    }
    p.BitsPerPixel = std::uint8_t(p.SamplesPerPixel * p.BitsPerSample);
    p.Compression = isRunLength(h.imageType) ? TCompressionType::ctRLE : TCompressionType::ctNone;
    return true;
}

void TTargaGraphic::LoadFromStream(ImageStream& stream) {
    clear();
    FBasePosition = stream.position();
    ReadImageProperties(stream, 0);
    stream.seek(FBasePosition);
    const TImageProperties& p = FImageProperties;
    FProgressRect = {0, 0, std::int32_t(p.Width), 1};
    Progress(ProgressStage::psStarting, 0, false, FProgressRect, kPreparing);

    const TargaHeader h = readHeader(stream);
    const bool topDown = (h.descriptor & 0x20) != 0;
    stream.seek(stream.position() + h.idLength);

    // Stored pixels are the bitmap's own layout, except grey with alpha, which the colour
    // manager turns into blue-green-red-alpha.
    const bool greyAlpha = p.ColorScheme == ColorScheme::GreyAlpha;
    FColorManager.SetSourceSamplesPerPixel(p.SamplesPerPixel);
    FColorManager.SetTargetSamplesPerPixel(greyAlpha ? 4 : p.SamplesPerPixel);
    FColorManager.SetSourceColorScheme(p.ColorScheme);
    FColorManager.SetSourceOptions(0);
    FColorManager.SetTargetColorScheme(greyAlpha ? ColorScheme::BGRA : ColorScheme::BGR);
    FColorManager.SetSourceBitsPerSample(p.BitsPerSample);
    FColorManager.SetTargetBitsPerSample(p.BitsPerSample);
    if (h.imageType > 3 && !isRunLength(h.imageType)) throwInvalidImage(kFormat);
    setPixelFormat(FColorManager.TargetPixelFormat());

    // The colour map is always skipped when present; it becomes the palette of a
    // colour-mapped picture, which holds at most 256 entries.
    const bool mapped = h.pixelSize == 8 && !isGrey(h.imageType);
    if (h.colorMapType == 1) {
        if (!knownEntrySize(h.colorMapEntrySize)) throwInvalidImage(kFormat);
        if (mapped) {
            if (h.colorMapLength > kMaxPaletteEntries) throwInvalidImage(kFormat);
            setPalette(readColorMap(stream, FColorManager, h));
        } else {
            stream.seek(stream.position() +
                        std::uint64_t{h.colorMapLength} * ((h.colorMapEntrySize + 7) / 8));
        }
    }
    if (isGrey(h.imageType) && !greyAlpha) setPalette(FColorManager.CreateGrayscalePalette(false));

    checkImageSize(p.Width, p.Height, bitsPerPixel(pixelFormat()), kFormat);
    const std::size_t rowSize = std::size_t{p.Width} * bytesPerPixel(h.pixelSize);
    // Data too short for the picture fails before the bitmap is allocated; a packet of two
    // bytes or more yields at most 128 pixels.
    const std::uint64_t pixels = std::uint64_t{p.Width} * p.Height;
    if (h.imageType != 0 && (isRunLength(h.imageType) ? pixels > 64 * stream.remaining()
                                                      : rowSize * p.Height > stream.remaining()))
        throw EReadError();
    // Every row is written below (or loading fails), so only an empty image type needs
    // cleared pixels; the rows written can go to an offered sink.
    if (h.imageType != 0) acceptRowSink({p.Width, p.Height});
    setSize(p.Width, p.Height, h.imageType == 0);
    Progress(ProgressStage::psEnding, 0, false, FProgressRect, "");
    Progress(ProgressStage::psStarting, 0, false, FProgressRect, kTransfering);

    if (h.imageType != 0 && !empty()) {
        TTargaRLEDecoder decoder(h.pixelSize);
        std::vector<std::uint8_t> packed(isRunLength(h.imageType) ? 2 * rowSize : 0);
        std::vector<std::uint8_t> stored(greyAlpha ? rowSize : 0);
        for (std::uint32_t r = 0; r < p.Height; ++r) {
            const std::uint32_t y = topDown ? r : p.Height - 1 - r;
            std::uint8_t* bitmapRow = scanLine(y);
            std::uint8_t* row = greyAlpha ? stored.data() : bitmapRow;
            if (packed.empty()) {
                stream.readBuffer(row, rowSize);
            } else {
                // The worst case of a row's packets fits the buffer; the stream then goes
                // back to just after the packets used. Data that end before the picture is
                // complete fail as the uncompressed path does.
                const std::uint64_t start = stream.position();
                const std::size_t got = stream.read(packed.data(), packed.size());
                const std::uint8_t* source = packed.data();
                if (decoder.Decode(source, packed.data() + got, row, p.Width) < p.Width)
                    throw EReadError();
                stream.seek(start + std::uint64_t(source - packed.data()));
            }
            if (greyAlpha) FColorManager.ConvertRow(row, bitmapRow, p.Width);
            rowDone(y);
            Progress(ProgressStage::psRunning, std::uint8_t(std::uint64_t{r} * 100 / p.Height),
                     false, FProgressRect, "");
            ++FProgressRect.top;
            ++FProgressRect.bottom;
        }
    }
    Progress(ProgressStage::psEnding, 0, false, FProgressRect, "");
}

namespace {
std::unique_ptr<Graphic> createTarga() {
    return std::make_unique<TTargaGraphic>();
}
}  // namespace

const GraphicClass kTargaGraphicClass{"TTargaGraphic", createTarga, TTargaGraphic::CanLoad};

}  // namespace kelvane
