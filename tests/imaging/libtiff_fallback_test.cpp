#include <tiffio.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "imaging/ImageFormats.h"
#include "imaging/graphic_errors.h"
#include "imaging/image_stream.h"
#include "imaging/libtiff_picture.h"
#include "tests/support/image_builders.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tiff_builder.h"

namespace kelvane {
namespace {

using test::TiffPicture;

TiffPicture picture(std::uint16_t bits, std::uint16_t samples, std::uint16_t photometric,
                    std::uint16_t compression) {
    TiffPicture p;
    p.width = 37;
    p.height = 23;
    p.rowsPerStrip = 5;
    p.bitsPerSample = bits;
    p.samplesPerPixel = samples;
    p.photometric = photometric;
    p.compression = compression;
    p.pixels = test::noise(p.bytesPerRow() * p.height, bits * 7 + samples);
    return p;
}

// A row sink that only counts what it is given: the fallback decodes whole, without it.
class CountingSink : public RowSink {
  public:
    PictureSize leastSize(PictureSize own) const override { return own; }
    void start(PictureSize) override {}
    void takeRow(const Bitmap&, std::uint32_t, const std::uint8_t*) override { ++rows; }
    int rows = 0;
};

std::unique_ptr<Graphic> load(const std::string& bytes, RowSink* sink = nullptr) {
    MemoryStream stream(bytes.data(), bytes.size());
    return LoadPicture(stream, "tif", FileFormatList(), sink);
}

std::string loadError(const std::string& bytes) {
    try {
        load(bytes);
    } catch (const std::exception& error) {
        return englishText(error);
    }
    return "no error";
}

const std::string kUnsupported =
    "Cannot load image. The compression scheme is not supported for TIF/TIFF files.";
const std::string kInvalid = "Cannot load image. Invalid or unexpected TIF/TIFF image format.";

TEST(LibtiffFallbackTest, PicturesTheOwnDecoderRefusesMatchLibtiff) {
    struct Case {
        const char* name;
        TiffPicture picture;
    };
    std::vector<Case> cases;
    cases.push_back({"LZW RGB", picture(8, 3, PHOTOMETRIC_RGB, COMPRESSION_LZW)});
    cases.push_back(
        {"Group 4 bilevel", picture(1, 1, PHOTOMETRIC_MINISWHITE, COMPRESSION_CCITTFAX4)});
    cases.push_back({"tiled RGB", picture(8, 3, PHOTOMETRIC_RGB, COMPRESSION_ADOBE_DEFLATE)});
    cases.back().picture.tileSize = 16;
    cases.push_back({"16-bit RGB", picture(16, 3, PHOTOMETRIC_RGB, COMPRESSION_LZW)});
    cases.back().picture.predictor = 2;
    cases.push_back({"BigTIFF", picture(8, 3, PHOTOMETRIC_RGB, COMPRESSION_LZW)});
    cases.back().picture.bigTiff = true;
    cases.back().picture.bigEndian = true;
    cases.push_back({"LZW with alpha", picture(8, 4, PHOTOMETRIC_RGB, COMPRESSION_LZW)});
    cases.back().picture.extraSamples = {EXTRASAMPLE_UNASSALPHA};

    test::TempDir dir;
    for (const Case& c : cases) {
        const auto path = dir.path() / "p.tif";
        test::writeTiff(path, c.picture);
        const std::string bytes = test::readFile(path);
        // libtiff renders colour multiplied by alpha; the picture holds it at full strength.
        const std::vector<std::uint32_t> reference = test::readRgba(path);
        const bool alpha = !c.picture.extraSamples.empty();
        for (const bool offered : {false, true}) {
            CountingSink sink;
            const std::unique_ptr<Graphic> picture = load(bytes, offered ? &sink : nullptr);
            EXPECT_FALSE(picture->sendsRows()) << c.name;
            EXPECT_EQ(sink.rows, 0) << c.name;
            EXPECT_EQ(picture->hasAlpha(), alpha) << c.name;
            const Rgba8Image image = picture->toRgba8();
            ASSERT_EQ(std::size_t{image.width} * image.height, reference.size()) << c.name;
            int worst = 0;
            for (std::size_t i = 0; i < reference.size(); ++i) {
                const int a = image.pixels[i * 4 + 3];
                for (int channel = 0; channel < 4; ++channel) {
                    int value = image.pixels[i * 4 + channel];
                    if (channel < 3) value = (value * a + 127) / 255;
                    const int expected = int(reference[i] >> (8 * channel) & 0xFF);
                    worst = std::max(worst, std::abs(value - expected));
                }
            }
            EXPECT_LE(worst, alpha ? 1 : 0) << c.name;
        }

        // Cut anywhere, the file is refused with the own decoder's message or still decodes.
        for (std::size_t size = 0; size < bytes.size(); size += 11) {
            const std::string error = loadError(bytes.substr(0, size));
            EXPECT_TRUE(error == kInvalid || error == kUnsupported || error == "no error")
                << c.name << " cut at " << size << ": " << error;
        }
    }
}

TEST(LibtiffFallbackTest, FilesBothRefuseKeepTheOwnDecodersMessage) {
    test::TempDir dir;
    const auto path = dir.path() / "p.tif";
    test::writeTiff(path, picture(8, 3, PHOTOMETRIC_RGB, COMPRESSION_LZW));
    std::string bytes = test::readFile(path);
    // LZW codes beyond the table from the first strip on; the directory stays whole.
    for (std::size_t i = 8; i < 200; ++i) bytes[i] = '\xFF';
    MemoryStream stream(bytes.data(), bytes.size());
    std::string libtiffError;
    EXPECT_EQ(decodeWithLibtiff(stream, &libtiffError), nullptr);
    EXPECT_FALSE(libtiffError.empty());
    EXPECT_EQ(loadError(bytes), kUnsupported);

    // Larger than the pixel-buffer limit: refused before anything is allocated.
    const std::string whole = test::readFile(path);
    MemoryStream wholeStream(whole.data(), whole.size());
    const std::uint64_t limit = maxImageBytes();
    setMaxImageBytes(37 * 23 * 2);
    const bool decoded = decodeWithLibtiff(wholeStream) != nullptr;
    setMaxImageBytes(limit);
    EXPECT_FALSE(decoded);
}

}  // namespace
}  // namespace kelvane
