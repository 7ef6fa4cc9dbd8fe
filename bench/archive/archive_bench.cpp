// Directory reading of a large POD3 archive, and extraction throughput against a plain copy
// of the same bytes.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <memory>
#include <stdexcept>

#include "archive/pod_reader.h"
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

constexpr int kEntries = 4096;
constexpr std::size_t kEntrySize = 64 * 1024;  // 256 MiB in all

struct LargeArchive {
    test::TempDir dir;
    std::string path = (dir.path() / "large.pod").string();
    LargeArchive() {
        test::writeArchive(path, test::ArchiveLayout::POD, manyFiles(kEntries, kEntrySize));
    }
};

LargeArchive& largeArchive() {
    static LargeArchive archive;
    return archive;
}

// Times `copyAll` writing the large archive's bytes into a fresh directory on every
// iteration; making and removing the directory is not timed.
template <class CopyAll>
void timeCopies(benchmark::State& state, CopyAll copyAll) {
    for (auto _ : state) {
        state.PauseTiming();
        auto out = std::make_unique<test::TempDir>();
        state.ResumeTiming();
        copyAll(*out);
        state.PauseTiming();
        out.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t(kEntries * kEntrySize));
}

void BM_ExtractEveryEntryOf256MiB(benchmark::State& state) {
    TPOD pod(largeArchive().path);
    pod.ReadHeaderAndDirectory();
    timeCopies(state, [&](const test::TempDir& out) {
        for (const CatalogueEntry& entry : pod.catalogue())
            pod.Extract(entry.index, out.withSeparator(), StoredPath::Drop);
    });
}
BENCHMARK(BM_ExtractEveryEntryOf256MiB)->Unit(benchmark::kMillisecond)->UseRealTime();

// The reference: the same bytes copied with read and write into one file.
void BM_PlainCopyOf256MiB(benchmark::State& state) {
    std::array<char, 64 * 1024> buffer;
    timeCopies(state, [&](const test::TempDir& out) {
        int in = ::open(largeArchive().path.c_str(), O_RDONLY);
        int copy = ::open((out.path() / "copy").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ssize_t got;
        while ((got = ::read(in, buffer.data(), buffer.size())) > 0) {
            if (::write(copy, buffer.data(), std::size_t(got)) != got)
                throw std::runtime_error("write");
        }
        ::close(in);
        ::close(copy);
    });
}
BENCHMARK(BM_PlainCopyOf256MiB)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same bytes copied with read and write into one plain file per entry: the least work
// that produces the extraction's output, file creation included.
void BM_PlainCopyInto4096Files(benchmark::State& state) {
    std::array<char, kEntrySize> buffer;
    TPOD pod(largeArchive().path);
    pod.ReadHeaderAndDirectory();
    timeCopies(state, [&](const test::TempDir& out) {
        int in = ::open(largeArchive().path.c_str(), O_RDONLY);
        for (const CatalogueEntry& entry : pod.catalogue()) {
            const std::string name = out.withSeparator() + std::to_string(entry.index);
            int copy = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const ssize_t got = ::pread(in, buffer.data(), kEntrySize, entry.offset);
            if (got != ssize_t(kEntrySize) || ::write(copy, buffer.data(), kEntrySize) != got) {
                throw std::runtime_error("copy");
            }
            ::close(copy);
        }
        ::close(in);
    });
}
BENCHMARK(BM_PlainCopyInto4096Files)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace kelvane

BENCHMARK_MAIN();
