#pragma once

#include <cstddef>

namespace kelvane {

// How a compressed entry's stream is wrapped: as a zlib stream when its first two bytes form
// a zlib header, else as raw deflate.
enum class StreamKind { Zlib, Raw };

inline StreamKind streamKind(const char* bytes, std::size_t size) {
    if (size < 2) return StreamKind::Raw;
    const unsigned first = static_cast<unsigned char>(bytes[0]);
    const unsigned second = static_cast<unsigned char>(bytes[1]);
    const bool zlib = (first & 0x0F) == 8 && (first << 8 | second) % 31 == 0;
    return zlib ? StreamKind::Zlib : StreamKind::Raw;
}

// Whether libdeflate judges this stream as zlib does: any raw stream, and a zlib
// one with the full 32 KiB window and no preset dictionary (zlib's verdict on a smaller
// window depends on how its output is split, and a dictionary is refused).
inline bool libdeflateTakes(StreamKind kind, const char* bytes, std::size_t size) {
    if (kind == StreamKind::Raw) return true;
    const unsigned first = static_cast<unsigned char>(bytes[0]);
    const unsigned second = static_cast<unsigned char>(bytes[1]);
    return size >= 2 && first >> 4 == 7 && (second & 0x20) == 0;
}

}  // namespace kelvane
