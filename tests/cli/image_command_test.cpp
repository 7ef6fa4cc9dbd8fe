#include <gtest/gtest.h>
#include <png.h>

#include <sstream>

#include "cli/cli.h"
#include "imaging/picture_writer.h"
#include "tests/support/image_builders.h"
#include "tests/support/temp_dir.h"

namespace kelvane {
namespace {

struct CliResult {
    int status;
    std::string err;
};

CliResult runCli(const cli::Arguments& args) {
    std::ostringstream out, err;
    const int status = cli::runCli(args, out, err);
    return {status, err.str()};
}

// libpng's reading of a PNG as 8-bit RGBA, with its channel count.
std::vector<std::uint8_t> readPng(const std::string& path, unsigned& width, unsigned& height,
                                  unsigned& channels) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    EXPECT_TRUE(png_image_begin_read_from_file(&image, path.c_str()));
    channels = PNG_IMAGE_SAMPLE_CHANNELS(image.format);
    image.format = PNG_FORMAT_RGBA;
    std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(image));
    EXPECT_TRUE(png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr));
    width = image.width;
    height = image.height;
    return pixels;
}

TEST(ImageCommandTest, WritesPngAndPamWithAlphaOnlyWhenThePictureHasIt) {
    test::TempDir dir;
    const std::string base = dir.path().string() + "/";
    // 2 x 1, 32 bits, bottom-up: one opaque red pixel, one half-transparent blue one.
    const std::string tga = test::tgaHeader({.width = 2, .height = 1, .pixelSize = 32}) +
                            std::string("\x00\x00\xFF\xFF\xFF\x00\x00\x80", 8);
    test::writeFile(base + "in.tga", tga);
    ASSERT_EQ(runCli({"image", base + "in.tga", base + "out.png"}).status, 0);
    unsigned width = 0, height = 0, channels = 0;
    auto pixels = readPng(base + "out.png", width, height, channels);
    EXPECT_EQ(channels, 4u);
    EXPECT_EQ(pixels, (std::vector<std::uint8_t>{255, 0, 0, 255, 0, 0, 255, 0x80}));
    ASSERT_EQ(runCli({"image", base + "in.tga", base + "out.pam"}).status, 0);
    EXPECT_EQ(test::readFile(base + "out.pam"),
              "P7\nWIDTH 2\nHEIGHT 1\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n" +
                  std::string("\xFF\0\0\xFF\0\0\xFF\x80", 8));
    // 24 bits: RGB everywhere; the BMP written reads back through the program itself.
    test::writeFile(base + "rgb.tga", test::tgaHeader({.width = 2, .height = 1}) +
                                          std::string("\x01\x02\x03\x04\x05\x06", 6));
    ASSERT_EQ(runCli({"image", base + "rgb.tga", base + "out.PNG"}).status, 0);
    pixels = readPng(base + "out.PNG", width, height, channels);
    EXPECT_EQ(channels, 3u);
    EXPECT_EQ(pixels, (std::vector<std::uint8_t>{3, 2, 1, 255, 6, 5, 4, 255}));
    ASSERT_EQ(runCli({"image", base + "rgb.tga", base + "out.ppm"}).status, 0);
    EXPECT_EQ(test::readFile(base + "out.ppm"), "P6\n2 1\n255\n\x03\x02\x01\x06\x05\x04");
    ASSERT_EQ(runCli({"image", base + "rgb.tga", base + "out.bmp"}).status, 0);
    ASSERT_EQ(runCli({"image", base + "out.bmp", base + "again.ppm"}).status, 0);
    EXPECT_EQ(test::readFile(base + "again.ppm"), test::readFile(base + "out.ppm"));
}

TEST(ImageCommandTest, AFailingSinkIsReportedForEveryFormat) {
    Bitmap picture;
    picture.setSize(3, 2);
    for (const std::string path : {"out.png", "out.pam", "out.ppm", "out.bmp"}) {
        std::ostream sink(nullptr);
        try {
            writeImage(picture, path, sink);
            ADD_FAILURE() << path << " written to a broken sink";
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(std::string(e.what()), "Cannot create file " + path);
        }
    }
}

TEST(ImageCommandTest, FailuresAndUsage) {
    test::TempDir dir;
    const std::string base = dir.path().string() + "/";
    test::writeFile(base + "ANIM.GIF", "GIF89a");
    const CliResult gif = runCli({"image", base + "ANIM.GIF", base + "out.png"});
    EXPECT_EQ(gif.status, 1);
    EXPECT_NE(gif.err.find("ANIM.GIF: Unknown picture file extension (.GIF)"), std::string::npos)
        << gif.err;
    EXPECT_EQ(runCli({"image", base + "missing.tga", base + "out.png"}).status, 1);
    EXPECT_EQ(runCli({"image", base + "ANIM.GIF"}).status, 2);
    EXPECT_EQ(runCli({"image", base + "ANIM.GIF", base + "out.gif"}).status, 2);
}

}  // namespace
}  // namespace kelvane
