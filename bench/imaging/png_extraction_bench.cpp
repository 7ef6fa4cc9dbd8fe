// Textures extracted as PNG (`kelvane-cli extract --png`) beside ImageMagick's mogrify
// turning BMP copies of the same pictures into PNG, in one run.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>

#include "archive/pod_reader.h"
#include "browser/picture_extraction.h"
#include "imaging/raw_texture.h"
#include "platform/atomic_output_file.h"
#include "tests/support/archive_builder.h"
#include "tests/support/temp_dir.h"

namespace kelvane {
namespace {

constexpr int kTextures = 100;
constexpr int kSide = 256;

// One texture pair per picture in an archive, and the same pictures as BMP files.
struct Textures {
    test::TempDir dir;
    std::string archive = (dir.path() / "textures.pod").string();
    std::filesystem::path bitmaps = dir.path() / "bmp";

    Textures() {
        std::filesystem::create_directory(bitmaps);
        std::vector<test::StoredFile> files;
        for (int t = 0; t < kTextures; ++t) {
            // Smooth shading with some grain, as painted textures have.
            std::string pixels(std::size_t(kSide) * kSide, '\0');
            for (int y = 0; y < kSide; ++y)
                for (int x = 0; x < kSide; ++x)
                    pixels[std::size_t(y) * kSide + std::size_t(x)] =
                        char(int(128 + 100 * std::sin((x + t) / 23.0) * std::cos(y / 31.0)) +
                             (x * 7 + y * 13 + t) % 5);
            std::string palette(768, '\0');
            for (int i = 0; i < 256; ++i) {
                palette[std::size_t(3 * i)] = char(i);
                palette[std::size_t(3 * i + 1)] = char((i * 3 + t) & 255);
                palette[std::size_t(3 * i + 2)] = char(255 - i);
            }
            const std::string name = "TEXTURES\\T" + std::to_string(t);
            test::writeFile(bitmaps / ("T" + std::to_string(t) + ".bmp"),
                            rawTextureToBmp(pixels, palette));
            files.push_back({name + ".RAW", std::move(pixels)});
            files.push_back({name + ".ACT", std::move(palette)});
        }
        test::writeArchive(archive, test::ArchiveLayout::POD, files);
    }
};

Textures& textures() {
    static Textures instance;
    return instance;
}

void BM_ExtractTexturesAsPng(benchmark::State& state) {
    TPOD pod(textures().archive);
    pod.ReadHeaderAndDirectory();
    for (auto _ : state) {
        state.PauseTiming();
        auto out = std::make_unique<test::TempDir>();
        const OutputFolder target(out->withSeparator());
        state.ResumeTiming();
        PictureExtraction pictures(pod);
        for (const CatalogueEntry& entry : pod.catalogue())
            pictures.extract(entry.index, target, StoredPath::Drop);
        state.PauseTiming();
        out.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ExtractTexturesAsPng)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// The peer: one mogrify run over the BMP copies.
void BM_MogrifyBmpToPng(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto out = std::make_unique<test::TempDir>();
        const std::string command = "mogrify -path '" + out->path().string() + "' -format png '" +
                                    textures().bitmaps.string() + "'/*.bmp";
        state.ResumeTiming();
        if (std::system(command.c_str()) != 0) throw std::runtime_error(command);
        state.PauseTiming();
        out.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_MogrifyBmpToPng)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace
}  // namespace kelvane

BENCHMARK_MAIN();
