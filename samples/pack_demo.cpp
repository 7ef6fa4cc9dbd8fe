// Packs the sample files into the demo archive (POD3 layout).
// Usage: pack_demo OUTPUT STORED=FILE...   (STORED uses '\' between folders)
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "tests/support/archive_builder.h"
#include "tests/support/temp_dir.h"

int main(int argc, char** argv) {
    // 2001-06-15 12:00:00 UTC: the same archive at every build.
    constexpr std::uint32_t kTimestamp = 992606400;
    if (argc < 3) {
        std::fprintf(stderr, "usage: pack_demo OUTPUT STORED=FILE...\n");
        return 2;
    }
    try {
        std::vector<kelvane::test::StoredFile> files;
        for (int i = 2; i < argc; ++i) {
            const std::string argument = argv[i];
            const std::size_t equals = argument.find('=');
            if (equals == std::string::npos) throw std::runtime_error("no '=' in " + argument);
            files.push_back({argument.substr(0, equals),
                             kelvane::test::readFile(argument.substr(equals + 1)), kTimestamp});
        }
        kelvane::test::writeArchive(argv[1], kelvane::test::ArchiveLayout::POD3, files);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "pack_demo: %s\n", error.what());
        return 1;
    }
    return 0;
}
