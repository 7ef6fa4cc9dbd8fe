// Decoding speed of 4096 x 4096 8-bit RGB TIFFs (uncompressed, PackBits, deflate, JPEG),
// each beside libtiff's TIFFReadRGBAImage of the same file.
#include <benchmark/benchmark.h>
#include <tiffio.h>

#include <map>
#include <memory>

#include "imaging/image_stream.h"
#include "imaging/tiff.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tiff_builder.h"

namespace kelvane {
namespace {

constexpr std::uint32_t kSize = 4096;

// Smooth areas and detailed ones, so that every compression has work of both kinds.
std::vector<std::uint8_t> benchPixels() {
    std::vector<std::uint8_t> rgb(std::size_t{kSize} * kSize * 3);
    for (std::uint32_t y = 0; y < kSize; ++y) {
        for (std::uint32_t x = 0; x < kSize; ++x) {
            std::uint8_t* p = &rgb[(std::size_t{y} * kSize + x) * 3];
            const bool flat = ((x / 256) + (y / 256)) % 2 == 0;
            p[0] = flat ? static_cast<std::uint8_t>(y / 64) : static_cast<std::uint8_t>(x * 7 + y);
            p[1] = flat ? 90 : static_cast<std::uint8_t>(x ^ y);
            p[2] = flat ? static_cast<std::uint8_t>(x / 16) : static_cast<std::uint8_t>(y * 3);
        }
    }
    return rgb;
}

// The test file for a compression, written once per run.
const std::filesystem::path& benchFile(std::uint16_t compression) {
    static test::TempDir dir;
    static std::map<std::uint16_t, std::filesystem::path> files;
    auto found = files.find(compression);
    if (found != files.end()) return found->second;
    test::TiffPicture picture;
    picture.width = kSize;
    picture.height = kSize;
    picture.samplesPerPixel = 3;
    picture.photometric = PHOTOMETRIC_RGB;
    picture.compression = compression;
    picture.rowsPerStrip = 16;
    picture.pixels = benchPixels();
    if (compression == COMPRESSION_JPEG) picture.photometric = PHOTOMETRIC_YCBCR;
    const auto path = dir.path() / ("bench" + std::to_string(compression) + ".tif");
    test::writeTiff(path, picture);
    return files.emplace(compression, path).first->second;
}

void BM_Kelvane(benchmark::State& state) {
    const auto& path = benchFile(static_cast<std::uint16_t>(state.range(0)));
    for (auto _ : state) {
        FileStream stream(path.string());
        TTIFFGraphic picture;
        picture.LoadFromStream(stream);
        benchmark::DoNotOptimize(picture.scanLine(0));
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * kSize * kSize * 3);
}

void BM_LibtiffRGBA(benchmark::State& state) {
    const auto& path = benchFile(static_cast<std::uint16_t>(state.range(0)));
    for (auto _ : state) {
        // A fresh raster each time, as the decoder makes a fresh picture.
        const std::unique_ptr<std::uint32_t[]> pixels(
            new std::uint32_t[std::size_t{kSize} * kSize]);
        TIFF* tiff = TIFFOpen(path.c_str(), "r");
        TIFFReadRGBAImage(tiff, kSize, kSize, pixels.get(), 0);
        TIFFClose(tiff);
        benchmark::DoNotOptimize(pixels.get());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * kSize * kSize * 3);
}

// Arguments: the TIFF compression tag.
void compressions(benchmark::internal::Benchmark* b) {
    b->ArgName("compression");
    for (const int c :
         {COMPRESSION_NONE, COMPRESSION_PACKBITS, COMPRESSION_ADOBE_DEFLATE, COMPRESSION_JPEG}) {
        b->Arg(c);
    }
    b->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_Kelvane)->Apply(compressions);
BENCHMARK(BM_LibtiffRGBA)->Apply(compressions);

}  // namespace
}  // namespace kelvane

BENCHMARK_MAIN();
