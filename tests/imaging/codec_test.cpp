#include <tiffio.h>

#include <gtest/gtest.h>

#include "platform/bilingual_error.h"

#include <algorithm>
#include <memory>
#include <string>

#include "imaging/codecs/ccitt.h"
#include "imaging/codecs/lz77.h"
#include "imaging/codecs/packbits.h"
#include "imaging/codecs/thunder.h"
#include "imaging/codecs/tiff_jpeg.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tiff_builder.h"

namespace kelvane {
namespace {

using test::LibtiffStrips;
using test::TiffPicture;
using Bytes = std::vector<std::uint8_t>;

// Bilevel rows of black and white runs of many lengths, the long make-up codes included.
Bytes bilevelRows(std::uint32_t width, std::uint32_t height) {
    const std::size_t rowBytes = (width + 7) / 8;
    Bytes pixels(rowBytes * height);
    const Bytes lengths = test::noise(height * 64, 7);
    std::size_t next = 0;
    for (std::uint32_t y = 0; y < height; ++y) {
        bool black = y % 3 == 1;
        for (std::uint32_t x = 0; x < width;) {
            std::uint32_t run = lengths[next++ % lengths.size()];
            if (run > 250) run = run * 11;  // now and then a run past 2560
            if (run % 5 == 0) run %= 70;
            for (std::uint32_t i = 0; i < run && x < width; ++i, ++x) {
                if (black)
                    pixels[y * rowBytes + x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
            }
            black = !black;
        }
    }
    return pixels;
}

// Grey rows with runs and noise, so that run-length coders meet both.
Bytes mixedBytes(std::size_t size) {
    Bytes bytes = test::noise(size, 3);
    for (std::size_t i = 0; i < size; ++i) {
        if ((i / 97) % 2 == 0) bytes[i] = static_cast<std::uint8_t>(i / 300);
    }
    return bytes;
}

struct Decoded {
    Bytes pixels;
    std::size_t consumed = 0;
};

Decoded decode(TDecoder& decoder, const Bytes& packed, std::size_t unpackedSize) {
    Decoded result;
    result.pixels.assign(unpackedSize, 0xAA);
    const std::uint8_t* source = packed.data();
    decoder.Decode(source, result.pixels.data(), packed.size(), unpackedSize);
    result.consumed = static_cast<std::size_t>(source - packed.data());
    return result;
}

// Every strip of the file decodes as libtiff decodes it.
void expectStripsMatchLibtiff(TDecoder& decoder, const LibtiffStrips& strips,
                              const std::string& what) {
    ASSERT_FALSE(strips.raw.empty()) << what;
    decoder.DecodeInit();
    for (std::size_t i = 0; i < strips.raw.size(); ++i) {
        ASSERT_FALSE(strips.decoded[i].empty()) << what << ": libtiff refused strip " << i;
        const Decoded decoded = decode(decoder, strips.raw[i], strips.decoded[i].size());
        EXPECT_EQ(decoded.pixels, strips.decoded[i]) << what << ", strip " << i;
        EXPECT_LE(decoded.consumed, strips.raw[i].size()) << what;
    }
    decoder.DecodeEnd();
}

LibtiffStrips written(const TiffPicture& picture) {
    test::TempDir dir;
    const auto path = dir.path() / "picture.tif";
    test::writeTiff(path, picture);
    return test::readStrips(path);
}

// The strips of a file with the pictures's own pixels as the expected result.
LibtiffStrips writtenWithSourcePixels(const TiffPicture& picture) {
    LibtiffStrips strips = written(picture);
    const std::size_t stripBytes = picture.bytesPerRow() * picture.rowsPerStrip;
    for (std::size_t i = 0; i < strips.decoded.size(); ++i) {
        const auto first = picture.pixels.begin() + static_cast<std::ptrdiff_t>(i * stripBytes);
        const std::size_t size = std::min(stripBytes, picture.pixels.size() - i * stripBytes);
        strips.decoded[i].assign(first, first + static_cast<std::ptrdiff_t>(size));
    }
    return strips;
}

TEST(CodecTest, RunLengthAndDeflateStripsMatchLibtiff) {
    TiffPicture picture;
    picture.width = 301;
    picture.height = 40;
    picture.rowsPerStrip = 16;
    picture.pixels = mixedBytes(picture.bytesPerRow() * picture.height);

    picture.compression = COMPRESSION_PACKBITS;
    TPackbitsRLEDecoder packbits;
    expectStripsMatchLibtiff(packbits, written(picture), "PackBits");

    picture.compression = COMPRESSION_ADOBE_DEFLATE;
    TLZ77Decoder deflate;
    expectStripsMatchLibtiff(deflate, written(picture), "deflate");
}

TEST(CodecTest, FaxStripsMatchLibtiffInBothBitOrders) {
    TiffPicture picture;
    picture.width = 3001;
    picture.height = 30;
    picture.rowsPerStrip = 12;
    picture.bitsPerSample = 1;
    picture.photometric = PHOTOMETRIC_MINISWHITE;
    picture.pixels = bilevelRows(picture.width, picture.height);
    for (const std::uint16_t fillOrder : {1, 2}) {
        const bool reversed = fillOrder == 2;
        picture.fillOrder = fillOrder;
        const std::string order = reversed ? " (fill order 2)" : "";

        picture.compression = COMPRESSION_CCITTRLE;
        TCCITTMHDecoder plain(0, picture.width, reversed, false);
        expectStripsMatchLibtiff(plain, written(picture), "modified Huffman" + order);

        picture.compression = COMPRESSION_CCITTRLEW;
        // libtiff's reader stumbles over the longest runs in this kind; its writer is right.
        TCCITTMHDecoder aligned(0, picture.width, reversed, true);
        expectStripsMatchLibtiff(aligned, writtenWithSourcePixels(picture), "word-aligned" + order);

        picture.compression = COMPRESSION_CCITTFAX3;
        for (const std::uint32_t options : {0u, static_cast<std::uint32_t>(GROUP3OPT_FILLBITS)}) {
            picture.t4Options = options;
            TCCITTFax3Decoder fax3(options, picture.width, reversed);
            expectStripsMatchLibtiff(fax3, written(picture),
                                     "Group 3 options " + std::to_string(options) + order);
        }
    }
}

TTIFFJPEGDecoder jpegDecoder(const TiffPicture& picture, const LibtiffStrips& strips,
                             std::vector<std::string>* warnings = nullptr) {
    TiffJpegLayout layout;
    layout.width = picture.width;
    layout.samplesPerPixel = picture.samplesPerPixel;
    layout.bitsPerSample = picture.bitsPerSample;
    layout.bytesPerLine = static_cast<std::uint32_t>(picture.bytesPerRow());
    layout.yCbCr = picture.photometric == PHOTOMETRIC_YCBCR;
    layout.subsamplingH = layout.subsamplingV = layout.yCbCr ? picture.subsampling : 1;
    layout.tables = strips.jpegTables;
    return TTIFFJPEGDecoder(layout, [warnings](const std::string& text) {
        if (warnings != nullptr) warnings->push_back(text);
    });
}

TiffPicture jpegPicture(std::uint16_t photometric) {
    TiffPicture picture;
    picture.width = 77;
    picture.height = 40;
    picture.rowsPerStrip = 16;
    picture.samplesPerPixel = 3;
    picture.photometric = photometric;
    picture.compression = COMPRESSION_JPEG;
    picture.subsampling = 2;
    picture.pixels = mixedBytes(picture.bytesPerRow() * picture.height);
    return picture;
}

// The JPEG decoder gives blue-green-red; libtiff gives red-green-blue.
void swapRedBlue(Bytes& pixels) {
    for (std::size_t i = 0; i + 2 < pixels.size(); i += 3) std::swap(pixels[i], pixels[i + 2]);
}

TEST(CodecTest, JpegStripsMatchLibtiffForRgbAndSubsampledYCbCr) {
    for (const std::uint16_t photometric : {PHOTOMETRIC_RGB, PHOTOMETRIC_YCBCR}) {
        const TiffPicture picture = jpegPicture(photometric);
        LibtiffStrips strips = written(picture);
        for (auto& strip : strips.decoded) swapRedBlue(strip);
        auto decoder = jpegDecoder(picture, strips);
        expectStripsMatchLibtiff(decoder, strips,
                                 "JPEG photometric " + std::to_string(photometric));
    }
}

TEST(CodecTest, JpegStripsThatDisagreeWithTheTagsAreRefused) {
    TiffPicture picture = jpegPicture(PHOTOMETRIC_YCBCR);
    const LibtiffStrips strips = written(picture);
    const auto failure = [&](const TiffPicture& tags, std::uint32_t rows,
                             std::size_t extra) -> std::string {
        auto decoder = jpegDecoder(tags, strips);
        try {
            decoder.DecodeInit();
            decode(decoder, strips.raw[0], rows * tags.bytesPerRow() + extra);
        } catch (const EGraphicCompression& error) {
            return englishText(error);
        }
        return "no error";
    };
    const std::uint32_t rows = picture.rowsPerStrip;
    EXPECT_EQ(failure(picture, rows - 1, 0), "Improper JPEG strip/tile size.");
    EXPECT_EQ(failure(picture, rows, 1), "Fractional JPEG scanline unsupported.");
    TiffPicture wider = picture;
    wider.width += 1;
    EXPECT_EQ(failure(wider, rows, 0), "Improper JPEG strip/tile size.");
    TiffPicture fourSamples = picture;
    fourSamples.samplesPerPixel = 4;
    EXPECT_EQ(failure(fourSamples, rows, 0), "Improper JPEG component count.");
    TiffPicture unsubsampled = picture;
    unsubsampled.subsampling = 1;
    EXPECT_EQ(failure(unsubsampled, rows, 0), "Improper JPEG sampling factors.");
    TiffPicture rgb = picture;
    rgb.photometric = PHOTOMETRIC_RGB;
    EXPECT_EQ(failure(rgb, rows, 0), "Improper JPEG sampling factors.");
    TiffPicture twelveBits = picture;
    twelveBits.bitsPerSample = 12;
    EXPECT_EQ(failure(twelveBits, rows, 0), "Improper JPEG data precision.");

    LibtiffStrips noTables = strips;
    noTables.jpegTables = strips.raw[0];  // a whole image is not a tables-only stream
    auto decoder = jpegDecoder(picture, noTables);
    try {
        decoder.DecodeInit();
        FAIL() << "bogus tables accepted";
    } catch (const EGraphicCompression& error) {
        EXPECT_EQ(englishText(error), "Bogus JPEG tables field.");
    }
}

TEST(CodecTest, TruncatedJpegStripWarnsOnceAndStaysInItsBuffer) {
    const TiffPicture picture = jpegPicture(PHOTOMETRIC_RGB);
    const LibtiffStrips strips = written(picture);
    std::vector<std::string> warnings;
    auto decoder = jpegDecoder(picture, strips, &warnings);
    decoder.DecodeInit();
    const Bytes half(strips.raw[0].begin(), strips.raw[0].begin() + strips.raw[0].size() / 2);
    const Decoded decoded = decode(decoder, half, strips.decoded[0].size());
    EXPECT_EQ(decoded.consumed, half.size());
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0], "JPEG decompression error. Unexpected end of input.");
    // The decoder still reads the next strip.
    Bytes expected = strips.decoded[1];
    swapRedBlue(expected);
    EXPECT_EQ(decode(decoder, strips.raw[1], expected.size()).pixels, expected);
}

TEST(CodecTest, ThunderScanStripsMatchLibtiff) {
    TiffPicture picture;
    picture.width = 9;
    picture.height = 3;
    picture.bitsPerSample = 4;
    picture.compression = COMPRESSION_THUNDERSCAN;
    picture.rowsPerStrip = 2;
    // libtiff drops a run that ends exactly at the row's end, so no row here ends on a run.
    const std::vector<Bytes> strips = {
        // Raw 7, a run of 3, 2-bit deltas +1 skip -1, 3-bit deltas +3 -2, raw 15 with other
        // high bits; then raw 2, 3-bit deltas 0 and -3, a run of 4 and 2-bit deltas 0 +1 +1.
        {0xC7, 0x03, 0x5B, 0x9E, 0xFF, 0xC2, 0x85, 0x04, 0x45},
        // 2-bit deltas 0 +1 -1 from pixel 0, a run of 4, 2-bit deltas 0 +1 skip.
        {0x47, 0x04, 0x46},
    };
    test::TempDir dir;
    const auto path = dir.path() / "thunder.tif";
    test::writeRawTiff(path, picture, strips);
    const LibtiffStrips reference = test::readStrips(path);
    TThunderDecoder decoder(picture.width);
    expectStripsMatchLibtiff(decoder, reference, "ThunderScan");
}

TEST(CodecTest, PackBitsFollowsItsHeaderBytesAndClipsAtBothEnds) {
    TPackbitsRLEDecoder decoder;
    const Bytes packed = {0x02, 'a', 'b', 'c', 0xFE, 'x', 0x80, 0x00, 'z'};
    EXPECT_EQ(decode(decoder, packed, 7).pixels, (Bytes{'a', 'b', 'c', 'x', 'x', 'x', 'z'}));
    // The output fills up in the middle of a repeat.
    const Decoded clipped = decode(decoder, packed, 5);
    EXPECT_EQ(clipped.pixels, (Bytes{'a', 'b', 'c', 'x', 'x'}));
    EXPECT_EQ(clipped.consumed, 6u);
    // A literal longer than the input stops at the input's end.
    const Decoded cut = decode(decoder, Bytes{0x05, 'q', 'r'}, 4);
    EXPECT_EQ(cut.pixels, (Bytes{'q', 'r', 0xAA, 0xAA}));
    EXPECT_EQ(cut.consumed, 3u);
}

// Damaged input of every length: nothing reads or writes outside the two blocks (the sanitizer
// build watches), and the source is never advanced past its end.
TEST(CodecTest, DamagedInputStaysInsideBothBuffers) {
    const TiffPicture jpeg = jpegPicture(PHOTOMETRIC_YCBCR);
    const LibtiffStrips jpegStrips = written(jpeg);
    std::vector<std::unique_ptr<TDecoder>> decoders;
    decoders.push_back(std::make_unique<TPackbitsRLEDecoder>());
    decoders.push_back(std::make_unique<TLZ77Decoder>());
    decoders.push_back(std::make_unique<TCCITTMHDecoder>(0, 37, false, true));
    decoders.push_back(std::make_unique<TCCITTFax3Decoder>(1, 37, true));
    decoders.push_back(std::make_unique<TThunderDecoder>(37));
    for (auto& decoder : decoders) decoder->DecodeInit();
    for (std::uint32_t seed = 0; seed < 200; ++seed) {
        Bytes packed = test::noise(seed % 50 * 7, seed);
        if (seed % 4 == 0) {
            // Mostly zero bits: fax end-of-line codes and long runs.
            for (auto& byte : packed) byte &= 0x11;
        }
        for (auto& decoder : decoders) {
            const Decoded decoded = decode(*decoder, packed, seed % 23 * 5);
            EXPECT_LE(decoded.consumed, packed.size());
        }
        Bytes jpegData = jpegStrips.raw[0];
        const Bytes damage = test::noise(8, seed);
        for (std::size_t i = 0; i < damage.size(); ++i) {
            jpegData[(damage[i] * 131 + seed * 17) % jpegData.size()] ^= damage[(i + 1) % 8];
        }
        auto decoder = jpegDecoder(jpeg, jpegStrips);
        decoder.DecodeInit();
        try {
            decode(decoder, jpegData, jpegStrips.decoded[0].size());
        } catch (const EGraphicCompression&) {
            // A refused strip is fine; only the bounds matter here.
        }
    }
    for (auto& decoder : decoders) decoder->DecodeEnd();
}

}  // namespace
}  // namespace kelvane
