// diff of two 100,000-entry archives that differ in ten entries of the same size: by the
// checksums alone (POD3), and by reading the entries (POD1, no checksums) beside cmp of the
// same two files.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <stdexcept>
#include <string>

#include "archive/archive_diff.h"
#include "archive/pod_reader.h"
#include "tests/support/archive_builder.h"
#include "tests/support/temp_dir.h"

namespace kelvane {
namespace {

constexpr int kEntries = 100000;
constexpr int kChanged = 10;
constexpr std::size_t kEntrySize = 1024;

// The pair of archives of one layout; the changed entries are the last ones, so that cmp
// reads nearly all of both files before it finds a difference.
struct Pair {
    test::TempDir dir;
    std::string older, newer;

    explicit Pair(test::ArchiveLayout layout) {
        std::vector<test::StoredFile> files;
        files.reserve(kEntries);
        for (int i = 0; i < kEntries; ++i) {
            files.push_back({"DIR\\ENTRY" + std::to_string(i) + ".BIN",
                             std::string(kEntrySize, char('a' + i % 26))});
        }
        older = (dir.path() / "old.pod").string();
        newer = (dir.path() / "new.pod").string();
        test::writeArchive(older, layout, files);
        for (int i = kEntries - kChanged; i < kEntries; ++i) files[i].data.back() = '!';
        test::writeArchive(newer, layout, files);
    }
};

Pair& pairOf(test::ArchiveLayout layout) {
    if (layout == test::ArchiveLayout::POD3) {
        static Pair pod3(layout);
        return pod3;
    }
    static Pair pod1(layout);
    return pod1;
}

void BM_Diff(benchmark::State& state, test::ArchiveLayout layout) {
    const Pair& pair = pairOf(layout);
    for (auto _ : state) {
        const auto older = openAndRead(pair.older);
        const auto newer = openAndRead(pair.newer);
        const ArchiveDiff diff = diffArchives(*older, *newer);
        if (diff.changed != kChanged || diff.same != kEntries - kChanged) {
            throw std::logic_error("diff found other differences");
        }
    }
}

void BM_Cmp(benchmark::State& state, test::ArchiveLayout layout) {
    const Pair& pair = pairOf(layout);
    const std::string command = "cmp -s " + pair.older + " " + pair.newer;
    for (auto _ : state) {
        if (std::system(command.c_str()) == 0) throw std::logic_error("cmp found no difference");
    }
}

BENCHMARK_CAPTURE(BM_Diff, POD3_by_checksums, test::ArchiveLayout::POD3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_Diff, POD1_by_content, test::ArchiveLayout::POD1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_Cmp, POD1, test::ArchiveLayout::POD1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
}  // namespace kelvane

BENCHMARK_MAIN();
