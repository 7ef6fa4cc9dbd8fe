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
        // A short audit trail, as the publisher's tools leave one, for the properties dialog.
        kelvane::test::ArchiveOptions options;
        options.comment = "Kelvane d\xE9mo";  // Windows-1252
        for (const auto& file : files) {
            options.audit.push_back({"kelvane", kTimestamp, 0, file.name, 0, 0, kTimestamp,
                                     std::uint32_t(file.data.size())});
        }
        options.audit.back().action = 2;
        options.audit.back().oldTime = kTimestamp - 86400;
        options.audit.back().oldSize = options.audit.back().newSize / 2;
        kelvane::test::writeArchive(argv[1], kelvane::test::ArchiveLayout::POD3, files, options);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "pack_demo: %s\n", error.what());
        return 1;
    }
    return 0;
}
