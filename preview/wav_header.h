#pragma once

#include <cstdint>
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

// Reads the header of a WAV file from its bytes: the RIFF/WAVE signature, then the chunks
// in file order (odd sizes padded to even) until both "fmt " and "data" are found. A data
// chunk cut short by the end of the file counts the bytes there are. Throws BilingualError
// for bytes that are not RIFF/WAVE, lack either chunk, hold a fmt chunk shorter than its 16
// bytes, or state no channels, no sample rate or no byte rate.
WavHeader parseWavHeader(std::string_view bytes);

}  // namespace kelvane
