// Checksums, verification, inflating extraction and directory reading of the newer layouts,
// each beside a reference: cksum, gzip -dc, a portable table-driven CRC.
#include <benchmark/benchmark.h>

#include <zlib.h>

#include <array>
#include <cstdlib>
#include <memory>
#include <random>
#include <stdexcept>

#include "archive/crc32_mpeg2.h"
#include "archive/pod_reader.h"
#include "archive/verification.h"
#include "tests/support/archive_builder.h"
#include "tests/support/temp_dir.h"

namespace kelvane {
namespace {

constexpr std::uint32_t kPolynomial = 0x04C11DB7u;

// kTables[k][b]: the CRC of byte b followed by k zero bytes.
using Tables = std::array<std::array<std::uint32_t, 256>, 8>;

constexpr Tables makeTables() {
    Tables tables{};
    for (std::uint32_t b = 0; b < 256; ++b) {
        std::uint32_t crc = b << 24;
        for (int bit = 0; bit < 8; ++bit)
            crc = crc & 0x80000000u ? crc << 1 ^ kPolynomial : crc << 1;
        tables[0][b] = crc;
    }
    for (std::size_t k = 1; k < 8; ++k) {
        for (std::size_t b = 0; b < 256; ++b) {
            const std::uint32_t previous = tables[k - 1][b];
            tables[k][b] = previous << 8 ^ tables[0][previous >> 24];
        }
    }
    return tables;
}

constexpr Tables kTables = makeTables();

// The portable CRC-32/MPEG-2: eight bytes a step through eight tables.
std::uint32_t crcWithTables(std::uint32_t crc, const void* data, std::size_t size) {
    const auto* p = static_cast<const unsigned char*>(data);
    for (; size >= 8; size -= 8, p += 8) {
        const std::uint32_t high = crc ^ (std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 |
                                          std::uint32_t{p[2]} << 8 | p[3]);
        crc = kTables[7][high >> 24] ^ kTables[6][high >> 16 & 0xFF] ^
              kTables[5][high >> 8 & 0xFF] ^ kTables[4][high & 0xFF] ^ kTables[3][p[4]] ^
              kTables[2][p[5]] ^ kTables[1][p[6]] ^ kTables[0][p[7]];
    }
    for (; size > 0; --size, ++p) crc = crc << 8 ^ kTables[0][(crc >> 24) ^ *p];
    return crc;
}

// Text-like bytes that deflate about threefold.
std::string sampleText(std::size_t size, unsigned seed) {
    static const char* const kWords[] = {"runway ", "heading ",  "altitude ", "flaps ",
                                         "gear ",   "throttle ", "0.25 ",     "1013 "};
    std::mt19937 random(seed);
    std::string text;
    text.reserve(size + 16);
    while (text.size() < size) {
        text += kWords[random() % 8];
        if (random() % 4 == 0) text += char('A' + random() % 26);
    }
    text.resize(size);
    return text;
}

constexpr std::size_t kCrcBuffer = 64 << 20;

void BM_Crc32Isal(benchmark::State& state) {
    const std::string bytes = sampleText(kCrcBuffer, 1);
    for (auto _ : state) benchmark::DoNotOptimize(crc32Mpeg2(bytes));
    state.SetBytesProcessed(state.iterations() * std::int64_t(bytes.size()));
}
BENCHMARK(BM_Crc32Isal)->Unit(benchmark::kMillisecond);

void BM_Crc32TablesSliceBy8(benchmark::State& state) {
    const std::string bytes = sampleText(kCrcBuffer, 1);
    if (crcWithTables(0xFFFFFFFFu, "123456789", 9) != 0x0376E6E7u) throw std::logic_error("crc");
    for (auto _ : state)
        benchmark::DoNotOptimize(crcWithTables(0xFFFFFFFFu, bytes.data(), bytes.size()));
    state.SetBytesProcessed(state.iterations() * std::int64_t(bytes.size()));
}
BENCHMARK(BM_Crc32TablesSliceBy8)->Unit(benchmark::kMillisecond);

constexpr int kEntries = 2048;
constexpr std::size_t kEntrySize = 256 * 1024;  // 512 MiB in all

std::vector<test::StoredFile> largeFiles() {
    std::vector<test::StoredFile> files;
    const std::string text = sampleText(kEntrySize * 4, 2);
    for (int i = 0; i < kEntries; ++i) {
        files.push_back(
            {"DATA\\file_" + std::to_string(i) + ".txt",
             text.substr(std::size_t(i % 4) * kEntrySize, kEntrySize) + std::to_string(i),
             std::uint32_t(i)});
        files.back().data.resize(kEntrySize);
    }
    return files;
}

// The 512 MiB archives, and the same bytes as one gzip file for gzip -dc.
struct LargeArchives {
    test::TempDir dir;
    std::string pod3 = (dir.path() / "large3.pod").string();
    std::string pod4 = (dir.path() / "large4.pod").string();
    std::string gzip = (dir.path() / "large.gz").string();
    LargeArchives() {
        const std::vector<test::StoredFile> files = largeFiles();
        test::writeArchive(pod3, test::ArchiveLayout::POD3, files);
        test::writeArchive(pod4, test::ArchiveLayout::POD4, files);
        gzFile out = gzopen(gzip.c_str(), "wb1");
        for (const test::StoredFile& file : files)
            gzwrite(out, file.data.data(), unsigned(file.data.size()));
        gzclose(out);
    }
};

LargeArchives& largeArchives() {
    static LargeArchives archives;
    return archives;
}

void runCommand(const std::string& command) {
    if (std::system(command.c_str()) != 0) throw std::runtime_error(command);
}

void BM_VerifyPod3Of512MiB(benchmark::State& state) {
    TPOD pod(largeArchives().pod3);
    pod.ReadHeaderAndDirectory();
    for (auto _ : state) {
        const VerificationReport report =
            verifyArchive(pod, [](std::int64_t, std::int64_t) { return true; });
        if (!report.allHold()) throw std::logic_error(report.summaryEnglish());
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t(kEntries * kEntrySize));
}
BENCHMARK(BM_VerifyPod3Of512MiB)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CksumOfThePod3(benchmark::State& state) {
    const std::string command = "cksum " + largeArchives().pod3 + " >/dev/null";
    for (auto _ : state) runCommand(command);
    state.SetBytesProcessed(state.iterations() * std::int64_t(kEntries * kEntrySize));
}
BENCHMARK(BM_CksumOfThePod3)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ExtractDeflatedPod4Of512MiB(benchmark::State& state) {
    TPOD pod(largeArchives().pod4);
    pod.ReadHeaderAndDirectory();
    for (auto _ : state) {
        state.PauseTiming();
        auto out = std::make_unique<test::TempDir>();
        state.ResumeTiming();
        for (const CatalogueEntry& entry : pod.catalogue())
            pod.Extract(entry.index, out->withSeparator(), StoredPath::Drop);
        state.PauseTiming();
        out.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t(kEntries * kEntrySize));
}
BENCHMARK(BM_ExtractDeflatedPod4Of512MiB)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GzipDcOfTheSameData(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto out = std::make_unique<test::TempDir>();
        state.ResumeTiming();
        runCommand("gzip -dc " + largeArchives().gzip + " >" + (out->path() / "all").string());
        state.PauseTiming();
        out.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t(kEntries * kEntrySize));
}
BENCHMARK(BM_GzipDcOfTheSameData)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_OpenDirectoryOf100000Entries(benchmark::State& state, test::ArchiveLayout layout) {
    std::vector<test::StoredFile> files;
    for (int i = 0; i < 100000; ++i) {
        files.push_back({"TEXTURES\\AIRCRAFT\\part_" + std::to_string(i) + ".tga", "", 0});
    }
    test::TempDir dir;
    const std::string path = (dir.path() / "big.pod").string();
    test::writeArchive(path, layout, files);
    for (auto _ : state) {
        TPOD pod(path);
        pod.ReadHeaderAndDirectory();
        benchmark::DoNotOptimize(pod.catalogue().data());
    }
}
BENCHMARK_CAPTURE(BM_OpenDirectoryOf100000Entries, POD4, test::ArchiveLayout::POD4)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OpenDirectoryOf100000Entries, POD6, test::ArchiveLayout::POD6)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kelvane

BENCHMARK_MAIN();
