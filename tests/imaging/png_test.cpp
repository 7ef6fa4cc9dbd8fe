#include "imaging/png_image.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>

#include <string>
#include <vector>

#include "imaging/ImageFormats.h"
#include "imaging/graphic_errors.h"
#include "platform/bilingual_error.h"
#include "tests/support/image_builders.h"

namespace kelvane {
namespace {

using test::PngLayout;

unsigned channelsOf(unsigned colorType) {
    return colorType == 2 ? 3 : colorType == 4 ? 2 : colorType == 6 ? 4 : 1;
}

// A picture whose samples run through their whole range.
PngLayout picture(std::uint32_t width, std::uint32_t height, unsigned depth, unsigned colorType,
                  bool interlaced = false) {
    PngLayout png{width, height, depth, colorType, interlaced};
    const unsigned top = std::min(colorType == 3 ? 15u : 0xFFFFu, (1u << depth) - 1);
    std::uint32_t state = 12345;
    png.samples.resize(std::size_t(width) * height * channelsOf(colorType));
    for (std::uint16_t& sample : png.samples) {
        state = state * 1103515245u + 12345u;
        sample = std::uint16_t((state >> 8) % (top + 1));
    }
    if (colorType == 3)
        for (unsigned i = 0; i < 16; ++i) png.palette += {char(i * 16), char(255 - i), char(i * 7)};
    return png;
}

std::uint8_t to8(unsigned value, unsigned depth) {
    return std::uint8_t((value * 255 + ((1u << depth) - 1) / 2) / ((1u << depth) - 1));
}

// What the format says each pixel is, as 8-bit RGBA.
std::vector<std::uint8_t> meant(const PngLayout& png) {
    const unsigned channels = channelsOf(png.colorType);
    const auto transparent16 = [&](std::size_t i) {
        return unsigned(std::uint8_t(png.transparency[2 * i]) << 8 |
                        std::uint8_t(png.transparency[2 * i + 1]));
    };
    std::vector<std::uint8_t> rgba;
    for (std::size_t p = 0; p < png.samples.size() / channels; ++p) {
        const std::uint16_t* s = &png.samples[p * channels];
        std::uint8_t r, g, b, a = 255;
        if (png.colorType == 3) {
            r = std::uint8_t(png.palette[3 * s[0]]);
            g = std::uint8_t(png.palette[3 * s[0] + 1]);
            b = std::uint8_t(png.palette[3 * s[0] + 2]);
            if (s[0] < png.transparency.size()) a = std::uint8_t(png.transparency[s[0]]);
        } else if (png.colorType == 0 || png.colorType == 4) {
            r = g = b = to8(s[0], png.bitDepth);
            if (png.colorType == 4) a = to8(s[1], png.bitDepth);
            if (!png.transparency.empty() && s[0] == transparent16(0)) a = 0;
        } else {
            r = to8(s[0], png.bitDepth), g = to8(s[1], png.bitDepth), b = to8(s[2], png.bitDepth);
            if (png.colorType == 6) a = to8(s[3], png.bitDepth);
            if (!png.transparency.empty() && s[0] == transparent16(0) && s[1] == transparent16(1) &&
                s[2] == transparent16(2))
                a = 0;
        }
        rgba.insert(rgba.end(), {r, g, b, a});
    }
    return rgba;
}

struct PngCase {
    const char* name;
    PngLayout png;
    PixelFormat format;
};

std::vector<PngCase> pngCases() {
    PngLayout palettedAlpha = picture(7, 5, 8, 3);
    palettedAlpha.transparency = std::string("\x00\x80\xFF\x10", 4);
    PngLayout greyKey = picture(6, 6, 8, 0);
    greyKey.transparency = std::string("\x00", 1) + char(greyKey.samples[3]);
    PngLayout rgbKey = picture(4, 4, 16, 2);
    for (int c = 0; c < 3; ++c) {
        rgbKey.transparency += char(rgbKey.samples[c] >> 8);
        rgbKey.transparency += char(rgbKey.samples[c]);
    }
    return {
        {"Palette4", picture(5, 3, 4, 3), PixelFormat::pf8bit},
        {"PaletteInterlaced1", picture(13, 11, 1, 3, true), PixelFormat::pf8bit},
        {"PaletteTransparency", palettedAlpha, PixelFormat::pf32bit},
        {"Grey1", picture(9, 2, 1, 0), PixelFormat::pf8bit},
        {"Grey2Interlaced", picture(10, 10, 2, 0, true), PixelFormat::pf8bit},
        {"Grey16", picture(3, 3, 16, 0), PixelFormat::pf8bit},
        {"GreyKey", greyKey, PixelFormat::pf32bit},
        {"GreyAlpha", picture(5, 4, 8, 4), PixelFormat::pf32bit},
        {"GreyAlpha16", picture(5, 4, 16, 4), PixelFormat::pf32bit},
        {"Rgb", picture(6, 2, 8, 2), PixelFormat::pf24bit},
        {"Rgb16Interlaced", picture(11, 9, 16, 2, true), PixelFormat::pf24bit},
        {"RgbKey16", rgbKey, PixelFormat::pf32bit},
        {"RgbaInterlaced", picture(17, 3, 8, 6, true), PixelFormat::pf32bit},
        {"Rgba16", picture(2, 7, 16, 6), PixelFormat::pf32bit},
    };
}

void PrintTo(const PngCase& c, std::ostream* out) {
    *out << c.name;
}

class PngDecoding : public ::testing::TestWithParam<PngCase> {};

// Every colour type and depth reaches the bitmap format of its kind with the pixels the
// format says, through the registry by content.
TEST_P(PngDecoding, GivesThePixelsTheFileMeans) {
    const PngCase& c = GetParam();
    const std::string file = test::buildPng(c.png);
    MemoryStream stream(file.data(), file.size());
    const std::unique_ptr<Graphic> decoded = LoadPicture(stream, "");
    ASSERT_NE(dynamic_cast<TPNGGraphic*>(decoded.get()), nullptr);
    EXPECT_EQ(decoded->pixelFormat(), c.format);
    const Rgba8Image rgba = decoded->toRgba8();
    EXPECT_EQ(rgba.width, c.png.width);
    EXPECT_EQ(rgba.height, c.png.height);
    EXPECT_EQ(rgba.pixels, meant(c.png));
}

INSTANTIATE_TEST_SUITE_P(Kinds, PngDecoding, ::testing::ValuesIn(pngCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PngRefusals, HostileFilesFailWithAClearMessage) {
    const std::string good = test::buildPng(picture(40, 40, 8, 2));
    std::string badCrc = good;
    badCrc[29] ^= 1;  // the IHDR's checksum
    PngLayout huge = picture(1, 1, 8, 2);
    std::string hugeFile = test::buildPng(huge);
    hugeFile.replace(16, 8, std::string("\x00\x01\x86\xA0\x00\x01\x86\xA0", 8));  // 100000²
    const auto crc = crc32(0, reinterpret_cast<const Bytef*>(hugeFile.data() + 12), 17);
    for (int i = 0; i < 4; ++i) hugeFile[29 + i] = char(crc >> (24 - 8 * i));
    const struct {
        const char* name;
        std::string bytes;
        std::string english;
    } cases[] = {
        {"CutInPixels", good.substr(0, good.size() - 40), "PNG error: the file ends early"},
        {"CutInHeader", good.substr(0, 20), "PNG error: the file ends early"},
        {"BadChecksum", badCrc, "PNG error: IHDR: CRC error"},
        {"Huge", hugeFile, invalidImageMessage("PNG")},
        {"NotPng", "GIF89a", invalidImageMessage("PNG")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryStream stream(c.bytes.data(), c.bytes.size());
        TPNGGraphic png;
        try {
            png.LoadFromStream(stream);
            ADD_FAILURE() << "decoded";
        } catch (const EInvalidGraphic& e) {
            EXPECT_EQ(englishText(e), c.english);
        }
        EXPECT_TRUE(png.empty());
    }
}

}  // namespace
}  // namespace kelvane
