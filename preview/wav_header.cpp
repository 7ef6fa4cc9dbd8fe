#include "preview/wav_header.h"

#include <algorithm>

#include "platform/bilingual_error.h"
#include "platform/little_endian.h"

namespace kelvane {
namespace {

constexpr std::size_t kChunkHeader = 8;
constexpr std::size_t kFormatFields = 16;

[[noreturn]] void refuse(const char* french, const char* english) {
    throw BilingualError(french, english);
}

void readFormat(std::string_view body, WavHeader& header) {
    if (body.size() < kFormatFields)
        refuse("Le bloc fmt du son est trop court.", "The sound's fmt chunk is too short.");
    header.formatTag = readLittle16(body.data());
    header.channels = readLittle16(body.data() + 2);
    header.sampleRate = readLittle32(body.data() + 4);
    header.byteRate = readLittle32(body.data() + 8);
    header.blockAlign = readLittle16(body.data() + 12);
    header.bitsPerSample = readLittle16(body.data() + 14);
    if (header.channels == 0 || header.sampleRate == 0 || header.byteRate == 0) {
        refuse("Le son n'indique ni canaux, ni fréquence, ni débit.",
               "The sound states no channels, sample rate or byte rate.");
    }
}

}  // namespace

WavHeader parseWavHeader(std::string_view bytes) {
    if (bytes.size() < 12 || bytes.substr(0, 4) != "RIFF" || bytes.substr(8, 4) != "WAVE")
        refuse("Ce n'est pas un son RIFF/WAVE.", "This is not a RIFF/WAVE sound.");
    WavHeader header;
    bool format = false;
    bool data = false;
    // Positions are 64-bit: a stated size near 4 GiB must not wrap around.
    std::uint64_t position = 12;
    while (!(format && data) && position + kChunkHeader <= bytes.size()) {
        const std::string_view id = bytes.substr(std::size_t(position), 4);
        const std::uint64_t size = readLittle32(bytes.data() + position + 4);
        const std::uint64_t body = position + kChunkHeader;
        const std::uint64_t there = std::min<std::uint64_t>(size, bytes.size() - body);
        if (id == "fmt " && !format) {
            readFormat(bytes.substr(std::size_t(body), std::size_t(there)), header);
            format = true;
        } else if (id == "data" && !data) {
            header.dataBytes = there;
            header.truncated = there < size;
            data = true;
        }
        position = body + size + (size & 1);
    }
    if (!format) refuse("Le son n'a pas de bloc fmt.", "The sound has no fmt chunk.");
    if (!data) refuse("Le son n'a pas de bloc data.", "The sound has no data chunk.");
    return header;
}

}  // namespace kelvane
