// Pixel-format conversion engine of the decoders: converts one row of samples in a file's
// colour scheme and depth into the bitmap's layout, and builds palettes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "imaging/bitmap.h"

namespace kelvane {

enum class ColorScheme : std::uint8_t {
    Unknown = 0,
    Indexed = 1,
    Grey = 2,
    GreyAlpha = 3,  // grey (or index) plus an alpha sample
    RGB = 4,
    RGBA = 5,
    BGR = 6,  // Windows bitmap order
    BGRA = 7,
    CMY = 8,
    CMYK = 9,
    CIELab = 10,
    YCbCr = 11,
    PhotoYCC = 12,
};

// Conversion options, a one-byte set for each side.
using ConversionOptions = std::uint8_t;
inline constexpr ConversionOptions kOptionAlpha = 0x01;
inline constexpr ConversionOptions kOptionApplyGamma =
    0x02;  // colour samples through the gamma table
inline constexpr ConversionOptions kOptionByteSwap = 0x04;   // 16-bit samples are big-endian
inline constexpr ConversionOptions kOptionSignedLab = 0x08;  // Lab a/b stored as signed bytes
// Grey samples count from white (for grey-to-colour conversion; indexed targets reverse
// their palette instead).
inline constexpr ConversionOptions kOptionMinIsWhite = 0x10;
// Colour (or grey) samples are stored multiplied by their alpha; the target gets them back at
// full strength.
inline constexpr ConversionOptions kOptionAssociatedAlpha = 0x20;

// Layouts of a raw palette for CreateColorPalette: interlaced entries or one plane per
// channel, 8- or 16-bit values, three channels or four (the fourth is alpha).
enum class RawPaletteFormat {
    Interlaced8Triple,
    Interlaced8Quad,
    Plane8Triple,
    Plane8Quad,
    Interlaced16Triple,
    Interlaced16Quad,
    Plane16Triple,
    Plane16Quad,
};

class TColorManager {
  public:
    TColorManager();

    // Setters check their value (EColorConversionError) and mark the manager changed only
    // when the value really changes.
    void SetSourceBitsPerSample(std::uint8_t bits);
    void SetTargetBitsPerSample(std::uint8_t bits);
    void SetSourceSamplesPerPixel(std::uint8_t samples);
    void SetTargetSamplesPerPixel(std::uint8_t samples);
    void SetSourceColorScheme(ColorScheme scheme);
    void SetTargetColorScheme(ColorScheme scheme);
    void SetSourceOptions(ConversionOptions options);
    void SetTargetOptions(ConversionOptions options);

    std::uint8_t SourceBitsPerSample() const { return sourceBits_; }
    std::uint8_t TargetBitsPerSample() const { return targetBits_; }
    std::uint8_t SourceSamplesPerPixel() const { return sourceSamples_; }
    std::uint8_t TargetSamplesPerPixel() const { return targetSamples_; }
    ColorScheme SourceColorScheme() const { return sourceScheme_; }
    ColorScheme TargetColorScheme() const { return targetScheme_; }
    ConversionOptions SourceOptions() const { return sourceOptions_; }
    ConversionOptions TargetOptions() const { return targetOptions_; }

    // The bitmap format that holds pixels of the target settings.
    PixelFormat TargetPixelFormat() const;

    // Converts `count` pixels. One source pointer means interleaved samples; one pointer
    // per sample means planes. Bit `7 - i % 8` of `mask` selects pixel i (0xFF: all);
    // unselected target pixels are left as they are. Target samples are packed at the
    // target depth, one pixel every max(target samples, scheme samples) samples.
    // YCbCr with subsampling H x V reads data units of H*V luma samples (V lines of H)
    // followed by Cb and Cr, and writes V lines: the first at `target`, line k at
    // `target + k * targetStride` (lines after the first are dropped when the stride is 0).
    void ConvertRow(std::span<const std::uint8_t* const> sources, std::uint8_t* target,
                    std::size_t count, std::uint8_t mask = 0xFF, std::ptrdiff_t targetStride = 0);
    void ConvertRow(const std::uint8_t* source, std::uint8_t* target, std::size_t count,
                    std::uint8_t mask = 0xFF);

    // 2^target bits grey levels (256 from 8 bits up), black first unless minimumIsWhite.
    Palette CreateGrayscalePalette(bool minimumIsWhite) const;
    // `data` holds one pointer (interlaced) or one per channel (planes). With `rgb` the
    // first channel is red, else blue. 16-bit values follow the source byte-swap option;
    // a 16-bit palette whose values all fit in 8 bits is taken as 8-bit values. At most
    // 256 colours are used.
    Palette CreateColorPalette(std::span<const std::uint8_t* const> data, RawPaletteFormat format,
                               std::size_t colorCount, bool rgb) const;

    void SetYCbCrParameters(std::span<const float> coefficients, std::uint8_t horizontal,
                            std::uint8_t vertical);
    // Rebuilds the gamma table for the given file and display gamma.
    void SetGamma(float fileGamma, float displayGamma = 2.2f);
    const std::array<std::uint8_t, 256>& GammaTable() const { return gamma_; }

  private:
    enum class Converter { None, IndexCopy, Grey, GreyColour, Rgb, Cmyk, CieLab, YCbCr };
    struct Row;

    void markChanged() { changed_ = true; }
    void chooseConverter();
    void buildYCbCrTables(int cbOffset, int crOffset);

    void convertIndex(const Row& row);
    void convertGrey(const Row& row);
    void convertColour(const Row& row);
    void convertYCbCr(const Row& row, std::ptrdiff_t targetStride);

    std::uint8_t sourceBits_ = 8, targetBits_ = 8;
    std::uint8_t sourceSamples_ = 3, targetSamples_ = 3;
    ColorScheme sourceScheme_ = ColorScheme::RGB, targetScheme_ = ColorScheme::BGR;
    ConversionOptions sourceOptions_ = 0, targetOptions_ = 0;
    std::array<std::uint8_t, 256> gamma_{};
    std::array<float, 3> luma_{0.299f, 0.587f, 0.114f};
    std::uint8_t subsampleH_ = 1, subsampleV_ = 1;

    bool changed_ = true;
    Converter converter_ = Converter::None;
    ConversionOptions effectiveSourceOptions_ = 0, effectiveTargetOptions_ = 0;
    std::array<int, 256> crToRed_{}, cbToBlue_{}, crToGreen_{}, cbToGreen_{};
};

}  // namespace kelvane
