// The sound page of a 200 MiB WAV entry, stored: the worker's reading of its header, and the
// pane from showEntry to the page with its summary. Each reports the growth of the peak
// resident memory it caused (peak_MiB).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <string>
#include <vector>

#include "archive/pod_reader.h"
#include "bench/preview/resident_memory.h"
#include "preview/preview_pane.h"
#include "tests/support/archive_builder.h"
#include "tests/support/image_builders.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace kelvane;
using bench::resetPeak;
using bench::residentBytes;

struct Archive {
    test::TempDir dir;
    std::string path;
    std::vector<CatalogueEntry> catalogue;

    Archive() : path((dir.path() / "sounds.pod").string()) {
        // 100 Mi samples of 16-bit mono at 8000 Hz.
        test::writeArchive(path, test::ArchiveLayout::POD,
                           {{"SOUND\\BIG.WAV", test::toneWav(100u << 20, 9000), 0, false}});
        TPOD pod(path);
        pod.ReadHeaderAndDirectory();
        catalogue = pod.catalogue();
    }
};

Archive& archive() {
    static Archive instance;
    return instance;
}

void reportPeak(benchmark::State& state, std::int64_t residentBefore) {
    state.counters["peak_MiB"] = double(residentBytes("VmHWM") - residentBefore) / (1 << 20);
}

void BM_ReadBigSoundHeader(benchmark::State& state) {
    const Archive& sounds = archive();
    resetPeak();
    const std::int64_t before = residentBytes("VmRSS");
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            previewEntry({sounds.path, sounds.catalogue[0], std::nullopt, {800, 600}, '.'}));
    }
    reportPeak(state, before);
}
BENCHMARK(BM_ReadBigSoundHeader)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();

void BM_PreviewBigSound(benchmark::State& state) {
    const Archive& sounds = archive();
    PreviewPane pane;
    pane.resize(800, 600);
    pane.show();
    resetPeak();
    const std::int64_t before = residentBytes("VmRSS");
    for (auto _ : state) {
        QEventLoop loop;
        QObject::connect(&pane, &PreviewPane::previewShown, &loop, &QEventLoop::quit);
        QTimer::singleShot(30000, &loop, &QEventLoop::quit);
        pane.showEntry(sounds.path, sounds.catalogue, sounds.catalogue[0]);
        loop.exec();
        state.PauseTiming();
        pane.clear();
        state.ResumeTiming();
    }
    reportPeak(state, before);
}
BENCHMARK(BM_PreviewBigSound)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    archive();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
