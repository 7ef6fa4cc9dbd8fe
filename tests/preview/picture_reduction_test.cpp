// The preview's one-pass reduction (rows handed to the reducer as they are decoded) against
// fitPicture of the whole decode, for every decoder that hands rows over and both row orders;
// truncated pictures fail alike; and the inflating entry stream's seeks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "archive/pod_reader.h"
#include "decoders/whole_file.h"
#include "imaging/ImageFormats.h"
#include "imaging/image_stream.h"
#include "imaging/raw_texture.h"
#include "platform/bilingual_error.h"
#include "platform/read_only_file.h"
#include "preview/entry_stream.h"
#include "preview/picture_fit.h"
#include "preview/preview_content.h"
#include "tests/support/archive_builder.h"
#include "tests/support/image_builders.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tiff_builder.h"

namespace kelvane {
namespace {

constexpr std::uint16_t kWidth = 37, kHeight = 23;

// Pseudo-random bytes with runs in them, so that run-length packets of both kinds occur.
std::string runs(std::size_t size, std::uint32_t seed) {
    const std::vector<std::uint8_t> noise = test::noise(size, seed);
    std::string out(size, '\0');
    for (std::size_t i = 0; i < size; ++i) out[i] = char(noise[i - i % 3] & 0xE7);
    return out;
}

std::string tga(test::TgaHeader header, unsigned bytesPerPixel, bool runLength = false) {
    header.width = kWidth;
    header.height = kHeight;
    const std::string pixels = runs(std::size_t(kWidth) * kHeight * bytesPerPixel, 3);
    std::string map;
    if (header.colorMapType == 1) map = runs(std::size_t(header.colorMapLength) * 3, 4);
    return test::tgaHeader(header) + map +
           (runLength ? test::tgaRunLength(pixels, bytesPerPixel, kWidth) : pixels);
}

std::string bmp(test::BmpLayout layout) {
    layout.width = kWidth;
    layout.height = layout.height < 0 ? -kHeight : kHeight;
    if (layout.bits <= 8) layout.palette = runs(4u << layout.bits, 5);
    const std::size_t stride = (std::size_t(kWidth) * layout.bits + 31) / 32 * 4;
    return test::buildBmp(layout, runs(stride * kHeight, 6));
}

// Eight-bit run-length data: each row a run and a literal stretch, the last rows left out.
std::string rle8() {
    std::string data;
    for (int row = 0; row + 3 < kHeight; ++row) {
        data += {char(30), char(row)};
        data +=
            {'\0', char(7), char(1), char(2), char(3), char(4), char(5), char(6), char(7), '\0'};
        data += {'\0', '\0'};
    }
    data += {'\0', '\1'};
    return data;
}

std::string tiff(const test::TempDir& dir, test::TiffPicture picture) {
    picture.width = kWidth;
    picture.height = kHeight;
    const std::string pixels = runs(picture.bytesPerRow() * kHeight, 7);
    picture.pixels.assign(pixels.begin(), pixels.end());
    if (picture.photometric == 3) picture.colorMap = std::vector<std::uint16_t>(3 << 4, 0x8000);
    for (std::size_t i = 0; i < picture.colorMap.size(); ++i)
        picture.colorMap[i] = std::uint16_t(i * 1999);
    const auto path = dir.path() / "picture.tif";
    test::writeTiff(path, picture);
    return readWholeFile(path.string());
}

test::TiffPicture tiffLayout(std::uint16_t bits, std::uint16_t samples, std::uint16_t photometric,
                             std::uint16_t compression, std::uint16_t predictor = 1) {
    test::TiffPicture p;
    p.bitsPerSample = bits;
    p.samplesPerPixel = samples;
    p.photometric = photometric;
    p.compression = compression;
    p.predictor = predictor;
    p.rowsPerStrip = 5;
    return p;
}

// What a preview of the picture gives: its error, or its fitted pixels and own size.
struct Outcome {
    std::string error;
    Rgba8Image fitted;
    PictureSize size;
    bool sent = false;  // reduced from rows handed over
};

Outcome decode(const std::string& file, const char* extension, PictureSize box, bool onePass) {
    MemoryStream stream(file.data(), file.size());
    PictureReducer reducer(box);
    Outcome outcome;
    try {
        const auto picture =
            LoadPicture(stream, extension, FileFormatList(), onePass ? &reducer : nullptr);
        outcome.sent = picture->sendsRows();
        if (picture->empty()) return outcome;
        outcome.fitted = outcome.sent ? reducer.finish(*picture) : fitPicture(*picture, box);
        outcome.size =
            outcome.sent ? reducer.pictureSize() : PictureSize{picture->width(), picture->height()};
    } catch (const std::exception& e) {
        outcome.error = englishText(e);
    }
    return outcome;
}

void expectSame(const Outcome& onePass, const Outcome& whole) {
    EXPECT_EQ(onePass.error, whole.error);
    EXPECT_EQ(onePass.size, whole.size);
    EXPECT_EQ(onePass.fitted.width, whole.fitted.width);
    EXPECT_EQ(onePass.fitted.height, whole.fitted.height);
    EXPECT_EQ(onePass.fitted.hasAlpha, whole.fitted.hasAlpha);
    EXPECT_EQ(onePass.fitted.pixels, whole.fitted.pixels);
}

TEST(PictureReduction, OnePassEqualsFittingTheWholeDecode) {
    const test::TempDir dir;
    const struct {
        const char* name;
        std::string file;
        const char* extension;
        bool sent;
    } cases[] = {
        {"Targa 24-bit bottom-up", tga({}, 3), "tga", true},
        {"Targa 24-bit top-down", tga({.descriptor = 0x20}, 3), "tga", true},
        {"Targa 15-bit", tga({.pixelSize = 15}, 2), "tga", true},
        {"Targa 32-bit run-length", tga({.imageType = 10, .pixelSize = 32}, 4, true), "tga", true},
        {"Targa grey and alpha", tga({.imageType = 3, .pixelSize = 16}, 2), "tga", true},
        {"Targa colour-mapped run-length",
         tga({.colorMapType = 1, .imageType = 9, .colorMapLength = 256, .pixelSize = 8}, 1, true),
         "tga", true},
        {"Targa without pixels", tga({.imageType = 0}, 0), "tga", false},
        {"BMP 24-bit bottom-up", bmp({}), "bmp", true},
        {"BMP 24-bit top-down", bmp({.height = -1}), "bmp", true},
        {"BMP 4-bit", bmp({.bits = 4}), "bmp", true},
        {"BMP 8-bit", bmp({.bits = 8}), "bmp", true},
        {"BMP 16-bit 5-6-5",
         bmp({.bits = 16,
              .compression = 3,
              .extraHeader = std::string("\0\xF8\0\0\xE0\x07\0\0\x1F\0\0\0", 12)}),
         "bmp", true},
        {"BMP 8-bit run-length", test::buildBmp({kWidth, kHeight, 8, 1, runs(1024, 8)}, rle8()),
         "bmp", false},
        {"TIFF 8-bit RGB strips", tiff(dir, tiffLayout(8, 3, 2, 1)), "tif", true},
        {"TIFF deflate with predictor", tiff(dir, tiffLayout(8, 3, 2, 8, 2)), "tif", true},
        {"TIFF 1-bit PackBits", tiff(dir, tiffLayout(1, 1, 1, 32773)), "tif", true},
        {"TIFF 4-bit palette", tiff(dir, tiffLayout(4, 1, 3, 1)), "tif", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const PictureSize box : {PictureSize{10, 10}, PictureSize{36, 30}}) {
            const Outcome onePass = decode(c.file, c.extension, box, true);
            EXPECT_EQ(onePass.sent, c.sent);
            EXPECT_EQ(onePass.error, "");
            expectSame(onePass, decode(c.file, c.extension, box, false));
        }
        // Cut short, both fail alike (or show the same part).
        for (const std::size_t size : {c.file.size() / 2, c.file.size() - 1}) {
            SCOPED_TRACE(size);
            const std::string cut = c.file.substr(0, size);
            expectSame(decode(cut, c.extension, {10, 10}, true),
                       decode(cut, c.extension, {10, 10}, false));
        }
    }
}

TEST(PictureReduction, JpegIsDecodedAtTheSmallestScaleStillLargeEnough) {
    const unsigned width = 300, height = 200;
    std::vector<std::uint8_t> rgb;
    for (unsigned y = 0; y < height; ++y)
        for (unsigned x = 0; x < width; ++x)
            rgb.insert(rgb.end(),
                       {std::uint8_t(x * 255 / width), std::uint8_t(y), std::uint8_t((x + y) / 2)});
    std::vector<std::uint8_t> grey;
    for (std::size_t i = 0; i < rgb.size(); i += 3) grey.push_back(rgb[i + 1]);
    const struct {
        const char* name;
        std::string file;
        PictureSize box;
        std::uint32_t decodedWidth;
        int tolerance;
    } cases[] = {
        // 1/4 gives 75 x 50 for 40 x 27; 1/8 (38 x 25) would be too small.
        {"colour at a quarter", test::encodeJpeg(rgb, width, height, 3, false), {40, 40}, 75, 8},
        {"progressive grey at an eighth",
         test::encodeJpeg(grey, width, height, 1, true),
         {30, 30},
         38,
         8},
        {"colour at full size", test::encodeJpeg(rgb, width, height, 3, false), {200, 200}, 300, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryStream stream(c.file.data(), c.file.size());
        PictureReducer reducer(c.box);
        const auto picture = LoadPicture(stream, "jpg", FileFormatList(), &reducer);
        ASSERT_TRUE(picture->sendsRows());
        EXPECT_EQ(picture->width(), c.decodedWidth);
        const Rgba8Image reduced = reducer.finish(*picture);
        const Outcome whole = decode(c.file, "jpg", c.box, false);
        EXPECT_EQ(reducer.pictureSize(), whole.size);
        ASSERT_EQ(reduced.width, whole.fitted.width);
        ASSERT_EQ(reduced.height, whole.fitted.height);
        int worst = 0;
        for (std::size_t i = 0; i < reduced.pixels.size(); ++i)
            worst = std::max(worst, std::abs(reduced.pixels[i] - whole.fitted.pixels[i]));
        EXPECT_LE(worst, c.tolerance);
    }
}

// Through the preview itself, stored and compressed: Targa, a texture pair, a picture cut
// short. Each is what fitting its whole decode shows, or fails with the same reason.
TEST(PictureReduction, PreviewsOfStoredAndCompressedEntries) {
    const std::string picture = tga({.descriptor = 0x20}, 3);
    const std::string texture = runs(64 * 64, 9), palette = runs(768, 10);
    const std::string bitmap = rawTextureToBmp(texture, palette);
    const std::string cut = picture.substr(0, picture.size() - 5);
    const test::TempDir dir;
    const std::string path = (dir.path() / "pictures.pod").string();
    std::vector<test::StoredFile> files;
    for (const bool compress : {false, true}) {
        files.push_back({"pic.tga", picture, 0, compress});
        files.push_back({"tex.RAW", texture, 0, compress});
        files.push_back({"tex.ACT", palette, 0, compress});
        files.push_back({"cut.tga", cut, 0, compress});
    }
    test::writeArchive(path, test::ArchiveLayout::POD5, files);
    TPOD pod(path);
    pod.ReadHeaderAndDirectory();
    const std::vector<CatalogueEntry>& catalogue = pod.catalogue();
    ASSERT_EQ(catalogue.size(), 8u);
    const PictureSize box{10, 10};
    const std::pair<const std::string*, const char*> expected[] = {
        {&picture, "tga"}, {&bitmap, "bmp"}, {&bitmap, "bmp"}, {&cut, "tga"}};
    for (std::size_t i = 0; i < catalogue.size(); ++i) {
        SCOPED_TRACE(catalogue[i].name);
        const CatalogueEntry& entry = catalogue[i];
        const PreviewContent content =
            previewEntry({path, entry, textureCompanion(catalogue, entry), box, '.'});
        const Outcome whole = decode(*expected[i % 4].first, expected[i % 4].second, box, false);
        if (!whole.error.empty()) {
            EXPECT_EQ(std::get<HexPreview>(content).english, whole.error);
            continue;
        }
        const auto& shown = std::get<PicturePreview>(content);
        EXPECT_EQ(shown.size, whole.size);
        EXPECT_EQ(shown.pixels.pixels, whole.fitted.pixels);
    }
}

TEST(PictureReduction, TargetRowsOfManySourceRowsDoNotOverflow) {
    // 255 in more rows than 32-bit sums of 255 hold, one white row in four.
    const std::uint32_t height = 16843012;
    Bitmap picture;
    picture.setPixelFormat(PixelFormat::pf8bit);
    picture.setSize(1, height);
    picture.setPalette({{0, 0, 0}, {255, 255, 255}});
    for (std::uint32_t y = 0; y < height; y += 4) *picture.scanLine(y) = 1;
    const Rgba8Image fitted = fitPicture(picture, {1, 1});
    ASSERT_EQ(fitted.pixels.size(), 4u);
    EXPECT_EQ(fitted.pixels[0], 64);  // 255 / 4, rounded
    EXPECT_EQ(fitted.pixels[3], 255);
}

TEST(PictureReduction, InflatedStreamSeeksBackOnlyAsFarAsItsHistory) {
    const std::vector<std::uint8_t> noise = test::noise(9 * kInflatedHistory + 12345, 12);
    const std::string data(noise.begin(), noise.end());
    const test::TempDir dir;
    const std::string path = (dir.path() / "one.pod").string();
    test::writeArchive(path, test::ArchiveLayout::POD5, {{"noise.bin", data}});
    TPOD pod(path);
    pod.ReadHeaderAndDirectory();
    ReadOnlyFile file;
    ASSERT_TRUE(file.open(path));
    InflatedEntryStream stream(file, pod.catalogue()[0]);
    ASSERT_EQ(stream.size(), data.size());
    const std::uint64_t h = kInflatedHistory;
    const struct {
        std::uint64_t position;
        std::size_t count;
        int starts;
    } reads[] = {
        {10, 100, 1},
        {0, 10, 1},                 // within the history
        {6 * h + 7, 5000, 1},       // forward: skipped
        {5 * h + 5007, 20, 1},      // the whole history back
        {1000, 10, 2},              // further: inflated again
        {5, 5 * h, 2},              // long reads go straight into place
        {data.size() - h, 10, 2},   // and keep their end as history
        {data.size() - 3, 100, 2},  // the end cuts reads short
        {data.size() + 1, 10, 2},
    };
    std::string buffer;
    for (const auto& r : reads) {
        SCOPED_TRACE(r.position);
        buffer.assign(r.count, '\0');
        stream.seek(r.position);
        const std::size_t got = stream.read(buffer.data(), r.count);
        const std::size_t available =
            r.position < data.size() ? std::min<std::size_t>(r.count, data.size() - r.position) : 0;
        ASSERT_EQ(got, available);
        EXPECT_EQ(buffer.substr(0, got),
                  data.substr(std::min<std::size_t>(r.position, data.size()), got));
        EXPECT_EQ(stream.starts(), r.starts);
    }
}

}  // namespace
}  // namespace kelvane
