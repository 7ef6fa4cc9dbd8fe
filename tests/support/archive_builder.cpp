#include "tests/support/archive_builder.h"

#include "tests/support/temp_dir.h"

namespace kelvane::test {
namespace {

void put32(std::string& bytes, std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[offset + std::size_t(i)] = char(value >> (8 * i));
}

std::string record(std::size_t size, std::size_t sizeOffset, const StoredFile& file,
                   std::uint32_t dataOffset) {
    std::string bytes(size, '\x5A');  // uninterpreted bytes are not zero on purpose
    put32(bytes, sizeOffset, std::uint32_t(file.data.size()));
    put32(bytes, sizeOffset + 4, dataOffset);
    put32(bytes, sizeOffset + 8, file.timestamp);
    return bytes;
}

std::string appendData(std::string bytes, const std::vector<StoredFile>& files) {
    for (const StoredFile& file : files) bytes += file.data;
    return bytes;
}

std::string buildEpd(const std::vector<StoredFile>& files) {
    std::string bytes(272, '\x11');
    put32(bytes, 260, std::uint32_t(files.size()));
    std::uint32_t dataOffset = std::uint32_t(272 + 80 * files.size());
    for (const StoredFile& file : files) {
        std::string entry = record(80, 64, file, dataOffset);
        std::string name = file.name.substr(0, 64);
        name.resize(64, '\0');
        entry.replace(0, 64, name);
        bytes += entry;
        dataOffset += std::uint32_t(file.data.size());
    }
    return appendData(bytes, files);
}

std::string buildPod(const std::vector<StoredFile>& files, bool version3) {
    std::string bytes(version3 ? 288 : 96, '\x22');
    bytes.replace(0, 4, version3 ? "POD3" : "POD2");
    put32(bytes, 88, std::uint32_t(files.size()));
    // Version 3 keeps some filler between the header and the directory.
    const std::size_t directory = version3 ? 300 : 96;
    if (version3) {
        put32(bytes, 264, std::uint32_t(directory));
        bytes.resize(directory, '\x33');
    }
    std::size_t namesSize = 0;
    for (const StoredFile& file : files) namesSize += file.name.size() + 1;
    std::uint32_t dataOffset = std::uint32_t(directory + 20 * files.size() + namesSize);
    for (const StoredFile& file : files) {
        bytes += record(20, 4, file, dataOffset);
        dataOffset += std::uint32_t(file.data.size());
    }
    for (const StoredFile& file : files) bytes += file.name + '\0';
    return appendData(bytes, files);
}

}  // namespace

std::string buildArchive(ArchiveLayout layout, const std::vector<StoredFile>& files) {
    switch (layout) {
        case ArchiveLayout::EPD:
            return buildEpd(files);
        case ArchiveLayout::POD:
            return buildPod(files, false);
        case ArchiveLayout::POD3:
            return buildPod(files, true);
    }
    return {};
}

void writeArchive(const std::filesystem::path& path, ArchiveLayout layout,
                  const std::vector<StoredFile>& files) {
    writeFile(path, buildArchive(layout, files));
}

}  // namespace kelvane::test
