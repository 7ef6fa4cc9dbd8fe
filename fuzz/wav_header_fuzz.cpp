// Reads arbitrary bytes as a WAV header and writes its summary in both languages; the sound
// bytes it counts must lie in the input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/bilingual_error.h"
#include "preview/preview_captions.h"
#include "preview/wav_header.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kelvane::WavHeader header;
    try {
        header =
            kelvane::parseWavHeader(std::string_view(reinterpret_cast<const char*>(data), size));
    } catch (const kelvane::BilingualError&) {
        return 0;
    }
    if (header.dataBytes > size || header.channels == 0 || header.byteRate == 0) std::abort();
    kelvane::soundSummary(header, false);
    kelvane::soundSummary(header, true);
    return 0;
}
