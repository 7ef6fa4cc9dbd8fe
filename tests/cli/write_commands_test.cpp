#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <sstream>

#include "cli/cli.h"
#include "imaging/ImageFormats.h"
#include "imaging/texture_maker.h"
#include "tests/cli/cli_run.h"
#include "tests/support/archive_builder.h"
#include "tests/support/image_builders.h"
#include "tests/support/temp_dir.h"

namespace kelvane {
namespace {

namespace fs = std::filesystem;

using test::CliRun;
using test::run;

// Every regular file under `folder` by its path from there, with its bytes.
std::map<std::string, std::string> treeOf(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& item : fs::recursive_directory_iterator(folder)) {
        if (item.is_regular_file() && !item.is_symlink()) {
            files[fs::relative(item.path(), folder).string()] = test::readFile(item.path());
        }
    }
    return files;
}

TEST(WriteCommands, CreatedArchivesExtractToTheSameTreeInEveryLayout) {
    test::TempDir dir;
    const fs::path source = dir.path() / "aircraft";
    fs::create_directories(source / "PANELS" / "gauges");
    test::writeFile(source / "PANELS" / "gauges" / "alt\xC3\xAEm\xC3\xA8tre.tga", "pixels");
    test::writeFile(source / "readme.txt", "hello");
    test::writeFile(source / "empty.dat", "");
    ASSERT_EQ(::mkfifo((source / "pipe").c_str(), 0600), 0);  // skipped, never waited on
    const auto files = treeOf(source);

    for (const char* format : {"epd", "pod1", "pod2", "pod3"}) {
        SCOPED_TRACE(format);
        const std::string archive =
            (dir.path() / (std::string("a_") + format + (format[0] == 'e' ? ".EPD" : ".POD")))
                .string();
        const CliRun created =
            run({"create", "--format", format, "--comment", "Cessna", archive, source.string()});
        ASSERT_EQ(created.status, 0) << created.err;
        EXPECT_NE(created.err.find("pipe: not a regular file"), std::string::npos) << created.err;
        EXPECT_EQ(created.out.substr(created.out.find(" - ")), " - 3 files for 11 bytes\n");
        EXPECT_EQ(run({"verify", archive}).status, 0);

        const fs::path out = dir.path() / (std::string("out_") + format);
        ASSERT_EQ(run({"extract", "--structure", archive, out.string()}).status, 0);
        EXPECT_EQ(treeOf(out), files);

        test::writeFile(dir.path() / "README.TXT", "new text");
        EXPECT_EQ(run({"add", archive, (dir.path() / "README.TXT").string()}).status, 0);
        EXPECT_EQ(run({"delete", archive, "empty.dat"}).status, 0);
        EXPECT_EQ(run({"verify", archive}).status, 0);
        EXPECT_EQ(run({"cat", archive, "README.TXT"}).out, "new text");
        EXPECT_EQ(run({"cat", archive, "empty.dat"}).status, 1);
        EXPECT_NE(run({"info", archive}).out.find(" - 2 files for 14 bytes"), std::string::npos);
    }
}

TEST(WriteCommands, RefusalsWriteNothing) {
    test::TempDir dir;
    const fs::path source = dir.path() / "src";
    fs::create_directory(source);
    test::writeFile(source / std::string(40, 'n'), "x");  // longer than POD1 names
    const std::string pod1 = (dir.path() / "new.pod").string();
    CliRun refused = run({"create", "--format", "pod1", pod1, source.string()});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("cannot be stored in a POD1 archive"), std::string::npos)
        << refused.err;
    EXPECT_EQ(run({"create", "--format", "pod9", pod1, source.string()}).err,
              "kelvane-cli: Unknown format for a new archive: pod9 (epd, pod1, pod2 or pod3)\n");
    EXPECT_EQ(run({"create", "--format", "pod4", pod1, source.string()}).err,
              "kelvane-cli: POD4 archives can only be read: EPD, POD1, POD2 and POD3 can be "
              "written.\n");
    test::writeFile(source / std::string(70, 'n'), "x");  // longer than EPD names too
    const std::string epd = (dir.path() / "new.epd").string();
    EXPECT_NE(run({"create", epd, source.string()}).err.find("stored in an EPD archive: "),
              std::string::npos);
    EXPECT_EQ(run({"create", pod1, (dir.path() / "missing").string()}).status, 1);
    EXPECT_EQ(run({"create", pod1}).status, 2);
    EXPECT_EQ(test::namesIn(dir.path()), std::vector<std::string>{"src"});

    const std::string pod4 = (dir.path() / "old.pod").string();
    test::writeArchive(pod4, test::ArchiveLayout::POD4, {{"x", "1"}});
    const std::string before = test::readFile(pod4);
    CliRun readOnly = run({"delete", pod4, "1"});
    EXPECT_EQ(readOnly.status, 1);
    EXPECT_NE(readOnly.err.find("POD4 archives can only be read"), std::string::npos);
    EXPECT_EQ(run({"delete", pod4, "no such entry"}).status, 1);
    EXPECT_EQ(run({"add", pod4, (dir.path() / "missing").string()}).status, 1);
    EXPECT_EQ(test::readFile(pod4), before);
}

// A POD3 archive holding one texture pair, TEXTURES\SKY.RAW and TEXTURES\SKY.ACT.
std::string textureArchive(const fs::path& dir) {
    const std::string archive = (dir / "tex.pod").string();
    test::writeArchive(archive, test::ArchiveLayout::POD3,
                       {{"README.TXT", "text"},
                        {"TEXTURES\\SKY.ACT", std::string(768, 'c')},
                        {"TEXTURES\\SKY.RAW", std::string(4, 'p')}});
    return archive;
}

std::string photographicPng(const fs::path& path, unsigned width, unsigned height) {
    const auto rgb = test::photographicRgb(std::max(width, height));
    test::PngLayout layout{.width = width, .height = height};
    for (unsigned y = 0; y < height; ++y) {
        const auto row = rgb.begin() + std::ptrdiff_t(y) * std::max(width, height) * 3;
        layout.samples.insert(layout.samples.end(), row, row + std::ptrdiff_t(width) * 3);
    }
    test::writeFile(path, test::buildPng(layout));
    return path.string();
}

TEST(WriteCommands, AddTextureStoresThePairTheTextureMakerMakes) {
    test::TempDir dir;
    const std::string square = photographicPng(dir.path() / "square.png", 32, 32);
    const std::string wide = photographicPng(dir.path() / "wide.png", 40, 24);
    struct Case {
        std::string named;
        std::string picture;
        std::vector<std::string> options;
        TextureOptions made;
    } cases[] = {
        {"TEXTURES\\SKY.RAW", square, {}, {}},
        {"textures\\sky.act",
         square,
         {"--no-dither"},
         {.dither = false, .resizeSide = std::nullopt}},
        {"TEXTURES\\SKY.RAW", wide, {"--resize", "24"}, {.resizeSide = 24}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.named);
        const std::string archive = textureArchive(dir.path());
        cli::Arguments args{"add", "--texture", archive, c.named, c.picture};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const CliRun added = run(args);
        ASSERT_EQ(added.status, 0) << added.err;
        EXPECT_NE(added.err.find("kelvane-cli add: note: "), std::string::npos) << added.err;
        EXPECT_EQ(run({"verify", archive}).status, 0);

        const fs::path out = dir.path() / "out";
        fs::remove_all(out);
        ASSERT_EQ(run({"extract", "--structure", archive, out.string()}).status, 0);
        const Texture expected = makeTexture(*LoadPicture(c.picture), c.made);
        EXPECT_EQ(treeOf(out),
                  (std::map<std::string, std::string>{{"README.TXT", "text"},
                                                      {"TEXTURES/SKY.ACT", expected.palette},
                                                      {"TEXTURES/SKY.RAW", expected.indices}}));
    }
}

TEST(WriteCommands, AddTextureRefusalsLeaveTheArchiveAsItWas) {
    test::TempDir dir;
    const std::string archive = textureArchive(dir.path());
    const std::string before = test::readFile(archive);
    const std::string wide = photographicPng(dir.path() / "wide.png", 40, 24);
    const std::string missing = (dir.path() / "missing.png").string();
    struct Case {
        std::string named, picture, message;
    } cases[] = {
        {"TEXTURES\\SKY.RAW", wide, "The picture of 40 x 24 is not square"},
        {"TEXTURES\\SKY.RAW", missing, "missing.png: Cannot open file"},
        {"TEXTURES\\MOON.RAW", wide, "The archive has no entry TEXTURES\\MOON.RAW."},
        {"README.TXT", wide, "README.TXT is not a texture half"},
    };
    for (const Case& c : cases) {
        const CliRun refused = run({"add", "--texture", archive, c.named, c.picture});
        EXPECT_EQ(refused.status, 1);
        EXPECT_NE(refused.err.find(c.message), std::string::npos) << refused.err;
        EXPECT_EQ(test::readFile(archive), before);
    }
    EXPECT_EQ(run({"add", "--texture", archive, "TEXTURES\\SKY.RAW"}).status, 2);
}

}  // namespace
}  // namespace kelvane
