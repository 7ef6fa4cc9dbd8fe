// Directory reading of a large POD3 archive, and extraction of many small and of a few
// large entries against GNU tar unpacking the same files.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <numeric>
#include <stdexcept>

#include "archive/entry_names.h"
#include "archive/pod_reader.h"
#include "browser/extraction_command.h"
#include "tests/support/archive_builder.h"
#include "tests/support/temp_dir.h"

namespace kelvane {
namespace {

std::vector<test::StoredFile> manyFiles(int count, std::size_t bytesEach) {
    std::vector<test::StoredFile> files;
    files.reserve(std::size_t(count));
    for (int i = 0; i < count; ++i) {
        files.push_back({"TEXTURES\\AIRCRAFT\\part_" + std::to_string(i) + ".tga",
                         std::string(bytesEach, char('a' + i % 26)), std::uint32_t(i)});
    }
    return files;
}

void BM_ReadPod3DirectoryOf100000Entries(benchmark::State& state) {
    test::TempDir dir;
    const std::string path = (dir.path() / "big.pod").string();
    test::writeArchive(path, test::ArchiveLayout::POD3, manyFiles(100000, 0));
    for (auto _ : state) {
        TPOD pod(path);
        pod.ReadHeaderAndDirectory();
        benchmark::DoNotOptimize(pod.catalogue().data());
    }
}
BENCHMARK(BM_ReadPod3DirectoryOf100000Entries)->Unit(benchmark::kMillisecond);

// The same files twice: stored in a POD, and in a tar built once from them, so that the
// extraction is timed beside `tar -xf` of the same entries into the same kind of folder.
struct EntrySet {
    test::TempDir dir;
    std::string archive = (dir.path() / "set.pod").string();
    std::string tar = (dir.path() / "set.tar").string();
    std::int64_t bytes;

    EntrySet(int count, std::size_t bytesEach) : bytes(std::int64_t(count) * bytesEach) {
        const std::vector<test::StoredFile> files = manyFiles(count, bytesEach);
        test::writeArchive(archive, test::ArchiveLayout::POD, files);
        const std::filesystem::path tree = dir.path() / "tree";
        std::filesystem::create_directory(tree);
        for (const test::StoredFile& file : files) {
            test::writeFile(tree / std::string(filePart(file.name)), file.data);
        }
        run("tar -cf '" + tar + "' -C '" + tree.string() + "' .");
        std::filesystem::remove_all(tree);
    }

    static void run(const std::string& command) {
        if (std::system(command.c_str()) != 0) throw std::runtime_error(command);
    }
};

EntrySet& smallEntries() {
    static EntrySet set(100000, 1024);
    return set;
}

EntrySet& largeEntries() {
    static EntrySet set(512, 1024 * 1024);  // 512 MiB
    return set;
}

using SetOf = EntrySet& (*)();

// Times `copyAll` writing a set's files into a fresh directory on every iteration; making
// and removing the directory is not timed.
template <class CopyAll>
void timeCopies(benchmark::State& state, const EntrySet& set, CopyAll copyAll) {
    for (auto _ : state) {
        state.PauseTiming();
        auto out = std::make_unique<test::TempDir>();
        state.ResumeTiming();
        copyAll(*out);
        state.PauseTiming();
        out.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * set.bytes);
}

void BM_Extract(benchmark::State& state, SetOf setOf) {
    EntrySet& set = setOf();
    TPOD pod(set.archive);
    pod.ReadHeaderAndDirectory();
    std::vector<int> all(pod.catalogue().size());
    std::iota(all.begin(), all.end(), 0);
    timeCopies(state, set, [&](const test::TempDir& out) {
        // The window's and the command line's extraction run.
        extractEntries(pod, all, out.withSeparator(), {false}, [](int) { return true; });
    });
}

// The reference: GNU tar unpacking the same files.
void BM_TarExtract(benchmark::State& state, SetOf setOf) {
    EntrySet& set = setOf();
    timeCopies(state, set, [&](const test::TempDir& out) {
        EntrySet::run("tar -xf '" + set.tar + "' -C '" + out.path().string() + "'");
    });
}

BENCHMARK_CAPTURE(BM_Extract, 100000_entries_of_1KiB, smallEntries)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_TarExtract, 100000_entries_of_1KiB, smallEntries)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_Extract, 512_entries_of_1MiB, largeEntries)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_TarExtract, 512_entries_of_1MiB, largeEntries)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
}  // namespace kelvane

BENCHMARK_MAIN();
