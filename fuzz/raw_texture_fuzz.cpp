// Texture conversion of arbitrary bytes: the first byte tells how many of the rest are the
// palette (in units of 8 bytes), the remainder are the pixels.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string_view>

#include "imaging/raw_texture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::size_t paletteSize = std::min<std::size_t>(std::size_t{data[0]} * 8, rest.size());
    try {
        kelvane::rawTextureToBmp(rest.substr(paletteSize), rest.substr(0, paletteSize));
    } catch (const std::runtime_error&) {
    }
    return 0;
}
