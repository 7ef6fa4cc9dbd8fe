// Decoding speed of 4096 x 4096 pictures: run-length Targa, JPEG (beside libjpeg's own
// decode of the same data), 24-bit and run-length 8-bit Windows bitmaps, a 256 x 256 icon
// and the conversion of a raw texture with its palette to a bitmap.
#include <benchmark/benchmark.h>

#include "imaging/platform_picture.h"
#include "imaging/raw_texture.h"
#include "imaging/targa.h"
#include "tests/support/image_builders.h"
#include "tests/support/temp_dir.h"

namespace kelvane {
namespace {

constexpr unsigned kSize = 4096;

// A picture with flat areas (repeat packets) and detailed ones (literal packets).
std::vector<std::uint8_t> benchPicture() {
    std::vector<std::uint8_t> rgb(std::size_t(kSize) * kSize * 3);
    for (unsigned y = 0; y < kSize; ++y)
        for (unsigned x = 0; x < kSize; ++x) {
            std::uint8_t* p = &rgb[(std::size_t(y) * kSize + x) * 3];
            const bool flat = ((x / 256) + (y / 256)) % 2 == 0;
            p[0] = flat ? std::uint8_t(y / 64) : std::uint8_t(x * 7 + y);
            p[1] = flat ? 90 : std::uint8_t(x ^ y);
            p[2] = flat ? std::uint8_t(x / 256 * 16) : std::uint8_t(y * 3);
        }
    return rgb;
}

const std::string& targaFile() {
    static const std::string file = [] {
        const auto rgb = benchPicture();
        return test::tgaHeader({.imageType = 10, .width = kSize, .height = kSize}) +
               test::tgaRunLength(std::string(rgb.begin(), rgb.end()), 3, kSize);
    }();
    return file;
}

const std::string& jpegFile() {
    static const std::string file = test::encodeJpeg(benchPicture(), kSize, kSize, 3, false, 90);
    return file;
}

// Decodes `file` from memory on every iteration; throughput counts the decoded pixel bytes.
template <class Picture>
void decodePicture(benchmark::State& state, const std::string& file, std::int64_t decodedBytes) {
    for (auto _ : state) {
        MemoryStream stream(file.data(), file.size());
        Picture picture;
        picture.LoadFromStream(stream);
        benchmark::DoNotOptimize(picture.scanLine(0));
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * decodedBytes);
}

void BM_TargaRle24(benchmark::State& state) {
    decodePicture<TTargaGraphic>(state, targaFile(), std::int64_t(kSize) * kSize * 3);
}
BENCHMARK(BM_TargaRle24)->Unit(benchmark::kMillisecond);

// The same file read from disk, as the image window reads it.
void BM_TargaRle24File(benchmark::State& state) {
    test::TempDir dir;
    const std::string path = dir.path().string() + "/bench.tga";
    test::writeFile(path, targaFile());
    for (auto _ : state) {
        TTargaGraphic picture;
        picture.LoadFromFile(path);
        benchmark::DoNotOptimize(picture.scanLine(0));
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * kSize * kSize * 3);
}
BENCHMARK(BM_TargaRle24File)->Unit(benchmark::kMillisecond);

void BM_JpegProgram(benchmark::State& state) {
    decodePicture<JpegImage>(state, jpegFile(), std::int64_t(kSize) * kSize * 3);
}
BENCHMARK(BM_JpegProgram)->Unit(benchmark::kMillisecond);

void BM_JpegLibjpegDirect(benchmark::State& state) {
    const std::string& file = jpegFile();
    for (auto _ : state) {
        unsigned width = 0, height = 0, components = 0;
        auto pixels = test::decodeJpegWithLibjpeg(file, width, height, components);
        benchmark::DoNotOptimize(pixels.data());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * kSize * kSize * 3);
}
BENCHMARK(BM_JpegLibjpegDirect)->Unit(benchmark::kMillisecond);

// A grey ramp palette, blue-green-red-zero entries.
std::string greyPalette() {
    std::string palette;
    for (int i = 0; i < 256; ++i) palette += std::string(3, char(i)) + '\0';
    return palette;
}

// Palette index of an 8-bit picture with runs of 64 equal pixels along each row.
std::uint8_t runIndex(unsigned x, unsigned y) {
    return std::uint8_t(x / 64 + y / 64);
}

const std::string& bmp24File() {
    static const std::string file = [] {
        const auto rgb = benchPicture();
        return test::buildBmp({.width = kSize, .height = kSize},
                              std::string(rgb.begin(), rgb.end()));
    }();
    return file;
}

const std::string& bmpRle8File() {
    static const std::string file = [] {
        std::string data;
        for (unsigned y = 0; y < kSize; ++y) {
            for (unsigned x = 0; x < kSize; x += 64) data += {char(64), char(runIndex(x, y))};
            data += {'\0', '\0'};  // end of line
        }
        data += {'\0', '\1'};  // end of bitmap
        return test::buildBmp({.width = kSize,
                               .height = kSize,
                               .bits = 8,
                               .compression = 1,
                               .palette = greyPalette()},
                              data);
    }();
    return file;
}

constexpr unsigned kIconSize = 256;

const std::string& iconFile() {
    static const std::string file = [] {
        std::string image;
        test::putLe32(image, 40);
        test::putLe32(image, kIconSize);
        test::putLe32(image, kIconSize * 2);
        test::putLe16(image, 1);
        test::putLe16(image, 32);
        image += std::string(24, '\0');
        for (unsigned i = 0; i < kIconSize * kIconSize; ++i)
            image += {char(i), char(i >> 8), char(i >> 4), char(0xFF)};
        image += std::string(kIconSize / 8 * kIconSize, '\0');  // mask: every pixel shown
        return test::buildIcon(kIconSize, kIconSize, 32, image);
    }();
    return file;
}

void BM_Bmp24(benchmark::State& state) {
    decodePicture<WindowsBitmap>(state, bmp24File(), std::int64_t(kSize) * kSize * 3);
}
BENCHMARK(BM_Bmp24)->Unit(benchmark::kMillisecond);

void BM_BmpRle8(benchmark::State& state) {
    decodePicture<WindowsBitmap>(state, bmpRle8File(), std::int64_t(kSize) * kSize);
}
BENCHMARK(BM_BmpRle8)->Unit(benchmark::kMillisecond);

void BM_Icon256(benchmark::State& state) {
    decodePicture<WindowsIcon>(state, iconFile(), std::int64_t(kIconSize) * kIconSize * 4);
}
BENCHMARK(BM_Icon256)->Unit(benchmark::kMicrosecond);

void BM_RawTextureToBmp(benchmark::State& state) {
    std::string pixels(std::size_t(kSize) * kSize, '\0');
    for (unsigned y = 0; y < kSize; ++y)
        for (unsigned x = 0; x < kSize; ++x) pixels[std::size_t(y) * kSize + x] = char(x ^ y);
    std::string palette;
    for (int i = 0; i < 256; ++i) palette += {char(i), char(255 - i), char(i / 2)};
    for (auto _ : state) benchmark::DoNotOptimize(rawTextureToBmp(pixels, palette).data());
    state.SetBytesProcessed(std::int64_t(state.iterations()) * kSize * kSize);
}
BENCHMARK(BM_RawTextureToBmp)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kelvane

BENCHMARK_MAIN();
