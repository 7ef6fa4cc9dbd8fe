// The preview pane offscreen: from showEntry to the picture of a 4096 x 4096 Targa fitted on
// its page, the worker's read and decode included, stored and compressed; and the hex dump
// of the first 64 KiB of a 256 MiB stored entry.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <string>
#include <vector>

#include "archive/pod_reader.h"
#include "preview/picture_view.h"
#include "preview/preview_pane.h"
#include "tests/support/archive_builder.h"
#include "tests/support/image_builders.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace kelvane;

constexpr std::uint16_t kSide = 4096;

std::string bigTarga() {
    std::string picture = test::tgaHeader({.width = kSide, .height = kSide});
    picture.reserve(picture.size() + std::size_t(kSide) * kSide * 3);
    for (unsigned y = 0; y < kSide; ++y) {
        for (unsigned x = 0; x < kSide; ++x) {
            picture += char(x);
            picture += char(y);
            picture += char(x ^ y);
        }
    }
    return picture;
}

struct Archive {
    std::string path;
    std::vector<CatalogueEntry> catalogue;
};

struct Files {
    test::TempDir dir;
    Archive stored, compressed;

    Files() {
        const std::string picture = bigTarga();
        stored = write("stored.pod", test::ArchiveLayout::POD,
                       {{"ART\\BIG.TGA", picture, 0, false},
                        {"DATA\\BIG.BIN", std::string(std::size_t(256) << 20, 'x'), 0, false}});
        compressed =
            write("compressed.pod", test::ArchiveLayout::POD5, {{"ART\\BIG.TGA", picture}});
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
    for (auto _ : state) {
        showAndWait(pane, archive, index);
        state.PauseTiming();
        state.counters["shown_width"] = picture->shownSize().width();
        pane.clear();
        state.ResumeTiming();
    }
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
