#pragma once

#include <cstdint>

namespace kelvane {

// Little-endian integers taken from file bytes, whatever the machine's own byte order.

inline std::uint16_t readLittle16(const void* bytes) {
    const auto* b = static_cast<const unsigned char*>(bytes);
    return static_cast<std::uint16_t>(b[0] | b[1] << 8);
}

inline std::uint32_t readLittle32(const void* bytes) {
    const auto* b = static_cast<const unsigned char*>(bytes);
    return std::uint32_t{b[0]} | std::uint32_t{b[1]} << 8 | std::uint32_t{b[2]} << 16 |
           std::uint32_t{b[3]} << 24;
}

}  // namespace kelvane
