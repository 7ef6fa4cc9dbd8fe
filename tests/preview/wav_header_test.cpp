#include "preview/wav_header.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/bilingual_error.h"
#include "tests/support/image_builders.h"

namespace kelvane {
namespace {

using test::putLe16;
using test::putLe32;

struct Chunk {
    std::string id;
    std::string body;
    std::uint32_t statedSize = ~0u;  // the body's size unless set
    bool pad = true;                 // odd bodies are followed by their pad byte
};

std::string riff(const std::vector<Chunk>& chunks, const std::string& form = "WAVE") {
    std::string chunkBytes;
    for (const Chunk& chunk : chunks) {
        chunkBytes += chunk.id;
        putLe32(chunkBytes, chunk.statedSize != ~0u ? chunk.statedSize : chunk.body.size());
        chunkBytes += chunk.body;
        if (chunk.pad && chunk.body.size() % 2 == 1) chunkBytes += '\0';
    }
    std::string bytes = "RIFF";
    putLe32(bytes, 4 + chunkBytes.size());
    return bytes + form + chunkBytes;
}

std::string format(unsigned channels, std::uint32_t rate, unsigned bits, unsigned tag = 1,
                   std::size_t extra = 0) {
    std::string body;
    putLe16(body, tag);
    putLe16(body, channels);
    putLe32(body, rate);
    putLe32(body, rate * channels * bits / 8);
    putLe16(body, channels * bits / 8);
    putLe16(body, bits);
    return body + std::string(extra, '\0');
}

Chunk fmt(const std::string& body) {
    return {"fmt ", body};
}
Chunk data(std::size_t size) {
    return {"data", std::string(size, '\x80')};
}

// "channels rate bits dataBytes truncated seconds", or the English refusal.
std::string outcome(const std::string& bytes) {
    try {
        const WavHeader h = parseWavHeader(bytes);
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%.3f", h.seconds());
        return std::to_string(h.channels) + " " + std::to_string(h.sampleRate) + " " +
               std::to_string(h.bitsPerSample) + " " + std::to_string(h.dataBytes) +
               (h.truncated ? " cut " : " whole ") + seconds;
    } catch (const BilingualError& e) {
        return e.english();
    }
}

struct WavCase {
    const char* name;
    std::string bytes;
    std::string expected;
};

std::vector<WavCase> wavCases() {
    const std::string mono = format(1, 8000, 16);
    const std::string whole = riff({fmt(mono), data(8000)});
    std::string cutInData = riff({fmt(mono), data(8000)});
    cutInData.resize(cutInData.size() - 7999);
    std::string cutInFormat = riff({fmt(mono), data(10)});
    cutInFormat.resize(12 + 8 + 10);
    std::string cutInHeader = riff({fmt(mono)}) + "dat";
    std::string noRate = format(2, 0, 16);
    std::string noByteRate = mono;
    noByteRate.replace(8, 4, std::string(4, '\0'));
    return {
        {"Pcm", whole, "1 8000 16 8000 whole 0.500"},
        {"StereoAfterOddChunks",
         riff({{"LIST", "abc"}, fmt(format(2, 44100, 16)), {"fact", "x"}, data(44100 * 4)}),
         "2 44100 16 176400 whole 1.000"},
        {"ExtensibleFormatAndPaddedData", riff({fmt(format(2, 22050, 24, 0xFFFE, 24)), data(13)}),
         "2 22050 24 13 whole 0.000"},
        {"DataBeforeFormat", riff({data(4000), fmt(mono)}), "1 8000 16 4000 whole 0.250"},
        {"EmptyData", riff({fmt(mono), data(0)}), "1 8000 16 0 whole 0.000"},
        {"FirstChunksCount", riff({fmt(mono), data(16), fmt(format(2, 1, 8)), data(2)}),
         "1 8000 16 16 whole 0.001"},
        // Cut short.
        {"CutInData", cutInData, "1 8000 16 1 cut 0.000"},
        {"DataStatesMore", riff({fmt(mono), {"data", "abcd", 4000000000u}}),
         "1 8000 16 4 cut 0.000"},
        {"CutInFormat", cutInFormat, "The sound's fmt chunk is too short."},
        {"CutInChunkHeader", cutInHeader, "The sound has no data chunk."},
        {"OnlyTheSignature", std::string("RIFF\x04\0\0\0WAVE", 12), "The sound has no fmt chunk."},
        // Hostile.
        {"Empty", "", "This is not a RIFF/WAVE sound."},
        {"NotRiff", "RIFX" + whole.substr(4), "This is not a RIFF/WAVE sound."},
        {"NotWave", riff({fmt(mono), data(2)}, "AVI "), "This is not a RIFF/WAVE sound."},
        {"ShortFormat", riff({fmt(mono.substr(0, 14)), data(2)}),
         "The sound's fmt chunk is too short."},
        {"NoChannelsOrRate", riff({fmt(noRate), data(2)}),
         "The sound states no channels, sample rate or byte rate."},
        {"NoByteRate", riff({fmt(noByteRate), data(2)}),
         "The sound states no channels, sample rate or byte rate."},
        {"HugeChunkBeforeData", riff({{"LIST", "x", 0xFFFFFFF0u}, fmt(mono), data(2)}),
         "The sound has no fmt chunk."},
        {"HugeFormatChunk", riff({{"fmt ", mono, 0xFFFFFFFEu}, data(2)}),
         "The sound has no data chunk."},
        {"UnpaddedOddChunk", riff({{"LIST", "abc", ~0u, false}, fmt(mono), data(2)}),
         "The sound has no fmt chunk."},
    };
}

// Cases print their name, not their bytes.
void PrintTo(const WavCase& c, std::ostream* out) {
    *out << c.name;
}

class WavHeaderTest : public ::testing::TestWithParam<WavCase> {};

TEST_P(WavHeaderTest, ReadsOrRefuses) {
    EXPECT_EQ(outcome(GetParam().bytes), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Headers, WavHeaderTest, ::testing::ValuesIn(wavCases()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kelvane
