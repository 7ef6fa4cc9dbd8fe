#include <gtest/gtest.h>

#include <cstdlib>

#include "imaging/graphic_errors.h"
#include "imaging/platform_picture.h"
#include "tests/support/image_builders.h"

namespace kelvane {
namespace {

// A smooth colour picture with some detail, so that every JPEG stage has work to do.
std::vector<std::uint8_t> testPicture(unsigned width, unsigned height, unsigned components) {
    std::vector<std::uint8_t> pixels(std::size_t(width) * height * components);
    for (unsigned y = 0; y < height; ++y)
        for (unsigned x = 0; x < width; ++x)
            for (unsigned c = 0; c < components; ++c)
                pixels[(std::size_t(y) * width + x) * components + c] = std::uint8_t(
                    (x * (c + 1) * 3 + y * (3 - c) * 2 + ((x / 7 + y / 5) % 2) * 40) & 0xFF);
    return pixels;
}

TEST(JpegTest, DecodesLikeLibjpegItself) {
    struct Case {
        unsigned components;
        bool progressive;
    };
    for (const Case c : {Case{3, false}, Case{3, true}, Case{1, false}}) {
        SCOPED_TRACE(testing::Message() << c.components << c.progressive);
        const std::string jpeg = test::encodeJpeg(testPicture(61, 37, c.components), 61, 37,
                                                  c.components, c.progressive);
        unsigned width = 0, height = 0, components = 0;
        const auto expected = test::decodeJpegWithLibjpeg(jpeg, width, height, components);
        MemoryStream stream(jpeg.data(), jpeg.size());
        JpegImage picture;
        picture.LoadFromStream(stream);
        const Rgba8Image image = picture.toRgba8();
        ASSERT_EQ(image.width, width);
        ASSERT_EQ(image.height, height);
        EXPECT_FALSE(image.hasAlpha);
        int worst = 0;
        for (std::size_t i = 0; i < std::size_t(width) * height; ++i)
            for (unsigned k = 0; k < 3; ++k)
                worst = std::max(
                    worst, std::abs(int(image.pixels[i * 4 + k]) -
                                    int(expected[i * components + (components == 1 ? 0 : k)])));
        EXPECT_LE(worst, 1);
    }
}

TEST(JpegTest, BrokenDataFailsWithLibjpegsMessage) {
    const std::string junk = "not a jpeg at all";
    MemoryStream stream(junk.data(), junk.size());
    JpegImage picture;
    try {
        picture.LoadFromStream(stream);
        FAIL() << "decoded junk";
    } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(englishText(e).rfind("JPEG error: Not a JPEG file", 0), 0u) << e.what();
    }
    // A truncated stream decodes as far as it goes.
    const std::string jpeg = test::encodeJpeg(testPicture(32, 32, 3), 32, 32, 3, false);
    const std::string half = jpeg.substr(0, jpeg.size() / 2);
    MemoryStream part(half.data(), half.size());
    picture.LoadFromStream(part);
    EXPECT_EQ(picture.height(), 32u);
}

}  // namespace
}  // namespace kelvane
