#include <gtest/gtest.h>

#include <filesystem>

#include "imaging/ImageFormats.h"
#include "imaging/image_stream.h"
#include "imaging/raw_texture.h"
#include "tests/cli/cli_run.h"
#include "tests/support/archive_builder.h"
#include "tests/support/image_builders.h"
#include "tests/support/temp_dir.h"

namespace kelvane {
namespace {

namespace fs = std::filesystem;

int count(const std::string& text, const std::string& part) {
    int found = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++found;
    return found;
}

Rgba8Image decoded(const std::string& bytes, std::string_view extension) {
    MemoryStream stream(bytes.data(), bytes.size());
    return LoadPicture(stream, extension)->toRgba8();
}

TEST(PictureExtraction, PicturesAndTexturePairsBecomePngTheRestStaysAsStored) {
    const test::TempDir dir;
    std::string palette(768, '\0');
    for (int i = 0; i < 768; ++i) palette[std::size_t(i)] = char(i * 7);
    const std::string pixels = "\x01\x02\x03\x04";  // a 2 x 2 texture
    const std::string targa = test::flatTarga(3, 2);
    const std::string archive = (dir.path() / "a.pod").string();
    test::writeArchive(archive, test::ArchiveLayout::POD,
                       {{"TEX\\A.ACT", palette},
                        {"TEX\\A.RAW", pixels},
                        {"PIC\\P.TGA", targa},
                        {"PIC\\BAD.BMP", "BM not a bitmap"},
                        {"LONE.RAW", pixels},
                        {"CUT\\C.RAW", pixels},
                        {"CUT\\C.ACT", "short"},
                        {"DOC.TXT", "text"}});

    for (const bool structure : {false, true}) {
        SCOPED_TRACE(structure);
        const fs::path out = dir.path() / (structure ? "kept" : "flat");
        cli::Arguments args = {"extract", "--png", archive, out.string()};
        if (structure) args.insert(args.begin() + 1, "--structure");
        const test::CliRun result = test::run(args);
        EXPECT_EQ(result.status, 0) << result.err;
        // The pair is one picture, written when its first half comes; what does not decode
        // is written as stored, with a note.
        const fs::path tex = structure ? out / "TEX" : out, pic = structure ? out / "PIC" : out,
                       cut = structure ? out / "CUT" : out;
        EXPECT_EQ(result.out, (tex / "A.png").string() + "\n" + (pic / "P.png").string() + "\n" +
                                  (pic / "BAD.BMP").string() + "\n" + (out / "LONE.RAW").string() +
                                  "\n" + (cut / "C.RAW").string() + "\n" +
                                  (cut / "C.ACT").string() + "\n" + (out / "DOC.TXT").string() +
                                  "\n");
        // A pair that does not convert is written as stored, with one note.
        EXPECT_EQ(count(result.err,
                        "note: The picture CUT\\C.RAW is written as stored: A palette "
                        "of 5 bytes is incomplete"),
                  1)
            << result.err;
        EXPECT_EQ(count(result.err, "CUT\\C.ACT"), 0) << result.err;
        EXPECT_NE(result.err.find("note: The picture PIC\\BAD.BMP is written as stored: "),
                  std::string::npos)
            << result.err;
        EXPECT_NE(result.err.find("note: The picture LONE.RAW is written as stored: its other "
                                  "half LONE.ACT is missing"),
                  std::string::npos)
            << result.err;
        EXPECT_FALSE(fs::exists(tex / "A.ACT"));
        EXPECT_EQ(test::readFile(out / "LONE.RAW"), pixels);

        const Rgba8Image texture = decoded(test::readFile(tex / "A.png"), "png");
        const std::string bmp = rawTextureToBmp(pixels, palette);
        EXPECT_EQ(texture.pixels, decoded(bmp, "bmp").pixels);
        EXPECT_EQ(decoded(test::readFile(pic / "P.png"), "png").pixels,
                  decoded(targa, "tga").pixels);
    }
}

}  // namespace
}  // namespace kelvane
