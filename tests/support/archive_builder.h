#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace kelvane::test {

// One file to store in a test archive. `name` is the stored name (Windows-1252 bytes).
struct StoredFile {
    std::string name;
    std::string data;
    std::uint32_t timestamp = 0;
};

enum class ArchiveLayout { EPD, POD, POD3 };

// The bytes of a well-formed archive holding `files` in directory order. Data follow the
// directory (and names) in the same order.
std::string buildArchive(ArchiveLayout layout, const std::vector<StoredFile>& files);

// Writes buildArchive(...) to `path`.
void writeArchive(const std::filesystem::path& path, ArchiveLayout layout,
                  const std::vector<StoredFile>& files);

}  // namespace kelvane::test
