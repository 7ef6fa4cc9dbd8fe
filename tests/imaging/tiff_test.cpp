#include <tiffio.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "imaging/graphic_errors.h"
#include "imaging/image_stream.h"
#include "imaging/tiff.h"
#include "tests/support/image_builders.h"
#include "tests/support/shell.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tiff_builder.h"

namespace kelvane {
namespace {

using test::TiffPicture;
using Bytes = std::vector<std::uint8_t>;

Rgba8Image decodeBytes(const std::string& bytes) {
    MemoryStream stream(bytes.data(), bytes.size());
    TTIFFGraphic graphic;
    graphic.LoadFromStream(stream);
    return graphic.toRgba8();
}

Rgba8Image decodeFile(const std::filesystem::path& path) {
    return decodeBytes(test::readFile(path));
}

std::string loadError(const std::string& bytes) {
    try {
        decodeBytes(bytes);
    } catch (const std::exception& error) {
        return englishText(error);
    }
    return "no error";
}

const std::string kInvalid = "Cannot load image. Invalid or unexpected TIF/TIFF image format.";

// Every channel of every pixel within `tolerance` of libtiff's rendering, which holds colour
// multiplied by alpha where the picture holds it at full strength.
void expectMatchesLibtiff(const Rgba8Image& image, const std::filesystem::path& path, int tolerance,
                          const std::string& what) {
    const std::vector<std::uint32_t> reference = test::readRgba(path);
    ASSERT_EQ(std::size_t{image.width} * image.height, reference.size()) << what;
    int worst = 0;
    std::size_t worstPixel = 0;
    for (std::size_t i = 0; i < reference.size(); ++i) {
        const int alpha = image.pixels[i * 4 + 3];
        for (int channel = 0; channel < 4; ++channel) {
            const int expected = static_cast<int>(reference[i] >> (8 * channel) & 0xFF);
            int value = image.pixels[i * 4 + channel];
            if (image.hasAlpha && channel < 3) value = (value * alpha + 127) / 255;
            const int difference = std::abs(value - expected);
            if (difference > worst) worst = difference, worstPixel = i;
        }
    }
    EXPECT_LE(worst, tolerance) << what << ": pixel " << worstPixel << " of " << image.width
                                << " x " << image.height;
}

// Rows with runs and noise, so that every compression meets both.
Bytes mixedPixels(std::size_t size, std::uint32_t seed) {
    Bytes bytes = test::noise(size, seed);
    for (std::size_t i = 0; i < size; ++i) {
        if ((i / 29) % 3 == 0) bytes[i] = static_cast<std::uint8_t>(i / 64);
    }
    return bytes;
}

// Scales every colour sample by its pixel's alpha (the last sample), the way pictures with
// associated alpha store them. 16-bit samples are in host (little-endian) order.
void associateAlpha(TiffPicture& p) {
    const std::size_t step = p.bitsPerSample / 8;
    auto sample = [&](std::size_t i) {
        return step == 1 ? p.pixels[i] : p.pixels[2 * i] | p.pixels[2 * i + 1] << 8;
    };
    const unsigned maximum = step == 1 ? 0xFF : 0xFFFF;
    const std::size_t samples = p.pixels.size() / step;
    for (std::size_t pixel = 0; pixel < samples; pixel += p.samplesPerPixel) {
        const unsigned alpha = sample(pixel + p.samplesPerPixel - 1);
        for (std::size_t i = pixel; i + 1 < pixel + p.samplesPerPixel; ++i) {
            const unsigned value = sample(i) * alpha / maximum;
            if (step == 1) {
                p.pixels[i] = static_cast<std::uint8_t>(value);
            } else {
                p.pixels[2 * i] = static_cast<std::uint8_t>(value);
                p.pixels[2 * i + 1] = static_cast<std::uint8_t>(value >> 8);
            }
        }
    }
}

struct Layout {
    const char* name;
    std::uint16_t bits;
    std::uint16_t samples;
    std::uint16_t photometric;
};

TiffPicture picture(const Layout& layout, std::uint16_t compression) {
    TiffPicture p;
    p.width = 37;
    p.height = 23;
    p.rowsPerStrip = 5;
    p.bitsPerSample = layout.bits;
    p.samplesPerPixel = layout.samples;
    p.photometric = layout.photometric;
    p.compression = compression;
    p.pixels = mixedPixels(p.bytesPerRow() * p.height, layout.bits * 7 + layout.samples);
    if (layout.photometric == PHOTOMETRIC_PALETTE) {
        const Bytes noise = test::noise(3 * 2 << layout.bits, 11);
        for (std::size_t i = 0; i + 1 < noise.size(); i += 2) {
            p.colorMap.push_back(static_cast<std::uint16_t>(noise[i] << 8 | noise[i + 1]));
        }
    }
    if (layout.photometric == PHOTOMETRIC_RGB && layout.samples == 4) {
        p.extraSamples = {EXTRASAMPLE_ASSOCALPHA};
        associateAlpha(p);
    }
    return p;
}

TEST(TiffTest, LayoutsAndCompressionsMatchLibtiffInBothByteOrders) {
    const Layout layouts[] = {
        {"1-bit grey", 1, 1, PHOTOMETRIC_MINISBLACK},
        {"1-bit min-is-white", 1, 1, PHOTOMETRIC_MINISWHITE},
        {"4-bit grey", 4, 1, PHOTOMETRIC_MINISBLACK},
        {"4-bit min-is-white", 4, 1, PHOTOMETRIC_MINISWHITE},
        {"8-bit grey", 8, 1, PHOTOMETRIC_MINISBLACK},
        {"8-bit min-is-white", 8, 1, PHOTOMETRIC_MINISWHITE},
        {"16-bit grey", 16, 1, PHOTOMETRIC_MINISBLACK},
        {"16-bit min-is-white", 16, 1, PHOTOMETRIC_MINISWHITE},
        {"4-bit palette", 4, 1, PHOTOMETRIC_PALETTE},
        {"8-bit palette", 8, 1, PHOTOMETRIC_PALETTE},
        {"8-bit RGB", 8, 3, PHOTOMETRIC_RGB},
        {"16-bit RGB", 16, 3, PHOTOMETRIC_RGB},
        {"RGBA", 8, 4, PHOTOMETRIC_RGB},
        {"CMYK", 8, 4, PHOTOMETRIC_SEPARATED},
    };
    test::TempDir dir;
    for (const Layout& layout : layouts) {
        for (const std::uint16_t compression :
             {COMPRESSION_NONE, COMPRESSION_PACKBITS, COMPRESSION_ADOBE_DEFLATE}) {
            // Predictor 2 with deflate only; bits stored lowest first (fill order 2) with
            // every kind (fax data have their own test).
            for (const auto& [predictor, fillOrder] : {std::pair{1, 1}, {2, 1}, {1, 2}}) {
                if (predictor == 2 &&
                    (compression != COMPRESSION_ADOBE_DEFLATE || layout.bits < 8)) {
                    continue;
                }
                TiffPicture p = picture(layout, compression);
                p.predictor = static_cast<std::uint16_t>(predictor);
                p.fillOrder = static_cast<std::uint16_t>(fillOrder);
                const std::string what = std::string(layout.name) + ", compression " +
                                         std::to_string(compression) + ", predictor " +
                                         std::to_string(predictor) + ", fill order " +
                                         std::to_string(fillOrder);
                const auto little = dir.path() / "little.tif";
                test::writeTiff(little, p);
                p.bigEndian = true;
                const auto big = dir.path() / "big.tif";
                test::writeTiff(big, p);
                const Rgba8Image image = decodeFile(little);
                expectMatchesLibtiff(image, little, layout.bits == 16 ? 1 : 0, what);
                EXPECT_EQ(decodeFile(big).pixels, image.pixels) << what << ": big-endian twin";
            }
        }
    }
}

TEST(TiffTest, LowDepthRgbMatchesLibtiffOnItsEightBitTwin) {
    // libtiff's RGBA reader refuses RGB below 8 bits; ImageMagick and Pillow scale each
    // sample to 0..255, which the 8-bit twin stores directly.
    test::TempDir dir;
    for (const std::uint16_t bits : {1, 2, 4}) {
        for (const std::uint16_t compression : {COMPRESSION_NONE, COMPRESSION_PACKBITS}) {
            TiffPicture p = picture({"RGB", bits, 3, PHOTOMETRIC_RGB}, compression);
            TiffPicture twin = p;
            twin.bitsPerSample = 8;
            twin.pixels.clear();
            const unsigned maximum = (1u << bits) - 1;
            for (std::size_t y = 0; y < p.height; ++y) {
                for (std::size_t i = 0; i < std::size_t{p.width} * 3; ++i) {
                    const std::size_t bit = i * bits;
                    const unsigned byte = p.pixels[y * p.bytesPerRow() + bit / 8];
                    const unsigned value = byte >> (8 - bits - bit % 8) & maximum;
                    twin.pixels.push_back(static_cast<std::uint8_t>(value * 255 / maximum));
                }
            }
            const auto path = dir.path() / "low.tif";
            const auto twinPath = dir.path() / "twin.tif";
            test::writeTiff(path, p);
            test::writeTiff(twinPath, twin);
            expectMatchesLibtiff(
                decodeFile(path), twinPath, 0,
                std::to_string(bits) + "-bit RGB, compression " + std::to_string(compression));
        }
    }
}

TEST(TiffTest, GreyWithAlphaKeepsItsAlpha) {
    // Grey and unassociated alpha samples as stored, the way Pillow reads "LA" pictures
    // (libtiff's RGBA reader scales the grey of these files by their alpha). Associated alpha
    // is compared with Pillow below.
    test::TempDir dir;
    for (const std::uint16_t bits : {8, 16}) {
        for (const bool bigEndian : {false, true}) {
            // Minimum is white for the big-endian twin.
            const std::uint16_t photometric =
                bigEndian ? PHOTOMETRIC_MINISWHITE : PHOTOMETRIC_MINISBLACK;
            TiffPicture p =
                picture({"grey alpha", bits, 2, photometric}, COMPRESSION_ADOBE_DEFLATE);
            p.extraSamples = {EXTRASAMPLE_UNASSALPHA};
            p.bigEndian = bigEndian;
            const auto path = dir.path() / "la.tif";
            test::writeTiff(path, p);
            const Rgba8Image image = decodeFile(path);
            const std::string what =
                std::to_string(bits) + " bits" + (bigEndian ? ", MM, min-is-white" : ", II");
            ASSERT_TRUE(image.hasAlpha) << what;
            // The first byte of each sample in the host order of the builder's rows.
            const std::size_t step = bits / 8;
            Bytes expected;
            for (std::size_t i = 0; i < std::size_t{p.width} * p.height; ++i) {
                std::uint8_t grey = p.pixels[(2 * i + 1) * step - 1];
                if (bigEndian) grey = static_cast<std::uint8_t>(255 - grey);
                const std::uint8_t alpha = p.pixels[(2 * i + 2) * step - 1];
                expected.insert(expected.end(), {grey, grey, grey, alpha});
            }
            EXPECT_EQ(image.pixels, expected) << what;
        }
    }
}

// Pillow's reading of each picture as 8-bit RGBA pixels, top row first (one interpreter for
// all of them: starting it costs far more than reading a small picture).
std::vector<Bytes> readWithPillow(const std::vector<std::filesystem::path>& paths) {
    const std::string script =
        "import sys\n"
        "from PIL import Image\n"
        "for path in sys.argv[1:]:\n"
        "    with open(path + '.rgba', 'wb') as out:\n"
        "        out.write(Image.open(path).convert('RGBA').tobytes())\n";
    std::string command = std::string(KELVANE_PILLOW_PYTHON) + " -c " + test::shellQuoted(script);
    for (const auto& path : paths) command += " " + test::shellQuoted(path.string());
    const test::ShellRun run = test::shell(command);
    EXPECT_EQ(run.status, 0) << run.output;
    std::vector<Bytes> pictures;
    for (const auto& path : paths) {
        const std::string bytes = run.status == 0 ? test::readFile(path.string() + ".rgba") : "";
        pictures.emplace_back(bytes.begin(), bytes.end());
    }
    return pictures;
}

// The same picture as colour and alpha samples, grey repeated in red, green and blue: Pillow
// reads grey with alpha only as 8-bit unassociated samples.
TiffPicture colourTwin(const TiffPicture& p) {
    TiffPicture twin = p;
    twin.photometric = PHOTOMETRIC_RGB;
    twin.samplesPerPixel = 4;
    twin.pixels.clear();
    const std::size_t step = p.bitsPerSample / 8;
    for (std::size_t at = 0; at < p.pixels.size(); at += 2 * step) {
        const auto grey = p.pixels.begin() + static_cast<std::ptrdiff_t>(at);
        for (int c = 0; c < 3; ++c) twin.pixels.insert(twin.pixels.end(), grey, grey + step);
        twin.pixels.insert(twin.pixels.end(), grey + step, grey + 2 * step);
    }
    return twin;
}

TEST(TiffTest, AlphaAndPredictorPicturesMatchPillow) {
    struct Case {
        const char* name;
        std::uint16_t bits;
        std::uint16_t samples;
        std::uint16_t photometric;
        std::uint16_t extra;  // 0: no extra sample
        std::uint16_t predictor;
        bool bigEndian;
    };
    const std::uint16_t kAssociated = EXTRASAMPLE_ASSOCALPHA;
    const std::uint16_t kUnassociated = EXTRASAMPLE_UNASSALPHA;
    const Case cases[] = {
        {"8-bit grey and alpha, predictor", 8, 2, PHOTOMETRIC_MINISBLACK, kUnassociated, 2, false},
        {"8-bit grey and alpha, predictor, MM", 8, 2, PHOTOMETRIC_MINISBLACK, kUnassociated, 2,
         true},
        {"16-bit grey and alpha, predictor", 16, 2, PHOTOMETRIC_MINISBLACK, kUnassociated, 2,
         false},
        {"16-bit grey and alpha, predictor, MM", 16, 2, PHOTOMETRIC_MINISBLACK, kUnassociated, 2,
         true},
        {"8-bit grey, associated alpha", 8, 2, PHOTOMETRIC_MINISBLACK, kAssociated, 1, false},
        {"8-bit grey, associated alpha, predictor", 8, 2, PHOTOMETRIC_MINISBLACK, kAssociated, 2,
         true},
        {"16-bit grey, associated alpha, predictor", 16, 2, PHOTOMETRIC_MINISBLACK, kAssociated, 2,
         false},
        {"8-bit RGB, predictor", 8, 3, PHOTOMETRIC_RGB, 0, 2, false},
        {"16-bit RGB, predictor, MM", 16, 3, PHOTOMETRIC_RGB, 0, 2, true},
        {"RGBA, associated alpha, predictor", 8, 4, PHOTOMETRIC_RGB, kAssociated, 2, false},
        {"RGBA, unassociated alpha, predictor, MM", 8, 4, PHOTOMETRIC_RGB, kUnassociated, 2, true},
        {"16-bit RGBA, associated alpha, predictor", 16, 4, PHOTOMETRIC_RGB, kAssociated, 2, false},
    };
    test::TempDir dir;
    std::vector<std::filesystem::path> pictures, references;
    for (const Case& c : cases) {
        TiffPicture p =
            picture({c.name, c.bits, c.samples, c.photometric}, COMPRESSION_ADOBE_DEFLATE);
        p.predictor = c.predictor;
        p.bigEndian = c.bigEndian;
        p.extraSamples.clear();
        if (c.extra != 0) p.extraSamples = {c.extra};
        if (c.extra == kAssociated) associateAlpha(p);
        const std::string number = std::to_string(pictures.size());
        pictures.push_back(dir.path() / ("picture" + number + ".tif"));
        test::writeTiff(pictures.back(), p);
        const bool pillowReadsIt = c.samples != 2 || (c.bits == 8 && c.extra == kUnassociated);
        references.push_back(dir.path() / ("reference" + number + ".tif"));
        test::writeTiff(references.back(), pillowReadsIt ? p : colourTwin(p));
    }
    const std::vector<Bytes> pillow = readWithPillow(references);
    for (std::size_t n = 0; n < std::size(cases); ++n) {
        const Case& c = cases[n];
        const Bytes& expected = pillow[n];
        const Rgba8Image image = decodeFile(pictures[n]);
        ASSERT_EQ(image.pixels.size(), expected.size()) << c.name;
        // Pillow truncates where it divides by alpha; the decoder rounds.
        const int tolerance = c.extra == kAssociated ? 1 : 0;
        int worst = 0;
        std::size_t worstAt = 0;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const int difference = std::abs(image.pixels[i] - expected[i]);
            if (difference > worst) worst = difference, worstAt = i;
        }
        EXPECT_LE(worst, tolerance)
            << c.name << ": pixel " << worstAt / 4 << ", channel " << worstAt % 4;
    }
}

TEST(TiffTest, JpegPicturesMatchLibtiffWithinAFewLevels) {
    struct Case {
        const char* name;
        std::uint16_t photometric;
        std::uint16_t samples;
        int tolerance;
    };
    const Case cases[] = {
        {"RGB", PHOTOMETRIC_RGB, 3, 2},
        {"YCbCr", PHOTOMETRIC_YCBCR, 3, 2},
        {"CMYK", PHOTOMETRIC_SEPARATED, 4, 2},
    };
    test::TempDir dir;
    for (const Case& c : cases) {
        TiffPicture p;
        p.width = 70;
        p.height = 45;
        p.rowsPerStrip = 16;
        p.samplesPerPixel = c.samples;
        p.photometric = c.photometric;
        p.compression = COMPRESSION_JPEG;
        p.subsampling = 2;
        p.pixels = mixedPixels(p.bytesPerRow() * p.height, 5);
        const auto path = dir.path() / "jpeg.tif";
        test::writeTiff(path, p);
        expectMatchesLibtiff(decodeFile(path), path, c.tolerance, c.name);
    }
}

TEST(TiffTest, InvertedAdobeCmykJpegShowsTheColoursOfItsInks) {
    // Photoshop and ImageMagick store CMYK JPEG data inverted behind an Adobe marker; the
    // picture must look like the plain CMYK twin that libtiff renders.
    TiffPicture p;
    p.width = 64;
    p.height = 16;
    p.samplesPerPixel = 4;
    p.photometric = PHOTOMETRIC_SEPARATED;
    for (std::uint32_t y = 0; y < p.height; ++y) {
        for (std::uint32_t x = 0; x < p.width; ++x) {
            p.pixels.insert(p.pixels.end(), {std::uint8_t(4 * x), std::uint8_t(16 * y),
                                             std::uint8_t(255 - 4 * x), std::uint8_t(8 * y)});
        }
    }
    Bytes inverted = p.pixels;
    for (auto& byte : inverted) byte = static_cast<std::uint8_t>(255 - byte);
    const std::string jpeg = test::encodeJpeg(inverted, p.width, p.height, 4, false, 100);
    test::TempDir dir;
    const auto twin = dir.path() / "twin.tif";
    test::writeTiff(twin, p);
    TiffPicture adobe = p;
    adobe.compression = COMPRESSION_JPEG;
    const auto path = dir.path() / "adobe.tif";
    test::writeRawTiff(path, adobe, {Bytes(jpeg.begin(), jpeg.end())});
    expectMatchesLibtiff(decodeFile(path), twin, 3, "inverted CMYK");
}

// Bilevel rows with runs of many lengths.
Bytes bilevelPixels(std::uint32_t width, std::uint32_t height) {
    const std::size_t rowBytes = (width + 7) / 8;
    Bytes pixels(rowBytes * height);
    const Bytes runs = test::noise(width * height / 8, 5);
    std::size_t next = 0;
    for (std::uint32_t y = 0; y < height; ++y) {
        bool black = y % 2 == 1;
        for (std::uint32_t x = 0; x < width; black = !black) {
            const std::uint32_t run = runs[next] * (next % 4 + 1);
            ++next;
            for (std::uint32_t i = 0; i < run && x < width; ++i, ++x) {
                if (black) pixels[y * rowBytes + x / 8] |= static_cast<std::uint8_t>(0x80 >> x % 8);
            }
        }
    }
    return pixels;
}

TEST(TiffTest, FaxPicturesMatchLibtiffInBothFillOrders) {
    test::TempDir dir;
    TiffPicture p;
    p.width = 1000;
    p.height = 40;
    p.rowsPerStrip = 16;
    p.bitsPerSample = 1;
    p.photometric = PHOTOMETRIC_MINISWHITE;
    p.pixels = bilevelPixels(p.width, p.height);
    for (const std::uint16_t fillOrder : {1, 2}) {
        p.fillOrder = fillOrder;
        const std::string order = ", fill order " + std::to_string(fillOrder);
        const auto path = dir.path() / "fax.tif";
        p.compression = COMPRESSION_CCITTRLE;
        test::writeTiff(path, p);
        const Rgba8Image image = decodeFile(path);
        expectMatchesLibtiff(image, path, 0, "modified Huffman" + order);
        // White where the bits are 0.
        EXPECT_EQ(image.pixels[0] == 255, (p.pixels[0] & 0x80) == 0);

        p.compression = COMPRESSION_CCITTFAX3;
        test::writeTiff(path, p);
        expectMatchesLibtiff(decodeFile(path), path, 0, "Group 3" + order);

        // libtiff's own reader loses its way in word-aligned rows; its writer does not.
        p.compression = COMPRESSION_CCITTRLEW;
        test::writeTiff(path, p);
        EXPECT_EQ(decodeFile(path).pixels, image.pixels) << "word-aligned" << order;
    }
}

TEST(TiffTest, ThunderScanPictureMatchesLibtiff) {
    TiffPicture p;
    p.width = 6;
    p.height = 3;
    p.bitsPerSample = 4;
    p.compression = COMPRESSION_THUNDERSCAN;
    p.rowsPerStrip = 2;
    test::TempDir dir;
    const auto path = dir.path() / "thunder.tif";
    test::writeRawTiff(path, p, {{0xCA, 0x02, 0x5F, 0xC1, 0xB1, 0x43}, {0xC3, 0x9C, 0x02, 0x46}});
    expectMatchesLibtiff(decodeFile(path), path, 0, "ThunderScan");
}

// Where an entry of the first directory of a little-endian file lives.
std::size_t entryPosition(const std::string& file, std::uint16_t tag) {
    auto read = [&](std::size_t at, int size) {
        std::uint32_t value = 0;
        for (int i = 0; i < size; ++i) value |= std::uint32_t{std::uint8_t(file[at + i])} << 8 * i;
        return value;
    };
    const std::size_t directory = read(4, 4);
    for (std::size_t i = 0; i < read(directory, 2); ++i) {
        const std::size_t entry = directory + 2 + 12 * i;
        if (read(entry, 2) == tag) return entry;
    }
    ADD_FAILURE() << "no tag " << tag;
    return 0;
}

void put32(std::string& file, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) file[at + i] = static_cast<char>(value >> 8 * i);
}

constexpr int kTag = 0;
constexpr int kType = 2;
constexpr int kCount = 4;
constexpr int kValue = 8;

// The file with one entry's type, count or value replaced.
std::string patched(std::string file, std::uint16_t tag, int field, std::uint32_t value) {
    const std::size_t at = entryPosition(file, tag) + field;
    if (field == kTag || field == kType) {
        file[at] = static_cast<char>(value);
        file[at + 1] = static_cast<char>(value >> 8);
    } else {
        put32(file, at, value);
    }
    return file;
}

std::string writtenFile(const TiffPicture& p) {
    test::TempDir dir;
    test::writeTiff(dir.path() / "p.tif", p);
    return test::readFile(dir.path() / "p.tif");
}

TEST(TiffTest, StripLayoutsAndRefusedCompressions) {
    TiffPicture p = picture({"8-bit grey", 8, 1, PHOTOMETRIC_MINISBLACK}, COMPRESSION_NONE);
    p.rowsPerStrip = 0;  // no RowsPerStrip tag: one strip
    const Rgba8Image oneStrip = decodeBytes(writtenFile(p));
    p.rowsPerStrip = 5;
    EXPECT_EQ(oneStrip.pixels, decodeBytes(writtenFile(p)).pixels);

    TiffPicture tiled = p;
    tiled.tileSize = 16;
    const std::string tiledFile = writtenFile(tiled);
    MemoryStream stream(tiledFile.data(), tiledFile.size());
    TTIFFGraphic graphic;
    graphic.LoadFromStream(stream);
    EXPECT_TRUE(graphic.empty());
    EXPECT_EQ(graphic.width(), 0u);

    TiffPicture lzw = p;
    lzw.compression = COMPRESSION_LZW;
    EXPECT_EQ(loadError(writtenFile(lzw)),
              "Cannot load image. The compression scheme is not supported for TIF/TIFF files.");

    // Without a Compression tag the strips are uncompressed (259 becomes an unknown tag).
    EXPECT_EQ(decodeBytes(patched(writtenFile(p), TIFFTAG_COMPRESSION, kTag, 0x9999)).pixels,
              oneStrip.pixels);

    // Separate sample planes are refused; with one sample they are the ordinary layout.
    EXPECT_EQ(decodeBytes(patched(writtenFile(p), TIFFTAG_PLANARCONFIG, kValue, 2)).pixels,
              oneStrip.pixels);
    const TiffPicture rgb = picture({"8-bit RGB", 8, 3, PHOTOMETRIC_RGB}, COMPRESSION_NONE);
    EXPECT_EQ(loadError(patched(writtenFile(rgb), TIFFTAG_PLANARCONFIG, kValue, 2)), kInvalid);
}

// The file's strip offsets all replaced by the first one.
std::string withSharedStrips(std::string file) {
    const std::size_t entry = entryPosition(file, TIFFTAG_STRIPOFFSETS);
    auto read32 = [&](std::size_t at) {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) value |= std::uint32_t{std::uint8_t(file[at + i])} << 8 * i;
        return value;
    };
    const std::uint32_t count = read32(entry + kCount);
    const std::uint32_t offsets = read32(entry + kValue);
    for (std::uint32_t i = 1; i < count; ++i) put32(file, offsets + 4 * i, read32(offsets));
    return file;
}

TEST(TiffTest, GuardsCountWhatDecodingReallyCosts) {
    // Strips that all expand the same few bytes are counted once: a large picture made of
    // one small block is refused.
    TiffPicture zeros =
        picture({"8-bit grey", 8, 1, PHOTOMETRIC_MINISBLACK}, COMPRESSION_ADOBE_DEFLATE);
    zeros.width = zeros.height = 2048;
    zeros.rowsPerStrip = 1;
    zeros.pixels.assign(zeros.bytesPerRow() * zeros.height, 0);
    const std::string zeroFile = writtenFile(zeros);
    EXPECT_EQ(decodeBytes(zeroFile).pixels.size(), std::size_t{2048} * 2048 * 4);
    EXPECT_EQ(loadError(withSharedStrips(zeroFile)), kInvalid);

    // The bitmap and the strip buffers together stay under the limit: a picture in one
    // strip needs twice the memory of the same picture in small strips.
    TiffPicture p =
        picture({"8-bit grey", 8, 1, PHOTOMETRIC_MINISBLACK}, COMPRESSION_ADOBE_DEFLATE);
    const std::uint64_t limit = maxImageBytes();
    setMaxImageBytes(std::uint64_t{p.width} * p.height * 3 / 2);
    p.rowsPerStrip = 0;
    const std::string oneStrip = loadError(writtenFile(p));
    p.rowsPerStrip = 1;
    const std::string smallStrips = loadError(writtenFile(p));
    setMaxImageBytes(limit);
    EXPECT_EQ(oneStrip, kInvalid);
    EXPECT_EQ(smallStrips, "no error");
}

TEST(TiffTest, DamagedDirectoriesAreRefusedAsInvalid) {
    TiffPicture p = picture({"8-bit grey", 8, 1, PHOTOMETRIC_MINISBLACK}, COMPRESSION_PACKBITS);
    const std::string file = writtenFile(p);
    const auto size = static_cast<std::uint32_t>(file.size());
    EXPECT_EQ(loadError(patched(file, TIFFTAG_ROWSPERSTRIP, kValue, 0)), kInvalid);
    EXPECT_EQ(loadError(patched(file, TIFFTAG_STRIPOFFSETS, kCount, 2)), kInvalid);
    EXPECT_EQ(loadError(patched(file, TIFFTAG_STRIPOFFSETS, kValue, size + 100)), kInvalid);
    EXPECT_EQ(loadError(patched(file, TIFFTAG_STRIPBYTECOUNTS, kCount, 0x40000000)), kInvalid);
    EXPECT_EQ(loadError(patched(file, TIFFTAG_IMAGEWIDTH, kValue, 0)), kInvalid);
    const std::string longWidth = patched(file, TIFFTAG_IMAGEWIDTH, kType, TIFF_LONG);
    EXPECT_EQ(loadError(patched(longWidth, TIFFTAG_IMAGEWIDTH, kValue, 0xFFFFFFFF)), kInvalid);
    EXPECT_EQ(loadError(patched(patched(file, TIFFTAG_IMAGEWIDTH, kValue, 0x10000),
                                TIFFTAG_IMAGELENGTH, kValue, 0x10000)),
              kInvalid);
    EXPECT_EQ(loadError(patched(file, TIFFTAG_BITSPERSAMPLE, kValue, 12)), kInvalid);
    // 900 megabytes of picture from a strip of a few hundred bytes.
    const std::string oneStrip = patched(file, TIFFTAG_ROWSPERSTRIP, kValue, 0xFFFF);
    EXPECT_EQ(loadError(patched(patched(oneStrip, TIFFTAG_IMAGEWIDTH, kValue, 30000),
                                TIFFTAG_IMAGELENGTH, kValue, 30000)),
              kInvalid);
    EXPECT_EQ(loadError(file.substr(0, 4) + std::string(4, '\xFF') + file.substr(8)), kInvalid);

    TiffPicture palette = picture({"8-bit palette", 8, 1, PHOTOMETRIC_PALETTE}, COMPRESSION_NONE);
    // Room after the file so that the longer map still lies inside it.
    const std::string paletteFile = writtenFile(palette) + std::string(64, '\0');
    EXPECT_NO_THROW(decodeBytes(paletteFile));
    EXPECT_EQ(loadError(patched(paletteFile, TIFFTAG_COLORMAP, kCount, 3 * 257)), kInvalid);
}

TEST(TiffTest, TruncatedFilesFailCleanly) {
    TiffPicture p = picture({"8-bit RGB", 8, 3, PHOTOMETRIC_RGB}, COMPRESSION_ADOBE_DEFLATE);
    p.predictor = 2;
    const std::string file = writtenFile(p);
    for (std::size_t size = 0; size < file.size(); size += 7) {
        const std::string error = loadError(file.substr(0, size));
        EXPECT_TRUE(error == kInvalid || error == "no error") << size << ": " << error;
    }
}

TEST(TiffTest, ContentTestAndImageIndexWalk) {
    TiffPicture first = picture({"8-bit grey", 8, 1, PHOTOMETRIC_MINISBLACK}, COMPRESSION_NONE);
    std::string file = writtenFile(first);
    MemoryStream stream(file.data(), file.size());
    stream.seek(0);
    EXPECT_TRUE(TTIFFGraphic::CanLoad(stream));
    EXPECT_EQ(stream.position(), 0u);
    const std::string notTiff("IX*\0\x08\0\0\0\0", 9);
    MemoryStream other(notTiff.data(), notTiff.size());
    EXPECT_FALSE(TTIFFGraphic::CanLoad(other));
    MemoryStream header(file.data(), 8);
    EXPECT_FALSE(TTIFFGraphic::CanLoad(header));

    // A second page chained to the first: index 1 finds it, index 2 does not exist.
    test::TempDir dir;
    const auto path = dir.path() / "pages.tif";
    {
        TIFF* tiff = TIFFOpen(path.c_str(), "w");
        for (const std::uint32_t width : {5u, 9u}) {
            TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
            TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, 2u);
            TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
            TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
            TIFFSetField(tiff, TIFFTAG_XRESOLUTION, 100.0f);
            TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_CENTIMETER);
            const Bytes row(width, 7);
            for (std::uint32_t y = 0; y < 2; ++y) {
                TIFFWriteScanline(tiff, const_cast<std::uint8_t*>(row.data()), y, 0);
            }
            TIFFWriteDirectory(tiff);
        }
        TIFFClose(tiff);
    }
    const std::string pages = test::readFile(path);
    MemoryStream pageStream(pages.data(), pages.size());
    TTIFFGraphic graphic;
    ASSERT_TRUE(graphic.ReadImageProperties(pageStream, 1));
    EXPECT_EQ(graphic.ImageProperties().Width, 9u);
    EXPECT_FLOAT_EQ(graphic.ImageProperties().XResolution, 254.0f);
    pageStream.seek(0);
    EXPECT_FALSE(graphic.ReadImageProperties(pageStream, 2));
}

TEST(TiffTest, OffsetsCountFromWhereLoadingStarted) {
    TiffPicture p = picture({"8-bit palette", 8, 1, PHOTOMETRIC_PALETTE}, COMPRESSION_PACKBITS);
    const std::string file = writtenFile(p);
    const std::string embedded = "some leading bytes" + file;
    MemoryStream stream(embedded.data(), embedded.size());
    stream.seek(18);
    TTIFFGraphic graphic;
    std::vector<std::string> messages;
    graphic.OnProgress = [&](ProgressStage, std::uint8_t, bool, const ProgressRect&,
                             const std::string& message) {
        if (!message.empty()) messages.push_back(message);
    };
    graphic.LoadFromStream(stream);
    EXPECT_EQ(graphic.toRgba8().pixels, decodeBytes(file).pixels);
    EXPECT_EQ(messages, (std::vector<std::string>{"Preparing...", "Transfering..."}));
}

}  // namespace
}  // namespace kelvane
