#include <gtest/gtest.h>

#include "imaging/graphic_errors.h"
#include "imaging/platform_picture.h"
#include "tests/support/image_builders.h"

namespace kelvane {
namespace {

using test::BmpLayout;
using test::buildBmp;

Rgba8Image decode(const std::string& file) {
    MemoryStream stream(file.data(), file.size());
    WindowsBitmap picture;
    picture.LoadFromStream(stream);
    return picture.toRgba8();
}

std::string loadError(const std::string& file) {
    try {
        decode(file);
    } catch (const std::exception& e) {
        return englishText(e);
    }
    return "no error";
}

// Blue-green-red-zero palette entries for black, white, red and a grey.
const std::string kPalette("\0\0\0\0\xFF\xFF\xFF\0\0\0\xFF\0\x80\x80\x80\0", 16);
const std::uint8_t kColours[4][3] = {{0, 0, 0}, {255, 255, 255}, {255, 0, 0}, {128, 128, 128}};

// Checks that `image` shows `indices` (top row first) through kColours.
void expectIndices(const Rgba8Image& image, std::uint32_t width,
                   const std::vector<std::vector<int>>& indices) {
    ASSERT_EQ(image.width, width);
    ASSERT_EQ(image.height, indices.size());
    for (std::size_t y = 0; y < indices.size(); ++y)
        for (std::size_t x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
                EXPECT_EQ(image.pixels[(y * width + x) * 4 + c], kColours[indices[y][x]][c])
                    << x << "," << y;
}

TEST(WindowsBitmapTest, PaletteBitmapsAtOneFourAndEightBits) {
    // 10 x 2 at 1 bit: top row 1010101010, bottom row 0000000001 (stored bottom-up).
    std::string one("\x00\x40\x00\x00\xAA\x80\x00\x00", 8);
    expectIndices(
        decode(
            buildBmp({.width = 10, .height = 2, .bits = 1, .palette = kPalette.substr(0, 8)}, one)),
        10, {{1, 0, 1, 0, 1, 0, 1, 0, 1, 0}, {0, 0, 0, 0, 0, 0, 0, 0, 0, 1}});
    // 3 x 2 at 4 bits, bottom-up.
    std::string four("\x32\x10\x00\x00\x01\x20\x00\x00", 8);
    expectIndices(decode(buildBmp({.width = 3, .height = 2, .bits = 4, .palette = kPalette}, four)),
                  3, {{0, 1, 2}, {3, 2, 1}});
    // 3 x 2 at 8 bits, top-down.
    std::string eight("\x01\x02\x03\x00\x03\x03\x00\x00", 8);
    expectIndices(
        decode(buildBmp({.width = 3, .height = -2, .bits = 8, .palette = kPalette}, eight)), 3,
        {{1, 2, 3}, {3, 3, 0}});
}

TEST(WindowsBitmapTest, RunLengthEncodedBitmaps) {
    // 4 x 3 RLE8, bottom-up: row 0 = a run of 3 x index 2 and a run of 1 x index 1; row 1
    // skipped by a delta; row 2 = absolute 1 2 3 (padded); end of bitmap.
    std::string rle8(
        "\x03\x02\x01\x01\x00\x00"           // row 0, end of line
        "\x00\x02\x00\x01"                   // delta: down one row
        "\x00\x03\x01\x02\x03\x00\x00\x01",  // absolute run of 3, end of bitmap
        18);
    expectIndices(
        decode(buildBmp({.width = 4, .height = 3, .bits = 8, .compression = 1, .palette = kPalette},
                        rle8)),
        4, {{1, 2, 3, 0}, {0, 0, 0, 0}, {2, 2, 2, 1}});
    // RLE4: a run of 5 alternating 1/2, then absolute 3 0 3.
    std::string rle4("\x05\x12\x00\x03\x30\x30\x00\x01", 8);
    expectIndices(
        decode(buildBmp({.width = 8, .height = 1, .bits = 4, .compression = 2, .palette = kPalette},
                        rle4)),
        8, {{1, 2, 1, 2, 1, 3, 0, 3}});
    // Runs that overflow the row or the picture are clipped, never written outside.
    std::string wild("\xFF\x01\x00\x02\xFF\xFF\xFF\x02", 8);
    expectIndices(
        decode(buildBmp({.width = 2, .height = 2, .bits = 8, .compression = 1, .palette = kPalette},
                        wild)),
        2, {{0, 0}, {1, 1}});
}

TEST(WindowsBitmapTest, TrueColourAndBitFieldBitmaps) {
    // 3 x 1 at 24 bits: blue-green-red with the row padded to 12 bytes.
    const Rgba8Image rgb =
        decode(buildBmp({.width = 3, .height = 1, .bits = 24},
                        std::string("\x01\x02\x03\x04\x05\x06\x07\x08\x09\0\0\0", 12)));
    EXPECT_EQ(std::vector<std::uint8_t>(rgb.pixels.begin(), rgb.pixels.begin() + 8),
              (std::vector<std::uint8_t>{3, 2, 1, 255, 6, 5, 4, 255}));
    // 32 bits without masks: the fourth byte is not alpha.
    const Rgba8Image x =
        decode(buildBmp({.width = 1, .height = 1, .bits = 32}, std::string("\x01\x02\x03\x00", 4)));
    EXPECT_FALSE(x.hasAlpha);
    EXPECT_EQ(x.pixels[3], 255);
    // 32 bits with bit fields and an alpha mask (V5 header).
    std::string masks;
    test::putLe32(masks, 0x00FF0000);
    test::putLe32(masks, 0x0000FF00);
    test::putLe32(masks, 0x000000FF);
    test::putLe32(masks, 0xFF000000);
    const Rgba8Image a = decode(buildBmp({.width = 1,
                                          .height = 1,
                                          .bits = 32,
                                          .compression = 3,
                                          .extraHeader = masks + std::string(68, '\0'),
                                          .headerSize = 124},
                                         std::string("\x01\x02\x03\x80", 4)));
    EXPECT_TRUE(a.hasAlpha);
    EXPECT_EQ(std::vector<std::uint8_t>(a.pixels.begin(), a.pixels.end()),
              (std::vector<std::uint8_t>{3, 2, 1, 0x80}));
    // 16 bits 5-6-5 through masks after an info header; pure green and white.
    std::string masks565;
    test::putLe32(masks565, 0xF800);
    test::putLe32(masks565, 0x07E0);
    test::putLe32(masks565, 0x001F);
    const Rgba8Image g = decode(
        buildBmp({.width = 2, .height = 1, .bits = 16, .compression = 3, .extraHeader = masks565},
                 std::string("\xE0\x07\xFF\xFF", 4)));
    EXPECT_EQ(std::vector<std::uint8_t>(g.pixels.begin(), g.pixels.end()),
              (std::vector<std::uint8_t>{0, 255, 0, 255, 255, 255, 255, 255}));
    // 16 bits without masks: 5-5-5.
    const Rgba8Image f =
        decode(buildBmp({.width = 1, .height = 1, .bits = 16}, std::string("\x00\x7C\0\0", 4)));
    EXPECT_EQ(f.pixels[0], 255);
    EXPECT_EQ(f.pixels[1], 0);
}

TEST(WindowsBitmapTest, CoreHeaderWithThreeBytePalette) {
    std::string file = "BM";
    test::putLe32(file, 0);
    test::putLe32(file, 0);
    test::putLe32(file, 14 + 12 + 6);
    test::putLe32(file, 12);
    test::putLe16(file, 2);
    test::putLe16(file, 1);
    test::putLe16(file, 1);
    test::putLe16(file, 1);
    file += std::string("\x00\x00\xFF\xFF\x00\x00", 6);  // red, blue
    file += std::string("\x40\0\0\0", 4);
    const Rgba8Image image = decode(file);
    EXPECT_EQ(std::vector<std::uint8_t>(image.pixels.begin(), image.pixels.end()),
              (std::vector<std::uint8_t>{255, 0, 0, 255, 0, 0, 255, 255}));
}

TEST(WindowsBitmapTest, BrokenBitmapsFailCleanly) {
    const std::string invalid = "Cannot load image. Invalid or unexpected BMP image format.";
    EXPECT_EQ(loadError(buildBmp({.width = 4, .height = 4, .bits = 24}, "short")),
              "Stream read error");
    EXPECT_EQ(loadError(buildBmp({.width = 1, .height = 1, .bits = 24, .compression = 4}, "xxxx")),
              "Cannot load image. The compression scheme is not supported for BMP files.");
    EXPECT_EQ(loadError(buildBmp({.width = 1, .height = 1, .bits = 7}, "xxxx")), invalid);
    EXPECT_EQ(loadError(buildBmp({.width = 0x7FFFFFFF, .height = 0x7FFFFFFF, .bits = 24}, "x")),
              invalid);
    EXPECT_EQ(
        loadError(buildBmp(
            {.width = 1, .height = 1, .bits = 8, .palette = std::string(257 * 4, '\0')}, "xxxx")),
        invalid);
    EXPECT_EQ(loadError("BM" + std::string(20, '\0')), invalid);
}

TEST(WindowsBitmapTest, IconsUseTheirMaskAsTransparency) {
    // One 2 x 1 icon at 24 bits; the height in the image header is doubled.
    std::string image;
    test::putLe32(image, 40);
    test::putLe32(image, 2);
    test::putLe32(image, 2);
    test::putLe16(image, 1);
    test::putLe16(image, 24);
    image += std::string(24, '\0');
    image += std::string("\x01\x02\x03\x04\x05\x06\0\0", 8);  // pixels
    image += std::string("\x40\0\0\0", 4);                    // mask: second pixel transparent
    const std::string file = test::buildIcon(2, 1, 24, image);
    MemoryStream stream(file.data(), file.size());
    WindowsIcon icon;
    icon.LoadFromStream(stream);
    const Rgba8Image rgba = icon.toRgba8();
    EXPECT_EQ(std::vector<std::uint8_t>(rgba.pixels.begin(), rgba.pixels.end()),
              (std::vector<std::uint8_t>{3, 2, 1, 255, 6, 5, 4, 0}));
}

}  // namespace
}  // namespace kelvane
