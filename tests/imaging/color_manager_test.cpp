#include "imaging/color_manager.h"

#include <gtest/gtest.h>

#include "imaging/graphic_errors.h"

namespace kelvane {
namespace {

template <typename F>
std::string errorOf(F&& f) {
    try {
        f();
    } catch (const EColorConversionError& e) {
        return englishText(e);
    }
    return "no error";
}

std::vector<std::uint8_t> convert(TColorManager& m, const std::vector<std::uint8_t>& source,
                                  std::size_t count, std::size_t targetBytes,
                                  std::uint8_t mask = 0xFF) {
    std::vector<std::uint8_t> target(targetBytes, 0xAA);
    m.ConvertRow(source.data(), target.data(), count, mask);
    return target;
}

TEST(ColorManagerTest, SettersRejectValuesOutOfRange) {
    TColorManager m;
    const std::string depth = "Color depth is invalid. Bits per sample must be 1, 2, 4, 8 or 16.";
    const std::string samples =
        "Sample count per pixel does not correspond to the given color scheme.";
    EXPECT_EQ(errorOf([&] { m.SetSourceBitsPerSample(0); }), depth);
    EXPECT_EQ(errorOf([&] { m.SetTargetBitsPerSample(17); }), depth);
    EXPECT_EQ(errorOf([&] { m.SetSourceSamplesPerPixel(0); }), samples);
    EXPECT_EQ(errorOf([&] { m.SetTargetSamplesPerPixel(5); }), samples);
    const float luma[] = {0.299f, 0.587f, 0.114f};
    EXPECT_EQ(errorOf([&] { m.SetYCbCrParameters(luma, 3, 1); }),
              "Subsampling value is invalid. Allowed are 1, 2 and 4.");
    EXPECT_EQ(errorOf([&] { m.SetYCbCrParameters(luma, 2, 4); }),
              "Vertical subsampling value must be <= horizontal subsampling value.");
    // An RGB source that claims one sample per pixel cannot be read as RGB.
    m.SetSourceSamplesPerPixel(1);
    EXPECT_EQ(errorOf([&] { convert(m, {1, 2, 3}, 1, 3); }), samples);
}

TEST(ColorManagerTest, ConverterChoiceFollowsTheSchemes) {
    TColorManager m;
    m.SetSourceColorScheme(ColorScheme::Indexed);
    m.SetSourceSamplesPerPixel(1);
    EXPECT_EQ(errorOf([&] { convert(m, {1}, 1, 3); }),
              "Conversion between indexed and non-indexed pixel formats is not supported.");
    m.SetSourceColorScheme(ColorScheme::CMY);
    m.SetSourceSamplesPerPixel(3);
    EXPECT_EQ(errorOf([&] {
                  convert(m, {1, 2, 3}, 1, 3);
              }),
              "Color conversion failed. Could not find a proper method.");
    // Grey at 4 bits into 16 bits has no converter either.
    m.SetSourceColorScheme(ColorScheme::Grey);
    m.SetTargetColorScheme(ColorScheme::Grey);
    m.SetSourceSamplesPerPixel(1);
    m.SetSourceBitsPerSample(4);
    m.SetTargetBitsPerSample(16);
    EXPECT_EQ(errorOf([&] { convert(m, {1}, 1, 2); }),
              "Color conversion failed. Could not find a proper method.");
}

TEST(ColorManagerTest, TargetPixelFormatTable) {
    TColorManager m;
    struct Case {
        std::uint8_t samples, bits;
        PixelFormat format;
    };
    for (const Case& c : {Case{1, 1, PixelFormat::pf1bit}, Case{1, 2, PixelFormat::pf4bit},
                          Case{1, 4, PixelFormat::pf4bit}, Case{1, 8, PixelFormat::pf8bit},
                          Case{1, 16, PixelFormat::pf8bit}, Case{1, 6, PixelFormat::pfCustom},
                          Case{3, 5, PixelFormat::pf15bit}, Case{3, 8, PixelFormat::pf24bit},
                          Case{3, 16, PixelFormat::pf24bit}, Case{4, 8, PixelFormat::pf32bit},
                          Case{4, 4, PixelFormat::pfCustom}, Case{2, 8, PixelFormat::pfCustom}}) {
        m.SetTargetSamplesPerPixel(c.samples);
        m.SetTargetBitsPerSample(c.bits);
        EXPECT_EQ(m.TargetPixelFormat(), c.format) << int(c.samples) << " " << int(c.bits);
    }
}

TEST(ColorManagerTest, IndexedAndGreyRowsAtEveryDepth) {
    TColorManager m;
    m.SetSourceColorScheme(ColorScheme::Indexed);
    m.SetTargetColorScheme(ColorScheme::Indexed);
    m.SetSourceSamplesPerPixel(1);
    m.SetTargetSamplesPerPixel(1);
    // 2-bit indices 3,1,0,2 unpacked to bytes; 1-bit copied as bits.
    m.SetSourceBitsPerSample(2);
    m.SetTargetBitsPerSample(8);
    EXPECT_EQ(convert(m, {0b11010010}, 4, 4), (std::vector<std::uint8_t>{3, 1, 0, 2}));
    // At 2 bits the target is a 4-bit-per-pixel bitmap: one index per nibble.
    m.SetTargetBitsPerSample(2);
    EXPECT_EQ(m.TargetPixelFormat(), PixelFormat::pf4bit);
    EXPECT_EQ(convert(m, {0b11010010}, 4, 2), (std::vector<std::uint8_t>{0x31, 0x02}));
    m.SetSourceBitsPerSample(1);
    m.SetTargetBitsPerSample(1);
    EXPECT_EQ(convert(m, {0b10110000}, 4, 1)[0] & 0xF0, 0b10110000);
    // 16-bit sources take their high byte, big-endian with byte swapping.
    m.SetSourceBitsPerSample(16);
    m.SetTargetBitsPerSample(8);
    EXPECT_EQ(convert(m, {0x34, 0x12, 0x78, 0x56}, 2, 2), (std::vector<std::uint8_t>{0x12, 0x56}));
    m.SetSourceOptions(kOptionByteSwap);
    EXPECT_EQ(convert(m, {0x34, 0x12, 0x78, 0x56}, 2, 2), (std::vector<std::uint8_t>{0x34, 0x78}));
    // Grey plus alpha keeps the grey sample only.
    m.SetSourceColorScheme(ColorScheme::GreyAlpha);
    m.SetSourceOptions(0);
    m.SetSourceSamplesPerPixel(2);
    m.SetSourceBitsPerSample(8);
    EXPECT_EQ(convert(m, {10, 255, 20, 0, 30, 128}, 3, 3), (std::vector<std::uint8_t>{10, 20, 30}));
    // The mask picks pixels 0, 2 and 7 out of eight; the others stay untouched.
    m.SetSourceColorScheme(ColorScheme::Indexed);
    m.SetSourceSamplesPerPixel(1);
    EXPECT_EQ(convert(m, {1, 2, 3, 4, 5, 6, 7, 8}, 8, 8, 0b10100001),
              (std::vector<std::uint8_t>{1, 0xAA, 3, 0xAA, 0xAA, 0xAA, 0xAA, 8}));
}

TEST(ColorManagerTest, ColourRowsIn16BitsWithAndWithoutByteSwapping) {
    TColorManager m;
    m.SetSourceColorScheme(ColorScheme::RGBA);
    m.SetTargetColorScheme(ColorScheme::BGRA);
    m.SetSourceSamplesPerPixel(4);
    m.SetTargetSamplesPerPixel(4);
    m.SetSourceBitsPerSample(16);
    const std::vector<std::uint8_t> little = {0x00, 0x10, 0x00, 0x20, 0x00, 0x30, 0xFF, 0x40};
    const std::vector<std::uint8_t> big = {0x10, 0x00, 0x20, 0x00, 0x30, 0x00, 0x40, 0xFF};
    EXPECT_EQ(convert(m, little, 1, 4), (std::vector<std::uint8_t>{0x30, 0x20, 0x10, 0x40}));
    m.SetSourceOptions(kOptionByteSwap);
    EXPECT_EQ(convert(m, big, 1, 4), (std::vector<std::uint8_t>{0x30, 0x20, 0x10, 0x40}));
    // Planes: one pointer per sample.
    m.SetSourceOptions(0);
    m.SetSourceBitsPerSample(8);
    m.SetSourceColorScheme(ColorScheme::RGB);
    m.SetTargetColorScheme(ColorScheme::BGR);
    m.SetSourceSamplesPerPixel(3);
    m.SetTargetSamplesPerPixel(3);
    const std::uint8_t red[] = {1, 2}, green[] = {3, 4}, blue[] = {5, 6};
    const std::uint8_t* planes[] = {red, green, blue};
    std::uint8_t out[6];
    m.ConvertRow(planes, out, 2);
    EXPECT_EQ(std::vector<std::uint8_t>(out, out + 6),
              (std::vector<std::uint8_t>{5, 3, 1, 6, 4, 2}));
}

TEST(ColorManagerTest, CmykLabAndYCbCrGiveTheExpectedColours) {
    TColorManager m;
    m.SetSourceSamplesPerPixel(4);
    m.SetSourceColorScheme(ColorScheme::CMYK);
    // Pure cyan at no black is (0, 255, 255); full black is black.
    EXPECT_EQ(convert(m, {255, 0, 0, 0, 0, 0, 0, 255}, 2, 6),
              (std::vector<std::uint8_t>{255, 255, 0, 0, 0, 0}));
    // Lab: a neutral mid grey, a/b unsigned around 128 or signed around 0.
    m.SetSourceSamplesPerPixel(3);
    m.SetSourceColorScheme(ColorScheme::CIELab);
    const auto unsignedGrey = convert(m, {128, 128, 128}, 1, 3);
    m.SetSourceOptions(kOptionSignedLab);
    const auto signedGrey = convert(m, {128, 0, 0}, 1, 3);
    EXPECT_EQ(unsignedGrey, signedGrey);
    EXPECT_NEAR(signedGrey[0], 119, 2);
    EXPECT_EQ(signedGrey[0], signedGrey[1]);
    EXPECT_EQ(signedGrey[1], signedGrey[2]);
    // Positive a is red-ish.
    const auto reddish = convert(m, {128, 60, 0}, 1, 3);
    EXPECT_GT(reddish[2], reddish[1]);
    // YCbCr 2 x 1: one data unit is Y0 Y1 Cb Cr and covers two pixels.
    m.SetSourceOptions(0);
    m.SetSourceColorScheme(ColorScheme::YCbCr);
    const float luma[] = {0.299f, 0.587f, 0.114f};
    m.SetYCbCrParameters(luma, 2, 1);
    EXPECT_EQ(convert(m, {50, 200, 128, 128}, 2, 6),
              (std::vector<std::uint8_t>{50, 50, 50, 200, 200, 200}));
    m.SetYCbCrParameters(luma, 1, 1);
    const auto red = convert(m, {76, 85, 255}, 1, 3);  // (255, 0, 0) in YCbCr
    EXPECT_NEAR(red[2], 255, 2);
    EXPECT_NEAR(red[1], 0, 2);
    EXPECT_NEAR(red[0], 0, 2);
    // 2 x 2: the second line of each unit goes one stride further.
    m.SetYCbCrParameters(luma, 2, 2);
    const std::uint8_t unit[] = {10, 20, 30, 40, 128, 128};
    const std::uint8_t* source = unit;
    std::uint8_t lines[12];
    m.ConvertRow(std::span(&source, 1), lines, 2, 0xFF, 6);
    EXPECT_EQ(lines[3], 20);
    EXPECT_EQ(lines[6], 30);
    EXPECT_EQ(lines[9], 40);
}

TEST(ColorManagerTest, Palettes) {
    TColorManager m;
    m.SetTargetBitsPerSample(2);
    const Palette ramp = m.CreateGrayscalePalette(true);
    ASSERT_EQ(ramp.size(), 4u);
    EXPECT_EQ(ramp[0], (PaletteEntry{255, 255, 255, 255}));
    EXPECT_EQ(ramp[1], (PaletteEntry{170, 170, 170, 255}));
    // Three 16-bit planes, big-endian through the byte-swap option.
    const std::uint8_t red[] = {0xFF, 0xFF, 0x00, 0x00}, green[] = {0x80, 0x00, 0x12, 0x34},
                       blue[] = {0x00, 0x00, 0xFF, 0x00};
    const std::uint8_t* planes[] = {red, green, blue};
    m.SetSourceOptions(kOptionByteSwap);
    Palette palette = m.CreateColorPalette(planes, RawPaletteFormat::Plane16Triple, 2, true);
    EXPECT_EQ(palette[0], (PaletteEntry{0xFF, 0x80, 0x00, 255}));
    EXPECT_EQ(palette[1], (PaletteEntry{0x00, 0x12, 0xFF, 255}));
    // Interlaced blue-green-red-alpha entries; never more than 256 colours.
    std::vector<std::uint8_t> entries(300 * 4, 7);
    entries[0] = 1, entries[2] = 3, entries[3] = 9;
    const std::uint8_t* data = entries.data();
    palette =
        m.CreateColorPalette(std::span(&data, 1), RawPaletteFormat::Interlaced8Quad, 300, false);
    EXPECT_EQ(palette.size(), 256u);
    EXPECT_EQ(palette[0], (PaletteEntry{3, 7, 1, 9}));
}

}  // namespace
}  // namespace kelvane
