// `kelvane-cli find` over a folder of a hundred archives of 2,000 entries each, beside find(1)
// reading every archive whole with cat: once with the files cached, once with them dropped
// from the page cache before each run.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <stdexcept>
#include <streambuf>

#include "cli/cli.h"
#include "tests/support/archive_builder.h"
#include "tests/support/temp_dir.h"

namespace kelvane {
namespace {

// A hundred archives, the builder's layouts in turn, ten to a sub-folder.
struct ArchiveFolder {
    test::TempDir dir;
    std::string path = dir.path().string();

    ArchiveFolder() {
        constexpr test::ArchiveLayout kLayouts[] = {
            test::ArchiveLayout::EPD,  test::ArchiveLayout::POD,  test::ArchiveLayout::POD3,
            test::ArchiveLayout::POD1, test::ArchiveLayout::POD4, test::ArchiveLayout::POD5,
            test::ArchiveLayout::POD6};
        for (int a = 0; a < 100; ++a) {
            std::vector<test::StoredFile> files;
            for (int i = 0; i < 2000; ++i) {
                files.push_back({"ART\\AIRCRAFT\\part_" + std::to_string(a * 2000 + i) + ".tga",
                                 std::string(256, char('a' + i % 26)), std::uint32_t(i)});
            }
            const test::ArchiveLayout layout = kLayouts[a % 7];
            const std::filesystem::path folder = dir.path() / ("set_" + std::to_string(a / 10));
            std::filesystem::create_directories(folder);
            test::writeArchive(folder / ("archive_" + std::to_string(a) +
                                         (layout == test::ArchiveLayout::EPD ? ".EPD" : ".POD")),
                               layout, files);
        }
    }
};

ArchiveFolder& archives() {
    static ArchiveFolder folder;
    return folder;
}

struct NullBuffer : std::streambuf {
    int overflow(int c) override { return c; }
};

void runShell(const std::string& command) {
    if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: " + command);
}

// Drops the archives from the page cache: every cache when this runs as root (folders and
// inodes included), else each file's pages (the folders stay cached).
void dropCaches() {
    ::sync();
    std::ofstream drop("/proc/sys/vm/drop_caches");
    if (drop << "3" << std::flush) return;
    for (const auto& item : std::filesystem::recursive_directory_iterator(archives().path)) {
        if (!item.is_regular_file()) continue;
        const int fd = ::open(item.path().c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) continue;
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
        ::close(fd);
    }
}

// Runs `run` once per iteration, the caches dropped before each when `uncached`.
template <typename Run>
void timeRuns(benchmark::State& state, bool uncached, const Run& run) {
    run();  // the archives built and cached
    for (auto _ : state) {
        if (uncached) {
            state.PauseTiming();
            dropCaches();
            state.ResumeTiming();
        }
        run();
    }
}

void BM_FindCommand(benchmark::State& state) {
    const std::string folder = archives().path;
    NullBuffer nothing;
    std::ostream out(&nothing);
    const cli::Arguments args = {"find", folder, "PART_1234??.TGA"};  // in one archive
    timeRuns(state, state.range(0) != 0, [&] {
        if (cli::runCli(args, out, out) != 0) throw std::runtime_error("nothing found");
    });
}
BENCHMARK(BM_FindCommand)->ArgName("uncached")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The reference: every archive read whole, as a shell user would search them.
void BM_FindExecCat(benchmark::State& state) {
    const std::string command =
        "find '" + archives().path + "' -name '*.POD' -exec cat {} + > /dev/null";
    timeRuns(state, state.range(0) != 0, [&] { runShell(command); });
}
BENCHMARK(BM_FindExecCat)->ArgName("uncached")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kelvane

BENCHMARK_MAIN();
