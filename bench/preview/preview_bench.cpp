// The preview pane offscreen: from showEntry to the picture fitted on its page, the worker's
// read and decode included. A 4096 x 4096 Targa stored and compressed, a 10240 x 10240 one
// stored and compressed (with the peak of resident memory above what the process held
// before, as a counter), 4096 x 4096 BMP, TIFF and JPEG pictures; and the hex dump of the
// first 64 KiB of a 256 MiB stored entry.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <string>
#include <vector>

#include "archive/pod_reader.h"
#include "bench/preview/resident_memory.h"
#include "decoders/whole_file.h"
#include "preview/picture_view.h"
#include "preview/preview_pane.h"
#include "tests/support/archive_builder.h"
#include "tests/support/image_builders.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tiff_builder.h"

namespace {

using namespace kelvane;
using bench::resetPeak;
using bench::residentBytes;

constexpr std::uint16_t kSide = 4096;
constexpr std::uint16_t kHugeSide = 10240;

// Blue-green-red pixels of a pattern that neither compresses to nothing nor not at all, top
// row first.
std::vector<std::uint8_t> pattern(unsigned side) {
    std::vector<std::uint8_t> pixels;
    pixels.reserve(std::size_t(side) * side * 3);
    for (unsigned y = 0; y < side; ++y) {
        for (unsigned x = 0; x < side; ++x) {
            pixels.push_back(std::uint8_t(x));
            pixels.push_back(std::uint8_t(y));
            pixels.push_back(std::uint8_t(x ^ y));
        }
    }
    return pixels;
}

std::string bytes(const std::vector<std::uint8_t>& pixels) {
    return {pixels.begin(), pixels.end()};
}

std::string targa(std::uint16_t side) {
    return test::tgaHeader({.width = side, .height = side}) + bytes(pattern(side));
}

std::string tiff(const test::TempDir& dir) {
    test::TiffPicture picture;
    picture.width = picture.height = kSide;
    picture.samplesPerPixel = 3;
    picture.photometric = 2;
    picture.rowsPerStrip = 16;
    picture.pixels = pattern(kSide);
    const std::string path = (dir.path() / "big.tif").string();
    test::writeTiff(path, picture);
    return readWholeFile(path);
}

struct Archive {
    std::string path;
    std::vector<CatalogueEntry> catalogue;
};

struct Files {
    test::TempDir dir;
    Archive stored, compressed, others;

    Files() {
        const std::string picture = targa(kSide);
        stored = write("stored.pod", test::ArchiveLayout::POD,
                       {{"ART\\BIG.TGA", picture, 0, false},
                        {"DATA\\BIG.BIN", std::string(std::size_t(256) << 20, 'x'), 0, false}});
        compressed =
            write("compressed.pod", test::ArchiveLayout::POD5, {{"ART\\BIG.TGA", picture}});
        const std::vector<std::uint8_t> pixels = pattern(kSide);
        std::string rows = bytes(pixels);
        others = write(
            "others.pod", test::ArchiveLayout::POD,
            {{"ART\\BIG.BMP", test::buildBmp({.width = kSide, .height = kSide}, rows), 0, false},
             {"ART\\BIG.TIF", tiff(dir), 0, false},
             {"ART\\BIG.JPG", test::encodeJpeg(pixels, kSide, kSide, 3, false), 0, false}});
    }

    Archive write(const char* name, test::ArchiveLayout layout,
                  const std::vector<test::StoredFile>& files) {
        Archive archive{(dir.path() / name).string(), {}};
        test::writeArchive(archive.path, layout, files);
        TPOD pod(archive.path);
        pod.ReadHeaderAndDirectory();
        archive.catalogue = pod.catalogue();
        return archive;
    }
};

Files& files() {
    static Files instance;
    return instance;
}

// The 10240 x 10240 Targa, stored and compressed, made when first asked for.
const Archive& huge() {
    static const Archive archive = files().write(
        "huge.pod", test::ArchiveLayout::POD5,
        {{"ART\\HUGE.TGA", targa(kHugeSide), 0, false}, {"ART\\HUGE2.TGA", targa(kHugeSide)}});
    return archive;
}

// Shows an entry and runs the event loop until its preview is on its page.
void showAndWait(PreviewPane& pane, const Archive& archive, std::size_t index) {
    QEventLoop loop;
    QObject::connect(&pane, &PreviewPane::previewShown, &loop, &QEventLoop::quit);
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    pane.showEntry(archive.path, archive.catalogue, archive.catalogue[index]);
    loop.exec();
}

void preview(benchmark::State& state, const Archive& archive, std::size_t index) {
    PreviewPane pane;
    pane.resize(800, 600);
    pane.show();
    auto* picture = pane.findChild<PictureView*>("PreviewPicture");
    std::int64_t peak = 0;
    for (auto _ : state) {
        state.PauseTiming();
        resetPeak();
        const std::int64_t before = residentBytes("VmRSS");
        state.ResumeTiming();
        showAndWait(pane, archive, index);
        state.PauseTiming();
        peak = std::max(peak, residentBytes("VmHWM") - before);
        state.counters["shown_width"] = picture->shownSize().width();
        pane.clear();
        state.ResumeTiming();
    }
    state.counters["peak_rss_delta_MiB"] = double(peak) / (1 << 20);
}

// The worker's share: reading and decoding the picture, fitted to the screen.
void BM_ReadAndFitTarga(benchmark::State& state) {
    const Archive& archive = files().stored;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            previewEntry({archive.path, archive.catalogue[0], std::nullopt, {800, 600}, '.'}));
    }
}
BENCHMARK(BM_ReadAndFitTarga)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();

void BM_PreviewStoredTarga(benchmark::State& state) {
    preview(state, files().stored, 0);
}
BENCHMARK(BM_PreviewStoredTarga)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();

void BM_PreviewCompressedTarga(benchmark::State& state) {
    preview(state, files().compressed, 0);
}
BENCHMARK(BM_PreviewCompressedTarga)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();

void BM_PreviewHugeStoredTarga(benchmark::State& state) {
    preview(state, huge(), 0);
}
BENCHMARK(BM_PreviewHugeStoredTarga)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_PreviewHugeCompressedTarga(benchmark::State& state) {
    preview(state, huge(), 1);
}
BENCHMARK(BM_PreviewHugeCompressedTarga)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

void BM_PreviewBmp(benchmark::State& state) {
    preview(state, files().others, 0);
}
BENCHMARK(BM_PreviewBmp)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();

void BM_PreviewTiff(benchmark::State& state) {
    preview(state, files().others, 1);
}
BENCHMARK(BM_PreviewTiff)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();

void BM_PreviewJpeg(benchmark::State& state) {
    preview(state, files().others, 2);
}
BENCHMARK(BM_PreviewJpeg)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();

void BM_PreviewHexOfBigEntry(benchmark::State& state) {
    preview(state, files().stored, 1);
}
BENCHMARK(BM_PreviewHexOfBigEntry)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    files();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
