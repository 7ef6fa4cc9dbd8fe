// Writes an archive for the mount benchmark: COUNT entries of BYTES each under FOLDERS folders
// (default 100) of 7 sub-folders each, stored (POD3) or deflated (POD5), with bytes that
// compress about as textures do.
// Usage: make_bench_archive ARCHIVE pod3|pod5 COUNT BYTES [FOLDERS]
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <random>
#include <string>

#include "tests/support/archive_builder.h"

int main(int argc, char** argv) {
    if (argc != 5 && argc != 6) {
        std::cerr << "usage: make_bench_archive ARCHIVE pod3|pod5 COUNT BYTES [FOLDERS]\n";
        return 2;
    }
    const std::string layout = argv[2];
    const long count = std::atol(argv[3]);
    const std::size_t bytes = std::size_t(std::atoll(argv[4]));
    const long folders = argc == 6 ? std::max(1L, std::atol(argv[5])) : 100;
    std::mt19937 random(42);
    std::vector<kelvane::test::StoredFile> files;
    files.reserve(std::size_t(count));
    for (long i = 0; i < count; ++i) {
        std::string data(bytes, '\0');
        // Runs of one byte among random ones: deflate keeps about half.
        for (std::size_t at = 0; at < bytes; ++at) {
            data[at] = (at / 16) % 2 ? char(at / 512) : char(random());
        }
        files.push_back({"FOLDER" + std::to_string(i % folders) + "\\SUB" + std::to_string(i % 7) +
                             "\\file_" + std::to_string(i) + ".bin",
                         std::move(data), std::uint32_t(1000000000 + i)});
    }
    kelvane::test::writeArchive(
        argv[1],
        layout == "pod5" ? kelvane::test::ArchiveLayout::POD5 : kelvane::test::ArchiveLayout::POD3,
        files);
    return 0;
}
