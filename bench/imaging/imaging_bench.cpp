// Decoding speed of a 4096 x 4096 run-length Targa and of a 4096 x 4096 JPEG, the latter
// beside libjpeg's own decode of the same data.
#include <benchmark/benchmark.h>

#include "imaging/platform_picture.h"
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

void BM_TargaRle24(benchmark::State& state) {
    const std::string& file = targaFile();
    for (auto _ : state) {
        MemoryStream stream(file.data(), file.size());
        TTargaGraphic picture;
        picture.LoadFromStream(stream);
        benchmark::DoNotOptimize(picture.scanLine(0));
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * kSize * kSize * 3);
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
    const std::string& file = jpegFile();
    for (auto _ : state) {
        MemoryStream stream(file.data(), file.size());
        JpegImage picture;
        picture.LoadFromStream(stream);
        benchmark::DoNotOptimize(picture.scanLine(0));
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * kSize * kSize * 3);
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

}  // namespace
}  // namespace kelvane

BENCHMARK_MAIN();
