#include "preview/wav_header.h"

#include <algorithm>

#include "platform/bilingual_error.h"
#include "platform/little_endian.h"

namespace kelvane {
namespace {

constexpr std::size_t kChunkHeader = 8;
constexpr std::size_t kFormatFields = 16;
// The fields read of a fmt chunk; an extensible format's extra bytes are not needed.
constexpr std::size_t kFormatRead = 64;

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

WavHeader readWavHeader(const WavBytesAt& bytesAt, std::uint64_t fileSize) {
    const std::string signature = bytesAt(0, 12);
    if (signature.size() < 12 || signature.compare(0, 4, "RIFF") != 0 ||
        signature.compare(8, 4, "WAVE") != 0)
        refuse("Ce n'est pas un son RIFF/WAVE.", "This is not a RIFF/WAVE sound.");
    WavHeader header;
    bool format = false;
    bool data = false;
    // Positions are 64-bit: a stated size near 4 GiB must not wrap around.
    std::uint64_t position = 12;
    while (!(format && data) && position + kChunkHeader <= fileSize) {
        const std::string chunk = bytesAt(position, kChunkHeader);
        if (chunk.size() < kChunkHeader) break;
        const std::string_view id = std::string_view(chunk).substr(0, 4);
        const std::uint64_t size = readLittle32(chunk.data() + 4);
        const std::uint64_t body = position + kChunkHeader;
        const std::uint64_t there = std::min<std::uint64_t>(size, fileSize - body);
        if (id == "fmt " && !format) {
            const std::size_t wanted = std::size_t(std::min<std::uint64_t>(there, kFormatRead));
            readFormat(bytesAt(body, wanted), header);
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

WavHeader parseWavHeader(std::string_view bytes) {
    const auto bytesAt = [bytes](std::uint64_t offset, std::size_t count) {
        if (offset >= bytes.size()) return std::string();
        return std::string(bytes.substr(std::size_t(offset), count));
    };
    return readWavHeader(bytesAt, bytes.size());
}

}  // namespace kelvane
