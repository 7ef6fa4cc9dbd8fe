#include "imaging/raw_texture.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "tests/support/image_builders.h"
#include "tests/support/temp_dir.h"

namespace kelvane {
namespace {

std::string palette(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = char(i * 7 + 1);
    return bytes;
}

// A 3 x 3 texture, indices 0..8 top row first, by the published layout: file header, info
// header, 256 BGR0 entries, rows bottom first padded to 4 bytes.
std::string expectedBmp(const std::string& act) {
    std::string bmp = "BM";
    test::putLe32(bmp, 14 + 40 + 1024 + 12);
    test::putLe32(bmp, 0);
    test::putLe32(bmp, 14 + 40 + 1024);
    test::putLe32(bmp, 40);
    test::putLe32(bmp, 3);
    test::putLe32(bmp, 3);
    test::putLe16(bmp, 1);
    test::putLe16(bmp, 8);
    test::putLe32(bmp, 0);
    test::putLe32(bmp, 12);
    test::putLe32(bmp, 2835);
    test::putLe32(bmp, 2835);
    test::putLe32(bmp, 256);
    test::putLe32(bmp, 0);
    for (int i = 0; i < 256; ++i) {
        bmp += act[i * 3 + 2];
        bmp += act[i * 3 + 1];
        bmp += act[i * 3];
        bmp += '\0';
    }
    bmp += std::string("\x06\x07\x08\x00", 4);
    bmp += std::string("\x03\x04\x05\x00", 4);
    bmp += std::string("\x00\x01\x02\x00", 4);
    return bmp;
}

TEST(RawTexture, ConvertsToTheExpectedBitmap) {
    const std::string pixels("\x00\x01\x02\x03\x04\x05\x06\x07\x08", 9);
    const std::string act = palette(768);
    const std::string bmp = rawTextureToBmp(pixels, act);
    EXPECT_EQ(bmp, expectedBmp(act));
    // Bytes beyond the 256 colours are ignored.
    EXPECT_EQ(rawTextureToBmp(pixels, palette(800)), bmp);

    test::TempDir dir;
    const std::string base = (dir.path() / "TEX").string();
    test::writeFile(base + ".RAW", pixels);
    test::writeFile(base + ".ACT", act);
    convertRawTexture(base);
    EXPECT_EQ(test::readFile(base + ".BMP"), bmp);
}

TEST(RawTexture, RefusesPixelsThatAreNotSquareAndShortPalettes) {
    for (const std::size_t size : {0u, 2u, 12u, 65535u}) {
        try {
            rawTextureToBmp(std::string(size, '\0'), palette(768));
            ADD_FAILURE() << size;
        } catch (const std::runtime_error& error) {
            EXPECT_NE(std::string(error.what()).find(std::to_string(size) + " bytes is not square"),
                      std::string::npos);
        }
    }
    EXPECT_THROW(rawTextureToBmp(std::string(4, '\0'), palette(767)), std::runtime_error);
    EXPECT_EQ(rawTextureToBmp(std::string(65536, '\0'), palette(768)).size(),
              14u + 40 + 1024 + 65536);

    test::TempDir dir;
    EXPECT_THROW(convertRawTexture((dir.path() / "MISSING").string()), std::runtime_error);
}

}  // namespace
}  // namespace kelvane
