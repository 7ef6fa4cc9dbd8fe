#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "archive/archive_details.h"

namespace kelvane {
class TPOD;
}

namespace kelvane::test {

// One file to store in a test archive. `name` is the stored name (Windows-1252 bytes).
struct StoredFile {
    std::string name;
    std::string data;
    std::uint32_t timestamp = 0;
    bool compress = true;  // deflated in the layouts that compress (POD4 to POD6)
};

// POD is the older layout (POD2).
enum class ArchiveLayout { EPD, POD, POD3, POD1, POD4, POD5, POD6 };

enum class Compression { Zlib, RawDeflate };

struct ArchiveOptions {
    Compression compression = Compression::Zlib;
    int level = 1;  // zlib's compression level
    // POD4 and POD5: the entry checksum covers the inflated bytes instead of the stored ones.
    bool checksumInflated = false;
    // Every checksum field written one off.
    bool badChecksums = false;
    std::vector<AuditRecord> audit;  // POD2 to POD5
    int dependencies = 0;            // POD3 to POD5: records of 264 filler bytes
    std::string comment = "Test archive";
    std::string author = "Kelvane tests";
    std::string copyright = "(c) nobody";
    std::uint32_t revision = 3;
    std::uint32_t priority = 7;
    std::uint32_t version = 5;               // EPD and POD6
    std::uint32_t nextArchive = 0x12345678;  // POD5
};

// The bytes of a well-formed archive holding `files` in directory order, every checksum
// right unless `options` says otherwise. Data follow the directory and names (POD6: they
// precede the directory) in the same order.
std::string buildArchive(ArchiveLayout layout, const std::vector<StoredFile>& files,
                         const ArchiveOptions& options = {});

// Writes buildArchive(...) to `path`.
void writeArchive(const std::filesystem::path& path, ArchiveLayout layout,
                  const std::vector<StoredFile>& files, const ArchiveOptions& options = {});

// What an archive holds, read back through the program's reader: stored names and bytes, in
// directory order.
using StoredContents = std::vector<std::pair<std::string, std::string>>;
StoredContents storedContents(TPOD& archive);

// Deflates `data` as a zlib or raw deflate stream.
std::string deflateBytes(const std::string& data, Compression compression, int level = 1);

// Letters that deflate to about half their size, so that a stream spans many input chunks
// and a prefix of the output needs only the start of the stream.
std::string noisyText(std::size_t size);

}  // namespace kelvane::test
