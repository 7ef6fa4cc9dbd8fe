#include "imaging/color_manager.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "imaging/graphic_errors.h"

namespace kelvane {

namespace {

const char* const kBitsMessage =
    "Color depth is invalid. Bits per sample must be 1, 2, 4, 8 or 16.";
const char* const kSamplesMessage =
    "Sample count per pixel does not correspond to the given color scheme.";

bool isIndexedSource(ColorScheme s) {
    return s == ColorScheme::Indexed || s == ColorScheme::Grey || s == ColorScheme::GreyAlpha;
}
bool isIndexedTarget(ColorScheme s) {
    return s == ColorScheme::Indexed || s == ColorScheme::Grey;
}
bool isRgbFamily(ColorScheme s) {
    return s == ColorScheme::RGB || s == ColorScheme::RGBA || s == ColorScheme::BGR ||
           s == ColorScheme::BGRA;
}
bool hasAlphaSample(ColorScheme s) {
    return s == ColorScheme::GreyAlpha || s == ColorScheme::RGBA || s == ColorScheme::BGRA;
}
bool isBgr(ColorScheme s) {
    return s == ColorScheme::BGR || s == ColorScheme::BGRA;
}

// Samples a pixel of the scheme occupies.
unsigned schemeSamples(ColorScheme s) {
    switch (s) {
        case ColorScheme::Indexed:
        case ColorScheme::Grey:
            return 1;
        case ColorScheme::GreyAlpha:
            return 2;
        case ColorScheme::RGBA:
        case ColorScheme::BGRA:
        case ColorScheme::CMYK:
            return 4;
        case ColorScheme::Unknown:
            return 0;
        default:
            return 3;
    }
}

std::uint8_t clampByte(int v) {
    return static_cast<std::uint8_t>(std::clamp(v, 0, 255));
}

unsigned read16(const std::uint8_t* p, bool swap) {
    return swap ? (p[0] << 8 | p[1]) : (p[0] | p[1] << 8);
}

// Reads `bits`-wide samples (most significant bit first) by flat sample index.
unsigned rawSample(const std::uint8_t* data, std::size_t index, unsigned bits, bool swap) {
    if (bits == 8) return data[index];
    if (bits == 16) return read16(data + 2 * index, swap);
    const std::size_t bit = index * bits;
    const std::uint8_t* p = data + bit / 8;
    const unsigned shift = bit % 8;
    // At most 16 + 7 bits span three bytes; read only the bytes the sample touches.
    const unsigned needed = (shift + bits + 7) / 8;
    std::uint32_t word = 0;
    for (unsigned i = 0; i < 3; ++i) word = word << 8 | (i < needed ? p[i] : 0);
    return (word >> (24 - shift - bits)) & ((1u << bits) - 1);
}

void writeRawSample(std::uint8_t* data, std::size_t index, unsigned bits, unsigned value) {
    if (bits == 8) {
        data[index] = static_cast<std::uint8_t>(value);
        return;
    }
    if (bits == 16) {
        data[2 * index] = static_cast<std::uint8_t>(value);
        data[2 * index + 1] = static_cast<std::uint8_t>(value >> 8);
        return;
    }
    for (unsigned b = 0; b < bits; ++b) {
        const std::size_t bit = index * bits + b;
        const std::uint8_t m = static_cast<std::uint8_t>(0x80 >> (bit % 8));
        if (value & (1u << (bits - 1 - b)))
            data[bit / 8] |= m;
        else
            data[bit / 8] &= static_cast<std::uint8_t>(~m);
    }
}

// A raw sample scaled to 8 bits.
unsigned to8(unsigned raw, unsigned bits) {
    if (bits == 8) return raw;
    if (bits > 8) return raw >> (bits - 8);
    return raw * 255 / ((1u << bits) - 1);
}

// An 8-bit value written at the target depth.
void writeScaled(std::uint8_t* data, std::size_t index, unsigned bits, unsigned value8) {
    if (bits == 16)
        writeRawSample(data, index, 16, value8 * 257);
    else if (bits == 8)
        data[index] = static_cast<std::uint8_t>(value8);
    else
        writeRawSample(data, index, bits, value8 >> (8 - bits));
}

// Three-byte pixels with the first and third bytes exchanged. On little-endian hosts all
// pixels but the last move as one 32-bit word each, the fourth byte being rewritten by the
// next pixel.
void swapRedBlue(const std::uint8_t* in, std::uint8_t* out, std::size_t count) {
    std::size_t i = 0;
    if constexpr (std::endian::native == std::endian::little) {
        for (; i + 1 < count; ++i, in += 3, out += 3) {
            std::uint32_t word;
            std::memcpy(&word, in, 4);
            word = __builtin_bswap32(word) >> 8;
            std::memcpy(out, &word, 4);
        }
    }
    for (; i < count; ++i, in += 3, out += 3) {
        const std::uint8_t first = in[0];
        out[0] = in[2];
        out[1] = in[1];
        out[2] = first;
    }
}

// A sample stored multiplied by its pixel's alpha, back at full strength (black where the
// pixel is fully transparent).
std::uint8_t unpremultiplied(unsigned value, unsigned alpha) {
    if (alpha == 0) return 0;
    return clampByte(int((value * 255 + alpha / 2) / alpha));
}

bool selected(std::uint8_t mask, std::size_t pixel) {
    return (mask & (0x80 >> (pixel % 8))) != 0;
}

}  // namespace

// One call of ConvertRow: where the samples are and how to address them.
struct TColorManager::Row {
    std::span<const std::uint8_t* const> sources;
    std::uint8_t* target;
    std::size_t count;
    std::uint8_t mask;
    unsigned bits;
    unsigned stride;  // samples per source pixel
    bool swap;

    bool planar() const { return sources.size() > 1; }
    unsigned raw(std::size_t pixel, unsigned sample) const {
        if (planar()) return rawSample(sources[sample], pixel, bits, swap);
        return rawSample(sources[0], pixel * stride + sample, bits, swap);
    }
    unsigned value8(std::size_t pixel, unsigned sample) const {
        return to8(raw(pixel, sample), bits);
    }
};

TColorManager::TColorManager() {
    SetGamma(1.0f);
}

void TColorManager::SetSourceBitsPerSample(std::uint8_t bits) {
    if (bits < 1 || bits > 16) throw EColorConversionError(kBitsMessage);
    if (bits != sourceBits_) sourceBits_ = bits, markChanged();
}

void TColorManager::SetTargetBitsPerSample(std::uint8_t bits) {
    if (bits < 1 || bits > 16) throw EColorConversionError(kBitsMessage);
    if (bits != targetBits_) targetBits_ = bits, markChanged();
}

void TColorManager::SetSourceSamplesPerPixel(std::uint8_t samples) {
    if (samples < 1 || samples > 4) throw EColorConversionError(kSamplesMessage);
    if (samples != sourceSamples_) sourceSamples_ = samples, markChanged();
}

void TColorManager::SetTargetSamplesPerPixel(std::uint8_t samples) {
    if (samples < 1 || samples > 4) throw EColorConversionError(kSamplesMessage);
    if (samples != targetSamples_) targetSamples_ = samples, markChanged();
}

void TColorManager::SetSourceColorScheme(ColorScheme scheme) {
    if (scheme != sourceScheme_) sourceScheme_ = scheme, markChanged();
}

void TColorManager::SetTargetColorScheme(ColorScheme scheme) {
    if (scheme != targetScheme_) targetScheme_ = scheme, markChanged();
}

void TColorManager::SetSourceOptions(ConversionOptions options) {
    if (options != sourceOptions_) sourceOptions_ = options, markChanged();
}

void TColorManager::SetTargetOptions(ConversionOptions options) {
    if (options != targetOptions_) targetOptions_ = options, markChanged();
}

PixelFormat TColorManager::TargetPixelFormat() const {
    const unsigned bits = targetBits_;
    switch (targetSamples_) {
        case 1:
            if (bits == 1) return PixelFormat::pf1bit;
            if (bits >= 2 && bits <= 4) return PixelFormat::pf4bit;
            if (bits >= 8 && bits <= 16) return PixelFormat::pf8bit;
            break;
        case 3:
            return bits <= 5 ? PixelFormat::pf15bit : PixelFormat::pf24bit;
        case 4:
            if (bits >= 8) return PixelFormat::pf32bit;
            break;
        default:
            break;
    }
    return PixelFormat::pfCustom;
}

void TColorManager::SetYCbCrParameters(std::span<const float> coefficients, std::uint8_t horizontal,
                                       std::uint8_t vertical) {
    auto valid = [](std::uint8_t v) { return v == 1 || v == 2 || v == 4; };
    if (!valid(horizontal) || !valid(vertical))
        throw EColorConversionError("Subsampling value is invalid. Allowed are 1, 2 and 4.");
    if (vertical > horizontal)
        throw EColorConversionError(
            "Vertical subsampling value must be <= horizontal subsampling value.");
    for (std::size_t i = 0; i < 3 && i < coefficients.size(); ++i) luma_[i] = coefficients[i];
    subsampleH_ = horizontal;
    subsampleV_ = vertical;
    markChanged();
}

void TColorManager::SetGamma(float fileGamma, float displayGamma) {
    const double exponent = 1.0 / (double(fileGamma) * double(displayGamma));
    for (int i = 0; i < 256; ++i)
        gamma_[i] = clampByte(int(std::lround(255.0 * std::pow(i / 255.0, exponent))));
}

void TColorManager::buildYCbCrTables(int cbOffset, int crOffset) {
    const double kr = luma_[0], kg = luma_[1], kb = luma_[2];
    for (int i = 0; i < 256; ++i) {
        const double cr = (i - crOffset) * 2.0 * (1.0 - kr);
        const double cb = (i - cbOffset) * 2.0 * (1.0 - kb);
        crToRed_[i] = int(std::lround(cr));
        cbToBlue_[i] = int(std::lround(cb));
        // Green carries what red and blue do not: G = (Y - kr R - kb B) / kg.
        crToGreen_[i] = int(std::lround(-kr * cr / kg));
        cbToGreen_[i] = int(std::lround(-kb * cb / kg));
    }
}

void TColorManager::chooseConverter() {
    const bool toColour = isRgbFamily(targetScheme_);
    // Grey with alpha has no indexed form that keeps the alpha: it becomes colour pixels.
    const bool greyToColour = sourceScheme_ == ColorScheme::GreyAlpha && toColour;
    if (!greyToColour && isIndexedSource(sourceScheme_) != isIndexedTarget(targetScheme_))
        throw EColorConversionError(
            "Conversion between indexed and non-indexed pixel formats is not supported.");
    effectiveSourceOptions_ = sourceOptions_;
    effectiveTargetOptions_ = targetOptions_;
    if (hasAlphaSample(sourceScheme_)) effectiveSourceOptions_ |= kOptionAlpha;
    if (hasAlphaSample(targetScheme_)) effectiveTargetOptions_ |= kOptionAlpha;
    if (sourceSamples_ < schemeSamples(sourceScheme_)) throw EColorConversionError(kSamplesMessage);

    const unsigned sb = sourceBits_, tb = targetBits_;
    converter_ = Converter::None;
    switch (sourceScheme_) {
        case ColorScheme::Indexed:
            converter_ = Converter::IndexCopy;
            break;
        case ColorScheme::Grey:
            if (sb != 16 && tb != 16)
                converter_ = Converter::IndexCopy;
            else if (sb >= 8 && tb >= 8)
                converter_ = Converter::Grey;
            break;
        case ColorScheme::GreyAlpha:
            if (greyToColour)
                converter_ = Converter::GreyColour;
            else if ((sb == 8 || sb == 16) && (tb == 8 || tb == 16))
                converter_ = Converter::Grey;
            break;
        case ColorScheme::RGB:
        case ColorScheme::RGBA:
        case ColorScheme::BGR:
        case ColorScheme::BGRA:
            if (toColour) converter_ = Converter::Rgb;
            break;
        case ColorScheme::CMYK:
            if (toColour) converter_ = Converter::Cmyk;
            break;
        case ColorScheme::CIELab:
            if (toColour) converter_ = Converter::CieLab;
            break;
        case ColorScheme::YCbCr:
            if (toColour) converter_ = Converter::YCbCr, buildYCbCrTables(128, 128);
            break;
        case ColorScheme::PhotoYCC:
            if (toColour) converter_ = Converter::YCbCr, buildYCbCrTables(156, 137);
            break;
        default:
            break;
    }
    changed_ = false;
}

void TColorManager::ConvertRow(const std::uint8_t* source, std::uint8_t* target, std::size_t count,
                               std::uint8_t mask) {
    ConvertRow(std::span<const std::uint8_t* const>(&source, 1), target, count, mask);
}

void TColorManager::ConvertRow(std::span<const std::uint8_t* const> sources, std::uint8_t* target,
                               std::size_t count, std::uint8_t mask, std::ptrdiff_t targetStride) {
    if (changed_) chooseConverter();
    if (sources.empty() || (sources.size() > 1 && sources.size() < sourceSamples_))
        throw EColorConversionError(kSamplesMessage);
    const Row row{sources,
                  target,
                  count,
                  mask,
                  sourceBits_,
                  sourceSamples_,
                  (effectiveSourceOptions_ & kOptionByteSwap) != 0};
    switch (converter_) {
        case Converter::IndexCopy:
            convertIndex(row);
            break;
        case Converter::Grey:
            convertGrey(row);
            break;
        case Converter::GreyColour:
        case Converter::Rgb:
        case Converter::Cmyk:
        case Converter::CieLab:
            convertColour(row);
            break;
        case Converter::YCbCr:
            convertYCbCr(row, targetStride);
            break;
        case Converter::None:
            throw EColorConversionError("Color conversion failed. Could not find a proper method.");
    }
}

void TColorManager::convertIndex(const Row& row) {
    const unsigned sb = sourceBits_, tb = targetBits_;
    if (sb == tb && sb == 8 && row.mask == 0xFF && !row.planar() && row.stride == 1) {
        std::copy_n(row.sources[0], row.count, row.target);
        return;
    }
    // Indices land in the cells of the bitmap format TargetPixelFormat gives: 2- and 3-bit
    // indices take 4-bit cells, 5- to 7-bit ones bytes.
    const unsigned cell = tb == 1 ? 1 : tb <= 4 ? 4 : tb <= 8 ? 8 : 16;
    for (std::size_t i = 0; i < row.count; ++i) {
        if (!selected(row.mask, i)) continue;
        unsigned v = row.raw(i, 0);
        if (tb < sb) v >>= sb - tb;
        writeRawSample(row.target, i, cell, v);
    }
}

void TColorManager::convertGrey(const Row& row) {
    const unsigned tb = targetBits_;
    for (std::size_t i = 0; i < row.count; ++i) {
        if (!selected(row.mask, i)) continue;
        const unsigned raw = row.raw(i, 0);
        if (tb == 16)
            writeRawSample(row.target, i, 16, sourceBits_ == 16 ? raw : raw * 257);
        else
            writeScaled(row.target, i, tb, to8(raw, sourceBits_));
    }
}

namespace {

// CIE L*a*b* (D65 white) to gamma-encoded sRGB.
void labToRgb(double l, double a, double b, std::uint8_t rgb[3]) {
    auto finv = [](double t) {
        return t > 6.0 / 29.0 ? t * t * t : 3 * 36.0 / 841.0 * (t - 4.0 / 29.0);
    };
    const double fy = (l + 16.0) / 116.0;
    const double x = 0.95047 * finv(fy + a / 500.0);
    const double y = finv(fy);
    const double z = 1.08883 * finv(fy - b / 200.0);
    const double linear[3] = {3.2406 * x - 1.5372 * y - 0.4986 * z,
                              -0.9689 * x + 1.8758 * y + 0.0415 * z,
                              0.0557 * x - 0.2040 * y + 1.0570 * z};
    for (int c = 0; c < 3; ++c) {
        const double v = std::clamp(linear[c], 0.0, 1.0);
        const double encoded = v <= 0.0031308 ? 12.92 * v : 1.055 * std::pow(v, 1 / 2.4) - 0.055;
        rgb[c] = clampByte(int(std::lround(encoded * 255.0)));
    }
}

}  // namespace

void TColorManager::convertColour(const Row& row) {
    const bool sourceAlpha = (effectiveSourceOptions_ & kOptionAlpha) != 0;
    const bool targetAlpha = (effectiveTargetOptions_ & kOptionAlpha) != 0;
    const bool gamma = (effectiveSourceOptions_ & kOptionApplyGamma) != 0;
    const bool signedLab = (effectiveSourceOptions_ & kOptionSignedLab) != 0;
    const bool associated = sourceAlpha && (effectiveSourceOptions_ & kOptionAssociatedAlpha) != 0;
    const bool sourceBgr = isBgr(sourceScheme_), targetBgr = isBgr(targetScheme_);
    const unsigned targetStride = std::max<unsigned>(targetSamples_, targetAlpha ? 4 : 3);
    if (converter_ == Converter::Rgb && sourceBits_ == 8 && targetBits_ == 8 && !row.planar() &&
        row.mask == 0xFF && !gamma && !associated) {
        // The common case of whole rows of 8-bit samples: a plain reordering.
        const unsigned red = sourceBgr == targetBgr ? 0 : 2;
        const std::uint8_t* in = row.sources[0];
        std::uint8_t* out = row.target;
        if (red == 2 && row.stride == 3 && targetStride == 3) {
            swapRedBlue(in, out, row.count);
            return;
        }
        for (std::size_t i = 0; i < row.count; ++i, in += row.stride, out += targetStride) {
            out[0] = in[red];
            out[1] = in[1];
            out[2] = in[2 - red];
            if (targetAlpha) out[3] = sourceAlpha ? in[3] : 255;
        }
        return;
    }
    for (std::size_t i = 0; i < row.count; ++i) {
        if (!selected(row.mask, i)) continue;
        std::uint8_t rgb[3];
        unsigned alpha = 255;
        if (converter_ == Converter::Rgb) {
            for (unsigned c = 0; c < 3; ++c) rgb[c] = std::uint8_t(row.value8(i, c));
            if (sourceBgr) std::swap(rgb[0], rgb[2]);
            if (sourceAlpha) alpha = row.value8(i, 3);
        } else if (converter_ == Converter::GreyColour) {
            unsigned grey = row.value8(i, 0);
            if ((effectiveSourceOptions_ & kOptionMinIsWhite) != 0) grey = 255 - grey;
            rgb[0] = rgb[1] = rgb[2] = std::uint8_t(grey);
            alpha = row.value8(i, 1);
        } else if (converter_ == Converter::Cmyk) {
            const unsigned k = 255 - row.value8(i, 3);
            for (unsigned c = 0; c < 3; ++c)
                rgb[c] = std::uint8_t((255 - row.value8(i, c)) * k / 255);
        } else {
            const double l = row.value8(i, 0) * 100.0 / 255.0;
            int a = int(row.value8(i, 1)), b = int(row.value8(i, 2));
            if (signedLab) {
                a = static_cast<std::int8_t>(a);
                b = static_cast<std::int8_t>(b);
            } else {
                a -= 128;
                b -= 128;
            }
            labToRgb(l, a, b, rgb);
        }
        if (associated)
            for (auto& c : rgb) c = unpremultiplied(c, alpha);
        if (gamma)
            for (auto& c : rgb) c = gamma_[c];
        const std::size_t base = i * targetStride;
        writeScaled(row.target, base + (targetBgr ? 2 : 0), targetBits_, rgb[0]);
        writeScaled(row.target, base + 1, targetBits_, rgb[1]);
        writeScaled(row.target, base + (targetBgr ? 0 : 2), targetBits_, rgb[2]);
        if (targetAlpha) writeScaled(row.target, base + 3, targetBits_, alpha);
    }
}

void TColorManager::convertYCbCr(const Row& row, std::ptrdiff_t targetStride) {
    const bool targetAlpha = (effectiveTargetOptions_ & kOptionAlpha) != 0;
    const bool targetBgr = isBgr(targetScheme_);
    const unsigned pixelStride = std::max<unsigned>(targetSamples_, targetAlpha ? 4 : 3);
    const unsigned h = subsampleH_, v = subsampleV_;
    const bool subsampled = h * v > 1;
    const unsigned lines = subsampled && targetStride != 0 ? v : 1;
    const unsigned unitSamples = subsampled ? h * v + 2 : row.stride;
    const std::size_t units = subsampled ? (row.count + h - 1) / h : row.count;
    for (std::size_t u = 0; u < units; ++u) {
        auto sample = [&](unsigned s) {
            if (!subsampled) return row.value8(u, s);
            return to8(rawSample(row.sources[0], u * unitSamples + s, row.bits, row.swap),
                       row.bits);
        };
        const unsigned lumaCount = subsampled ? h * v : 1;
        const unsigned cb = sample(lumaCount), cr = sample(lumaCount + 1);
        for (unsigned line = 0; line < lines; ++line) {
            std::uint8_t* out = row.target + std::ptrdiff_t(line) * targetStride;
            for (unsigned j = 0; j < (subsampled ? h : 1); ++j) {
                const std::size_t x = subsampled ? u * h + j : u;
                if (x >= row.count || !selected(row.mask, x)) continue;
                const int y = int(sample(line * h + j));
                const std::uint8_t r = clampByte(y + crToRed_[cr]);
                const std::uint8_t g = clampByte(y + crToGreen_[cr] + cbToGreen_[cb]);
                const std::uint8_t b = clampByte(y + cbToBlue_[cb]);
                const std::size_t base = x * pixelStride;
                writeScaled(out, base + (targetBgr ? 2 : 0), targetBits_, r);
                writeScaled(out, base + 1, targetBits_, g);
                writeScaled(out, base + (targetBgr ? 0 : 2), targetBits_, b);
                if (targetAlpha) writeScaled(out, base + 3, targetBits_, 255);
            }
        }
    }
}

Palette TColorManager::CreateGrayscalePalette(bool minimumIsWhite) const {
    const unsigned bits = targetBits_ >= 8 ? 8 : targetBits_;
    const unsigned levels = 1u << bits;
    Palette palette(levels);
    for (unsigned i = 0; i < levels; ++i) {
        const auto grey = std::uint8_t(i * 255 / (levels - 1));
        const auto level = std::uint8_t(minimumIsWhite ? 255 - grey : grey);
        palette[i] = {level, level, level, 255};
    }
    return palette;
}

Palette TColorManager::CreateColorPalette(std::span<const std::uint8_t* const> data,
                                          RawPaletteFormat format, std::size_t colorCount,
                                          bool rgb) const {
    const bool quad =
        format == RawPaletteFormat::Interlaced8Quad || format == RawPaletteFormat::Plane8Quad ||
        format == RawPaletteFormat::Interlaced16Quad || format == RawPaletteFormat::Plane16Quad;
    const bool planes =
        format == RawPaletteFormat::Plane8Triple || format == RawPaletteFormat::Plane8Quad ||
        format == RawPaletteFormat::Plane16Triple || format == RawPaletteFormat::Plane16Quad;
    const bool wide = format >= RawPaletteFormat::Interlaced16Triple;
    const unsigned channels = quad ? 4 : 3;
    if (data.size() < (planes ? channels : 1u))
        throw EColorConversionError("Color conversion failed. Could not find a proper method.");
    const std::size_t count = std::min(colorCount, kMaxPaletteEntries);
    const bool swap = (sourceOptions_ & kOptionByteSwap) != 0;
    auto value = [&](std::size_t entry, unsigned channel) -> unsigned {
        const std::uint8_t* base = planes ? data[channel] : data[0];
        const std::size_t index = planes ? entry : entry * channels + channel;
        return wide ? read16(base + 2 * index, swap) : base[index];
    };
    bool narrow = !wide;
    if (wide) {
        narrow = true;
        for (std::size_t e = 0; e < count && narrow; ++e)
            for (unsigned c = 0; c < channels; ++c) narrow = narrow && value(e, c) <= 255;
    }
    Palette palette(count);
    for (std::size_t e = 0; e < count; ++e) {
        std::uint8_t v[4] = {0, 0, 0, 255};
        for (unsigned c = 0; c < channels; ++c)
            v[c] = std::uint8_t(narrow ? value(e, c) : value(e, c) >> 8);
        palette[e] =
            rgb ? PaletteEntry{v[0], v[1], v[2], v[3]} : PaletteEntry{v[2], v[1], v[0], v[3]};
    }
    return palette;
}

}  // namespace kelvane
