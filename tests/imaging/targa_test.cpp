#include "imaging/targa.h"

#include <gtest/gtest.h>

#include <random>

#include "imaging/graphic_errors.h"
#include "tests/support/image_builders.h"

namespace kelvane {
namespace {

using test::TgaHeader;

// A 3 x 2 picture, top row first, as RGBA.
const std::vector<std::uint8_t> kPicture = {
    255, 0, 0, 10, 0, 255, 0,   20, 0, 0,  255, 30,  //
    255, 0, 0, 10, 9, 99,  199, 40, 9, 99, 199, 40,  //
};

// Stored pixels in file order (bottom row first unless topDown), blue-green-red(-alpha).
std::string storedTrueColour(unsigned bpp, bool topDown) {
    std::string out;
    for (int i = 0; i < 2; ++i) {
        const int row = topDown ? i : 1 - i;
        for (int x = 0; x < 3; ++x) {
            const std::uint8_t* p = &kPicture[(row * 3 + x) * 4];
            out += char(p[2]);
            out += char(p[1]);
            out += char(p[0]);
            if (bpp == 4) out += char(p[3]);
        }
    }
    return out;
}

TTargaGraphic decode(const std::string& file) {
    MemoryStream stream(file.data(), file.size());
    TTargaGraphic picture;
    picture.LoadFromStream(stream);
    return picture;
}

std::string loadError(const std::string& file) {
    try {
        decode(file);
    } catch (const std::exception& e) {
        return englishText(e);
    }
    return "no error";
}

TEST(TargaTest, TrueColourFilesDecodeTheSameWhateverTheirStorage) {
    for (unsigned bpp : {3u, 4u}) {
        for (bool rle : {false, true}) {
            for (bool topDown : {false, true}) {
                SCOPED_TRACE(testing::Message() << bpp << rle << topDown);
                TgaHeader h{.imageType = std::uint8_t(rle ? 10 : 2),
                            .width = 3,
                            .height = 2,
                            .pixelSize = std::uint8_t(bpp * 8),
                            .descriptor = std::uint8_t(topDown ? 0x28 : 0x08)};
                h.idLength = 5;
                std::string pixels = storedTrueColour(bpp, topDown);
                if (rle) pixels = test::tgaRunLength(pixels, bpp, 3);
                const Rgba8Image image = decode(test::tgaHeader(h) + "hello" + pixels).toRgba8();
                ASSERT_EQ(image.width, 3u);
                ASSERT_EQ(image.height, 2u);
                EXPECT_EQ(image.hasAlpha, bpp == 4);
                for (std::size_t i = 0; i < kPicture.size(); ++i)
                    EXPECT_EQ(image.pixels[i], i % 4 == 3 && bpp == 3 ? 255 : kPicture[i]) << i;
            }
        }
    }
}

TEST(TargaTest, FifteenAndSixteenBitPixelsShareTheFifteenBitLayout) {
    // Words x-rrrrr-ggggg-bbbbb; the top bit is kept in the bitmap but not shown.
    std::string pixels;
    test::putLe16(pixels, 0x7C00);  // red
    test::putLe16(pixels, 0x83E0);  // green with bit 15 set
    for (unsigned size : {15u, 16u}) {
        TgaHeader h{.width = 2, .height = 1, .pixelSize = std::uint8_t(size)};
        TTargaGraphic picture = decode(test::tgaHeader(h) + pixels);
        EXPECT_EQ(picture.pixelFormat(), PixelFormat::pf15bit);
        EXPECT_EQ(picture.scanLine(0)[3], 0x83);
        const Rgba8Image image = picture.toRgba8();
        EXPECT_EQ(std::vector<std::uint8_t>(image.pixels.begin(), image.pixels.end()),
                  (std::vector<std::uint8_t>{255, 0, 0, 255, 0, 255, 0, 255}));
    }
}

TEST(TargaTest, ColourMappedAndGreyPicturesUseTheirPalettes) {
    struct Case {
        std::uint8_t entrySize;
        std::string map;  // two entries: red-ish, blue-ish
        std::vector<std::uint8_t> colours;
    };
    std::string map16;
    test::putLe16(map16, 0x7C00 | 0x8000);
    test::putLe16(map16, 0x001F);
    const Case cases[] = {
        {24, std::string("\x10\x20\xF0\xE0\x10\x20", 6), {0xF0, 0x20, 0x10, 0x20, 0x10, 0xE0}},
        {32,
         std::string("\x10\x20\xF0\x7F\xE0\x10\x20\x7F", 8),
         {0xF0, 0x20, 0x10, 0x20, 0x10, 0xE0}},
        {16, map16, {0xF8, 0, 0, 0, 0, 0xF8}},
    };
    for (const Case& c : cases) {
        for (bool rle : {false, true}) {
            SCOPED_TRACE(testing::Message() << int(c.entrySize) << rle);
            TgaHeader h{.colorMapType = 1,
                        .imageType = std::uint8_t(rle ? 9 : 1),
                        .colorMapLength = 2,
                        .colorMapEntrySize = c.entrySize,
                        .width = 3,
                        .height = 1,
                        .pixelSize = 8,
                        .descriptor = 0x20};
            std::string pixels("\x01\x00\x01", 3);
            if (rle) pixels = test::tgaRunLength(pixels, 1, 3);
            const Rgba8Image image = decode(test::tgaHeader(h) + c.map + pixels).toRgba8();
            EXPECT_FALSE(image.hasAlpha);
            for (int x = 0; x < 3; ++x)
                for (int k = 0; k < 3; ++k)
                    EXPECT_EQ(image.pixels[x * 4 + k], c.colours[(x == 1 ? 0 : 3) + k]);
        }
    }
    // Grey pictures show a 256-level ramp; a colour map in the file is skipped, not used.
    for (std::uint8_t type : {3, 11}) {
        TgaHeader h{.colorMapType = 1,
                    .imageType = type,
                    .colorMapLength = 1,
                    .width = 2,
                    .height = 1,
                    .pixelSize = 8};
        std::string pixels("\x00\x80", 2);
        if (type == 11) pixels = test::tgaRunLength(pixels, 1, 2);
        TTargaGraphic picture = decode(test::tgaHeader(h) + "abc" + pixels);
        ASSERT_EQ(picture.palette().size(), 256u);
        EXPECT_EQ(picture.palette()[200], (PaletteEntry{200, 200, 200, 255}));
        EXPECT_EQ(picture.toRgba8().pixels[4], 0x80);
    }
}

TEST(TargaTest, SixteenBitGreyPicturesKeepTheirAlpha) {
    // Grey byte then alpha byte, as Pillow writes and reads "LA" pictures.
    const std::string stored("\x0A\xFF\x64\x80\xC8\x00", 6);
    for (std::uint8_t type : {3, 11}) {
        SCOPED_TRACE(int(type));
        TgaHeader h{.imageType = type, .width = 3, .height = 1, .pixelSize = 16};
        const std::string pixels = type == 11 ? test::tgaRunLength(stored, 2, 3) : stored;
        const Rgba8Image image = decode(test::tgaHeader(h) + pixels).toRgba8();
        EXPECT_TRUE(image.hasAlpha);
        EXPECT_EQ(image.pixels, (std::vector<std::uint8_t>{10, 10, 10, 255, 100, 100, 100, 128, 200,
                                                           200, 200, 0}));
    }
}

TEST(TargaTest, RunLengthPacketsCrossingRowsContinueOnTheNextRow) {
    // 2 x 3 picture, bottom-up: one repeat packet covers three pixels over two rows, then a
    // literal packet covers three more over two rows.
    TgaHeader h{.imageType = 11, .width = 2, .height = 3, .pixelSize = 8};
    const std::string packets("\x82\x07\x02\x01\x02\x03", 6);
    TTargaGraphic picture = decode(test::tgaHeader(h) + packets + "trailing garbage");
    const std::uint8_t expected[3][2] = {{2, 3}, {7, 1}, {7, 7}};  // top row first
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 2; ++x) EXPECT_EQ(picture.scanLine(y)[x], expected[y][x]);
}

TEST(TargaTest, RunLengthDecoderStaysInsideItsBuffers) {
    TTargaRLEDecoder decoder(24);
    const std::uint8_t packets[] = {0x83, 1, 2, 3, 0x01, 4, 5, 6, 7, 8, 9};
    std::uint8_t row[2 * 3 + 1];
    std::fill(std::begin(row), std::end(row), 0xEE);
    const std::uint8_t* source = packets;
    // Two pixels of a four-pixel run: the guard byte after the row is untouched.
    EXPECT_EQ(decoder.Decode(source, std::end(packets), row, 2), 2u);
    EXPECT_EQ(row[6], 0xEE);
    EXPECT_EQ(source, packets + 4);
    // The rest of the run, then a literal packet cut short by the end of the data.
    EXPECT_EQ(decoder.Decode(source, packets + 9, row, 2), 2u);
    EXPECT_EQ(decoder.Decode(source, packets + 9, row, 2), 1u);
    EXPECT_EQ(row[0], 4);
    EXPECT_EQ(source, packets + 8);
    // A repeat header without its pixel is left unread.
    TTargaRLEDecoder fresh(32);
    const std::uint8_t cut[] = {0x80, 1, 2};
    source = cut;
    EXPECT_EQ(fresh.Decode(source, std::end(cut), row, 1), 0u);
    EXPECT_EQ(source, cut);
}

TEST(TargaTest, EncodeAndDecodeRoundTrip) {
    std::mt19937 random(7);
    for (unsigned pixelSize : {8u, 16u, 24u, 32u}) {
        const unsigned bpp = (pixelSize + 1) / 8;
        std::vector<std::uint8_t> pixels;
        for (int i = 0; i < 700; ++i) {
            const unsigned repeat = random() % 3 == 0 ? 1 + random() % 300 : 1;
            std::vector<std::uint8_t> pixel(bpp);
            for (auto& b : pixel) b = std::uint8_t(random() % 4);
            for (unsigned k = 0; k < repeat; ++k)
                pixels.insert(pixels.end(), pixel.begin(), pixel.end());
        }
        const std::size_t count = pixels.size() / bpp;
        TTargaRLEDecoder codec(pixelSize);
        std::vector<std::uint8_t> packed(count * (bpp + 1));
        std::size_t written = 0;
        codec.Encode(pixels.data(), packed.data(), written, count);
        EXPECT_LT(written, pixels.size());
        std::vector<std::uint8_t> unpacked(pixels.size());
        const std::uint8_t* source = packed.data();
        EXPECT_EQ(codec.Decode(source, packed.data() + written, unpacked.data(), count), count);
        EXPECT_EQ(source, packed.data() + written);
        EXPECT_EQ(unpacked, pixels);
    }
}

TEST(TargaTest, BrokenFilesFailWithClearMessages) {
    const std::string invalid = "Cannot load image. Invalid or unexpected TGA image format.";
    TgaHeader h{.width = 4, .height = 4};
    const std::string rows = storedTrueColour(3, false);
    EXPECT_EQ(loadError(test::tgaHeader(h) + rows), "Stream read error");
    h.imageType = 10;
    EXPECT_EQ(loadError(test::tgaHeader(h) + "\x83\x01\x02"), "Stream read error");
    // Unsupported pixel size, reached through the extension.
    EXPECT_EQ(loadError(test::tgaHeader({.width = 1, .height = 1, .pixelSize = 12}) + "xxxx"),
              "Sample count per pixel does not correspond to the given color scheme.");
    // Colour maps beyond 256 entries, or with entries of an unknown size.
    TgaHeader mapped{.colorMapType = 1,
                     .imageType = 1,
                     .colorMapLength = 257,
                     .width = 1,
                     .height = 1,
                     .pixelSize = 8};
    EXPECT_EQ(loadError(test::tgaHeader(mapped) + std::string(257 * 3 + 1, '\0')), invalid);
    mapped.colorMapLength = 2;
    mapped.colorMapEntrySize = 7;
    EXPECT_EQ(loadError(test::tgaHeader(mapped) + std::string(8, '\0')), invalid);
    // 65535 x 65535 x 32 bits would be 16 GiB: refused before any allocation.
    EXPECT_EQ(loadError(test::tgaHeader({.width = 65535, .height = 65535, .pixelSize = 32}) + "x"),
              invalid);
    // Image types this decoder does not know.
    EXPECT_EQ(loadError(test::tgaHeader({.imageType = 32, .width = 1, .height = 1}) + "xxx"),
              invalid);
}

TEST(TargaTest, ContentTestChecksTheHeaderAndKeepsThePosition) {
    auto canLoad = [](const std::string& file) {
        const std::string data = "pad" + file;
        MemoryStream stream(data.data(), data.size());
        stream.seek(3);
        const bool result = TTargaGraphic::CanLoad(stream);
        EXPECT_EQ(stream.position(), 3u);
        return result;
    };
    TgaHeader h{.width = 1, .height = 1};
    EXPECT_TRUE(canLoad(test::tgaHeader(h) + "abc"));
    EXPECT_FALSE(canLoad(test::tgaHeader(h)));  // exactly 18 bytes
    h.colorMapEntrySize = 0;
    EXPECT_FALSE(canLoad(test::tgaHeader(h) + "abc"));
    h.colorMapEntrySize = 15;
    h.imageType = 4;
    EXPECT_FALSE(canLoad(test::tgaHeader(h) + "abc"));
    EXPECT_FALSE(canLoad("BM" + std::string(40, '\0')));
}

TEST(TargaTest, ProgressReportsPreparingThenTransferingRowByRow) {
    TgaHeader h{.imageType = 3, .width = 2, .height = 4, .pixelSize = 8};
    const std::string file = test::tgaHeader(h) + std::string(8, '\x10');
    MemoryStream stream(file.data(), file.size());
    TTargaGraphic picture;
    std::vector<std::string> messages;
    std::vector<int> percents;
    std::vector<ProgressRect> rects;
    picture.OnProgress = [&](ProgressStage stage, std::uint8_t percent, bool,
                             const ProgressRect& rect, const std::string& message) {
        if (!message.empty()) messages.push_back(message);
        if (stage == ProgressStage::psRunning) percents.push_back(percent), rects.push_back(rect);
    };
    picture.LoadFromStream(stream);
    EXPECT_EQ(messages, (std::vector<std::string>{"Preparing...", "Transfering..."}));
    EXPECT_EQ(percents, (std::vector<int>{0, 25, 50, 75}));
    EXPECT_EQ(rects.back(), (ProgressRect{0, 3, 2, 4}));
    EXPECT_EQ(picture.ImageProperties().ColorScheme, ColorScheme::Grey);
}

}  // namespace
}  // namespace kelvane
