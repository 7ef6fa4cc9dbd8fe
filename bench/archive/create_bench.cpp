// Packing a folder into a new POD3 archive, checksums included, beside GNU tar packing the
// same folder into the same kind of place.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "archive/archive_editing.h"
#include "archive/archive_writer.h"
#include "tests/support/temp_dir.h"

namespace kelvane {
namespace {

// A folder of `count` files of `bytesEach` bytes, a hundred to a sub-folder.
struct FolderSet {
    test::TempDir dir;
    std::filesystem::path tree = dir.path() / "tree";
    std::string archive = (dir.path() / "packed.pod").string();
    std::string tar = (dir.path() / "packed.tar").string();
    std::int64_t bytes;

    FolderSet(int count, std::size_t bytesEach) : bytes(std::int64_t(count) * bytesEach) {
        for (int i = 0; i < count; ++i) {
            const std::filesystem::path folder = tree / ("folder_" + std::to_string(i / 100));
            if (i % 100 == 0) std::filesystem::create_directories(folder);
            test::writeFile(folder / ("part_" + std::to_string(i) + ".tga"),
                            std::string(bytesEach, char('a' + i % 26)));
        }
    }
};

FolderSet& smallFiles() {
    static FolderSet set(100000, 1024);
    return set;
}

FolderSet& largeFiles() {
    static FolderSet set(64, 8 * 1024 * 1024);  // 512 MiB
    return set;
}

using SetOf = FolderSet& (*)();

void BM_Create(benchmark::State& state, SetOf setOf) {
    FolderSet& set = setOf();
    const LayoutUnit& unit = layoutForNewArchive(set.archive, "pod3");
    for (auto _ : state) {
        // As `kelvane-cli create` does: walk, name, plan and write.
        const FilesToPack files = collectFiles(unit, {set.tree.string()}, identityOf(set.archive));
        writeArchive(planNewArchive(unit, files.files, ""), set.archive,
                     [](std::int64_t, std::int64_t) { return true; });
    }
    state.SetBytesProcessed(state.iterations() * set.bytes);
}

// The reference: GNU tar packing the same folder.
void BM_TarCreate(benchmark::State& state, SetOf setOf) {
    FolderSet& set = setOf();
    const std::string command = "tar -cf '" + set.tar + "' -C '" + set.tree.string() + "' .";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) throw std::runtime_error(command);
    }
    state.SetBytesProcessed(state.iterations() * set.bytes);
}

BENCHMARK_CAPTURE(BM_Create, 100000_files_of_1KiB, smallFiles)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_TarCreate, 100000_files_of_1KiB, smallFiles)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_Create, 64_files_of_8MiB, largeFiles)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_TarCreate, 64_files_of_8MiB, largeFiles)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
}  // namespace kelvane

BENCHMARK_MAIN();
