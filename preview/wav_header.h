#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace kelvane {

// What the header of a RIFF/WAVE sound says about it.
struct WavHeader {
    std::uint16_t formatTag = 0;  // 1 for PCM
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;  // frames per second
    std::uint32_t byteRate = 0;    // bytes per second
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
    std::uint64_t dataBytes = 0;  // the sound bytes the file holds
    bool truncated = false;       // the data chunk states more bytes than the file holds

    // The sound's length: its bytes at its byte rate.
    double seconds() const { return double(dataBytes) / double(byteRate); }
};

// Up to `count` bytes of the sound from `offset` on; fewer (or none) where what can be read
// of it ends.
using WavBytesAt = std::function<std::string(std::uint64_t offset, std::size_t count)>;

// Reads the header of a WAV file of `fileSize` bytes, fetching only the chunk headers and the
// fmt chunk: the RIFF/WAVE signature, then the chunks in file order (odd sizes padded to
// even) until both "fmt " and "data" are found. The data bytes are those the data chunk
// states, or those the file holds when it ends first. Throws BilingualError for bytes that
// are not RIFF/WAVE, lack either chunk (or where `bytesAt` stops before them), hold a fmt
// chunk shorter than its 16 bytes, or state no channels, no sample rate or no byte rate.
WavHeader readWavHeader(const WavBytesAt& bytesAt, std::uint64_t fileSize);

// The same for a whole file in memory.
WavHeader parseWavHeader(std::string_view bytes);

}  // namespace kelvane
