#include "imaging/codecs/packbits.h"

#include <algorithm>
#include <cstring>

namespace kelvane {

void TPackbitsRLEDecoder::Decode(const std::uint8_t*& source, std::uint8_t* target,
                                 std::size_t packedSize, std::size_t unpackedSize) {
    const std::uint8_t* in = source;
    const std::uint8_t* const inEnd = source + packedSize;
    std::uint8_t* out = target;
    std::uint8_t* const outEnd = target + unpackedSize;
    while (in < inEnd && out < outEnd) {
        const auto n = static_cast<std::int8_t>(*in++);
        if (n >= 0) {
            const std::size_t wanted = static_cast<std::size_t>(n) + 1;
            const std::size_t count = std::min({wanted, static_cast<std::size_t>(inEnd - in),
                                                static_cast<std::size_t>(outEnd - out)});
            std::memcpy(out, in, count);
            in += std::min(wanted, static_cast<std::size_t>(inEnd - in));
            out += count;
        } else if (n != -128) {
            if (in == inEnd) break;
            const std::size_t count =
                std::min(static_cast<std::size_t>(1 - n), static_cast<std::size_t>(outEnd - out));
            std::memset(out, *in++, count);
            out += count;
        }
    }
    source = in;
}

}  // namespace kelvane
