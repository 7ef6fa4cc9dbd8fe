#pragma once

#include <cstdint>
#include <string>

namespace kelvane {

// One stored file of an archive as the listing shows it. `name` is the stored name in
// Windows-1252 bytes, possibly with a directory part.
struct CatalogueEntry {
    std::string name;
    // Sizes and the offset are the unsigned 32-bit values the directory records.
    std::uint32_t size = 0;  // the entry's bytes once inflated
    std::uint32_t offset = 0;
    std::uint32_t timestamp = 0;
    int index = 0;                 // position in the directory, 0-based
    std::uint32_t storedSize = 0;  // bytes in the archive; `size` unless compressed
    std::uint32_t checksum = 0;    // as the record states it, where the layout has one
    bool compressed = false;       // the stored bytes are a deflate stream
    bool hasTimestamp = true;      // false for layouts that record none (the Date stays empty)
};

}  // namespace kelvane
