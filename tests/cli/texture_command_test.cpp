#include <gtest/gtest.h>

#include <cctype>

#include "tests/cli/cli_run.h"
#include "tests/support/image_builders.h"
#include "tests/support/temp_dir.h"

namespace kelvane {
namespace {

// An RGBA PNG of `width` x `height`, every pixel of the given colour and alpha.
std::string flatPng(std::uint32_t width, std::uint32_t height, std::uint16_t alpha) {
    test::PngLayout layout{.width = width, .height = height, .colorType = 6};
    for (std::uint32_t i = 0; i < width * height; ++i)
        layout.samples.insert(layout.samples.end(), {200, 100, 50, alpha});
    return test::buildPng(layout);
}

std::string photographicPng(unsigned side) {
    const auto rgb = test::photographicRgb(side);
    return test::buildPng({.width = side, .height = side, .samples = {rgb.begin(), rgb.end()}});
}

TEST(TextureCommandTest, WritesTheTextureAndItsPaletteWithNotes) {
    test::TempDir dir;
    const std::string base = dir.path().string() + "/";
    test::writeFile(base + "half.png", flatPng(4, 4, 128));
    test::writeFile(base + "wide.png", flatPng(30, 20, 255));
    test::writeFile(base + "photo.png", photographicPng(64));
    struct Case {
        std::vector<std::string> args;
        std::string raw, act;
        std::size_t rawSize;
        std::string note;
    } cases[] = {
        {{"half.png", "half.RAW"},
         "half.RAW",
         "half.ACT",
         16,
         "transparency was flattened on black"},
        {{"wide.png", "wide.raw", "--resize", "8"}, "wide.raw", "wide.act", 64, ""},
        {{"--no-dither", "photo.png", "photo.raw"},
         "photo.raw",
         "photo.act",
         64 * 64,
         "colours quantized to 256, PSNR "},
    };
    for (const Case& c : cases) {
        cli::Arguments args{"texture"};
        for (const std::string& a : c.args)
            args.push_back(a.starts_with("-") || isdigit(a[0]) ? a : base + a);
        const test::CliRun result = test::run(args);
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(test::readFile(base + c.raw).size(), c.rawSize);
        EXPECT_EQ(test::readFile(base + c.act).size(), 768u);
        if (c.note.empty())
            EXPECT_EQ(result.err, "");
        else
            EXPECT_NE(result.err.find("note: "), std::string::npos) << result.err;
        EXPECT_NE(result.err.find(c.note), std::string::npos) << result.err;
    }
    // Half alpha over black: each channel halved, rounded.
    EXPECT_EQ(test::readFile(base + "half.ACT").substr(0, 3), "\x64\x32\x19");
}

TEST(TextureCommandTest, RefusesWhatMakesNoTexture) {
    test::TempDir dir;
    const std::string base = dir.path().string() + "/";
    test::writeFile(base + "wide.png", flatPng(300, 200, 255));
    test::writeFile(base + "square.png", flatPng(2, 2, 255));
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string message;
    } cases[] = {
        {{base + "wide.png", base + "t.raw"}, 1, "The picture of 300 x 200 is not square"},
        {{base + "square.png", base + "t.raw", "--resize", "0"}, 2, "A side of 0 pixels"},
        {{base + "square.png", base + "t.raw", "--resize", "99999999999999999999999"},
         2,
         "A side of 18446744073709551615 pixels"},
        {{base + "square.png", base + "t.raw", "--resize", "8x"}, 2, "--resize expects a SIDE"},
        {{base + "square.png", base + "t.raw", "--resize"}, 2, "--resize expects a SIDE"},
        {{base + "square.png", base + "t.png"}, 2, "OUT must end in .raw"},
        {{base + "square.png"}, 2, "expected PICTURE and OUT.RAW"},
        {{base + "missing.png", base + "t.raw"}, 1, "missing.png"},
    };
    for (const Case& c : cases) {
        cli::Arguments args{"texture"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const test::CliRun result = test::run(args);
        EXPECT_EQ(result.status, c.status) << result.err;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    }
    EXPECT_EQ(test::namesIn(dir.path()), (std::vector<std::string>{"square.png", "wide.png"}));
}

}  // namespace
}  // namespace kelvane
