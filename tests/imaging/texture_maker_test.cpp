#include "imaging/texture_maker.h"

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

#include "imaging/bitmap.h"
#include "imaging/image_stream.h"
#include "imaging/raw_texture.h"
#include "platform/bilingual_error.h"
#include "tests/support/image_builders.h"
#include "tests/support/temp_dir.h"

namespace kelvane {
namespace {

// A 32-bit picture from RGBA pixels, top row first.
Bitmap rgbaPicture(std::uint32_t width, std::uint32_t height,
                   const std::vector<std::uint8_t>& rgba) {
    Bitmap picture;
    picture.setPixelFormat(PixelFormat::pf32bit);
    picture.setSize(width, height);
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t x = 0; x < width; ++x) {
            const std::uint8_t* in = &rgba[(std::size_t(y) * width + x) * 4];
            std::uint8_t* out = picture.scanLine(y) + x * 4;
            out[0] = in[2], out[1] = in[1], out[2] = in[0], out[3] = in[3];
        }
    return picture;
}

Bitmap flatPicture(std::uint32_t width, std::uint32_t height, std::uint32_t rgb) {
    std::vector<std::uint8_t> rgba;
    for (std::size_t i = 0; i < std::size_t(width) * height; ++i)
        rgba.insert(rgba.end(),
                    {std::uint8_t(rgb >> 16), std::uint8_t(rgb >> 8), std::uint8_t(rgb), 255});
    return rgbaPicture(width, height, rgba);
}

// The texture's colour of every pixel, as RGB bytes.
std::vector<std::uint8_t> textureRgb(const Texture& texture) {
    std::vector<std::uint8_t> rgb;
    for (char index : texture.indices)
        for (int c = 0; c < 3; ++c)
            rgb.push_back(std::uint8_t(texture.palette[std::uint8_t(index) * 3 + c]));
    return rgb;
}

std::vector<std::uint8_t> pictureRgb(const Bitmap& picture) {
    const Rgba8Image rgba = picture.toRgba8();
    std::vector<std::uint8_t> rgb;
    for (std::size_t i = 0; i < rgba.pixels.size(); i += 4)
        rgb.insert(rgb.end(), rgba.pixels.begin() + long(i), rgba.pixels.begin() + long(i) + 3);
    return rgb;
}

// A texture read back as the viewer reads one, made into a texture again: the same colour
// at every pixel, whatever order the new palette takes.
TEST(TextureMakerTest, PicturesOfAtMost256ColoursKeepEveryColour) {
    struct Case {
        std::uint32_t side;
        unsigned colours;
    } cases[] = {{1, 1}, {2, 2}, {16, 256}, {37, 200}};
    for (const Case& c : cases) {
        std::string act(768, '\0'), raw(std::size_t(c.side) * c.side, '\0');
        for (unsigned i = 0; i < 256; ++i)
            act[i * 3] = char(i * 37), act[i * 3 + 1] = char(i * 91 ^ 5), act[i * 3 + 2] = char(i);
        for (std::size_t i = 0; i < raw.size(); ++i) raw[i] = char((i * 7 + i / 5) % c.colours);
        if (raw.size() >= c.colours)
            for (unsigned i = 0; i < c.colours; ++i) raw[i] = char(i);
        MemoryStream stream(raw.data(), raw.size());
        Bitmap picture;
        loadRawTexture(stream, act, picture);
        const Texture texture = makeTexture(picture);
        EXPECT_EQ(texture.side, c.side);
        EXPECT_FALSE(texture.quantized);
        EXPECT_FALSE(texture.alphaFlattened);
        EXPECT_EQ(texture.paletteColours, std::min<std::size_t>(c.colours, raw.size()));
        EXPECT_EQ(texture.palette.size(), 768u);
        EXPECT_EQ(textureRgb(texture), pictureRgb(picture)) << c.side << " " << c.colours;
    }
}

TEST(TextureMakerTest, TransparencyIsFlattenedOnBlack) {
    const Texture texture = makeTexture(rgbaPicture(
        2, 2, {200, 100, 50, 255, 200, 100, 50, 0, 255, 255, 254, 128, 10, 20, 30, 255}));
    EXPECT_TRUE(texture.alphaFlattened);
    EXPECT_EQ(textureRgb(texture),
              (std::vector<std::uint8_t>{200, 100, 50, 0, 0, 0, 128, 128, 127, 10, 20, 30}));
    EXPECT_FALSE(makeTexture(flatPicture(2, 2, 0x102030)).alphaFlattened);
}

TEST(TextureMakerTest, ResizeScalesToTheSide) {
    struct Case {
        Bitmap picture;
        std::uint64_t side;
        std::vector<std::uint8_t> firstPixel;
    } cases[] = {
        {flatPicture(300, 200, 0xC86432), 64, {200, 100, 50}},
        {flatPicture(1, 1, 0x0A141E), 3, {10, 20, 30}},
        {flatPicture(16, 16, 0x0A141E), 16, {10, 20, 30}},
        // Black and white halves shrunk to one pixel: their average.
        {rgbaPicture(2, 2, {0, 0, 0, 255, 255, 255, 255, 255, 0, 0, 0, 255, 255, 255, 255, 255}),
         1,
         {128, 128, 128}},
    };
    for (const Case& c : cases) {
        const Texture texture = makeTexture(c.picture, {.resizeSide = c.side});
        EXPECT_EQ(texture.side, c.side);
        EXPECT_EQ(texture.indices.size(), c.side * c.side);
        const auto rgb = textureRgb(texture);
        EXPECT_EQ(std::vector<std::uint8_t>(rgb.begin(), rgb.begin() + 3), c.firstPixel);
    }
}

TEST(TextureMakerTest, RefusesPicturesAndSidesNoTextureHolds) {
    struct Case {
        Bitmap picture;
        std::optional<std::uint64_t> side;
        std::string message;
    } cases[] = {
        {Bitmap(), std::nullopt, "The picture is empty"},
        {flatPicture(300, 200, 0), std::nullopt, "The picture of 300 x 200 is not square"},
        {flatPicture(2, 2, 0), 0, "A side of 0 pixels"},
        {flatPicture(2, 2, 0), kMaxTextureSide + 1, "A side of 8193 pixels"},
        {flatPicture(2, 2, 0), std::uint64_t{1} << 40, "A side of 1099511627776 pixels"},
    };
    for (const Case& c : cases) {
        try {
            makeTexture(c.picture, {.resizeSide = c.side});
            ADD_FAILURE() << c.message;
        } catch (const BilingualError& e) {
            EXPECT_NE(e.english().find(c.message), std::string::npos) << e.english();
            EXPECT_FALSE(e.french().empty());
        }
    }
}

double psnr(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
    double squares = 0;
    for (std::size_t i = 0; i < a.size(); ++i) squares += (double(a[i]) - b[i]) * (a[i] - b[i]);
    return 10 * std::log10(255.0 * 255.0 * double(a.size()) / squares);
}

TEST(TextureMakerTest, PhotographicPicturesQuantizeCloseToTheSource) {
    const auto rgb = test::photographicRgb(256);
    std::vector<std::uint8_t> rgba;
    for (std::size_t i = 0; i < rgb.size(); i += 3)
        rgba.insert(rgba.end(), {rgb[i], rgb[i + 1], rgb[i + 2], 255});
    const Bitmap picture = rgbaPicture(256, 256, rgba);
    for (const bool dither : {true, false}) {
        const Texture texture =
            makeTexture(picture, {.dither = dither, .resizeSide = std::nullopt});
        EXPECT_TRUE(texture.quantized);
        EXPECT_GT(texture.sourceColours, 256u);
        EXPECT_LE(texture.paletteColours, 256u);
        const double measured = psnr(textureRgb(texture), rgb);
        EXPECT_GE(measured, 32) << dither;
        EXPECT_NEAR(texture.psnr, measured, 0.01);
    }
}

TEST(TextureMakerTest, WritesThePaletteBesideWithTheExtensionsCase) {
    struct Case {
        std::string raw, act;
    } cases[] = {
        {"T.RAW", "T.ACT"}, {"t.raw", "t.act"}, {"d.x/T.Raw", "d.x/T.act"}, {"d.x/T", "d.x/T.act"}};
    for (const Case& c : cases) EXPECT_EQ(texturePalettePath(c.raw), c.act);
    test::TempDir dir;
    const Texture texture = makeTexture(flatPicture(3, 3, 0x010203));
    writeTexture(texture, dir.path().string() + "/T.RAW");
    EXPECT_EQ(test::readFile(dir.path() / "T.RAW"), std::string(9, '\0'));
    EXPECT_EQ(test::readFile(dir.path() / "T.ACT"), texture.palette);
    EXPECT_EQ(texture.palette.substr(0, 4), std::string("\x01\x02\x03\0", 4));
}

}  // namespace
}  // namespace kelvane
