// Making a 256 x 256 texture of a plasma-like picture (every pixel its own shade): the time
// the quantizing takes, dithered and not, and the PSNR of the texture against the picture.
#include <benchmark/benchmark.h>

#include <cmath>

#include "imaging/bitmap.h"
#include "imaging/texture_maker.h"

namespace kelvane {
namespace {

constexpr std::uint32_t kSide = 256;

// The demo-scene plasma: sums of sines of the position, each channel with its own phase and
// ripple.
Bitmap plasma() {
    Bitmap picture;
    picture.setSize(kSide, kSide);
    for (std::uint32_t y = 0; y < kSide; ++y)
        for (std::uint32_t x = 0; x < kSide; ++x) {
            const double v = std::sin(x / 16.0) + std::sin(y / 8.0) + std::sin((x + y) / 16.0) +
                             std::sin(std::hypot(x - 128.0, y - 128.0) / 8.0);
            std::uint8_t* bgr = picture.scanLine(y) + x * 3;
            for (int c = 0; c < 3; ++c)
                bgr[2 - c] =
                    std::uint8_t(127.5 + 127.5 * std::sin(v * 1.5708 + c * 2.094 +
                                                          std::sin((x * (c + 1) + y) / 23.0)));
        }
    return picture;
}

void makeTextureOf(benchmark::State& state, bool dither) {
    const Bitmap picture = plasma();
    Texture texture;
    for (auto _ : state) {
        texture = makeTexture(picture, {.dither = dither, .resizeSide = std::nullopt});
        benchmark::DoNotOptimize(texture.indices.data());
    }
    state.counters["PSNR_dB"] = texture.psnr;
    state.counters["colours"] = double(texture.sourceColours);
}

void BM_TexturePlasmaDithered(benchmark::State& state) {
    makeTextureOf(state, true);
}
BENCHMARK(BM_TexturePlasmaDithered)->Unit(benchmark::kMillisecond);

void BM_TexturePlasmaNoDither(benchmark::State& state) {
    makeTextureOf(state, false);
}
BENCHMARK(BM_TexturePlasmaNoDither)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kelvane

BENCHMARK_MAIN();
