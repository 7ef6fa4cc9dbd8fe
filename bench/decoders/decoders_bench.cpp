#include <benchmark/benchmark.h>

#include <string>

#include "decoders/dbf_table.h"
#include "decoders/key_file.h"
#include "decoders/object_file.h"
#include "tests/support/dbf_builder.h"
#include "tests/support/key_file_builder.h"
#include "tests/support/tagged_file_builder.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace kelvane;

// 16 MiB of every kind of payload: reals, longs, runs, strings and skipped bytes. The values
// stay small so that no payload byte pair reads as a tag.
std::string mixedObjectFile() {
    test::TaggedFileBuilder file;
    for (int i = 0; file.size() < (16u << 20); ++i) {
        const int small = i % 50;
        file.tag("<orgn>").real(small * 0.125).real(-1234.5678).real(1e-7 * small).shortInLong(7);
        file.tag("<vert>").longValue(-small);
        file.tag("<rndx>");
        for (int k = 0; k < 8; ++k) file.shortInLong(static_cast<std::uint16_t>(small + k));
        file.tag("<icao>").string("LFPG");
        file.tag("<pave>").raw(std::string(64, 'p'));
        file.tag("<lowl>").real(48.7233).real(2.3794).real(392.0);
        file.tag("<edge>").longValue(small).longValue(small + 1);
    }
    return file.bytes();
}

void objectFile(benchmark::State& state) {
    const std::string bytes = mixedObjectFile();
    for (const std::string& line : decodeObjectFile(bytes, ',')) {
        if (line.starts_with("Erreur")) state.SkipWithError("decoding stopped early");
    }
    for (auto _ : state) benchmark::DoNotOptimize(decodeObjectFile(bytes, ','));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(objectFile)->Unit(benchmark::kMillisecond);

// 100,000 records of a typical airport table, read from a file.
void dbfTable(benchmark::State& state) {
    test::DbfLayout layout;
    layout.fields = {{"ICAO", 4}, {"NOM", 40}, {"LAT", 12}, {"LON", 12}, {"ALT", 6}, {"PAYS", 2}};
    for (int r = 0; r < 100000; ++r) {
        layout.records.push_back("K" + std::to_string(100 + r % 900) + "Airport number " +
                                 std::to_string(r) + std::string(20, ' ') + "  48.7233   " +
                                 "   2.3794      392US");
    }
    test::TempDir dir;
    test::writeFile(dir.path() / "table.dbf", test::buildDbf(layout));
    const std::string path = (dir.path() / "table.dbf").string();
    if (readDbfTable(path).cell(99999, 1).empty()) state.SkipWithError("records missing");
    for (auto _ : state) benchmark::DoNotOptimize(readDbfTable(path));
}
BENCHMARK(dbfTable)->Unit(benchmark::kMillisecond);

// 10,000 keys in 50 sets.
void keyFile(benchmark::State& state) {
    std::vector<test::KeySet> sets(50);
    for (std::size_t s = 0; s < sets.size(); ++s) {
        sets[s].title = "Set " + std::to_string(s);
        for (int k = 0; k < 200; ++k) {
            sets[s].keys.push_back({{{"kyid", "'k" + std::to_string(k) + "'"},
                                     {"name", "'Command number " + std::to_string(k) + "'"},
                                     {"code", std::to_string(65536 * (k % 5) + k % 300)},
                                     {"enab", "1"}}});
        }
    }
    const std::string text = test::buildKeyFile(sets);
    if (decodeKeyFile(text).lines.size() != 50 * 3 + 10000) state.SkipWithError("keys missing");
    for (auto _ : state) benchmark::DoNotOptimize(decodeKeyFile(text));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(keyFile)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
